#include "characters/AnimationMan.h"

#include <filesystem>

#include "characters/Animation.h"
#include "characters/AnimationFile.h"
#include "characters/NameTables.h"
#include "platform/common/Files.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {
const std::string kAnimationFolder = "/Assets/Animations/";
}  // namespace

AnimationMan::~AnimationMan() { Shutdown(); }

bool AnimationMan::Init(void*, void*) {
    if (initialized) return false;
    name = names::AnimationMan;
    if (!eTable::Register(name, this)) return false;
    initialized = true;
    return true;
}

bool AnimationMan::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    byRequest.clear();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

Animation* AnimationMan::CreateAnimation(void* a, void* b) { return CreateChild<Animation>(a, b); }

bool AnimationMan::ReadInto(Animation* animation, const std::string& path) {
    AnimationFile file(animation);
    return file.Load(path, nullptr);
}

// Paths compared as files, whatever their spelling.
std::string AnimationMan::OwnFile(const std::string& name) const {
    return std::filesystem::path(AssetRoot() + kAnimationFolder + name).lexically_normal().string();
}

Animation* AnimationMan::LoadAnimation(const char* requested) {
    std::string file;
    return requested ? Load(requested, file) : nullptr;
}

Animation* AnimationMan::Load(const std::string& name, std::string& file) {
    Animation* animation = CreateAnimation();
    // Most characters have no animations of their own: the default ones are
    // then what is meant, and no file is missing. An own file that is there
    // but fails (unreadable, a loop of links) is named by the reader.
    file = OwnFile(name);
    if (plat::LookForFile(file) != plat::FileLook::Missing && ReadInto(animation, file)) return animation;
    std::size_t slash = name.find('/');
    file = OwnFile("Default/" + (slash == std::string::npos ? name : name.substr(slash + 1)));
    if (ReadInto(animation, file)) return animation;
    DeleteChild(animation);
    return nullptr;
}

Animation* AnimationMan::FindStoredName(const std::string& wanted) const {
    for (System* child : Children()) {
        if (!child || child->Name() != names::Animation) continue;
        auto* animation = static_cast<Animation*>(child);
        if (animation->name == wanted) return animation;
    }
    return nullptr;
}

Animation* AnimationMan::GetAnimation(const char* requested) {
    if (!requested) return nullptr;
    auto known = byRequest.find(requested);
    if (known != byRequest.end()) return known->second.animation;
    std::string file;
    Animation* animation = FindStoredName(requested);
    if (!animation) animation = Load(requested, file);
    if (animation) byRequest.emplace(requested, Loaded{animation, file});
    return animation;
}

void AnimationMan::FileWritten(const std::string& path) {
    const std::string written = std::filesystem::path(path).lexically_normal().string();
    // The requests it answered, and one that fell back to the default file
    // before this one was made.
    std::erase_if(byRequest, [&](const auto& entry) {
        return entry.second.file == written || OwnFile(entry.first) == written;
    });
}

Animation* AnimationMan::LoadActionAnimation(const char* characterName, std::uint32_t actionId) {
    const char* file = ActionFileName(actionId);
    if (!characterName || !file) return nullptr;
    return GetAnimation((std::string(characterName) + file).c_str());
}
