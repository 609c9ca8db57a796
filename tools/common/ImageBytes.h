#pragma once
// What the texture tools share to write image files byte by byte: a byte
// buffer, the rounding of a 0..1 channel to a byte, the BMP and DDS headers
// they write, and the write itself (a temporary file renamed over the old).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/common/Files.h"

namespace toolimage {

struct Bytes {
    std::vector<std::uint8_t> data;
    void u8(std::uint32_t v) { data.push_back(std::uint8_t(v)); }
    void u16(std::uint32_t v) { u8(v); u8(v >> 8); }
    void u32(std::uint32_t v) { u16(v); u16(v >> 16); }
    void zeros(std::size_t n) { data.insert(data.end(), n, 0); }
};

// A channel of 0..1 (clamped) to 0..255, rounded.
inline std::uint8_t ToByte(float v) {
    const float scaled = v * 255.0f + 0.5f;
    if (scaled < 0.0f) return 0;
    if (scaled > 255.0f) return 255;
    return std::uint8_t(scaled);
}

// The bytes of a 24-bit row padded to four.
inline int BmpStride(int width) { return (width * 3 + 3) & ~3; }

// File and info headers of an uncompressed 24-bit bitmap of bottom-up rows;
// the rows follow.
inline void BmpHeader24(Bytes& b, int width, int height) {
    const int imageSize = BmpStride(width) * height;
    b.u8('B');
    b.u8('M');
    b.u32(14 + 40 + imageSize);
    b.u32(0);
    b.u32(14 + 40);
    b.u32(40);
    b.u32(width);
    b.u32(height);
    b.u16(1);
    b.u16(24);
    b.u32(0);
    b.u32(imageSize);
    b.u32(2835);
    b.u32(2835);
    b.u32(0);
    b.u32(0);
}

// The header of an uncompressed A8R8G8B8 DDS of one mip level: a 2D texture,
// or a cube map with all six faces (each face's pixels follow in turn).
inline void DdsHeaderA8R8G8B8(Bytes& b, std::uint32_t width, std::uint32_t height, bool cubeMap) {
    b.u8('D'), b.u8('D'), b.u8('S'), b.u8(' ');
    b.u32(124);
    b.u32(0x1 | 0x2 | 0x4 | 0x8 | 0x1000);  // caps, height, width, pitch, pixel format
    b.u32(height);
    b.u32(width);
    b.u32(width * 4);
    b.u32(0);  // depth
    b.u32(1);  // mip levels
    b.zeros(44);
    b.u32(32);
    b.u32(0x41);  // RGB with alpha
    b.u32(0);
    b.u32(32);
    b.u32(0x00FF0000);
    b.u32(0x0000FF00);
    b.u32(0x000000FF);
    b.u32(0xFF000000);
    b.u32(cubeMap ? 0x1000 | 0x8 : 0x1000);  // texture (complex for a cube)
    b.u32(cubeMap ? 0x200 | 0xFC00 : 0);     // cube map with all six faces
    b.zeros(12);
}

// Writes the bytes to path, creating its folder; tool names the program in
// the message that says why it failed. Nothing to write is a failure too.
inline bool Write(const char* tool, const std::filesystem::path& path, const Bytes& bytes) {
    if (bytes.data.empty()) {
        std::fprintf(stderr, "%s: nothing to write for %s\n", tool, path.string().c_str());
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::string error;
    const std::string_view contents(reinterpret_cast<const char*>(bytes.data.data()), bytes.data.size());
    if (plat::ReplaceFile(path.string(), contents, &error)) return true;
    std::fprintf(stderr, "%s: %s\n", tool, error.c_str());
    return false;
}

}  // namespace toolimage
