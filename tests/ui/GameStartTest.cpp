// The user interface as the game starts it, without scripts: the start-up
// splash over everything, fading to show the world with the HUD's score and
// time in the top-left corner; the cursor a child of the application right
// after the timer, hidden until a script shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/TestGame.h"
#include "ui/Cursor.h"
#include "ui/HUD.h"
#include "ui/HUDText.h"

namespace {

int Brightness(D3DCOLOR c) { return std::max({int(c >> 16 & 0xFF), int(c >> 8 & 0xFF), int(c & 0xFF)}); }

// The warm yellow of the splash's title letters (dimmed as it fades).
int TitlePixels(const std::vector<D3DCOLOR>& pixels) {
    int count = 0;
    for (D3DCOLOR c : pixels) {
        const int r = int(c >> 16 & 0xFF), g = int(c >> 8 & 0xFF), b = int(c & 0xFF);
        if (r > 150 && g > r * 7 / 10 && g < r * 95 / 100 && b < r * 4 / 10) ++count;
    }
    return count;
}

std::vector<D3DCOLOR> Screen(const TestGame& game, const char* name) {
    std::vector<D3DCOLOR> pixels;
    EXPECT_FALSE(game.Screenshot("ui", name, &pixels).empty());
    return pixels;
}

TEST(GameStartTest, TheSplashFadesToTheWorldWithTheScoreAndTimeShowing) {
    TestGame game;
    ASSERT_TRUE(game.Start(TestGame::Windowed(640, 480, "255 0 255"), 100));
    DIva& app = game.app;

    const auto& children = app.Children();
    const auto timer = std::find_if(children.begin(), children.end(),
                                    [](System* s) { return s->Name() == names::Timer; });
    ASSERT_NE(timer, children.end());
    ASSERT_NE(std::next(timer), children.end());
    EXPECT_EQ((*std::next(timer))->Name(), names::Cursor);
    auto* cursor = eTable::Find<Cursor>(names::Cursor);
    EXPECT_FALSE(cursor->visible);

    ASSERT_TRUE(app.Update());
    ASSERT_TRUE(app.Update());
    const std::vector<D3DCOLOR> start = Screen(game, "game_start.png");
    EXPECT_GT(TitlePixels(start), 2000);

    for (int i = 0; i < 70; ++i) ASSERT_TRUE(app.Update());
    const std::vector<D3DCOLOR> later = Screen(game, "game_after_splash.png");
    EXPECT_EQ(TitlePixels(later), 0);

    auto* hud = eTable::Find<HUD>(names::HUD);
    ASSERT_NE(hud->TimeText(), nullptr);
    EXPECT_EQ(hud->TimeText()->Text().substr(0, 13), "Time Left: 92");
    // White glyphs over the sky in the top-left corner.
    int white = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 320; ++x)
            if (Brightness(later[std::size_t(y) * 640 + x]) > 240) ++white;
    EXPECT_GT(white, 100);
    EXPECT_TRUE(game.boxes.texts.empty());
}

}  // namespace
