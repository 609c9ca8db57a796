#include "platform/d3dx/TextLayout.h"

#include <algorithm>
#include <climits>

namespace plat {

namespace {

// A line before alignment: characters and their width without the spaces a
// wrap left at its end.
struct RawLine {
    std::size_t first = 0;
    std::size_t count = 0;
    int width = 0;
};

// Breaks one paragraph (no line breaks inside) into lines no wider than
// maxWidth, breaking only at spaces. The spaces at a break belong to no line.
void WrapParagraph(const std::u32string& text, std::size_t begin, std::size_t end, int maxWidth,
                   const AdvanceOf& advance, std::vector<RawLine>& out) {
    std::size_t lineStart = begin;
    std::size_t lineEnd = begin;  // one past the line's last word
    int lineWidth = 0;
    bool lineHasWord = false;
    std::size_t i = begin;
    while (true) {
        int spaces = 0;
        while (i < end && text[i] == U' ') spaces += advance(text[i++]);
        const std::size_t wordStart = i;
        int word = 0;
        while (i < end && text[i] != U' ') word += advance(text[i++]);
        if (i == wordStart) break;  // nothing but trailing spaces left

        if (lineHasWord && lineWidth + spaces + word > maxWidth) {
            out.push_back({lineStart, lineEnd - lineStart, lineWidth});
            lineStart = wordStart;
            lineWidth = word;
        } else {
            // Spaces that open the paragraph stay on its first line.
            lineWidth += spaces + word;
        }
        lineEnd = i;
        lineHasWord = true;
    }
    if (lineHasWord)
        out.push_back({lineStart, lineEnd - lineStart, lineWidth});
    else
        out.push_back({begin, 0, 0});  // an empty paragraph is still a line
}

// Line breaks inside a line (a single line keeps them) take no room.
int LineWidth(const std::u32string& text, std::size_t begin, std::size_t end, const AdvanceOf& advance) {
    int width = 0;
    for (std::size_t i = begin; i < end; ++i)
        if (!IsLineBreak(text[i])) width += advance(text[i]);
    return width;
}

}  // namespace

std::u32string NormalizeForLayout(const std::u32string& text) {
    std::u32string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c == U'\t')
            out.push_back(U' ');
        else if (IsLineBreak(c) || c >= 0x20)
            out.push_back(c);
    }
    return out;
}

TextLayoutResult LayoutText(const std::u32string& text, const TextBox& rect, std::uint32_t format,
                            const AdvanceOf& advance, int lineHeight) {
    TextLayoutResult result;
    result.extent = {rect.left, rect.top, rect.left, rect.top};
    if (text.empty()) return result;

    const bool singleLine = (format & DT_SINGLELINE) != 0;
    const bool wrap = (format & DT_WORDBREAK) != 0 && !singleLine;
    const int maxWidth = rect.right - rect.left;

    std::vector<RawLine> raw;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t stop = start;
        while (stop < text.size() && (singleLine || !IsLineBreak(text[stop]))) ++stop;
        if (wrap)
            WrapParagraph(text, start, stop, maxWidth, advance, raw);
        else
            raw.push_back({start, stop - start, LineWidth(text, start, stop, advance)});
        if (stop >= text.size()) break;
        // "\r\n" is one break.
        start = stop + ((text[stop] == U'\r' && stop + 1 < text.size() && text[stop + 1] == U'\n') ? 2 : 1);
        if (start == text.size()) break;  // a final break opens no empty line
    }

    const int blockHeight = static_cast<int>(raw.size()) * lineHeight;
    int top = rect.top;
    if (format & DT_BOTTOM)
        top = rect.bottom - blockHeight;
    else if (format & DT_VCENTER)
        top = rect.top + (rect.bottom - rect.top - blockHeight) / 2;

    int minX = INT_MAX, maxX = INT_MIN;
    int y = top;
    for (const RawLine& line : raw) {
        int x = rect.left;
        if (format & DT_RIGHT)
            x = rect.right - line.width;
        else if (format & DT_CENTER)
            x = rect.left + (maxWidth - line.width) / 2;
        result.lines.push_back({line.first, line.count, x, y, line.width});
        minX = std::min(minX, x);
        maxX = std::max(maxX, x + line.width);
        y += lineHeight;
    }
    result.extent = {minX, top, maxX, top + blockHeight};
    result.height = (format & (DT_BOTTOM | DT_VCENTER)) ? top + blockHeight - rect.top : blockHeight;
    return result;
}

}  // namespace plat
