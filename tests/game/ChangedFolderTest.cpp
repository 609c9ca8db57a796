// A main script that makes another folder current as it starts: the game's
// own files are still found where the game started (the start script and its
// key bindings, sounds with the fallback sound, music, the next level's
// module), and the folder the script chose stays current for its own files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "game/GameSession.h"
#include "platform/sound/OpenALSound.h"

namespace {
using ::testing::HasSubstr;
using ::testing::Not;

// The loudest sample mixed over the next frames of the game.
int LoudestOver(GameSession& game, int frames) {
    const int block = Audio::kMixRate * 16 / 1000;
    std::vector<std::int16_t> mixed(std::size_t(block) * 2);
    int loudest = 0;
    for (int i = 0; i < frames; ++i) {
        game.Frame(16);
        if (!plat::RenderSoundFrames(mixed.data(), block)) return -1;
        for (std::int16_t sample : mixed) loudest = std::max(loudest, std::abs(int(sample)));
    }
    return loudest;
}

// Puts the real sound device back, also when an assertion ends the test early.
struct LoopbackSound {
    LoopbackSound() { plat::UseLoopbackSoundDevice(true); }
    ~LoopbackSound() { plat::UseLoopbackSoundDevice(false); }
};

TEST(ChangedFolderTest, TheGamesFilesAreFoundFromTheFolderItStartedInWhateverFolderAScriptMakesCurrent) {
    LoopbackSound sound;
    ::testing::internal::CaptureStderr();
    std::string errors;
    {
        GameSession game(ScopedTempDir::RepositoryRoot() / "tests/game/scripts/elsewhere", 160, 120);
        const std::filesystem::path elsewhere = game.dir.Path() / "elsewhere";
        if (game.ok()) {
            ChangeLevel(game, "yonder");
            EXPECT_EQ(game.BankInt(7), 1) << "the level module was not imported";
            EXPECT_GT(LoudestOver(game, 30), 2000);
            // Escape is bound by the start script only.
            game.TapKey(SDL_SCANCODE_ESCAPE);
            EXPECT_FALSE(game.Running()) << "the start script's bindings were not made";
        }
        std::error_code ec;
        EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), elsewhere, ec))
            << "the folder the script chose is no longer current";
        errors = ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(game.ok()) << errors;
    }
    EXPECT_THAT(errors, Not(HasSubstr("cannot be read")));
    EXPECT_THAT(errors, Not(HasSubstr("pickup.wav")));
    EXPECT_THAT(errors, Not(HasSubstr("menu.wav")));
    EXPECT_THAT(errors, Not(HasSubstr("_invalid_filename.wav")));
    EXPECT_THAT(errors, HasSubstr("gone.wav"));
}

}  // namespace
