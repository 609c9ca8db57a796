#pragma once
// Texture creation and loading from image files, shaped like the D3DX
// helpers the engine was designed against: same arguments, results and
// error codes. Images come from the decoders in Image.h (BMP, TGA, DDS, PNG,
// JPEG); every texture is filled through the device's LockRect / LockBox.
#include "platform/gfx/D3DTypes.h"
#include "platform/d3dx/D3DXErrors.h"
#include "platform/gfx/Direct3D.h"

// Special values of the size, mip-level, format and filter arguments.
constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;          // from the file, rounded up to a power of two
constexpr UINT D3DX_DEFAULT_NONPOW2 = 0xFFFFFFFEu;  // from the file, as it is
constexpr UINT D3DX_FROM_FILE = 0xFFFFFFFDu;        // exactly as the file has it
constexpr D3DFORMAT D3DFMT_FROM_FILE = static_cast<D3DFORMAT>(0xFFFFFFFDu);

constexpr DWORD D3DX_FILTER_NONE = 1;
constexpr DWORD D3DX_FILTER_POINT = 2;
constexpr DWORD D3DX_FILTER_LINEAR = 3;
constexpr DWORD D3DX_FILTER_TRIANGLE = 4;
constexpr DWORD D3DX_FILTER_BOX = 5;

enum D3DXIMAGE_FILEFORMAT : DWORD {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
};

// What the file held, before any conversion.
struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

// Palette out-parameter of the loaders. Palettised textures are never
// made (palette images become A8R8G8B8), so it is never written.
struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

// Empty textures. Sizes of D3DX_DEFAULT become 256 (depth 1), a mip level
// count of 0 or D3DX_DEFAULT the whole chain, D3DFMT_UNKNOWN A8R8G8B8, and a
// format the device does not know the nearest one it knows
// (plat::NearestKnownFormat).
HRESULT D3DXCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT mipLevels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture);
HRESULT D3DXCreateCubeTexture(IDirect3DDevice9* device, UINT size, UINT mipLevels, DWORD usage,
                              D3DFORMAT format, D3DPOOL pool, IDirect3DCubeTexture9** texture);
HRESULT D3DXCreateVolumeTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT depth,
                                UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                IDirect3DVolumeTexture9** texture);

// Textures from image files.
// - Sizes: D3DX_DEFAULT (or 0) takes the file's, rounded up to a power of
//   two; D3DX_DEFAULT_NONPOW2 and D3DX_FROM_FILE take it as it is; any other
//   value is the size wanted, the image being resampled with `filter`.
// - Mip levels: 0 or D3DX_DEFAULT the whole chain, D3DX_FROM_FILE the file's
//   count; levels the file lacks are made with `mipFilter`.
// - Format: D3DFMT_UNKNOWN or D3DFMT_FROM_FILE keep the file's where the
//   device holds it (with alpha when a colour key is given); otherwise the
//   pixels are converted to the format asked for.
// - colorKey (0xAARRGGBB, 0 for none): pixels of exactly that colour become
//   transparent black before any filtering.
// - A cube from a flat image gets the image on all six faces; a volume from
//   a flat image is one slice deep; a flat texture from a cube or volume file
//   takes the first face or slice.
// Missing, unreadable or undecodable files fail with D3DXERR_INVALIDDATA
// (the reason goes to the error stream); null arguments with
// D3DERR_INVALIDCALL; a failure of the device is passed on.
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, const char* file, UINT width, UINT height,
                                     UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                     DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                     D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* palette,
                                     IDirect3DTexture9** texture);
HRESULT D3DXCreateCubeTextureFromFileExA(IDirect3DDevice9* device, const char* file, UINT size,
                                         UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                         DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                         D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* palette,
                                         IDirect3DCubeTexture9** texture);
HRESULT D3DXCreateVolumeTextureFromFileExA(IDirect3DDevice9* device, const char* file, UINT width,
                                           UINT height, UINT depth, UINT mipLevels, DWORD usage,
                                           D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                           D3DCOLOR colorKey, D3DXIMAGE_INFO* sourceInfo,
                                           PALETTEENTRY* palette, IDirect3DVolumeTexture9** texture);

inline HRESULT D3DXCreateTextureFromFileEx(IDirect3DDevice9* device, const char* file, UINT width, UINT height,
                                           UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                           DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                           D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* palette,
                                           IDirect3DTexture9** texture) {
    return D3DXCreateTextureFromFileExA(device, file, width, height, mipLevels, usage, format, pool, filter,
                                        mipFilter, colorKey, sourceInfo, palette, texture);
}
inline HRESULT D3DXCreateCubeTextureFromFileEx(IDirect3DDevice9* device, const char* file, UINT size,
                                               UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                               DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                               D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* palette,
                                               IDirect3DCubeTexture9** texture) {
    return D3DXCreateCubeTextureFromFileExA(device, file, size, mipLevels, usage, format, pool, filter,
                                            mipFilter, colorKey, sourceInfo, palette, texture);
}
inline HRESULT D3DXCreateVolumeTextureFromFileEx(IDirect3DDevice9* device, const char* file, UINT width,
                                                 UINT height, UINT depth, UINT mipLevels, DWORD usage,
                                                 D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                                 DWORD mipFilter, D3DCOLOR colorKey,
                                                 D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* palette,
                                                 IDirect3DVolumeTexture9** texture) {
    return D3DXCreateVolumeTextureFromFileExA(device, file, width, height, depth, mipLevels, usage, format,
                                              pool, filter, mipFilter, colorKey, sourceInfo, palette, texture);
}
