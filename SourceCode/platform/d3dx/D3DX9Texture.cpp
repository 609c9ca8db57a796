#include "platform/d3dx/D3DX9Texture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/common/ErrorLog.h"
#include "platform/image/Image.h"
#include "platform/image/ImageOps.h"
#include "platform/common/Files.h"
#include "platform/d3dx/TextureFormats.h"

namespace {
using plat::Image;
using plat::ImageFilter;
using plat::ImageLayout;
using plat::ImageLevel;
using plat::ImageShape;

// --- Formats ---------------------------------------------------------------

bool IsDefaultFormat(D3DFORMAT format) {
    return format == D3DFMT_UNKNOWN || format == D3DFMT_FROM_FILE || DWORD(format) == D3DX_DEFAULT;
}

ImageLayout LayoutOf(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_DXT1: return ImageLayout::DXT1;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3: return ImageLayout::DXT3;
    case D3DFMT_DXT4:
    case D3DFMT_DXT5: return ImageLayout::DXT5;
    default: return ImageLayout::BGRA8;
    }
}

// Bytes per pixel of the formats the loaders can write, 0 for the others
// (DXT formats are written as blocks and answer 0 too).
UINT PixelBytes(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_A8R8G8B8: case D3DFMT_X8R8G8B8: case D3DFMT_A8B8G8R8: case D3DFMT_X8B8G8R8: return 4;
    case D3DFMT_R5G6B5: case D3DFMT_A1R5G5B5: case D3DFMT_X1R5G5B5: case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4: case D3DFMT_A8L8: return 2;
    case D3DFMT_L8: case D3DFMT_A8: return 1;
    default: return 0;
    }
}

bool CanWrite(D3DFORMAT format) { return PixelBytes(format) != 0 || LayoutOf(format) != ImageLayout::BGRA8; }

bool HasAlpha(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_A8R8G8B8: case D3DFMT_A8B8G8R8: case D3DFMT_A1R5G5B5: case D3DFMT_A4R4G4B4:
    case D3DFMT_A8: case D3DFMT_A8L8: case D3DFMT_DXT1: case D3DFMT_DXT2: case D3DFMT_DXT3:
    case D3DFMT_DXT4: case D3DFMT_DXT5: return true;
    default: return false;
    }
}

// The format a loaded texture gets: the one asked for, or the file's where
// the caller leaves it open (made one with alpha when a colour key must be
// able to punch holes). Formats the loaders cannot write become A8R8G8B8.
D3DFORMAT ResolveFormat(D3DFORMAT asked, std::uint32_t fileFormat, D3DCOLOR colorKey) {
    D3DFORMAT format = asked;
    if (IsDefaultFormat(asked)) {
        format = static_cast<D3DFORMAT>(fileFormat);
        if (format == D3DFMT_R8G8B8) format = D3DFMT_X8R8G8B8;
        if (colorKey != 0 && !HasAlpha(format)) format = D3DFMT_A8R8G8B8;
    }
    return CanWrite(format) ? format : D3DFMT_A8R8G8B8;
}

// Block-compressed volumes do not exist on the device (OpenGL compresses 2D
// images and cube faces only): a volume holds plain texels, its blocks
// decompressed when it is loaded.
D3DFORMAT VolumeFormat(D3DFORMAT format) {
    return plat::DxtBlockBytesOf(format) != 0 ? D3DFMT_A8R8G8B8 : format;
}

std::uint32_t Scale(std::uint32_t value, std::uint32_t max) { return (value * max + 127) / 255; }

// Converts BGRA8 pixels into the bytes of one of the written formats.
void ConvertPixels(const std::uint8_t* bgra, std::size_t count, D3DFORMAT format, std::uint8_t* out) {
    auto put16 = [&](std::size_t i, std::uint32_t v) {
        out[i * 2] = std::uint8_t(v);
        out[i * 2 + 1] = std::uint8_t(v >> 8);
    };
    for (std::size_t i = 0; i < count; ++i, bgra += 4) {
        const std::uint32_t b = bgra[0], g = bgra[1], r = bgra[2], a = bgra[3];
        const std::uint32_t luminance = (r * 54 + g * 183 + b * 19 + 128) / 256;
        switch (format) {
        case D3DFMT_A8R8G8B8: std::memcpy(out + i * 4, bgra, 4); break;
        case D3DFMT_X8R8G8B8:
            std::memcpy(out + i * 4, bgra, 3);
            out[i * 4 + 3] = 255;
            break;
        case D3DFMT_A8B8G8R8:
        case D3DFMT_X8B8G8R8:
            out[i * 4] = std::uint8_t(r);
            out[i * 4 + 1] = std::uint8_t(g);
            out[i * 4 + 2] = std::uint8_t(b);
            out[i * 4 + 3] = format == D3DFMT_A8B8G8R8 ? std::uint8_t(a) : 255;
            break;
        case D3DFMT_R5G6B5: put16(i, Scale(r, 31) << 11 | Scale(g, 63) << 5 | Scale(b, 31)); break;
        case D3DFMT_A1R5G5B5:
        case D3DFMT_X1R5G5B5: {
            std::uint32_t top = format == D3DFMT_X1R5G5B5 || a >= 128 ? 0x8000 : 0;
            put16(i, top | Scale(r, 31) << 10 | Scale(g, 31) << 5 | Scale(b, 31));
            break;
        }
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4: {
            std::uint32_t alpha = format == D3DFMT_X4R4G4B4 ? 15 : Scale(a, 15);
            put16(i, alpha << 12 | Scale(r, 15) << 8 | Scale(g, 15) << 4 | Scale(b, 15));
            break;
        }
        case D3DFMT_A8L8: put16(i, a << 8 | luminance); break;
        case D3DFMT_L8: out[i] = std::uint8_t(luminance); break;
        case D3DFMT_A8: out[i] = std::uint8_t(a); break;
        default: break;
        }
    }
}

// --- Preparing the levels --------------------------------------------------

struct Request {
    ImageShape shape = ImageShape::Flat;
    UINT width = 0, height = 0, depth = 1, levels = 1;
    D3DFORMAT format = D3DFMT_A8R8G8B8;
    ImageFilter filter = ImageFilter::Triangle;
    ImageFilter mipFilter = ImageFilter::Box;
    D3DCOLOR colorKey = 0;
};

UINT NextPowerOfTwo(UINT value) {
    UINT p = 1;
    while (p < value && p < plat::kMaxImageDimension) p <<= 1;
    return p;
}

// A side taken from the file is fitted to the device's largest, and the
// image scaled down to it, as D3DX does; a side the caller names is kept,
// and said and refused when the device cannot make it.
UINT ResolveSize(UINT asked, UINT fromFile, UINT largest) {
    if (asked == 0 || asked == D3DX_DEFAULT) return std::min(NextPowerOfTwo(fromFile), largest);
    if (asked == D3DX_DEFAULT_NONPOW2 || asked == D3DX_FROM_FILE) return std::min(fromFile, largest);
    return asked;
}

UINT ResolveLevels(UINT asked, UINT fromFile, UINT full) {
    if (asked == 0 || asked == D3DX_DEFAULT) return full;
    if (asked == D3DX_FROM_FILE) return std::min(fromFile, full);
    return std::min(asked, full);
}

UINT MipSize(UINT size, UINT level) { return std::max(1u, size >> level); }

// One level of the source in its own layout; a flat or cube target takes
// only the first slice of a volume.
ImageLevel SourceLevel(const Image& source, UINT face, UINT mip, bool firstSliceOnly) {
    ImageLevel level = source.Level(face, mip);
    if (firstSliceOnly && level.depth > 1) {
        level.bytes.resize(plat::LevelByteSize(source.layout, level.width, level.height, 1));
        level.depth = 1;
    }
    return level;
}

ImageLevel Encode(const ImageLevel& pixels, ImageLayout layout) {
    return layout == ImageLayout::BGRA8 ? pixels : plat::CompressDxt(layout, pixels);
}

// Every level of one target face, in the target's layout. DXT levels that
// already have the target's size and layout are kept as the file has them.
std::vector<ImageLevel> BuildFace(const Image& source, UINT sourceFace, const Request& request) {
    const ImageLayout target = LayoutOf(request.format);
    const bool oneSlice = request.shape != ImageShape::Volume;
    const UINT sourceDepth = oneSlice ? 1 : source.depth;
    const bool sameSize =
        source.width == request.width && source.height == request.height && sourceDepth == request.depth;
    std::vector<ImageLevel> out;
    ImageLevel previous;  // BGRA8, the last level made, for the next mip
    // A DXT level kept as stored is decompressed only if a later level is
    // made from it.
    constexpr std::size_t kNone = ~std::size_t(0);
    std::size_t keptDxt = kNone;
    for (UINT m = 0; m < request.levels; ++m) {
        const UINT w = MipSize(request.width, m), h = MipSize(request.height, m), d = MipSize(request.depth, m);
        if (sameSize && m < source.mipLevels) {
            ImageLevel stored = SourceLevel(source, sourceFace, m, oneSlice);
            // Without a colour key there is nothing to look for in the pixels.
            if (source.layout != ImageLayout::BGRA8 && source.layout == target && request.colorKey == 0) {
                keptDxt = out.size();
                out.push_back(std::move(stored));
                continue;
            }
            keptDxt = kNone;
            if (source.layout != ImageLayout::BGRA8) {
                ImageLevel pixels = plat::DecompressDxt(source.layout, stored);
                if (source.layout == target && !plat::ContainsColor(pixels, request.colorKey)) {
                    out.push_back(std::move(stored));
                    previous = std::move(pixels);
                    continue;
                }
                stored = std::move(pixels);
            }
            plat::ApplyColorKey(stored, request.colorKey);
            previous = std::move(stored);
        } else if (m == 0) {
            ImageLevel pixels = SourceLevel(source, sourceFace, 0, oneSlice);
            if (source.layout != ImageLayout::BGRA8) pixels = plat::DecompressDxt(source.layout, pixels);
            plat::ApplyColorKey(pixels, request.colorKey);
            previous = plat::ResampleLevel(pixels, w, h, d, request.filter);
        } else {
            if (keptDxt != kNone) previous = plat::DecompressDxt(source.layout, out[keptDxt]);
            keptDxt = kNone;
            previous = plat::ResampleLevel(previous, w, h, d, request.mipFilter);
        }
        out.push_back(Encode(previous, target));
    }
    return out;
}

// --- Writing into the texture ----------------------------------------------

using LockLevel = std::function<HRESULT(UINT face, UINT level, D3DLOCKED_BOX* box)>;
using UnlockLevel = std::function<void(UINT face, UINT level)>;

HRESULT WriteLevel(const ImageLevel& level, D3DFORMAT format, const D3DLOCKED_BOX& box) {
    const ImageLayout layout = LayoutOf(format);
    UINT rows = level.height;
    std::size_t sourceRow = std::size_t(level.width) * 4;
    std::size_t targetRow = std::size_t(level.width) * PixelBytes(format);
    if (layout != ImageLayout::BGRA8) {
        rows = std::max(1u, (level.height + 3) / 4);
        sourceRow = targetRow = std::max<std::size_t>(1, (level.width + 3) / 4) * plat::DxtBlockBytes(layout);
    }
    if (!box.pBits || std::size_t(box.RowPitch) < targetRow) return D3DERR_INVALIDCALL;
    auto* base = static_cast<std::uint8_t*>(box.pBits);
    for (UINT z = 0; z < level.depth; ++z)
        for (UINT y = 0; y < rows; ++y) {
            const std::uint8_t* src = level.bytes.data() + (std::size_t(z) * rows + y) * sourceRow;
            std::uint8_t* dst = base + std::size_t(z) * box.SlicePitch + std::size_t(y) * box.RowPitch;
            if (layout == ImageLayout::BGRA8) ConvertPixels(src, level.width, format, dst);
            else std::memcpy(dst, src, sourceRow);
        }
    return D3D_OK;
}

HRESULT WriteFaces(const std::vector<std::vector<ImageLevel>>& faces, D3DFORMAT format, const LockLevel& lock,
                   const UnlockLevel& unlock) {
    for (UINT face = 0; face < faces.size(); ++face)
        for (UINT m = 0; m < faces[face].size(); ++m) {
            D3DLOCKED_BOX box{};
            HRESULT hr = lock(face, m, &box);
            if (FAILED(hr)) return hr;
            hr = WriteLevel(faces[face][m], format, box);
            unlock(face, m);
            if (FAILED(hr)) return hr;
        }
    return D3D_OK;
}

// --- Reading the file ------------------------------------------------------

HRESULT ReadImage(const char* file, Image& image) {
    if (!file) return D3DERR_INVALIDCALL;
    std::string path = plat::ForwardSlashes(file);
    std::string error;
    if (!plat::LoadImageFile(path, image, error)) {
        plat::LogErrorF("Texture not loaded: %s\n", error.c_str());
        return D3DXERR_INVALIDDATA;
    }
    return D3D_OK;
}

void DescribeSource(const Image& image, D3DXIMAGE_INFO* info) {
    if (!info) return;
    info->Width = image.width;
    info->Height = image.height;
    info->Depth = image.depth;
    info->MipLevels = image.mipLevels;
    info->Format = static_cast<D3DFORMAT>(image.fileFormat);
    info->ResourceType = image.shape == ImageShape::Cube     ? D3DRTYPE_CUBETEXTURE
                         : image.shape == ImageShape::Volume ? D3DRTYPE_VOLUMETEXTURE
                                                             : D3DRTYPE_TEXTURE;
    info->ImageFileFormat = static_cast<D3DXIMAGE_FILEFORMAT>(image.fileType);
}

// The end of a load into a new texture: the texture goes to the caller once
// filled, and is released when filling it failed.
template <class Texture>
HRESULT HandOver(HRESULT filled, Texture* made, const Image& image, D3DXIMAGE_INFO* sourceInfo, Texture** texture) {
    if (FAILED(filled)) {
        made->Release();
        return filled;
    }
    DescribeSource(image, sourceInfo);
    *texture = made;
    return D3D_OK;
}

// The largest side the device makes for the shape, as its caps say.
UINT LargestSide(IDirect3DDevice9* device, ImageShape shape) {
    D3DCAPS9 caps{};
    if (FAILED(device->GetDeviceCaps(&caps))) return plat::kMaxImageDimension;
    return shape == ImageShape::Volume ? caps.MaxVolumeExtent : caps.MaxTextureWidth;
}

Request MakeRequest(IDirect3DDevice9* device, const Image& image, ImageShape shape, UINT width, UINT height,
                    UINT depth, UINT levels, D3DFORMAT format, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey) {
    const UINT largest = LargestSide(device, shape);
    Request r;
    r.shape = shape;
    r.width = ResolveSize(width, image.width, largest);
    r.height = shape == ImageShape::Cube ? r.width : ResolveSize(height, image.height, largest);
    r.depth = shape == ImageShape::Volume ? ResolveSize(depth, image.depth, largest) : 1;
    r.levels = ResolveLevels(levels, image.mipLevels, plat::FullMipCount(r.width, r.height, r.depth));
    r.format = ResolveFormat(format, image.fileFormat, colorKey);
    if (shape == ImageShape::Volume) r.format = VolumeFormat(r.format);
    r.filter = plat::FilterFromArgument(filter, ImageFilter::Triangle);
    r.mipFilter = plat::FilterFromArgument(mipFilter, ImageFilter::Box);
    r.colorKey = colorKey;
    return r;
}

bool RequestAllowed(const Request& r) { return plat::ImageSizeAllowed(r.width, r.height, r.depth); }

// A texture the device cannot make from a file that was read is said in
// one line naming the file, as a file that cannot be read is.
HRESULT RefuseTexture(const char* file, const Request& r, HRESULT hr) {
    std::string size = std::to_string(r.width) + " x " + std::to_string(r.height);
    if (r.shape == ImageShape::Volume) size += " x " + std::to_string(r.depth);
    plat::LogErrorF("Texture not loaded: \"%s\": the device cannot make a %s texture\n",
                    plat::ForwardSlashes(file).c_str(), size.c_str());
    return hr;
}

std::vector<std::vector<ImageLevel>> BuildFaces(const Image& image, const Request& request, UINT faceCount) {
    std::vector<std::vector<ImageLevel>> faces;
    for (UINT face = 0; face < faceCount; ++face) {
        // A cube made from a flat image shows the image on every face.
        UINT sourceFace = image.shape == ImageShape::Cube ? face : 0;
        faces.push_back(BuildFace(image, sourceFace, request));
    }
    return faces;
}

UINT DefaultCreateSize(UINT size) { return size == 0 || size == D3DX_DEFAULT ? 256 : size; }
UINT DefaultCreateLevels(UINT levels) { return levels == D3DX_DEFAULT ? 0 : levels; }
// A format the device does not know is replaced by the nearest it does,
// as D3DX_DEFAULT is by A8R8G8B8.
D3DFORMAT DefaultCreateFormat(D3DFORMAT format) {
    return IsDefaultFormat(format) ? D3DFMT_A8R8G8B8 : plat::NearestKnownFormat(format);
}

}  // namespace

HRESULT D3DXCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT mipLevels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture) {
    if (!device || !texture) return D3DERR_INVALIDCALL;
    return device->CreateTexture(DefaultCreateSize(width), DefaultCreateSize(height),
                                 DefaultCreateLevels(mipLevels), usage, DefaultCreateFormat(format), pool,
                                 texture, nullptr);
}

HRESULT D3DXCreateCubeTexture(IDirect3DDevice9* device, UINT size, UINT mipLevels, DWORD usage,
                              D3DFORMAT format, D3DPOOL pool, IDirect3DCubeTexture9** texture) {
    if (!device || !texture) return D3DERR_INVALIDCALL;
    return device->CreateCubeTexture(DefaultCreateSize(size), DefaultCreateLevels(mipLevels), usage,
                                     DefaultCreateFormat(format), pool, texture, nullptr);
}

HRESULT D3DXCreateVolumeTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT depth,
                                UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                IDirect3DVolumeTexture9** texture) {
    if (!device || !texture) return D3DERR_INVALIDCALL;
    return device->CreateVolumeTexture(DefaultCreateSize(width), DefaultCreateSize(height),
                                       depth == 0 || depth == D3DX_DEFAULT ? 1 : depth,
                                       DefaultCreateLevels(mipLevels), usage,
                                       VolumeFormat(DefaultCreateFormat(format)), pool, texture, nullptr);
}

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, const char* file, UINT width, UINT height,
                                     UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                     DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                     D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY*, IDirect3DTexture9** texture) {
    if (!device || !texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    Image image;
    if (HRESULT hr = ReadImage(file, image); FAILED(hr)) return hr;
    Request request =
        MakeRequest(device, image, ImageShape::Flat, width, height, 1, mipLevels, format, filter, mipFilter, colorKey);
    if (!RequestAllowed(request)) return RefuseTexture(file, request, D3DERR_INVALIDCALL);
    IDirect3DTexture9* made = nullptr;
    HRESULT hr = device->CreateTexture(request.width, request.height, request.levels, usage, request.format,
                                       pool, &made, nullptr);
    if (FAILED(hr)) return RefuseTexture(file, request, hr);
    hr = WriteFaces(
        BuildFaces(image, request, 1), request.format,
        [&](UINT, UINT level, D3DLOCKED_BOX* box) {
            D3DLOCKED_RECT rect{};
            HRESULT result = made->LockRect(level, &rect, nullptr, 0);
            *box = {rect.Pitch, 0, rect.pBits};
            return result;
        },
        [&](UINT, UINT level) { made->UnlockRect(level); });
    return HandOver(hr, made, image, sourceInfo, texture);
}

HRESULT D3DXCreateCubeTextureFromFileExA(IDirect3DDevice9* device, const char* file, UINT size,
                                         UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                         DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                         D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY*,
                                         IDirect3DCubeTexture9** texture) {
    if (!device || !texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    Image image;
    if (HRESULT hr = ReadImage(file, image); FAILED(hr)) return hr;
    Request request =
        MakeRequest(device, image, ImageShape::Cube, size, size, 1, mipLevels, format, filter, mipFilter, colorKey);
    if (!RequestAllowed(request)) return RefuseTexture(file, request, D3DERR_INVALIDCALL);
    IDirect3DCubeTexture9* made = nullptr;
    HRESULT hr = device->CreateCubeTexture(request.width, request.levels, usage, request.format, pool, &made,
                                           nullptr);
    if (FAILED(hr)) return RefuseTexture(file, request, hr);
    hr = WriteFaces(
        BuildFaces(image, request, 6), request.format,
        [&](UINT face, UINT level, D3DLOCKED_BOX* box) {
            D3DLOCKED_RECT rect{};
            HRESULT result = made->LockRect(static_cast<D3DCUBEMAP_FACES>(face), level, &rect, nullptr, 0);
            *box = {rect.Pitch, 0, rect.pBits};
            return result;
        },
        [&](UINT face, UINT level) { made->UnlockRect(static_cast<D3DCUBEMAP_FACES>(face), level); });
    return HandOver(hr, made, image, sourceInfo, texture);
}

HRESULT D3DXCreateVolumeTextureFromFileExA(IDirect3DDevice9* device, const char* file, UINT width,
                                           UINT height, UINT depth, UINT mipLevels, DWORD usage,
                                           D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                           D3DCOLOR colorKey, D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY*,
                                           IDirect3DVolumeTexture9** texture) {
    if (!device || !texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    Image image;
    if (HRESULT hr = ReadImage(file, image); FAILED(hr)) return hr;
    Request request = MakeRequest(device, image, ImageShape::Volume, width, height, depth, mipLevels, format, filter,
                                  mipFilter, colorKey);
    if (!RequestAllowed(request)) return RefuseTexture(file, request, D3DERR_INVALIDCALL);
    IDirect3DVolumeTexture9* made = nullptr;
    HRESULT hr = device->CreateVolumeTexture(request.width, request.height, request.depth, request.levels,
                                             usage, request.format, pool, &made, nullptr);
    if (FAILED(hr)) return RefuseTexture(file, request, hr);
    hr = WriteFaces(
        BuildFaces(image, request, 1), request.format,
        [&](UINT, UINT level, D3DLOCKED_BOX* box) { return made->LockBox(level, box, nullptr, 0); },
        [&](UINT, UINT level) { made->UnlockBox(level); });
    return HandOver(hr, made, image, sourceInfo, texture);
}
