// Procedural textures in every format an effect may ask for: formats the
// device cannot render into are filled through a float texture and
// converted; formats it does not know become the nearest known one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "TestEffects.h"
#include "Video/Effects/EffectsMan.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/GameWindow.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempDir.h"

namespace {

constexpr char kFormatsFile[] = "fxFormats.fxo";

class ProceduralFormats : public ::testing::Test {
protected:
    void SetUp() override {
        const auto sources = dir.Path() / "SourceCode/Video/Effects";
        std::filesystem::create_directories(sources);
        for (const char* source : {"fxFormats.fx", "fxSizes.fx"}) {
            std::filesystem::copy_file(testfx::DataDir() / source, sources / source);
            testfx::Compile(source, dir.Path() / "Assets/Shaders");
        }
        dir.CopyAsset("Models/plane.x");  // the scene's shadow plane
        testfx::WriteSettings();
        ASSERT_NE(gameWindow.Handle(), nullptr);
        ASSERT_TRUE(video.Init());
        effects = eTable::Find<EffectsMan>(names::EffectsMan);
        ASSERT_NE(effects, nullptr);
        effect = effects->GetEffect(kFormatsFile);
        ASSERT_TRUE(effect->IsLoaded());
    }
    void TearDown() override { video.Shutdown(); }

    IDirect3DTexture9* Flat(const char* name) {
        const ProcTexture* proc = effect->FindProcTexture(name);
        EXPECT_EQ(proc->name, name);
        return static_cast<IDirect3DTexture9*>(proc->texture);
    }
    // The bytes of texel (x, y) of level 0.
    std::vector<std::uint8_t> Texel(IDirect3DTexture9* texture, UINT x, UINT y, UINT bytes) {
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        const auto* row = static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch;
        std::vector<std::uint8_t> out(row + x * bytes, row + (x + 1) * bytes);
        texture->UnlockRect(0);
        return out;
    }

    ScopedTempDir dir;
    GameWindow gameWindow;
    MessageBoxRecorder boxes;
    Video video;
    EffectsMan* effects = nullptr;
    Effect* effect = nullptr;
};

// Luminance of (u, 0.5, 0.25) with the loaders' weights, as a byte.
int LuminanceByte(float u) { return static_cast<int>(std::lround((u * 54 + 0.5f * 183 + 0.25f * 19) / 256 * 255)); }

TEST_F(ProceduralFormats, FormatsTheDeviceCannotRenderIntoAreConverted) {
    ASSERT_EQ(effect->procTextures.size(), 8u);
    // Texel 6 of 8 has its centre at u = 13/16.
    const float u = 13.0f / 16.0f;

    IDirect3DTexture9* l8 = Flat("L8");
    EXPECT_EQ(l8->Format(), D3DFMT_L8);
    EXPECT_NEAR(Texel(l8, 6, 1, 1)[0], LuminanceByte(u), 1);

    IDirect3DTexture9* a8l8 = Flat("A8L8");
    const auto la = Texel(a8l8, 6, 2, 2);
    EXPECT_NEAR(la[0], LuminanceByte(u), 1);
    EXPECT_NEAR(la[1], 191, 1);  // alpha 0.75

    IDirect3DTexture9* g16r16 = Flat("G16R16");
    const auto rg = Texel(g16r16, 6, 0, 4);
    EXPECT_NEAR(rg[0] | rg[1] << 8, std::lround(u * 65535), 2);
    EXPECT_NEAR(rg[2] | rg[3] << 8, 32768, 2);

    // DXT1: the block decodes back to the function, within its precision.
    IDirect3DTexture9* dxt = Flat("DXT1");
    EXPECT_EQ(dxt->Format(), D3DFMT_DXT1);
    EXPECT_EQ(dxt->GetLevelCount(), 4u);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(dxt->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* block = static_cast<const std::uint8_t*>(locked.pBits);
    const int colour0 = block[0] | block[1] << 8;
    dxt->UnlockRect(0);
    EXPECT_NEAR((colour0 >> 5) & 63, 32, 1);  // green 0.5 in six bits

    const ProcTexture* volume = effect->FindProcTexture("L8Volume");
    ASSERT_EQ(volume->name, "L8Volume");
    auto* v = static_cast<IDirect3DVolumeTexture9*>(volume->texture);
    EXPECT_EQ(v->Format(), D3DFMT_L8);
    D3DLOCKED_BOX box{};
    ASSERT_EQ(v->LockBox(0, &box, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* slice3 = static_cast<const std::uint8_t*>(box.pBits) + 3 * box.SlicePitch + box.RowPitch;
    EXPECT_NEAR(slice3[1], LuminanceByte(3.0f / 8.0f), 1);
    v->UnlockBox(0);

    const ProcTexture* cube = effect->FindProcTexture("A8Cube");
    ASSERT_EQ(cube->name, "A8Cube");
    auto* c = static_cast<IDirect3DCubeTexture9*>(cube->texture);
    EXPECT_EQ(c->Format(), D3DFMT_A8);
    ASSERT_EQ(c->LockRect(D3DCUBEMAP_FACE_NEGATIVE_Z, 0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_NEAR(static_cast<const std::uint8_t*>(locked.pBits)[5], 191, 1);
    c->UnlockRect(D3DCUBEMAP_FACE_NEGATIVE_Z, 0);
}

TEST_F(ProceduralFormats, UnknownFormatsBecomeTheNearestKnownOneWithoutAFatalError) {
    IDirect3DTexture9* rgb = Flat("R8G8B8");
    EXPECT_EQ(rgb->Format(), D3DFMT_X8R8G8B8);
    const auto xrgb = Texel(rgb, 6, 3, 4);
    EXPECT_NEAR(xrgb[2], std::lround(13.0f / 16.0f * 255), 1);  // red
    EXPECT_NEAR(xrgb[1], 128, 1);
    EXPECT_EQ(xrgb[3], 255);

    IDirect3DTexture9* odd = Flat("Odd");
    EXPECT_EQ(odd->Format(), D3DFMT_A8R8G8B8);
    EXPECT_NEAR(Texel(odd, 0, 0, 4)[3], 191, 1);
    EXPECT_TRUE(boxes.texts.empty());
}

}  // namespace

// Sizes an annotation asks for are checked against the device's caps, and
// their texels in all against what one effect may hold, before anything is
// made: such a texture is left out with a line that names it, instead of
// failing the program or claiming gigabytes.
TEST_F(ProceduralFormats, SizesBeyondTheCapsAreRefusedWithALine) {
    testing::internal::CaptureStderr();
    Effect* sizes = effects->GetEffect("fxSizes.fxo");
    const std::string errors = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(sizes->IsLoaded());
    ASSERT_EQ(sizes->procTextures.size(), 1u);
    EXPECT_EQ(sizes->procTextures[0].name, "Fits");
    EXPECT_TRUE(boxes.texts.empty());
    for (const char* line : {"fxSizes.fxo: procedural texture \"Wide\": width 100000 is not a size from 1 to 8192",
                             "fxSizes.fxo: procedural texture \"Negative\": height -3 is not a size from 1 to 8192",
                             "fxSizes.fxo: procedural texture \"Deep\": depth 4096 is not a size from 1 to 2048",
                             "fxSizes.fxo: procedural texture \"Cube\": width 8193 is not a size from 1 to 8192",
                             "fxSizes.fxo: procedural texture \"Huge\": 536870910 texels with its mip levels, more than "
                             "the 16777216 left to the effect's procedural textures",
                             "fxSizes.fxo: procedural texture \"Thick\": 613566757 texels with its mip levels, more than "
                             "the 16777216 left to the effect's procedural textures"})
        EXPECT_NE(errors.find(line), std::string::npos) << line << "\nin:\n" << errors;
    effects->ReleaseEffect(sizes);
}
