#include "platform/image/ImageOps.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/image/ImageBytes.h"

namespace plat {
namespace {
using imagebytes::ReadLittleEndian;
using imagebytes::WriteLittleEndian;

using Rgba = std::array<int, 4>;  // b, g, r, a as stored

// --- DXT colour and alpha blocks -----------------------------------------

Rgba Expand565(std::uint16_t c) {
    int r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return {(b << 3) | (b >> 2), (g << 2) | (g >> 4), (r << 3) | (r >> 2), 255};
}

std::uint16_t Pack565(const Rgba& c) {
    return std::uint16_t(((c[2] * 31 + 127) / 255) << 11 | ((c[1] * 63 + 127) / 255) << 5 |
                         ((c[0] * 31 + 127) / 255));
}

Rgba Mix(const Rgba& a, const Rgba& b, int wa, int wb, int total) {
    Rgba out{};
    for (int i = 0; i < 3; ++i) out[i] = (a[i] * wa + b[i] * wb) / total;
    out[3] = 255;
    return out;
}

// The four colours of a colour block. DXT3 and DXT5 blocks always use the
// four-colour mode; DXT1 switches to three colours and transparent black
// when the first endpoint is not the larger.
std::array<Rgba, 4> ColorPalette(std::uint16_t c0, std::uint16_t c1, bool dxt1) {
    Rgba a = Expand565(c0), b = Expand565(c1);
    if (!dxt1 || c0 > c1) return {a, b, Mix(a, b, 2, 1, 3), Mix(a, b, 1, 2, 3)};
    return {a, b, Mix(a, b, 1, 1, 2), Rgba{0, 0, 0, 0}};
}

std::array<int, 8> AlphaPalette(int a0, int a1) {
    std::array<int, 8> p{a0, a1};
    if (a0 > a1) {
        for (int i = 1; i < 7; ++i) p[i + 1] = ((7 - i) * a0 + i * a1) / 7;
    } else {
        for (int i = 1; i < 5; ++i) p[i + 1] = ((5 - i) * a0 + i * a1) / 5;
        p[6] = 0;
        p[7] = 255;
    }
    return p;
}

void DecodeBlock(ImageLayout layout, const std::uint8_t* block, std::array<Rgba, 16>& px) {
    const std::uint8_t* color = layout == ImageLayout::DXT1 ? block : block + 8;
    auto palette = ColorPalette(std::uint16_t(ReadLittleEndian(color, 2)), std::uint16_t(ReadLittleEndian(color + 2, 2)),
                                layout == ImageLayout::DXT1);
    std::uint32_t indices = std::uint32_t(ReadLittleEndian(color + 4, 4));
    for (int i = 0; i < 16; ++i) px[i] = palette[(indices >> (2 * i)) & 3];
    if (layout == ImageLayout::DXT3) {
        std::uint64_t alpha = ReadLittleEndian(block, 8);
        for (int i = 0; i < 16; ++i) px[i][3] = int((alpha >> (4 * i)) & 15) * 17;
    } else if (layout == ImageLayout::DXT5) {
        auto alphas = AlphaPalette(block[0], block[1]);
        std::uint64_t bits = ReadLittleEndian(block + 2, 6);
        for (int i = 0; i < 16; ++i) px[i][3] = alphas[(bits >> (3 * i)) & 7];
    }
}

int Distance(const Rgba& a, const Rgba& b) {
    int d = 0;
    for (int i = 0; i < 3; ++i) d += (a[i] - b[i]) * (a[i] - b[i]);
    return d;
}

// Endpoints are the two pixels farthest apart, which keeps both colours of
// a two-colour block exact (a per-channel bounding box would mix them).
void EncodeColor(const std::array<Rgba, 16>& px, bool dxt1, std::uint8_t* out) {
    bool transparent = false;
    int first = -1, second = -1, widest = -1;
    for (int i = 0; i < 16; ++i) {
        if (dxt1 && px[i][3] < 128) {
            transparent = true;
            continue;
        }
        for (int j = i; j < 16; ++j) {
            if (dxt1 && px[j][3] < 128) continue;
            int d = Distance(px[i], px[j]);
            if (d > widest) {
                widest = d;
                first = i;
                second = j;
            }
        }
    }
    Rgba hi = first >= 0 ? px[first] : Rgba{0, 0, 0, 255};
    Rgba lo = second >= 0 ? px[second] : hi;
    std::uint16_t c0 = Pack565(hi), c1 = Pack565(lo);
    if (transparent) {
        if (c0 > c1) std::swap(c0, c1);  // three colours and transparent black
    } else if (c0 < c1) {
        std::swap(c0, c1);
    }
    auto palette = ColorPalette(c0, c1, dxt1);
    bool threeColor = dxt1 && c0 <= c1;
    std::uint32_t indices = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 0;
        if (threeColor && px[i][3] < 128) {
            best = 3;
        } else {
            int choices = threeColor ? 3 : 4;
            for (int k = 1; k < choices; ++k)
                if (Distance(px[i], palette[k]) < Distance(px[i], palette[best])) best = k;
        }
        indices |= std::uint32_t(best) << (2 * i);
    }
    WriteLittleEndian(out, c0, 2);
    WriteLittleEndian(out + 2, c1, 2);
    WriteLittleEndian(out + 4, indices, 4);
}

void EncodeAlpha(const std::array<Rgba, 16>& px, ImageLayout layout, std::uint8_t* out) {
    if (layout == ImageLayout::DXT3) {
        std::uint64_t bits = 0;
        for (int i = 0; i < 16; ++i) bits |= std::uint64_t((px[i][3] * 15 + 127) / 255) << (4 * i);
        WriteLittleEndian(out, bits, 8);
        return;
    }
    int a0 = 0, a1 = 255;
    for (const Rgba& p : px) {
        a0 = std::max(a0, p[3]);
        a1 = std::min(a1, p[3]);
    }
    auto palette = AlphaPalette(a0, a1);
    std::uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 0;
        for (int k = 1; k < 8; ++k)
            if (std::abs(px[i][3] - palette[k]) < std::abs(px[i][3] - palette[best])) best = k;
        bits |= std::uint64_t(best) << (3 * i);
    }
    out[0] = std::uint8_t(a0);
    out[1] = std::uint8_t(a1);
    WriteLittleEndian(out + 2, bits, 6);
}

// Walks the 4x4 blocks of a level, slice by slice.
template <class Visit>
void ForEachBlock(std::uint32_t width, std::uint32_t height, std::uint32_t depth, std::size_t blockBytes,
                  Visit visit) {
    const std::uint32_t bw = std::max(1u, (width + 3) / 4), bh = std::max(1u, (height + 3) / 4);
    std::size_t offset = 0;
    for (std::uint32_t z = 0; z < depth; ++z)
        for (std::uint32_t by = 0; by < bh; ++by)
            for (std::uint32_t bx = 0; bx < bw; ++bx, offset += blockBytes) visit(z, bx * 4, by * 4, offset);
}

// --- Resampling ------------------------------------------------------------

struct Tap {
    std::uint32_t index;
    float weight;
};
using Taps = std::vector<std::vector<Tap>>;  // per destination index

Taps AxisTaps(std::uint32_t from, std::uint32_t to, ImageFilter filter) {
    Taps taps(to);
    const double scale = double(from) / double(to);
    for (std::uint32_t i = 0; i < to; ++i) {
        auto& t = taps[i];
        if (from == to) {
            t.push_back({i, 1.0f});
        } else if (filter == ImageFilter::Point) {
            t.push_back({std::min(from - 1, std::uint32_t((i + 0.5) * scale)), 1.0f});
        } else if (filter == ImageFilter::Linear || scale < 1.0) {
            double centre = std::clamp((i + 0.5) * scale - 0.5, 0.0, double(from - 1));
            std::uint32_t first = std::uint32_t(centre);
            double frac = centre - first;
            t.push_back({first, float(1.0 - frac)});
            if (first + 1 < from && frac > 0) t.push_back({first + 1, float(frac)});
        } else {  // box and triangle: the covered area, each source pixel weighted by its share
            double start = i * scale, end = (i + 1) * scale;
            for (std::uint32_t s = std::uint32_t(start); s < from && s < end; ++s) {
                double cover = std::min(end, s + 1.0) - std::max(start, double(s));
                if (cover > 0) t.push_back({s, float(cover / scale)});
            }
        }
    }
    return taps;
}

// One separable pass along an axis of a float image of the given extent.
std::vector<float> ApplyTaps(const std::vector<float>& src, std::array<std::uint32_t, 3> extent, int axis,
                             const Taps& taps) {
    std::array<std::uint32_t, 3> outExtent = extent;
    outExtent[axis] = std::uint32_t(taps.size());
    std::vector<float> out(std::size_t(outExtent[0]) * outExtent[1] * outExtent[2] * 4, 0.0f);
    const std::size_t strides[3] = {4, std::size_t(extent[0]) * 4, std::size_t(extent[0]) * extent[1] * 4};
    const std::size_t outStrides[3] = {4, std::size_t(outExtent[0]) * 4,
                                       std::size_t(outExtent[0]) * outExtent[1] * 4};
    for (std::uint32_t z = 0; z < outExtent[2]; ++z)
        for (std::uint32_t y = 0; y < outExtent[1]; ++y)
            for (std::uint32_t x = 0; x < outExtent[0]; ++x) {
                std::uint32_t pos[3] = {x, y, z};
                std::size_t base = 0;
                for (int a = 0; a < 3; ++a)
                    if (a != axis) base += pos[a] * strides[a];
                float* o = &out[x * outStrides[0] + y * outStrides[1] + z * outStrides[2]];
                for (const Tap& tap : taps[pos[axis]]) {
                    const float* s = &src[base + tap.index * strides[axis]];
                    for (int c = 0; c < 4; ++c) o[c] += s[c] * tap.weight;
                }
            }
    return out;
}

ImageLevel CopyOverlap(const ImageLevel& source, std::uint32_t width, std::uint32_t height,
                       std::uint32_t depth) {
    ImageLevel out{width, height, depth, std::vector<std::uint8_t>(std::size_t(width) * height * depth * 4, 0)};
    for (std::uint32_t z = 0; z < std::min(depth, source.depth); ++z)
        for (std::uint32_t y = 0; y < std::min(height, source.height); ++y) {
            const std::uint8_t* s = &source.bytes[((std::size_t(z) * source.height + y) * source.width) * 4];
            std::copy(s, s + std::min(width, source.width) * 4,
                      &out.bytes[((std::size_t(z) * height + y) * width) * 4]);
        }
    return out;
}

// The exact halving of every axis that is larger than one: the average of
// the 2, 4 or 8 pixels, rounded.
ImageLevel HalveByAveraging(const ImageLevel& s) {
    const std::uint32_t w = std::max(1u, s.width / 2), h = std::max(1u, s.height / 2),
                        d = std::max(1u, s.depth / 2);
    const std::uint32_t fx = s.width > 1 ? 2 : 1, fy = s.height > 1 ? 2 : 1, fz = s.depth > 1 ? 2 : 1;
    const std::uint32_t count = fx * fy * fz;
    ImageLevel out{w, h, d, std::vector<std::uint8_t>(std::size_t(w) * h * d * 4)};
    for (std::uint32_t z = 0; z < d; ++z)
        for (std::uint32_t y = 0; y < h; ++y)
            for (std::uint32_t x = 0; x < w; ++x)
                for (int c = 0; c < 4; ++c) {
                    std::uint32_t sum = 0;
                    for (std::uint32_t k = 0; k < fz; ++k)
                        for (std::uint32_t j = 0; j < fy; ++j)
                            for (std::uint32_t i = 0; i < fx; ++i)
                                sum += s.bytes[(((std::size_t(z) * fz + k) * s.height + y * fy + j) * s.width +
                                                x * fx + i) * 4 + c];
                    out.bytes[((std::size_t(z) * h + y) * w + x) * 4 + c] =
                        std::uint8_t((sum + count / 2) / count);
                }
    return out;
}

bool HalvesExactly(std::uint32_t from, std::uint32_t to) { return from == 1 ? to == 1 : from == to * 2; }

}  // namespace

ImageFilter FilterFromArgument(std::uint32_t argument, ImageFilter fallback) {
    if (argument == 0xFFFFFFFFu) return fallback;
    std::uint32_t kind = argument & 0xFF;
    if (kind >= 1 && kind <= 5) return ImageFilter(kind);
    return fallback;
}

ImageLevel DecompressDxt(ImageLayout layout, const ImageLevel& blocks) {
    ImageLevel out{blocks.width, blocks.height, blocks.depth, {}};
    out.bytes.resize(std::size_t(out.width) * out.height * out.depth * 4);
    const std::size_t blockBytes = DxtBlockBytes(layout);
    if (blockBytes == 0 || blocks.bytes.size() < LevelByteSize(layout, blocks.width, blocks.height, blocks.depth))
        return out;
    std::array<Rgba, 16> px{};
    ForEachBlock(out.width, out.height, out.depth, blockBytes,
                 [&](std::uint32_t z, std::uint32_t x0, std::uint32_t y0, std::size_t offset) {
                     DecodeBlock(layout, &blocks.bytes[offset], px);
                     for (std::uint32_t j = 0; j < 4 && y0 + j < out.height; ++j)
                         for (std::uint32_t i = 0; i < 4 && x0 + i < out.width; ++i) {
                             std::uint8_t* o =
                                 &out.bytes[((std::size_t(z) * out.height + y0 + j) * out.width + x0 + i) * 4];
                             for (int c = 0; c < 4; ++c) o[c] = std::uint8_t(px[j * 4 + i][c]);
                         }
                 });
    return out;
}

ImageLevel CompressDxt(ImageLayout layout, const ImageLevel& pixels) {
    ImageLevel out{pixels.width, pixels.height, pixels.depth, {}};
    const std::size_t blockBytes = DxtBlockBytes(layout);
    if (blockBytes == 0) return out;
    out.bytes.resize(LevelByteSize(layout, pixels.width, pixels.height, pixels.depth));
    std::array<Rgba, 16> px{};
    ForEachBlock(pixels.width, pixels.height, pixels.depth, blockBytes,
                 [&](std::uint32_t z, std::uint32_t x0, std::uint32_t y0, std::size_t offset) {
                     // Pixels past the edge repeat the last row and column.
                     for (std::uint32_t j = 0; j < 4; ++j)
                         for (std::uint32_t i = 0; i < 4; ++i) {
                             std::uint32_t x = std::min(x0 + i, pixels.width - 1);
                             std::uint32_t y = std::min(y0 + j, pixels.height - 1);
                             const std::uint8_t* s =
                                 &pixels.bytes[((std::size_t(z) * pixels.height + y) * pixels.width + x) * 4];
                             px[j * 4 + i] = {s[0], s[1], s[2], s[3]};
                         }
                     std::uint8_t* block = &out.bytes[offset];
                     if (layout == ImageLayout::DXT1) {
                         EncodeColor(px, true, block);
                     } else {
                         EncodeAlpha(px, layout, block);
                         EncodeColor(px, false, block + 8);
                     }
                 });
    return out;
}

void DecompressImage(Image& image) {
    if (image.layout == ImageLayout::BGRA8) return;
    for (ImageLevel& level : image.levels) level = DecompressDxt(image.layout, level);
    image.layout = ImageLayout::BGRA8;
}

bool ContainsColor(const ImageLevel& pixels, std::uint32_t key) {
    if (key == 0) return false;
    for (std::size_t i = 0; i + 4 <= pixels.bytes.size(); i += 4)
        if (ReadLittleEndian(&pixels.bytes[i], 4) == key) return true;
    return false;
}

void ApplyColorKey(ImageLevel& pixels, std::uint32_t key) {
    if (key == 0) return;
    for (std::size_t i = 0; i + 4 <= pixels.bytes.size(); i += 4) {
        std::uint8_t* p = &pixels.bytes[i];
        if (ReadLittleEndian(p, 4) == key) std::fill(p, p + 4, std::uint8_t(0));
    }
}

ImageLevel ResampleLevel(const ImageLevel& source, std::uint32_t width, std::uint32_t height,
                         std::uint32_t depth, ImageFilter filter) {
    if (source.width == width && source.height == height && source.depth == depth) return source;
    if (filter == ImageFilter::None) return CopyOverlap(source, width, height, depth);
    if (filter != ImageFilter::Point && HalvesExactly(source.width, width) &&
        HalvesExactly(source.height, height) && HalvesExactly(source.depth, depth))
        return HalveByAveraging(source);

    std::vector<float> work(source.bytes.begin(), source.bytes.end());
    std::array<std::uint32_t, 3> extent{source.width, source.height, source.depth};
    const std::uint32_t target[3] = {width, height, depth};
    for (int axis = 0; axis < 3; ++axis) {
        if (extent[axis] == target[axis]) continue;
        work = ApplyTaps(work, extent, axis, AxisTaps(extent[axis], target[axis], filter));
        extent[axis] = target[axis];
    }
    ImageLevel out{width, height, depth, std::vector<std::uint8_t>(work.size())};
    for (std::size_t i = 0; i < work.size(); ++i)
        out.bytes[i] = std::uint8_t(std::clamp(std::lround(work[i]), 0L, 255L));
    return out;
}

ImageLevel NextMipLevel(const ImageLevel& source, ImageFilter filter) {
    if (filter == ImageFilter::None) filter = ImageFilter::Box;
    return ResampleLevel(source, std::max(1u, source.width / 2), std::max(1u, source.height / 2),
                         std::max(1u, source.depth / 2), filter);
}

}  // namespace plat
