// What D3DX computes over meshes: bounds, vertex normals, tangent frames.
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/d3dx/D3DXMesh.h"

namespace {

D3DXVECTOR3 ReadVector(const std::uint8_t* p) {
    D3DXVECTOR3 v;
    std::memcpy(&v.x, p, sizeof(float) * 3);
    return v;
}

void WriteVector(std::uint8_t* p, const D3DXVECTOR3& v) { std::memcpy(p, &v.x, sizeof(float) * 3); }

const D3DXVECTOR3& PositionAt(const D3DXVECTOR3* first, DWORD index, DWORD stride) {
    return *reinterpret_cast<const D3DXVECTOR3*>(reinterpret_cast<const std::uint8_t*>(first) +
                                                 std::size_t(index) * stride);
}

// Normalised, or zero for a vector too short to have a direction.
D3DXVECTOR3 NormalizedOrZero(const D3DXVECTOR3& v) {
    float length = D3DXVec3Length(&v);
    if (!(length > 1e-20f) || !std::isfinite(length)) return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    return v / length;
}

// Reads and writes one FLOAT3 element of every vertex of a mesh.
class VertexView {
public:
    VertexView(ID3DXMesh* mesh, int offset)
        : bytes(mesh->VertexBytes().data()), stride(mesh->GetNumBytesPerVertex()), offset(offset) {}
    D3DXVECTOR3 Get(DWORD v) const { return ReadVector(bytes + std::size_t(v) * stride + offset); }
    void Set(DWORD v, const D3DXVECTOR3& value) { WriteVector(bytes + std::size_t(v) * stride + offset, value); }

private:
    std::uint8_t* bytes;
    std::size_t stride;
    std::size_t offset;
};

bool IsFloat3(const D3DVERTEXELEMENT9* e) { return e && e->Type == D3DDECLTYPE_FLOAT3; }

// The face's normal for clockwise front faces (left-handed), zero when the
// face has no area.
D3DXVECTOR3 FaceNormal(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2) {
    D3DXVECTOR3 e1 = p1 - p0, e2 = p2 - p0, n;
    D3DXVec3Cross(&n, &e1, &e2);
    return NormalizedOrZero(n);
}

// With adjacency, vertices at one point share what is summed at them.
std::vector<DWORD> PointRepsOf(ID3DXMesh* mesh, const DWORD* adjacency) {
    std::vector<DWORD> reps(mesh->GetNumVertices());
    if (adjacency) {
        mesh->ConvertAdjacencyToPointReps(adjacency, reps.data());
    } else {
        for (DWORD v = 0; v < reps.size(); ++v) reps[v] = v;
    }
    return reps;
}

}  // namespace

HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* firstPosition, DWORD numVertices, DWORD stride,
                               D3DXVECTOR3* min, D3DXVECTOR3* max) {
    if (!firstPosition || !min || !max || numVertices == 0) return D3DERR_INVALIDCALL;
    *min = *max = PositionAt(firstPosition, 0, stride);
    for (DWORD i = 1; i < numVertices; ++i) {
        const D3DXVECTOR3& p = PositionAt(firstPosition, i, stride);
        D3DXVec3Minimize(min, min, &p);
        D3DXVec3Maximize(max, max, &p);
    }
    return D3D_OK;
}

HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* firstPosition, DWORD numVertices, DWORD stride,
                                  D3DXVECTOR3* centre, float* radius) {
    if (!firstPosition || !centre || !radius || numVertices == 0) return D3DERR_INVALIDCALL;
    D3DXVECTOR3 sum(0.0f, 0.0f, 0.0f);
    for (DWORD i = 0; i < numVertices; ++i) sum += PositionAt(firstPosition, i, stride);
    *centre = sum / float(numVertices);
    float largest = 0.0f;
    for (DWORD i = 0; i < numVertices; ++i) {
        D3DXVECTOR3 d = PositionAt(firstPosition, i, stride) - *centre;
        largest = std::max(largest, D3DXVec3LengthSq(&d));
    }
    *radius = std::sqrt(largest);
    return D3D_OK;
}

HRESULT D3DXComputeNormals(ID3DXMesh* mesh, const DWORD* adjacency) {
    if (!mesh) return D3DERR_INVALIDCALL;
    int positionOffset = mesh->OffsetOf(D3DDECLUSAGE_POSITION);
    const D3DVERTEXELEMENT9* normal = mesh->FindElement(D3DDECLUSAGE_NORMAL, 0);
    if (positionOffset < 0 || !IsFloat3(normal) || !mesh->IndicesInRange()) return D3DERR_INVALIDCALL;
    VertexView positions(mesh, positionOffset), normals(mesh, normal->Offset);
    const std::vector<WORD>& indices = mesh->Indices();
    std::vector<DWORD> reps = PointRepsOf(mesh, adjacency);

    std::vector<D3DXVECTOR3> sums(mesh->GetNumVertices(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    for (DWORD f = 0; f < mesh->GetNumFaces(); ++f) {
        const WORD* c = &indices[std::size_t(f) * 3];
        D3DXVECTOR3 n = FaceNormal(positions.Get(c[0]), positions.Get(c[1]), positions.Get(c[2]));
        for (int k = 0; k < 3; ++k) sums[reps[c[k]]] += n;
    }
    for (DWORD v = 0; v < mesh->GetNumVertices(); ++v) normals.Set(v, NormalizedOrZero(sums[reps[v]]));
    mesh->Touch();
    return D3D_OK;
}

HRESULT D3DXComputeTangent(ID3DXMesh* mesh, DWORD texStage, DWORD tangentIndex, DWORD binormIndex, DWORD /*wrap*/,
                           const DWORD* adjacency) {
    if (!mesh || texStage > 7 || tangentIndex > 255 || binormIndex > 255) return D3DERR_INVALIDCALL;
    int positionOffset = mesh->OffsetOf(D3DDECLUSAGE_POSITION);
    const D3DVERTEXELEMENT9* uv = mesh->FindElement(D3DDECLUSAGE_TEXCOORD, BYTE(texStage));
    const D3DVERTEXELEMENT9* tangent = mesh->FindElement(D3DDECLUSAGE_TANGENT, BYTE(tangentIndex));
    const D3DVERTEXELEMENT9* binormal = mesh->FindElement(D3DDECLUSAGE_BINORMAL, BYTE(binormIndex));
    const D3DVERTEXELEMENT9* normal = mesh->FindElement(D3DDECLUSAGE_NORMAL, 0);
    bool uvIsFloat = uv && uv->Type >= D3DDECLTYPE_FLOAT2 && uv->Type <= D3DDECLTYPE_FLOAT4;
    if (positionOffset < 0 || !uvIsFloat || !IsFloat3(tangent) || !IsFloat3(binormal) || !mesh->IndicesInRange())
        return D3DERR_INVALIDCALL;

    VertexView positions(mesh, positionOffset), tangents(mesh, tangent->Offset), binormals(mesh, binormal->Offset);
    const std::uint8_t* bytes = mesh->VertexBytes().data();
    std::size_t stride = mesh->GetNumBytesPerVertex();
    auto texcoord = [&](DWORD v) {
        float t[2];
        std::memcpy(t, bytes + std::size_t(v) * stride + uv->Offset, sizeof t);
        return D3DXVECTOR2(t[0], t[1]);
    };
    const std::vector<WORD>& indices = mesh->Indices();
    std::vector<DWORD> reps = PointRepsOf(mesh, adjacency);

    // Per face: the directions in which u and v grow across it.
    std::vector<D3DXVECTOR3> sumU(mesh->GetNumVertices()), sumV(mesh->GetNumVertices());
    for (DWORD f = 0; f < mesh->GetNumFaces(); ++f) {
        const WORD* c = &indices[std::size_t(f) * 3];
        D3DXVECTOR3 e1 = positions.Get(c[1]) - positions.Get(c[0]);
        D3DXVECTOR3 e2 = positions.Get(c[2]) - positions.Get(c[0]);
        D3DXVECTOR2 d1 = texcoord(c[1]) - texcoord(c[0]);
        D3DXVECTOR2 d2 = texcoord(c[2]) - texcoord(c[0]);
        float det = d1.x * d2.y - d2.x * d1.y;
        if (!(std::fabs(det) > 1e-20f)) continue;  // no texture area: no direction
        float r = 1.0f / det;
        D3DXVECTOR3 du = NormalizedOrZero((e1 * d2.y - e2 * d1.y) * r);
        D3DXVECTOR3 dv = NormalizedOrZero((e2 * d1.x - e1 * d2.x) * r);
        for (int k = 0; k < 3; ++k) {
            sumU[reps[c[k]]] += du;
            sumV[reps[c[k]]] += dv;
        }
    }

    VertexView normals(mesh, normal && IsFloat3(normal) ? normal->Offset : 0);
    bool haveNormals = IsFloat3(normal);
    for (DWORD v = 0; v < mesh->GetNumVertices(); ++v) {
        D3DXVECTOR3 t = sumU[reps[v]], b = sumV[reps[v]];
        if (haveNormals) {
            D3DXVECTOR3 n = normals.Get(v);
            t -= n * D3DXVec3Dot(&n, &t);
            b -= n * D3DXVec3Dot(&n, &b);
        }
        t = NormalizedOrZero(t);
        b -= t * D3DXVec3Dot(&t, &b);
        tangents.Set(v, t);
        binormals.Set(v, NormalizedOrZero(b));
    }
    mesh->Touch();
    return D3D_OK;
}
