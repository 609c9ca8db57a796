#include "platform/image/Image.h"

#include <algorithm>

#include "platform/common/Files.h"

namespace plat {
namespace {

bool StartsWith(const std::uint8_t* data, std::size_t size, const char* magic, std::size_t length) {
    return size >= length && std::equal(data, data + length, reinterpret_cast<const std::uint8_t*>(magic));
}

}  // namespace

bool ImageSizeAllowed(std::uint64_t width, std::uint64_t height, std::uint64_t depth) {
    if (width == 0 || height == 0 || depth == 0) return false;
    if (width > kMaxImageDimension || height > kMaxImageDimension || depth > kMaxImageDimension)
        return false;
    return width * height * depth <= kMaxImagePixels;
}

bool AdmitImageSize(const char* format, std::uint64_t width, std::uint64_t height, std::uint64_t depth,
                    std::uint64_t leastBytes, std::size_t available, std::string& error) {
    std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (depth > 1) size += " x " + std::to_string(depth);
    if (!ImageSizeAllowed(width, height, depth))
        return error = std::string(format) + " image size " + size + " out of range: at most " +
                       std::to_string(kMaxImageDimension) + " pixels a side and " + std::to_string(kMaxImagePixels) +
                       " in all",
               false;
    if (leastBytes <= available) return true;
    error = "truncated " + std::string(format) + " data: " + std::to_string(available) +
            " bytes cannot hold a " + size + " image";
    return false;
}

std::size_t DxtBlockBytes(ImageLayout layout) {
    switch (layout) {
    case ImageLayout::DXT1: return 8;
    case ImageLayout::DXT3:
    case ImageLayout::DXT5: return 16;
    case ImageLayout::BGRA8: break;
    }
    return 0;
}

std::size_t LevelByteSize(ImageLayout layout, std::uint32_t width, std::uint32_t height,
                          std::uint32_t depth) {
    if (layout == ImageLayout::BGRA8) return std::size_t(width) * height * depth * 4;
    std::size_t blocksWide = std::max<std::size_t>(1, (std::size_t(width) + 3) / 4);
    std::size_t blocksHigh = std::max<std::size_t>(1, (std::size_t(height) + 3) / 4);
    return blocksWide * blocksHigh * depth * DxtBlockBytes(layout);
}

std::uint32_t FullMipCount(std::uint32_t width, std::uint32_t height, std::uint32_t depth) {
    std::uint32_t largest = std::max({width, height, depth, 1u});
    std::uint32_t count = 1;
    while (largest > 1) {
        largest >>= 1;
        ++count;
    }
    return count;
}

bool DecodeImage(const std::uint8_t* data, std::size_t size, Image& out, std::string& error) {
    out = Image{};
    if (data == nullptr || size == 0) {
        error = "empty image data";
        return false;
    }
    if (StartsWith(data, size, "DDS ", 4)) return DecodeDds(data, size, out, error);
    if (StartsWith(data, size, "\x89PNG\r\n\x1a\n", 8)) return DecodePng(data, size, out, error);
    if (StartsWith(data, size, "\xff\xd8\xff", 3)) return DecodeJpeg(data, size, out, error);
    if (StartsWith(data, size, "BM", 2)) return DecodeBmp(data, size, out, error);
    // TGA files carry no signature: what has no other one is tried as one.
    if (LooksLikeTga(data, size)) return DecodeTga(data, size, out, error);
    error = "unrecognised image format";
    return false;
}

bool LoadImageFile(const std::string& path, Image& out, std::string& error) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes, FileKind::Image, &error)) return false;
    if (!DecodeImage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), out, error)) {
        error = "\"" + path + "\": " + error;
        return false;
    }
    return true;
}

}  // namespace plat
