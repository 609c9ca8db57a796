// Every shipped character, loaded into the running game in front of the
// camera under a point light: it loads without an error line and draws its
// body, limbs and eyes (a screenshot per character in the test output).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "Video/Camera.h"
#include "Video/LightMan.h"
#include "Video/ObjectMesh.h"
#include "Video/Video.h"
#include "characters/Animation.h"
#include "characters/NPC.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/gfx/Direct3D.h"
#include "support/GameWindow.h"
#include "support/MessageBoxRecorder.h"
#include "support/Screenshot.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"

namespace {

const std::vector<std::string> kCharacters = {"Player", "Seed", "Weed", "Pebble", "Veggie", "Sunny"};

constexpr UINT kWidth = 240, kHeight = 240;

std::vector<D3DCOLOR> Frame() {
    std::vector<D3DCOLOR> pixels;
    UINT width = 0, height = 0;
    eTable::Find<Video>(names::Video)->Device()->ReadBackBuffer(&pixels, &width, &height);
    return pixels;
}

int Difference(D3DCOLOR a, D3DCOLOR b) {
    int d = 0;
    for (int shift = 0; shift < 24; shift += 8) d += std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF));
    return d;
}

class CharacterPictures : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST(CharacterPictureList, EveryShippedCharacterHasAPicture) {
    std::set<std::string> shipped;
    for (const auto& entry :
         std::filesystem::directory_iterator(ScopedTempDir::RepositoryRoot() / "Assets" / "Characters"))
        if (entry.path().extension() == ".x") shipped.insert(entry.path().stem().string());
    EXPECT_EQ(shipped, std::set<std::string>(kCharacters.begin(), kCharacters.end()));
}

TEST_P(CharacterPictures, LoadsCleanlyAndDrawsBodyLimbsAndEyes) {
    const std::string name = GetParam();
    ScopedTempDir dir;
    dir.LinkAssets();
    MessageBoxRecorder boxes;
    WriteWindowedSettings({.width = int(kWidth),
                           .height = int(kHeight),
                           .backBufferWidth = int(kWidth),
                           .backBufferHeight = int(kHeight),
                           .behavior = "HARDWARE",
                           .clearColor = "0 0 0"});
    GameWindow window;
    ASSERT_NE(window.Handle(), nullptr);
    DIva::ResetStartedFlagForTests();
    DIva app;
    WindowPair pair{window.Handle(), nullptr};
    ASSERT_TRUE(app.Init(&pair));
    ASSERT_TRUE(app.Update());

    // The scene without the character, to tell it apart.
    auto* camera = eTable::Find<Camera>(names::Camera);
    camera->Set({0.0f, 4.0f, -14.0f}, {0.0f, 3.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, 0.7853982f, 1.0f, 0.1f, 1000.0f);
    auto* lights = eTable::Find<LightMan>(names::LightMan);
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f}, lamp[3] = {-6.0f, 10.0f, -12.0f}, att[3] = {1.0f, 0.0f, 0.0f};
    lights->AddPointLight(white, lamp, 500.0f, att);
    ASSERT_TRUE(app.Update());
    ASSERT_TRUE(app.Update());
    const std::vector<D3DCOLOR> empty = Frame();

    ObjectDesc desc;
    desc.kind = kKindNPC;
    auto* npc = static_cast<NPC*>(eTable::Find<GameObjectsMan>(names::GameObjectsMan)->CreateObject(&desc));
    ASSERT_NE(npc, nullptr);
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(npc->LoadCharacter(name.c_str()));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    for (Animation* animation : npc->actionAnimations) EXPECT_NE(animation, nullptr);
    // The light a character carries replaces the scene's: light it anyway.
    if (npc->lightId >= 0) lights->AddPointLight(white, lamp, 500.0f, att);

    // Two units tall, standing in the middle of the view, turned a little
    // toward the light; at rest, idle.
    npc->BodyObject()->SetScale(2.0f, 2.0f, 2.0f);
    npc->body->SetPositionXYZ(0.0f, 3.0f, 0.0f);
    npc->SetRenderPosition(&npc->body->points[0].position);
    D3DXQUATERNION turn;
    D3DXQuaternionRotationYawPitchRoll(&turn, -0.35f, 0.0f, 0.0f);
    npc->BodyObject()->SetRotation(&turn);
    npc->targetHeading = turn;
    npc->PlayAnimation(0, 0.1f, true);
    for (int i = 0; i < 4; ++i) {
        npc->body->SetPositionXYZ(0.0f, 3.0f, 0.0f);  // held in the air
        ASSERT_TRUE(app.Update());
    }
    const std::vector<D3DCOLOR> drawn = Frame();
    EXPECT_FALSE(SaveScreenshot(drawn, kWidth, "characters", name + ".png").empty());
    EXPECT_TRUE(boxes.texts.empty());

    // The character covers the middle of the view and a plausible share of
    // it, and nothing near the edges changed.
    std::size_t changed = 0, changedAtEdges = 0;
    for (UINT y = 0; y < kHeight; ++y)
        for (UINT x = 0; x < kWidth; ++x) {
            const std::size_t i = std::size_t(y) * kWidth + x;
            if (Difference(drawn[i], empty[i]) < 24) continue;
            ++changed;
            if (x < 12 || x >= kWidth - 12 || y < 12) ++changedAtEdges;
        }
    const std::size_t all = std::size_t(kWidth) * kHeight;
    EXPECT_GT(changed, all / 25) << name;
    EXPECT_LT(changed, all / 2) << name;
    EXPECT_LT(changedAtEdges, all / 200) << name;
    const std::size_t centre = std::size_t(kHeight / 2) * kWidth + kWidth / 2;
    EXPECT_GE(Difference(drawn[centre], empty[centre]), 24) << name;
    app.Shutdown();
}

INSTANTIATE_TEST_SUITE_P(Shipped, CharacterPictures, ::testing::ValuesIn(kCharacters),
                         [](const auto& info) { return info.param; });
