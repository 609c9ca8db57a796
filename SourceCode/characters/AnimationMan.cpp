#include "characters/AnimationMan.h"

#include <filesystem>

#include "characters/Animation.h"
#include "characters/AnimationFile.h"
#include "characters/NameTables.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {
const std::string kAnimationFolder = "/Assets/Animations/";
const std::string kDefaultFolder = "/Assets/Animations/Default/";
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

Animation* AnimationMan::LoadAnimation(const char* requested) {
    if (!requested) return nullptr;
    const std::string name = requested;
    const std::string root = AssetRoot();
    Animation* animation = CreateAnimation();
    // Most characters have no animations of their own: the default ones are
    // then what is meant, and no file is missing.
    const std::string own = root + kAnimationFolder + name;
    std::error_code ec;
    if (std::filesystem::exists(own, ec) && ReadInto(animation, own)) return animation;
    std::size_t slash = name.find('/');
    std::string fileName = slash == std::string::npos ? name : name.substr(slash + 1);
    if (ReadInto(animation, root + kDefaultFolder + fileName)) return animation;
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
    if (known != byRequest.end()) return known->second;
    Animation* animation = FindStoredName(requested);
    if (!animation) animation = LoadAnimation(requested);
    if (animation) byRequest.emplace(requested, animation);
    return animation;
}

Animation* AnimationMan::LoadActionAnimation(const char* characterName, std::uint32_t actionId) {
    const char* file = ActionFileName(actionId);
    if (!characterName || !file) return nullptr;
    return GetAnimation((std::string(characterName) + file).c_str());
}
