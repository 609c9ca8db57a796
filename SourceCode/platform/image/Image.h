#pragma once
// Image files in memory: the decoders behind the texture loaders. Every
// decoder reads untrusted bytes, so every size in a file is checked against
// the data before anything is allocated or copied.
//
// A decoded image is either 8-bit BGRA pixels (the byte order of a
// little-endian 0xAARRGGBB word, what an A8R8G8B8 surface holds) or raw
// DXT1/3/5 blocks. Rows are stored top row first, tightly packed; a volume
// level holds its slices one after the other.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// The file types, numbered as the loaders report them.
enum class ImageFileType : std::uint32_t { BMP = 0, JPG = 1, TGA = 2, PNG = 3, DDS = 4 };

enum class ImageLayout : std::uint8_t { BGRA8, DXT1, DXT3, DXT5 };

enum class ImageShape : std::uint8_t { Flat, Cube, Volume };

struct ImageLevel {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t depth = 1;
    std::vector<std::uint8_t> bytes;
};

struct Image {
    ImageShape shape = ImageShape::Flat;
    ImageLayout layout = ImageLayout::BGRA8;
    ImageFileType fileType = ImageFileType::BMP;
    // The surface format the file stores, as a D3DFORMAT code (21 for
    // A8R8G8B8, the FourCC for DXT): what "use the file's format" means.
    std::uint32_t fileFormat = 21;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t depth = 1;
    std::uint32_t mipLevels = 1;
    // Cube faces in the order +X, -X, +Y, -Y, +Z, -Z, each with its whole
    // mip chain: index = face * mipLevels + mip.
    std::vector<ImageLevel> levels;

    std::uint32_t FaceCount() const { return shape == ImageShape::Cube ? 6u : 1u; }
    ImageLevel& Level(std::uint32_t face, std::uint32_t mip) { return levels[face * mipLevels + mip]; }
    const ImageLevel& Level(std::uint32_t face, std::uint32_t mip) const {
        return levels[face * mipLevels + mip];
    }
};

// D3DFORMAT codes the decoders and loaders speak.
namespace imagefmt {
inline constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
    return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 |
           std::uint32_t(std::uint8_t(c)) << 16 | std::uint32_t(std::uint8_t(d)) << 24;
}
inline constexpr std::uint32_t kUnknown = 0;
inline constexpr std::uint32_t kR8G8B8 = 20;
inline constexpr std::uint32_t kA8R8G8B8 = 21;
inline constexpr std::uint32_t kX8R8G8B8 = 22;
inline constexpr std::uint32_t kR5G6B5 = 23;
inline constexpr std::uint32_t kX1R5G5B5 = 24;
inline constexpr std::uint32_t kA1R5G5B5 = 25;
inline constexpr std::uint32_t kA4R4G4B4 = 26;
inline constexpr std::uint32_t kA8 = 28;
inline constexpr std::uint32_t kX4R4G4B4 = 30;
inline constexpr std::uint32_t kA8B8G8R8 = 32;
inline constexpr std::uint32_t kX8B8G8R8 = 33;
inline constexpr std::uint32_t kP8 = 41;
inline constexpr std::uint32_t kL8 = 50;
inline constexpr std::uint32_t kA8L8 = 51;
inline constexpr std::uint32_t kDXT1 = MakeFourCC('D', 'X', 'T', '1');
inline constexpr std::uint32_t kDXT2 = MakeFourCC('D', 'X', 'T', '2');
inline constexpr std::uint32_t kDXT3 = MakeFourCC('D', 'X', 'T', '3');
inline constexpr std::uint32_t kDXT4 = MakeFourCC('D', 'X', 'T', '4');
inline constexpr std::uint32_t kDXT5 = MakeFourCC('D', 'X', 'T', '5');
}  // namespace imagefmt

// Limits every decoder keeps, so that a forged header cannot ask for more
// memory than a texture could ever use.
inline constexpr std::uint32_t kMaxImageDimension = 16384;
inline constexpr std::uint64_t kMaxImagePixels = std::uint64_t(1) << 26;

// Decodes a whole file held in memory; the type is found from the contents
// (DDS, PNG, JPEG and BMP by their signatures, TGA by a plausible header).
// False with a message in error when the data is not a readable image.
bool DecodeImage(const std::uint8_t* data, std::size_t size, Image& out, std::string& error);
// Reads the file and decodes it. False with a message when the file cannot be
// read or decoded.
bool LoadImageFile(const std::string& path, Image& out, std::string& error);

// The single decoders, for DecodeImage and for tests.
bool DecodeBmp(const std::uint8_t* data, std::size_t size, Image& out, std::string& error);
bool DecodeTga(const std::uint8_t* data, std::size_t size, Image& out, std::string& error);
// Whether the bytes start with a Targa header (a file with no signature is
// tried as one last): a recognised Targa that fails says what is wrong with
// it, anything else is an unrecognised format.
bool LooksLikeTga(const std::uint8_t* data, std::size_t size);
bool DecodeDds(const std::uint8_t* data, std::size_t size, Image& out, std::string& error);
bool DecodePng(const std::uint8_t* data, std::size_t size, Image& out, std::string& error);
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Image& out, std::string& error);

// Whether the dimensions are inside the decoders' limits.
bool ImageSizeAllowed(std::uint64_t width, std::uint64_t height, std::uint64_t depth = 1);
// The one check every decoder passes before it allocates pixels: the size is
// inside the limits, and the file's data (available bytes) holds at least
// leastBytes, what the format needs for an image of that size in its densest
// coding. A forged header then costs no more than the file that carries it.
// False with error naming the format (as "JPEG") and the fault.
bool AdmitImageSize(const char* format, std::uint64_t width, std::uint64_t height, std::uint64_t depth,
                    std::uint64_t leastBytes, std::size_t available, std::string& error);

// Bytes of one level of the layout at the given size.
std::size_t LevelByteSize(ImageLayout layout, std::uint32_t width, std::uint32_t height,
                          std::uint32_t depth = 1);
// Bytes of one 4x4 block, or 0 for BGRA8.
std::size_t DxtBlockBytes(ImageLayout layout);
// Number of levels of a full mip chain down to 1x1x1.
std::uint32_t FullMipCount(std::uint32_t width, std::uint32_t height, std::uint32_t depth = 1);

}  // namespace plat
