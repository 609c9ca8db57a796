#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/TestGame.h"

namespace {

struct Rgb {
    int r, g, b;
};
Rgb Split(D3DCOLOR c) { return {int(c >> 16 & 0xFF), int(c >> 8 & 0xFF), int(c & 0xFF)}; }

// The mean colour of a band of rows.
Rgb MeanOfRows(const std::vector<D3DCOLOR>& pixels, std::uint32_t width, std::uint32_t from, std::uint32_t to) {
    long r = 0, g = 0, b = 0, n = 0;
    for (std::uint32_t y = from; y < to; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            Rgb c = Split(pixels[std::size_t(y) * width + x]);
            r += c.r;
            g += c.g;
            b += c.b;
            ++n;
        }
    return {int(r / n), int(g / n), int(b / n)};
}

}  // namespace

// The game started as it ships, without scripts: once the start-up splash
// has faded, the sky fills the upper part of the screen and the lit
// sand-coloured ground the lower part.
TEST(SkyAndGroundTest, TheGamesOwnStartShowsSkyAboveAndGroundBelow) {
    TestGame game;
    // A tenth of a second a frame: six seconds leave nothing of the splash.
    ASSERT_TRUE(game.Start(TestGame::Windowed(320, 240, "255 0 255"), 100));
    for (int i = 0; i < 60; ++i) ASSERT_TRUE(game.app.Update());

    UINT width = 0, height = 0;
    const std::vector<D3DCOLOR> pixels = game.BackBuffer(&width, &height);
    ASSERT_EQ(width, 320u);
    ASSERT_EQ(height, 240u);
    EXPECT_FALSE(SaveScreenshot(pixels, width, "world", "sky_and_ground.png").empty());
    EXPECT_TRUE(game.boxes.texts.empty());

    // Nothing is left of the clear colour: the sky box covers every pixel
    // the ground does not.
    for (D3DCOLOR c : pixels) ASSERT_NE(c & 0xFFFFFF, 0xFF00FFu);
    const Rgb sky = MeanOfRows(pixels, width, 0, 60);
    const Rgb ground = MeanOfRows(pixels, width, 200, 240);
    EXPECT_GT(sky.b, sky.r) << "sky " << sky.r << " " << sky.g << " " << sky.b;
    EXPECT_GT(ground.r, ground.b) << "ground " << ground.r << " " << ground.g << " " << ground.b;
}
