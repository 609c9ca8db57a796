#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "characters/Player.h"
#include "world/GameRun.h"
#include "world/Physics.h"
#include "world/Trampoline.h"

namespace {

// What one drop of the player onto a 10 x 10 trampoline showed.
struct Drop {
    bool held = false;           // the trampoline caught the player
    float deepestCentre = 0.0f;  // lowest y of the sheet's centre node
    float apex = -1e9f;          // highest y after the first launch
};

// A trampoline and the player dropped above its centre, in the game as it
// starts.
class MainRoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(game.ok());
        player = game.CreatePlayer();
        ASSERT_NE(player->body, nullptr);
        trampoline = game.CreateSheet();
        ASSERT_TRUE(trampoline->IsInitialized());
    }

    Point& PlayerPoint() { return player->body->points[0]; }
    float CentreY() { return trampoline->body->points[1 + 5 * 11 + 5].position.y; }

    // Drops the player from 12 above the centre and follows it through the
    // landing, the hold and the first launch to the top of that bounce.
    Drop DropPlayer(const std::string& shots) {
        Drop drop;
        player->body->SetPositionXYZ(0.0f, 12.0f, 0.0f);
        bool launched = false, landingShot = false;
        for (int frame = 0; frame < 600; ++frame) {
            const float before = PlayerPoint().velocity.y;
            game.Frame();
            const float v = PlayerPoint().velocity.y;
            if (player->onTrampoline) {
                drop.held = true;
                if (!landingShot && !shots.empty()) game.Screenshot(shots + "_landing.png");
                landingShot = true;
            }
            drop.deepestCentre = std::min(drop.deepestCentre, CentreY());
            if (drop.held && v > 0.0f) launched = true;
            if (launched) drop.apex = std::max(drop.apex, PlayerPoint().position.y);
            if (launched && before > 0.0f && v <= 0.0f) {
                if (!shots.empty()) game.Screenshot(shots + "_top.png");
                break;
            }
        }
        return drop;
    }

    GameRun game;
    Player* player = nullptr;
    Trampoline* trampoline = nullptr;
};

}  // namespace

TEST_F(MainRoadTest, ThePlayerLandsIsHeldAndLaunchedHigherWithADive) {
    for (int i = 0; i < 30; ++i) game.Frame();  // the sheet settles under gravity
    const Drop plain = DropPlayer("main_road");
    EXPECT_TRUE(plain.held);
    EXPECT_LT(plain.deepestCentre, -0.5f);  // the sheet sinks under the player
    EXPECT_GT(plain.apex, 2.0f);  // it leaves the sheet

    game.PushButton(SDL_BUTTON_LEFT, true);  // the dive, held through the next landing
    const Drop dive = DropPlayer("");
    game.PushButton(SDL_BUTTON_LEFT, false);
    EXPECT_TRUE(dive.held);
    EXPECT_GT(dive.apex, plain.apex + 2.0f) << "plain " << plain.apex << ", dive " << dive.apex;
    EXPECT_TRUE(game.boxes.texts.empty());
    for (const std::string& file : game.saved) EXPECT_FALSE(file.empty());
}
