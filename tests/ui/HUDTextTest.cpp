#include <cmath>

#include "UIFixture.h"
#include "core/Random.h"
#include "ui/HUDText.h"

namespace {

TEST(GlyphNameTest, LettersDigitsAndTheFourSignsHaveGlyphsAndNothingElse) {
    std::string file;
    for (auto [c, name] : {std::pair{'A', "a"}, {'a', "a"}, {'Z', "z"}, {'9', "9"}, {':', "colon"},
                           {char(169), "copy"}, {'-', "dash"}, {'!', "exc"}}) {
        ASSERT_TRUE(GetGlyphFileName(file, c)) << int(c);
        EXPECT_EQ(file, std::string("Fonts/") + name + ".dds");
    }
    for (char c : {' ', '.', '@', '[', '`', '{', char(168), char(170), char(233)})
        EXPECT_FALSE(GetGlyphFileName(file, c)) << int(c);
}

// Every glyph the tool draws is a file the texture manager finds.
TEST(GlyphNameTest, EveryGlyphTextureIsShipped) {
    const auto fonts = ScopedTempDir::RepositoryRoot() / "Assets" / "Textures";
    std::string file;
    for (int c = 0; c < 256; ++c) {
        if (!GetGlyphFileName(file, char(c))) continue;
        EXPECT_TRUE(std::filesystem::exists(fonts / file)) << file;
    }
}

TEST(GlyphNameTest, Utf8FromScriptsBecomesGlyphCodes) {
    EXPECT_EQ(GlyphCodesFromUtf8("\xC2\xA9 2007"), std::string("\xA9 2007"));
    EXPECT_EQ(GlyphCodesFromUtf8("caf\xC3\xA9"), std::string("caf\xE9"));
    EXPECT_EQ(GlyphCodesFromUtf8("\xE2\x82\xAC"), "?");  // the euro sign has no Latin-1 code
    EXPECT_EQ(GlyphCodesFromUtf8("\xA9"), std::string("\xA9"));  // already Latin-1
}

class HUDTextTest : public UIFixture {
protected:
    HUDText& Make(const std::string& s, std::uint32_t slots, std::uint32_t range = 1, std::uint32_t mode = 0) {
        const float origin[2] = {-0.5f, 0.5f};
        const TextDesc desc(s, 0.8f, 1.0f, origin, slots, range, mode);
        EXPECT_TRUE(text.Init(&desc));
        return text;
    }
    ObjectScreenQuad* QuadAt(int slot) { return text.Glyph(slot) ? text.Glyph(slot)->quad : nullptr; }
    float GridX(int slot) const { return float(slot) * 0.8f * HUDText::kGridUnit - 0.5f; }

    HUDText text;
};

TEST_F(HUDTextTest, EachCharacterWithAGlyphGetsOneQuadOnTheGrid) {
    Make("Score: ", 10);
    for (int i = 0; i < 6; ++i) ASSERT_NE(QuadAt(i), nullptr) << i;
    EXPECT_EQ(QuadAt(6), nullptr);  // space
    EXPECT_EQ(TextureOf(QuadAt(0)), "Fonts/s.dds");
    EXPECT_EQ(TextureOf(QuadAt(5)), "Fonts/colon.dds");
    EXPECT_EQ(ItemOf(QuadAt(3)).x, GridX(3));
    EXPECT_EQ(ItemOf(QuadAt(3)).y, 0.5f);
    EXPECT_EQ(QuadAt(0)->Name(), std::string("ObjectScreenQuad"));
}

TEST_F(HUDTextTest, ATextLongerThanItsSlotsShowsOnlyTheFirstOnes) {
    Make("abcdef", 3);
    EXPECT_EQ(text.Text(), "abcdef");
    EXPECT_NE(QuadAt(2), nullptr);
    EXPECT_EQ(QuadAt(3), nullptr);
    EXPECT_EQ(text.GlyphCount(), 3);
}

TEST_F(HUDTextTest, SetCharPadsToTheSlotAndAReplacedGlyphKeepsItsPlace) {
    Make("abcdefghij", 14);
    text.SetChar(12, '5');
    EXPECT_EQ(text.Text(), "abcdefghij  5");
    EXPECT_EQ(QuadAt(10), nullptr);
    EXPECT_EQ(QuadAt(11), nullptr);
    ASSERT_NE(QuadAt(12), nullptr);
    EXPECT_EQ(ItemOf(QuadAt(12)).x, GridX(12));

    // A glyph that has moved keeps its place and base size when replaced.
    QuadAt(2)->SetQuads(std::vector<ScreenQuadItem>{{0.25f, 0.125f, 0.0f, 0.3f, 0.3f}}.data(), 1);
    text.SetChar(2, 'x');
    EXPECT_EQ(TextureOf(QuadAt(2)), "Fonts/x.dds");
    EXPECT_EQ(ItemOf(QuadAt(2)).x, 0.25f);
    EXPECT_EQ(ItemOf(QuadAt(2)).y, 0.125f);
    EXPECT_EQ(ItemOf(QuadAt(2)).width, text.Glyph(2)->baseSize);

    text.ClearChar(2);
    EXPECT_EQ(text.Text()[2], ' ');
    EXPECT_EQ(QuadAt(2), nullptr);
    text.SetChar(14, 'a');  // outside the slots
    text.SetChar(-1, 'a');
    text.ClearChar(13);     // past the text
    EXPECT_EQ(text.Text(), "ab defghij  5");
}

TEST_F(HUDTextTest, RandomSizesComeTwoDrawsASlotFromTheSeededGenerator) {
    Random::Seed(42);
    Make("hello world", 12, 6);
    const float base = 1.0f * HUDText::kGridUnit;
    std::vector<float> sizes;
    for (int i = 0; i < 12; ++i) {
        const float s = text.Glyph(i)->baseSize;
        EXPECT_GE(s, base - 0.03f - 1e-6f);
        EXPECT_LE(s, base + 0.02f + 1e-6f);
        sizes.push_back(s);
    }
    // The same seed gives the same sizes; the draws per slot are exactly two.
    Random::Seed(42);
    for (int i = 0; i < 12; ++i) {
        const int offset = Random::Next() % 6 - 3;
        Random::Next();
        EXPECT_FLOAT_EQ(sizes[i], base + float(offset) * 0.01f);
    }
}

TEST_F(HUDTextTest, ARandomRangeOfZeroIsTakenAsOne) {
    Make("abc", 3, 0);
    EXPECT_FLOAT_EQ(text.Glyph(0)->baseSize, HUDText::kGridUnit);
}

TEST_F(HUDTextTest, AFadeMovesByFrameTimeTimesRateOfWhatIsLeft) {
    Make("ab", 2);
    const float target[4] = {0.0f, 0.5f, 1.0f, 0.0f};
    text.SetFade(1.0f, target);
    now += 500;
    timer.Update();
    text.Update();
    const float* diffuse = QuadAt(0)->surface.diff;
    EXPECT_FLOAT_EQ(diffuse[0], 0.5f);
    EXPECT_FLOAT_EQ(diffuse[1], 0.75f);
    EXPECT_FLOAT_EQ(diffuse[2], 1.0f);
    EXPECT_FLOAT_EQ(diffuse[3], 0.5f);
    EXPECT_FLOAT_EQ(QuadAt(0)->surface.spec[0], 0.5f);
    EXPECT_EQ(text.Colour()[0], 1.0f);  // new glyphs still start white

    // Paused, the frame time is 0 and nothing moves.
    timer.SetPaused(true);
    now += 500;
    timer.Update();
    text.Update();
    EXPECT_FLOAT_EQ(QuadAt(0)->surface.diff[0], 0.5f);
}

TEST_F(HUDTextTest, StillTextNeverMovesAndAnimatedTextWithoutBobOnlyPulses) {
    Make("ab", 2, 6, 0);
    text.SetAnimation(3.0f, 0.5f, 0.0f);
    const ScreenQuadItem before = ItemOf(QuadAt(1));
    now += 700;
    timer.Update();
    text.Update();
    EXPECT_EQ(ItemOf(QuadAt(1)).width, before.width);

    text.SetMode(1);
    now += 700;
    timer.Update();
    text.Update();
    const ScreenQuadItem after = ItemOf(QuadAt(1));
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, 0.5f);
    const HUDTextGlyph& g = *text.Glyph(1);
    const float t = timer.GameTime();
    EXPECT_FLOAT_EQ(after.width, g.baseSize + std::sin(g.rate * t) * g.amplitude * g.baseSize);
}

TEST_F(HUDTextTest, TheCopyrightSignFromAScriptShowsItsGlyph) {
    Make(GlyphCodesFromUtf8("\xC2\xA9"), 1);
    EXPECT_EQ(TextureOf(QuadAt(0)), "Fonts/copy.dds");
}

TEST_F(HUDTextTest, GlyphCountsFromScriptsAreCapped) {
    Make("a", 0xFFFFFFFFu);
    EXPECT_EQ(text.GlyphCount(), int(HUDText::kMaxGlyphs));
}

}  // namespace
