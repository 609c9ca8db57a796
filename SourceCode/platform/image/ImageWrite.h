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

// A baseline JPEG of the pixels (alpha dropped) at quality 1..100. The
// integer transform is used, so the bytes are the same on every machine.
bool EncodeJpeg(const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height, int quality,
                std::vector<std::uint8_t>& out, std::string& error);
// The same as a progressive JPEG (a series of scans), with colour at full
// resolution (4:4:4) or at half in both directions (4:2:0, as above).
bool EncodeProgressiveJpeg(const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height, int quality,
                           bool fullColour, std::vector<std::uint8_t>& out, std::string& error);

// Encodes and writes through a temporary file renamed over path.
bool SavePng(const std::string& path, const std::uint8_t* bgra, std::uint32_t width, std::uint32_t height,
             std::string& error);

}  // namespace plat
