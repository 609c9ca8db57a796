// Screen text takes strings from scripts and the console: decoding, line
// breaking and glyph rasterisation must survive any bytes, any rectangle and
// any format flags.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "platform/d3dx/FontFace.h"
#include "platform/d3dx/TextLayout.h"

// Fontconfig keeps a few bytes of its parsed configuration unreachable for
// the life of the process; that is the library's, not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::unique_ptr<plat::FontFace> face = plat::FontFace::Open({"", 22, 0, 400, false});
    if (!face || size < 10) return 0;
    std::int16_t box[4];
    std::memcpy(box, data, sizeof box);
    const std::uint16_t format = static_cast<std::uint16_t>(data[8] | (data[9] << 8));
    const std::string text(reinterpret_cast<const char*>(data + 10), size - 10);

    const std::u32string chars = plat::NormalizeForLayout(plat::DecodeText(text.c_str()));
    const plat::TextLayoutResult layout = plat::LayoutText(
        chars, {box[0], box[1], box[2], box[3]}, format, [](char32_t c) { return face->Advance(c); },
        face->LineHeight());
    for (const plat::TextLine& line : layout.lines)
        if (line.first + line.count > chars.size()) __builtin_trap();
    return 0;
}
