// ID3DXMesh: the CPU-side mesh, its layouts, creation, cloning, locks,
// attribute table, adjacency and drawing.
#include "platform/d3dx/D3DXMesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <numeric>

namespace {

constexpr DWORD kMaxVertices16 = 0xFFFF;

bool IsEnd(const D3DVERTEXELEMENT9& e) { return e.Stream == 0xFF; }

// The elements of a declaration up to its end element; false when it has no
// end within the allowed length or an element of an unknown type.
bool ReadDeclaration(const D3DVERTEXELEMENT9* declaration, std::vector<D3DVERTEXELEMENT9>& out) {
    out.clear();
    if (!declaration) return false;
    for (UINT i = 0; i < MAX_FVF_DECL_SIZE; ++i) {
        if (IsEnd(declaration[i])) return true;
        if (declaration[i].Type >= D3DDECLTYPE_UNUSED) return false;
        out.push_back(declaration[i]);
    }
    return false;
}

UINT VertexSizeOf(const std::vector<D3DVERTEXELEMENT9>& elements, DWORD stream) {
    UINT size = 0;
    for (const auto& e : elements)
        if (e.Stream == stream) size = std::max<UINT>(size, e.Offset + plat::SizeOfDeclType(e.Type));
    return size;
}

bool IsFloatType(BYTE type) { return type <= D3DDECLTYPE_FLOAT4; }
UINT FloatCount(BYTE type) { return UINT(type) + 1; }

// Copies one element of one vertex from one layout to another: bytes when
// the types agree, float components (missing ones 0, a missing w of a
// position 1) between float widths; nothing otherwise.
void ConvertElement(const std::uint8_t* src, BYTE srcType, std::uint8_t* dst, const D3DVERTEXELEMENT9& dstElement) {
    BYTE dstType = dstElement.Type;
    if (srcType == dstType) {
        std::memcpy(dst, src, plat::SizeOfDeclType(dstType));
        return;
    }
    if (!IsFloatType(srcType) || !IsFloatType(dstType)) return;
    float values[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    if (dstElement.Usage == D3DDECLUSAGE_POSITION) values[3] = 1.0f;
    std::memcpy(values, src, std::min(FloatCount(srcType), 4u) * sizeof(float));
    std::memcpy(dst, values, FloatCount(dstType) * sizeof(float));
}

HRESULT CreateMeshFromElements(DWORD numFaces, DWORD numVertices, DWORD options,
                               std::vector<D3DVERTEXELEMENT9> elements, DWORD fvf, IDirect3DDevice9* device,
                               ID3DXMesh** mesh) {
    if (!mesh) return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    if (numFaces == 0 || numVertices == 0 || numVertices > kMaxVertices16) return D3DERR_INVALIDCALL;
    if (options & D3DXMESH_32BIT) return D3DERR_INVALIDCALL;
    if (numFaces > 0xFFFFFFFFu / 3) return D3DERR_INVALIDCALL;
    if (elements.empty()) return D3DERR_INVALIDCALL;
    for (const auto& e : elements) {
        if (e.Stream != 0) return D3DERR_INVALIDCALL;
        // Bounds, adjacency, normals and tangents read three floats of a
        // position: a narrower one would have them read past the last vertex.
        bool position = e.Usage == D3DDECLUSAGE_POSITION || e.Usage == D3DDECLUSAGE_POSITIONT;
        if (position && e.Type != D3DDECLTYPE_FLOAT3 && e.Type != D3DDECLTYPE_FLOAT4) return D3DERR_INVALIDCALL;
    }
    if (VertexSizeOf(elements, 0) == 0) return D3DERR_INVALIDCALL;
    try {
        *mesh = new ID3DXMesh(device, options, std::move(elements), fvf, numFaces, numVertices);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

// Union-find over vertex indices, the smaller index always the root.
struct PointSets {
    explicit PointSets(DWORD n) : parent(n) { std::iota(parent.begin(), parent.end(), 0u); }
    DWORD Find(DWORD v) {
        while (parent[v] != v) {
            parent[v] = parent[parent[v]];
            v = parent[v];
        }
        return v;
    }
    void Join(DWORD a, DWORD b) {
        a = Find(a);
        b = Find(b);
        if (a == b) return;
        if (a < b) parent[b] = a; else parent[a] = b;
    }
    std::vector<DWORD> parent;
};

}  // namespace

HRESULT D3DXCreateBuffer(DWORD numBytes, ID3DXBuffer** buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    try {
        *buffer = new ID3DXBuffer(std::string(numBytes, '\0'));
    } catch (const std::bad_alloc&) {
        *buffer = nullptr;
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

ID3DXMesh::ID3DXMesh(IDirect3DDevice9* device, DWORD options, std::vector<D3DVERTEXELEMENT9> elements, DWORD fvf,
                     DWORD numFaces, DWORD numVertices)
    : device_(device),
      options_(options),
      elements_(std::move(elements)),
      fvf_(fvf),
      vertexSize_(VertexSizeOf(elements_, 0)),
      numFaces_(numFaces),
      numVertices_(numVertices),
      vertices_(std::size_t(numVertices) * vertexSize_),
      indices_(std::size_t(numFaces) * 3),
      attributes_(numFaces) {
    if (device_) device_->AddRef();
}

ID3DXMesh::~ID3DXMesh() {
    if (vertexBuffer_) vertexBuffer_->Release();
    if (indexBuffer_) indexBuffer_->Release();
    if (declaration_) declaration_->Release();
    if (device_) device_->Release();
}

HRESULT ID3DXMesh::GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) const {
    if (!declaration) return D3DERR_INVALIDCALL;
    std::copy(elements_.begin(), elements_.end(), declaration);
    declaration[elements_.size()] = D3DVERTEXELEMENT9 D3DDECL_END();
    return D3D_OK;
}

HRESULT ID3DXMesh::GetDevice(IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = device_;
    if (device_) device_->AddRef();
    return D3D_OK;
}

int ID3DXMesh::OffsetOf(BYTE usage, BYTE usageIndex) const {
    const D3DVERTEXELEMENT9* element = FindElement(usage, usageIndex);
    return element ? element->Offset : -1;
}

const D3DVERTEXELEMENT9* ID3DXMesh::FindElement(BYTE usage, BYTE usageIndex) const {
    const D3DVERTEXELEMENT9* found = nullptr;
    for (const auto& e : elements_)
        if (e.Usage == usage && e.UsageIndex == usageIndex) found = &e;
    return found;
}

D3DXVECTOR3 ID3DXMesh::PositionAt(DWORD v, int offset) const {
    D3DXVECTOR3 p;
    std::memcpy(&p.x, &vertices_[std::size_t(v) * vertexSize_ + std::size_t(offset)], sizeof(float) * 3);
    return p;
}

bool ID3DXMesh::IndicesInRange() const {
    return std::all_of(indices_.begin(), indices_.end(), [&](WORD i) { return i < numVertices_; });
}

void ID3DXMesh::Touch() {
    uploadDirty_ = true;
    tableDirty_ = true;
}

HRESULT ID3DXMesh::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** clone) {
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    HRESULT hr = D3DXDeclaratorFromFVF(fvf, declaration);
    if (FAILED(hr)) return hr;
    return CloneMesh(options, declaration, device, clone);
}

HRESULT ID3DXMesh::CloneMesh(DWORD options, const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                             ID3DXMesh** clone) {
    if (!clone) return D3DERR_INVALIDCALL;
    *clone = nullptr;
    std::vector<D3DVERTEXELEMENT9> elements;
    if (!ReadDeclaration(declaration, elements)) return D3DERR_INVALIDCALL;
    DWORD fvf = 0;
    if (FAILED(D3DXFVFFromDeclarator(declaration, &fvf))) fvf = 0;
    ID3DXMesh* copy = nullptr;
    HRESULT hr = CreateMeshFromElements(numFaces_, numVertices_, options, std::move(elements), fvf, device, &copy);
    if (FAILED(hr)) return hr;
    for (const auto& dst : copy->elements_) {
        const D3DVERTEXELEMENT9* src = FindElement(dst.Usage, dst.UsageIndex);
        if (!src) continue;
        for (DWORD v = 0; v < numVertices_; ++v) {
            ConvertElement(&vertices_[std::size_t(v) * vertexSize_ + src->Offset], src->Type,
                           &copy->vertices_[std::size_t(v) * copy->vertexSize_ + dst.Offset], dst);
        }
    }
    copy->indices_ = indices_;
    copy->attributes_ = attributes_;
    *clone = copy;
    return D3D_OK;
}

HRESULT ID3DXMesh::LockVertexBuffer(DWORD flags, void** data) {
    if (!data) return D3DERR_INVALIDCALL;
    if (plat::TakeInjectedLockFailure()) return D3DERR_INVALIDCALL;
    *data = vertices_.data();
    ++vertexLocks_;
    if (!(flags & D3DLOCK_READONLY)) uploadDirty_ = true;
    return D3D_OK;
}

HRESULT ID3DXMesh::UnlockVertexBuffer() {
    if (vertexLocks_ == 0) return D3DERR_INVALIDCALL;
    --vertexLocks_;
    return D3D_OK;
}

HRESULT ID3DXMesh::LockIndexBuffer(DWORD flags, void** data) {
    if (!data) return D3DERR_INVALIDCALL;
    if (plat::TakeInjectedLockFailure()) return D3DERR_INVALIDCALL;
    *data = indices_.data();
    ++indexLocks_;
    if (!(flags & D3DLOCK_READONLY)) Touch();
    return D3D_OK;
}

HRESULT ID3DXMesh::UnlockIndexBuffer() {
    if (indexLocks_ == 0) return D3DERR_INVALIDCALL;
    --indexLocks_;
    return D3D_OK;
}

HRESULT ID3DXMesh::LockAttributeBuffer(DWORD flags, DWORD** data) {
    if (!data) return D3DERR_INVALIDCALL;
    if (plat::TakeInjectedLockFailure()) return D3DERR_INVALIDCALL;
    *data = attributes_.data();
    ++attributeLocks_;
    if (!(flags & D3DLOCK_READONLY)) tableDirty_ = true;
    return D3D_OK;
}

HRESULT ID3DXMesh::UnlockAttributeBuffer() {
    if (attributeLocks_ == 0) return D3DERR_INVALIDCALL;
    --attributeLocks_;
    return D3D_OK;
}

void ID3DXMesh::BuildAttributeTable() {
    attributeTable_.clear();
    for (DWORD f = 0; f < numFaces_; ++f) {
        if (attributeTable_.empty() || attributeTable_.back().AttribId != attributes_[f])
            attributeTable_.push_back({attributes_[f], f, 0, 0, 0});
        ++attributeTable_.back().FaceCount;
    }
    for (auto& range : attributeTable_) {
        auto first = indices_.begin() + std::ptrdiff_t(range.FaceStart) * 3;
        auto [lo, hi] = std::minmax_element(first, first + std::ptrdiff_t(range.FaceCount) * 3);
        range.VertexStart = *lo;
        range.VertexCount = DWORD(*hi) - *lo + 1;
    }
    tableDirty_ = false;
}

HRESULT ID3DXMesh::GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) {
    if (!size) return D3DERR_INVALIDCALL;
    if (tableDirty_) BuildAttributeTable();
    if (table) std::copy(attributeTable_.begin(), attributeTable_.end(), table);
    *size = DWORD(attributeTable_.size());
    return D3D_OK;
}

HRESULT ID3DXMesh::GenerateAdjacency(float epsilon, DWORD* adjacency) {
    if (!adjacency || epsilon < 0.0f || !IndicesInRange()) return D3DERR_INVALIDCALL;
    int position = OffsetOf(D3DDECLUSAGE_POSITION);
    if (position < 0) return D3DERR_INVALIDCALL;
    // Points: vertices within epsilon on every axis, found along x order.
    PointSets points(numVertices_);
    std::vector<DWORD> byX(numVertices_);
    std::iota(byX.begin(), byX.end(), 0u);
    std::vector<D3DXVECTOR3> positions(numVertices_);
    for (DWORD v = 0; v < numVertices_; ++v) positions[v] = PositionAt(v, position);
    // NaN sorts last so that the order stays strict; it joins nothing.
    auto sortKey = [&](DWORD v) { return std::isnan(positions[v].x) ? INFINITY : positions[v].x; };
    std::stable_sort(byX.begin(), byX.end(), [&](DWORD a, DWORD b) { return sortKey(a) < sortKey(b); });
    for (std::size_t i = 0; i < byX.size(); ++i) {
        const D3DXVECTOR3& p = positions[byX[i]];
        for (std::size_t j = i; j-- > 0;) {
            const D3DXVECTOR3& q = positions[byX[j]];
            if (!(p.x - q.x <= epsilon)) break;
            if (std::abs(p.y - q.y) <= epsilon && std::abs(p.z - q.z) <= epsilon) points.Join(byX[i], byX[j]);
        }
    }

    // Edges between the same two points pair up, first come first paired.
    std::fill(adjacency, adjacency + std::size_t(numFaces_) * 3, D3DX_UNUSED_INDEX);
    std::map<std::pair<DWORD, DWORD>, std::vector<DWORD>> open;  // point pair -> face*3+edge waiting
    for (DWORD f = 0; f < numFaces_; ++f) {
        for (DWORD k = 0; k < 3; ++k) {
            DWORD a = points.Find(indices_[f * 3 + k]);
            DWORD b = points.Find(indices_[f * 3 + (k + 1) % 3]);
            if (a == b) continue;
            auto key = std::minmax(a, b);
            auto& waiting = open[key];
            auto partner = std::find_if(waiting.begin(), waiting.end(), [&](DWORD e) { return e / 3 != f; });
            if (partner == waiting.end()) {
                waiting.push_back(f * 3 + k);
                continue;
            }
            adjacency[f * 3 + k] = *partner / 3;
            adjacency[*partner] = f;
            waiting.erase(partner);
        }
    }
    return D3D_OK;
}

HRESULT ID3DXMesh::ConvertAdjacencyToPointReps(const DWORD* adjacency, DWORD* pointReps) {
    if (!pointReps || !IndicesInRange()) return D3DERR_INVALIDCALL;
    PointSets points(numVertices_);
    int position = OffsetOf(D3DDECLUSAGE_POSITION);
    auto same = [&](DWORD a, DWORD b) {
        if (position < 0) return false;
        return std::memcmp(&vertices_[std::size_t(a) * vertexSize_ + std::size_t(position)],
                           &vertices_[std::size_t(b) * vertexSize_ + std::size_t(position)], sizeof(float) * 3) == 0;
    };
    auto distance = [&](DWORD a, DWORD b) {
        if (position < 0) return 0.0f;
        D3DXVECTOR3 d = PositionAt(a, position) - PositionAt(b, position);
        return D3DXVec3LengthSq(&d);
    };
    if (adjacency) {
        for (DWORD f = 0; f < numFaces_; ++f) {
            for (DWORD k = 0; k < 3; ++k) {
                DWORD g = adjacency[f * 3 + k];
                if (g >= numFaces_ || g == f) continue;
                // The edge of g that leads back to f.
                DWORD j = 0;
                while (j < 3 && adjacency[g * 3 + j] != f) ++j;
                if (j == 3) continue;
                DWORD a = indices_[f * 3 + k], b = indices_[f * 3 + (k + 1) % 3];
                DWORD c = indices_[g * 3 + j], d = indices_[g * 3 + (j + 1) % 3];
                // Matching corners lie at the same place; with opposite
                // windings a meets d and b meets c.
                bool crossed = same(a, d) || distance(a, d) + distance(b, c) <= distance(a, c) + distance(b, d);
                if (crossed) {
                    points.Join(a, d);
                    points.Join(b, c);
                } else {
                    points.Join(a, c);
                    points.Join(b, d);
                }
            }
        }
    }
    for (DWORD v = 0; v < numVertices_; ++v) pointReps[v] = points.Find(v);
    return D3D_OK;
}

bool ID3DXMesh::Upload() {
    if (!declaration_) {
        std::vector<D3DVERTEXELEMENT9> full = elements_;
        full.push_back(D3DVERTEXELEMENT9 D3DDECL_END());
        if (FAILED(device_->CreateVertexDeclaration(full.data(), &declaration_))) return false;
    }
    if (!vertexBuffer_ &&
        FAILED(device_->CreateVertexBuffer(UINT(vertices_.size()), D3DUSAGE_WRITEONLY, fvf_, D3DPOOL_MANAGED,
                                           &vertexBuffer_, nullptr)))
        return false;
    if (!indexBuffer_ &&
        FAILED(device_->CreateIndexBuffer(UINT(indices_.size() * sizeof(WORD)), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                          D3DPOOL_MANAGED, &indexBuffer_, nullptr)))
        return false;
    void* data = nullptr;
    if (FAILED(vertexBuffer_->Lock(0, 0, &data, 0))) return false;
    std::memcpy(data, vertices_.data(), vertices_.size());
    vertexBuffer_->Unlock();
    if (FAILED(indexBuffer_->Lock(0, 0, &data, 0))) return false;
    std::memcpy(data, indices_.data(), indices_.size() * sizeof(WORD));
    indexBuffer_->Unlock();
    uploadDirty_ = false;
    return true;
}

HRESULT ID3DXMesh::DrawSubset(DWORD attribId) {
    if (!device_) return D3DERR_INVALIDCALL;
    if (tableDirty_) BuildAttributeTable();
    if (uploadDirty_ && !Upload()) return D3DERR_INVALIDCALL;
    device_->SetVertexDeclaration(declaration_);
    device_->SetStreamSource(0, vertexBuffer_, 0, vertexSize_);
    device_->SetIndices(indexBuffer_);
    HRESULT result = D3D_OK;
    for (const auto& range : attributeTable_) {
        if (range.AttribId != attribId) continue;
        // Indices written past the vertices would read beyond the buffer.
        if (range.VertexStart + range.VertexCount > numVertices_) {
            result = D3DERR_INVALIDCALL;
            continue;
        }
        HRESULT hr = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, range.VertexStart, range.VertexCount,
                                                   range.FaceStart * 3, range.FaceCount);
        if (FAILED(hr)) result = hr;
    }
    return result;
}

HRESULT D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) {
    if (!declaration) return D3DERR_INVALIDCALL;
    std::vector<D3DVERTEXELEMENT9> elements = plat::ElementsFromFVF(fvf);
    if (elements.empty() || elements.size() >= MAX_FVF_DECL_SIZE) return D3DERR_INVALIDCALL;
    std::copy(elements.begin(), elements.end(), declaration);
    declaration[elements.size()] = D3DVERTEXELEMENT9 D3DDECL_END();
    return D3D_OK;
}

HRESULT D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* declaration, DWORD* fvf) {
    if (!fvf) return D3DERR_INVALIDCALL;
    std::vector<D3DVERTEXELEMENT9> elements;
    if (!ReadDeclaration(declaration, elements)) return D3DERR_INVALIDCALL;
    // Guess the format from the usages, then accept it only when it lays
    // out exactly these elements.
    DWORD guess = 0;
    DWORD texCount = 0;
    for (const auto& e : elements) {
        switch (e.Usage) {
        case D3DDECLUSAGE_POSITION: guess |= D3DFVF_XYZ; break;
        case D3DDECLUSAGE_POSITIONT: guess |= D3DFVF_XYZRHW; break;
        case D3DDECLUSAGE_NORMAL: guess |= D3DFVF_NORMAL; break;
        case D3DDECLUSAGE_PSIZE: guess |= D3DFVF_PSIZE; break;
        case D3DDECLUSAGE_COLOR: guess |= e.UsageIndex == 0 ? D3DFVF_DIFFUSE : D3DFVF_SPECULAR; break;
        case D3DDECLUSAGE_TEXCOORD:
            texCount = std::max<DWORD>(texCount, DWORD(e.UsageIndex) + 1);
            if (e.UsageIndex < 8 && e.Type == D3DDECLTYPE_FLOAT1) guess |= D3DFVF_TEXCOORDSIZE1(e.UsageIndex);
            if (e.UsageIndex < 8 && e.Type == D3DDECLTYPE_FLOAT3) guess |= D3DFVF_TEXCOORDSIZE3(e.UsageIndex);
            if (e.UsageIndex < 8 && e.Type == D3DDECLTYPE_FLOAT4) guess |= D3DFVF_TEXCOORDSIZE4(e.UsageIndex);
            break;
        default:
            return D3DERR_INVALIDCALL;
        }
    }
    if (texCount > 8) return D3DERR_INVALIDCALL;
    guess |= texCount << D3DFVF_TEXCOUNT_SHIFT;
    std::vector<D3DVERTEXELEMENT9> expected = plat::ElementsFromFVF(guess);
    auto same = [](const D3DVERTEXELEMENT9& a, const D3DVERTEXELEMENT9& b) {
        return a.Stream == b.Stream && a.Offset == b.Offset && a.Type == b.Type && a.Usage == b.Usage &&
               a.UsageIndex == b.UsageIndex;
    };
    if (!std::equal(expected.begin(), expected.end(), elements.begin(), elements.end(), same))
        return D3DERR_INVALIDCALL;
    *fvf = guess;
    return D3D_OK;
}

UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* declaration, DWORD stream) {
    std::vector<D3DVERTEXELEMENT9> elements;
    if (!ReadDeclaration(declaration, elements)) return 0;
    return VertexSizeOf(elements, stream);
}

UINT D3DXGetFVFVertexSize(DWORD fvf) { return plat::VertexSizeOfFVF(fvf); }

HRESULT D3DXCreateMesh(DWORD numFaces, DWORD numVertices, DWORD options, const D3DVERTEXELEMENT9* declaration,
                       IDirect3DDevice9* device, ID3DXMesh** mesh) {
    if (mesh) *mesh = nullptr;
    std::vector<D3DVERTEXELEMENT9> elements;
    if (!ReadDeclaration(declaration, elements)) return D3DERR_INVALIDCALL;
    DWORD fvf = 0;
    if (FAILED(D3DXFVFFromDeclarator(declaration, &fvf))) fvf = 0;
    return CreateMeshFromElements(numFaces, numVertices, options, std::move(elements), fvf, device, mesh);
}

HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice9* device,
                          ID3DXMesh** mesh) {
    if (mesh) *mesh = nullptr;
    std::vector<D3DVERTEXELEMENT9> elements = plat::ElementsFromFVF(fvf);
    return CreateMeshFromElements(numFaces, numVertices, options, std::move(elements), fvf, device, mesh);
}
