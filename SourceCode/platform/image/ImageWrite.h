#pragma once
// Image files out of memory: what the asset tools and the tests' screenshots
// write. Pixels come in the decoders' form, 8-bit BGRA, top row first.
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// A PNG of the pixels (8-bit RGBA, no time stamp or other varying chunk, so
// equal pixels give equal bytes). False with a message in error when libpng
// refuses or the size is 0 or past the decoders' limits.
bool EncodePng(const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
               std::vector<std::uint8_t>& out, std::string& error);

// Encodes and writes through a temporary file renamed over path.
bool SavePng(const std::string& path, const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
             std::string& error);

}  // namespace plat
