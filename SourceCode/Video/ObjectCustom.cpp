#include <algorithm>
#include <cstring>
#include <vector>

#include "Video/Effects/EffectParams.h"
#include "Video/Effects/Material.h"
#include "Video/Mesh.h"
#include "Video/MeshMan.h"
#include "Video/ObjectMesh.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {
// The layout of the component bits, in the order the components are packed.
std::vector<D3DVERTEXELEMENT9> ElementsOf(std::uint32_t components, std::uint32_t* stride) {
    std::vector<D3DVERTEXELEMENT9> elements;
    WORD offset = 0;
    auto add = [&](BYTE type, BYTE usage, WORD size) {
        elements.push_back({0, offset, type, D3DDECLMETHOD_DEFAULT, usage, 0});
        offset = static_cast<WORD>(offset + size);
    };
    if (components & CustomVertex::kPretransformed)
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 16);
    else
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 12);
    if (components & CustomVertex::kNormal) add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 12);
    if (components & CustomVertex::kTangent) add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_TANGENT, 12);
    if (components & CustomVertex::kColour) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 4);
    if (components & CustomVertex::kTexCoord) add(D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 8);
    elements.push_back(D3DDECL_END());
    *stride = offset;
    return elements;
}

MeshMan* Meshes() { return static_cast<MeshMan*>(eTable::Peek(names::MeshMan)); }

// Every custom object gets a mesh of its own: trampolines all pass the same
// (empty) name, and a shared mesh would let a larger sheet write past a
// smaller one's buffers.
std::string PrivateMeshName(const char* label) {
    static std::uint64_t serial = 0;
    return std::string(label ? label : "") + "#custom" + std::to_string(++serial);
}

template <class T>
void Put(std::uint8_t*& out, const T& value) {
    std::memcpy(out, &value, sizeof value);
    out += sizeof value;
}
template <class T>
void Take(const std::uint8_t*& in, T& value) {
    std::memcpy(&value, in, sizeof value);
    in += sizeof value;
}
}  // namespace

ObjectCustom::~ObjectCustom() {
    if (initialized) ObjectCustom::Shutdown();
    ReleaseAll();
}

std::uint32_t ObjectCustom::CreateVertexDeclaration(IDirect3DDevice9* device) {
    if (declaration) declaration->Release();
    declaration = nullptr;
    std::uint32_t size = 0;
    const std::vector<D3DVERTEXELEMENT9> elements = ElementsOf(vertexComponents, &size);
    if (!device || FAILED(device->CreateVertexDeclaration(elements.data(), &declaration)) || !declaration) {
        declaration = nullptr;
        return 0;
    }
    return size;
}

bool ObjectCustom::Init(void* a, void*) {
    if (initialized) return false;
    const auto* desc = static_cast<const CustomObjectDesc*>(a);
    if (!desc) return false;
    name = names::ObjectCustom;
    vertexCount = std::max<std::uint32_t>(desc->vertexCount, 3);
    indexCount = std::max<std::uint32_t>(desc->indexCount, 3);
    reserved = desc->reserved;
    vertexComponents = desc->vertexComponents;
    TakeFlagsAndWorld(desc->flags);
    material = AcquireMaterial(desc->materialKind);

    stride = CreateVertexDeclaration(RunningDevice());
    MeshMan* meshes = Meshes();
    if (stride != 0 && meshes) {
        std::uint32_t ignored = 0;
        const std::vector<D3DVERTEXELEMENT9> elements = ElementsOf(vertexComponents, &ignored);
        meshKey = PrivateMeshName(desc->meshName);
        mesh = meshes->CreateMesh(meshKey.c_str(), indexCount / 3, vertexCount, 0, elements.data(),
                                  desc->meshOptions);
        if (mesh && !mesh->mesh) ReleaseMesh();  // an empty record: the mesh was refused
    }
    if (!mesh) {
        // Give back what was taken, so a failed object holds nothing.
        ReleaseAll();
        return false;
    }
    slots.Alloc(desc->textureSlotCount);
    if (desc->vertices) SetVertices(desc->vertices, 0, 0);
    if (desc->indices) SetIndices(desc->indices, 0, 0);
    initialized = true;
    return true;
}

void ObjectCustom::ReleaseAll() {
    slots.Release();
    ReleaseResources();
    if (declaration) declaration->Release();
    declaration = nullptr;
}

bool ObjectCustom::Shutdown() {
    if (!initialized) return false;
    ReleaseAll();
    DestroyChildren();
    initialized = false;
    return true;
}

std::uint32_t ObjectCustom::VertexCount() const { return mesh && mesh->mesh ? mesh->mesh->GetNumVertices() : 0; }
std::uint32_t ObjectCustom::IndexCount() const { return mesh && mesh->mesh ? mesh->mesh->GetNumFaces() * 3 : 0; }

bool ObjectCustom::Range(std::uint32_t start, std::uint32_t count, std::uint32_t size, std::uint32_t* first,
                         std::uint32_t* number) {
    const std::uint64_t end = std::uint64_t(start) + count;
    if (end == 0) {
        *first = 0;
        *number = size;
        return true;
    }
    if (end > size) return false;
    *first = start;
    *number = count;
    return true;
}

void ObjectCustom::PackVertex(const CustomVertex& v, std::uint8_t* out) const {
    Put(out, v.x);
    Put(out, v.y);
    Put(out, v.z);
    if (vertexComponents & CustomVertex::kPretransformed) Put(out, v.rhw);
    if (vertexComponents & CustomVertex::kNormal) {
        Put(out, v.nx);
        Put(out, v.ny);
        Put(out, v.nz);
    }
    if (vertexComponents & CustomVertex::kTangent) {
        Put(out, v.tx);
        Put(out, v.ty);
        Put(out, v.tz);
    }
    if (vertexComponents & CustomVertex::kColour) Put(out, v.colour);
    if (vertexComponents & CustomVertex::kTexCoord) {
        Put(out, v.u);
        Put(out, v.v);
    }
}

void ObjectCustom::UnpackVertex(const std::uint8_t* in, CustomVertex* v) const {
    Take(in, v->x);
    Take(in, v->y);
    Take(in, v->z);
    if (vertexComponents & CustomVertex::kPretransformed) Take(in, v->rhw);
    if (vertexComponents & CustomVertex::kNormal) {
        Take(in, v->nx);
        Take(in, v->ny);
        Take(in, v->nz);
    }
    if (vertexComponents & CustomVertex::kTangent) {
        Take(in, v->tx);
        Take(in, v->ty);
        Take(in, v->tz);
    }
    if (vertexComponents & CustomVertex::kColour) Take(in, v->colour);
    if (vertexComponents & CustomVertex::kTexCoord) {
        Take(in, v->u);
        Take(in, v->v);
    }
}

bool ObjectCustom::SetVertices(const CustomVertex* src, std::uint32_t start, std::uint32_t count) {
    std::uint32_t first = 0, number = 0;
    if (!mesh || !mesh->mesh || !src || !Range(start, count, VertexCount(), &first, &number)) return false;
    void* data = nullptr;
    if (FAILED(mesh->mesh->LockVertexBuffer(D3DLOCK_DISCARD, &data))) return false;
    auto* bytes = static_cast<std::uint8_t*>(data);
    for (std::uint32_t i = 0; i < number; ++i) PackVertex(src[i], bytes + std::size_t(first + i) * stride);
    mesh->mesh->UnlockVertexBuffer();
    mesh->ComputeBounds();
    return true;
}

bool ObjectCustom::SetRawVertices(const std::uint8_t* src, std::uint32_t start, std::uint32_t count) {
    std::uint32_t first = 0, number = 0;
    if (!mesh || !mesh->mesh || !src || !Range(start, count, VertexCount(), &first, &number)) return false;
    void* data = nullptr;
    if (FAILED(mesh->mesh->LockVertexBuffer(D3DLOCK_NOOVERWRITE, &data))) return false;
    std::memcpy(static_cast<std::uint8_t*>(data) + std::size_t(first) * stride, src, std::size_t(number) * stride);
    mesh->mesh->UnlockVertexBuffer();
    mesh->ComputeBounds();
    return true;
}

bool ObjectCustom::GetVertices(CustomVertex* dst, std::uint32_t start, std::uint32_t count) {
    std::uint32_t first = 0, number = 0;
    if (!mesh || !mesh->mesh || !dst || !Range(start, count, VertexCount(), &first, &number)) return false;
    void* data = nullptr;
    if (FAILED(mesh->mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::uint32_t i = 0; i < number; ++i) UnpackVertex(bytes + std::size_t(first + i) * stride, &dst[i]);
    mesh->mesh->UnlockVertexBuffer();
    return true;
}

bool ObjectCustom::SetIndices(const std::uint16_t* src, std::uint32_t start, std::uint32_t count) {
    std::uint32_t first = 0, number = 0;
    if (!mesh || !mesh->mesh || !src || !Range(start, count, IndexCount(), &first, &number)) return false;
    void* data = nullptr;
    if (FAILED(mesh->mesh->LockIndexBuffer(D3DLOCK_NOOVERWRITE, &data))) return false;
    std::memcpy(static_cast<std::uint16_t*>(data) + first, src, std::size_t(number) * sizeof(std::uint16_t));
    mesh->mesh->UnlockIndexBuffer();
    return true;
}

bool ObjectCustom::GetIndices(std::uint16_t* dst, std::uint32_t start, std::uint32_t count) {
    std::uint32_t first = 0, number = 0;
    if (!mesh || !mesh->mesh || !dst || !Range(start, count, IndexCount(), &first, &number)) return false;
    void* data = nullptr;
    if (FAILED(mesh->mesh->LockIndexBuffer(D3DLOCK_READONLY, &data))) return false;
    std::memcpy(dst, static_cast<const std::uint16_t*>(data) + first, std::size_t(number) * sizeof(std::uint16_t));
    mesh->mesh->UnlockIndexBuffer();
    return true;
}

bool ObjectCustom::SetTextureSlot(const char* file, std::uint32_t semantic, std::int32_t slot) {
    return slots.Set(file, semantic, slot, 0);
}

bool ObjectCustom::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    D3DXMATRIX* drawWorld = const_cast<D3DXMATRIX*>(CurrentWorld());
    D3DXMATRIX local;
    if (!drawWorld) {
        local = UpdateWorldMatrix();
        drawWorld = &local;
    }
    if (!mesh || !material) return true;
    slots.Bind(mesh);
    // All of a mesh object's values, not only the colours: culling and
    // lighting would otherwise read the previous object's.
    const float noCustomData[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    EffectParams::SetVector(sem::CustomData0, noCustomData);
    const float scaleValues[3] = {scale.x, scale.y, scale.z};
    PublishSurface(surface, scaleValues);
    material->Render(mesh, drawWorld, nullptr);
    return true;
}
