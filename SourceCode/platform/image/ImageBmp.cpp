// Windows bitmaps: core, OS/2 2.x and info headers (up to version 5), 1/4/8-bit
// palettes (uncompressed, RLE4, RLE8), 16/24/32-bit pixels with or without
// bit fields, bottom-up and top-down.
#include <algorithm>
#include <array>

#include "platform/image/Image.h"
#include "platform/image/ImageBytes.h"

namespace plat {
namespace {
using imagebytes::ByteReader;
using imagebytes::ChannelMask;

enum : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kJpeg = 4, kPng = 5, kAlphaBitFields = 6 };

struct BmpHeader {
    std::uint32_t pixelOffset = 0;
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: rows stored top-down
    std::uint32_t bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t paletteUsed = 0;
    std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
    std::size_t paletteOffset = 0;
    std::size_t paletteEntryBytes = 4;
    // The core and the short OS/2 2.x headers carry no count of palette
    // entries: the palette is whatever lies before the pixels.
    bool paletteCounted = true;
};

// The sizes of the headers writers produce: core (OS/2 1.x), the short and
// full OS/2 2.x ones, and the info header with its versions 2 to 5. Any
// other size is not a bitmap we know how to read.
bool KnownHeaderSize(std::uint32_t size) {
    for (std::uint32_t known : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u})
        if (size == known) return true;
    return false;
}

struct Palette {
    std::vector<std::array<std::uint8_t, 4>> entries;  // BGRA
    std::array<std::uint8_t, 4> at(std::size_t index) const {
        if (index < entries.size()) return entries[index];
        return {0, 0, 0, 255};
    }
};

bool ReadHeader(ByteReader& in, BmpHeader& h, std::string& error) {
    in.skip(10);
    h.pixelOffset = in.u32();
    h.headerSize = in.u32();
    if (!in.ok()) return error = "truncated bitmap header", false;
    if (!KnownHeaderSize(h.headerSize))
        return error = "unsupported bitmap header size " + std::to_string(h.headerSize), false;
    if (h.headerSize == 12) {
        h.width = in.u16();
        h.height = in.u16();
        in.u16();
        h.bitCount = in.u16();
        h.paletteEntryBytes = 3;
        h.paletteCounted = false;
    } else if (h.headerSize == 16) {  // OS/2 2.x cut after the bit count
        h.width = in.i32();
        h.height = in.i32();
        in.u16();
        h.bitCount = in.u16();
        h.paletteCounted = false;
    } else {
        h.width = in.i32();
        h.height = in.i32();
        in.u16();
        h.bitCount = in.u16();
        h.compression = in.u32();
        in.skip(12);  // image size and resolution
        h.paletteUsed = in.u32();
        in.u32();
        std::size_t maskCount = 0;
        if (h.headerSize >= 56) maskCount = 4;
        else if (h.headerSize >= 52) maskCount = 3;
        else if (h.compression == kBitFields) maskCount = 3;  // follow the header
        else if (h.compression == kAlphaBitFields) maskCount = 4;
        for (std::size_t i = 0; i < maskCount; ++i) h.masks[i] = in.u32();
        if (h.headerSize > 40) in.seek(14 + std::size_t(h.headerSize));
    }
    if (!in.ok()) return error = "truncated bitmap header", false;
    h.paletteOffset = in.pos();
    return true;
}

bool ValidateHeader(const BmpHeader& h, std::string& error) {
    std::int64_t height = h.height < 0 ? -h.height : h.height;
    if (h.width <= 0 || height <= 0 || !ImageSizeAllowed(std::uint64_t(h.width), std::uint64_t(height)))
        return error = "bitmap image size out of range", false;
    // Such a bitmap only wraps a whole JPEG or PNG file (its bit count is 0).
    if (h.compression == kJpeg || h.compression == kPng)
        return error = std::string("bitmap holding ") + (h.compression == kJpeg ? "JPEG" : "PNG") +
                       " data (compression " + std::to_string(h.compression) + ") is not read",
               false;
    switch (h.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return error = "unsupported bitmap bit count " + std::to_string(h.bitCount), false;
    }
    bool fields = h.compression == kBitFields || h.compression == kAlphaBitFields;
    bool ok = h.compression == kRgb || (h.compression == kRle8 && h.bitCount == 8) ||
              (h.compression == kRle4 && h.bitCount == 4) ||
              (fields && (h.bitCount == 16 || h.bitCount == 32));
    if (!ok) return error = "unsupported bitmap compression " + std::to_string(h.compression), false;
    if ((h.compression == kRle8 || h.compression == kRle4) && h.height < 0)
        return error = "top-down bitmaps cannot be run-length coded", false;
    return true;
}

std::size_t PaletteCount(const BmpHeader& h) {
    if (h.bitCount > 8) return 0;
    std::size_t count = h.paletteUsed ? h.paletteUsed : std::size_t(1) << h.bitCount;
    // Writers of headers without a count may store fewer entries than the
    // depth allows, with the pixels right after the last one.
    if (!h.paletteCounted && h.pixelOffset >= h.paletteOffset)
        count = std::min<std::size_t>(count, (h.pixelOffset - h.paletteOffset) / h.paletteEntryBytes);
    return std::min<std::size_t>(count, 256);
}

// Pixel data that starts inside the headers or the palette would be read
// from them: garbage, not a picture.
bool PixelsAfterPalette(const BmpHeader& h, std::string& error) {
    const std::size_t paletteEnd = h.paletteOffset + PaletteCount(h) * h.paletteEntryBytes;
    if (h.pixelOffset >= paletteEnd) return true;
    error = "bitmap pixel data offset " + std::to_string(h.pixelOffset) + " lies inside its " +
            (h.pixelOffset < h.paletteOffset ? "headers" : "palette") + " (which end at byte " +
            std::to_string(paletteEnd) + ")";
    return false;
}

bool ReadPalette(const std::uint8_t* data, std::size_t size, const BmpHeader& h, Palette& palette,
                 std::string& error) {
    if (h.bitCount > 8) return true;
    const std::size_t count = PaletteCount(h);
    ByteReader in(data, size);
    in.seek(h.paletteOffset);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t b = in.u8(), g = in.u8(), r = in.u8();
        if (h.paletteEntryBytes == 4) in.u8();
        if (!in.ok()) return error = "truncated bitmap palette", false;
        palette.entries.push_back({b, g, r, 255});
    }
    return true;
}

// Walks an RLE8 or RLE4 stream, bottom row first, handing each pixel it
// stores to put(x, y, index). Runs that leave the image are cut off; a jump
// leaves the pixels it passes to index 0. A stream that stops before its
// last row (its data or an end of bitmap) does not cover the image: refused.
template <class Put>
bool WalkRle(ByteReader in, const BmpHeader& h, Put put, std::string& error) {
    const std::size_t width = std::size_t(h.width), height = std::size_t(h.height);
    const bool four = h.compression == kRle4;
    std::size_t x = 0, y = 0;
    auto store = [&](std::uint8_t index) {
        if (x < width && y < height) put(x, y, index);
        ++x;
    };
    while (y < height) {
        std::uint8_t count = in.u8(), value = in.u8();
        if (!in.ok()) return error = "truncated run-length bitmap data", false;
        if (count > 0) {
            for (std::uint8_t i = 0; i < count; ++i)
                store(four ? std::uint8_t(i % 2 ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            if (y + 1 < height)
                return error = "run-length bitmap data ends in row " + std::to_string(y + 1) + " of " +
                               std::to_string(height),
                       false;
            break;
        } else if (value == 2) {  // move right and up
            x += in.u8();
            y += in.u8();
        } else {  // literal pixels, padded to a 16-bit boundary
            std::size_t bytes = four ? (std::size_t(value) + 1) / 2 : value;
            if (bytes > in.remaining()) return error = "truncated run-length bitmap data", false;
            const std::uint8_t* p = in.here();
            for (std::size_t i = 0; i < value; ++i)
                store(four ? std::uint8_t(i % 2 ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i]);
            in.skip(bytes + (bytes & 1));
        }
    }
    return true;
}

void DefaultMasks(BmpHeader& h) {
    bool fields = h.compression == kBitFields || h.compression == kAlphaBitFields;
    if (fields && (h.masks[0] | h.masks[1] | h.masks[2])) return;
    if (h.bitCount == 16) h.masks = {0x7C00, 0x03E0, 0x001F, 0};
    else h.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, fields ? h.masks[3] : 0};
}

std::uint32_t FileFormatOf(const BmpHeader& h) {
    using namespace imagefmt;
    if (h.bitCount <= 8) return kP8;
    if (h.bitCount == 24) return kR8G8B8;
    if (h.bitCount == 32) return h.masks[3] ? kA8R8G8B8 : kX8R8G8B8;
    if (h.masks[1] == 0x07E0) return kR5G6B5;
    return h.masks[3] ? kA1R5G5B5 : kX1R5G5B5;
}

}  // namespace

bool DecodeBmp(const std::uint8_t* data, std::size_t size, Image& out, std::string& error) {
    out = Image{};
    ByteReader in(data, size);
    BmpHeader h;
    if (!ReadHeader(in, h, error) || !ValidateHeader(h, error) || !PixelsAfterPalette(h, error)) return false;
    Palette palette;
    if (!ReadPalette(data, size, h, palette, error)) return false;
    DefaultMasks(h);

    const std::size_t width = std::size_t(h.width);
    const std::size_t height = std::size_t(h.height < 0 ? -h.height : h.height);
    const bool topDown = h.height < 0;
    const bool rle = h.compression == kRle8 || h.compression == kRle4;
    const std::size_t stride = (width * h.bitCount + 31) / 32 * 4;
    const std::size_t used = (width * h.bitCount + 7) / 8;
    if (!in.seek(h.pixelOffset)) return error = "bitmap pixel offset beyond the file", false;
    // A run-length stream is walked once without storing anything: what it
    // covers is known only by reading it.
    const auto nothing = [](std::size_t, std::size_t, std::uint8_t) {};
    if (!AdmitImageSize("bitmap", width, height, 1, rle ? 2 : stride * (height - 1) + used, in.remaining(), error) ||
        (rle && !WalkRle(in, h, nothing, error)))
        return false;

    ImageLevel level{std::uint32_t(width), std::uint32_t(height), 1, {}};
    level.bytes.resize(width * height * 4);
    auto outRow = [&](std::size_t fileRow) {
        return level.bytes.data() + (topDown ? fileRow : height - 1 - fileRow) * width * 4;
    };

    if (rle) {
        const auto first = palette.at(0);
        for (std::size_t i = 0; i < width * height; ++i) std::copy(first.begin(), first.end(), &level.bytes[i * 4]);
        WalkRle(in, h, [&](std::size_t x, std::size_t row, std::uint8_t index) {
            auto c = palette.at(index);
            std::copy(c.begin(), c.end(), outRow(row) + x * 4);
        }, error);
    } else {
        const ChannelMask r(h.masks[0]), g(h.masks[1]), b(h.masks[2]), a(h.masks[3]);
        const std::uint32_t pixelBytes = h.bitCount / 8;
        // Channels of whole bytes (24-bit and plain 32-bit pixels) move as
        // bytes, a row at a time.
        imagebytes::ByteChannels byteChannels;
        const bool wholeBytes =
            h.bitCount > 8 && byteChannels.Fit(h.masks[0], h.masks[1], h.masks[2], h.masks[3], pixelBytes);
        for (std::size_t row = 0; row < height; ++row) {
            const std::uint8_t* src = in.here() + row * stride;
            std::uint8_t* o = outRow(row);
            if (wholeBytes) {
                byteChannels.ConvertRow(src, width, o);
                continue;
            }
            for (std::size_t x = 0; x < width; ++x, o += 4) {
                if (h.bitCount <= 8) {
                    std::size_t bit = x * h.bitCount;
                    std::uint8_t byte = src[bit / 8];
                    std::uint8_t index = std::uint8_t((byte >> (8 - h.bitCount - bit % 8)) & ((1u << h.bitCount) - 1));
                    auto c = palette.at(index);
                    std::copy(c.begin(), c.end(), o);
                } else {
                    auto word = std::uint32_t(imagebytes::ReadLittleEndian(src + x * pixelBytes, pixelBytes));
                    imagebytes::PutBGRA(o, r.expand(word, 0), g.expand(word, 0), b.expand(word, 0),
                                        a.expand(word, 255));
                }
            }
        }
    }

    out.fileType = ImageFileType::BMP;
    out.fileFormat = FileFormatOf(h);
    out.width = level.width;
    out.height = level.height;
    out.levels.push_back(std::move(level));
    return true;
}

}  // namespace plat
