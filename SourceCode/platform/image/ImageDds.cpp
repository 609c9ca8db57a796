// DirectDraw surfaces: 2D, cube and volume images with their mip chains,
// DXT1/3/5 blocks kept as they are, bit-masked RGB, luminance and alpha
// pixels expanded to BGRA.
#include <algorithm>

#include "platform/image/Image.h"
#include "platform/image/ImageBytes.h"

namespace plat {
namespace {
using imagebytes::ByteReader;
using imagebytes::ChannelMask;

enum : std::uint32_t {
    kFlagMipCount = 0x20000,
    kFlagDepth = 0x800000,
    kPfAlphaPixels = 0x1,
    kPfAlpha = 0x2,
    kPfFourCC = 0x4,
    kPfPalette8 = 0x20,
    kPfRgb = 0x40,
    kPfLuminance = 0x20000,
    kCaps2Cube = 0x200,
    kCaps2AllFaces = 0xFC00,
    kCaps2Volume = 0x200000,
};

struct PixelFormat {
    std::uint32_t flags = 0;
    std::uint32_t fourCC = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t masks[4] = {};  // red (or luminance), green, blue, alpha
};

struct DdsHeader {
    std::uint32_t flags = 0;
    std::uint32_t height = 0;
    std::uint32_t width = 0;
    std::uint32_t depth = 0;
    std::uint32_t mipCount = 0;
    PixelFormat pf;
    std::uint32_t caps2 = 0;
};

bool ReadHeader(ByteReader& in, DdsHeader& h, std::string& error) {
    in.skip(4);  // magic
    std::uint32_t headerSize = in.u32();
    h.flags = in.u32();
    h.height = in.u32();
    h.width = in.u32();
    in.u32();  // pitch or linear size: recomputed from the format
    h.depth = in.u32();
    h.mipCount = in.u32();
    in.skip(44);
    std::uint32_t pfSize = in.u32();
    h.pf.flags = in.u32();
    h.pf.fourCC = in.u32();
    h.pf.bitCount = in.u32();
    for (auto& mask : h.pf.masks) mask = in.u32();
    in.u32();  // caps
    h.caps2 = in.u32();
    in.skip(12);
    if (!in.ok()) return error = "truncated DDS header", false;
    if (headerSize != 124 || pfSize != 32) return error = "bad DDS header size", false;
    return true;
}

constexpr std::uint32_t kDX10 = imagefmt::MakeFourCC('D', 'X', '1', '0');

// The names of the DXGI formats such files hold most often.
std::string DxgiFormatName(std::uint32_t format) {
    switch (format) {
    case 2: return "R32G32B32A32_FLOAT";
    case 10: return "R16G16B16A16_FLOAT";
    case 24: return "R10G10B10A2_UNORM";
    case 28: return "R8G8B8A8_UNORM";
    case 29: return "R8G8B8A8_UNORM_SRGB";
    case 61: return "R8_UNORM";
    case 65: return "A8_UNORM";
    case 71: return "BC1_UNORM";
    case 72: return "BC1_UNORM_SRGB";
    case 74: return "BC2_UNORM";
    case 75: return "BC2_UNORM_SRGB";
    case 77: return "BC3_UNORM";
    case 78: return "BC3_UNORM_SRGB";
    case 80: return "BC4_UNORM";
    case 83: return "BC5_UNORM";
    case 85: return "B5G6R5_UNORM";
    case 87: return "B8G8R8A8_UNORM";
    case 88: return "B8G8R8X8_UNORM";
    case 95: return "BC6H_UF16";
    case 98: return "BC7_UNORM";
    case 99: return "BC7_UNORM_SRGB";
    default: return "";
    }
}

// D3DX 9 reads no file with the DX10 header; the refusal names its format.
std::string Dx10Refusal(ByteReader in) {
    const std::uint32_t format = in.u32();
    if (!in.ok()) return "DDS with a DX10 header (truncated, no DXGI format) is not read";
    const std::string name = DxgiFormatName(format);
    return "DDS with a DX10 header (DXGI format " + std::to_string(format) + (name.empty() ? "" : " " + name) +
           ") is not read";
}

// Masks with bits beyond the pixel's size would read nothing (black).
bool MasksFit(const PixelFormat& pf) {
    if (pf.bitCount >= 32) return true;
    const std::uint32_t beyond = ~((1u << pf.bitCount) - 1);
    return !((pf.masks[0] | pf.masks[1] | pf.masks[2] | pf.masks[3]) & beyond);
}

// An 8-bit luminance surface whose mask does not fit (0xFF000000) or is
// missing is read by its bit count, as the luminance byte.
void FitLuminanceMask(PixelFormat& pf) {
    if ((pf.flags & kPfLuminance) && !(pf.flags & kPfRgb) && pf.bitCount == 8 &&
        (!MasksFit(pf) || pf.masks[0] == 0)) {
        pf.masks[0] = 0xFF;
        pf.masks[1] = pf.masks[2] = pf.masks[3] = 0;
    }
}

bool ChooseLayout(const PixelFormat& pf, ImageLayout& layout, std::uint32_t& fileFormat,
                  std::string& error) {
    using namespace imagefmt;
    if (pf.flags & kPfFourCC) {
        switch (pf.fourCC) {
        case kDXT1: layout = ImageLayout::DXT1; break;
        case kDXT2: case kDXT3: layout = ImageLayout::DXT3; break;
        case kDXT4: case kDXT5: layout = ImageLayout::DXT5; break;
        default: {
            const char code[5] = {char(pf.fourCC), char(pf.fourCC >> 8), char(pf.fourCC >> 16), char(pf.fourCC >> 24), 0};
            const bool printable = std::all_of(code, code + 4, [](char c) { return c >= 32 && c < 127; });
            return error = "unsupported DDS compression" + (printable ? " \"" + std::string(code) + "\"" : std::string()),
                   false;
        }
        }
        fileFormat = pf.fourCC == kDXT2 ? kDXT3 : pf.fourCC == kDXT4 ? kDXT5 : pf.fourCC;
        return true;
    }
    if (pf.flags & kPfPalette8) return error = "palettised DDS images are not supported", false;
    if (!(pf.flags & (kPfRgb | kPfLuminance | kPfAlpha)))
        return error = "unsupported DDS pixel format", false;
    if (pf.bitCount != 8 && pf.bitCount != 16 && pf.bitCount != 24 && pf.bitCount != 32)
        return error = "unsupported DDS bit count " + std::to_string(pf.bitCount), false;
    if (!MasksFit(pf))
        return error = "DDS channel masks do not fit its " + std::to_string(pf.bitCount) + "-bit pixels", false;
    layout = ImageLayout::BGRA8;
    bool alpha = (pf.flags & (kPfAlphaPixels | kPfAlpha)) && pf.masks[3];
    if (pf.flags & kPfLuminance) fileFormat = alpha ? kA8L8 : kL8;
    else if (!(pf.flags & kPfRgb)) fileFormat = kA8;
    else if (pf.bitCount == 16 && pf.masks[1] == 0x07E0) fileFormat = kR5G6B5;
    else if (pf.bitCount == 16 && pf.masks[1] == 0x00F0) fileFormat = alpha ? kA4R4G4B4 : kX4R4G4B4;
    else if (pf.bitCount == 16) fileFormat = alpha ? kA1R5G5B5 : kX1R5G5B5;
    else if (pf.bitCount == 24) fileFormat = kR8G8B8;
    else if (pf.masks[0] == 0xFF) fileFormat = alpha ? kA8B8G8R8 : kX8B8G8R8;
    else fileFormat = alpha ? kA8R8G8B8 : kX8R8G8B8;
    return true;
}

// Expands one stored level of bit-masked pixels to BGRA.
ImageLevel ExpandLevel(const std::uint8_t* src, const PixelFormat& pf, std::uint32_t w,
                       std::uint32_t h, std::uint32_t d) {
    const bool luminance = pf.flags & kPfLuminance;
    const bool rgb = pf.flags & kPfRgb;
    const bool alpha = (pf.flags & (kPfAlphaPixels | kPfAlpha)) != 0;
    // Luminance is read as red and given to the three colours.
    const std::uint32_t redMask = rgb || luminance ? pf.masks[0] : 0;
    const std::uint32_t greenMask = luminance ? redMask : rgb ? pf.masks[1] : 0;
    const std::uint32_t blueMask = luminance ? redMask : rgb ? pf.masks[2] : 0;
    const std::uint32_t alphaMask = alpha ? pf.masks[3] : 0;
    const std::uint32_t bytes = pf.bitCount / 8;
    ImageLevel level{w, h, d, {}};
    const std::size_t count = std::size_t(w) * h * d;
    // 32-bit A8R8G8B8 is stored as BGRA already: one copy.
    if (bytes == 4 && redMask == 0x00FF0000 && greenMask == 0x0000FF00 && blueMask == 0x000000FF &&
        alphaMask == 0xFF000000) {
        level.bytes.assign(src, src + count * 4);
        return level;
    }
    level.bytes.resize(count * 4);
    // Other channels of whole bytes (X8R8G8B8 and 24-bit RGB above all) move
    // as bytes.
    imagebytes::ByteChannels byteChannels;
    if (byteChannels.Fit(redMask, greenMask, blueMask, alphaMask, bytes)) {
        byteChannels.ConvertRow(src, count, level.bytes.data());
        return level;
    }
    const ChannelMask r(redMask), g(greenMask), b(blueMask), a(alphaMask);
    for (std::size_t i = 0; i < count; ++i, src += bytes) {
        auto word = std::uint32_t(imagebytes::ReadLittleEndian(src, bytes));
        imagebytes::PutBGRA(&level.bytes[i * 4], r.expand(word, 0), g.expand(word, 0), b.expand(word, 0),
                            a.expand(word, 255));
    }
    return level;
}

std::size_t StoredLevelBytes(ImageLayout layout, const PixelFormat& pf, std::uint32_t w,
                             std::uint32_t h, std::uint32_t d) {
    if (layout != ImageLayout::BGRA8) return LevelByteSize(layout, w, h, d);
    return std::size_t(w) * h * d * (pf.bitCount / 8);
}

}  // namespace

bool DecodeDds(const std::uint8_t* data, std::size_t size, Image& out, std::string& error) {
    out = Image{};
    ByteReader in(data, size);
    DdsHeader h;
    if (!ReadHeader(in, h, error)) return false;
    if ((h.pf.flags & kPfFourCC) && h.pf.fourCC == kDX10) return error = Dx10Refusal(in), false;
    FitLuminanceMask(h.pf);

    const bool cube = h.caps2 & kCaps2Cube;
    const bool volume = !cube && (h.caps2 & kCaps2Volume) && (h.flags & kFlagDepth) && h.depth > 0;
    const std::uint32_t depth = volume ? h.depth : 1;
    if (!AdmitImageSize("DDS", h.width, h.height, depth, 0, in.remaining(), error)) return false;
    if (cube && (h.caps2 & kCaps2AllFaces) != kCaps2AllFaces)
        return error = "DDS cube map without all six faces", false;
    if (cube && h.width != h.height) return error = "DDS cube map faces are not square", false;

    ImageLayout layout = ImageLayout::BGRA8;
    std::uint32_t fileFormat = 0;
    if (!ChooseLayout(h.pf, layout, fileFormat, error)) return false;

    std::uint32_t mips = (h.flags & kFlagMipCount) && h.mipCount ? h.mipCount : 1;
    mips = std::min(mips, FullMipCount(h.width, h.height, depth));
    const std::uint32_t faces = cube ? 6 : 1;

    // The whole chain must be present before anything is allocated.
    std::uint64_t needed = 0;
    for (std::uint32_t m = 0; m < mips; ++m)
        needed += StoredLevelBytes(layout, h.pf, std::max(1u, h.width >> m), std::max(1u, h.height >> m),
                                   std::max(1u, depth >> m));
    if (!AdmitImageSize("DDS", h.width, h.height, depth, needed * faces, in.remaining(), error)) return false;

    out.shape = cube ? ImageShape::Cube : volume ? ImageShape::Volume : ImageShape::Flat;
    out.layout = layout;
    out.fileType = ImageFileType::DDS;
    out.fileFormat = fileFormat;
    out.width = h.width;
    out.height = h.height;
    out.depth = depth;
    out.mipLevels = mips;
    for (std::uint32_t face = 0; face < faces; ++face) {
        for (std::uint32_t m = 0; m < mips; ++m) {
            std::uint32_t w = std::max(1u, h.width >> m), hh = std::max(1u, h.height >> m),
                          d = std::max(1u, depth >> m);
            std::size_t stored = StoredLevelBytes(layout, h.pf, w, hh, d);
            if (layout == ImageLayout::BGRA8) {
                out.levels.push_back(ExpandLevel(in.here(), h.pf, w, hh, d));
            } else {
                out.levels.push_back(ImageLevel{w, hh, d, std::vector<std::uint8_t>(in.here(), in.here() + stored)});
            }
            in.skip(stored);
        }
    }
    return true;
}

}  // namespace plat
