// Draws the textures the engine needs on its own and writes them under
// <output root>/Assets/Textures/:
//   "_invalid_filename.bmp"  the fallback for textures that fail to load: a
//                            red and white checkerboard nobody mistakes for art
//                            (no magenta, which the colour key would cut out);
//   "desertSky.dds"          the sky cube: blue at the zenith, pale at the
//                            horizon, sand below it, seamless across faces;
//   "WALL_COPY.bmp"          one cell of the trampoline's mat, repeated by the
//                            sheet once per grid cell;
//   "basket.jpg"             the basket's wicker: strips woven over and under
//                            each other, light straw on warm gaps;
//   and the characters' textures (character_textures.cpp).
// Everything is computed in single precision with sqrt only (correctly
// rounded), so the bytes are the same on every run.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/image/ImageWrite.h"
#include "../common/ImageBytes.h"
#include "character_textures.h"

namespace {

using toolimage::Bytes;
using toolimage::ToByte;

struct Rgb {
    float r, g, b;
};

Rgb Mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

// A 24-bit bitmap of size x size pixels, bottom-up rows, each pixel's
// colour from pixel(x, row) with row 0 at the top.
template <class PixelFn>
Bytes Bitmap24(int size, PixelFn pixel) {
    // Rows need no padding: size * 3 is a multiple of four for the sizes used.
    Bytes b;
    toolimage::BmpHeader24(b, size, size);
    for (int row = size - 1; row >= 0; --row)
        for (int x = 0; x < size; ++x) {
            Rgb c = pixel(x, row);
            b.u8(ToByte(c.b));
            b.u8(ToByte(c.g));
            b.u8(ToByte(c.r));
        }
    return b;
}

// 64x64 checkerboard of 8-pixel squares.
Bytes FallbackBitmap() {
    return Bitmap24(64, [](int x, int row) {
        bool red = ((x / 8) + (row / 8)) % 2 == 0;
        return red ? Rgb{0xE0 / 255.0f, 0x20 / 255.0f, 0x20 / 255.0f} : Rgb{1.0f, 1.0f, 1.0f};
    });
}

// One cell of the trampoline's mat (the sheet repeats it once per grid
// cell): a sky-blue weave of fine threads framed by a pale stitched seam.
// The sheet is lit at half its colour, so the weave is light enough for the
// player's shadow, where it is about to land, to show on it.
Bytes TrampolineMatBitmap() {
    const Rgb seam{0.95f, 0.96f, 0.98f}, thread{0.55f, 0.72f, 0.96f}, shade{0.38f, 0.54f, 0.84f};
    return Bitmap24(64, [&](int x, int row) {
        const int edge = std::min(std::min(x, row), std::min(63 - x, 63 - row));
        if (edge < 2) return seam;
        if (edge == 2) return shade;
        if (edge == 4 && ((x + row) / 3) % 2 == 0) return seam;  // the stitches
        const bool across = ((x / 2) + (row / 2)) % 2 == 0;
        const int fibre = across ? x % 2 : row % 2;
        return Mix(shade, thread, fibre ? 0.7f : 1.0f);
    });
}

// The direction through texel (s, t) in -1..1 of a cube face, in the face
// order +X, -X, +Y, -Y, +Z, -Z with rows running down.
void FaceDirection(int face, float s, float t, float& x, float& y, float& z) {
    switch (face) {
    case 0: x = 1; y = -t; z = -s; break;
    case 1: x = -1; y = -t; z = s; break;
    case 2: x = s; y = 1; z = t; break;
    case 3: x = s; y = -1; z = -t; break;
    case 4: x = s; y = -t; z = 1; break;
    default: x = -s; y = -t; z = -1; break;
    }
}

Rgb SkyColour(float elevation) {
    const Rgb zenith{0.27f, 0.51f, 0.80f}, horizon{0.93f, 0.86f, 0.72f};
    const Rgb sand{0.80f, 0.67f, 0.47f}, ground{0.62f, 0.47f, 0.28f};
    if (elevation >= 0.0f) return Mix(horizon, zenith, std::sqrt(elevation));
    float depth = -elevation * 3.0f;
    return Mix(sand, ground, depth > 1.0f ? 1.0f : depth);
}

// A 64-pixel cube map in A8R8G8B8, one mip level.
Bytes SkyCube() {
    const std::uint32_t size = 64;
    Bytes b;
    toolimage::DdsHeaderA8R8G8B8(b, size, size, true);
    for (int face = 0; face < 6; ++face)
        for (std::uint32_t row = 0; row < size; ++row)
            for (std::uint32_t col = 0; col < size; ++col) {
                float s = 2.0f * (float(col) + 0.5f) / float(size) - 1.0f;
                float t = 2.0f * (float(row) + 0.5f) / float(size) - 1.0f;
                float x, y, z;
                FaceDirection(face, s, t, x, y, z);
                Rgb c = SkyColour(y / std::sqrt(x * x + y * y + z * z));
                b.u8(ToByte(c.b));
                b.u8(ToByte(c.g));
                b.u8(ToByte(c.r));
                b.u8(255);
            }
    return b;
}

// The weave's strips are kStrip pixels wide; where a horizontal and a
// vertical strip cross, the one on top alternates like a checkerboard. Each
// strip is shaded as a round cane (brightest along its middle) with a fine
// grain along it.
constexpr int kWickerSize = 128;
constexpr int kStrip = 16;

float CaneShade(int across) {
    // -1..1 across the strip, with a dark gap of a pixel at each edge.
    int inStrip = across % kStrip;
    if (inStrip == 0 || inStrip == kStrip - 1) return 0.0f;
    float t = (float(inStrip) + 0.5f) / float(kStrip) * 2.0f - 1.0f;
    return std::sqrt(1.0f - t * t);
}

float Grain(int along, int strip) {
    std::uint32_t h = std::uint32_t(along / 3) * 2654435761u ^ std::uint32_t(strip) * 40503u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return 0.85f + 0.15f * float(h & 0xFF) / 255.0f;
}

Bytes WickerJpeg() {
    // Light straw and warm gaps: the player's shadow must show on the basket.
    const Rgb straw{0.95f, 0.8f, 0.55f}, gap{0.5f, 0.36f, 0.2f};
    std::vector<std::uint8_t> pixels(std::size_t(kWickerSize) * kWickerSize * 4);
    for (int y = 0; y < kWickerSize; ++y)
        for (int x = 0; x < kWickerSize; ++x) {
            bool horizontalOnTop = ((x / kStrip) + (y / kStrip)) % 2 == 0;
            float shade = horizontalOnTop ? CaneShade(y) * Grain(x, y / kStrip) : CaneShade(x) * Grain(y, x / kStrip);
            Rgb c = Mix(gap, straw, shade);
            std::uint8_t* p = &pixels[(std::size_t(y) * kWickerSize + x) * 4];
            p[0] = ToByte(c.b);
            p[1] = ToByte(c.g);
            p[2] = ToByte(c.r);
            p[3] = 255;
        }
    Bytes b;
    std::string error;
    if (!plat::EncodeJpeg(pixels.data(), kWickerSize, kWickerSize, 90, b.data, error)) std::fprintf(stderr, "make_textures: %s\n", error.c_str());
    return b;
}

bool Write(const std::filesystem::path& path, const Bytes& bytes) { return toolimage::Write("make_textures", path, bytes); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_textures <output root>\n");
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / "Assets" / "Textures";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "make_textures: cannot create %s\n", folder.string().c_str());
        return 1;
    }
    bool ok = Write(folder / "_invalid_filename.bmp", FallbackBitmap());
    ok = Write(folder / "desertSky.dds", SkyCube()) && ok;
    ok = Write(folder / "basket.jpg", WickerJpeg()) && ok;
    ok = Write(folder / "WALL_COPY.bmp", TrampolineMatBitmap()) && ok;
    ok = WriteCharacterTextures(folder) && ok;
    return ok ? 0 : 1;
}
