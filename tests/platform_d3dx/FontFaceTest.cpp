#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "platform/d3dx/FontFace.h"

using namespace plat;

TEST(FontFace, UnknownAndMissingFamiliesFallBackToDejaVuSans) {
    for (const char* family : {"", "No Such Family Anywhere", "Bubbly Frog"}) {
        auto face = FontFace::Open({family, 22, 0, 400, false});
        ASSERT_NE(face, nullptr) << family;
        EXPECT_EQ(face->Family(), kFallbackFontFamily) << family;
    }
    auto mono = FontFace::Open({"DejaVu Sans Mono", 22, 0, 400, false});
    ASSERT_NE(mono, nullptr);
    EXPECT_EQ(mono->Family(), "DejaVu Sans Mono");
    EXPECT_EQ(mono->Advance(U'i'), mono->Advance(U'W'));
}

TEST(FontFace, PositiveHeightIsTheCellAndGlyphsFitInIt) {
    auto face = FontFace::Open({"", 22, 0, 400, false});
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->LineHeight(), 22);
    EXPECT_GT(face->Ascent(), 11);
    EXPECT_LT(face->Ascent(), 22);

    const GlyphBitmap& h = face->Glyph(U'H');
    EXPECT_GT(h.advance, 0);
    EXPECT_GT(h.width, 0);
    EXPECT_LE(h.top, face->Ascent());
    EXPECT_EQ(h.coverage.size(), static_cast<std::size_t>(h.width * h.rows));
    EXPECT_EQ(*std::max_element(h.coverage.begin(), h.coverage.end()), 255);
    // A space advances but draws nothing.
    const GlyphBitmap& space = face->Glyph(U' ');
    EXPECT_GT(space.advance, 0);
    EXPECT_TRUE(space.coverage.empty() || *std::max_element(space.coverage.begin(), space.coverage.end()) == 0);
}

// Heights come from data: sizes no face can take are refused, not
// computed with.
TEST(FontFace, HeightsBeyondAnySizeAreRefused) {
    EXPECT_EQ(FontFace::Open({"", INT_MIN, 0, 400, false}), nullptr);
    EXPECT_EQ(FontFace::Open({"", -1000000, 0, 400, false}), nullptr);
}

TEST(FontFace, WidthWeightAndItalicChangeTheGlyphs) {
    auto regular = FontFace::Open({"", 22, 0, 400, false});
    auto wide = FontFace::Open({"", 22, 30, 400, false});
    auto bold = FontFace::Open({"", 22, 0, 700, false});
    auto italic = FontFace::Open({"", 22, 0, 400, true});
    ASSERT_TRUE(regular && wide && bold && italic);
    EXPECT_GT(wide->Advance(U'n'), regular->Advance(U'n') * 3 / 2);
    EXPECT_GT(bold->Advance(U'n'), regular->Advance(U'n'));
    EXPECT_NE(italic->File(), regular->File());
}

TEST(FontFace, DecodingTakesUtf8AndFallsBackToLatin1PerByte) {
    EXPECT_EQ(DecodeText("a\xC3\xA9z"), U"a\u00E9z");
    EXPECT_EQ(DecodeText("\xE2\x82\xAC"), U"\u20AC");
    // Stray, overlong and truncated sequences are single Latin-1 bytes.
    EXPECT_EQ(DecodeText("\xE9t\xC0\xAF\xE2\x82"), U"\u00E9t\u00C0\u00AF\u00E2\u0082");
    EXPECT_EQ(DecodeText(nullptr), U"");
}
