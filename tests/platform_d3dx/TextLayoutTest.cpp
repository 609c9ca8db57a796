#include <gtest/gtest.h>

#include "platform/d3dx/TextLayout.h"

using namespace plat;

namespace {
// Letters 10 pixels, spaces 5: widths can be checked by hand.
int Advance(char32_t c) { return c == U' ' ? 5 : 10; }
constexpr int kLine = 20;

TextLayoutResult Layout(const char32_t* text, TextBox rect, std::uint32_t format) {
    return LayoutText(text, rect, format, Advance, kLine);
}

std::u32string LineText(const std::u32string& text, const TextLine& line) {
    return text.substr(line.first, line.count);
}
}  // namespace

TEST(TextLayout, WordBreakWrapsAtWordsAndDropsTheSpacesAtBreaks) {
    const std::u32string text = U"aaa bbb ccc";
    // "aaa bbb" is 65 wide; adding " ccc" would make 100.
    auto r = Layout(text.c_str(), {0, 0, 75, 100}, DT_WORDBREAK);
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(LineText(text, r.lines[0]), U"aaa bbb");
    EXPECT_EQ(r.lines[0].width, 65);
    EXPECT_EQ(LineText(text, r.lines[1]), U"ccc");
    EXPECT_EQ(r.lines[1].y, kLine);
    EXPECT_EQ(r.height, 2 * kLine);

    // Exactly fitting is not a break.
    EXPECT_EQ(Layout(text.c_str(), {0, 0, 100, 100}, DT_WORDBREAK).lines.size(), 1u);
    // A word wider than the box stays whole on its own line.
    const std::u32string longWord = U"ab cdefghij kl";
    r = Layout(longWord.c_str(), {0, 0, 30, 100}, DT_WORDBREAK);
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(LineText(longWord, r.lines[1]), U"cdefghij");
    EXPECT_EQ(r.extent.right, 80);
}

TEST(TextLayout, WithoutWordBreakOnlyLineBreaksSplit) {
    const std::u32string text = U"one two\r\nthree\rfour\n\nfive\n";
    auto r = Layout(text.c_str(), {0, 0, 10, 10}, DT_NOCLIP);
    ASSERT_EQ(r.lines.size(), 5u);  // the final break opens no line
    EXPECT_EQ(LineText(text, r.lines[0]), U"one two");
    EXPECT_EQ(LineText(text, r.lines[1]), U"three");
    EXPECT_EQ(LineText(text, r.lines[2]), U"four");
    EXPECT_EQ(r.lines[3].count, 0u);
    EXPECT_EQ(LineText(text, r.lines[4]), U"five");
    EXPECT_EQ(r.height, 5 * kLine);

    auto single = Layout(U"ab\ncd", {0, 0, 0, 0}, DT_SINGLELINE | DT_NOCLIP);
    ASSERT_EQ(single.lines.size(), 1u);
    EXPECT_EQ(single.lines[0].width, 40);
}

TEST(TextLayout, AlignmentPlacesLinesFromTheRectangleEdges) {
    const TextBox box{100, 50, 200, 150};
    auto centred = Layout(U"abcd\nab", box, DT_CENTER | DT_VCENTER | DT_NOCLIP);
    EXPECT_EQ(centred.lines[0].x, 130);
    EXPECT_EQ(centred.lines[1].x, 140);
    EXPECT_EQ(centred.lines[0].y, 80);  // 100 high box, 40 high block
    // A centred or bottom text reports where its bottom lies below the top.
    EXPECT_EQ(centred.height, 70);

    auto right = Layout(U"abcd", box, DT_RIGHT | DT_BOTTOM | DT_NOCLIP);
    EXPECT_EQ(right.lines[0].x, 160);
    EXPECT_EQ(right.lines[0].y, 130);
    EXPECT_EQ(right.height, 100);

    // An empty box: the text hangs from the point given by the alignments.
    auto fromPoint = Layout(U"ab", {300, 300, 300, 300}, DT_RIGHT | DT_BOTTOM | DT_NOCLIP);
    EXPECT_EQ(fromPoint.extent.right, 300);
    EXPECT_EQ(fromPoint.extent.left, 280);
    EXPECT_EQ(fromPoint.extent.bottom, 300);
}

TEST(TextLayout, ExtentCoversTheLaidOutText) {
    auto r = Layout(U"abc", {10, 20, 10, 20}, DT_NOCLIP | DT_CALCRECT);
    EXPECT_EQ(r.extent.left, 10);
    EXPECT_EQ(r.extent.top, 20);
    EXPECT_EQ(r.extent.right, 40);
    EXPECT_EQ(r.extent.bottom, 20 + kLine);
    EXPECT_EQ(r.height, kLine);

    auto empty = Layout(U"", {10, 20, 90, 90}, DT_WORDBREAK);
    EXPECT_TRUE(empty.lines.empty());
    EXPECT_EQ(empty.height, 0);
    EXPECT_EQ(empty.extent.right, 10);
    EXPECT_EQ(empty.extent.bottom, 20);
}
