#pragma once
// Operations on decoded images: DXT block coding, the colour key, resizing
// and mip chain generation. All of them work on BGRA8 levels except the DXT
// coders, which convert between the two.
#include <cstdint>

#include "platform/image/Image.h"

namespace plat {

// How a level is resampled, numbered as the loaders' filter argument
// (D3DX_FILTER_*, low byte). Triangle and box both average the covered area.
enum class ImageFilter : std::uint32_t { None = 1, Point = 2, Linear = 3, Triangle = 4, Box = 5 };

// Turns the filter argument of a loader (with its flag bits, or D3DX_DEFAULT)
// into a filter; unknown values fall back to the given default.
ImageFilter FilterFromArgument(std::uint32_t argument, ImageFilter fallback);

// Decodes one DXT level into BGRA8 of the same size.
ImageLevel DecompressDxt(ImageLayout layout, const ImageLevel& blocks);
// Encodes one BGRA8 level into DXT blocks (endpoints from the colour bounds).
ImageLevel CompressDxt(ImageLayout layout, const ImageLevel& pixels);
// Makes every level of the image BGRA8.
void DecompressImage(Image& image);

// Whether a BGRA8 level holds a pixel equal to key (0xAARRGGBB); never
// for a key of 0, which means none.
bool ContainsColor(const ImageLevel& pixels, std::uint32_t key);
// Replaces every pixel equal to key (0xAARRGGBB) by transparent black.
// A key of 0 means none.
void ApplyColorKey(ImageLevel& pixels, std::uint32_t key);

// A BGRA8 level resampled to the given size.
ImageLevel ResampleLevel(const ImageLevel& source, std::uint32_t width, std::uint32_t height,
                         std::uint32_t depth, ImageFilter filter);
// The next smaller mip level of a BGRA8 level (each side halved, at least 1).
ImageLevel NextMipLevel(const ImageLevel& source, ImageFilter filter);

}  // namespace plat
