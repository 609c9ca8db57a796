// "MeshMan" and Mesh without a video system: meshes are CPU-only then,
// which is all that sharing, counting, bounds and layouts need.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <type_traits>

#include "Video/MeshMan.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kTriangle = R"(xof 0303txt 0032
Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;
 MeshTextureCoords { 3; 0;0;, 1;0;, 0;1;; }
 MeshMaterialList { 1; 1; 0;; Material { 1;0;0;1;; 20; 0;0;0;; 0;0;0;; } }
}
)";

constexpr const char* kTwoTriangles = R"(xof 0303txt 0032
Mesh { 4; 0;0;0;, 1;0;0;, 0;1;0;, 1;1;0;; 2; 3;0,1,2;, 3;1,3,2;;
 MeshNormals { 1; 0;0;-1;; 2; 3;0,0,0;, 3;0,0,0;; }
 MeshTextureCoords { 4; 0;0;, 1;0;, 0;1;, 1;1;; }
}
)";

class MeshManTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.Path() / "Assets/Models/Body");
        ASSERT_TRUE(man.Init());
    }

    void Model(const std::string& name, const std::string& text) {
        std::ofstream(dir.Path() / "Assets/Models" / name, std::ios::binary) << text;
    }
    void CopyAsset(const char* relative) {
        std::filesystem::copy_file(ScopedTempDir::RepositoryRoot() / "Assets/Models" / relative,
                                   dir.Path() / "Assets/Models" / relative);
    }
    int CountOf(const Mesh* m) {
        MeshRecord* r = man.FindByMesh(m);
        return r ? r->count : -1;
    }

    ScopedTempDir dir;
    MessageBoxRecorder boxes;
    MeshMan man;
};

std::vector<D3DVERTEXELEMENT9> ElementsOf(ID3DXMesh* mesh) {
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    mesh->GetDeclaration(decl);
    std::vector<D3DVERTEXELEMENT9> out;
    for (int i = 0; decl[i].Stream != 0xFF; ++i) out.push_back(decl[i]);
    return out;
}

bool Has(ID3DXMesh* mesh, BYTE usage) { return mesh->OffsetOf(usage) >= 0; }

}  // namespace

static_assert(!std::is_copy_constructible_v<Mesh> && !std::is_copy_assignable_v<Mesh>);

TEST_F(MeshManTest, SharesByNameAndReadsAgainAfterTheLastRelease) {
    Model("tri.x", kTriangle);
    Mesh* a = man.LoadMesh("tri.x", 0, D3DXMESH_MANAGED);
    Mesh* b = man.LoadMesh("tri.x", 0, D3DXMESH_MANAGED);
    ASSERT_EQ(a, b);
    ASSERT_NE(a->mesh, nullptr);
    EXPECT_EQ(CountOf(a), 2);
    EXPECT_EQ(man.FindByMesh(a)->name, "tri.x");

    // The file is read once: a changed file is not seen while it is held.
    Model("tri.x", kTwoTriangles);
    EXPECT_EQ(man.LoadMesh("tri.x", 0, D3DXMESH_MANAGED)->mesh->GetNumFaces(), 1u);
    man.Release(a);
    man.Release(a);
    man.Release(a);
    EXPECT_EQ(man.FindByMesh(a), nullptr);
    EXPECT_TRUE(man.Records().empty());
    EXPECT_EQ(man.LoadMesh("tri.x", 0, D3DXMESH_MANAGED)->mesh->GetNumFaces(), 2u);

    // Releasing a mesh the manager does not hold does nothing.
    Mesh stranger;
    man.Release(&stranger);
    man.Release(nullptr);
    EXPECT_EQ(man.Records().size(), 1u);
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(MeshManTest, NamesCompareExactlyAndMayBeLong) {
    Model("plane.x", kTriangle);
    Model("Plane.x", kTriangle);
    // Longer than any fixed buffer of the original, within the file
    // system's limit per path component.
    std::string folder(150, 'd');
    std::string longName = folder + "/" + std::string(150, 'f') + ".x";
    std::filesystem::create_directory(dir.Path() / "Assets/Models" / folder);
    Model(longName, kTriangle);
    Mesh* lower = man.LoadMesh("plane.x", 0, D3DXMESH_MANAGED);
    Mesh* upper = man.LoadMesh("Plane.x", 0, D3DXMESH_MANAGED);
    Mesh* longer = man.LoadMesh(longName.c_str(), 0, D3DXMESH_MANAGED);
    EXPECT_NE(lower, upper);
    EXPECT_EQ(man.Records().size(), 3u);
    EXPECT_EQ(man.FindByMesh(longer)->name, longName);
    EXPECT_NE(longer->mesh, nullptr);
    // Newest first.
    EXPECT_EQ(&man.Records().front().mesh, longer);
}

TEST_F(MeshManTest, FailedLoadIsFatalAndItsRecordIsCounted) {
    Mesh* m = man.LoadMesh("missing.x", 0, D3DXMESH_MANAGED);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->mesh, nullptr);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "FATAL ERROR: Loading mesh (missing.x) to video memory failed!");
    EXPECT_EQ(man.LoadMesh("missing.x", 0, D3DXMESH_MANAGED), m);
    EXPECT_EQ(CountOf(m), 2);
    EXPECT_EQ(boxes.texts.size(), 1u);  // the record stays: no second attempt
}

TEST_F(MeshManTest, CreatedMeshKeepsItsOwnSizesForLaterCallers) {
    Mesh* first = man.CreateMesh("custom", 2, 4, D3DFVF_XYZ | D3DFVF_DIFFUSE, nullptr, D3DXMESH_MANAGED);
    ASSERT_NE(first->mesh, nullptr);
    EXPECT_EQ(first->mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_DIFFUSE));
    testing::internal::CaptureStderr();
    Mesh* second = man.CreateMesh("custom", 200, 400, D3DFVF_XYZ, nullptr, D3DXMESH_MANAGED);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("custom"), std::string::npos);
    EXPECT_EQ(second, first);
    // The sizes a writer must bound itself by are the real ones.
    EXPECT_EQ(second->mesh->GetNumVertices(), 4u);
    EXPECT_EQ(second->mesh->GetNumFaces(), 2u);
    EXPECT_EQ(CountOf(first), 2);

    D3DVERTEXELEMENT9 decl[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                {0, 12, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_TEXCOORD, 0}, D3DDECL_END()};
    Mesh* declared = man.CreateMesh("declared", 1, 3, D3DFVF_XYZ, decl, 0);
    EXPECT_EQ(declared->mesh->GetNumBytesPerVertex(), 28u);

    Mesh* refused = man.CreateMesh("too big", 1, 70000, D3DFVF_XYZ, nullptr, 0);
    EXPECT_EQ(refused->mesh, nullptr);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "FATAL ERROR: Creating mesh (too big) to video memory failed!");
}

TEST_F(MeshManTest, MaterialsTakeTheDiffuseColourEverywhere) {
    Model("tri.x", kTriangle);
    Mesh* m = man.LoadMesh("tri.x", 0, D3DXMESH_MANAGED);
    ASSERT_EQ(m->materialCount, 1u);
    ASSERT_EQ(m->materials.size(), 1u);
    ASSERT_EQ(m->textures.size(), 1u);
    EXPECT_EQ(m->textures[0], nullptr);
    for (const D3DCOLORVALUE& c : {m->materials[0].Diffuse, m->materials[0].Ambient, m->materials[0].Specular}) {
        EXPECT_EQ(c.r, 1.0f);
        EXPECT_EQ(c.g, 0.0f);
        EXPECT_EQ(c.b, 0.0f);
        EXPECT_EQ(c.a, 1.0f);
    }
    EXPECT_EQ(m->materials[0].Power, 20.0f);
}

TEST_F(MeshManTest, BoundsOfTheSphere) {
    CopyAsset("Body/sphereLow.x");
    Mesh* m = man.LoadMesh("Body/sphereLow.x", 0, D3DXMESH_MANAGED);
    ASSERT_NE(m->mesh, nullptr);
    // Centre: the mean of the vertex positions, as computed here.
    const std::uint8_t* bytes = m->mesh->VertexBytes().data();
    D3DXVECTOR3 sum;
    for (DWORD v = 0; v < m->mesh->GetNumVertices(); ++v) {
        D3DXVECTOR3 p;
        std::memcpy(&p.x, bytes + v * m->mesh->GetNumBytesPerVertex(), 12);
        sum += p;
    }
    D3DXVECTOR3 mean = sum / float(m->mesh->GetNumVertices());
    EXPECT_NEAR(m->sphereCentre.x, mean.x, 1e-6f);
    EXPECT_NEAR(m->sphereCentre.y, 0.0f, 1e-6f);  // the rings are symmetric
    EXPECT_GT(m->sphereCentre.x, 0.0f);           // the doubled seam lies at +x
    // Radius: the farthest vertex from that centre, the seam's opposite side.
    EXPECT_NEAR(m->sphereRadius, 1.0f + m->sphereCentre.x, 1e-3f);
    EXPECT_FLOAT_EQ(m->boxMin.y, -1.0f);
    EXPECT_FLOAT_EQ(m->boxMax.y, 1.0f);
}

TEST_F(MeshManTest, PrepareForEffectsAddsTheTangentFrame) {
    Model("with.x", kTwoTriangles);
    Model("without.x", kTriangle);
    Mesh* with = man.LoadMesh("with.x", 0, D3DXMESH_MANAGED);
    Mesh* without = man.LoadMesh("without.x", 0, D3DXMESH_MANAGED);
    DWORD withSize = with->mesh->GetNumBytesPerVertex(), withoutSize = without->mesh->GetNumBytesPerVertex();

    ASSERT_TRUE(with->PrepareForEffects());
    ASSERT_TRUE(without->PrepareForEffects());
    EXPECT_EQ(with->mesh->GetNumBytesPerVertex(), withSize + 24);
    EXPECT_EQ(without->mesh->GetNumBytesPerVertex(), withoutSize + 36);
    EXPECT_EQ(with->effectLayoutReady, 1);
    for (Mesh* m : {with, without}) {
        EXPECT_TRUE(Has(m->mesh, D3DDECLUSAGE_NORMAL));
        EXPECT_TRUE(Has(m->mesh, D3DDECLUSAGE_TANGENT));
        EXPECT_TRUE(Has(m->mesh, D3DDECLUSAGE_BINORMAL));
    }
    // The file's normals are kept (it says -z; the triangles face -z as
    // well, so compare with a mesh whose computed normals would differ in
    // nothing but sign: check the stored value itself).
    D3DXVECTOR3 n;
    std::memcpy(&n.x, with->mesh->VertexBytes().data() + with->mesh->OffsetOf(D3DDECLUSAGE_NORMAL), 12);
    EXPECT_EQ(n.z, -1.0f);
    // Computed where the file had none: the triangle (0,0,0) (1,0,0) (0,1,0)
    // is clockwise seen from +z.
    std::memcpy(&n.x, without->mesh->VertexBytes().data() + without->mesh->OffsetOf(D3DDECLUSAGE_NORMAL), 12);
    EXPECT_FLOAT_EQ(n.z, 1.0f);

    // A second call keeps the layout.
    std::size_t elements = ElementsOf(with->mesh).size();
    ASSERT_TRUE(with->PrepareForEffects());
    EXPECT_EQ(ElementsOf(with->mesh).size(), elements);

    Mesh empty;
    EXPECT_FALSE(empty.PrepareForEffects());
}

TEST_F(MeshManTest, ShutdownEmptiesAndLeavesTheRegistry) {
    Model("tri.x", kTriangle);
    man.LoadMesh("tri.x", 0, D3DXMESH_MANAGED);
    EXPECT_FALSE(man.Init());
    EXPECT_EQ(eTable::Peek(names::MeshMan), &man);
    EXPECT_TRUE(man.Shutdown());
    EXPECT_TRUE(man.Records().empty());
    EXPECT_EQ(eTable::Peek(names::MeshMan), nullptr);
    EXPECT_FALSE(man.Shutdown());
}

// A custom render object's pre-transformed vertices (x, y, z, rhw) give
// bounds from their x, y and z.
TEST(MeshBounds, APreTransformedPositionGivesTheBounds) {
    D3DVERTEXELEMENT9 decl[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0}, D3DDECL_END()};
    Mesh m;
    ASSERT_TRUE(m.CreateMesh(1, 3, decl, D3DXMESH_MANAGED));
    const float vertices[] = {10, 20, 0.5f, 1, 30, 20, 0.25f, 1, 10, 60, 0.75f, 1};
    void* data = nullptr;
    ASSERT_EQ(m.mesh->LockVertexBuffer(0, &data), D3D_OK);
    std::memcpy(data, vertices, sizeof vertices);
    m.mesh->UnlockVertexBuffer();
    m.ComputeBounds();
    EXPECT_FLOAT_EQ(m.boxMin.x, 10.0f);
    EXPECT_FLOAT_EQ(m.boxMax.y, 60.0f);
    EXPECT_FLOAT_EQ(m.boxMin.z, 0.25f);
    EXPECT_FLOAT_EQ(m.sphereCentre.x, 50.0f / 3.0f);
}
