#include <gtest/gtest.h>

#include "characters/Player.h"
#include "ui/HUD.h"
#include "world/GameRun.h"
#include "world/Physics.h"

namespace {

constexpr float kDt = 0.016f;  // every frame of GameRun

// The player of the started game, kept in the air at (0, 50, 0) where
// nothing touches it.
class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(game.ok());
        player = game.CreatePlayer();
        ASSERT_TRUE(player->IsInitialized());
        Hover();
    }
    void Hover() { player->body->SetPositionXYZ(0.0f, 50.0f, 0.0f); }
    Point& P() { return player->body->points[0]; }

    GameRun game;
    Player* player = nullptr;
};

}  // namespace

TEST_F(PlayerTest, StartsAsThePlayerWithFullEnergy) {
    EXPECT_EQ(player->id, 1000u);
    EXPECT_EQ(game.objects->GetObjectById(1000), player);
    EXPECT_EQ(player->energy, 10.0f);
    EXPECT_EQ(player->energyFactor, 1.0f);
    EXPECT_EQ(P().inverseMass, 100.0f);
    EXPECT_NE(player->renderObject, nullptr);
}

TEST_F(PlayerTest, AMissingCharacterFallsBackToTheDefaultBody) {
    Player* other = game.CreatePlayer("NoSuchCharacter");
    ASSERT_NE(other->renderObject, nullptr);
    ASSERT_NE(other->body, nullptr);
    game.Frame();  // updates without a character file
    EXPECT_TRUE(other->IsInitialized());
}

TEST_F(PlayerTest, DivingSpendsEnergyFasterThanItComesBack) {
    game.PushButton(SDL_BUTTON_LEFT, true);
    game.Frame();
    EXPECT_NEAR(player->energy, 10.0f - 12.0f * kDt, 1e-5f);
    float before = player->energy;
    for (int i = 0; i < 3; ++i) {
        Hover();
        game.Frame();
        EXPECT_NEAR(player->energy, before - 6.0f * kDt, 1e-5f);
        before = player->energy;
    }
    // The dive pushes down in the air.
    EXPECT_LT(P().force.y, 0.0f);
}

TEST_F(PlayerTest, AnEmptiedReserveStopsTheBoostUntilItIsFullAgain) {
    player->energy = 0.05f;
    game.PushButton(SDL_BUTTON_RIGHT, true);
    Hover();
    game.Frame();
    EXPECT_EQ(player->energy, 0.0f);
    EXPECT_EQ(player->energyFactor, 0.0f);
    int frames = 0;
    while (player->energyFactor == 0.0f && frames < 200) {
        Hover();
        game.Frame();
        ++frames;
        if (player->energyFactor == 0.0f) {
            ASSERT_EQ(P().force.y, 0.0f) << "frame " << frames;
        }
    }
    EXPECT_GT(frames, 100);  // 10 at 6 a second, nothing spent meanwhile
    EXPECT_EQ(player->energyFactor, 1.0f);
    EXPECT_EQ(P().force.y, 65.0f);  // falling, the boost is whole
    Hover();
    game.Frame();
    EXPECT_EQ(P().force.y, 0.25f * 65.0f);  // rising, a quarter
}

TEST_F(PlayerTest, OnATrampolineTheDiveIsACommandNotAForce) {
    player->onTrampoline = 1;
    game.PushButton(SDL_BUTTON_LEFT, true);
    Hover();
    game.Frame();
    EXPECT_EQ(player->reboundCommand, -1.0f);
    EXPECT_EQ(P().force, D3DXVECTOR3());
    EXPECT_NEAR(player->energy, 10.0f - 12.0f * kDt, 1e-5f);
    game.PushButton(SDL_BUTTON_LEFT, false);
    game.PushButton(SDL_BUTTON_RIGHT, true);
    Hover();
    game.Frame();
    EXPECT_EQ(player->reboundCommand, 0.75f);
}

TEST_F(PlayerTest, TheMouseTurnsThePlayerOnlyPastAnAverageOfOne) {
    for (int i = 0; i < 25; ++i) {
        game.PushMotion(1, 0);
        Hover();
        game.Frame();
    }
    EXPECT_EQ(player->cursorRingIndex, 0);
    EXPECT_EQ(player->runSpeed, 0.0f);  // an average of exactly 1: no turn
    game.PushMotion(2, 0);  // the 26th frame takes the first slot
    Hover();
    game.Frame();
    EXPECT_EQ(player->cursorRing[0].x, 2.0f);
    EXPECT_EQ(player->cursorRingIndex, 1);
    EXPECT_GT(player->runSpeed, 0.0f);  // 1.04: it turns and speeds up
}

TEST_F(PlayerTest, FallingBelowTwentyRespawnsWithAPenalty) {
    auto* hud = eTable::Find<HUD>(names::HUD);
    const std::int32_t score = hud->score;
    player->energy = 3.0f;
    player->body->SetPositionXYZ(5.0f, -20.0f, 5.0f);
    player->Update();
    EXPECT_EQ(P().position.x, 5.0f);
    EXPECT_EQ(hud->score, score);

    player->body->SetPositionXYZ(5.0f, -20.01f, 5.0f);
    player->onTrampoline = 1;
    player->Update();
    EXPECT_EQ(P().position, D3DXVECTOR3(0.0f, 4.0f, 0.0f));
    EXPECT_EQ(P().velocity, D3DXVECTOR3());
    EXPECT_EQ(player->onTrampoline, 0);
    EXPECT_EQ(player->energy, 10.0f);
    EXPECT_EQ(hud->score, score - 100);
}
