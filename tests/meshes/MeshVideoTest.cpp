// "MeshMan" as the video system's child: meshes on the real device, their
// material textures shared through "TextureMan".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Video/MeshMan.h"
#include "Video/TextureMan.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"
#include "support/GameWindow.h"

namespace {

constexpr const char* kTexturedTriangle = R"(xof 0303txt 0032
Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 2; 3;0,1,2;, 3;0,2,1;;
 MeshMaterialList { 2; 2; 0,1;;
  Material { 1;1;1;1;; 1; 0;0;0;; 0;0;0;; TextureFilename { "_invalid_filename.bmp"; } }
  Material { 1;1;1;1;; 1; 0;0;0;; 0;0;0;; TextureFilename { "_invalid_filename.bmp"; } }
 }
}
)";

class MeshVideoTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(gameWindow.Handle(), nullptr);
        WriteWindowedSettings();
        auto root = ScopedTempDir::RepositoryRoot() / "Assets";
        std::filesystem::create_directories(dir.Path() / "Assets/Textures");
        std::filesystem::create_directories(dir.Path() / "Assets/Models");
        std::filesystem::copy_file(root / "Textures/_invalid_filename.bmp",
                                   dir.Path() / "Assets/Textures/_invalid_filename.bmp");
        std::ofstream(dir.Path() / "Assets/Models/textured.x") << kTexturedTriangle;
        // The scene's shadow plane, which every video system loads.
        dir.CopyAsset("Models/plane.x");
        ASSERT_TRUE(video.Init());
        meshes = eTable::Find<MeshMan>(names::MeshMan);
        textures = eTable::Find<TextureMan>(names::TextureMan);
        ASSERT_NE(meshes, nullptr);
        ASSERT_NE(textures, nullptr);
    }
    void TearDown() override {
        video.Shutdown();
    }

    ScopedTempDir dir;
    GameWindow gameWindow;
    MessageBoxRecorder boxes;
    Video video;
    MeshMan* meshes = nullptr;
    TextureMan* textures = nullptr;
};

}  // namespace

TEST_F(MeshVideoTest, MaterialTexturesAreCountedAndGivenBack) {
    Mesh* m = meshes->LoadMesh("textured.x", 0, D3DXMESH_MANAGED);
    ASSERT_NE(m->mesh, nullptr);
    IDirect3DDevice9* device = nullptr;
    m->mesh->GetDevice(&device);
    EXPECT_EQ(device, video.Device());
    if (device) device->Release();

    ASSERT_EQ(m->materialCount, 2u);
    ASSERT_NE(m->textures[0], nullptr);
    EXPECT_EQ(m->textures[0], m->textures[1]);
    EXPECT_EQ(textures->FindRecordByTexture(m->textures[0])->references, 2);

    // A second holder shares the mesh and takes no texture reference.
    EXPECT_EQ(meshes->LoadMesh("textured.x", 0, D3DXMESH_MANAGED), m);
    IDirect3DBaseTexture9* texture = m->textures[0];
    EXPECT_EQ(textures->FindRecordByTexture(texture)->references, 2);
    meshes->Release(m);
    meshes->Release(m);
    EXPECT_EQ(textures->FindRecordByTexture(texture), nullptr);
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(MeshVideoTest, ShutdownInChildOrderLeavesNothingBehind) {
    Mesh* m = meshes->LoadMesh("textured.x", 0, D3DXMESH_MANAGED);
    ASSERT_TRUE(m->BuildShadowVolume());
    ASSERT_TRUE(m->PrepareForEffects());
    // "TextureMan" goes first and releases its textures; "MeshMan" then
    // drops its meshes without asking for it.
    video.Shutdown();
    EXPECT_EQ(eTable::Peek(names::MeshMan), nullptr);
    EXPECT_EQ(eTable::Peek(names::TextureMan), nullptr);
    EXPECT_TRUE(boxes.texts.empty());
}
