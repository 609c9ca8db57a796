// The game played as a person plays it: from the menu, through the Play
// button, to a win of level 1, with nothing but pushed mouse input. The test
// reads positions to choose its moves and never touches the world.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "game/GameSession.h"

namespace {
using ::testing::HasSubstr;
using ::testing::Not;

// The three suns of level 1 (Scripts/level1.py).
constexpr std::uint32_t kSuns[] = {3002, 3003, 3001};

TEST(PlayingTest, FromTheMenuToAWinOfLevelOneByMouseAlone) {
    testing::internal::CaptureStderr();
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 640, 480);
    ASSERT_TRUE(game.ok());
    game.Frames(150);
    EXPECT_EQ(game.BankInt(kInMenuSlot), 1);
    game.Screenshot("menu.png");

    // Play is the upper button, in the middle of the screen.
    game.PointAt(0.0f, 0.07f);
    game.Click();
    game.Frames(30);
    ASSERT_EQ(CurrentLevel(), "level1");
    EXPECT_EQ(game.BankInt(kInMenuSlot), 0);
    game.Screenshot("level1.png");

    Pilot pilot(game);
    int frames = 0;
    for (std::uint32_t sun : kSuns) {
        D3DXVECTOR3 target;
        while (game.PositionOf(sun, &target) && CurrentLevel() == "level1" && frames < 6000) {
            pilot.Toward(target);
            game.Frame();
            ++frames;
        }
    }
    pilot.Release();
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
        game.Frames(20);
        game.PointAt(0.0f, 0.07f);
        game.Click();
        game.Frames(5);
        ASSERT_EQ(CurrentLevel(), "level1");
        game.TapKey(SDL_SCANCODE_M);
        game.Frames(3);
        EXPECT_EQ(CurrentLevel(), "menu");
        EXPECT_EQ(game.BankInt(kInMenuSlot), 1);
        game.TapKey(SDL_SCANCODE_ESCAPE);
        EXPECT_FALSE(game.Running());
    }
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    game.Frames(20);
    // Quit is the lower button.
    game.PointAt(0.0f, -0.22f);
    game.Click();
    EXPECT_FALSE(game.Running());
}

}  // namespace
