// The game's music and sounds, heard through OpenAL Soft's loopback device:
// the menu plays its theme, a level its own; when the level's time runs out
// the music stops and the lose sound plays, then nothing until the menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "audio/Audio.h"
#include "game/GameSession.h"
#include "platform/sound/OpenALSound.h"

namespace {

// The loudest sample mixed over the next frames of the game.
int LoudestOver(GameSession& game, int frames, std::uint32_t ms = 16) {
    const int block = Audio::kMixRate * int(ms) / 1000;
    std::vector<std::int16_t> mixed(std::size_t(block) * 2);
    int loudest = 0;
    for (int i = 0; i < frames; ++i) {
        game.Frame(ms);
        if (!plat::RenderSoundFrames(mixed.data(), block)) return -1;
        for (std::int16_t sample : mixed) loudest = std::max(loudest, std::abs(int(sample)));
    }
    return loudest;
}

TEST(SoundTest, TheMenuAndTheLevelPlayTheirMusicAndRunningOutOfTimeSoundsAndStopsIt) {
    plat::UseLoopbackSoundDevice(true);
    {
        GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 160, 120);
        ASSERT_TRUE(game.ok());
        EXPECT_GT(LoudestOver(game, 60), 2000);
        ChangeLevel(game, "level1");
        EXPECT_GT(LoudestOver(game, 60), 2000);
        // The level's 120 seconds in frames of a quarter second, then the
        // lose sound's second; after it nothing plays until the menu and its
        // music come back, three seconds after the time ran out.
        LoudestOver(game, 477, 250);
        EXPECT_GT(LoudestOver(game, 3, 250), 2000);
        LoudestOver(game, 1, 250);
        EXPECT_LT(LoudestOver(game, 6, 250), 50);
        EXPECT_GT(LoudestOver(game, 8, 250), 2000);
        EXPECT_EQ(CurrentLevel(), "menu");
    }
    plat::UseLoopbackSoundDevice(false);
}

}  // namespace
