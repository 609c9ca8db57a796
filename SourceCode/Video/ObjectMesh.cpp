#include "Video/ObjectMesh.h"

#include <cstring>

#include "Video/Effects/EffectParams.h"
#include "Video/Effects/Material.h"
#include "Video/Mesh.h"
#include "Video/MeshMan.h"
#include "Video/ShadowQueue.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

ObjectMesh::~ObjectMesh() {
    if (initialized) ObjectMesh::Shutdown();
}

bool ObjectMesh::Init(void* a, void*) {
    if (initialized) return false;
    const auto* desc = static_cast<const MeshObjectDesc*>(a);
    if (!desc) return false;
    name = names::ObjectMesh;
    TakeFlagsAndWorld(desc->flags);
    mesh = LoadMesh(desc->meshFile);
    BuildShadowVolumeIfCasting();
    material = AcquireMaterial(desc->materialKind);
    slots.Alloc(desc->textureSlotCount);
    surface = desc->surface;
    initialized = true;
    return true;
}

void ObjectMesh::BuildShadowVolumeIfCasting() {
    if ((flags & kCastsShadow) && mesh && mesh->mesh && !mesh->shadowMesh) mesh->BuildShadowVolume();
}

bool ObjectMesh::Shutdown() { return ShutdownDrawable(); }

bool ObjectMesh::ChangeMesh(const char* meshFile) {
    ReleaseMesh();
    mesh = LoadMesh(meshFile);
    BuildShadowVolumeIfCasting();
    return mesh != nullptr;
}

bool ObjectMesh::ChangeMeshIfReadable(const char* meshFile) {
    auto* meshes = static_cast<MeshMan*>(eTable::Peek(names::MeshMan));
    Mesh* next = meshes && meshFile ? meshes->LoadMeshIfReadable(meshFile, 0, D3DXMESH_MANAGED) : nullptr;
    if (!next) return false;
    ReleaseMesh();
    mesh = next;
    BuildShadowVolumeIfCasting();
    return true;
}

void ObjectMesh::SetCustomData(const float* values) {
    if (values) std::memcpy(customData, values, sizeof customData);
}

float* ObjectMesh::GetCustomData(float* out) const {
    if (out) std::memcpy(out, customData, sizeof customData);
    return out;
}

namespace {
RenderQueue* ShadowQueueOfScene() {
    auto* buffers = static_cast<BufferMan*>(eTable::Peek(names::BufferMan));
    return buffers ? buffers->queue : nullptr;
}
}  // namespace

bool ObjectMesh::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    D3DXMATRIX* drawWorld = const_cast<D3DXMATRIX*>(CurrentWorld());
    D3DXMATRIX local;
    if (!drawWorld) {  // no pool: draw with the matrix built for this frame
        local = UpdateWorldMatrix();
        drawWorld = &local;
    }
    if (!mesh || !material) return true;

    slots.Bind(mesh);
    EffectParams::SetVector(sem::CustomData0, customData);
    const float scaleValues[3] = {scale.x, scale.y, scale.z};
    PublishSurface(surface, scaleValues);
    if (callbackContext && preDraw) preDraw(callbackContext);

    ShadowItem* item = (flags & kCastsShadow) ? new ShadowItem : nullptr;
    const std::int32_t result = material->Render(mesh, drawWorld, item);
    SetCulled(result == Material::kCulled);
    if (item) {
        RenderQueue* queue = item->lightCount > 0 ? ShadowQueueOfScene() : nullptr;
        if (queue) {
            item->owner = this;
            queue->Push(item);
        } else {
            delete item;
        }
    }
    return true;
}
