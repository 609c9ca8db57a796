#include "Video/Mesh.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "Video/TextureMan.h"
#include "Video/Video.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/common/Files.h"

namespace {

// Vertex positions of a mesh, read through a read-only lock: a plain
// position, or the x, y, z of a pre-transformed one (custom render objects
// make such meshes).
class PositionLock {
public:
    explicit PositionLock(ID3DXMesh* mesh) : mesh(mesh) {
        int offset = mesh->OffsetOf(D3DDECLUSAGE_POSITION);
        if (offset < 0) offset = mesh->OffsetOf(D3DDECLUSAGE_POSITIONT);
        void* data = nullptr;
        if (offset < 0 || FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) return;
        first = reinterpret_cast<const D3DXVECTOR3*>(static_cast<const std::uint8_t*>(data) + offset);
    }
    ~PositionLock() {
        if (first) mesh->UnlockVertexBuffer();
    }
    PositionLock(const PositionLock&) = delete;
    PositionLock& operator=(const PositionLock&) = delete;

    ID3DXMesh* mesh;
    const D3DXVECTOR3* first = nullptr;
};

}  // namespace

Mesh::~Mesh() { Release(); }

IDirect3DDevice9* Mesh::Device() {
    // Without a video system (tools, tests) meshes are CPU-only.
    return RunningDevice();
}

bool Mesh::ReplaceMesh(ID3DXMesh* created) {
    if (!created) return false;
    if (mesh) mesh->Release();
    if (shadowMesh) shadowMesh->Release();
    shadowMesh = nullptr;
    mesh = created;
    return true;
}

bool Mesh::LoadFromFile(const char* fileName, std::int32_t layoutReady, std::uint32_t options) {
    Release();
    std::string name = plat::ForwardSlashes(fileName ? fileName : "");
    std::string path = AssetRoot() + "/Assets/Models/" + name;

    ID3DXBuffer* materialBuffer = nullptr;
    DWORD count = 0;
    if (FAILED(D3DXLoadMeshFromXA(path.c_str(), options, Device(), nullptr, &materialBuffer, nullptr, &count,
                                  &mesh)))
        return false;
    materialCount = count;
    effectLayoutReady = layoutReady;
    LoadTextures(materialBuffer);
    ComputeBounds();
    return true;
}

bool Mesh::CreateMesh(std::uint32_t numFaces, std::uint32_t numVertices, const D3DVERTEXELEMENT9* declaration,
                      std::uint32_t options) {
    ID3DXMesh* created = nullptr;
    if (FAILED(D3DXCreateMesh(numFaces, numVertices, options, declaration, Device(), &created))) return false;
    return ReplaceMesh(created);
}

bool Mesh::CreateMeshFVF(std::uint32_t numFaces, std::uint32_t numVertices, std::uint32_t fvf,
                         std::uint32_t options) {
    D3DVERTEXELEMENT9 elements[MAX_FVF_DECL_SIZE];
    if (FAILED(D3DXDeclaratorFromFVF(fvf, elements))) return false;
    return CreateMesh(numFaces, numVertices, elements, options);
}

void Mesh::LoadTextures(ID3DXBuffer* materialBuffer) {
    materials.assign(materialCount, D3DMATERIAL9{});
    textures.assign(materialCount, nullptr);
    if (!materialBuffer) {
        materialCount = 0;
        materials.clear();
        textures.clear();
        return;
    }
    // Never read past the buffer, whatever count came with it.
    std::uint32_t available = materialBuffer->GetBufferSize() / sizeof(D3DXMATERIAL);
    if (available < materialCount) {
        materialCount = available;
        materials.resize(available);
        textures.resize(available);
    }
    auto* records = static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer());
    auto* textureMan = static_cast<TextureMan*>(eTable::Peek(names::TextureMan));
    // Material textures: sizes and mip levels from the file, magenta keyed
    // out, 32-bit colour with alpha (the load information's defaults).
    const TextureLoadInfo info;
    for (std::uint32_t i = 0; i < materialCount; ++i) {
        D3DMATERIAL9 m = records[i].MatD3D;
        m.Specular = m.Diffuse;
        m.Ambient = m.Diffuse;
        materials[i] = m;
        const char* texture = records[i].pTextureFilename;
        if (texture && texture[0] && textureMan) textures[i] = textureMan->GetTexture(texture, TextureMan::kFlat, &info);
    }
    materialBuffer->Release();
}

HRESULT Mesh::ComputeBoundingBox(float* min, float* max) {
    if (!mesh || !min || !max) return D3DERR_INVALIDCALL;
    PositionLock lock(mesh);
    if (!lock.first) return D3DERR_INVALIDCALL;
    D3DXVECTOR3 lo, hi;
    HRESULT hr = D3DXComputeBoundingBox(lock.first, mesh->GetNumVertices(), mesh->GetNumBytesPerVertex(), &lo, &hi);
    if (SUCCEEDED(hr)) {
        std::copy(&lo.x, &lo.x + 3, min);
        std::copy(&hi.x, &hi.x + 3, max);
    }
    return hr;
}

HRESULT Mesh::ComputeBoundingSphere(float* centre, float* radius) {
    if (!mesh || !centre || !radius) return D3DERR_INVALIDCALL;
    PositionLock lock(mesh);
    if (!lock.first) return D3DERR_INVALIDCALL;
    D3DXVECTOR3 c;
    HRESULT hr = D3DXComputeBoundingSphere(lock.first, mesh->GetNumVertices(), mesh->GetNumBytesPerVertex(), &c,
                                           radius);
    if (SUCCEEDED(hr)) std::copy(&c.x, &c.x + 3, centre);
    return hr;
}

void Mesh::ComputeBounds() {
    ComputeBoundingBox(&boxMin.x, &boxMax.x);
    ComputeBoundingSphere(&sphereCentre.x, &sphereRadius);
}

std::uint32_t Mesh::AddTangentFrameElements(IDirect3DVertexDeclaration9** out, IDirect3DDevice9* device,
                                            bool addNormal, bool addTangentFrame) {
    if (!out || !mesh) return 0;
    *out = nullptr;
    D3DVERTEXELEMENT9 elements[MAX_FVF_DECL_SIZE + 3];
    if (FAILED(mesh->GetDeclaration(elements))) return 0;
    std::uint32_t sum = 0;
    std::size_t count = 0;
    bool hasNormal = false, hasTangent = false;
    for (; count < MAX_FVF_DECL_SIZE && elements[count].Stream != 0xFF; ++count) {
        sum += plat::SizeOfDeclType(elements[count].Type);
        hasNormal |= elements[count].Usage == D3DDECLUSAGE_NORMAL;
        hasTangent |= elements[count].Usage == D3DDECLUSAGE_TANGENT;
    }
    auto append = [&](BYTE usage) {
        elements[count++] = {0, WORD(sum), D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, usage, 0};
        sum += 12;
    };
    if (addNormal && !hasNormal) append(D3DDECLUSAGE_NORMAL);
    if (addTangentFrame && !hasTangent) {
        append(D3DDECLUSAGE_TANGENT);
        append(D3DDECLUSAGE_BINORMAL);
    }
    if (count >= MAX_FVF_DECL_SIZE) return 0;
    elements[count] = D3DVERTEXELEMENT9 D3DDECL_END();
    if (device) {
        if (FAILED(device->CreateVertexDeclaration(elements, out))) return 0;
    } else {
        // A CPU-only mesh still gets its layout as a declaration object.
        *out = new IDirect3DVertexDeclaration9(std::vector<D3DVERTEXELEMENT9>(elements, elements + count));
    }
    return sum;
}

bool Mesh::PrepareForEffects() {
    if (!mesh) return false;
    DWORD fvf = mesh->GetFVF();
    if (effectLayoutReady != 1) {
        IDirect3DVertexDeclaration9* declaration = nullptr;
        if (AddTangentFrameElements(&declaration, Device(), true, true) == 0) return false;
        D3DVERTEXELEMENT9 elements[MAX_FVF_DECL_SIZE];
        UINT count = MAX_FVF_DECL_SIZE;
        HRESULT hr = declaration->GetDeclaration(elements, &count);
        declaration->Release();
        ID3DXMesh* clone = nullptr;
        if (FAILED(hr) || FAILED(mesh->CloneMesh(mesh->GetOptions(), elements, Device(), &clone))) return false;
        mesh->Release();
        mesh = clone;
        effectLayoutReady = 1;
    }
    if (!(fvf & D3DFVF_NORMAL)) D3DXComputeNormals(mesh, nullptr);
    D3DXComputeTangent(mesh, 0, 0, 0, 1, nullptr);
    return true;
}

void Mesh::Release() {
    if (mesh) mesh->Release();
    mesh = nullptr;
    if (shadowMesh) shadowMesh->Release();
    shadowMesh = nullptr;
    materials.clear();
    // At shutdown "TextureMan" (created after "MeshMan") is gone first and
    // has released every texture itself.
    auto* textureMan = static_cast<TextureMan*>(eTable::Peek(names::TextureMan));
    for (IDirect3DBaseTexture9* texture : textures)
        if (texture && textureMan) textureMan->ReleaseTexture(texture);
    textures.clear();
    materialCount = 0;
}
