#include "editor/EditNode.h"

#include <algorithm>

#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "characters/Limb.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "editor/EditChar.h"

namespace {
Scene* MainScene() { return static_cast<Scene*>(eTable::Peek(names::MainScene)); }
}  // namespace

EditNode::~EditNode() { Shutdown(); }

bool EditNode::Init(void* a, void*) {
    if (initialized) return false;
    const auto* desc = static_cast<const ObjectDesc*>(a);
    if (!desc || desc->kind != kKindEditNode) return false;
    const auto* nodeDesc = static_cast<const EditNodeDesc*>(desc);
    GameObject::Init(nullptr, nullptr);
    name = names::EditNode;
    kind = kKindEditNode;
    limb = nodeDesc->limb;
    owner = nodeDesc->owner;
    point = nodeDesc->point;
    index = nodeDesc->index;
    if (Scene* scene = MainScene()) {
        const MeshObjectDesc sphere(0, kSphereMesh, kSphereMaterial, SurfaceData(), 0);
        renderObject = scene->CreateMeshObject(&sphere);
    }
    initialized = true;
    return true;
}

bool EditNode::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    if (renderObject)
        if (Scene* scene = MainScene()) scene->RemoveObject(renderObject, false);
    renderObject = nullptr;
    limb = nullptr;
    owner = nullptr;
    point = nullptr;
    initialized = false;
    return true;
}

void EditNode::PlaceSphere() {
    if (!Ready()) return;
    D3DXVECTOR3 world = point->position;
    if (owner) world = owner->BodyToWorld(point->position);
    SetRenderPosition(&world);
}

void EditNode::SetPosition(const D3DXVECTOR3& position) {
    if (!Ready()) return;
    point->position = position;
    // A pose drawn at its target would hide the move.
    point->targetPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    if (!owner || !owner->animationMode) point->restPosition = position;
    PlaceSphere();
    limb->Rebuild();
}

void EditNode::SetWidth(float width) {
    if (!Ready()) return;
    if (limb->kind == Limb::kModel && !point->model) return;
    const float sphere = width * kSphereScalePerWidth;
    renderObject->SetScale(sphere, sphere, sphere);
    const float kept = std::max(width, 0.0f);
    if (limb->kind == Limb::kModel) point->model->SetScale(kept, kept, kept);
    else point->width = kept;
    limb->Rebuild();
}

void EditNode::SetConstraint(float, float value) {
    if (!Ready()) return;
    if (limb->kind == Limb::kSpline) point->tension = std::max(value, 0.0f);
    limb->Rebuild();
}
