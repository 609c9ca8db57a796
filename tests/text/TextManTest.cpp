#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Video/TextMan.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/d3dx/FontFace.h"
#include "support/TestVideo.h"

namespace {

constexpr D3DCOLOR kBlack = 0xFF000000;

class TextManTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(screen.ok());
        texts = static_cast<TextMan*>(eTable::Peek(names::TextMan));
        ASSERT_NE(texts, nullptr);
    }

    // Lit pixels of the last frame inside or outside a box.
    int Lit(const RECT& box, bool inside) {
        UINT width = 0;
        const std::vector<D3DCOLOR> pixels = screen.Pixels(&width);
        int count = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const LONG x = LONG(i % width), y = LONG(i / width);
            const bool in = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
            if (in == inside && pixels[i] != kBlack) ++count;
        }
        return count;
    }

    TestVideo screen{160, 96};
    TextMan* texts = nullptr;
};

}  // namespace

TEST_F(TextManTest, FontsAreSharedByFacePointerAndSizes) {
    static const char face[] = "DejaVu Sans";
    const std::string sameContent = face;
    const FontDescription a{face, 16, 0, 400, false};
    const FontDescription b{sameContent.c_str(), 16, 0, 400, false};
    const FontDescription bold{face, 16, 0, 700, false};

    TextDescription first, second, third, fourth;
    texts->CreateText(&first, &a);
    texts->CreateText(&second, &a);
    texts->CreateText(&third, &b);
    texts->CreateText(&fourth, &bold);
    EXPECT_EQ(first.font, second.font);
    EXPECT_NE(first.font, third.font);  // equal text, other pointer
    EXPECT_NE(first.font, fourth.font);
    EXPECT_EQ(texts->Fonts().size(), 3u);
    EXPECT_EQ(first.height, 16);
    EXPECT_EQ(texts->FindFont(&b)->font, third.font);
}

TEST_F(TextManTest, DefaultsGiveA22PixelUprightDefaultFace) {
    TextDescription desc;
    Text* text = texts->CreateText(&desc, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(desc.height, 22);
    ASSERT_NE(desc.font, nullptr);
    EXPECT_EQ(desc.font->LineHeight(), 22);
    EXPECT_EQ(desc.font->Face().Family(), plat::kFallbackFontFamily);
    const FontRecord& record = texts->Fonts().front();
    EXPECT_EQ(record.description.faceName, nullptr);
    EXPECT_EQ(record.description.weight, 400u);
    EXPECT_FALSE(record.description.italic);

    // A null string becomes an empty string of the text's own; nothing shows.
    EXPECT_EQ(text->GetText(), "");
    EXPECT_EQ(desc.text, nullptr);
    screen.video.Update();
    EXPECT_EQ(Lit(RECT{0, 0, 0, 0}, false), 0);
    EXPECT_EQ(text->height, 0);
}

TEST_F(TextManTest, CalcRectFitsTheRectangleToTheText) {
    TextDescription desc;
    desc.text = "abc";
    desc.rect = RECT{5, 7, 5, 7};
    Text* text = texts->CreateText(&desc, nullptr);
    EXPECT_EQ(text->CalcRect(), 22);
    EXPECT_EQ(text->height, 22);
    EXPECT_EQ(text->rect.left, 5);
    EXPECT_EQ(text->rect.top, 7);
    EXPECT_EQ(text->rect.bottom, 29);
    EXPECT_GT(text->rect.right, 5 + 20);
    EXPECT_LT(text->rect.right, 5 + 60);
    // The text is the Text's own copy; the caller's string stays the caller's.
    EXPECT_STREQ(desc.text, "abc");
    EXPECT_NE(text->GetText().c_str(), desc.text);
}

TEST_F(TextManTest, TextsAreDrawnInTheFrameAndWrappedTextsAreClipped) {
    TextDescription desc;
    desc.text = "screen text wraps inside its box";
    desc.rect = RECT{20, 10, 90, 50};
    desc.wordBreak = 1;
    Text* wrapped = texts->CreateText(&desc, nullptr);
    ASSERT_TRUE(screen.video.Update());
    EXPECT_GT(wrapped->height, 40);  // more lines than the box holds
    EXPECT_GT(Lit(desc.rect, true), 100);
    EXPECT_EQ(Lit(desc.rect, false), 0);

    // Unwrapped, the same text is one unclipped line from the corner.
    wrapped->wordBreak = 0;
    ASSERT_TRUE(screen.video.Update());
    EXPECT_EQ(wrapped->height, 22);
    EXPECT_GT(Lit(desc.rect, false), 0);

    // Centred on a point, right of and below it nothing is lit past half.
    wrapped->SetText("mid");
    wrapped->rect = RECT{80, 48, 80, 48};
    wrapped->horizontalAlign = 0;
    wrapped->verticalAlign = 0;
    ASSERT_TRUE(screen.video.Update());
    EXPECT_GT(Lit(RECT{0, 0, 80, 96}, true), 0);
    EXPECT_GT(Lit(RECT{80, 0, 160, 96}, true), 0);
    EXPECT_EQ(Lit(RECT{60, 37, 100, 59}, false), 0);
}

TEST_F(TextManTest, TextsWithoutAFontAreEmpty) {
    TextDescription desc;
    desc.text = "no font";
    desc.rect = RECT{4, 4, 50, 50};
    Text* orphan = texts->AddText(&desc);
    ASSERT_NE(orphan, nullptr);
    EXPECT_EQ(orphan->GetText(), "no font");
    ASSERT_TRUE(screen.video.Update());
    EXPECT_EQ(Lit(RECT{0, 0, 0, 0}, false), 0);
    EXPECT_EQ(orphan->height, 0);
    EXPECT_EQ(orphan->CalcRect(), 0);
    orphan->SetText(nullptr);
    EXPECT_EQ(orphan->GetText(), "");
    EXPECT_FALSE(orphan->Init(&desc));
}

TEST_F(TextManTest, TextsSurviveADeviceReset) {
    TextDescription desc;
    desc.text = "reset";
    desc.rect = RECT{4, 4, 4, 4};
    texts->CreateText(&desc, nullptr);
    ASSERT_TRUE(screen.video.Update());
    const int before = Lit(RECT{0, 0, 0, 0}, false);
    ASSERT_GT(before, 0);

    screen.Device()->InjectCooperativeLevel(D3DERR_DEVICENOTRESET);
    EXPECT_FALSE(screen.video.Update());  // the reset frame draws nothing
    EXPECT_TRUE(screen.boxes.texts.empty()) << screen.boxes.texts.front();
    ASSERT_TRUE(screen.video.Update());
    EXPECT_EQ(Lit(RECT{0, 0, 0, 0}, false), before);
    EXPECT_EQ(texts->Fonts().size(), 1u);
}

TEST_F(TextManTest, ShutdownReleasesTextsAndFonts) {
    TextDescription desc;
    texts->CreateText(&desc, nullptr);
    EXPECT_FALSE(texts->Init());
    ASSERT_TRUE(texts->Shutdown());
    EXPECT_TRUE(texts->Fonts().empty());
    EXPECT_TRUE(texts->Children().empty());
    EXPECT_EQ(eTable::Peek(names::TextMan), nullptr);
    EXPECT_FALSE(texts->Shutdown());
}

// An outline rings the letters in its own colour, so that a text reads over
// a bright scene; it fades with the text.
TEST_F(TextManTest, AnOutlinedTextIsRingedInItsOutlineColour) {
    TextDescription desc;
    desc.text = "ring";
    desc.rect = RECT{20, 20, 150, 60};
    desc.colour = 0xFF00FF00;
    Text* text = texts->CreateText(&desc, nullptr);
    auto count = [&](auto pick) {
        UINT width = 0;
        int n = 0;
        for (D3DCOLOR pixel : screen.Pixels(&width)) n += pick(pixel) ? 1 : 0;
        return n;
    };
    auto red = [](D3DCOLOR p) { return ((p >> 16) & 0xFF) > 0x80 && ((p >> 8) & 0xFF) < 0x40; };
    auto faintRed = [](D3DCOLOR p) { return ((p >> 16) & 0xFF) > 0x10 && ((p >> 8) & 0xFF) < 0x10; };
    ASSERT_TRUE(screen.video.Update());
    EXPECT_EQ(count(faintRed), 0);
    text->outline = 0xFFFF0000;
    ASSERT_TRUE(screen.video.Update());
    EXPECT_GT(count(red), 40);
    EXPECT_GT(count([](D3DCOLOR p) { return ((p >> 8) & 0xFF) > 0x80; }), 40);  // the letters stay green
    // A faded text has a faded ring.
    text->colour = 0x0800FF00;
    ASSERT_TRUE(screen.video.Update());
    EXPECT_EQ(count(red), 0);
    EXPECT_GT(count(faintRed), 0);
}
