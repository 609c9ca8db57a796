// The device sends GL only what changed since its last draw: level 2 (its
// effects, shadows, text and HUD) drawn again on the same game state with
// that record switched off, sending everything, shows the same pixels.
#include <gtest/gtest.h>

#include "Video/Video.h"
#include "game/GameSession.h"
#include "support/ColorCompare.h"

TEST(StateCacheTest, LevelTwoDrawsTheSamePixelsWithTheDevicesStateRecordOff) {
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 320, 240);
    ASSERT_TRUE(game.ok());
    game.Frames(10);
    ChangeLevel(game, "level2");
    game.Frames(60, 33);
    // A frame that took no time: the clock and the scene's timer stand
    // still through the draws below, so only the device's way of sending
    // them differs.
    game.Frame(0);
    Video* video = eTable::Find<Video>(names::Video);
    auto draw = [&](bool recordOn, const char* name) {
        plat::SetGlStateCache(recordOn);
        video->Update();
        std::vector<D3DCOLOR> pixels;
        game.TestGame::Screenshot("game", name, &pixels);
        return pixels;
    };
    const std::vector<D3DCOLOR> on = draw(true, "state_record_on.png");
    const std::vector<D3DCOLOR> off = draw(false, "state_record_off.png");
    const std::vector<D3DCOLOR> onAgain = draw(true, "state_record_on_again.png");
    plat::SetGlStateCache(true);
    EXPECT_EQ(CountDifferentPixels(on, off), 0u);
    EXPECT_EQ(CountDifferentPixels(onAgain, off), 0u);
}
