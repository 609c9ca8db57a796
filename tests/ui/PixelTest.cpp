// What the user interface puts on the screen, read back from llvmpipe and
// saved under the test output folder ("ui/") for a person to look at.
#include <algorithm>
#include <vector>

#include "UIFixture.h"
#include "Video/Camera.h"
#include "Video/ObjectMesh.h"
#include "Video/QuadBatcher.h"
#include "support/Screenshot.h"
#include "ui/Fire.h"
#include "ui/HUDText.h"
#include "ui/SplashScreen.h"

namespace {

int Brightness(D3DCOLOR c) { return std::max({int(c >> 16 & 0xFF), int(c >> 8 & 0xFF), int(c & 0xFF)}); }

class PixelTest : public UIFixture {
protected:
    PixelTest() : UIFixture(640, 480) {}

    // The frame the systems above left, drawn and read back.
    std::vector<D3DCOLOR> Draw(const char* screenshot) {
        video.video.Update();
        UINT width = 0;
        std::vector<D3DCOLOR> pixels = video.Pixels(&width);
        EXPECT_FALSE(SaveScreenshot(pixels, width, "ui", screenshot).empty());
        return pixels;
    }
    static D3DCOLOR At(const std::vector<D3DCOLOR>& pixels, int x, int y) { return pixels[std::size_t(y) * 640 + x]; }
};

// On a white splash, the arrow's dark rim starts exactly on the pointer. At
// 1280 pixels across the 32-pixel arrow is drawn at its own width.
class CursorPixelTest : public UIFixture {
protected:
    CursorPixelTest() : UIFixture(1280, 960) {}
};

TEST_F(CursorPixelTest, TheCursorSpritesTopLeftPixelIsAtTheCursorPosition) {
    SplashScreen backdrop;
    ASSERT_TRUE(backdrop.Init());
    cursor.Show();
    MoveTo(600, 400);
    video.video.Update();
    UINT width = 0;
    std::vector<D3DCOLOR> pixels = video.Pixels(&width);
    ASSERT_EQ(width, 1280u);
    EXPECT_FALSE(SaveScreenshot(pixels, width, "ui", "cursor.png").empty());
    auto at = [&](int x, int y) { return Brightness(pixels[std::size_t(y) * width + x]); };
    EXPECT_LT(at(600, 400), 100);
    EXPECT_GT(at(599, 400), 200);
    EXPECT_GT(at(600, 399), 200);
    EXPECT_LT(at(600, 410), 100);  // the rim down the left edge
    EXPECT_GT(at(603, 410), 200);  // the white inside of the arrow

    MoveTo(20, 30);
    video.video.Update();
    pixels = video.Pixels(&width);
    EXPECT_FALSE(SaveScreenshot(pixels, width, "ui", "cursor_moved.png").empty());
    EXPECT_LT(at(20, 30), 100);
    EXPECT_GT(at(603, 410), 200);  // nothing left where it was
    backdrop.Shutdown();
}

// Glyphs show where PlaceGlyph puts them and nowhere else.
TEST_F(PixelTest, GlyphTextShowsItsGlyphsOnTheirGridPlaces) {
    HUDText text;
    const float origin[2] = {-0.5f, 0.5f};
    const TextDesc desc("Hi! 42", 1.0f, 1.0f, origin, 6, 1, 0);
    ASSERT_TRUE(text.Init(&desc));
    const std::vector<D3DCOLOR> pixels = Draw("glyph_text.png");

    // Slot i's square: 0.075 screen units from x = -0.5 + 0.075 i, y = 0.5
    // down, 24 x 18 pixels, the squares side by side.
    auto brightestIn = [&](int left, int top, int right, int bottom) {
        int brightest = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) brightest = std::max(brightest, Brightness(At(pixels, x, y)));
        return brightest;
    };
    for (int slot = 0; slot < 6; ++slot) {
        const ScreenQuadItem item = ItemOf(slot == 3 ? nullptr : text.Glyph(slot)->quad);
        if (slot != 3) {
            EXPECT_FLOAT_EQ(item.x, -0.5f + 0.075f * slot);
        }
        const int left = 160 + slot * 24, top = 120;
        const int brightest = brightestIn(left + 1, top + 1, left + 23, top + 17);
        if (slot == 3)
            EXPECT_EQ(brightest, 0) << "the space";
        else
            EXPECT_GT(brightest, 200) << "slot " << slot;
    }
    EXPECT_EQ(brightestIn(0, 0, 640, 119), 0);
    EXPECT_EQ(brightestIn(0, 139, 640, 480), 0);
    EXPECT_EQ(brightestIn(0, 0, 159, 480), 0);
    EXPECT_EQ(brightestIn(305, 0, 640, 480), 0);
    text.Shutdown();
}

// A line of glyphs of many textures is drawn in few draws, pixel for pixel
// as one draw per glyph draws it; the glyphs overlap, so their order shows.
TEST_F(PixelTest, GlyphsOfManyTexturesShareDrawsWithTheSamePixels) {
    HUDText text;
    const float origin[2] = {-0.95f, 0.5f};
    const TextDesc desc("Score: 0123456789-!", 0.6f, 1.2f, origin, 20, 6, 0);
    ASSERT_TRUE(text.Init(&desc));
    auto* batcher = eTable::Find<ManagedQuadBuffer>(names::ManagedQuadBuffer);
    auto drawWith = [&](bool shared, const char* screenshot) {
        batcher->ShareTextDrawsAmongTextures(shared);
        const std::vector<D3DCOLOR> pixels = Draw(screenshot);
        batcher->ShareTextDrawsAmongTextures(true);
        return std::make_pair(pixels, plat::LastFrameGlStats().draws);
    };
    const auto [alone, drawsAlone] = drawWith(false, "glyphs_one_draw_each.png");
    const auto [shared, drawsShared] = drawWith(true, "glyphs_sharing_draws.png");
    EXPECT_TRUE(shared == alone);
    EXPECT_LE(drawsShared, drawsAlone - 14);  // 18 glyphs of 17 textures in 3 draws
    int lit = 0;
    for (D3DCOLOR c : shared) lit += Brightness(c) > 200;
    EXPECT_GT(lit, 1000);
    text.Shutdown();
}

// The fire's material moves with the scene's timer: two frames a second
// apart differ.
TEST_F(PixelTest, TheFireAnimates) {
    auto* camera = eTable::Find<Camera>(names::Camera);
    camera->Set({0.0f, 0.0f, -3.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, 0.7853982f, 4.0f / 3.0f, 0.1f, 100.0f);
    Fire fire;
    ASSERT_TRUE(fire.Init());
    Frame(16);
    const std::vector<D3DCOLOR> first = Draw("fire_0.png");
    now += 1000;
    timer.Update();
    const std::vector<D3DCOLOR> second = Draw("fire_1.png");
    int lit = 0, changed = 0;
    for (std::size_t i = 0; i < first.size(); ++i) {
        if (Brightness(first[i]) > 40) ++lit;
        if (first[i] != second[i]) ++changed;
    }
    EXPECT_GT(lit, 500);
    EXPECT_GT(changed, 100);
    fire.Shutdown();
}

// The start-up splash covers the screen and fades to nothing.
TEST_F(PixelTest, TheSplashFadesToNothing) {
    SplashScreen splash;
    ASSERT_TRUE(splash.Init());
    splash.Quad()->SetTextureSlot("splash.png", 30, 0, 0);
    const float gone[4] = {0.2f, 0.0f, 0.0f, 0.0f};
    splash.SetQuadFade(1.0f, gone);
    const std::vector<D3DCOLOR> shown = Draw("splash_0.png");
    for (int y = 0; y < 480; y += 40)
        for (int x = 0; x < 640; x += 40) ASSERT_GT(Brightness(At(shown, x, y)), 30) << x << "," << y;
    for (int i = 0; i < 8; ++i) {
        Frame(100);
        splash.Update();
    }
    Draw("splash_half.png");
    for (int i = 0; i < 72; ++i) {
        Frame(100);
        splash.Update();
    }
    const std::vector<D3DCOLOR> faded = Draw("splash_gone.png");
    for (D3DCOLOR c : faded) ASSERT_LE(Brightness(c), 1);
    splash.Shutdown();
}

}  // namespace
