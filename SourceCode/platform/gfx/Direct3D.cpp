// The adapter object and the format and vertex-layout helpers.
#include "platform/gfx/Direct3D.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>

#include "platform/common/ErrorLog.h"
#include "platform/gfx/GlFormats.h"
#include "platform/window/Window.h"

namespace plat {
namespace {
struct Hooks {
    std::function<IDirect3D9*(UINT)> create;
    std::function<HRESULT(D3DDEVTYPE, DWORD)> createDevice;
};
Hooks& TheHooks() {
    static Hooks hooks;
    return hooks;
}

bool IsDeviceType(D3DDEVTYPE type) { return type == D3DDEVTYPE_HAL || type == D3DDEVTYPE_REF; }

bool IsDisplayFormat(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5;
}

bool IsBackBufferFormat(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_R5G6B5;
}

// D32 is left out on purpose: shadows need a stencil, so the engine's probe
// (which tries D32 first) must end on D24S8.
bool IsDepthFormat(D3DFORMAT format) {
    return format == D3DFMT_D24S8 || format == D3DFMT_D24X8 || format == D3DFMT_D16;
}

bool IsRenderTargetFormat(D3DFORMAT format) {
    const GlFormat* gl = GlFormatOf(format);
    return gl && gl->renderable;
}

// Exactly one of the three vertex-processing kinds must be asked for.
bool IsValidBehavior(DWORD behavior) {
    DWORD kinds = behavior & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                              D3DCREATE_HARDWARE_VERTEXPROCESSING |
                              D3DCREATE_MIXED_VERTEXPROCESSING);
    return kinds == D3DCREATE_SOFTWARE_VERTEXPROCESSING ||
           kinds == D3DCREATE_HARDWARE_VERTEXPROCESSING || kinds == D3DCREATE_MIXED_VERTEXPROCESSING;
}
}  // namespace

void SetDirect3DCreateHook(std::function<IDirect3D9*(UINT)> hook) {
    TheHooks().create = std::move(hook);
}

void SetCreateDeviceHook(std::function<HRESULT(D3DDEVTYPE, DWORD)> hook) {
    TheHooks().createDevice = std::move(hook);
}

UINT SizeOfDeclType(BYTE type) {
    switch (type) {
    case D3DDECLTYPE_FLOAT1: return 4;
    case D3DDECLTYPE_FLOAT2: return 8;
    case D3DDECLTYPE_FLOAT3: return 12;
    case D3DDECLTYPE_FLOAT4: return 16;
    case D3DDECLTYPE_D3DCOLOR:
    case D3DDECLTYPE_UBYTE4:
    case D3DDECLTYPE_UBYTE4N:
    case D3DDECLTYPE_SHORT2:
    case D3DDECLTYPE_SHORT2N:
    case D3DDECLTYPE_USHORT2N:
    case D3DDECLTYPE_UDEC3:
    case D3DDECLTYPE_DEC3N:
    case D3DDECLTYPE_FLOAT16_2: return 4;
    case D3DDECLTYPE_SHORT4:
    case D3DDECLTYPE_SHORT4N:
    case D3DDECLTYPE_USHORT4N:
    case D3DDECLTYPE_FLOAT16_4: return 8;
    default: return 0;
    }
}

std::vector<D3DVERTEXELEMENT9> ElementsFromFVF(DWORD fvf) {
    std::vector<D3DVERTEXELEMENT9> out;
    WORD offset = 0;
    auto add = [&](BYTE type, BYTE usage, BYTE index) {
        out.push_back({0, offset, type, D3DDECLMETHOD_DEFAULT, usage, index});
        offset = WORD(offset + SizeOfDeclType(type));
    };
    static const BYTE kFloatN[] = {0, D3DDECLTYPE_FLOAT1, D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3,
                                   D3DDECLTYPE_FLOAT4};
    DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position == D3DFVF_XYZ) {
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
    } else if (position == D3DFVF_XYZW) {
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITION, 0);
    } else if (position == D3DFVF_XYZRHW) {
        add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0);
    } else if (position >= D3DFVF_XYZB1 && position <= D3DFVF_XYZB5) {
        add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
        int betas = int((position - D3DFVF_XYZB1) / 2 + 1);
        bool lastIsIndices = fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR);
        int weights = lastIsIndices ? betas - 1 : betas;
        if (weights > 4) {  // five plain weights: the fifth has no place
            add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_BLENDWEIGHT, 0);
            offset = WORD(offset + 4);
        } else if (weights > 0) {
            add(kFloatN[weights], D3DDECLUSAGE_BLENDWEIGHT, 0);
        }
        if (fvf & D3DFVF_LASTBETA_UBYTE4) add(D3DDECLTYPE_UBYTE4, D3DDECLUSAGE_BLENDINDICES, 0);
        else if (fvf & D3DFVF_LASTBETA_D3DCOLOR) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_BLENDINDICES, 0);
    } else {
        return out;  // no position: not a drawable layout
    }
    if (fvf & D3DFVF_NORMAL) add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
    if (fvf & D3DFVF_PSIZE) add(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0);
    if (fvf & D3DFVF_DIFFUSE) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
    if (fvf & D3DFVF_SPECULAR) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
    DWORD texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    for (DWORD i = 0; i < texCount && i < 8; ++i) {
        DWORD size = (fvf >> (16 + 2 * i)) & 3;
        static const BYTE kTexType[] = {D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3, D3DDECLTYPE_FLOAT4,
                                        D3DDECLTYPE_FLOAT1};
        add(kTexType[size], D3DDECLUSAGE_TEXCOORD, BYTE(i));
    }
    return out;
}

UINT VertexSizeOfFVF(DWORD fvf) {
    UINT size = 0;
    for (const auto& e : ElementsFromFVF(fvf)) size = std::max<UINT>(size, e.Offset + SizeOfDeclType(e.Type));
    // Five plain blend weights leave four unused bytes after the weights.
    return size;
}

bool IsBlockCompressed(D3DFORMAT format) {
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 ||
           format == D3DFMT_DXT4 || format == D3DFMT_DXT5;
}

LevelPitches PitchesOf(D3DFORMAT format, UINT width, UINT height) {
    const std::uint64_t unit = BytesPerPixel(format);
    if (!IsBlockCompressed(format)) return {width * unit, std::uint64_t(width) * height * unit};
    // Counted in 64 bits: a width near 2^32 must not wrap to one block.
    const std::uint64_t blocksWide = std::max<std::uint64_t>(1, (std::uint64_t(width) + 3) / 4);
    const std::uint64_t blocksHigh = std::max<std::uint64_t>(1, (std::uint64_t(height) + 3) / 4);
    return {blocksWide * unit, blocksWide * blocksHigh * unit};
}

bool BackBufferSizeAllowed(std::uint64_t width, std::uint64_t height) {
    return width <= kMaxTextureSide && height <= kMaxTextureSide;
}

bool IsAnyDepthFormat(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D32:
    case D3DFMT_D15S1:
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D24X4S4:
    case D3DFMT_D16:
    case D3DFMT_D32F_LOCKABLE:
    case D3DFMT_D24FS8: return true;
    default: return false;
    }
}

bool AutoDepthFormatAllowed(const D3DPRESENT_PARAMETERS& pp) {
    const D3DFORMAT format = pp.AutoDepthStencilFormat;
    return !pp.EnableAutoDepthStencil || format == D3DFMT_UNKNOWN || IsAnyDepthFormat(format);
}

UINT BytesPerPixel(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_DXT1: return 8;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5: return 16;
    case D3DFMT_A8:
    case D3DFMT_L8:
    case D3DFMT_P8:
    case D3DFMT_R3G3B2:
    case D3DFMT_A4L4: return 1;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_A8L8:
    case D3DFMT_A8P8:
    case D3DFMT_L16:
    case D3DFMT_R16F:
    case D3DFMT_V8U8:
    case D3DFMT_D16:
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D15S1:
    case D3DFMT_INDEX16: return 2;
    case D3DFMT_R8G8B8: return 3;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8B8G8R8:
    case D3DFMT_X8B8G8R8:
    case D3DFMT_A2B10G10R10:
    case D3DFMT_A2R10G10B10:
    case D3DFMT_G16R16:
    case D3DFMT_G16R16F:
    case D3DFMT_R32F:
    case D3DFMT_Q8W8V8U8:
    case D3DFMT_D32:
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D24X4S4:
    case D3DFMT_D32F_LOCKABLE:
    case D3DFMT_D24FS8:
    case D3DFMT_INDEX32: return 4;
    case D3DFMT_A16B16G16R16:
    case D3DFMT_A16B16G16R16F:
    case D3DFMT_G32R32F: return 8;
    case D3DFMT_A32B32G32R32F: return 16;
    default: return 0;
    }
}

}  // namespace plat

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
    if (plat::TheHooks().create) return plat::TheHooks().create(sdkVersion);
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    // The adapter reads the desktop mode, which needs SDL's video; the count
    // SDL keeps per subsystem lets the window layer and us share it.
    plat::CatchEndSignals();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        plat::LogErrorF("No display for the graphics device: %s\n", SDL_GetError());
        return nullptr;
    }
    return new IDirect3D9(true);
}

IDirect3D9::IDirect3D9(bool ownsVideo) : ownsVideo_(ownsVideo) {}

IDirect3D9::~IDirect3D9() {
    if (ownsVideo_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

UINT IDirect3D9::GetAdapterCount() { return 1; }

HRESULT IDirect3D9::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    if (adapter != 0 || !mode) return D3DERR_INVALIDCALL;
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) return D3DERR_NOTAVAILABLE;
    mode->Width = UINT(desktop.w);
    mode->Height = UINT(desktop.h);
    mode->RefreshRate = UINT(desktop.refresh_rate);
    mode->Format = D3DFMT_X8R8G8B8;
    return D3D_OK;
}

HRESULT IDirect3D9::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                    D3DFORMAT backBufferFormat, BOOL windowed) {
    if (adapter != 0) return D3DERR_INVALIDCALL;
    if (!plat::IsDeviceType(type) || !plat::IsDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
    if (backBufferFormat == D3DFMT_UNKNOWN && windowed) return D3D_OK;
    return plat::IsBackBufferFormat(backBufferFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT IDirect3D9::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                      DWORD usage, D3DRESOURCETYPE resourceType,
                                      D3DFORMAT checkFormat) {
    if (adapter != 0) return D3DERR_INVALIDCALL;
    if (!plat::IsDeviceType(type) || !plat::IsDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_DEPTHSTENCIL) {
        bool ok = resourceType == D3DRTYPE_SURFACE && plat::IsDepthFormat(checkFormat);
        return ok ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    if ((usage & D3DUSAGE_RENDERTARGET) && !plat::IsRenderTargetFormat(checkFormat))
        return D3DERR_NOTAVAILABLE;
    switch (resourceType) {
    case D3DRTYPE_SURFACE:
    case D3DRTYPE_TEXTURE:
    case D3DRTYPE_CUBETEXTURE:
        return plat::GlFormatOf(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    case D3DRTYPE_VOLUMETEXTURE:  // S3TC exists for 2D images and cube faces only
        return plat::GlFormatOf(checkFormat) && !plat::IsBlockCompressed(checkFormat) ? D3D_OK
                                                                                    : D3DERR_NOTAVAILABLE;
    case D3DRTYPE_VERTEXBUFFER: return checkFormat == D3DFMT_VERTEXDATA ? D3D_OK : D3DERR_NOTAVAILABLE;
    case D3DRTYPE_INDEXBUFFER:
        return checkFormat == D3DFMT_INDEX16 || checkFormat == D3DFMT_INDEX32 ? D3D_OK
                                                                             : D3DERR_NOTAVAILABLE;
    default: return D3DERR_NOTAVAILABLE;
    }
}

HRESULT IDirect3D9::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                           D3DFORMAT renderTargetFormat,
                                           D3DFORMAT depthStencilFormat) {
    if (adapter != 0) return D3DERR_INVALIDCALL;
    if (!plat::IsDeviceType(type) || !plat::IsDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
    if (!plat::IsDepthFormat(depthStencilFormat)) return D3DERR_NOTAVAILABLE;
    return plat::IsRenderTargetFormat(renderTargetFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT IDirect3D9::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
    if (adapter != 0 || !caps) return D3DERR_INVALIDCALL;
    if (!plat::IsDeviceType(type)) return D3DERR_INVALIDCALL;
    *caps = D3DCAPS9{};
    caps->DeviceType = type;
    caps->AdapterOrdinal = 0;
    caps->PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE |
                                  D3DPRESENT_INTERVAL_TWO | D3DPRESENT_INTERVAL_THREE |
                                  D3DPRESENT_INTERVAL_FOUR;
    caps->MaxTextureWidth = plat::kMaxTextureSide;
    caps->MaxTextureHeight = plat::kMaxTextureSide;
    caps->MaxVolumeExtent = plat::kMaxVolumeExtent;
    caps->MaxTextureRepeat = 8192;
    caps->MaxTextureAspectRatio = 8192;
    caps->MaxAnisotropy = 16;
    caps->MaxVertexW = 1e10f;
    caps->StencilCaps = 0x1FF;  // every stencil operation, two-sided included
    caps->MaxTextureBlendStages = D3D_MAX_TEXTURE_STAGES;
    caps->MaxSimultaneousTextures = D3D_MAX_TEXTURE_STAGES;
    caps->MaxActiveLights = 8;
    caps->MaxPointSize = 64.0f;
    caps->MaxPrimitiveCount = 0xFFFFFF;
    caps->MaxVertexIndex = 0xFFFFFF;
    caps->MaxStreams = D3D_MAX_STREAMS;
    caps->MaxStreamStride = 2048;
    caps->VertexShaderVersion = D3DVS_VERSION(3, 0);
    caps->MaxVertexShaderConst = 256;
    caps->PixelShaderVersion = D3DPS_VERSION(3, 0);
    caps->PixelShader1xMaxValue = 65504.0f;
    caps->NumSimultaneousRTs = 1;
    caps->MasterAdapterOrdinal = 0;
    caps->NumberOfAdaptersInGroup = 1;
    caps->MaxVShaderInstructionsExecuted = 65535;
    caps->MaxPShaderInstructionsExecuted = 65535;
    caps->MaxVertexShader30InstructionSlots = 32768;
    caps->MaxPixelShader30InstructionSlots = 32768;
    return D3D_OK;
}

HRESULT IDirect3D9::CreateDevice(UINT adapter, D3DDEVTYPE type, plat::HWND focusWindow,
                                 DWORD behaviorFlags, D3DPRESENT_PARAMETERS* pp,
                                 IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (adapter != 0 || !pp) return D3DERR_INVALIDCALL;
    if (plat::TheHooks().createDevice) {
        HRESULT injected = plat::TheHooks().createDevice(type, behaviorFlags);
        if (injected != D3D_OK) return injected;
    }
    if (!plat::IsDeviceType(type)) return D3DERR_NOTAVAILABLE;
    if (!plat::IsValidBehavior(behaviorFlags)) return D3DERR_INVALIDCALL;
    plat::HWND window = pp->hDeviceWindow ? pp->hDeviceWindow : focusWindow;
    if (!window || !plat::SdlWindowOf(window)) return D3DERR_INVALIDCALL;
    if (pp->BackBufferFormat != D3DFMT_UNKNOWN && !plat::IsBackBufferFormat(pp->BackBufferFormat))
        return D3DERR_NOTAVAILABLE;
    if (!plat::BackBufferSizeAllowed(pp->BackBufferWidth, pp->BackBufferHeight)) return D3DERR_INVALIDCALL;
    if (!plat::AutoDepthFormatAllowed(*pp)) return D3DERR_INVALIDCALL;
    auto* created = new IDirect3DDevice9(this, type, window, *pp);
    HRESULT error = D3D_OK;
    if (!created->Initialize(&error)) {
        created->Release();
        return error;
    }
    *device = created;
    return D3D_OK;
}
