#include "Video/Object.h"

#include <algorithm>
#include <cmath>

#include "Video/Effects/Material.h"
#include "Video/Effects/MaterialMan.h"
#include "Video/MatrixMan.h"
#include "Video/MeshMan.h"
#include "Video/ObjectDesc.h"
#include "Video/Scene.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

D3DXVECTOR3 Object::Move(float x, float y, float z) { return AddAndMarkDirty(&position, x, y, z); }

D3DXVECTOR3 Object::AddAndMarkDirty(D3DXVECTOR3* v, float x, float y, float z) {
    v->x += x;
    v->y += y;
    v->z += z;
    MarkDirty();
    return *v;
}

void Object::SetAndMarkDirty(D3DXVECTOR3* v, float x, float y, float z) {
    *v = D3DXVECTOR3(x, y, z);
    MarkDirty();
}

D3DXVECTOR3 Object::Move(const D3DXVECTOR3& v) { return Move(v.x, v.y, v.z); }

void Object::SetPosition(float x, float y, float z) { SetAndMarkDirty(&position, x, y, z); }

void Object::SetPosition(const D3DXVECTOR3& v) { SetPosition(v.x, v.y, v.z); }

D3DXQUATERNION Object::RotateAxis(const D3DXVECTOR3* axis, float angle) {
    D3DXQUATERNION q;
    D3DXQuaternionRotationAxis(&q, axis, angle);
    return Rotate(&q);
}

D3DXQUATERNION Object::RotateYawPitchRoll(float x, float y, float z) {
    D3DXQUATERNION q;
    D3DXQuaternionRotationYawPitchRoll(&q, y, x, z);
    return Rotate(&q);
}

D3DXQUATERNION Object::Rotate(const D3DXQUATERNION* q) {
    D3DXQuaternionMultiply(&rotation, &rotation, q);
    D3DXQuaternionNormalize(&rotation, &rotation);
    MarkDirty();
    return rotation;
}

const D3DXQUATERNION* Object::SetRotationAxis(const D3DXVECTOR3* axis, float angle) {
    D3DXQuaternionRotationAxis(&rotation, axis, angle);
    MarkDirty();
    return &rotation;
}

const D3DXQUATERNION* Object::SetRotationYawPitchRoll(float x, float y, float z) {
    D3DXQuaternionRotationYawPitchRoll(&rotation, y, x, z);
    MarkDirty();
    return &rotation;
}

void Object::SetRotation(const D3DXQUATERNION* q) {
    rotation = *q;
    MarkDirty();
}

void Object::SetDirection(const D3DXVECTOR3* d) {
    const float length = D3DXVec3Length(d);
    if (!(length > 0.0f)) return;  // zero or NaN: no direction to turn to
    const float y = std::clamp(d->y / length, -1.0f, 1.0f);
    D3DXVECTOR3 axis(d->z, 0.0f, -d->x);
    // Along the Y axis the turning axis vanishes: +Y needs no turn, -Y a
    // half turn, about X as any axis in the XZ plane would do.
    if (D3DXVec3LengthSq(&axis) <= 1e-12f * length * length) axis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    D3DXQuaternionRotationAxis(&rotation, &axis, std::acos(y));
    MarkDirty();
}

D3DXVECTOR3 Object::Scale(float x, float y, float z) { return AddAndMarkDirty(&scale, x, y, z); }

D3DXVECTOR3 Object::Scale(const D3DXVECTOR3& v) { return Scale(v.x, v.y, v.z); }

void Object::SetScale(float x, float y, float z) { SetAndMarkDirty(&scale, x, y, z); }

void Object::SetScale(const D3DXVECTOR3& v) { SetScale(v.x, v.y, v.z); }

float Object::SetFactor(float f) { return factor = f; }

void Object::SetCulled(bool culled) {
    if (culled)
        flags |= kCulled;
    else
        flags &= static_cast<std::uint8_t>(~kCulled);
}

void Object::SetWorldMatrix(D3DXMATRIX* m) {
    ReleasePoolMatrix();
    flags |= kExternalWorld;
    world = m;
}

D3DXMATRIX Object::UpdateWorldMatrix() {
    D3DXMATRIX result;
    D3DXMatrixRotationQuaternion(&result, &rotation);
    const float rowScale[3] = {scale.x, scale.y, scale.z};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) result.m[row][col] *= rowScale[row];
    result._41 = position.x;
    result._42 = position.y;
    result._43 = position.z;
    flags &= static_cast<std::uint8_t>(~kDirty);
    if (world) *world = result;
    return result;
}

const D3DXMATRIX* Object::CurrentWorld() {
    if ((flags & kExternalWorld) == 0 && (!world || (flags & kDirty))) UpdateWorldMatrix();
    return world;
}

bool Object::SetTextureSlot(const char* file, std::uint32_t semantic, std::int32_t slot, std::uint32_t type) {
    TextureSlotArray* slots = TextureSlots();
    return slots && slots->Set(file, semantic, slot, type);
}

bool Object::ReplaceTextureSlot(const char* file, std::uint32_t semantic, std::int32_t slot, std::uint32_t type) {
    return SetTextureSlot(file, semantic, slot, type);
}

bool Object::ShareTextureSlot(const TextureSlot* source, std::int32_t slot) {
    TextureSlotArray* slots = TextureSlots();
    return slots && slots->Share(source, slot);
}

bool Object::SetMaterial(Scene* scene, std::uint32_t kind, std::uint32_t) {
    if (!material) return false;
    auto* materials = static_cast<MaterialMan*>(eTable::Peek(names::MaterialMan));
    if (!materials) return false;
    const std::uint32_t oldKind = material->kind;
    const std::uint8_t oldFlags = flags;
    materials->Release(material);
    material = materials->GetMaterial(static_cast<std::int32_t>(kind), nullptr);
    return scene && scene->RegroupObject(this, oldKind, oldFlags);
}

std::uint32_t Object::MaterialKind() const { return material ? material->kind : 0; }

D3DXMATRIX* Object::AcquireMatrix() {
    auto* pool = static_cast<MatrixMan*>(eTable::Peek(names::MatrixMan));
    if (!pool) return nullptr;
    const D3DXMATRIX identity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return pool->AllocMatrix(&identity, nullptr);
}

Mesh* Object::LoadMesh(const char* file) {
    auto* meshes = static_cast<MeshMan*>(eTable::Peek(names::MeshMan));
    if (!meshes || !file) return nullptr;
    return meshes->LoadMesh(file, 0, D3DXMESH_MANAGED);
}

void Object::ReleaseMesh() {
    if (!mesh) return;
    if (auto* meshes = static_cast<MeshMan*>(eTable::Peek(names::MeshMan))) meshes->Release(mesh);
    mesh = nullptr;
}

Material* Object::AcquireMaterial(std::uint32_t kind) {
    auto* materials = static_cast<MaterialMan*>(eTable::Peek(names::MaterialMan));
    return materials ? materials->GetMaterial(static_cast<std::int32_t>(kind), nullptr) : nullptr;
}

void Object::ReleaseResources() {
    if (material) {
        if (auto* materials = static_cast<MaterialMan*>(eTable::Peek(names::MaterialMan)))
            materials->Release(material);
        material = nullptr;
    }
    ReleaseMesh();
    ReleasePoolMatrix();
}

void Object::ReleasePoolMatrix() {
    if (!world || (flags & kExternalWorld)) return;
    if (auto* pool = static_cast<MatrixMan*>(eTable::Peek(names::MatrixMan))) pool->ReleaseMatrix(world);
    world = nullptr;
}

bool Object::ShutdownDrawable() {
    if (!initialized) return false;
    DestroyChildren();
    ReleaseResources();
    if (TextureSlotArray* slots = TextureSlots()) slots->Release();
    initialized = false;
    return true;
}

void Object::TakeFlagsAndWorld(std::uint32_t descFlags) {
    flags = static_cast<std::uint8_t>(descFlags | kDirty);
    if (!(flags & kExternalWorld)) world = AcquireMatrix();
}
