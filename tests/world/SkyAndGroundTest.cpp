#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Video/Video.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/gfx/Direct3D.h"
#include "platform/window/Clock.h"
#include "support/GameWindow.h"
#include "support/MessageBoxRecorder.h"
#include "support/Screenshot.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"

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
    ScopedTempDir dir;
    dir.LinkAssets();
    MessageBoxRecorder boxes;
    WriteWindowedSettings({.width = 320,
                           .height = 240,
                           .backBufferWidth = 320,
                           .backBufferHeight = 240,
                           .behavior = "HARDWARE",
                           .clearColor = "255 0 255"});
    GameWindow window;
    ASSERT_NE(window.Handle(), nullptr);
    // A tenth of a second a frame: six seconds leave nothing of the splash.
    std::uint32_t now = 1000;
    plat::SetClockSource([&now] { return now += 100; });
    DIva::ResetStartedFlagForTests();
    DIva app;
    WindowPair pair{window.Handle(), nullptr};
    ASSERT_TRUE(app.Init(&pair));
    for (int i = 0; i < 60; ++i) ASSERT_TRUE(app.Update());

    std::vector<D3DCOLOR> pixels;
    UINT width = 0, height = 0;
    eTable::Find<Video>(names::Video)->Device()->ReadBackBuffer(&pixels, &width, &height);
    ASSERT_EQ(width, 320u);
    ASSERT_EQ(height, 240u);
    EXPECT_FALSE(SaveScreenshot(pixels, width, "world", "sky_and_ground.png").empty());
    EXPECT_TRUE(boxes.texts.empty());

    // Nothing is left of the clear colour: the sky box covers every pixel
    // the ground does not.
    for (D3DCOLOR c : pixels) ASSERT_NE(c & 0xFFFFFF, 0xFF00FFu);
    const Rgb sky = MeanOfRows(pixels, width, 0, 60);
    const Rgb ground = MeanOfRows(pixels, width, 200, 240);
    EXPECT_GT(sky.b, sky.r) << "sky " << sky.r << " " << sky.g << " " << sky.b;
    EXPECT_GT(ground.r, ground.b) << "ground " << ground.r << " " << ground.g << " " << ground.b;
    app.Shutdown();
    plat::SetClockSource(nullptr);
}
