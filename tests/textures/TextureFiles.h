#pragma once
// Image files written by the texture tests into their temporary folders.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform_image/ByteBuilder.h"

inline void WriteFile(const std::filesystem::path& path, const ByteBuilder& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A 32-bit top-down bitmap from 0xAARRGGBB pixels, row by row (the alpha
// byte is stored but a plain bitmap reads as opaque).
inline ByteBuilder Bitmap32(std::int32_t width, std::int32_t height, const std::vector<std::uint32_t>& argb) {
    ByteBuilder b = BmpHeader(width, -height, 32, 0, 0);
    for (std::uint32_t p : argb) b.u32(p);
    return b;
}

// An A8R8G8B8 cube map of the given edge whose faces are made by colour(face, x, y).
template <class Colour>
ByteBuilder CubeDds(std::uint32_t edge, Colour colour) {
    DdsSpec spec;
    spec.width = spec.height = edge;
    spec.caps2 = 0xFE00;
    ByteBuilder b = DdsHeader(spec);
    for (std::uint32_t face = 0; face < 6; ++face)
        for (std::uint32_t y = 0; y < edge; ++y)
            for (std::uint32_t x = 0; x < edge; ++x) b.u32(colour(face, x, y));
    return b;
}
