#pragma once
// Meshes of the platform layer, shaped like D3DX's: ID3DXMesh and the D3DX
// functions that create, load, clone and measure meshes.
//
// A mesh is a CPU-side object: its vertex layout, vertex bytes, 16-bit
// indices and one attribute (subset id) per face live in memory, and locks
// hand out that memory. The first DrawSubset after a change uploads it into
// device buffers (always managed ones: the CPU copy makes a device reset
// harmless). A mesh made with a null device works in every way but drawing.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/D3DTypes.h"
#include "platform/d3dx/D3DXBuffer.h"
#include "platform/d3dx/D3DXErrors.h"
#include "platform/gfx/Direct3D.h"
#include "platform/d3dx/Math3D.h"

// Mesh options.
constexpr DWORD D3DXMESH_32BIT = 0x001;  // refused: indices are 16-bit
constexpr DWORD D3DXMESH_DONOTCLIP = 0x002;
constexpr DWORD D3DXMESH_POINTS = 0x004;
constexpr DWORD D3DXMESH_RTPATCHES = 0x008;
constexpr DWORD D3DXMESH_VB_SYSTEMMEM = 0x010;
constexpr DWORD D3DXMESH_VB_MANAGED = 0x020;
constexpr DWORD D3DXMESH_VB_WRITEONLY = 0x040;
constexpr DWORD D3DXMESH_VB_DYNAMIC = 0x080;
constexpr DWORD D3DXMESH_IB_SYSTEMMEM = 0x100;
constexpr DWORD D3DXMESH_IB_MANAGED = 0x200;
constexpr DWORD D3DXMESH_IB_WRITEONLY = 0x400;
constexpr DWORD D3DXMESH_IB_DYNAMIC = 0x800;
constexpr DWORD D3DXMESH_VB_SHARE = 0x1000;
constexpr DWORD D3DXMESH_USEHWONLY = 0x2000;
constexpr DWORD D3DXMESH_NPATCHES = 0x4000;
constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
constexpr DWORD D3DXMESH_MANAGED = 0x220;
constexpr DWORD D3DXMESH_WRITEONLY = 0x440;
constexpr DWORD D3DXMESH_DYNAMIC = 0x880;

// A declaration array large enough for any layout plus its end element.
constexpr UINT MAX_FVF_DECL_SIZE = MAXD3DDECLLENGTH + 1;

// No neighbour across an edge (adjacency) / no index.
constexpr DWORD D3DX_UNUSED_INDEX = 0xFFFFFFFFu;

// One run of faces of one subset, and the vertices those faces use.
struct D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
};

// A material of a .x file; the texture name points into the same buffer
// (null when the material names no texture).
struct D3DXMATERIAL {
    D3DMATERIAL9 MatD3D;
    char* pTextureFilename;
};

class ID3DXMesh : public plat::RefCounted {
public:
    // Use D3DXCreateMesh / D3DXCreateMeshFVF.
    ID3DXMesh(IDirect3DDevice9* device, DWORD options, std::vector<D3DVERTEXELEMENT9> elements, DWORD fvf,
              DWORD numFaces, DWORD numVertices);

    // Draws the faces whose attribute is attribId as triangles, with the
    // device's current program and states.
    HRESULT DrawSubset(DWORD attribId);

    DWORD GetNumFaces() const { return numFaces_; }
    DWORD GetNumVertices() const { return numVertices_; }
    // 0 when the layout has no flexible-vertex-format equivalent.
    DWORD GetFVF() const { return fvf_; }
    HRESULT GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) const;
    DWORD GetNumBytesPerVertex() const { return vertexSize_; }
    DWORD GetOptions() const { return options_; }
    // Adds a reference to the device (null for a mesh made without one).
    HRESULT GetDevice(IDirect3DDevice9** device);

    // Copies the mesh into another layout: elements of the same usage and
    // usage index are carried over (floats converted between widths), new
    // ones start at zero. Indices and attributes are copied.
    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** clone);
    HRESULT CloneMesh(DWORD options, const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                      ID3DXMesh** clone);

    // Locks hand out the CPU copy; an unlock without D3DLOCK_READONLY marks
    // it for upload. Indices are 16-bit, three per face.
    HRESULT LockVertexBuffer(DWORD flags, void** data);
    HRESULT UnlockVertexBuffer();
    HRESULT LockIndexBuffer(DWORD flags, void** data);
    HRESULT UnlockIndexBuffer();
    HRESULT LockAttributeBuffer(DWORD flags, DWORD** data);
    HRESULT UnlockAttributeBuffer();

    // The runs of equal attributes in face order. With a null table only
    // the count is given.
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size);

    // Three words per face: the face across each edge (corner k to k+1), or
    // D3DX_UNUSED_INDEX. Vertices within epsilon of each other in every
    // coordinate count as one point. D3DERR_INVALIDCALL when an index is
    // past the vertices.
    HRESULT GenerateAdjacency(float epsilon, DWORD* adjacency);
    // One word per vertex: the lowest-numbered vertex that the adjacency
    // joins it to (itself when none). D3DERR_INVALIDCALL when an index is
    // past the vertices.
    HRESULT ConvertAdjacencyToPointReps(const DWORD* adjacency, DWORD* pointReps);

    // Platform internals, for the D3DX functions.
    const std::vector<D3DVERTEXELEMENT9>& Elements() const { return elements_; }
    std::vector<std::uint8_t>& VertexBytes() { return vertices_; }
    std::vector<WORD>& Indices() { return indices_; }
    std::vector<DWORD>& Attributes() { return attributes_; }
    // The byte offset of the element of that usage (the last one, as Direct3D
    // reads positions), or -1.
    int OffsetOf(BYTE usage, BYTE usageIndex = 0) const;
    const D3DVERTEXELEMENT9* FindElement(BYTE usage, BYTE usageIndex) const;
    // Whether every index names one of the mesh's vertices (indices come
    // through locks and are not checked there).
    bool IndicesInRange() const;
    // Marks the CPU copy changed (after writing through the internals).
    void Touch();

protected:
    ~ID3DXMesh() override;

private:
    bool Upload();
    void BuildAttributeTable();
    // The three floats at that byte offset of vertex v.
    D3DXVECTOR3 PositionAt(DWORD v, int offset) const;

    IDirect3DDevice9* device_;
    DWORD options_;
    std::vector<D3DVERTEXELEMENT9> elements_;
    DWORD fvf_;
    DWORD vertexSize_;
    DWORD numFaces_;
    DWORD numVertices_;
    std::vector<std::uint8_t> vertices_;
    std::vector<WORD> indices_;
    std::vector<DWORD> attributes_;
    std::vector<D3DXATTRIBUTERANGE> attributeTable_;
    int vertexLocks_ = 0;
    int indexLocks_ = 0;
    int attributeLocks_ = 0;
    bool tableDirty_ = true;
    bool uploadDirty_ = true;

    IDirect3DVertexBuffer9* vertexBuffer_ = nullptr;
    IDirect3DIndexBuffer9* indexBuffer_ = nullptr;
    IDirect3DVertexDeclaration9* declaration_ = nullptr;
};
using LPD3DXMESH = ID3DXMesh*;

// Layouts.
HRESULT D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]);
// D3DERR_INVALIDCALL when the declaration is not one an FVF can express.
HRESULT D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* declaration, DWORD* fvf);
UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* declaration, DWORD stream);
UINT D3DXGetFVFVertexSize(DWORD fvf);

// Creation. Refused (D3DERR_INVALIDCALL): no faces or vertices, more than
// 65535 vertices, D3DXMESH_32BIT, a layout without stream-0 elements or one
// that reads another stream, a POSITION or POSITIONT narrower than three
// floats.
HRESULT D3DXCreateMesh(DWORD numFaces, DWORD numVertices, DWORD options, const D3DVERTEXELEMENT9* declaration,
                       IDirect3DDevice9* device, ID3DXMesh** mesh);
HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice9* device,
                          ID3DXMesh** mesh);

// Loads a .x file (text, binary or compressed): every Mesh in it (frames
// flattened by their transforms, references followed) merged into one mesh
// with positions, normals when the file has them and one texture coordinate
// set when it has them (MeshNormals and MeshTextureCoords, else DeclData or
// FVFData); faces with more than three corners become fans; faces are sorted by
// material. materials receives D3DXMATERIAL records (with their texture
// names), numMaterials their count; a mesh without a material list gets
// one white material. A file that cannot be read fails with the reason on
// the error stream. Effect instances are not produced (always null).
HRESULT D3DXLoadMeshFromXA(const char* fileName, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                           ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* numMaterials,
                           ID3DXMesh** mesh);

// The same from a .x file in memory.
HRESULT D3DXLoadMeshFromXInMemory(const void* memory, DWORD size, DWORD options, IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency, ID3DXBuffer** materials, ID3DXBuffer** effectInstances,
                                  DWORD* numMaterials, ID3DXMesh** mesh);

// Bounds over positions `stride` bytes apart. The sphere's centre is the
// mean of the positions, its radius the largest distance from it.
HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* firstPosition, DWORD numVertices, DWORD stride,
                               D3DXVECTOR3* min, D3DXVECTOR3* max);
HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* firstPosition, DWORD numVertices, DWORD stride,
                                  D3DXVECTOR3* centre, float* radius);

// Vertex normals: the normalised sum of the normals of the faces that use
// each vertex (or, with adjacency, each point). A degenerate face adds
// nothing; a vertex of degenerate faces only gets a zero normal. Needs a
// FLOAT3 NORMAL element.
HRESULT D3DXComputeNormals(ID3DXMesh* mesh, const DWORD* adjacency);
// Tangents (along u) and binormals (along v) of texture coordinate set
// texStage, made perpendicular to the normal and normalised. Needs FLOAT2
// (or wider) texture coordinates and FLOAT3 TANGENT and BINORMAL elements
// of the given indices. The wrap flag is accepted and ignored.
HRESULT D3DXComputeTangent(ID3DXMesh* mesh, DWORD texStage, DWORD tangentIndex, DWORD binormIndex, DWORD wrap,
                           const DWORD* adjacency);
