// The game played as a person plays it: from the menu, through the Play
// button, to a win of level 1, and wins of levels 2 and 3, each after a
// mistake (off the sheet, into a weed, into a pebble), with nothing but
// pushed mouse input. The tests read positions to choose their moves and
// never touch the world; each prints its level time at the win.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
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
    std::printf("level 1 won after %.1f s of level time, score %d\n", eTable::Find<HUD>(names::HUD)->elapsed,
                game.Score());
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

namespace {

// Steers toward one object after another, each until done() says it is
// reached, and returns false when the level changes or time runs short
// first. The pilot reads positions only; it moves nothing.
class Course {
public:
    Course(GameSession& game, const char* level) : game(game), level(level), pilot(game) {}

    template <typename Done>
    bool Toward(std::uint32_t target, Done done, int frames = 3000) {
        for (int i = 0; i < frames && CurrentLevel() == level; ++i) {
            if (done()) return true;
            D3DXVECTOR3 at;
            if (!game.PositionOf(target, &at)) return done();
            pilot.Toward(at);
            game.Frame();
        }
        return done();
    }
    void Release() { pilot.Release(); }
    // The level's own clock: seconds of level time used.
    float Seconds() const { return eTable::Find<HUD>(names::HUD)->elapsed; }

private:
    GameSession& game;
    std::string level;
    Pilot pilot;
};

// The basket's goal counts the player in once it touches the goal.
constexpr std::uint32_t kGoal = 1002;

TEST(PlayingTest, LevelTwoIsWonByMouseAloneAfterAHit) {
    testing::internal::CaptureStderr();
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    game.Frames(10);
    ChangeLevel(game, "level2");
    Course course(game, "level2");
    // Into a weed on purpose: it costs points once and goes home.
    ASSERT_TRUE(course.Toward(3021, [&] { return game.Score() < 0; }));
    const int afterTheHit = game.Score();
    game.Screenshot("level2_hit.png");
    ASSERT_TRUE(course.Toward(kGoal, [&] { return Shows("Well done!"); }, 6000));
    course.Release();
    std::printf("level 2 won after %.1f s of level time, score %d after a hit to %d\n", course.Seconds(),
                game.Score(), afterTheHit);
    game.Screenshot("level2_won.png");
    game.Frames(150);
    EXPECT_EQ(CurrentLevel(), "level3");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, Not(HasSubstr("Error")));
    EXPECT_THAT(err, Not(HasSubstr("Traceback")));
}

TEST(PlayingTest, LevelThreeIsWonByMouseAloneAfterAHit) {
    testing::internal::CaptureStderr();
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    game.Frames(10);
    ChangeLevel(game, "level3");
    Course course(game, "level3");
    // Into a pebble on purpose: it throws the player up and goes home.
    ASSERT_TRUE(course.Toward(3032, [&] { return game.Object(3032)->moving != 0; }));
    for (std::uint32_t sun : {3030u, 3031u})
        ASSERT_TRUE(course.Toward(sun, [&] { return !game.Object(sun); }, 6000)) << sun;
    ASSERT_TRUE(course.Toward(kGoal, [&] { return Shows("You made it!"); }, 8000));
    course.Release();
    std::printf("level 3 won after %.1f s of level time, score %d\n", course.Seconds(), game.Score());
    game.Screenshot("level3_won.png");
    game.Frames(150);
    EXPECT_EQ(CurrentLevel(), "victory");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, Not(HasSubstr("Error")));
    EXPECT_THAT(err, Not(HasSubstr("Traceback")));
}

}  // namespace
