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
#include "characters/Animation.h"
#include "characters/NPC.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/ShippedFiles.h"
#include "support/TestGame.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"

namespace {

const std::vector<std::string> kCharacters = {"Player", "Seed", "Weed", "Pebble", "Veggie", "Sunny", "Lamp"};

constexpr UINT kWidth = 240, kHeight = 240;

int Difference(D3DCOLOR a, D3DCOLOR b) {
    int d = 0;
    for (int shift = 0; shift < 24; shift += 8) d += std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF));
    return d;
}

class CharacterPictures : public ::testing::TestWithParam<std::string> {};

// The running game, past its start-up splash, looking at a spot 3 units up
// from a little way off, with a white point light above the camera's left
// (the body materials need a light that is not directional).
class TheGame : public TestGame {
public:
    TheGame() {
        // A tenth of a second a frame: six seconds leave nothing of the splash.
        if (!Start(Windowed(int(kWidth), int(kHeight), "0 0 0"), 100)) return;
        for (int i = 0; i < 60; ++i) app.Update();
        eTable::Find<Camera>(names::Camera)
            ->Set({0.0f, 4.0f, -14.0f}, {0.0f, 3.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, 0.7853982f, 1.0f, 0.1f, 1000.0f);
        AddLamp();
        started = app.Update() && app.Update();
    }
    void AddLamp() {
        const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f}, lamp[3] = {-6.0f, 10.0f, -12.0f}, att[3] = {1.0f, 0.0f, 0.0f};
        eTable::Find<LightMan>(names::LightMan)->AddPointLight(white, lamp, 500.0f, att);
    }
    NPC* MakeCharacter() {
        ObjectDesc desc;
        desc.kind = kKindNPC;
        return static_cast<NPC*>(eTable::Find<GameObjectsMan>(names::GameObjectsMan)->CreateObject(&desc));
    }
    // Held 3 units up in the middle of the view.
    void Place(NPC* npc) {
        npc->body->SetPositionXYZ(0.0f, 3.0f, 0.0f);
        npc->SetRenderPosition(&npc->body->points[0].position);
    }

    bool started = false;
};

}  // namespace

TEST(CharacterPictureList, EveryShippedCharacterHasAPicture) {
    std::set<std::string> shipped;
    for (const auto& path : ShippedFiles("Assets/Characters", ".x"))
        if (path.parent_path().filename() == "Characters") shipped.insert(path.stem().string());
    EXPECT_EQ(shipped, std::set<std::string>(kCharacters.begin(), kCharacters.end()));
}

TEST_P(CharacterPictures, LoadsCleanlyAndDrawsBodyLimbsAndEyes) {
    const std::string name = GetParam();
    TheGame game;
    ASSERT_TRUE(game.started);
    const std::vector<D3DCOLOR> empty = game.BackBuffer();

    NPC* npc = game.MakeCharacter();
    ASSERT_NE(npc, nullptr);
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(npc->LoadCharacter(name.c_str()));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    for (Animation* animation : npc->actionAnimations) EXPECT_NE(animation, nullptr);
    // The light a character carries replaces the scene's: light it anyway.
    if (npc->lightId >= 0) game.AddLamp();

    // Two units tall, standing in the middle of the view, turned a little
    // toward the light; at rest, idle.
    npc->BodyObject()->SetScale(2.0f, 2.0f, 2.0f);
    game.Place(npc);
    D3DXQUATERNION turn;
    D3DXQuaternionRotationYawPitchRoll(&turn, -0.35f, 0.0f, 0.0f);
    npc->BodyObject()->SetRotation(&turn);
    npc->targetHeading = turn;
    npc->PlayAnimation(0, 0.1f, true);
    for (int i = 0; i < 4; ++i) {
        game.Place(npc);  // held in the air
        ASSERT_TRUE(game.app.Update());
    }
    const std::vector<D3DCOLOR> drawn = game.BackBuffer();
    EXPECT_FALSE(SaveScreenshot(drawn, kWidth, "characters", name + ".png").empty());
    EXPECT_TRUE(game.boxes.texts.empty());

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
}

// The player's actions, each held at a telling moment: every action moves
// the limbs visibly away from the rest pose (a picture of each).
TEST(CharacterPoses, ThePlayersActionsMoveItsLimbs) {
    TheGame game;
    ASSERT_TRUE(game.started);
    NPC* npc = game.MakeCharacter();
    ASSERT_TRUE(npc->LoadCharacter("Player"));
    npc->BodyObject()->SetScale(2.0f, 2.0f, 2.0f);
    const struct {
        std::uint32_t action;
        float time;
        const char* name;
    } poses[] = {{0, 0.0f, "idle"}, {2, 0.2f, "jump"}, {3, 0.3f, "fall"}, {5, 0.2f, "hold"},
                 {1, 0.0f, "walk"}, {4, 0.15f, "collide"}, {6, 0.5f, "addforce"}, {7, 0.5f, "loseforce"}};
    std::vector<D3DCOLOR> rest;
    for (const auto& pose : poses) {
        npc->pendingAnimation = nullptr;
        npc->currentAnimation = npc->actionAnimations[pose.action];
        ASSERT_NE(npc->currentAnimation, nullptr) << pose.name;
        for (int i = 0; i < 3; ++i) {
            // The frame's own time is added before the pose is applied.
            npc->currentTime = pose.time - 0.1f;
            game.Place(npc);
            ASSERT_TRUE(game.app.Update());
        }
        const std::vector<D3DCOLOR> drawn = game.BackBuffer();
        SaveScreenshot(drawn, kWidth, "characters", std::string("Player_") + pose.name + ".png");
        if (rest.empty()) {
            rest = drawn;
            continue;
        }
        std::size_t moved = 0;
        for (std::size_t i = 0; i < drawn.size(); ++i) moved += Difference(drawn[i], rest[i]) >= 24;
        EXPECT_GT(moved, drawn.size() / 200) << pose.name << " looks like the rest pose";
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, CharacterPictures, ::testing::ValuesIn(kCharacters),
                         [](const auto& info) { return info.param; });
