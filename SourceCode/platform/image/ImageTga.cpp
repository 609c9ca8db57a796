// Targa images: colour-mapped, true-colour and grey, uncompressed or
// run-length coded, in any of the four origins.
#include <algorithm>
#include <cstring>

#include "platform/image/Image.h"
#include "platform/image/ImageBytes.h"

namespace plat {
namespace {
using imagebytes::ByteReader;

struct TgaHeader {
    std::uint8_t idLength = 0;
    std::uint8_t colorMapType = 0;
    std::uint8_t imageType = 0;
    std::uint16_t mapFirst = 0;
    std::uint16_t mapLength = 0;
    std::uint8_t mapEntryBits = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t pixelBits = 0;
    std::uint8_t descriptor = 0;

    bool rle() const { return imageType >= 9; }
    std::uint8_t baseType() const { return std::uint8_t(imageType & 7); }
    bool topDown() const { return descriptor & 0x20; }
    bool rightToLeft() const { return descriptor & 0x10; }
    bool alphaBits() const { return (descriptor & 0x0F) != 0; }
};

constexpr std::size_t kHeaderBytes = 18;

bool KnownType(std::uint8_t colorMapType, std::uint8_t imageType) {
    const bool typeOk = imageType == 1 || imageType == 2 || imageType == 3 || imageType == 9 || imageType == 10 ||
                        imageType == 11;
    return typeOk && colorMapType <= 1;
}

bool ValidHeader(const TgaHeader& h, std::string& error) {
    if (!KnownType(h.colorMapType, h.imageType)) return error = "not a Targa image", false;
    bool depthOk = false;
    switch (h.baseType()) {
    case 1:
        depthOk = h.colorMapType == 1 && h.pixelBits == 8;
        if (depthOk && h.mapEntryBits != 15 && h.mapEntryBits != 16 && h.mapEntryBits != 24 && h.mapEntryBits != 32)
            return error = "unsupported Targa colour-map entry size " + std::to_string(h.mapEntryBits) + " bits",
                   false;
        break;
    case 2: depthOk = h.pixelBits == 15 || h.pixelBits == 16 || h.pixelBits == 24 || h.pixelBits == 32; break;
    case 3: depthOk = h.pixelBits == 8 || h.pixelBits == 16; break;
    }
    if (!depthOk) return error = "unsupported Targa pixel depth " + std::to_string(h.pixelBits), false;
    return true;
}

// Converts one stored true-colour value of the given bit size to BGRA.
// Without alpha, the attribute bits of 16 and 32-bit values are ignored
// (X1R5G5B5, X8R8G8B8): the pixel is opaque.
void TrueColorToBGRA(const std::uint8_t* p, std::uint8_t bits, bool alpha, std::uint8_t* o) {
    if (bits == 15 || bits == 16) {
        std::uint32_t v = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
        auto five = [](std::uint32_t x) { return std::uint8_t((x << 3) | (x >> 2)); };
        std::uint8_t a = (bits == 16 && alpha) ? ((v & 0x8000) ? 255 : 0) : 255;
        imagebytes::PutBGRA(o, five((v >> 10) & 31), five((v >> 5) & 31), five(v & 31), a);
    } else {
        imagebytes::PutBGRA(o, p[2], p[1], p[0], bits == 32 && alpha ? p[3] : 255);
    }
}

class TgaPixels {
public:
    TgaPixels(const TgaHeader& h, std::vector<std::uint8_t> map) : h_(h), map_(std::move(map)) {
        mapEntryBytes_ = (h.mapEntryBits + 7) / 8;
    }
    std::size_t pixelBytes() const { return (h_.pixelBits + 7) / 8; }

    void toBGRA(const std::uint8_t* p, std::uint8_t* o) const {
        switch (h_.baseType()) {
        case 1: {
            std::size_t index = p[0];
            if (index < h_.mapFirst || index - h_.mapFirst >= h_.mapLength) {
                imagebytes::PutBGRA(o, 0, 0, 0, 255);
                return;
            }
            const std::uint8_t* entry = map_.data() + (index - h_.mapFirst) * mapEntryBytes_;
            TrueColorToBGRA(entry, h_.mapEntryBits, h_.mapEntryBits == 32 || h_.alphaBits(), o);
            return;
        }
        case 2: TrueColorToBGRA(p, h_.pixelBits, h_.alphaBits(), o); return;
        default: imagebytes::PutBGRA(o, p[0], p[0], p[0], h_.pixelBits == 16 ? p[1] : 255); return;
        }
    }

private:
    TgaHeader h_;
    std::vector<std::uint8_t> map_;
    std::size_t mapEntryBytes_ = 0;
};

std::uint32_t FileFormatOf(const TgaHeader& h) {
    using namespace imagefmt;
    switch (h.baseType()) {
    case 1: return kP8;
    case 3: return h.pixelBits == 16 ? kA8L8 : kL8;
    }
    if (h.pixelBits == 32) return h.alphaBits() ? kA8R8G8B8 : kX8R8G8B8;
    if (h.pixelBits == 24) return kR8G8B8;
    return h.pixelBits == 16 && h.alphaBits() ? kA1R5G5B5 : kX1R5G5B5;
}

// Stored pixels whose channels are whole bytes: 32-bit (BGRA, or BGR and a
// spare byte when the descriptor gives no alpha bits), 24-bit (BGR) and
// grey, with its alpha byte at 16 bits.
bool WholeByteChannels(const TgaHeader& h, imagebytes::ByteChannels& channels) {
    if (h.baseType() == 2 && h.pixelBits == 32)
        return channels.Fit(0xFF0000, 0xFF00, 0xFF, h.alphaBits() ? 0xFF000000 : 0, 4);
    if (h.baseType() == 2 && h.pixelBits == 24) return channels.Fit(0xFF0000, 0xFF00, 0xFF, 0, 3);
    if (h.baseType() == 3) return channels.Fit(0xFF, 0xFF, 0xFF, h.pixelBits == 16 ? 0xFF00 : 0, h.pixelBits / 8);
    return false;
}

// Where each stored pixel goes in the decoded image, which is top row first
// and left to right: the file stores its rows bottom-up unless its
// descriptor says top-down, and each row right to left when it says so.
class TgaPlaces {
public:
    TgaPlaces(const TgaHeader& h, std::uint8_t* pixels) : h_(h), pixels_(pixels), rowBytes_(std::size_t(h.width) * 4) {}

    // The decoded row that the file's row `fileRow` fills.
    std::uint8_t* Row(std::size_t fileRow) const {
        return pixels_ + (h_.topDown() ? fileRow : h_.height - 1 - fileRow) * rowBytes_;
    }
    // The place of the next stored pixel, in file order (run-length data,
    // whose packets run on across rows).
    std::uint8_t* Next() {
        if (column_ == 0) row_ = Row(fileRow_);
        std::uint8_t* place = row_ + (h_.rightToLeft() ? h_.width - 1 - column_ : column_) * 4;
        if (++column_ == h_.width) {
            column_ = 0;
            ++fileRow_;
        }
        return place;
    }

private:
    const TgaHeader& h_;
    std::uint8_t* pixels_;
    std::size_t rowBytes_;
    std::size_t fileRow_ = 0, column_ = 0;
    std::uint8_t* row_ = nullptr;
};

// A decoded row stored right to left, put left to right.
void MirrorRow(std::uint8_t* row, std::size_t width) {
    for (std::size_t left = 0, right = width; left + 1 < right; ++left) {
        --right;
        std::uint8_t pixel[4];
        std::memcpy(pixel, row + left * 4, 4);
        std::memcpy(row + left * 4, row + right * 4, 4);
        std::memcpy(row + right * 4, pixel, 4);
    }
}

// Stored rows, each converted straight into its decoded row. The file is
// read in its own order: a forward stream is read at memory's full speed
// whichever way the rows are stored.
void ReadStoredRows(const std::uint8_t* stored, const TgaHeader& h, const TgaPixels& pixels, std::uint8_t* out) {
    const std::size_t width = h.width, storedRowBytes = width * pixels.pixelBytes();
    imagebytes::ByteChannels channels;
    const bool wholeBytes = WholeByteChannels(h, channels);
    const TgaPlaces places(h, out);
    for (std::size_t fileRow = 0; fileRow < h.height; ++fileRow, stored += storedRowBytes) {
        std::uint8_t* to = places.Row(fileRow);
        if (wholeBytes) {
            channels.ConvertRow(stored, width, to);
        } else {
            for (std::size_t x = 0; x < width; ++x) pixels.toBGRA(stored + x * pixels.pixelBytes(), to + x * 4);
        }
        if (h.rightToLeft()) MirrorRow(to, width);
    }
}

bool ReadRunLengthPixels(ByteReader& in, const TgaHeader& h, const TgaPixels& pixels, std::uint8_t* out,
                         std::string& error) {
    const std::size_t count = std::size_t(h.width) * h.height, bytes = pixels.pixelBytes();
    TgaPlaces places(h, out);
    std::size_t done = 0;
    while (done < count) {
        std::uint8_t packet = in.u8();
        std::size_t run = std::min<std::size_t>((packet & 0x7F) + 1, count - done);
        bool repeated = packet & 0x80;
        std::size_t stored = repeated ? 1 : run;
        if (!in.ok() || in.remaining() / bytes < stored) return error = "truncated Targa run-length data", false;
        for (std::size_t i = 0; i < run; ++i) pixels.toBGRA(in.here() + (repeated ? 0 : i * bytes), places.Next());
        in.skip(stored * bytes);
        done += run;
    }
    return true;
}

// The pixels, each decoded once into its place in out.
bool ReadPixels(ByteReader& in, const TgaHeader& h, const TgaPixels& pixels, std::vector<std::uint8_t>& out,
                std::string& error) {
    const std::size_t count = std::size_t(h.width) * h.height;
    const std::size_t bytes = pixels.pixelBytes();
    // Every run-length packet stores at least one pixel for at most 128.
    const std::size_t least = h.rle() ? (count + 127) / 128 * (1 + bytes) : count * bytes;
    if (!AdmitImageSize(h.rle() ? "Targa run-length" : "Targa", h.width, h.height, 1, least, in.remaining(), error))
        return false;
    out.resize(count * 4);
    if (h.rle()) return ReadRunLengthPixels(in, h, pixels, out.data(), error);
    ReadStoredRows(in.here(), h, pixels, out.data());
    return true;
}

}  // namespace

bool LooksLikeTga(const std::uint8_t* data, std::size_t size) {
    return data && size >= kHeaderBytes && KnownType(data[1], data[2]);
}

bool DecodeTga(const std::uint8_t* data, std::size_t size, Image& out, std::string& error) {
    out = Image{};
    ByteReader in(data, size);
    TgaHeader h;
    h.idLength = in.u8();
    h.colorMapType = in.u8();
    h.imageType = in.u8();
    h.mapFirst = in.u16();
    h.mapLength = in.u16();
    h.mapEntryBits = in.u8();
    in.skip(4);  // origin
    h.width = in.u16();
    h.height = in.u16();
    h.pixelBits = in.u8();
    h.descriptor = in.u8();
    if (!in.ok()) return error = "not a Targa image", false;
    // A header and nothing after it is an empty file, whatever it claims.
    const std::size_t mapBytes = h.colorMapType == 1 ? std::size_t(h.mapLength) * ((h.mapEntryBits + 7) / 8) : 0;
    if (KnownType(h.colorMapType, h.imageType) && size == kHeaderBytes + h.idLength + mapBytes)
        return error = "Targa file holds its header and no pixel data", false;
    if (!ValidHeader(h, error)) return false;

    in.skip(h.idLength);
    std::vector<std::uint8_t> map;
    if (h.colorMapType == 1) {
        if (mapBytes > in.remaining()) return error = "truncated Targa colour map", false;
        map.assign(in.here(), in.here() + mapBytes);
        in.skip(mapBytes);
    }
    if (!in.ok()) return error = "truncated Targa header", false;

    ImageLevel level{h.width, h.height, 1, {}};
    if (!ReadPixels(in, h, TgaPixels(h, std::move(map)), level.bytes, error)) return false;
    out.fileType = ImageFileType::TGA;
    out.fileFormat = FileFormatOf(h);
    out.width = h.width;
    out.height = h.height;
    out.levels.push_back(std::move(level));
    return true;
}

}  // namespace plat
