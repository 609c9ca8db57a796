// The editable character's animation slots, key frames and timelines.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

#include "characters/Animation.h"
#include "characters/AnimationFile.h"
#include "characters/AnimationMan.h"
#include "characters/Limb.h"
#include "characters/NameTables.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/common/ErrorLog.h"
#include "platform/common/Files.h"
#include "core/Timer.h"
#include "editor/EditChar.h"
#include "editor/EditNode.h"

namespace {

std::filesystem::path AnimationFolder(const std::string& name) {
    return std::filesystem::path(AssetRoot()) / "Assets" / "Animations" / name;
}

// An animation's clock: wraps to the start when it loops, else holds at the
// end.
float Advance(float t, const Animation& animation, float dt) {
    t += dt;
    if (t > animation.aniLength) t = animation.loop ? 0.0f : animation.aniLength;
    return t;
}


// Makes room in a slot for a new animation: the one there is kept in "Tempy"
// first; false, with the slot as it was, when that cannot be written.
bool ReplaceSlot(EditChar& character, std::uint32_t slot) {
    if (!character.actionAnimations[slot]) return true;
    return character.SaveTempAnimation(slot);
}

}  // namespace

namespace {
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsNameChar(char c) { return IsLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.'; }

// The character that starts at byte i, as the author typed it: a whole
// UTF-8 sequence ('ö'), or a byte that starts none, or a control
// character, by its code (byte 0xC3).
std::string CharacterAt(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead > 0xF4 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
    bool whole = (lead >= 0x20 && lead < 0x7F) || (length > 1 && i + length <= text.size());
    for (std::size_t k = 1; whole && k < length; ++k) whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (whole) return "'" + std::string(text.substr(i, length)) + "'";
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + kHex[lead >> 4] + kHex[lead & 15];
}

// Why the name cannot be used, "" when it can.
std::string WhatIsWrongWith(std::string_view name) {
    if (name.empty()) return "it is empty";
    // A path would reach outside the asset folders.
    if (name.find('/') != std::string_view::npos || name.find('\\') != std::string_view::npos)
        return "it holds a path separator";
    if (name.find("..") != std::string_view::npos) return "it holds \"..\"";
    if (!IsLetter(name[0]) && name[0] != '_') return "it does not start with a letter or '_'";
    for (std::size_t i = 0; i < name.size(); ++i)
        if (!IsNameChar(name[i]))
            return CharacterAt(name, i) + " may not be in it (only letters, digits, '_', '-' and '.')";
    return "";
}
}  // namespace

std::string EditChar::NameProblem(const char* name) {
    const std::string_view text = name ? name : "";
    const std::string why = WhatIsWrongWith(text);
    if (why.empty()) return "";
    return "The name \"" + std::string(text) + "\" is not allowed: " + why + ".";
}

std::string EditChar::AnimationSaveNameProblem(const char* name) {
    std::string problem = NameProblem(name);
    if (problem.empty() && std::string_view(name) == kTempFolder)
        problem = std::string("The name \"") + kTempFolder +
                  "\" is not allowed: it is where the editor keeps the animations it replaces (LoadAnimation " +
                  kTempFolder + " <action> brings one back); save under another name.";
    return problem;
}

bool EditChar::IsSafeName(const char* name) { return NameProblem(name).empty(); }

void EditChar::MarkAnimationChanged() {
    if (const std::int32_t slot = CurrentSlot(); slot >= 0) changedAnimations |= 1u << slot;
}

std::string EditChar::ChangedAnimations() const {
    std::string names;
    for (std::uint32_t slot = 0; slot < kActionCount; ++slot)
        if (changedAnimations & (1u << slot)) names += (names.empty() ? "" : ", ") + std::string(ActionName(slot));
    return names;
}

std::int32_t EditChar::SlotOf(const Animation* animation) const {
    if (!animation) return -1;
    for (std::uint32_t slot = 0; slot < kActionCount; ++slot)
        if (actionAnimations[slot] == animation) return std::int32_t(slot);
    return -1;
}

std::int32_t EditChar::CurrentSlot() const { return SlotOf(currentAnimation); }

void EditChar::MakeCurrent(Animation* animation) {
    currentAnimation = animation;
    currentTime = 0.0f;
    selectedFrame = nullptr;
}

SliderBar* EditChar::OpenTimeline(std::uint32_t slot) {
    SliderBar& timeline = timelines[slot];
    if (activeTimeline && activeTimeline != &timeline) activeTimeline->Hide();
    if (!timeline.IsInitialized() && timeline.Init()) {
        timeline.y = kTimelineY;
        timeline.Layout();
    }
    activeTimeline = &timeline;
    LoadTimelineNodes();
    return activeTimeline;
}

// The timeline reads seconds: its range is the animation's length, and each
// key frame is a node at its time.
void EditChar::LoadTimelineNodes() {
    if (!activeTimeline || !currentAnimation) return;
    const float value = activeTimeline->GetValue();
    activeTimeline->SetRange(0.0f, currentAnimation->aniLength);
    for (const AnimationFrame& frame : currentAnimation->frames) activeTimeline->AddNode(frame.time, false);
    activeTimeline->SetValue(value);
    if (selectedFrame) activeTimeline->SelectNodeAt(selectedFrame->time);
}

bool EditChar::WriteAnimation(Animation& animation, const std::string& folder, std::uint32_t slot,
                              bool clean) {
    const char* fileName = ActionFileName(slot);
    if (!fileName) return false;
    const std::filesystem::path dir = AnimationFolder(folder);
    // The action's file name begins with its own '/'.
    const std::string path = dir.string() + fileName;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        const std::string why =
            plat::LookForFile(dir.string()) == plat::FileLook::Regular ? "a file has its name" : ec.message();
        plat::LogError("Error: " + dir.string() + ": cannot be made a folder (" + why + "); " + path +
                       " is not written");
        return false;
    }
    AnimationFile file(&animation, clean);
    if (!file.Save(path, nullptr)) return false;
    if (folder != kTempFolder) savedFiles.push_back("Assets/Animations/" + folder + fileName);
    // Characters made from now on play what was saved.
    if (auto* animations = static_cast<AnimationMan*>(eTable::Peek(names::AnimationMan)))
        animations->FileWritten(path);
    return true;
}

bool EditChar::KeepAnimationsInTempy() {
    for (std::uint32_t slot = 0; slot < kActionCount; ++slot)
        if (actionAnimations[slot] && !WriteAnimation(*actionAnimations[slot], kTempFolder, slot, false)) return false;
    return true;
}

bool EditChar::SaveTempAnimation(std::uint32_t slot) {
    if (slot >= kActionCount || !actionAnimations[slot]) {
        if (activeTimeline) activeTimeline->Hide();
        return false;
    }
    Animation* old = actionAnimations[slot];
    // The old animation is only dropped once it is safely on disk.
    if (!WriteAnimation(*old, kTempFolder, slot, false)) return false;
    if (currentAnimation == old) MakeCurrent(nullptr);
    if (pendingAnimation == old) pendingAnimation = nullptr;
    delete old;
    actionAnimations[slot] = nullptr;
    changedAnimations &= ~(1u << slot);
    if (activeTimeline == &timelines[slot]) activeTimeline = nullptr;
    timelines[slot].Hide();
    timelines[slot].Shutdown();
    return true;
}

// What an animation file can hold as a length.
std::string EditChar::LengthProblem(float length) {
    if (length > 0.0f && std::isfinite(length)) return {};
    return "a length is a finite number of seconds above 0.";
}

bool EditChar::CreateAnimation(std::uint32_t slot, float length, bool loop) {
    if (slot >= kActionCount || !LengthProblem(length).empty()) return false;
    if (!ReplaceSlot(*this, slot)) return false;
    auto* animation = new Animation(kNewAnimationName, slot, length, loop);
    animation->Init();
    actionAnimations[slot] = animation;
    return SetAnimation(slot);
}

bool EditChar::LoadAnimation(const char* characterName, std::uint32_t slot) {
    if (slot >= kActionCount || !IsSafeName(characterName)) return false;
    auto loaded = std::make_unique<Animation>();
    loaded->Init();
    AnimationFile file(loaded.get());
    if (!file.Load(AnimationFolder(characterName).string() + ActionFileName(slot), nullptr)) return false;
    if (!ReplaceSlot(*this, slot)) return false;
    actionAnimations[slot] = loaded.release();
    changedAnimations &= ~(1u << slot);
    return SetAnimation(slot);
}

bool EditChar::LoadAnimationSet(const char* characterName) {
    if (!IsSafeName(characterName)) return false;
    bool any = false;
    // A set holds the actions that were saved: a missing one is no fault,
    // one that is there but cannot be read is named by the reader.
    for (std::uint32_t slot = 0; slot < kActionCount; ++slot) {
        const std::string file = AnimationFolder(characterName).string() + ActionFileName(slot);
        if (plat::LookForFile(file) != plat::FileLook::Missing)
            any = LoadAnimation(characterName, slot) || any;
    }
    return any;
}

bool EditChar::SetAnimation(std::uint32_t slot) {
    if (slot >= kActionCount || !actionAnimations[slot]) return false;
    MakeCurrent(actionAnimations[slot]);
    OpenTimeline(slot);
    animationMode = 1;
    playing = 0;
    RestPose();
    return true;
}

bool EditChar::SaveAnimation(const char* name) {
    const std::int32_t slot = CurrentSlot();
    if (slot < 0 || !AnimationSaveNameProblem(name).empty()) return false;
    savedFiles.clear();
    if (!WriteAnimation(*currentAnimation, name, std::uint32_t(slot), false)) return false;
    changedAnimations &= ~(1u << slot);
    return true;
}

bool EditChar::SaveAnimationSet(const char* name) {
    if (!AnimationSaveNameProblem(name).empty()) return false;
    savedFiles.clear();
    bool ok = true;
    for (std::uint32_t slot = 0; slot < kActionCount; ++slot) {
        if (!actionAnimations[slot]) continue;
        const bool written = WriteAnimation(*actionAnimations[slot], name, slot, true);
        if (written) changedAnimations &= ~(1u << slot);
        ok = written && ok;
    }
    return ok;
}

std::string EditChar::FrameProblem(float time, bool adding) {
    if (!currentAnimation || !animationMode) return kNoAnimation;
    if (playing) return "The animation is playing: Animate stops it first.";
    if (!std::isfinite(time)) return "A key's time is a finite number of seconds.";
    char text[160];
    if (!adding) {
        if (currentAnimation->FindFrame(time)) return {};
        std::snprintf(text, sizeof text, "There is no key within %.2f s of %.2f s.", double(kFrameTolerance),
                      double(time));
        return text;
    }
    if (const AnimationFrame* near = currentAnimation->FindFrame(time)) {
        std::snprintf(text, sizeof text, "There is a key at %.2f s already: keys lie at least %.2f s apart.",
                      double(near->time), double(kFrameTolerance));
        return text;
    }
    if (time > currentAnimation->aniLength) {
        std::snprintf(text, sizeof text,
                      "%.2f s is past the animation's end, %.2f s: AnimationLength makes it longer.", double(time),
                      double(currentAnimation->aniLength));
        return text;
    }
    return {};
}

AnimationFrame* EditChar::AddFrame(float time, bool reloadTimeline) {
    if (!renderObject || !currentAnimation || !animationMode || playing) return nullptr;
    AnimationFrame* frame = currentAnimation->AddFrame(time);
    if (!frame) return nullptr;
    selectedFrame = frame;
    if (reloadTimeline) LoadTimelineNodes();
    for (System* child : Children()) {
        if (!IsLimb(child)) continue;
        auto* limb = static_cast<Limb*>(child);
        AnimationLimb* track = frame->AddLimb(static_cast<std::uint16_t>(limb->location));
        if (!track) return nullptr;
        for (std::uint32_t i = 0; i < limb->ControlPointCount(); ++i) track->AddControlPoint(std::uint16_t(i));
    }
    GoToFrame(time, false);
    return frame;
}

bool EditChar::RemoveFrame(float time, bool reloadTimeline) {
    if (!currentAnimation || !animationMode || playing) return false;
    selectedFrame = nullptr;
    RestPose();
    const bool removed = currentAnimation->RemoveFrame(time);
    if (reloadTimeline) LoadTimelineNodes();
    return removed;
}

bool EditChar::SetAnimationLength(float length) {
    if (!activeTimeline || !currentAnimation || !LengthProblem(length).empty()) return false;
    currentAnimation->SetLength(length);
    currentTime = std::min(currentTime, currentAnimation->aniLength);
    LoadTimelineNodes();
    return true;
}

void EditChar::ToggleAnimate() {
    playing = !playing;
    if (playing) {
        selectedFrame = nullptr;
        if (activeTimeline) activeTimeline->ReleaseSelection();
        RestPose();
    } else {
        GoToFrame(currentTime, true);
    }
}

bool EditChar::GoToFrame(float time, bool updateTimeline) {
    if (!currentAnimation) return false;
    AnimationFrame* frame = currentAnimation->FindFrameAtOrAfter(time);
    if (!frame) return false;
    for (EditNode* node : nodes) {
        if (!node->limb || !node->point || node->index < 0) continue;
        AnimationLimb* track = frame->FindLimb(static_cast<std::uint16_t>(node->limb->location));
        AnimationControlPoint* entry = track ? track->FindControlPoint(std::uint16_t(node->index)) : nullptr;
        if (entry) node->SetPosition(node->point->restPosition + entry->pos);
    }
    if (updateTimeline && activeTimeline) {
        selectedFrame = frame;
        activeTimeline->SelectNodeAt(frame->time);
    }
    return true;
}

void EditChar::PlayStep() {
    if (!currentAnimation) return;
    currentTime = Advance(currentTime, *currentAnimation, FrameSeconds());
    currentAnimation->Apply(this, currentTime, -1.0f);
    if (activeTimeline) activeTimeline->SetValue(currentTime);
}

void EditChar::HandleTimelineEvents(std::uint32_t events) {
    if (!animationMode || !activeTimeline || !currentAnimation || events == 0) return;
    const float value = activeTimeline->GetValue();
    if (events & kValueChanged) currentTime = value;
    if (events & kNodePicked) {
        selectedFrame = currentAnimation->FindFrame(value);
        if (selectedFrame) GoToFrame(selectedFrame->time - 0.01f, true);
    }
    if ((events & kNodeMoved) && selectedFrame) {
        selectedFrame->time = value;
        currentAnimation->SortFrames();
        MarkAnimationChanged();
    }
    // A node the animation refuses (too near a frame) leaves the timeline:
    // its nodes are the animation's frames again.
    if (events & kNodeAdded) {
        if (AddFrame(value, false)) MarkAnimationChanged();
        else LoadTimelineNodes();
    }
}
