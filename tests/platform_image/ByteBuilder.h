#pragma once
// Builds little-endian files byte by byte for the decoder tests.
#include <cstdint>
#include <initializer_list>
#include <vector>

struct ByteBuilder {
    std::vector<std::uint8_t> bytes;

    ByteBuilder& u8(std::uint32_t v) {
        bytes.push_back(std::uint8_t(v));
        return *this;
    }
    ByteBuilder& u16(std::uint32_t v) { return u8(v).u8(v >> 8); }
    ByteBuilder& u32(std::uint32_t v) { return u16(v).u16(v >> 16); }
    ByteBuilder& raw(std::initializer_list<std::uint8_t> list) {
        bytes.insert(bytes.end(), list);
        return *this;
    }
    ByteBuilder& text(const char* s) {
        while (*s) u8(std::uint8_t(*s++));
        return *this;
    }
    ByteBuilder& zeros(std::size_t n) {
        bytes.insert(bytes.end(), n, 0);
        return *this;
    }
    std::size_t size() const { return bytes.size(); }
    const std::uint8_t* data() const { return bytes.data(); }
};

// A bitmap file and info header (40 bytes) for the given pixel layout;
// the palette and pixels are appended by the caller.
inline ByteBuilder BmpHeader(std::int32_t width, std::int32_t height, int bits, std::uint32_t compression,
                             std::uint32_t paletteCount, std::uint32_t extraHeaderBytes = 0) {
    ByteBuilder b;
    std::uint32_t offset = 14 + 40 + extraHeaderBytes + paletteCount * 4;
    b.text("BM").u32(0).u32(0).u32(offset);
    b.u32(40).u32(std::uint32_t(width)).u32(std::uint32_t(height)).u16(1).u16(bits).u32(compression);
    b.u32(0).u32(0).u32(0).u32(paletteCount).u32(0);
    return b;
}

// A DDS header for the given size and pixel format fields.
struct DdsSpec {
    std::uint32_t width = 4, height = 4, depth = 0, mips = 1;
    std::uint32_t pfFlags = 0x41, fourCC = 0, bits = 32;
    std::uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    std::uint32_t caps2 = 0;
};
inline ByteBuilder DdsHeader(const DdsSpec& s) {
    ByteBuilder b;
    std::uint32_t flags = 0x1007 | (s.mips > 1 ? 0x20000 : 0) | (s.depth ? 0x800000 : 0);
    b.text("DDS ").u32(124).u32(flags).u32(s.height).u32(s.width).u32(0).u32(s.depth).u32(s.mips);
    b.zeros(44);
    b.u32(32).u32(s.pfFlags).u32(s.fourCC).u32(s.bits);
    for (auto m : s.masks) b.u32(m);
    b.u32(0x1000).u32(s.caps2).zeros(12);
    return b;
}
