// The CPU side of meshes: loading .x files, layouts, cloning, bounds,
// normals, tangents and adjacency. Meshes made without a device.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/d3dx/D3DXMesh.h"
#include "support/TempDir.h"

namespace {

// A cube of 8 corners written as 6 quads with one normal per side: the
// loader must split corners by normal into 24 vertices and 12 triangles.
constexpr const char* kCube = R"(xof 0303txt 0032
Mesh Cube {
 8;
 -1;-1;-1;, 1;-1;-1;, 1;1;-1;, -1;1;-1;,
 -1;-1;1;, 1;-1;1;, 1;1;1;, -1;1;1;;
 6;
 4;0,3,2,1;, 4;4,5,6,7;, 4;0,4,7,3;, 4;1,2,6,5;, 4;3,7,6,2;, 4;0,1,5,4;;
 MeshNormals {
  6; 0;0;-1;, 0;0;1;, -1;0;0;, 1;0;0;, 0;1;0;, 0;-1;0;;
  6; 4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;;
 }
 MeshMaterialList {
  2; 6; 1,0,1,0,1,0;;
  Material Red { 1;0;0;1;; 5; 0;0;0;; 0;0;0;; TextureFilename { "Sub\\red.png"; } }
  Material { 0;0;1;1;; 7; 0.5;0.5;0.5;; 0;0;0;; }
 }
}
)";

class MeshFiles : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        std::string path = (dir.Path() / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    HRESULT Load(const std::string& path, ID3DXMesh** mesh, ID3DXBuffer** materials = nullptr,
                 DWORD* count = nullptr) {
        return D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_MANAGED, nullptr, nullptr, materials, nullptr, count, mesh);
    }

    ScopedTempDir dir;
};

D3DXVECTOR3 Vec3At(ID3DXMesh* mesh, DWORD vertex, BYTE usage, BYTE index = 0) {
    D3DXVECTOR3 v;
    std::memcpy(&v.x, &mesh->VertexBytes()[vertex * mesh->GetNumBytesPerVertex() + mesh->OffsetOf(usage, index)], 12);
    return v;
}

void ExpectNear(const D3DXVECTOR3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
}

std::string AssetPath(const char* relative) {
    return (ScopedTempDir::RepositoryRoot() / "Assets/Models" / relative).string();
}

}  // namespace

TEST_F(MeshFiles, CubeSplitsByNormalIntoTwentyFourVertices) {
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    ASSERT_EQ(Load(Write("cube.x", kCube), &mesh, &materials, &count), D3D_OK);
    EXPECT_EQ(mesh->GetNumVertices(), 24u);
    EXPECT_EQ(mesh->GetNumFaces(), 12u);
    EXPECT_EQ(mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL));
    EXPECT_EQ(mesh->GetNumBytesPerVertex(), 24u);

    // Every triangle faces along the normal its vertices carry (clockwise
    // front faces: (p1 - p0) x (p2 - p0)).
    for (DWORD f = 0; f < 12; ++f) {
        const WORD* c = &mesh->Indices()[f * 3];
        D3DXVECTOR3 p0 = Vec3At(mesh, c[0], D3DDECLUSAGE_POSITION), p1 = Vec3At(mesh, c[1], D3DDECLUSAGE_POSITION),
                    p2 = Vec3At(mesh, c[2], D3DDECLUSAGE_POSITION), e1 = p1 - p0, e2 = p2 - p0, n;
        D3DXVec3Cross(&n, &e1, &e2);
        D3DXVECTOR3 stored = Vec3At(mesh, c[0], D3DDECLUSAGE_NORMAL);
        EXPECT_GT(D3DXVec3Dot(&n, &stored), 0.0f) << "face " << f;
    }

    // Faces are sorted by material: one run per subset.
    ASSERT_EQ(count, 2u);
    DWORD ranges = 0;
    mesh->GetAttributeTable(nullptr, &ranges);
    ASSERT_EQ(ranges, 2u);
    D3DXATTRIBUTERANGE table[2];
    mesh->GetAttributeTable(table, &ranges);
    EXPECT_EQ(table[0].AttribId, 0u);
    EXPECT_EQ(table[0].FaceCount, 6u);
    EXPECT_EQ(table[1].FaceStart, 6u);

    auto* records = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_FLOAT_EQ(records[0].MatD3D.Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(records[0].MatD3D.Power, 5.0f);
    ASSERT_NE(records[0].pTextureFilename, nullptr);
    EXPECT_STREQ(records[0].pTextureFilename, "Sub/red.png");
    EXPECT_EQ(records[1].pTextureFilename, nullptr);
    EXPECT_FLOAT_EQ(records[1].MatD3D.Specular.g, 0.5f);
    materials->Release();
    mesh->Release();
}

TEST_F(MeshFiles, FramesAreFlattenedAndReferencesFollowed) {
    const std::string text = R"(xof 0303txt 0032
Mesh Tri { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }
Frame Outer {
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;; }
 Frame Inner {
  FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 0,0,0,1;; }
  { Tri }
 }
}
)";
    ID3DXMesh* mesh = nullptr;
    DWORD count = 0;
    ASSERT_EQ(D3DXLoadMeshFromXA(Write("frames.x", text).c_str(), 0, nullptr, nullptr, nullptr, nullptr, &count,
                                 &mesh),
              D3D_OK);
    // The top-level mesh as it is, then the framed copy: scaled by 2 in the
    // inner frame, moved by 10 in the outer. No material list: one white.
    ASSERT_EQ(mesh->GetNumVertices(), 6u);
    EXPECT_EQ(count, 2u);
    ExpectNear(Vec3At(mesh, 4, D3DDECLUSAGE_POSITION), 12.0f, 0.0f, 0.0f);
    ExpectNear(Vec3At(mesh, 5, D3DDECLUSAGE_POSITION), 10.0f, 2.0f, 0.0f);
    mesh->Release();
}

TEST_F(MeshFiles, MalformedMeshesAreRefusedWithAReason) {
    struct Case {
        const char* body;
        const char* reason;
    };
    const Case cases[] = {
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }", "names vertex 3 of 3"},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }", "fewer than 3 corners"},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 0; ; } }", "normals describe 0"},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; } }",
         "names normal 1 of 1"},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshTextureCoords { 2; 0;0;, 1;1;; } }",
         "2 texture coordinates for 3 vertices"},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 4;; "
         "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }",
         "face material 4 of 1"},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 2; 1; 0;; } }", "lists 2 materials"},
        {"Header { 1; 0; 1; }", "no mesh faces"},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 2; 3;0,1,2;; }", "should have 2 elements"},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; DeclData { 1; 1;0;5;0;; 4; 0,0,0,0; } }",
         "its DeclData holds 4 DWORDs, not 3 vertices of 8 bytes"},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; DeclData { 1; 99;0;5;0;; 0; ; } }",
         "its DeclData names vertex element type 99"},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; FVFData { 256; 5; 0,0,0,0,0; } }",
         "its FVFData holds 5 DWORDs, not 3 vertices of 8 bytes"},
    };
    for (const Case& c : cases) {
        ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
        testing::internal::CaptureStderr();
        HRESULT hr = Load(Write("bad.x", std::string("xof 0303txt 0032\n") + c.body), &mesh);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(FAILED(hr)) << c.body;
        EXPECT_EQ(mesh, nullptr);
        EXPECT_NE(err.find(c.reason), std::string::npos) << c.body << "\n -> " << err;
        EXPECT_NE(err.find("bad.x"), std::string::npos) << err;
    }
    ID3DXMesh* mesh = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(FAILED(Load((dir.Path() / "missing.x").string(), &mesh)));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot open"), std::string::npos);
}

// A small file whose frames refer to a mesh again and again, each frame
// twice to the one before, is refused before it asks for millions of
// triangles.
TEST_F(MeshFiles, FramesThatMultiplyAMeshAreCappedInTriangles) {
    std::string text = "xof 0303txt 0032\nMesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 100;";
    for (int f = 0; f < 100; ++f) text += f + 1 < 100 ? " 3;0,1,2;," : " 3;0,1,2;;";
    text += " }\nFrame F0 { {M} {M} }\n";
    for (int i = 1; i < 14; ++i)
        text += "Frame F" + std::to_string(i) + " { {F" + std::to_string(i - 1) + "} {F" + std::to_string(i - 1) + "} }\n";
    ID3DXMesh* mesh = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(FAILED(Load(Write("many.x", text), &mesh)));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(mesh, nullptr);
    EXPECT_NE(err.find("more than 1048576 triangles"), std::string::npos) << err;
}

TEST(D3DXMesh, CreationRefusesWhatSixteenBitIndicesCannotHold) {
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DXCreateMeshFVF(1, 65536, 0, D3DFVF_XYZ, nullptr, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_32BIT, D3DFVF_XYZ, nullptr, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(0, 3, 0, D3DFVF_XYZ, nullptr, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh, nullptr);
    D3DVERTEXELEMENT9 otherStream[] = {{1, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    EXPECT_EQ(D3DXCreateMesh(1, 3, 0, otherStream, nullptr, &mesh), D3DERR_INVALIDCALL);
    // Everything computed over positions reads three floats.
    D3DVERTEXELEMENT9 flat[] = {{0, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    EXPECT_EQ(D3DXCreateMesh(1, 3, 0, flat, nullptr, &mesh), D3DERR_INVALIDCALL);
    D3DVERTEXELEMENT9 packed[] = {{0, 0, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_POSITIONT, 0}, D3DDECL_END()};
    EXPECT_EQ(D3DXCreateMesh(1, 3, 0, packed, nullptr, &mesh), D3DERR_INVALIDCALL);
    ASSERT_EQ(D3DXCreateMeshFVF(1, 65535, D3DXMESH_MANAGED, D3DFVF_XYZ, nullptr, &mesh), D3D_OK);
    EXPECT_EQ(mesh->GetOptions(), D3DXMESH_MANAGED);
    mesh->Release();
}

TEST(D3DXMesh, LayoutsBetweenFVFAndDeclarations) {
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(1);
    ASSERT_EQ(D3DXDeclaratorFromFVF(fvf, decl), D3D_OK);
    DWORD back = 0;
    ASSERT_EQ(D3DXFVFFromDeclarator(decl, &back), D3D_OK);
    EXPECT_EQ(back, fvf);
    EXPECT_EQ(D3DXGetDeclVertexSize(decl, 0), 12u + 12u + 4u + 8u + 12u);

    // A tangent has no FVF form.
    D3DVERTEXELEMENT9 tangent[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                   {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TANGENT, 0}, D3DDECL_END()};
    EXPECT_EQ(D3DXFVFFromDeclarator(tangent, &back), D3DERR_INVALIDCALL);
    // Elements out of FVF order neither.
    D3DVERTEXELEMENT9 swapped[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                   {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    EXPECT_EQ(D3DXFVFFromDeclarator(swapped, &back), D3DERR_INVALIDCALL);
}

TEST(D3DXMesh, CloneCarriesMatchingElementsAndConvertsFloatWidths) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, 0, D3DFVF_XYZ | D3DFVF_TEX1, nullptr, &mesh), D3D_OK);
    float* v = nullptr;
    mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
    for (int i = 0; i < 15; ++i) v[i] = float(i + 1);
    mesh->UnlockVertexBuffer();
    WORD* idx = nullptr;
    mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&idx));
    idx[0] = 0, idx[1] = 1, idx[2] = 2;
    mesh->UnlockIndexBuffer();

    D3DVERTEXELEMENT9 wide[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITION, 0},
                                {0, 16, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                {0, 28, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0}, D3DDECL_END()};
    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(mesh->CloneMesh(D3DXMESH_DYNAMIC, wide, nullptr, &clone), D3D_OK);
    EXPECT_EQ(clone->GetNumBytesPerVertex(), 36u);
    EXPECT_EQ(clone->GetFVF(), 0u);  // XYZW with a normal has no FVF of this order
    const float* c = reinterpret_cast<const float*>(clone->VertexBytes().data());
    // Vertex 1: position (6, 7, 8) gains w = 1, the normal is new (zero),
    // the texture coordinates (9, 10) are kept.
    EXPECT_EQ(c[9 + 0], 6.0f);
    EXPECT_EQ(c[9 + 3], 1.0f);
    EXPECT_EQ(c[9 + 4], 0.0f);
    EXPECT_EQ(c[9 + 7], 9.0f);
    EXPECT_EQ(c[9 + 8], 10.0f);
    EXPECT_EQ(clone->Indices()[2], 2);
    EXPECT_EQ(clone->GetOptions(), D3DXMESH_DYNAMIC);
    clone->Release();
    mesh->Release();
}

TEST(D3DXMesh, BoundsUseTheMeanAsCentre) {
    // Points crowded at one end: the mean is not the middle of the box.
    const D3DXVECTOR3 points[] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {4, 0, 0}};
    D3DXVECTOR3 lo, hi, centre;
    float radius = 0;
    ASSERT_EQ(D3DXComputeBoundingBox(points, 4, sizeof(D3DXVECTOR3), &lo, &hi), D3D_OK);
    ExpectNear(lo, 0, 0, 0);
    ExpectNear(hi, 4, 0, 0);
    ASSERT_EQ(D3DXComputeBoundingSphere(points, 4, sizeof(D3DXVECTOR3), &centre, &radius), D3D_OK);
    ExpectNear(centre, 1, 0, 0);
    EXPECT_FLOAT_EQ(radius, 3.0f);
    EXPECT_EQ(D3DXComputeBoundingSphere(points, 0, 12, &centre, &radius), D3DERR_INVALIDCALL);
}

TEST(D3DXMesh, NormalsAreSummedAndDegenerateFacesGiveZero) {
    ID3DXMesh* mesh = nullptr;
    // Two triangles sharing vertices 0 and 2 at a right angle; a third,
    // degenerate one (all corners in a line) is the only user of vertex 4.
    ASSERT_EQ(D3DXCreateMeshFVF(3, 6, 0, D3DFVF_XYZ | D3DFVF_NORMAL, nullptr, &mesh), D3D_OK);
    const float positions[6][3] = {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, -1, 0}, {2, 2, 2}, {3, 3, 3}};
    for (int v = 0; v < 6; ++v) std::memcpy(&mesh->VertexBytes()[v * 24], positions[v], 12);
    const WORD indices[] = {0, 2, 1, 0, 3, 2, 4, 5, 5};
    std::memcpy(mesh->Indices().data(), indices, sizeof indices);
    ASSERT_EQ(D3DXComputeNormals(mesh, nullptr), D3D_OK);
    ExpectNear(Vec3At(mesh, 1, D3DDECLUSAGE_NORMAL), 0, 1, 0);
    ExpectNear(Vec3At(mesh, 3, D3DDECLUSAGE_NORMAL), -1, 0, 0);
    float s = 1.0f / std::sqrt(2.0f);
    ExpectNear(Vec3At(mesh, 0, D3DDECLUSAGE_NORMAL), -s, s, 0);
    ExpectNear(Vec3At(mesh, 4, D3DDECLUSAGE_NORMAL), 0, 0, 0);
    mesh->Release();

    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, 0, D3DFVF_XYZ, nullptr, &mesh), D3D_OK);
    EXPECT_EQ(D3DXComputeNormals(mesh, nullptr), D3DERR_INVALIDCALL);  // no NORMAL element
    mesh->Release();
}

TEST(D3DXMesh, TangentFrameOfThePlaneAsset) {
    ID3DXMesh* loaded = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXA(AssetPath("plane.x").c_str(), 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 &loaded),
              D3D_OK);
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    loaded->GetDeclaration(decl);
    D3DVERTEXELEMENT9 frame[] = {decl[0], decl[1], decl[2],
                                 {0, 32, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TANGENT, 0},
                                 {0, 44, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_BINORMAL, 0}, D3DDECL_END()};
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(loaded->CloneMesh(0, frame, nullptr, &mesh), D3D_OK);
    loaded->Release();
    ASSERT_EQ(D3DXComputeTangent(mesh, 0, 0, 0, 1, nullptr), D3D_OK);
    // u grows along +x, v (downward in the texture) along -z.
    for (DWORD v = 0; v < mesh->GetNumVertices(); ++v) {
        ExpectNear(Vec3At(mesh, v, D3DDECLUSAGE_TANGENT), 1, 0, 0);
        ExpectNear(Vec3At(mesh, v, D3DDECLUSAGE_BINORMAL), 0, 0, -1);
    }
    mesh->Release();
}

TEST_F(MeshFiles, AdjacencyMatchesEdgesByPosition) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(Load(Write("cube.x", kCube), &mesh), D3D_OK);
    std::vector<DWORD> adjacency(mesh->GetNumFaces() * 3), reps(mesh->GetNumVertices());
    // By index nothing is shared across the sides of the cube ...
    ASSERT_EQ(mesh->GenerateAdjacency(-1.0f, adjacency.data()), D3DERR_INVALIDCALL);
    ASSERT_EQ(mesh->GenerateAdjacency(0.01f, adjacency.data()), D3D_OK);
    // ... but by position every edge of the closed cube has a neighbour.
    for (DWORD f = 0; f < mesh->GetNumFaces(); ++f)
        for (DWORD k = 0; k < 3; ++k) {
            DWORD g = adjacency[f * 3 + k];
            ASSERT_LT(g, mesh->GetNumFaces());
            EXPECT_NE(std::count(&adjacency[g * 3], &adjacency[g * 3] + 3, f), 0) << "not mutual";
        }
    ASSERT_EQ(mesh->ConvertAdjacencyToPointReps(adjacency.data(), reps.data()), D3D_OK);
    std::sort(reps.begin(), reps.end());
    EXPECT_EQ(std::unique(reps.begin(), reps.end()) - reps.begin(), 8);  // the 8 corners

    // An index past the vertices, written through a lock, is refused rather
    // than followed.
    void* indices = nullptr;
    ASSERT_EQ(mesh->LockIndexBuffer(0, &indices), D3D_OK);
    static_cast<WORD*>(indices)[4] = WORD(mesh->GetNumVertices() + 1000);
    mesh->UnlockIndexBuffer();
    EXPECT_EQ(mesh->GenerateAdjacency(0.01f, adjacency.data()), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh->ConvertAdjacencyToPointReps(adjacency.data(), reps.data()), D3DERR_INVALIDCALL);
    mesh->Release();
}

TEST(D3DXMesh, GeneratedAssetsLoad) {
    struct Expect {
        const char* file;
        float radius;
    };
    for (const Expect& e : {Expect{"plane.x", std::sqrt(2.0f)}, Expect{"ground.x", std::sqrt(2.0f)},
                            Expect{"skybox.x", std::sqrt(3.0f)}, Expect{"Body/sphereLow.x", 1.0f},
                            Expect{"Body/sphereMedium.x", 1.0f}}) {
        ID3DXMesh* mesh = nullptr;
        ASSERT_EQ(D3DXLoadMeshFromXA(AssetPath(e.file).c_str(), D3DXMESH_MANAGED, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, &mesh),
                  D3D_OK)
            << e.file;
        EXPECT_EQ(mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1)) << e.file;
        const auto* first = reinterpret_cast<const D3DXVECTOR3*>(mesh->VertexBytes().data());
        D3DXVECTOR3 lo, hi, centre;
        float radius = 0;
        D3DXComputeBoundingBox(first, mesh->GetNumVertices(), mesh->GetNumBytesPerVertex(), &lo, &hi);
        D3DXComputeBoundingSphere(first, mesh->GetNumVertices(), mesh->GetNumBytesPerVertex(), &centre, &radius);
        EXPECT_NEAR(radius, e.radius, 0.05f) << e.file;
        EXPECT_NEAR(D3DXVec3Length(&centre), 0.0f, 0.05f) << e.file;  // the doubled seam pulls it a little
        EXPECT_FLOAT_EQ(hi.x, 1.0f) << e.file;
        EXPECT_FLOAT_EQ(lo.z, -1.0f) << e.file;
        mesh->Release();
    }
}
