#include "platform/d3dx/TextureFormats.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gfx/GlFormats.h"
#include "platform/image/Image.h"
#include "platform/image/ImageOps.h"

namespace plat {
namespace {

std::uint32_t Unorm(float v, std::uint32_t max) {
    const float c = std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f);
    return static_cast<std::uint32_t>(std::lround(c * static_cast<float>(max)));
}

// Luminance with the weights the image loaders use (they add up to 1).
float LuminanceOf(const float* t) { return (t[0] * 54.0f + t[1] * 183.0f + t[2] * 19.0f) / 256.0f; }

std::uint16_t HalfOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    const std::uint32_t sign = (bits >> 16) & 0x8000u;
    const std::int32_t exponent = static_cast<std::int32_t>((bits >> 23) & 0xFF) - 127 + 15;
    const std::uint32_t mantissa = bits & 0x7FFFFFu;
    if (((bits >> 23) & 0xFF) == 0xFF) return static_cast<std::uint16_t>(sign | 0x7C00u | (mantissa ? 0x200u : 0u));
    if (exponent >= 31) return static_cast<std::uint16_t>(sign | 0x7C00u);
    if (exponent <= 0) return static_cast<std::uint16_t>(sign);  // too small for a half: zero
    return static_cast<std::uint16_t>(sign | (static_cast<std::uint32_t>(exponent) << 10) | (mantissa >> 13));
}

void Put16(std::uint8_t* out, std::uint32_t v) {
    out[0] = static_cast<std::uint8_t>(v);
    out[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Writes one texel; the bytes it wrote, 0 for a format it cannot write.
std::size_t EncodeTexel(D3DFORMAT format, const float* t, std::uint8_t* out) {
    const std::uint32_t r8 = Unorm(t[0], 255), g8 = Unorm(t[1], 255), b8 = Unorm(t[2], 255), a8 = Unorm(t[3], 255);
    switch (format) {
    case D3DFMT_A8R8G8B8: Put32(out, a8 << 24 | r8 << 16 | g8 << 8 | b8); return 4;
    case D3DFMT_X8R8G8B8: Put32(out, 0xFFu << 24 | r8 << 16 | g8 << 8 | b8); return 4;
    case D3DFMT_A8B8G8R8: Put32(out, a8 << 24 | b8 << 16 | g8 << 8 | r8); return 4;
    case D3DFMT_X8B8G8R8: Put32(out, 0xFFu << 24 | b8 << 16 | g8 << 8 | r8); return 4;
    case D3DFMT_R5G6B5: Put16(out, Unorm(t[0], 31) << 11 | Unorm(t[1], 63) << 5 | Unorm(t[2], 31)); return 2;
    case D3DFMT_A1R5G5B5:
        Put16(out, (t[3] >= 0.5f ? 0x8000u : 0u) | Unorm(t[0], 31) << 10 | Unorm(t[1], 31) << 5 | Unorm(t[2], 31));
        return 2;
    case D3DFMT_X1R5G5B5: Put16(out, 0x8000u | Unorm(t[0], 31) << 10 | Unorm(t[1], 31) << 5 | Unorm(t[2], 31)); return 2;
    case D3DFMT_A4R4G4B4:
        Put16(out, Unorm(t[3], 15) << 12 | Unorm(t[0], 15) << 8 | Unorm(t[1], 15) << 4 | Unorm(t[2], 15));
        return 2;
    case D3DFMT_X4R4G4B4: Put16(out, 0xFu << 12 | Unorm(t[0], 15) << 8 | Unorm(t[1], 15) << 4 | Unorm(t[2], 15)); return 2;
    case D3DFMT_A2B10G10R10:
        Put32(out, Unorm(t[3], 3) << 30 | Unorm(t[2], 1023) << 20 | Unorm(t[1], 1023) << 10 | Unorm(t[0], 1023));
        return 4;
    case D3DFMT_A2R10G10B10:
        Put32(out, Unorm(t[3], 3) << 30 | Unorm(t[0], 1023) << 20 | Unorm(t[1], 1023) << 10 | Unorm(t[2], 1023));
        return 4;
    case D3DFMT_G16R16: Put32(out, Unorm(t[1], 65535) << 16 | Unorm(t[0], 65535)); return 4;
    case D3DFMT_A16B16G16R16:
        for (int i = 0; i < 4; ++i) Put16(out + 2 * i, Unorm(t[i], 65535));
        return 8;
    case D3DFMT_L8: out[0] = static_cast<std::uint8_t>(Unorm(LuminanceOf(t), 255)); return 1;
    case D3DFMT_A8: out[0] = static_cast<std::uint8_t>(a8); return 1;
    case D3DFMT_A8L8: Put16(out, a8 << 8 | Unorm(LuminanceOf(t), 255)); return 2;
    case D3DFMT_L16: Put16(out, Unorm(LuminanceOf(t), 65535)); return 2;
    case D3DFMT_R16F: Put16(out, HalfOf(t[0])); return 2;
    case D3DFMT_G16R16F: Put16(out, HalfOf(t[0])); Put16(out + 2, HalfOf(t[1])); return 4;
    case D3DFMT_A16B16G16R16F:
        for (int i = 0; i < 4; ++i) Put16(out + 2 * i, HalfOf(t[i]));
        return 8;
    case D3DFMT_R32F: std::memcpy(out, t, 4); return 4;
    case D3DFMT_G32R32F: std::memcpy(out, t, 8); return 8;
    case D3DFMT_A32B32G32R32F: std::memcpy(out, t, 16); return 16;
    default: return 0;
    }
}

ImageLayout DxtLayoutOf(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_DXT1: return ImageLayout::DXT1;
    case D3DFMT_DXT2: case D3DFMT_DXT3: return ImageLayout::DXT3;
    case D3DFMT_DXT4: case D3DFMT_DXT5: return ImageLayout::DXT5;
    default: return ImageLayout::BGRA8;
    }
}

}  // namespace

bool KnownTextureFormat(D3DFORMAT format) { return GlFormatOf(format) != nullptr; }

bool RenderableTextureFormat(D3DFORMAT format) {
    const GlFormat* gl = GlFormatOf(format);
    return gl && gl->renderable;
}

D3DFORMAT NearestKnownFormat(D3DFORMAT format) {
    if (KnownTextureFormat(format)) return format;
    switch (format) {
    case D3DFMT_R8G8B8: return D3DFMT_X8R8G8B8;
    case D3DFMT_R3G3B2: return D3DFMT_R5G6B5;
    case D3DFMT_A4L4: return D3DFMT_A8L8;
    case D3DFMT_V8U8: return D3DFMT_G16R16F;
    case D3DFMT_Q8W8V8U8: return D3DFMT_A16B16G16R16F;
    case D3DFMT_D16_LOCKABLE: case D3DFMT_D16: return D3DFMT_L16;
    case D3DFMT_D32: case D3DFMT_D32F_LOCKABLE: case D3DFMT_D24S8: case D3DFMT_D24X8:
    case D3DFMT_D24X4S4: case D3DFMT_D24FS8: case D3DFMT_D15S1: return D3DFMT_R32F;
    default: return D3DFMT_A8R8G8B8;  // A8R3G3B2, palettes and values nobody knows
    }
}

bool EncodeTexels(D3DFORMAT format, const float* rgba, std::size_t count, std::uint8_t* out) {
    if (DxtBlockBytesOf(format) != 0 || !KnownTextureFormat(format)) return false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t bytes = EncodeTexel(format, rgba + 4 * i, out);
        if (bytes == 0) return false;
        out += bytes;
    }
    return true;
}

std::size_t DxtBlockBytesOf(D3DFORMAT format) {
    const ImageLayout layout = DxtLayoutOf(format);
    return layout == ImageLayout::BGRA8 ? 0 : DxtBlockBytes(layout);
}

bool EncodeDxt(D3DFORMAT format, const float* rgba, std::uint32_t width, std::uint32_t height,
               std::uint8_t* out, std::size_t pitch) {
    const ImageLayout layout = DxtLayoutOf(format);
    if (layout == ImageLayout::BGRA8 || width == 0 || height == 0) return false;
    ImageLevel pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.bytes.resize(std::size_t(width) * height * 4);
    for (std::size_t i = 0; i < std::size_t(width) * height; ++i) {
        const float* t = rgba + 4 * i;
        std::uint8_t* p = &pixels.bytes[i * 4];
        p[0] = static_cast<std::uint8_t>(Unorm(t[2], 255));
        p[1] = static_cast<std::uint8_t>(Unorm(t[1], 255));
        p[2] = static_cast<std::uint8_t>(Unorm(t[0], 255));
        p[3] = static_cast<std::uint8_t>(Unorm(t[3], 255));
    }
    const ImageLevel blocks = CompressDxt(layout, pixels);
    const std::size_t rowBytes = std::max<std::size_t>(1, (width + 3) / 4) * DxtBlockBytes(layout);
    const std::size_t rows = std::max<std::uint32_t>(1, (height + 3) / 4);
    if (pitch < rowBytes || blocks.bytes.size() < rows * rowBytes) return false;
    for (std::size_t y = 0; y < rows; ++y) std::memcpy(out + y * pitch, blocks.bytes.data() + y * rowBytes, rowBytes);
    return true;
}

}  // namespace plat
