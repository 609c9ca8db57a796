// The characters' textures, as 32-bit Targa images with alpha (top row
// first). Everything is computed in single precision with sqrt only, so the
// bytes are the same on every run.
//   Eyes/eyeBlue.tga, eyeGreen.tga, eyeAmber.tga: an eye seen from the
//       front filling the image's circle: white with a shaded rim, a
//       coloured iris with darker streaks, a black pupil and a highlight.
//       The eye meshes lay the texture flat across their face.
//   Eyes/pupilRound.tga, pupilSlit.tga: a black pupil on transparency.
//   Silo/inkBlack.tga, inkBrown.tga: outline colours, 16 x 16, which the
//       player's material samples at the body's texture coordinates for the
//       shell it draws round the body: black with a faint blue sheen, and a
//       warm dark brown.
//   Body/bodySpots.tga, bodyStripes.tga, bodyPlayer.tga: light patterns
//       that the body's diffuse colour tints, wrapping around in u.
//   Eyes/eyeHazel.png, eyeViolet.png and Silo/inkBlue.png, inkRed.png: more
//       eyes and inks as PNG files, the ones the character editor cycles
//       through.
#include "character_textures.h"

#include "platform/image/ImageWrite.h"
#include "../common/ImageBytes.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgba {
    float r, g, b, a;
};

Rgba Mix(Rgba x, Rgba y, float t) {
    if (t < 0.0f) t = 0.0f;
    if (t > 1.0f) t = 1.0f;
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

float Smooth(float edge0, float edge1, float x) {
    float t = (x - edge0) / (edge1 - edge0);
    if (t < 0.0f) t = 0.0f;
    if (t > 1.0f) t = 1.0f;
    return t * t * (3.0f - 2.0f * t);
}

using toolimage::ToByte;

struct Image {
    int width, height;
    std::vector<Rgba> pixels;
    Image(int w, int h) : width(w), height(h), pixels(std::size_t(w * h), Rgba{0, 0, 0, 0}) {}
    Rgba& at(int x, int y) { return pixels[std::size_t(y * width + x)]; }
};

bool WriteTga(const std::filesystem::path& path, const Image& image) {
    toolimage::Bytes b;
    b.data = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    b.u16(image.width);
    b.u16(image.height);
    b.u8(32);
    b.u8(0x28);  // top row first, 8 alpha bits
    for (const Rgba& p : image.pixels) b.u8(ToByte(p.b)), b.u8(ToByte(p.g)), b.u8(ToByte(p.r)), b.u8(ToByte(p.a));
    return toolimage::Write("make_textures", path, b);
}

// The editor's choices of eyes and silhouettes are PNG files (the editor
// lists "*.png" in those folders).
bool WritePng(const std::filesystem::path& path, const Image& image) {
    std::vector<std::uint8_t> bgra;
    for (const Rgba& p : image.pixels) {
        bgra.push_back(ToByte(p.b));
        bgra.push_back(ToByte(p.g));
        bgra.push_back(ToByte(p.r));
        bgra.push_back(ToByte(p.a));
    }
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::string error;
    if (plat::SavePng(path.string(), bgra.data(), std::uint32_t(image.width), std::uint32_t(image.height), error))
        return true;
    std::fprintf(stderr, "make_textures: %s: %s\n", path.string().c_str(), error.c_str());
    return false;
}

// Texel centre in -1..1, y up.
float Coord(int i, int size) { return 2.0f * (float(i) + 0.5f) / float(size) - 1.0f; }

Image Eye(Rgba iris) {
    const int size = 64;
    Image image(size, size);
    const Rgba white{1.0f, 1.0f, 1.0f, 1.0f}, rim{0.72f, 0.74f, 0.80f, 1.0f}, black{0.02f, 0.02f, 0.03f, 1.0f};
    const Rgba dark{iris.r * 0.45f, iris.g * 0.45f, iris.b * 0.45f, 1.0f};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float u = Coord(x, size), v = -Coord(y, size);
            float r = std::sqrt(u * u + v * v);
            Rgba c = Mix(white, rim, Smooth(0.7f, 1.0f, r));
            if (r < 0.58f) {
                // Streaks: a sawtooth of the angle's sine, without trigonometry.
                float streak = std::fabs(u / (r + 1e-6f) * 5.0f);
                streak = streak - std::floor(streak);
                Rgba ring = Mix(iris, dark, Smooth(0.32f, 0.58f, r) * 0.8f + 0.2f * streak);
                c = Mix(ring, c, Smooth(0.53f, 0.58f, r));
            }
            c = Mix(black, c, Smooth(0.2f, 0.24f, r));
            float hx = u + 0.22f, hy = v - 0.24f;
            float highlight = std::sqrt(hx * hx + hy * hy);
            c = Mix(white, c, Smooth(0.07f, 0.12f, highlight));
            image.at(x, y) = c;
        }
    return image;
}

Image Pupil(bool slit) {
    const int size = 64;
    Image image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float u = Coord(x, size), v = -Coord(y, size);
            float r = slit ? std::sqrt(u * u * 9.0f + v * v * 0.6f) : std::sqrt(u * u + v * v);
            float alpha = 1.0f - Smooth(0.2f, 0.25f, r);
            image.at(x, y) = {0.02f, 0.02f, 0.03f, alpha};
        }
    return image;
}

// Darker toward the top (v = 0), where the light seldom reaches the shell.
Image Ink(Rgba colour) {
    Image image(16, 16);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            float v = (float(y) + 0.5f) / float(image.height);
            float shade = 0.7f + 0.3f * v;
            image.at(x, y) = {colour.r * shade, colour.g * shade, colour.b * shade, 1.0f};
        }
    return image;
}

// Distance between two points of a texture that wraps in u (0..1).
float WrappedDistance(float u0, float v0, float u1, float v1) {
    float du = std::fabs(u0 - u1);
    if (du > 0.5f) du = 1.0f - du;
    float dv = v0 - v1;
    return std::sqrt(du * du * 4.0f + dv * dv);  // u runs twice as far round a sphere
}

Image Spots() {
    Image image(128, 64);
    const float spots[][3] = {{0.08f, 0.35f, 0.14f}, {0.27f, 0.62f, 0.12f}, {0.41f, 0.3f, 0.15f},
                              {0.58f, 0.58f, 0.13f}, {0.76f, 0.33f, 0.12f}, {0.9f, 0.68f, 0.14f},
                              {0.18f, 0.86f, 0.09f}, {0.68f, 0.88f, 0.09f}, {0.5f, 0.1f, 0.08f}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            float u = (float(x) + 0.5f) / float(image.width), v = (float(y) + 0.5f) / float(image.height);
            float spot = 0.0f;
            for (const auto& s : spots) {
                float d = WrappedDistance(u, v, s[0], s[1]);
                float inside = 1.0f - Smooth(s[2] * 0.8f, s[2], d);
                if (inside > spot) spot = inside;
            }
            float shade = 1.0f - 0.45f * spot;
            image.at(x, y) = {shade, shade, shade, 1.0f};
        }
    return image;
}

Image Stripes() {
    Image image(128, 64);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            float u = (float(x) + 0.5f) / float(image.width), v = (float(y) + 0.5f) / float(image.height);
            // Bands round the body that wave a little as they go round.
            float wave = std::fabs(u * 4.0f - std::floor(u * 4.0f) - 0.5f) * 0.08f;
            float band = (v + wave) * 6.0f;
            band = std::fabs(band - std::floor(band) - 0.5f) * 2.0f;  // 0 in a band's middle, 1 at its edge
            float shade = 0.62f + 0.38f * Smooth(0.35f, 0.55f, band);
            image.at(x, y) = {shade, shade, shade, 1.0f};
        }
    return image;
}

// Light all over with a paler belly patch facing -Z (u = 0.75 on the
// sphere models) and a darker crown.
Image PlayerSkin() {
    Image image(128, 64);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            float u = (float(x) + 0.5f) / float(image.width), v = (float(y) + 0.5f) / float(image.height);
            float belly = 1.0f - Smooth(0.16f, 0.22f, WrappedDistance(u, v, 0.75f, 0.66f));
            float crown = 1.0f - Smooth(0.12f, 0.3f, v);
            float shade = 0.86f + 0.14f * belly - 0.2f * crown;
            image.at(x, y) = {shade, shade, shade + 0.04f * belly, 1.0f};
        }
    return image;
}

}  // namespace

bool WriteCharacterTextures(const std::filesystem::path& folder) {
    bool ok = WriteTga(folder / "Eyes" / "eyeBlue.tga", Eye({0.25f, 0.55f, 0.95f, 1.0f}));
    ok = WriteTga(folder / "Eyes" / "eyeGreen.tga", Eye({0.3f, 0.75f, 0.3f, 1.0f})) && ok;
    ok = WriteTga(folder / "Eyes" / "eyeAmber.tga", Eye({0.95f, 0.62f, 0.15f, 1.0f})) && ok;
    ok = WriteTga(folder / "Eyes" / "pupilRound.tga", Pupil(false)) && ok;
    ok = WriteTga(folder / "Eyes" / "pupilSlit.tga", Pupil(true)) && ok;
    ok = WriteTga(folder / "Silo" / "inkBlack.tga", Ink({0.03f, 0.035f, 0.06f, 1.0f})) && ok;
    ok = WriteTga(folder / "Silo" / "inkBrown.tga", Ink({0.16f, 0.08f, 0.03f, 1.0f})) && ok;
    ok = WriteTga(folder / "Body" / "bodySpots.tga", Spots()) && ok;
    ok = WriteTga(folder / "Body" / "bodyStripes.tga", Stripes()) && ok;
    ok = WriteTga(folder / "Body" / "bodyPlayer.tga", PlayerSkin()) && ok;
    ok = WritePng(folder / "Eyes" / "eyeHazel.png", Eye({0.55f, 0.4f, 0.2f, 1.0f})) && ok;
    ok = WritePng(folder / "Eyes" / "eyeViolet.png", Eye({0.6f, 0.35f, 0.85f, 1.0f})) && ok;
    ok = WritePng(folder / "Silo" / "inkBlue.png", Ink({0.05f, 0.1f, 0.35f, 1.0f})) && ok;
    ok = WritePng(folder / "Silo" / "inkRed.png", Ink({0.35f, 0.04f, 0.04f, 1.0f})) && ok;
    return ok;
}
