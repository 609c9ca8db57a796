#pragma once
// Texture formats as the procedural fills and the empty-texture creators
// need them: which formats the device can render into, the nearest format
// it knows for one it does not, and the writing of float texels into the
// bytes of the formats it cannot render into.
#include <cstddef>
#include <cstdint>

#include "platform/gfx/D3DTypes.h"

namespace plat {

// The device holds textures of this format.
bool KnownTextureFormat(D3DFORMAT format);
// The device can draw into textures of this format.
bool RenderableTextureFormat(D3DFORMAT format);
// A format the device knows, as near as it has to the one asked for (the
// format itself when known): more bits rather than fewer, alpha kept,
// palettes and unknown values as A8R8G8B8.
D3DFORMAT NearestKnownFormat(D3DFORMAT format);

// Writes `count` texels given as float r, g, b, a (0..1, clamped) into the
// bytes of an uncompressed known format. False for a compressed format.
bool EncodeTexels(D3DFORMAT format, const float* rgba, std::size_t count, std::uint8_t* out);
// The compressed layout of a DXT format: 0 none, else the bytes of one 4x4
// block (8 or 16).
std::size_t DxtBlockBytesOf(D3DFORMAT format);
// Compresses a width x height picture of float texels into the blocks of a
// DXT format, `pitch` bytes between block rows.
bool EncodeDxt(D3DFORMAT format, const float* rgba, std::uint32_t width, std::uint32_t height,
               std::uint8_t* out, std::size_t pitch);

}  // namespace plat
