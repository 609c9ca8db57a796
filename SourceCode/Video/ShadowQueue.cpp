#include "Video/ShadowQueue.h"

#include "Video/Effects/EffectParams.h"
#include "Video/Effects/Material.h"
#include "Video/Effects/MaterialMan.h"
#include "Video/Mesh.h"
#include "Video/MeshMan.h"
#include "Video/Object.h"
#include "Video/ObjectDesc.h"
#include "Video/Scene.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {
constexpr std::uint32_t kShadowKind = 7;
constexpr std::uint32_t kShadowProjectionKind = 8;
constexpr char kPlaneMesh[] = "plane.x";
}  // namespace

// ---- RenderQueue ----

RenderQueue::~RenderQueue() { RenderQueue::Clear(); }

bool RenderQueue::Init(void*, void*) {
    if (initialized) return false;
    initialized = true;
    return true;
}

bool RenderQueue::Shutdown() {
    if (!initialized) return false;
    auto* materials = static_cast<MaterialMan*>(eTable::Peek(names::MaterialMan));
    for (Material** m : {&materialA, &materialB}) {
        if (*m && materials) materials->Release(*m);
        *m = nullptr;
    }
    if (mesh) {
        if (auto* meshes = static_cast<MeshMan*>(eTable::Peek(names::MeshMan))) meshes->Release(mesh);
        mesh = nullptr;
    }
    Clear();
    initialized = false;
    return true;
}

void RenderQueue::Clear() {
    for (ShadowItem* item : items) delete item;
    items.clear();
    active = false;
}

bool RenderQueue::Push(ShadowItem* item) {
    items.push_back(item);
    active = true;
    return true;
}

// ---- ShadowQueue ----

ShadowQueue::~ShadowQueue() {
    if (initialized) ShadowQueue::Shutdown();
}

bool ShadowQueue::Init(void*, void*) {
    if (initialized) return false;
    // The plane belongs to the scene, which draws it like any object.
    if (auto* scene = static_cast<Scene*>(eTable::Peek(names::MainScene))) {
        const MeshObjectDesc plane(0, kPlaneMesh, kShadowProjectionKind, SurfaceData(), 1);
        scene->CreateMeshObject(&plane);
    }
    if (auto* materials = static_cast<MaterialMan*>(eTable::Peek(names::MaterialMan))) {
        materialA = materials->GetMaterial(kShadowKind, nullptr);
        materialB = materials->GetMaterial(kShadowProjectionKind, nullptr);
    }
    if (auto* meshes = static_cast<MeshMan*>(eTable::Peek(names::MeshMan)))
        mesh = meshes->LoadMesh(kPlaneMesh, 0, D3DXMESH_MANAGED);
    active = false;
    initialized = true;
    return true;
}

bool ShadowQueue::Shutdown() { return RenderQueue::Shutdown(); }

bool ShadowQueue::Update() {
    if (!initialized || !active) return false;
    if (!materialA) {
        Clear();  // never let items pile up
        return false;
    }
    for (ShadowItem* item : items) {
        Mesh* casterMesh = item->owner ? item->owner->GetMesh() : nullptr;
        // A caster whose shadow volume could not be built has nothing to draw.
        if (casterMesh && casterMesh->shadowMesh)
            materialA->Render(casterMesh, &item->worldViewProjection, item);
    }
    Clear();  // deletes the drawn items
    EffectParams::SetVector(sem::DiffuseColor, colour);
    if (materialB) materialB->Render(mesh, nullptr, nullptr);
    return true;
}

// ---- BufferMan ----

BufferMan::~BufferMan() {
    if (initialized) BufferMan::Shutdown();
}

bool BufferMan::Init(void*, void*) {
    if (initialized) return false;
    name = names::BufferMan;
    eTable::Register(name, this);
    queue = CreateChild<ShadowQueue>();
    initialized = true;
    return true;
}

bool BufferMan::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    queue = nullptr;
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}
