// The game is lit for its whole run: the menu before any level, and a level
// whose suns are all caught. Unlit, the ground is drawn flat tan; lit, its
// tiles and grout show, so the pixels of a band of ground vary.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "game/GameSession.h"

namespace {

constexpr int kWidth = 320, kHeight = 240;

// The spread (standard deviation) of the brightness of a band of ground
// between the horizon and the trampoline, at the right edge of the screen
// (none at all when the ground is drawn unlit).
double GroundSpread(const std::vector<D3DCOLOR>& pixels) {
    double sum = 0.0, squares = 0.0;
    int count = 0;
    for (int y = kHeight * 64 / 100; y < kHeight * 70 / 100; ++y)
        for (int x = kWidth * 5 / 6; x < kWidth; ++x) {
            const D3DCOLOR c = pixels[std::size_t(y) * kWidth + x];
            const double luma = 0.3 * double(c >> 16 & 0xFF) + 0.59 * double(c >> 8 & 0xFF) + 0.11 * double(c & 0xFF);
            sum += luma;
            squares += luma * luma;
            ++count;
        }
    const double mean = sum / count;
    return std::sqrt(squares / count - mean * mean);
}

TEST(LightTest, TheMenuAndALevelWhoseSunsAreCaughtShowTheGroundsTiles) {
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", kWidth, kHeight);
    ASSERT_TRUE(game.ok());
    game.Frames(400);
    ASSERT_EQ(game.BankInt(kInMenuSlot), 1);
    std::vector<D3DCOLOR> menu;
    game.TestGame::Screenshot("game", "lit_menu.png", &menu);
    EXPECT_GT(GroundSpread(menu), 4.0);

    ChangeLevel(game, "level1");
    auto* objects = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
    for (std::uint32_t sun : {3001u, 3002u, 3003u})
        if (GameObject* caught = game.Object(sun)) objects->DeleteObject(caught);
    game.Frames(30);
    std::vector<D3DCOLOR> level;
    game.TestGame::Screenshot("game", "lit_level1_without_suns.png", &level);
    EXPECT_GT(GroundSpread(level), 4.0);
}

}  // namespace
