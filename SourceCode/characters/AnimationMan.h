#pragma once
// "AnimationMan", a child of "GameLogic": owns every loaded animation (as
// its children) and loads them from animation files, one per character and
// action, with the shared folder "Default/" as the fallback.
#include <cstdint>
#include <map>
#include <string>

#include "core/System.h"

class Animation;

class AnimationMan : public System {
public:
    AnimationMan() = default;
    ~AnimationMan() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;

    // A new empty animation among the children, initialised with (a, b).
    Animation* CreateAnimation(void* a = nullptr, void* b = nullptr);
    // Reads "Assets/Animations/<name>" under the working directory, or
    // failing that the same file name in "Assets/Animations/Default/" (the
    // part of name after its first '/', or the whole name without one).
    // Null when neither reads; nothing is kept then.
    Animation* LoadAnimation(const char* name);
    // The animation already loaded for that name (the name it was asked for,
    // or the name its file stores), else LoadAnimation. A name whose files
    // are missing is looked for again on every call.
    Animation* GetAnimation(const char* name);
    // A file under "Assets/Animations/" was written (the editor's saves):
    // the next request that it answers reads it again. The animations read
    // before stay, for the characters that play them.
    void FileWritten(const std::string& path);
    // GetAnimation(character name + the action's file name).
    Animation* LoadActionAnimation(const char* characterName, std::uint32_t action);

private:
    struct Loaded {
        Animation* animation;
        std::string file;  // the file it was read from
    };

    Animation* FindStoredName(const std::string& name) const;
    bool ReadInto(Animation* animation, const std::string& path);
    // LoadAnimation, telling which file it read.
    Animation* Load(const std::string& name, std::string& file);
    std::string OwnFile(const std::string& name) const;

    // Every loaded animation by the name it was asked for: the name a file
    // stores is its own (a .x name cannot hold the '/' of a request), so
    // requests are remembered as they came, and a character created again
    // reads no file.
    std::map<std::string, Loaded, std::less<>> byRequest;
};
