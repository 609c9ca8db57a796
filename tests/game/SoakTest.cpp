// The soak: thousands of frames of level 2 with the test's pilot chasing
// the level's characters about, diving and boosting, under whatever build
// runs it (`make soak` runs it under AddressSanitizer and
// UndefinedBehaviorSanitizer). When the level ends (won, lost, or left) the
// pilot starts it again. Not part of the normal run: it takes minutes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/Random.h"
#include "game/GameSession.h"

namespace {
using ::testing::HasSubstr;
using ::testing::Not;

// The characters of level 2 (Scripts/level2.py) and the basket's goal.
constexpr std::uint32_t kTargets[] = {3020, 3021, 3022, 3023, 3024, 1002};

int FramesToRun() {
    const char* given = std::getenv("TOLLYMOP_SOAK_FRAMES");
    return given ? std::atoi(given) : 10000;
}

TEST(SoakTest, DISABLED_LevelTwoForTenThousandFramesWithThePilot) {
    testing::internal::CaptureStderr();
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    Random::Seed(21);
    game.Frames(10);
    ChangeLevel(game, "level2");
    Pilot pilot(game);
    const int frames = FramesToRun();
    int restarts = 0;
    std::uint32_t target = kTargets[0];
    for (int frame = 0; frame < frames && game.Running(); ++frame) {
        if (CurrentLevel() != "level2") {
            pilot.Release();
            ChangeLevel(game, "level2");
            ++restarts;
        }
        if (frame % 300 == 0) target = kTargets[Random::Next() % 6];
        D3DXVECTOR3 point;
        if (game.PositionOf(target, &point)) pilot.Toward(point);
        // Now and then a boost, held for a while.
        if (frame % 500 == 250) game.PushButton(SDL_BUTTON_RIGHT, true);
        if (frame % 500 == 330) game.PushButton(SDL_BUTTON_RIGHT, false);
        game.Frame(16);
    }
    EXPECT_TRUE(game.Running());
    std::printf("%d frames of level 2, %d restarts, score %d\n", frames, restarts, game.Score());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, Not(HasSubstr("Error")));
    EXPECT_THAT(err, Not(HasSubstr("Traceback")));
}

}  // namespace
