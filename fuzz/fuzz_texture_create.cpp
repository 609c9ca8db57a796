// Texture creation after decoding: an image (the input's bytes as a file, or
// a Targa image the harness builds with the input's sizes, up to 512 x 512
// texels, filled with the input's bytes) goes through the loaders' whole
// road onto a real device: size resolution, resize, format conversion, the
// colour key, the mip chain and the locks, as a 2D, cube or volume texture
// (the upload to OpenGL, which the draws of the other targets cover, is left
// out: the driver's threads would make every input a leak check).
// Sizes the device cannot make must be refused, never wrapped. Runs headless
// on SDL's offscreen driver unless SDL_VIDEODRIVER says otherwise.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/d3dx/D3DX9Texture.h"
#include "platform/gfx/Direct3D.h"
#include "platform/window/Window.h"

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libSDL2\nleak:libEGL\nleak:libGLX\nleak:libGL.so\nleak:libgallium\nleak:swrast_dri\n"
           "leak:libLLVM\nleak:libglapi\nleak:libX11\nleak:libdbus\n";
}

namespace {

IDirect3DDevice9* TheDevice() {
    static IDirect3DDevice9* device = [] {
        ::setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (!plat::RegisterClassA("TollymopFuzzTextures", &plat::DefWindowProcA)) std::abort();
        plat::HWND window = plat::CreateWindowExA("TollymopFuzzTextures", "fuzz");
        IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        if (!window || !d3d) std::abort();
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = window;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24S8;
        IDirect3DDevice9* made = nullptr;
        if (d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &made) != D3D_OK)
            std::abort();
        return made;
    }();
    return device;
}

// Reads the parameters from the front of the input; missing bytes read 0.
class Params {
public:
    Params(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::uint16_t Word() { return std::uint16_t(Byte() | Byte() << 8); }
    std::size_t Used() const { return at < size ? at : size; }

private:
    const std::uint8_t* data;
    std::size_t size, at = 0;
};

// A size argument: the special values, sizes beyond the caps, or a side of
// 1 to 512 (small enough that one input stays quick).
UINT SizeArgument(Params& p, UINT largestSide) {
    static const UINT kSpecial[] = {0, D3DX_DEFAULT, D3DX_DEFAULT_NONPOW2, D3DX_FROM_FILE,
                                    8193, 16384, 0x7FFFFFFF, 0xFFFFFFFC};
    const std::uint16_t word = p.Word();
    if (word & 0x8000) return kSpecial[word % 8];
    return 1 + word % largestSide;
}

D3DFORMAT FormatArgument(Params& p) {
    static const D3DFORMAT kFormats[] = {
        D3DFMT_UNKNOWN,  D3DFMT_FROM_FILE, D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A8B8G8R8, D3DFMT_X8B8G8R8,
        D3DFMT_R5G6B5,   D3DFMT_A1R5G5B5,  D3DFMT_X1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_X4R4G4B4, D3DFMT_A8L8,
        D3DFMT_L8,       D3DFMT_A8,        D3DFMT_DXT1,     D3DFMT_DXT3,     D3DFMT_DXT5,     D3DFMT_R8G8B8,
        D3DFMT_A16B16G16R16F, D3DFMT_L16,  static_cast<D3DFORMAT>(0x7FFF), static_cast<D3DFORMAT>(D3DX_DEFAULT)};
    return kFormats[p.Byte() % (sizeof kFormats / sizeof kFormats[0])];
}

// An uncompressed Targa image of the given size whose pixels repeat the
// bytes given (zeros when there are none).
std::vector<std::uint8_t> Targa(std::uint16_t width, std::uint16_t height, std::uint8_t bits,
                                const std::uint8_t* pixels, std::size_t count) {
    std::vector<std::uint8_t> file = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      std::uint8_t(width), std::uint8_t(width >> 8),
                                      std::uint8_t(height), std::uint8_t(height >> 8), bits,
                                      std::uint8_t(bits == 32 ? 0x28 : 0x20)};
    const std::size_t bytes = std::size_t(width) * height * (bits / 8);
    file.resize(file.size() + bytes);
    for (std::size_t i = 0; i < bytes; ++i) file[18 + i] = count ? pixels[i % count] : 0;
    return file;
}

// The file as a path the loaders open, backed by memory.
class MemoryFile {
public:
    explicit MemoryFile(const std::vector<std::uint8_t>& bytes) : fd(::memfd_create("image", 0)) {
        if (fd >= 0 && ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            ::close(fd);
            fd = -1;
        }
    }
    ~MemoryFile() {
        if (fd >= 0) ::close(fd);
    }
    bool ok() const { return fd >= 0; }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(fd); }

private:
    int fd;
};

template <class Texture>
void Release(Texture* made) {
    if (made) made->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IDirect3DDevice9* device = TheDevice();
    Params p(data, size);
    const std::uint8_t shape = p.Byte() % 3;  // 2D, cube, volume
    const bool synthesize = p.Byte() & 1;
    const std::uint16_t imageWidth = std::uint16_t(1 + p.Word() % 512);
    const std::uint16_t imageHeight = std::uint16_t(1 + p.Word() % 512);
    const std::uint8_t bits = (p.Byte() & 1) ? 32 : 24;
    const UINT width = SizeArgument(p, 512);
    const UINT height = SizeArgument(p, 512);
    const UINT depth = SizeArgument(p, 16);
    const std::uint8_t levelByte = p.Byte();
    const UINT levels = levelByte & 0x80 ? D3DX_DEFAULT : levelByte % 16;
    const D3DFORMAT format = FormatArgument(p);
    const DWORD filter = p.Byte() % 6, mipFilter = p.Byte() % 6;
    const D3DCOLOR colorKey = (p.Byte() & 1) ? 0xFFFF00FF : 0;
    const std::uint8_t* rest = data + p.Used();
    const std::size_t restSize = size - p.Used();

    const std::vector<std::uint8_t> bytes =
        synthesize ? Targa(imageWidth, imageHeight, bits, rest, restSize) : std::vector<std::uint8_t>(rest, rest + restSize);
    MemoryFile file(bytes);
    if (!file.ok()) return 0;
    const std::string path = file.Path();
    D3DXIMAGE_INFO info{};
    if (shape == 0) {
        IDirect3DTexture9* texture = nullptr;
        D3DXCreateTextureFromFileExA(device, path.c_str(), width, height, levels, 0, format, D3DPOOL_MANAGED, filter,
                                     mipFilter, colorKey, &info, nullptr, &texture);
        Release(texture);
    } else if (shape == 1) {
        IDirect3DCubeTexture9* cube = nullptr;
        if (width <= 256 || width >= 0x7FFFFFFF)  // six faces: kept smaller
            D3DXCreateCubeTextureFromFileExA(device, path.c_str(), width, levels, 0, format, D3DPOOL_MANAGED,
                                             filter, mipFilter, colorKey, &info, nullptr, &cube);
        Release(cube);
    } else {
        IDirect3DVolumeTexture9* volume = nullptr;
        D3DXCreateVolumeTextureFromFileExA(device, path.c_str(), width, height, depth, levels, 0, format,
                                           D3DPOOL_MANAGED, filter, mipFilter, colorKey, &info, nullptr, &volume);
        Release(volume);
    }
    return 0;
}
