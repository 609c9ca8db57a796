#pragma once
// A scalable font face at one pixel size, found by family name through
// fontconfig and rasterised with FreeType. Screen text builds its glyph atlas
// from the coverage bitmaps this hands out; nothing here touches the GPU.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace plat {

// The family used when the caller names none or names one that is not
// installed.
inline constexpr char kFallbackFontFamily[] = "DejaVu Sans";

// One rasterised character: an 8-bit coverage bitmap (rows top first) placed
// relative to the pen position on the baseline.
struct GlyphBitmap {
    int advance = 0;   // pen advance in whole pixels
    int left = 0;      // bitmap's left edge right of the pen
    int top = 0;       // bitmap's top row above the baseline
    int width = 0;
    int rows = 0;
    std::vector<std::uint8_t> coverage;  // width * rows bytes
};

// What the caller asks for, in the terms of a Windows logical font: a
// positive height is the character cell (ascent + descent), a negative one
// the em size, 0 a default; width 0 keeps the face's own proportions,
// otherwise it is the average character width; weight 100..900 (400 normal,
// 700 bold).
struct FontRequest {
    std::string family;  // empty: the default face
    int height = 0;
    unsigned width = 0;
    unsigned weight = 400;
    bool italic = false;
};

class FontFace {
public:
    // Null when no face at all can be loaded (no fontconfig answer and no
    // fallback file).
    static std::unique_ptr<FontFace> Open(const FontRequest& request);
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // Distance between baselines of successive lines, in pixels.
    int LineHeight() const { return lineHeight; }
    // Baseline's distance below a line's top.
    int Ascent() const { return ascent; }
    // Family and file fontconfig chose, for diagnostics and tests.
    const std::string& Family() const { return family; }
    const std::string& File() const { return file; }

    // Rasterises on first use and keeps the result. A character the face
    // lacks comes back as the face's missing-glyph box.
    const GlyphBitmap& Glyph(char32_t code);
    // Pen advance only; rasterises like Glyph.
    int Advance(char32_t code) { return Glyph(code).advance; }

private:
    struct Impl;
    explicit FontFace(std::unique_ptr<Impl> impl);
    bool Configure(const FontRequest& request, bool boldMatched, bool italicMatched);

    std::unique_ptr<Impl> impl;
    std::unordered_map<char32_t, GlyphBitmap> cache;
    int lineHeight = 0;
    int ascent = 0;
    std::string family;
    std::string file;
};

// Adds the rules of a fontconfig file, such as the aliases that map a face
// name the game asks for onto an installed family, to the configuration every
// face is matched with. A file already added is not read again. False when
// the file cannot be read or parsed.
bool LoadFontAliases(const std::string& file);

// Decodes a byte string for display: well-formed UTF-8 sequences become their
// code points, every other byte is taken as Latin-1, so no input is refused.
std::u32string DecodeText(const char* text);

}  // namespace plat
