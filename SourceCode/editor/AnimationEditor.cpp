#include "editor/AnimationEditor.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "Video/Camera.h"
#include "Video/LightMan.h"
#include "Video/Object.h"
#include "console/Console.h"
#include "characters/Animation.h"
#include "characters/Limb.h"
#include "characters/NameTables.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "editor/EditChar.h"
#include "editor/EditNode.h"
#include "editor/Editor.h"
#include "world/GameObjectsMan.h"

namespace {

constexpr const char* kModeName = "ANIMATION MODE (F10 leaves)";
constexpr const char* kHintA =
    "Click a node to select its limb, drag it to move it; timeline: right click adds a key, drag scrubs";
constexpr const char* kHintB = "W/S/A/D fly, Q/E up/down, F6 free look; console: CreateAnimation, AddFrame, "
                               "Animate, SaveAnimation, SaveCharacter";
// Nodes drawn smaller than this are still picked at this radius.
constexpr float kSmallestNodeRadius = 0.12f;
// A body is lit by its brightest light alone: a white light a few units
// away outshines the game's lamp on the character, while the player and
// the level further off keep theirs (the light fades out at its range).
constexpr float kHeadlampColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr float kHeadlampRange = 60.0f;
constexpr float kHeadlampAttenuation[3] = {1.0f, 0.0f, 0.0f};

const char* LocationName(std::uint32_t location) {
    return location < limbloc::Count ? limbloc::kNames[location] : "other";
}

}  // namespace

AnimationEditor::~AnimationEditor() {
    if (initialized) Shutdown();
}

bool AnimationEditor::Init(void*, void*) {
    if (initialized) return false;
    name = names::AnimationEditor;
    if (!eTable::Register(name, this)) return false;
    CreateLabels(kModeName, kHintA, kHintB);
    editorObjects = new GameObjectsMan();
    AddChild(editorObjects);
    initialized = true;
    return true;
}

bool AnimationEditor::Shutdown() {
    if (!initialized) return false;
    LetGo();
    RemoveHeadlamp();
    editChar = nullptr;
    editorObjects = nullptr;
    return EditorSystem::Shutdown();
}

bool AnimationEditor::Update() {
    if (!initialized || !active) return false;
    toggleLatch = 0;
    if (!mode) return true;
    // The character first: its timeline takes the presses on it.
    UpdateChildren();
    HeldStillExists(editorObjects);
    UpdateMouse();
    if (!dragging) noKeyToDrag.clear();
    PlaceHeadlamp();
    ShowState();
    return true;
}

EditNode* AnimationEditor::SelectedNode() const {
    return selected && selected->kind == kKindEditNode ? static_cast<EditNode*>(selected) : nullptr;
}

void AnimationEditor::AnimationModeToggle() {
    if (toggleLatch || FiredByAKeyStillDown()) return;
    if (!mode)
        if (auto* other = static_cast<Editor*>(eTable::Peek(names::Editor))) other->LeaveEditMode();
    SwitchMode();
    toggleLatch = 1;
}

void AnimationEditor::LeaveAnimationMode() {
    if (mode) SwitchMode();
}

void AnimationEditor::SwitchMode() {
    mode = !mode;
    if (!mode) {
        SayWhatIsDropped();
        HeldStillExists(editorObjects);
        DeselectObject();
        LeaveMode();
        RemoveHeadlamp();
        // The character and its nodes go with the manager.
        if (editorObjects) editorObjects->Shutdown();
        editChar = nullptr;
        return;
    }
    EnterMode();
    CreateEditChar();
    PlaceHeadlamp();
    freeLook = !freeLook;
    if (freeLook) EnableFreeLook();
    else DisableFreeLook();
}

// The character goes with the mode: edits no save wrote are lost, and the
// author is told which.
void AnimationEditor::SayWhatIsDropped() const {
    if (!editChar) return;
    std::string dropped;
    if (editChar->CharacterChanged()) dropped = "the character's unsaved changes (SaveCharacter keeps them)";
    if (const std::string actions = editChar->ChangedAnimations(); !actions.empty())
        dropped += (dropped.empty() ? "" : " and ") + std::string("the unsaved changes to the ") + actions +
                   " animation" + (actions.find(',') != std::string::npos ? "s" : "") + " (SaveAnimation keeps them)";
    if (dropped.empty()) return;
    if (auto* console = static_cast<Console*>(eTable::Peek(names::Console)))
        console->Print("Left animation mode: dropped " + dropped + ".", Console::kYellow, true);
}

void AnimationEditor::CameraControlToggle() {
    if (!mode) return;
    freeLook = !freeLook;
    if (freeLook) EnableFreeLook();
    else DisableFreeLook();
}

void AnimationEditor::CreateEditChar() {
    if (!editorObjects) return;
    if (!editorObjects->IsInitialized()) editorObjects->Init(const_cast<char*>(names::EditorObjects));
    ObjectDesc desc;
    desc.kind = kKindEditChar;
    editChar = static_cast<EditChar*>(editorObjects->CreateObject(&desc));
    if (!editChar) return;
    D3DXVECTOR3 place(0.0f, 0.0f, 0.0f);
    if (auto* camera = static_cast<Camera*>(eTable::Peek(names::Camera)))
        place = camera->eye + ViewDirection() * kCharacterDistance;
    editChar->SetRenderPosition(&place);
}

// Made when missing: at the mode's start, and after the editor loaded a
// character file with a light (such a file clears every light).
void AnimationEditor::PlaceHeadlamp() {
    auto* lights = static_cast<LightMan*>(eTable::Peek(names::LightMan));
    auto* camera = static_cast<Camera*>(eTable::Peek(names::Camera));
    if (!lights || !camera) return;
    const float at[3] = {camera->eye.x, camera->eye.y, camera->eye.z};
    if (Light* light = headlamp ? lights->FindLight(*headlamp) : nullptr)
        std::copy(at, at + 3, light->position);
    else
        headlamp = lights->AddPointLight(kHeadlampColour, at, kHeadlampRange, kHeadlampAttenuation);
}

void AnimationEditor::RemoveHeadlamp() {
    if (!headlamp) return;
    if (auto* lights = static_cast<LightMan*>(eTable::Peek(names::LightMan))) lights->RemoveLight(*headlamp);
    headlamp.reset();
}

void AnimationEditor::DeselectObject() {
    if (SelectedNode() && editChar) editChar->SelectLimb(limbloc::Unset);
    LetGo();
}

void AnimationEditor::Select(GameObject* object) {
    // The character's body keeps its own colours: its surface is what the
    // surface commands edit and what a save writes.
    Hold(object, object && object->kind == kKindEditNode);
    if (EditNode* node = SelectedNode(); node && editChar && node->limb) editChar->SelectLimb(node->limb->location);
}

GameObject* AnimationEditor::PickAt(const PickRay& ray) {
    if (!editChar) return nullptr;
    GameObject* nearest = nullptr;
    float best = 0.0f;
    for (EditNode* node : editChar->nodes) {
        Object* sphere = node->renderObject;
        if (!sphere || !node->IsActive() || !sphere->IsActive()) continue;
        const float radius = std::max(sphere->GetScale().x, kSmallestNodeRadius);
        auto hit = HitSphere(ray, sphere->GetPosition(), radius);
        if (hit && (!nearest || *hit < best)) {
            nearest = node;
            best = *hit;
        }
    }
    // The nodes sit on and around the body: they come first.
    if (nearest || !editChar->renderObject) return nearest;
    return HitSphere(ray, editChar->GetRenderPosition(), editChar->GetScale()) ? editChar : nullptr;
}

void AnimationEditor::DragTo(const D3DXVECTOR3& world) {
    if (!editChar || !selected) return;
    EditNode* node = SelectedNode();
    if (!node) {
        editChar->SetRenderPosition(&world);
        return;
    }
    // In animation mode a move is a key of the selected frame; without one
    // there is nothing to record it in.
    if (editChar->animationMode && !editChar->selectedFrame) {
        SayNoKeyToDrag();
        return;
    }
    node->SetPosition(editChar->WorldToBody(world));
    if (editChar->animationMode) editChar->MarkAnimationChanged();
    else editChar->MarkCharacterChanged();
}

void AnimationEditor::SayNoKeyToDrag() {
    if (!noKeyToDrag.empty()) return;
    char time[32];
    std::snprintf(time, sizeof time, "%.2f", double(editChar->currentTime));
    noKeyToDrag = std::string("No key at ") + time + " s: the drag moves nothing. Pick a key on the timeline, " +
                  "or add one here (right click the timeline, or AddFrame " + time + ").";
    if (auto* console = static_cast<Console*>(eTable::Peek(names::Console)))
        console->Print(noKeyToDrag, Console::kYellow, true);
}

void AnimationEditor::ShowState() {
    if (!editChar) return;
    std::string line;
    if (editChar->selectedLimb) line += std::string("Limb ") + LocationName(editChar->selectedLimb->location);
    if (EditNode* node = SelectedNode()) line += " point " + std::to_string(node->index);
    char part[96];
    const std::int32_t slot = editChar->CurrentSlot();
    if (slot >= 0 && editChar->currentAnimation) {
        std::snprintf(part, sizeof part, "%sAnimation %s %.2f s at %.2f", line.empty() ? "" : " | ",
                      ActionName(std::uint32_t(slot)), double(editChar->currentAnimation->aniLength), double(editChar->currentTime));
        line += part;
        if (editChar->selectedFrame) {
            std::snprintf(part, sizeof part, ", key %.2f", double(editChar->selectedFrame->time));
            line += part;
        }
        if (editChar->playing) line += ", playing";
        if (!noKeyToDrag.empty()) line += " | " + noKeyToDrag;
    } else if (line.empty()) {
        line = "No limb selected (AddLimb Line LArm), no animation (CreateAnimation Walk 1 1)";
    }
    SetInfo(line);
}
