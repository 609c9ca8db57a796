#include "editor/Editor.h"

#include <algorithm>
#include <cstdio>

#include "Video/Object.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "editor/AnimationEditor.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"

namespace {
constexpr const char* kModeName = "EDIT MODE (F9 leaves)";
constexpr const char* kHintA = "Click an object to hold it, drag to move it in the view plane";
constexpr const char* kHintB = "W/S/A/D fly, Q/E up/down, F6 free look; console: AddObject, DeleteObject";
// Objects smaller than this on screen are still picked at this radius.
constexpr float kSmallestPickRadius = 0.3f;
}  // namespace

Editor::~Editor() {
    if (initialized) Shutdown();
}

bool Editor::Init(void*, void*) {
    if (initialized) return false;
    name = names::Editor;
    if (!eTable::Register(name, this)) return false;
    CreateLabels(kModeName, kHintA, kHintB);
    initialized = true;
    return true;
}

bool Editor::Shutdown() {
    // The level may have taken the held object with it.
    HeldStillExists(Objects());
    return EditorSystem::Shutdown();
}

GameObjectsMan* Editor::Objects() const {
    return static_cast<GameObjectsMan*>(eTable::Peek(names::GameObjectsMan));
}

bool Editor::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    toggleLatch = 0;
    if (!mode) return true;
    HeldStillExists(Objects());
    UpdateMouse();
    ShowHeld();
    return true;
}

void Editor::ShowHeld() {
    if (!selected) {
        SetInfo("Holding nothing");
        return;
    }
    const D3DXVECTOR3 p = selected->GetRenderPosition();
    char line[160];
    const std::uint32_t id = selected->id;
    std::snprintf(line, sizeof line, "Holding object %u (kind %u) at %.2f %.2f %.2f", id, selected->kind, double(p.x),
                  double(p.y), double(p.z));
    SetInfo(line);
}

GameObject* Editor::AddObject() {
    GameObjectsMan* objects = Objects();
    if (!objects) return nullptr;
    ObjectDesc desc;
    desc.kind = kKindNPC;
    GameObject* object = objects->CreateLevelObject(&desc);
    if (!object) return nullptr;
    object->PlaceAt(D3DXVECTOR3(0.0f, kNewObjectHeight, 0.0f));
    return object;
}

void Editor::DeleteObject() {
    GameObjectsMan* objects = Objects();
    if (!HeldStillExists(objects)) return;
    GameObject* held = selected;
    // Deleted, it has no surface to be given back.
    highlighted = false;
    selected = nullptr;
    heldFlag = 0;
    EndDrag();
    objects->DeleteObject(held);
}

void Editor::EditModeToggle() {
    if (toggleLatch || FiredByAKeyStillDown()) return;
    if (!mode)
        if (auto* other = static_cast<AnimationEditor*>(eTable::Peek(names::AnimationEditor)))
            other->LeaveAnimationMode();
    SwitchMode();
    toggleLatch = 1;
}

void Editor::LeaveEditMode() {
    if (mode) SwitchMode();
}

void Editor::SwitchMode() {
    mode = !mode;
    if (!mode) {
        HeldStillExists(Objects());
        LeaveMode();
        return;
    }
    EnterMode();
    freeLook = !freeLook;
    if (freeLook) EnableFreeLook();
    else DisableFreeLook();
}

GameObject* Editor::PickAt(const PickRay& ray) {
    GameObjectsMan* objects = Objects();
    if (!objects) return nullptr;
    GameObject* nearest = nullptr;
    float best = 0.0f;
    for (System* child : objects->Children()) {
        auto* object = static_cast<GameObject*>(child);
        // The ground and other planes would be under every click.
        if (!object || !object->renderObject || !object->IsActive() || object->kind == kKindPlane) continue;
        const float radius = std::max(object->GetScale(), kSmallestPickRadius);
        auto hit = HitSphere(ray, object->GetRenderPosition(), radius);
        if (hit && (!nearest || *hit < best)) {
            nearest = object;
            best = *hit;
        }
    }
    return nearest;
}

void Editor::DragTo(const D3DXVECTOR3& world) {
    if (!selected) return;
    selected->PlaceAt(world);
}
