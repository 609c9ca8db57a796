// "EffectsMan" inside a real video system: compiled effects from
// Assets/Shaders, handles by semantic, procedural textures generated from the
// effect's source through "TextureMan", sharing by literal and device resets.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "TestEffects.h"
#include "Video/Effects/EffectsMan.h"
#include "Video/TextureMan.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempDir.h"
#include "support/GameWindow.h"

namespace {
using ::testing::HasSubstr;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

constexpr char kTestFile[] = "fxTest.fxo";
constexpr char kMissingFile[] = "fxMissing.fxo";

class VideoEffects : public ::testing::Test {
protected:
    void SetUp() override {
        testfx::LayOutWorkingDirectory(dir.Path());
        testfx::WriteSettings();
        ASSERT_NE(gameWindow.Handle(), nullptr);
        ASSERT_TRUE(video.Init());
        effects = eTable::Find<EffectsMan>(names::EffectsMan);
        textures = eTable::Find<TextureMan>(names::TextureMan);
        ASSERT_NE(effects, nullptr);
        ASSERT_NE(textures, nullptr);
    }
    void TearDown() override {
        video.Shutdown();
    }

    ScopedTempDir dir;
    GameWindow gameWindow;
    MessageBoxRecorder boxes;
    Video video;
    EffectsMan* effects = nullptr;
    TextureMan* textures = nullptr;
};

TEST_F(VideoEffects, LoadsTechniquesHandlesAndProceduralTextures) {
    Effect* e = effects->GetEffect(kTestFile);
    ASSERT_TRUE(e->IsLoaded());
    EXPECT_EQ(e->techniqueCount, 4u);
    EXPECT_EQ(e->parameterCount, 13u);
    ASSERT_EQ(e->techniques.size(), 4u);
    EXPECT_EQ(e->techniques[2].passCount, 2u);
    EXPECT_EQ(e->techniques[2].passes.size(), 2u);
    EXPECT_NE(e->handles[sem::DiffuseColor], nullptr);
    EXPECT_NE(e->handles[sem::WorldViewProjection], nullptr);
    EXPECT_NE(e->handles[sem::SpecularPower], nullptr);
    EXPECT_EQ(e->handles[sem::LightColor], nullptr);

    // In creation order; "Volume" spelt with a capital creates nothing.
    ASSERT_EQ(e->procTextures.size(), 4u);
    const ProcTexture& ramp = e->procTextures[0];
    EXPECT_EQ(ramp.name, "fxTest.fxo");
    EXPECT_EQ(ramp.kind, ProcTexture::k2D);
    EXPECT_EQ(e->procTextures[1].name, "NoiseLookUp");
    EXPECT_EQ(e->procTextures[2].kind, ProcTexture::kVolume);
    EXPECT_EQ(e->procTextures[3].kind, ProcTexture::kCube);

    ASSERT_EQ(ramp.texture->GetType(), D3DRTYPE_TEXTURE);
    auto* texture = static_cast<IDirect3DTexture9*>(ramp.texture);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 64u);
    EXPECT_EQ(desc.Height, 64u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 7u);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int y : {0, 17, 63}) {
        for (int x : {0, 40, 63}) {
            D3DCOLOR texel;
            std::memcpy(&texel, static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
            EXPECT_TRUE(testfx::Near(texel, testfx::Argb((x + 0.5f) / 64, (y + 0.5f) / 64, 0.25f), 1))
                << x << "," << y << " " << std::hex << texel;
        }
    }
    texture->UnlockRect(0);

    auto* noise = static_cast<IDirect3DTexture9*>(e->procTextures[1].texture);
    ASSERT_EQ(noise->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 16u);
    EXPECT_EQ(desc.Height, 8u);
}

TEST_F(VideoEffects, FindProcTextureTakesTheExactNameElseTheFirstEntry) {
    Effect* e = effects->GetEffect(kTestFile);
    ASSERT_EQ(e->procTextures.size(), 4u);
    EXPECT_EQ(e->FindProcTexture("NoiseLookUp"), &e->procTextures[1]);
    EXPECT_EQ(e->FindProcTexture("RampCube"), &e->procTextures[3]);
    EXPECT_EQ(e->FindProcTexture("FresnelLookUp"), &e->procTextures[0]);
    EXPECT_EQ(e->FindProcTexture("NoiseLookUp2"), &e->procTextures[0]);
    Effect* missing = effects->GetEffect(kMissingFile);
    EXPECT_EQ(missing->FindProcTexture("NoiseLookUp"), nullptr);
}

TEST_F(VideoEffects, SharingCountsAndTheLastReleaseReturnsTheTextures) {
    const std::size_t othersEntries = effects->EntryCount();  // the scene's shadow materials
    Effect* e = effects->GetEffect(kTestFile);
    EXPECT_EQ(effects->GetEffect(kTestFile), e);
    EXPECT_EQ(effects->CountOf(e), 2);
    IDirect3DBaseTexture9* ramp = e->procTextures[0].texture;
    ASSERT_NE(textures->FindRecordByTexture(ramp), nullptr);
    EXPECT_EQ(textures->FindRecordByTexture(ramp)->references, 1);

    // A reload gives the old textures back before it makes them again.
    ASSERT_TRUE(e->Load(kTestFile));
    ASSERT_EQ(e->procTextures.size(), 4u);
    EXPECT_EQ(textures->FindRecordByTexture(e->procTextures[0].texture)->references, 1);

    ramp = e->procTextures[0].texture;
    effects->ReleaseEffect(e);
    EXPECT_EQ(effects->CountOf(e), 1);
    effects->ReleaseEffect(e);
    EXPECT_EQ(effects->EntryCount(), othersEntries);
    EXPECT_EQ(textures->FindRecordByTexture(ramp), nullptr);
}

TEST_F(VideoEffects, AMissingFileStillGivesASharedUnloadedEffect) {
    Effect* a = effects->GetEffect(kMissingFile);
    Effect* b = effects->GetEffect(kMissingFile);
    EXPECT_EQ(a, b);
    EXPECT_FALSE(a->IsLoaded());
    EXPECT_EQ(a->techniqueCount, 0u);
    EXPECT_EQ(effects->CountOf(a), 2);
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(VideoEffects, WithoutItsSourceAnEffectLoadsWithoutProceduralTextures) {
    std::filesystem::remove(dir.Path() / "SourceCode/Video/Effects/fxTest.fx");
    Effect* e = effects->GetEffect(kTestFile);
    EXPECT_TRUE(e->IsLoaded());
    EXPECT_TRUE(e->procTextures.empty());
}

// Whatever draws with an effect that did not load vanishes, so the reason
// must be in err.txt: one line per file.
TEST_F(VideoEffects, AnEffectOrATextureSourceThatDoesNotLoadIsSaidWithItsReason) {
    const std::filesystem::path shaders = dir.Path() / "Assets/Shaders";
    std::ofstream(shaders / "fxEmpty.fxo").flush();
    std::ofstream(shaders / "fxCorrupt.fxo") << "no effect in here";
    std::filesystem::remove(dir.Path() / "SourceCode/Video/Effects/fxTest.fx");
    CaptureStderr();
    for (const char* file : {kMissingFile, "fxEmpty.fxo", "fxCorrupt.fxo"}) EXPECT_FALSE(effects->GetEffect(file)->IsLoaded());
    EXPECT_TRUE(effects->GetEffect(kTestFile)->IsLoaded());
    const std::string err = GetCapturedStderr();
    // The game's paths are rooted at the working directory as it reads it.
    const std::string root = std::filesystem::current_path().string();
    const std::string shadersPath = root + "/Assets/Shaders/";
    EXPECT_THAT(err, HasSubstr("Error: Effect not loaded: " + shadersPath +
                               "fxMissing.fxo: cannot be read (No such file or directory)\n"));
    EXPECT_THAT(err, HasSubstr("Error: Effect not loaded: " + shadersPath + "fxEmpty.fxo: the file is empty\n"));
    EXPECT_THAT(err, HasSubstr("Error: Effect not loaded: " + shadersPath + "fxCorrupt.fxo: not a compiled effect\n"));
    EXPECT_THAT(err, HasSubstr("Error: fxTest.fxo: procedural texture \"Ramp\" not made: " + root +
                               "/SourceCode/Video/Effects/fxTest.fx: cannot be read (No such file or directory)\n"));
}

TEST_F(VideoEffects, EffectsSurviveADeviceReset) {
    Effect* e = effects->GetEffect(kTestFile);
    UINT passes = 0;
    ASSERT_EQ(e->effect->Begin(&passes, 0), D3D_OK);  // an open Begin holds a state block
    ASSERT_TRUE(video.ResetDevice());
    EXPECT_EQ(e->effect->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 1u);
    EXPECT_EQ(e->effect->End(), D3D_OK);
}

}  // namespace
