// What the scene draws, read back from the back buffer (Mesa llvmpipe):
// a mesh object, a line, a spline and a textured screen quad where the
// camera and the clip-space maths put them, and the early groups under the
// main ones. Each test saves its picture under the test output folder.
#include <gtest/gtest.h>

#include <cstring>

#include "Video/Camera.h"
#include "Video/ObjectLine.h"
#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "Video/TextureMan.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/ColorCompare.h"
#include "support/Screenshot.h"
#include "support/TestVideo.h"

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr D3DCOLOR kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF,
                   kBlack = 0xFF000000;

SurfaceData Coloured(float r, float g, float b) {
    const float diffuse[4] = {r, g, b, 1.0f};
    return SurfaceData(diffuse, nullptr, 10, 0.5f, 0.01f, 1.5f);
}

class ScenePixels : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(video.ok());
        scene = eTable::Find<Scene>(names::MainScene);
        camera = eTable::Find<Camera>(names::Camera);
        ASSERT_NE(scene, nullptr);
        camera->Set({0, 0, -10}, {0, 0, 0}, {0, 1, 0}, D3DX_PI / 4, float(kWidth) / kHeight, 1.0f, 100.0f);
    }
    // Where the camera puts a world point, in pixels from the top left.
    void Project(float x, float y, float z, int* px, int* py) {
        D3DXVECTOR3 world(x, y, z), ndc;
        D3DXVec3TransformCoord(&ndc, &world, camera->viewProjection);
        *px = static_cast<int>((ndc.x + 1.0f) * 0.5f * kWidth);
        *py = static_cast<int>((1.0f - ndc.y) * 0.5f * kHeight);
    }
    D3DCOLOR At(float x, float y, float z) {
        int px = 0, py = 0;
        Project(x, y, z, &px, &py);
        return video.Pixel(static_cast<UINT>(px), static_cast<UINT>(py));
    }
    void Draw(const std::string& picture) {
        ASSERT_TRUE(video.video.Update());
        UINT width = 0;
        const std::vector<D3DCOLOR> pixels = video.Pixels(&width);
        SaveScreenshot(pixels, width, "scene", picture);
    }
    ObjectMesh* Sphere(float x, float y, const SurfaceData& surface, std::uint8_t flags = 0) {
        const MeshObjectDesc desc(flags, "Body/sphereLow.x", 1, surface, 0);
        ObjectMesh* sphere = scene->CreateMeshObject(&desc);
        sphere->SetPosition(x, y, 0);
        return sphere;
    }

    TestVideo video{kWidth, kHeight};
    Scene* scene = nullptr;
    Camera* camera = nullptr;
};

TEST_F(ScenePixels, MeshLineAndSplineLandWhereTheCameraPutsThem) {
    Sphere(-3, 0, Coloured(1, 0, 0));
    const LinePoint line[2] = {{-2, 2, 0, 10, 0}, {2, 2, 0, 10, 0}};
    ObjectLine* lineObject = new ObjectLine;
    const SceneObjectDesc lineDesc(0, "line", 5, 2, Coloured(0, 1, 0), 0, line);
    lineObject->Init(&lineDesc);
    scene->AddObject(lineObject, &lineDesc);
    const LinePoint controls[3] = {{-2, -2, 0, 10, 1}, {0, -3.5f, 0, 10, 1}, {2, -2, 0, 10, 1}};
    ObjectSpline* spline = new ObjectSpline;
    const SceneObjectDesc splineDesc(0, "spline", 5, 3, Coloured(0, 0, 1), 0, controls);
    spline->Init(&splineDesc);
    scene->AddObject(spline, &splineDesc);
    Draw("mesh_line_spline.png");

    EXPECT_PRED3(Near, At(-3, 0, 0), kRed, 2);
    EXPECT_PRED3(Near, At(3, 0, 0), kBlack, 2);
    EXPECT_PRED3(Near, At(0, 2, 0), kGreen, 2);
    EXPECT_PRED3(Near, At(1.9f, 2, 0), kGreen, 2);
    EXPECT_PRED3(Near, At(0, 3, 0), kBlack, 2);
    // The curve's middle: (A + C) / 2 + (B - A) h3 + (C - B) h4 at t = 0.5.
    EXPECT_PRED3(Near, At(0, -2.375f, 0), kBlue, 2);
    EXPECT_PRED3(Near, At(0, -3.5f, 0), kBlack, 2);  // shaped by p1, not through it
    EXPECT_EQ(spline->WasCulled(), 0);
}

TEST_F(ScenePixels, AnEarlyObjectIsDrawnUnderAMainObject) {
    Sphere(0, 0, Coloured(1, 0, 0));                // main list
    Sphere(0, 0, Coloured(0, 0, 1), Object::kEarly);  // added later, drawn first
    Draw("early_under_main.png");
    EXPECT_PRED3(Near, At(0, 0, 0), kRed, 2);
}

TEST_F(ScenePixels, AScreenQuadShowsItsTextureTopLeftAtItsCorner) {
    // An 8 x 8 texture: red, green / blue, white quadrants.
    auto* textures = eTable::Find<TextureMan>(names::TextureMan);
    TextureLoadInfo info;
    info.width = info.height = 8;
    info.mipLevels = 1;
    auto* texture = static_cast<IDirect3DTexture9*>(textures->CreateTexture("quadrants", TextureMan::kFlat, &info));
    ASSERT_NE(texture, nullptr);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const D3DCOLOR c = y < 4 ? (x < 4 ? kRed : kGreen) : (x < 4 ? kBlue : kWhite);
            std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, &c, 4);
        }
    texture->UnlockRect(0);

    // Top-left corner (0, 0.5), 0.5 wide and 1.0 high in units of -1..1.
    const ScreenQuadItem item{0.0f, 0.5f, 0.0f, 0.5f, 1.0f};
    const SceneObjectDesc desc(Object::kGroup64, "plane.x", 23, 1, SurfaceData(), 1, &item);
    ObjectScreenQuad* quad = Scene::CreateScreenQuad(scene, &desc);
    const TextureSlot slot{texture, 30};
    ASSERT_TRUE(quad->ShareTextureSlot(&slot, 0));
    textures->ReleaseTexture(texture);  // the slot holds its own reference
    Draw("textured_screen_quad.png");

    // x 0 .. 0.5 is pixels 80 .. 120; y 0.5 .. -0.5 is pixels 30 .. 90.
    EXPECT_PRED3(Near, video.Pixel(88, 40), kRed, 2);
    EXPECT_PRED3(Near, video.Pixel(112, 40), kGreen, 2);
    EXPECT_PRED3(Near, video.Pixel(88, 80), kBlue, 2);
    EXPECT_PRED3(Near, video.Pixel(112, 80), kWhite, 2);
    EXPECT_PRED3(Near, video.Pixel(76, 40), kBlack, 2);
    EXPECT_PRED3(Near, video.Pixel(100, 94), kBlack, 2);
}

TEST_F(ScenePixels, TheSceneAndTheQuadBatcherSurviveADeviceReset) {
    Sphere(-3, 0, Coloured(1, 0, 0));
    const ScreenQuadItem item{0.0f, 0.5f, 0.0f, 0.5f, 1.0f};
    const SceneObjectDesc desc(Object::kGroup64, "plane.x", 5, 1, Coloured(0, 1, 0), 0, &item);
    Scene::CreateScreenQuad(scene, &desc);
    Draw("before_reset.png");

    video.Device()->InjectCooperativeLevel(D3DERR_DEVICENOTRESET);
    EXPECT_FALSE(video.video.Update());  // the reset frame draws nothing
    EXPECT_TRUE(video.boxes.texts.empty());
    EXPECT_TRUE(video.video.IsActive());
    EXPECT_NE(scene->StateBlock(), nullptr);
    auto* batcher = eTable::Peek(names::ManagedQuadBuffer);
    ASSERT_NE(batcher, nullptr);
    EXPECT_TRUE(batcher->IsInitialized());

    Draw("after_reset.png");
    EXPECT_PRED3(Near, At(-3, 0, 0), kRed, 2);
    EXPECT_PRED3(Near, video.Pixel(100, 60), kGreen, 2);
}

}  // namespace
