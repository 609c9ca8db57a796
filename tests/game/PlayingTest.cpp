// The game played as a person plays it: from the menu, through the Play
// button, to a win of level 1, with nothing but pushed mouse input. The test
// reads positions to choose its moves and never touches the world.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "Video/Camera.h"
#include "game/GameSession.h"

namespace {
using ::testing::HasSubstr;
using ::testing::Not;

// The three suns of level 1 (Scripts/level1.py).
constexpr std::uint32_t kSuns[] = {3002, 3003, 3001};

// How far out of the middle of the screen the player has been drawn: the
// larger of its body's projected x and y, 1 at the screen's edge.
class ViewWatch {
public:
    void Look(const GameSession& game) {
        D3DXVECTOR3 p, onScreen;
        if (!game.PositionOf(kPlayer, &p)) return;
        const Camera* camera = eTable::Find<Camera>(names::Camera);
        D3DXVec3TransformCoord(&onScreen, &p, camera->viewProjection);
        if (onScreen.z < 0.0f || onScreen.z > 1.0f) {
            farthest = 99.0f;  // behind the camera
            return;
        }
        farthest = std::max({farthest, std::fabs(onScreen.x), std::fabs(onScreen.y)});
    }
    float farthest = 0.0f;
};

// A small window: the software renderer draws the thousands of frames of
// play in half the time of 640 x 480, and nothing here reads pixels.
TEST(PlayingTest, FromTheMenuToAWinOfLevelOneByMouseAlone) {
    testing::internal::CaptureStderr();
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    ASSERT_TRUE(game.ToTheMenu());
    game.Frames(30);
    game.Screenshot("menu.png");

    // Play is the upper button, in the middle of the screen.
    game.PointAt(0.0f, 0.07f);
    game.Click();
    game.Frames(30);
    ASSERT_EQ(CurrentLevel(), "level1");
    EXPECT_EQ(game.BankInt(kInMenuSlot), 0);
    game.Screenshot("level1.png");

    Pilot pilot(game);
    ViewWatch view;
    // Off the sheet's right edge onto the ground, as a character's knock
    // would send it: the player glides back above the trampoline.
    int frames = 0;
    for (; !game.Object(kPlayer)->moving && frames < 2000; ++frames) {
        pilot.Toward({16.0f, 2.0f, 0.0f});
        game.Frame();
        view.Look(game);
    }
    pilot.Release();
    ASSERT_TRUE(game.Object(kPlayer)->moving) << "never landed on the ground";
    game.Frames(100);
    D3DXVECTOR3 back;
    ASSERT_TRUE(game.PositionOf(kPlayer, &back));
    EXPECT_LT(std::fabs(back.x), 10.0f);
    EXPECT_GT(back.y, 2.0f);
    game.Screenshot("level1_back_on_the_sheet.png");

    for (std::uint32_t sun : kSuns) {
        D3DXVECTOR3 target;
        while (game.PositionOf(sun, &target) && CurrentLevel() == "level1" && frames < 8000) {
            pilot.Toward(target);
            game.Frame();
            view.Look(game);
            ++frames;
        }
    }
    pilot.Release();
    // The camera kept the player in view, off the sheet and on the high
    // bounce to the top sun.
    EXPECT_LE(view.farthest, 0.95f);
    EXPECT_GE(game.Score(), 30) << "after " << frames << " frames";
    // The win shows its word for two seconds, then level 2 is built.
    game.Frames(20);
    game.Screenshot("win.png");
    EXPECT_EQ(CurrentLevel(), "level1");
    game.Frames(150);
    EXPECT_EQ(CurrentLevel(), "level2");
    game.Frames(60);
    game.Screenshot("level2.png");
    EXPECT_EQ(game.BankInt(kLoadingSlot), 0);
    EXPECT_TRUE(game.boxes.texts.empty());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, Not(HasSubstr("Error")));
    EXPECT_THAT(err, Not(HasSubstr("Traceback")));
}

}  // namespace

namespace {

TEST(PlayingTest, MTakesALevelBackToTheMenuEscapeAndTheQuitButtonEndTheGame) {
    {
        GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
        ASSERT_TRUE(game.ok());
        ASSERT_TRUE(game.ToTheMenu());
        game.PointAt(0.0f, 0.07f);
        game.Click();
        game.Frames(5);
        ASSERT_EQ(CurrentLevel(), "level1");
        // A little steering toward the camera leaves the cursor just below
        // where Play was clicked.
        game.PushMotion(0, 40);
        game.Frames(3);
        game.TapKey(SDL_SCANCODE_M);
        game.Frames(3);
        EXPECT_EQ(CurrentLevel(), "menu");
        EXPECT_EQ(game.BankInt(kInMenuSlot), 1);
        // A click where the cursor rests does not end the game.
        game.Click();
        EXPECT_TRUE(game.Running());
        game.TapKey(SDL_SCANCODE_ESCAPE);
        EXPECT_FALSE(game.Running());
    }
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    ASSERT_TRUE(game.ToTheMenu());
    // Quit is the button on the right, below the middle.
    game.PointAt(0.65f, -0.52f);
    game.Click();
    EXPECT_FALSE(game.Running());
}

}  // namespace
