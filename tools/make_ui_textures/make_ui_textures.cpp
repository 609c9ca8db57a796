// Draws the user interface's textures and writes them under
// <output root>/Assets/Textures/:
//   "Fonts/<n>.dds"          one glyph per character the glyph text shows
//                            (a-z, 0-9, colon, copy, dash, exc): white letters
//                            with a dark outline on transparent black, so they
//                            read on any background and take any text colour;
//   "cursor_arrow.bmp"       the pointer, its tip at the top-left pixel, magenta
//                            where transparent;
//   "splash.png"             the start-up picture with the game's title;
//   "fire.dds"               the flame of the menu fire (colour and alpha);
//   "fireDistortion.tga"     tileable noise that ripples the flame;
//   the widget sprites       "UIObject.bmp" and the slider's six bitmaps;
//   the menu buttons         "ButtonPlay.bmp", "ButtonOptions.bmp",
//                            "ButtonQuit.bmp", "ButtonBack.bmp".
// Letters come from the "Cherry Bomb" face (Debian's fonts-cherrybomb); the
// tool refuses to run on any other face, since its glyphs would differ from
// the committed ones. Noise comes from an integer hash and all arithmetic is
// single precision with sqrt only, so the bytes are the same on every run.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/Files.h"
#include "platform/d3dx/FontFace.h"
#include "platform/image/ImageWrite.h"
#include "../common/ImageBytes.h"

namespace {

constexpr char kGlyphFamily[] = "Cherry Bomb";

struct Colour {
    float r = 0, g = 0, b = 0, a = 0;
};

Colour Mix(Colour x, Colour y, float t) {
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

using toolimage::Bytes;
using toolimage::ToByte;

// Straight (not premultiplied) RGBA pixels, top row first.
struct Canvas {
    int width, height;
    std::vector<Colour> pixels;
    Canvas(int w, int h, Colour fill = {}) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
    Colour& At(int x, int y) { return pixels[std::size_t(y) * width + x]; }
    const Colour& At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }

    // Paints colour over the pixel with the given coverage ("over" blending).
    void Blend(int x, int y, Colour c, float coverage) {
        const float src = Clamp01(c.a * coverage);
        if (src <= 0.0f) return;
        Colour& d = At(x, y);
        const float out = src + d.a * (1.0f - src);
        const float keep = d.a * (1.0f - src);
        d = {(c.r * src + d.r * keep) / out, (c.g * src + d.g * keep) / out, (c.b * src + d.b * keep) / out, out};
    }

    std::vector<std::uint8_t> Bgra() const {
        std::vector<std::uint8_t> out;
        out.reserve(pixels.size() * 4);
        for (const Colour& c : pixels) {
            // Fully transparent pixels are black, as a colour-keyed load makes them.
            const bool clear = ToByte(c.a) == 0;
            out.push_back(clear ? 0 : ToByte(c.b));
            out.push_back(clear ? 0 : ToByte(c.g));
            out.push_back(clear ? 0 : ToByte(c.r));
            out.push_back(ToByte(c.a));
        }
        return out;
    }
};

// ------------------------------------------------------------ file formats

// 24-bit, bottom-up rows; pixels under half coverage become the colour key
// (opaque magenta), which the texture loader turns transparent.
Bytes KeyedBitmap(const Canvas& c) {
    const int stride = toolimage::BmpStride(c.width);
    Bytes b;
    toolimage::BmpHeader24(b, c.width, c.height);
    for (int y = c.height - 1; y >= 0; --y) {
        for (int x = 0; x < c.width; ++x) {
            const Colour& p = c.At(x, y);
            if (p.a < 0.5f) {
                b.u8(255), b.u8(0), b.u8(255);
            } else {
                b.u8(ToByte(p.b)), b.u8(ToByte(p.g)), b.u8(ToByte(p.r));
            }
        }
        b.zeros(stride - c.width * 3);
    }
    return b;
}

// Uncompressed A8R8G8B8, one level.
Bytes Dds(const Canvas& c) {
    Bytes b;
    toolimage::DdsHeaderA8R8G8B8(b, c.width, c.height, false);
    const std::vector<std::uint8_t> bgra = c.Bgra();
    b.data.insert(b.data.end(), bgra.begin(), bgra.end());
    return b;
}

// Uncompressed 24-bit true colour, top row first (descriptor bit 5).
Bytes Tga(const Canvas& c) {
    Bytes b;
    b.u8(0);  // no image id
    b.u8(0);  // no colour map
    b.u8(2);  // uncompressed true colour
    b.zeros(5);
    b.u16(0);
    b.u16(0);
    b.u16(c.width);
    b.u16(c.height);
    b.u8(24);
    b.u8(0x20);
    for (const Colour& p : c.pixels) b.u8(ToByte(p.b)), b.u8(ToByte(p.g)), b.u8(ToByte(p.r));
    return b;
}

bool Png(const Canvas& c, Bytes& out) {
    std::string error;
    const std::vector<std::uint8_t> bgra = c.Bgra();
    if (!plat::EncodePng(bgra.data(), c.width, c.height, out.data, error)) {
        std::fprintf(stderr, "make_ui_textures: %s\n", error.c_str());
        return false;
    }
    return true;
}

bool Write(const std::filesystem::path& path, const Bytes& bytes) { return toolimage::Write("make_ui_textures", path, bytes); }

// ------------------------------------------------------------ shapes

// Signed distance from (x, y) to a rounded rectangle (negative inside).
float RoundedBoxDistance(float x, float y, float left, float top, float right, float bottom, float radius) {
    const float cx = (left + right) * 0.5f, cy = (top + bottom) * 0.5f;
    const float qx = std::fabs(x - cx) - ((right - left) * 0.5f - radius);
    const float qy = std::fabs(y - cy) - ((bottom - top) * 0.5f - radius);
    const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

// Fills a rounded rectangle with a vertical gradient and a border of the
// given width, anti-aliased against what is below.
void Panel(Canvas& c, float left, float top, float right, float bottom, float radius, Colour upper, Colour lower,
           Colour border, float borderWidth) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float px = float(x) + 0.5f, py = float(y) + 0.5f;
            const float d = RoundedBoxDistance(px, py, left, top, right, bottom, radius);
            const float outer = Clamp01(0.5f - d);
            if (outer <= 0.0f) continue;
            const float inner = Clamp01(0.5f - (d + borderWidth));
            const Colour body = Mix(upper, lower, Clamp01((py - top) / (bottom - top)));
            c.Blend(x, y, Mix(border, body, inner), outer);
        }
}

void Disc(Canvas& c, float cx, float cy, float radius, Colour colour) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
            c.Blend(x, y, colour, Clamp01(radius + 0.5f - std::sqrt(dx * dx + dy * dy)));
        }
}

// Whether the point lies inside the polygon (even-odd rule).
bool InsidePolygon(const std::vector<float>& xy, float x, float y) {
    bool inside = false;
    const std::size_t n = xy.size() / 2;
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const float xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
}

// ------------------------------------------------------------ noise

std::uint32_t Hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return h;
}

float Lattice(int x, int y, int period, std::uint32_t seed) {
    const int px = ((x % period) + period) % period, py = ((y % period) + period) % period;
    return float(Hash(std::uint32_t(px), std::uint32_t(py), seed) & 0xFFFF) / 65535.0f;
}

float Smooth(float t) { return t * t * (3.0f - 2.0f * t); }

// Value noise 0..1 that repeats every period cells.
float Noise(float x, float y, int period, std::uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = int(fx), iy = int(fy);
    const float tx = Smooth(x - fx), ty = Smooth(y - fy);
    const float top = Lattice(ix, iy, period, seed) * (1 - tx) + Lattice(ix + 1, iy, period, seed) * tx;
    const float bottom = Lattice(ix, iy + 1, period, seed) * (1 - tx) + Lattice(ix + 1, iy + 1, period, seed) * tx;
    return top * (1 - ty) + bottom * ty;
}

// Two octaves, still tileable over the base period.
float Turbulence(float x, float y, int period, std::uint32_t seed) {
    return Noise(x, y, period, seed) * (2.0f / 3.0f) + Noise(x * 2, y * 2, period * 2, seed + 1) * (1.0f / 3.0f);
}

// ------------------------------------------------------------ lettering

// Coverage of the outline around a coverage bitmap: the largest coverage
// within radius, softened over the last pixel.
std::vector<float> Dilate(const std::vector<float>& cover, int w, int h, float radius) {
    std::vector<float> out(cover.size(), 0.0f);
    const int reach = int(radius) + 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float best = 0.0f;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx) {
                    const int sx = x + dx, sy = y + dy;
                    if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
                    const float weight = Clamp01(radius + 0.5f - std::sqrt(float(dx * dx + dy * dy)));
                    best = std::max(best, cover[std::size_t(sy) * w + sx] * weight);
                }
            out[std::size_t(y) * w + x] = best;
        }
    return out;
}

// Draws text with its pen starting at (x, baseline): the outline everywhere
// first, then the fill, so neighbouring letters never cut into each other.
void Letter(Canvas& c, plat::FontFace& face, const std::u32string& text, int x, int baseline, Colour fill,
            Colour outline, float outlineRadius) {
    std::vector<float> cover(c.pixels.size(), 0.0f);
    int pen = x;
    for (char32_t code : text) {
        const plat::GlyphBitmap& g = face.Glyph(code);
        for (int row = 0; row < g.rows; ++row)
            for (int col = 0; col < g.width; ++col) {
                const int px = pen + g.left + col, py = baseline - g.top + row;
                if (px < 0 || py < 0 || px >= c.width || py >= c.height) continue;
                float& dst = cover[std::size_t(py) * c.width + px];
                dst = std::max(dst, g.coverage[std::size_t(row) * g.width + col] / 255.0f);
            }
        pen += g.advance;
    }
    const std::vector<float> ring = Dilate(cover, c.width, c.height, outlineRadius);
    for (int y = 0; y < c.height; ++y)
        for (int x2 = 0; x2 < c.width; ++x2) {
            const std::size_t i = std::size_t(y) * c.width + x2;
            c.Blend(x2, y, outline, ring[i]);
            c.Blend(x2, y, fill, cover[i]);
        }
}

int TextWidth(plat::FontFace& face, const std::u32string& text) {
    int width = 0;
    for (char32_t code : text) width += face.Advance(code);
    return width;
}

// ------------------------------------------------------------ the textures

constexpr int kGlyphSize = 64;
constexpr float kGlyphOutline = 3.0f;
const Colour kWhite{1, 1, 1, 1};
const Colour kInk{0.08f, 0.05f, 0.12f, 1};

struct GlyphName {
    const char* name;
    char32_t code;
};

std::vector<GlyphName> GlyphNames() {
    static const char* const kDigits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    static const char* const kLetters[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m",
                                           "n", "o", "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z"};
    std::vector<GlyphName> names;
    for (int i = 0; i < 26; ++i) names.push_back({kLetters[i], char32_t('a' + i)});
    for (int i = 0; i < 10; ++i) names.push_back({kDigits[i], char32_t('0' + i)});
    names.push_back({"colon", U':'});
    names.push_back({"copy", U'\u00A9'});
    names.push_back({"dash", U'-'});
    names.push_back({"exc", U'!'});
    return names;
}

// The face at the largest size at which every glyph, outline included, fits
// its square, and the baseline they all share there.
struct GlyphFace {
    std::unique_ptr<plat::FontFace> face;
    int baseline = 0;
};

GlyphFace OpenGlyphFace() {
    const int room = kGlyphSize - 2 * (int(kGlyphOutline) + 1);
    for (int em = kGlyphSize; em > 8; --em) {
        plat::FontRequest request;
        request.family = kGlyphFamily;
        request.height = -em;
        std::unique_ptr<plat::FontFace> face = plat::FontFace::Open(request);
        if (!face || face->Family() != kGlyphFamily) return {};
        int above = 0, below = 0, widest = 0;
        for (const GlyphName& name : GlyphNames()) {
            const plat::GlyphBitmap& g = face->Glyph(name.code);
            above = std::max(above, g.top);
            below = std::max(below, g.rows - g.top);
            widest = std::max(widest, g.width);
        }
        if (above + below <= room && widest <= room) return {std::move(face), int(kGlyphOutline) + 1 + above};
    }
    return {};
}

// One character centred across the square on the baseline shared by all, so
// a line of glyphs on the text grid keeps its letters on one line.
Canvas Glyph(const GlyphFace& glyphs, char32_t code) {
    Canvas c(kGlyphSize, kGlyphSize);
    const plat::GlyphBitmap& g = glyphs.face->Glyph(code);
    const int x = (kGlyphSize - g.width) / 2 - g.left;
    Letter(c, *glyphs.face, std::u32string(1, code), x, glyphs.baseline, kWhite, kInk, kGlyphOutline);
    return c;
}

// The classic arrow: tip on the top-left pixel (the hot spot), white with a
// black rim, magenta around it.
Canvas CursorArrow() {
    // One pixel in from the corner, so that the rim runs down the left edge
    // and covers the hot spot.
    const std::vector<float> arrow = {1, 1, 1, 22, 6.5f, 17.5f, 10.5f, 26, 14, 24.5f, 10, 16.5f, 16.5f, 16.5f};
    Canvas c(32, 32);
    Canvas inside(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (InsidePolygon(arrow, float(x) + 0.5f, float(y) + 0.5f)) inside.At(x, y) = kWhite;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            if (inside.At(x, y).a > 0) {
                c.At(x, y) = kWhite;
                continue;
            }
            bool rim = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int sx = x + dx, sy = y + dy;
                    if (sx >= 0 && sy >= 0 && sx < 32 && sy < 32 && inside.At(sx, sy).a > 0) rim = true;
                }
            if (rim) c.At(x, y) = {0, 0, 0, 1};
        }
    return c;
}

// Sky, soft bubbles, a springy sheet and the title.
Canvas Splash(plat::FontFace& title) {
    const int w = 512, h = 384;
    Canvas c(w, h);
    const Colour top{0.16f, 0.36f, 0.78f, 1}, bottom{0.62f, 0.86f, 0.98f, 1};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) c.At(x, y) = Mix(top, bottom, float(y) / float(h - 1));
    for (int i = 0; i < 14; ++i) {
        const float bx = float(Hash(i, 1, 7) % w), by = float(Hash(i, 2, 7) % (h - 120));
        const float r = 6.0f + float(Hash(i, 3, 7) % 22);
        Disc(c, bx, by, r, {1, 1, 1, 0.18f});
        Disc(c, bx - r * 0.35f, by - r * 0.35f, r * 0.25f, {1, 1, 1, 0.35f});
    }
    // The trampoline: a sagging sheet between two posts.
    Panel(c, 96, 300, 104, 360, 3, {0.35f, 0.2f, 0.1f, 1}, {0.25f, 0.14f, 0.07f, 1}, {0.1f, 0.06f, 0.03f, 1}, 1);
    Panel(c, 408, 300, 416, 360, 3, {0.35f, 0.2f, 0.1f, 1}, {0.25f, 0.14f, 0.07f, 1}, {0.1f, 0.06f, 0.03f, 1}, 1);
    for (int x = 100; x <= 412; ++x) {
        const float t = (float(x) - 100.0f) / 312.0f;
        const float sag = 4.0f * t * (1.0f - t) * 22.0f;
        for (int y = 0; y < 7; ++y) c.Blend(x, int(300.0f + sag) + y, {0.95f, 0.45f, 0.15f, 1}, 1.0f);
    }
    const std::u32string name = U"Tollymop";
    const int x = (w - TextWidth(title, name)) / 2;
    Letter(c, title, name, x, 200, {1.0f, 0.86f, 0.25f, 1}, kInk, 5.0f);
    return c;
}

// A flame rising from the bottom edge: yellow at its heart, orange, then red
// and transparent at its ragged tips, which end a quarter of the picture
// below its top so that the wobble never cuts them flat. The fire is added
// onto the scene, so its colours stay deep (little blue, green only at the
// heart) and its alpha modest: bright sky behind it must not wash it white.
Canvas Fire() {
    const int w = 64, h = 128;
    constexpr float kFlameHeight = 0.75f;
    Canvas c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float u = (float(x) + 0.5f) / float(w);
            const float rise = (1.0f - (float(y) + 0.5f) / float(h)) / kFlameHeight;
            if (rise >= 1.0f) {
                c.At(x, y) = {0.4f, 0.04f, 0.0f, 0.0f};
                continue;
            }
            const float wobble = (Turbulence(u * 4.0f, rise * 6.0f, 4, 11) - 0.5f) * 0.25f * rise;
            const float halfWidth = 0.4f * std::sqrt(1.0f - rise) + 0.02f;
            const float off = (u - 0.5f + wobble) / halfWidth;
            const float across = Clamp01(1.0f - off * off);
            const float flicker = 0.75f + 0.25f * Turbulence(u * 8.0f, rise * 8.0f, 8, 23);
            const float tip = Clamp01((1.0f - rise) * 4.0f);
            const float heat = Clamp01(across * flicker * (1.1f - rise * 0.7f) * tip);
            Colour colour;
            if (heat > 0.7f)
                colour = Mix({1, 0.5f, 0.05f, 1}, {1, 0.82f, 0.35f, 1}, (heat - 0.7f) / 0.3f);
            else if (heat > 0.35f)
                colour = Mix({0.8f, 0.16f, 0.0f, 1}, {1, 0.5f, 0.05f, 1}, (heat - 0.35f) / 0.35f);
            else
                colour = Mix({0.4f, 0.04f, 0.0f, 1}, {0.8f, 0.16f, 0.0f, 1}, heat / 0.35f);
            colour.a = Clamp01(heat * 1.5f);
            c.At(x, y) = colour;
        }
    return c;
}

// Two independent tileable noise fields in red and green (the offsets the
// fire effect ripples its flame with), their sum in blue.
Canvas FireDistortion() {
    const int size = 64;
    Canvas c(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = float(x) / 8.0f, v = float(y) / 8.0f;
            const float a = Turbulence(u, v, 8, 31), b = Turbulence(u, v, 8, 47);
            c.At(x, y) = {a, b, (a + b) * 0.5f, 1};
        }
    return c;
}

const Colour kPanelTop{0.56f, 0.6f, 0.68f, 1}, kPanelBottom{0.32f, 0.35f, 0.42f, 1};
const Colour kRim{0.1f, 0.1f, 0.14f, 1};

// A draggable panel whose top-left corner is its grip.
Canvas UIObjectSprite() {
    Canvas c(32, 32);
    Panel(c, 0, 0, 32, 32, 4, kPanelTop, kPanelBottom, kRim, 1.5f);
    Panel(c, 3, 3, 12, 12, 2, {0.95f, 0.8f, 0.3f, 1}, {0.8f, 0.6f, 0.15f, 1}, kRim, 1);
    return c;
}

// The bar's left margin (13 of 256 columns) is its grip; the ticks span
// the next 235 columns.
constexpr float kSliderMargin = 13.0f, kSliderSpan = 235.0f;

Canvas SliderBackground() {
    Canvas c(256, 16);
    Panel(c, 0, 0, 256, 16, 5, kPanelTop, kPanelBottom, kRim, 1.5f);
    Panel(c, 2, 3, kSliderMargin - 2, 13, 2, {0.95f, 0.8f, 0.3f, 1}, {0.8f, 0.6f, 0.15f, 1}, kRim, 1);
    return c;
}

Canvas SliderStrip() {
    Canvas c(256, 16);
    Panel(c, kSliderMargin + 3, 6.5f, kSliderMargin + kSliderSpan + 5, 9.5f, 1.5f, {0.1f, 0.1f, 0.14f, 1},
          {0.1f, 0.1f, 0.14f, 1}, kRim, 0);
    // The two end ticks, which the tick sprite leaves out.
    for (float at : {kSliderMargin, kSliderMargin + kSliderSpan})
        Panel(c, at + 3, 2, at + 5, 14, 0.5f, {0.9f, 0.9f, 0.95f, 1}, {0.9f, 0.9f, 0.95f, 1}, kRim, 0);
    return c;
}

// Tick, handle and node sprites are 1/32 of the bar wide (8 of 256
// columns), centred on their place plus half their width.
Canvas SliderTick() {
    Canvas c(8, 16);
    Panel(c, 3, 4, 5, 12, 0.5f, {0.9f, 0.9f, 0.95f, 1}, {0.9f, 0.9f, 0.95f, 1}, kRim, 0);
    return c;
}

Canvas SliderHandle() {
    Canvas c(8, 16);
    Panel(c, 0, 0, 8, 16, 3, {1.0f, 0.62f, 0.2f, 1}, {0.8f, 0.35f, 0.05f, 1}, kRim, 1);
    return c;
}

Canvas Diamond(Colour colour) {
    Canvas c(8, 16);
    const std::vector<float> diamond = {4, 1, 8, 8, 4, 15, 0, 8};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x)
            if (InsidePolygon(diamond, float(x) + 0.5f, float(y) + 0.5f)) c.At(x, y) = colour;
    return c;
}

Canvas MenuButton(Colour top, Colour bottom) {
    Canvas c(128, 32);
    Panel(c, 0, 0, 128, 32, 10, top, bottom, kRim, 2);
    // A gloss across the upper half.
    Panel(c, 6, 3, 122, 13, 5, {1, 1, 1, 0.3f}, {1, 1, 1, 0.05f}, {1, 1, 1, 0}, 0);
    return c;
}

bool WriteGlyphs(const std::filesystem::path& folder) {
    const GlyphFace glyphs = OpenGlyphFace();
    if (!glyphs.face) {
        std::fprintf(stderr, "make_ui_textures: the face \"%s\" is not installed (fonts-cherrybomb)\n",
                     kGlyphFamily);
        return false;
    }
    bool ok = true;
    for (const GlyphName& glyph : GlyphNames())
        ok = Write(folder / (std::string(glyph.name) + ".dds"), Dds(Glyph(glyphs, glyph.code))) && ok;
    return ok;
}

bool WriteSplash(const std::filesystem::path& folder) {
    plat::FontRequest request;
    request.family = kGlyphFamily;
    request.height = -96;
    std::unique_ptr<plat::FontFace> face = plat::FontFace::Open(request);
    if (!face || face->Family() != kGlyphFamily) return false;
    Bytes png;
    return Png(Splash(*face), png) && Write(folder / "splash.png", png);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_ui_textures <output root>\n");
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / "Assets" / "Textures";
    std::error_code ec;
    std::filesystem::create_directories(folder / "Fonts", ec);
    if (ec) {
        std::fprintf(stderr, "make_ui_textures: cannot create %s\n", (folder / "Fonts").string().c_str());
        return 1;
    }
    bool ok = WriteGlyphs(folder / "Fonts");
    ok = WriteSplash(folder) && ok;
    ok = Write(folder / "cursor_arrow.bmp", KeyedBitmap(CursorArrow())) && ok;
    ok = Write(folder / "fire.dds", Dds(Fire())) && ok;
    ok = Write(folder / "fireDistortion.tga", Tga(FireDistortion())) && ok;
    ok = Write(folder / "UIObject.bmp", KeyedBitmap(UIObjectSprite())) && ok;
    ok = Write(folder / "SliderBarBackground.bmp", KeyedBitmap(SliderBackground())) && ok;
    ok = Write(folder / "SliderBarTicks.bmp", KeyedBitmap(SliderStrip())) && ok;
    ok = Write(folder / "SliderBarTick.bmp", KeyedBitmap(SliderTick())) && ok;
    ok = Write(folder / "Slider.bmp", KeyedBitmap(SliderHandle())) && ok;
    ok = Write(folder / "SliderBarNode.bmp", KeyedBitmap(Diamond({0.3f, 0.6f, 1.0f, 1}))) && ok;
    ok = Write(folder / "SliderBarNodeSelected.bmp", KeyedBitmap(Diamond({1.0f, 0.9f, 0.2f, 1}))) && ok;
    ok = Write(folder / "ButtonPlay.bmp", KeyedBitmap(MenuButton({0.4f, 0.8f, 0.35f, 1}, {0.15f, 0.5f, 0.1f, 1}))) && ok;
    ok = Write(folder / "ButtonOptions.bmp", KeyedBitmap(MenuButton({0.4f, 0.6f, 0.95f, 1}, {0.15f, 0.3f, 0.7f, 1}))) && ok;
    ok = Write(folder / "ButtonQuit.bmp", KeyedBitmap(MenuButton({0.95f, 0.4f, 0.35f, 1}, {0.65f, 0.12f, 0.1f, 1}))) && ok;
    ok = Write(folder / "ButtonBack.bmp", KeyedBitmap(MenuButton({0.75f, 0.75f, 0.8f, 1}, {0.42f, 0.42f, 0.5f, 1}))) && ok;
    return ok ? 0 : 1;
}
