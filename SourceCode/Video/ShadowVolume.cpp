// The shadow-volume mesh of a Mesh: a vertex shader pushes the vertices
// whose normal faces away from the light, and the zero-area quads on the
// shared edges stretch into the sides of the volume, which stays closed.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <vector>

#include "platform/common/ErrorLog.h"
#include "Video/Mesh.h"

namespace {

// Shadow vertices carry 16-bit indices: 3 per face.
constexpr std::uint32_t kMaxShadowFaces = 0xFFFF / 3;
constexpr float kPointEpsilon = 0.01f;

struct ShadowVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
};

struct ShadowTriangle {
    WORD v[3];
};

// Copied straight into the buffers of a D3DFVF_XYZ | D3DFVF_NORMAL mesh.
static_assert(sizeof(ShadowVertex) == 24 && sizeof(ShadowTriangle) == 6);

// An edge that no second face has closed yet.
struct OpenEdge {
    WORD a, b;  // shadow vertices, in the order of the face that made it
};

// The lists the builder fills. Open edges are kept per unordered pair of
// point representatives, each in the order they were opened, which finds
// the same edge as searching one list from its front.
struct ShadowBuilder {
    std::vector<ShadowVertex> vertices;
    std::vector<ShadowTriangle> triangles;
    std::map<std::pair<DWORD, DWORD>, std::deque<OpenEdge>> open;

    void AddFace(DWORD face, const D3DXVECTOR3 p[3], const DWORD reps[3]) {
        WORD base = WORD(face * 3);
        triangles.push_back({{base, WORD(base + 1), WORD(base + 2)}});
        D3DXVECTOR3 e1 = p[1] - p[0], e2 = p[2] - p[1], n;
        D3DXVec3Cross(&n, &e1, &e2);
        float length = D3DXVec3Length(&n);
        // A degenerate face gets a zero normal rather than NaNs.
        n = length > 0.0f && std::isfinite(length) ? n / length : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        for (int k = 0; k < 3; ++k) vertices.push_back({p[k], n});

        for (int k = 0; k < 3; ++k) {
            int next = (k + 1) % 3;
            WORD current = WORD(base + k), currentNext = WORD(base + next);
            auto key = std::minmax(reps[k], reps[next]);
            auto found = open.find(key);
            if (found != open.end() && !found->second.empty()) {
                OpenEdge e = found->second.front();
                found->second.pop_front();
                triangles.push_back({{currentNext, current, e.a}});
                triangles.push_back({{e.b, e.a, current}});
            } else {
                open[key].push_back({current, currentNext});
            }
        }
    }
};

}  // namespace

bool Mesh::BuildShadowVolume() {
    if (!mesh) return false;
    if (shadowMesh) shadowMesh->Release();
    shadowMesh = nullptr;

    const DWORD numVertices = mesh->GetNumVertices();
    const DWORD numFaces = mesh->GetNumFaces();
    const DWORD stride = mesh->GetNumBytesPerVertex();
    if (numFaces > kMaxShadowFaces) {
        plat::LogErrorF("Shadow volume refused: %u faces need more than 16-bit indices\n", numFaces);
        return false;
    }
    int positionOffset = mesh->OffsetOf(D3DDECLUSAGE_POSITION);
    if (positionOffset < 0) positionOffset = 0;

    // Adjacency also refuses indices past the vertices, so every read below
    // stays within the mesh's own vertices.
    std::vector<DWORD> adjacency(std::size_t(numFaces) * 3), reps(numVertices);
    if (FAILED(mesh->GenerateAdjacency(kPointEpsilon, adjacency.data())) ||
        FAILED(mesh->ConvertAdjacencyToPointReps(adjacency.data(), reps.data())))
        return false;
    adjacency.clear();

    void* vertexData = nullptr;
    void* indexData = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertexData))) return false;
    if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &indexData))) {
        mesh->UnlockVertexBuffer();
        return false;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(vertexData);
    const auto* indices = static_cast<const WORD*>(indexData);
    ShadowBuilder builder;
    for (DWORD f = 0; f < numFaces; ++f) {
        D3DXVECTOR3 p[3];
        DWORD faceReps[3];
        for (int k = 0; k < 3; ++k) {
            DWORD index = indices[f * 3 + k];
            std::memcpy(&p[k].x, bytes + std::size_t(index) * stride + std::size_t(positionOffset), 12);
            faceReps[k] = reps[index];
        }
        builder.AddFace(f, p, faceReps);
    }
    mesh->UnlockVertexBuffer();
    mesh->UnlockIndexBuffer();

    IDirect3DDevice9* device = nullptr;
    mesh->GetDevice(&device);
    ID3DXMesh* temporary = nullptr;
    HRESULT hr = D3DXCreateMeshFVF(DWORD(builder.triangles.size()), DWORD(builder.vertices.size()),
                                   D3DXMESH_DYNAMIC, D3DFVF_XYZ | D3DFVF_NORMAL, device, &temporary);
    if (SUCCEEDED(hr)) {
        void* out = nullptr;
        temporary->LockVertexBuffer(D3DLOCK_DISCARD, &out);
        std::memcpy(out, builder.vertices.data(), builder.vertices.size() * sizeof(ShadowVertex));
        temporary->UnlockVertexBuffer();
        temporary->LockIndexBuffer(D3DLOCK_DISCARD, &out);
        std::memcpy(out, builder.triangles.data(), builder.triangles.size() * sizeof(ShadowTriangle));
        temporary->UnlockIndexBuffer();
        hr = temporary->CloneMeshFVF(mesh->GetOptions(), temporary->GetFVF(), device, &shadowMesh);
        temporary->Release();
    }
    if (device) device->Release();
    if (FAILED(hr)) shadowMesh = nullptr;
    return SUCCEEDED(hr);
}
