#pragma once
#include <cstdint>
#include <vector>

#include "platform/d3dx/D3DXMesh.h"

// One shared mesh with what the renderer needs beside it: the materials and
// textures its .x file names, an axis-aligned bounding box, a bounding
// sphere and, for shadow casters, the shadow-volume mesh. Meshes from files
// come from "/Assets/Models/" under the working directory; meshes built in
// code are created empty with a vertex layout and filled by their owner.
//
// A Mesh owns what it holds, so it cannot be copied: "MeshMan" keeps each
// one in place and hands out pointers.
class Mesh {
public:
    Mesh() = default;
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    virtual ~Mesh();

    // Loads fileName (relative to "/Assets/Models/"), its materials and
    // textures, and its bounds. False when the file cannot be loaded.
    bool LoadFromFile(const char* fileName, std::int32_t layoutReady, std::uint32_t options);
    // An empty mesh of that layout. On failure the mesh stays as it was.
    bool CreateMesh(std::uint32_t numFaces, std::uint32_t numVertices, const D3DVERTEXELEMENT9* declaration,
                    std::uint32_t options);
    bool CreateMeshFVF(std::uint32_t numFaces, std::uint32_t numVertices, std::uint32_t fvf, std::uint32_t options);
    // Takes the .x materials: specular and ambient become the diffuse
    // colour; named textures come from "TextureMan". Releases the buffer.
    void LoadTextures(ID3DXBuffer* materialBuffer);

    // Over the positions of the mesh's own vertices.
    HRESULT ComputeBoundingBox(float* min, float* max);
    HRESULT ComputeBoundingSphere(float* centre, float* radius);
    // Box, then sphere, into the members.
    void ComputeBounds();

    // Gives the mesh NORMAL, TANGENT and BINORMAL elements (once) and
    // computes them (every time; normals only where the layout had none).
    // False without a mesh or when the new layout cannot be made; the mesh
    // is then unchanged.
    bool PrepareForEffects();
    // The mesh's layout with the missing elements appended; returns the
    // vertex size in bytes, 0 on failure.
    std::uint32_t AddTangentFrameElements(IDirect3DVertexDeclaration9** out, IDirect3DDevice9* device, bool addNormal,
                                          bool addTangentFrame);

    // Builds the shadow-volume mesh: every face with vertices of its own
    // carrying its normal, every shared edge filled with two zero-area
    // triangles. Refused (false) when the mesh has more than 21845 faces
    // (its shadow would need more than 16-bit indices).
    bool BuildShadowVolume();

    // Releases everything the mesh holds.
    void Release();

    ID3DXMesh* mesh = nullptr;
    std::vector<D3DMATERIAL9> materials;
    // One per material; null where the material names no texture. Each holds
    // one reference in "TextureMan".
    std::vector<IDirect3DBaseTexture9*> textures;
    std::uint32_t materialCount = 0;
    // 1 once PrepareForEffects has rebuilt the layout.
    std::int32_t effectLayoutReady = 0;
    ID3DXMesh* shadowMesh = nullptr;
    D3DXVECTOR3 boxMin;
    D3DXVECTOR3 boxMax;
    D3DXVECTOR3 sphereCentre;
    float sphereRadius = 0.0f;

private:
    static IDirect3DDevice9* Device();
    bool ReplaceMesh(ID3DXMesh* created);
};
