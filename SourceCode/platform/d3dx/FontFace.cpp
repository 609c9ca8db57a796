#include "platform/d3dx/FontFace.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

namespace plat {

namespace {

// Where Debian's fonts-dejavu-core puts the fallback face, for a system whose
// fontconfig cannot answer at all.
constexpr char kFallbackFontFile[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
// A logical font of height 0 gets this character cell.
constexpr int kDefaultCellHeight = 16;

struct MatchedFace {
    std::string file;
    int index = 0;
    std::string family;
    bool bold = false;    // the face itself is bold (no emboldening needed)
    bool italic = false;  // the face itself slants
};

FcConfig* FontConfig() {
    // Loaded once for the process; fontconfig keeps it for its lifetime.
    static std::once_flag once;
    static FcConfig* config = nullptr;
    std::call_once(once, [] { config = FcInitLoadConfigAndFonts(); });
    return config;
}

bool MatchThroughFontconfig(const FontRequest& request, MatchedFace& out) {
    FcConfig* config = FontConfig();
    if (!config) return false;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    // The requested family first, the fallback right after it, so a family
    // that is not installed lands on the fallback rather than on whatever the
    // configuration's generic default happens to be.
    if (!request.family.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(request.family.c_str()));
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(kFallbackFontFamily));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(static_cast<int>(std::clamp(request.weight, 1u, 1000u))));
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;

    bool found = false;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        out.file = reinterpret_cast<const char*>(file);
        found = true;
    }
    int index = 0;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) out.index = index;
    FcChar8* family = nullptr;
    if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family)
        out.family = reinterpret_cast<const char*>(family);
    int weight = FC_WEIGHT_REGULAR;
    if (FcPatternGetInteger(match, FC_WEIGHT, 0, &weight) == FcResultMatch)
        out.bold = weight >= FC_WEIGHT_DEMIBOLD;
    int slant = FC_SLANT_ROMAN;
    if (FcPatternGetInteger(match, FC_SLANT, 0, &slant) == FcResultMatch)
        out.italic = slant != FC_SLANT_ROMAN;
    FcPatternDestroy(match);
    return found;
}

int RoundPixels(FT_Pos value26_6) { return static_cast<int>((value26_6 + 32) >> 6); }

}  // namespace

struct FontFace::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    bool emboldenGlyphs = false;
    bool slantGlyphs = false;

    ~Impl() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

FontFace::FontFace(std::unique_ptr<Impl> impl) : impl(std::move(impl)) {}
FontFace::~FontFace() = default;

std::unique_ptr<FontFace> FontFace::Open(const FontRequest& request) {
    MatchedFace matched;
    if (!MatchThroughFontconfig(request, matched)) {
        matched = MatchedFace{};
        matched.file = kFallbackFontFile;
        matched.family = kFallbackFontFamily;
    }

    auto impl = std::make_unique<Impl>();
    if (FT_Init_FreeType(&impl->library) != 0) return nullptr;
    if (FT_New_Face(impl->library, matched.file.c_str(), matched.index, &impl->face) != 0) {
        impl->face = nullptr;
        if (matched.file == kFallbackFontFile) return nullptr;
        // The chosen file would not load; the fallback file is the last resort.
        if (FT_New_Face(impl->library, kFallbackFontFile, 0, &impl->face) != 0) {
            impl->face = nullptr;
            return nullptr;
        }
        matched = MatchedFace{kFallbackFontFile, 0, kFallbackFontFamily, false, false};
    }
    if (!FT_IS_SCALABLE(impl->face)) return nullptr;

    std::unique_ptr<FontFace> font(new FontFace(std::move(impl)));
    font->family = matched.family;
    font->file = matched.file;
    if (!font->Configure(request, matched.bold, matched.italic)) return nullptr;
    return font;
}

bool FontFace::Configure(const FontRequest& request, bool boldMatched, bool italicMatched) {
    FT_Face face = impl->face;
    // A positive height is the whole cell (ascender to descender), as a
    // logical font means it; a negative one the em size.
    FT_Size_RequestRec size{};
    size.type = request.height < 0 ? FT_SIZE_REQUEST_TYPE_NOMINAL : FT_SIZE_REQUEST_TYPE_REAL_DIM;
    // In 64 bits: the most negative height has no int magnitude.
    const std::int64_t pixels = request.height == 0 ? kDefaultCellHeight : std::llabs(request.height);
    size.height = static_cast<FT_Long>(pixels * 64);
    if (FT_Request_Size(face, &size) != 0) return false;

    const FT_Size_Metrics& metrics = face->size->metrics;
    ascent = RoundPixels(metrics.ascender);
    const int descent = -RoundPixels(metrics.descender);
    lineHeight = request.height > 0 ? request.height : ascent + descent;
    if (lineHeight <= 0) lineHeight = static_cast<int>(pixels);

    // A requested average width stretches the face horizontally.
    FT_Matrix stretch{0x10000, 0, 0, 0x10000};
    if (request.width > 0) {
        auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        if (os2 && os2->xAvgCharWidth > 0) {
            const double natural = FT_MulFix(os2->xAvgCharWidth, metrics.x_scale) / 64.0;
            if (natural > 0.0) stretch.xx = static_cast<FT_Fixed>(std::lround(request.width / natural * 65536.0));
        }
    }
    FT_Set_Transform(face, &stretch, nullptr);

    impl->emboldenGlyphs = request.weight >= 600 && !boldMatched;
    impl->slantGlyphs = request.italic && !italicMatched;
    return true;
}

const GlyphBitmap& FontFace::Glyph(char32_t code) {
    auto cached = cache.find(code);
    if (cached != cache.end()) return cached->second;

    GlyphBitmap glyph;
    FT_Face face = impl->face;
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) == 0) {
        FT_GlyphSlot slot = face->glyph;
        if (impl->slantGlyphs) FT_GlyphSlot_Oblique(slot);
        if (impl->emboldenGlyphs) FT_GlyphSlot_Embolden(slot);
        glyph.advance = RoundPixels(slot->advance.x);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0 && slot->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            const FT_Bitmap& bitmap = slot->bitmap;
            glyph.left = slot->bitmap_left;
            glyph.top = slot->bitmap_top;
            glyph.width = static_cast<int>(bitmap.width);
            glyph.rows = static_cast<int>(bitmap.rows);
            glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * glyph.rows);
            for (int row = 0; row < glyph.rows; ++row) {
                // The pitch may be negative (bottom-up bitmaps) or padded.
                const unsigned char* src = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
                std::memcpy(glyph.coverage.data() + static_cast<std::size_t>(row) * glyph.width, src,
                            static_cast<std::size_t>(glyph.width));
            }
        }
    }
    return cache.emplace(code, std::move(glyph)).first->second;
}

bool LoadFontAliases(const std::string& file) {
    static std::mutex guard;
    static std::set<std::string> loaded;
    FcConfig* config = FontConfig();
    if (!config) return false;
    std::lock_guard<std::mutex> lock(guard);
    if (loaded.count(file)) return true;
    if (!FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(file.c_str()), FcTrue)) return false;
    loaded.insert(file);
    return true;
}

std::u32string DecodeText(const char* text) {
    std::u32string out;
    if (!text) return out;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        const unsigned char lead = *p;
        int extra = 0;
        char32_t code = lead;
        char32_t minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1, code = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2, code = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3, code = lead & 0x07, minimum = 0x10000;
        }
        bool wellFormed = extra > 0;
        for (int i = 1; wellFormed && i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) wellFormed = false;  // also stops at the terminator
            else code = (code << 6) | (p[i] & 0x3F);
        }
        if (wellFormed && code >= minimum && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF)) {
            out.push_back(code);
            p += extra + 1;
        } else {
            out.push_back(lead);
            ++p;
        }
    }
    return out;
}

}  // namespace plat
