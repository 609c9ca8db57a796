#include <string>

#include "UIFixture.h"
#include "Video/ObjectMesh.h"
#include "Video/TextMan.h"
#include "platform/d3dx/D3DXFont.h"
#include "ui/Fire.h"
#include "ui/HUD.h"
#include "ui/HUDText.h"
#include "ui/SplashScreen.h"

namespace {

class HUDTest : public UIFixture {
protected:
    void SetUp() override {
        UIFixture::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(hud.Init());
        hud.ShowScoreAndTime();
    }
    void TearDown() override {
        hud.Shutdown();
        UIFixture::TearDown();
    }
    // The characters from a slot to the end of the text, blanks as spaces;
    // a blank slot must show nothing.
    static std::string From(HUDText* text, int slot) {
        std::string shown;
        for (int i = slot; i < text->GlyphCount(); ++i) {
            const char c = i < int(text->Text().size()) ? text->Text()[i] : ' ';
            if (c == ' ') {
                EXPECT_EQ(text->Glyph(i)->quad, nullptr) << i;
            }
            shown += c;
        }
        return shown;
    }
    void Step(std::uint32_t ms = 16) {
        Frame(ms);
        hud.Update();
    }

    HUD hud;
};

TEST_F(HUDTest, TheScoreIsWrittenAfterItsLabelAndStaleDigitsAreBlanked) {
    EXPECT_EQ(hud.ScoreText()->Text(), "Score: ");
    hud.score = 42;
    Step();
    EXPECT_EQ(From(hud.ScoreText(), 7), "42" + std::string(9, ' '));
    hud.score = 7;
    Step();
    EXPECT_EQ(From(hud.ScoreText(), 7), "7" + std::string(10, ' '));
    // A respawn's penalty shows whole.
    hud.score = -100;
    Step();
    EXPECT_EQ(From(hud.ScoreText(), 7), "-100" + std::string(7, ' '));
    hud.score = -2147483647 - 1;
    Step();
    EXPECT_EQ(From(hud.ScoreText(), 7), "-2147483648");
}

TEST_F(HUDTest, TheClockCountsGameTimeDownAndStandsStillWhilePaused) {
    Step(0);
    for (int i = 0; i < 7; ++i) Step(500);
    EXPECT_EQ(From(hud.TimeText(), 11), "96" + std::string(9, ' '));
    EXPECT_EQ(hud.TimeText()->Text().substr(0, 11), "Time Left: ");
    timer.SetPaused(true);
    for (int i = 0; i < 10; ++i) Step(500);
    EXPECT_EQ(From(hud.TimeText(), 11), "96" + std::string(9, ' '));
}

TEST_F(HUDTest, RunOutTheClockShowsASingleZero) {
    Step(0);
    EXPECT_EQ(From(hud.TimeText(), 11).substr(0, 3), "100");
    hud.SetLevelTime(0.0f);
    Step();
    EXPECT_EQ(From(hud.TimeText(), 11), "0" + std::string(10, ' '));
    hud.SetLevelTime(0.5f);  // 0.5 s left truncates to 0 as well
    Step();
    EXPECT_EQ(From(hud.TimeText(), 11), "0" + std::string(10, ' '));
}

TEST_F(HUDTest, ShowingTwiceLeavesOnePairAndClearLeavesNoTexts) {
    hud.ShowScoreAndTime();
    EXPECT_EQ(hud.Children().size(), 3u);  // the splash and one pair
    hud.score = 5;
    Step();
    EXPECT_EQ(From(hud.ScoreText(), 7)[0], '5');

    EXPECT_EQ(hud.Clear(), 0);
    EXPECT_TRUE(hud.Children().empty());
    EXPECT_EQ(hud.ScoreText(), nullptr);
    Step();  // nothing to write into
    EXPECT_TRUE(hud.IsInitialized());
    EXPECT_EQ(eTable::Peek(names::HUD), &hud);
}

TEST_F(HUDTest, TheStartUpSplashShowsItsPictureAndFadesOut) {
    auto* splash = static_cast<SplashScreen*>(hud.Children().front());
    ASSERT_EQ(splash->Name(), names::SplashScreen);
    ObjectScreenQuad* quad = splash->Quad();
    EXPECT_EQ(TextureOf(quad), "splash.png");
    const ScreenQuadItem item = ItemOf(quad);
    EXPECT_EQ(item.x, -1.0f);
    EXPECT_EQ(item.y, 1.0f);
    EXPECT_EQ(item.width, 2.0f);
    EXPECT_EQ(quad->surface.diff[3], 1.0f);
    // Rate 1 with 0.25 s frames: a quarter of what is left goes each frame.
    Step(250);
    EXPECT_FLOAT_EQ(quad->surface.diff[3], 0.75f);
    EXPECT_FLOAT_EQ(quad->surface.diff[0], 1.0f - 0.8f * 0.25f);
    EXPECT_EQ(quad->surface.spec[3], 1.0f);  // only the diffuse fades
}

class CaptionTest : public UIFixture {
protected:
    CaptionTest() : UIFixture(1024, 768) {}
};

TEST_F(CaptionTest, TheCaptionSitsInTheMiddleOfTheScreenInTheBubblyFace) {
    SplashScreen splash;
    ASSERT_TRUE(splash.Init());
    splash.SetCaption("Jump on the trampolines!");
    Text* caption = splash.Caption();
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->rect.left, 204);
    EXPECT_EQ(caption->rect.top, 153);
    EXPECT_EQ(caption->rect.right, 819);
    EXPECT_EQ(caption->rect.bottom, 614);
    EXPECT_EQ(caption->wordBreak, 1);
    EXPECT_EQ(caption->GetText(), "Jump on the trampolines!");
    auto* textMan = eTable::Find<TextMan>(names::TextMan);
    const FontRecord& font = textMan->Fonts().back();
    EXPECT_EQ(font.description.height, 37);
    EXPECT_STREQ(font.description.faceName, "Bubbly Frog");

    // A new caption replaces the old text in "TextMan".
    const std::size_t texts = textMan->Children().size();
    splash.SetCaption("Again");
    EXPECT_EQ(textMan->Children().size(), texts);
    EXPECT_EQ(splash.CaptionText(), "Again");

    // Rate 2 and a quarter second: half way to the target, bytes rounded.
    const float target[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    splash.SetCaptionFade(2.0f, target);
    now += 250;
    timer.Update();
    splash.Update();
    EXPECT_EQ(splash.Caption()->colour, 0x80808080u);

    // Steps under half a level still count: the fade does not stall on the
    // rounded bytes (it stood at alpha 31 forever).
    const float clear[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    splash.SetCaptionFade(1.0f, clear);
    for (int frame = 0; frame < 60 * 60; ++frame) {
        now += 16;
        timer.Update();
        splash.Update();
    }
    EXPECT_EQ(splash.Caption()->colour, 0x00FFFFFFu);

    EXPECT_TRUE(splash.Shutdown());
    EXPECT_EQ(textMan->Children().size(), texts - 1);
}

// A frame long enough to take a fade past its target ends it on the target
// (rate 10 and 0.25 s frames: 2.5 times what is left). Past it, the caption
// swung between 0 and 255 every frame and a component grew to NaN.
TEST_F(CaptionTest, ALongFadeStepStopsAtTheTarget) {
    SplashScreen splash;
    ASSERT_TRUE(splash.Init());
    splash.SetCaption("Level 2");
    const float clear[4] = {1.0f, 1.0f, 1.0f, 0.0f}, dim[4] = {0.2f, 0.1f, 0.0f, 0.5f};
    splash.SetCaptionFade(10.0f, clear);
    splash.SetQuadFade(10.0f, dim);
    for (int frame = 0; frame < 40; ++frame) {
        now += 250;
        timer.Update();
        splash.Update();
        ASSERT_EQ(splash.Caption()->colour, 0x00FFFFFFu) << "frame " << frame;
        for (int i = 0; i < 4; ++i) ASSERT_EQ(splash.Quad()->surface.diff[i], dim[i]) << "frame " << frame;
    }
}

TEST_F(CaptionTest, TheFireIsATexturedPlaneFacingTheViewer) {
    Fire fire;
    ASSERT_TRUE(fire.Init());
    ObjectMesh* plane = fire.Quad();
    ASSERT_NE(plane, nullptr);
    ASSERT_EQ(plane->TextureSlots()->Count(), 2u);
    EXPECT_EQ(plane->TextureSlots()->Slot(0)->semantic, 30u);
    EXPECT_EQ(plane->TextureSlots()->Slot(1)->semantic, 32u);
    auto* textures = eTable::Find<TextureMan>(names::TextureMan);
    EXPECT_EQ(textures->FindRecordByTexture(plane->TextureSlots()->Slot(0)->texture)->name, "fire.dds");
    EXPECT_EQ(textures->FindRecordByTexture(plane->TextureSlots()->Slot(1)->texture)->name, "fireDistortion.tga");
    // +Y of the plane turned toward -Z, the viewer.
    D3DXMATRIX world = plane->UpdateWorldMatrix();
    EXPECT_NEAR(world._21, 0.0f, 1e-6f);
    EXPECT_NEAR(world._22, 0.0f, 1e-6f);
    EXPECT_NEAR(world._23, -1.0f, 1e-6f);
    EXPECT_TRUE(fire.Shutdown());
    EXPECT_EQ(fire.Quad(), nullptr);
}

}  // namespace
