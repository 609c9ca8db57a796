#pragma once
// Line breaking and placement of screen text, the way a DrawText call lays a
// string out in a rectangle: explicit line breaks, optional word wrap at the
// rectangle's width, horizontal and vertical alignment, and the extent that a
// rectangle calculation hands back. Pure arithmetic on glyph advances, so it
// is shared by drawing and measuring and testable without a font or a GPU.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace plat {

// DrawText format flags.
enum : std::uint32_t {
    DT_TOP = 0x0,
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
};

struct TextBox {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// One laid-out line: the characters [first, first + count) of the text,
// with the top-left corner of the line (the pen starts at x, the baseline is
// y + ascent).
struct TextLine {
    std::size_t first = 0;
    std::size_t count = 0;
    int x = 0;
    int y = 0;
    int width = 0;
};

struct TextLayoutResult {
    std::vector<TextLine> lines;
    // The box the lines cover (an empty text covers nothing at the
    // rectangle's top-left corner).
    TextBox extent;
    // What DrawText returns: the text's height, or with DT_VCENTER or
    // DT_BOTTOM the distance from the rectangle's top to the text's bottom.
    int height = 0;
};

inline bool IsLineBreak(char32_t c) { return c == U'\n' || c == U'\r'; }

using AdvanceOf = std::function<int(char32_t)>;

// Replaces tabs by spaces and drops control characters other than line
// breaks, so that the layout only sees printable characters and breaks.
std::u32string NormalizeForLayout(const std::u32string& text);

// Lays text out in rect with the given format. Line breaks are "\n", "\r"
// and "\r\n"; with DT_SINGLELINE they stay inside the one line, take no
// room and are not drawn. With DT_WORDBREAK a line is broken
// before a word that would pass the rectangle's right edge; a single word
// wider than the rectangle stays whole on its own line.
TextLayoutResult LayoutText(const std::u32string& text, const TextBox& rect, std::uint32_t format,
                            const AdvanceOf& advance, int lineHeight);

}  // namespace plat
