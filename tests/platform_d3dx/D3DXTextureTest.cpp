#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "textures/TextureFiles.h"
#include "platform/common/ErrorLog.h"
#include "platform/d3dx/D3DX9Texture.h"
#include "platform/gfx/GpuProgram.h"
#include "platform/image/ImageWrite.h"
#include "support/TempDir.h"
#include "support/TestDevice.h"

namespace {

// Reads one level of a texture through a read-only lock, as 0xAARRGGBB.
std::vector<std::uint32_t> ReadLevel(IDirect3DTexture9* texture, UINT level) {
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(level, &desc);
    D3DLOCKED_RECT rect{};
    std::vector<std::uint32_t> out;
    if (FAILED(texture->LockRect(level, &rect, nullptr, D3DLOCK_READONLY))) return out;
    for (UINT y = 0; y < desc.Height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(rect.pBits) +
                                                                 std::size_t(y) * rect.Pitch);
        out.insert(out.end(), row, row + desc.Width);
    }
    texture->UnlockRect(level);
    return out;
}

class D3DXTexture : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return (temp.Path() / name).string(); }

    ScopedTempDir temp;
    TestDevice t{64, 64};
};

// Renders face `face` of a cube texture over the whole 64x64 back buffer:
// the pixel at (x, y) looks along the direction through texel (x, y) of that
// face, with Direct3D's face axes. Point sampling at one texel per pixel.
class CubeFaceRenderer {
public:
    explicit CubeFaceRenderer(IDirect3DDevice9* device) : device(device) {
        std::string log;
        device->MakeCurrent();
        program = plat::GpuProgram::Build(
            R"(layout(location = TM_POSITION) in vec4 inPosition;
               layout(location = TM_TEXCOORD0) in vec2 inUv;
               out vec2 uv;
               void main() { uv = inUv; gl_Position = tmScreenToClip(inPosition); })",
            R"(uniform samplerCube cube;
               uniform int face;
               in vec2 uv;
               out vec4 colour;
               void main() {
                   float s = uv.x * 2.0 - 1.0, t = uv.y * 2.0 - 1.0;
                   vec3 d = face == 0 ? vec3(1, -t, -s) : face == 1 ? vec3(-1, -t, s)
                          : face == 2 ? vec3(s, 1, t)   : face == 3 ? vec3(s, -1, -t)
                          : face == 4 ? vec3(s, -t, 1)  : vec3(-s, -t, -1);
                   colour = texture(cube, d);
                   tmAlphaTest(colour.a);
               })",
            &log);
        EXPECT_TRUE(program) << log;
    }
    ~CubeFaceRenderer() { device->SetProgram(nullptr); }

    void Draw(IDirect3DBaseTexture9* texture, int face) {
        struct Vertex {
            float x, y, z, rhw, u, v;
        } quad[4] = {{-0.5f, -0.5f, 0.5f, 1, 0, 0}, {63.5f, -0.5f, 0.5f, 1, 1, 0},
                     {-0.5f, 63.5f, 0.5f, 1, 0, 1}, {63.5f, 63.5f, 0.5f, 1, 1, 1}};
        int stage = 0;
        program->SetInts("cube", &stage, 1);
        program->SetInts("face", &face, 1);
        device->SetProgram(program.get());
        device->SetTexture(0, texture);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
        device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
        device->BeginScene();
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
        device->EndScene();
        device->SetTexture(0, nullptr);
    }

    bool ok() const { return program != nullptr; }

private:
    IDirect3DDevice9* device;
    std::unique_ptr<plat::GpuProgram> program;
};

// Every texel of the test cube says which face and where it is.
std::uint32_t CubeTexel(std::uint32_t face, std::uint32_t x, std::uint32_t y) {
    return 0xFF000000u | face * 40 << 16 | x * 4 << 8 | y * 4;
}

}  // namespace

TEST_F(D3DXTexture, CubeFacesAppearWhereTheirDirectionsPoint) {
    ASSERT_TRUE(t.ok());
    WriteFile(Path("cube.dds"), CubeDds(64, CubeTexel));
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(D3DXCreateCubeTextureFromFileExA(t.device, Path("cube.dds").c_str(), D3DX_DEFAULT, 1, 0,
                                               D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR,
                                               D3DX_FILTER_LINEAR, 0, nullptr, nullptr, &cube),
              D3D_OK);
    CubeFaceRenderer renderer(t.device);
    ASSERT_TRUE(renderer.ok());
    for (int face = 0; face < 6; ++face) {
        renderer.Draw(cube, face);
        std::vector<D3DCOLOR> pixels = t.Pixels();
        ASSERT_EQ(pixels.size(), 64u * 64u);
        int wrong = 0;
        for (std::uint32_t y = 0; y < 64; ++y)
            for (std::uint32_t x = 0; x < 64; ++x)
                if (pixels[y * 64 + x] != CubeTexel(face, x, y)) ++wrong;
        EXPECT_EQ(wrong, 0) << "face " << face << ": top left reads " << std::hex << pixels[0]
                            << ", bottom right " << pixels[64 * 64 - 1];
    }
    cube->Release();
}

TEST_F(D3DXTexture, FlatImageSizesMipsColourKeyAndSourceInfo) {
    ASSERT_TRUE(t.ok());
    // 4x2: opaque magenta at the top left, the rest grey.
    std::vector<std::uint32_t> pixels(8, 0xFF808080);
    pixels[0] = 0xFFFF00FF;
    WriteFile(Path("key.bmp"), Bitmap32(4, 2, pixels));

    IDirect3DTexture9* texture = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXCreateTextureFromFileExA(t.device, Path("key.bmp").c_str(), D3DX_DEFAULT_NONPOW2,
                                           D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT, 0, D3DFMT_A8R8G8B8,
                                           D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR,
                                           0xFFFF00FF, &info, nullptr, &texture),
              D3D_OK);
    EXPECT_EQ(info.Width, 4u);
    EXPECT_EQ(info.Height, 2u);
    EXPECT_EQ(info.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_BMP);
    EXPECT_EQ(texture->GetLevelCount(), 3u);  // 4x2, 2x1, 1x1
    std::vector<std::uint32_t> top = ReadLevel(texture, 0);
    ASSERT_EQ(top.size(), 8u);
    EXPECT_EQ(top[0], 0x00000000u);
    EXPECT_EQ(top[1], 0xFF808080u);
    // The key is applied before the mip is filtered: the transparent black
    // pulls the average down, and no magenta bleeds in.
    std::vector<std::uint32_t> mip = ReadLevel(texture, 1);
    ASSERT_EQ(mip.size(), 2u);
    EXPECT_EQ(mip[0], 0xBF606060u);  // (0 + 3 x 0x80) / 4 and (0 + 3 x 0xFF) / 4, rounded
    EXPECT_EQ(mip[1], 0xFF808080u);
    texture->Release();

    // The default size rounds up to powers of two.
    WriteFile(Path("odd.bmp"), Bitmap32(3, 2, std::vector<std::uint32_t>(6, 0xFF808080)));
    ASSERT_EQ(D3DXCreateTextureFromFileExA(t.device, Path("odd.bmp").c_str(), D3DX_DEFAULT, D3DX_DEFAULT, 1,
                                           0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_POINT,
                                           D3DX_FILTER_POINT, 0xFFFF00FF, nullptr, nullptr, &texture),
              D3D_OK);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(desc.Height, 2u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);  // the file's X8R8G8B8 gains alpha for the key
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    texture->Release();
}

TEST_F(D3DXTexture, FormatsConvertOrStayCompressed) {
    ASSERT_TRUE(t.ok());
    DdsSpec spec;
    spec.width = spec.height = 4;
    spec.pfFlags = 0x4;
    spec.fourCC = D3DFMT_DXT1;
    ByteBuilder dds = DdsHeader(spec);
    const std::uint8_t block[8] = {0x00, 0xF8, 0x1F, 0x00, 0x00, 0x00, 0x55, 0x55};  // red / blue rows
    for (std::uint8_t b : block) dds.u8(b);
    WriteFile(Path("block.dds"), dds);

    IDirect3DTexture9* kept = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileExA(t.device, Path("block.dds").c_str(), 0, 0, D3DX_FROM_FILE, 0,
                                           D3DFMT_FROM_FILE, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                           nullptr, nullptr, &kept),
              D3D_OK);
    D3DSURFACE_DESC desc{};
    kept->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_DXT1);
    EXPECT_EQ(kept->GetLevelCount(), 1u);
    D3DLOCKED_RECT rect{};
    ASSERT_EQ(kept->LockRect(0, &rect, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(std::memcmp(rect.pBits, block, 8), 0);
    kept->UnlockRect(0);
    kept->Release();

    IDirect3DTexture9* rgb = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileExA(t.device, Path("block.dds").c_str(), 0, 0, 1, 0, D3DFMT_R5G6B5,
                                           D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                           &rgb),
              D3D_OK);
    ASSERT_EQ(rgb->LockRect(0, &rect, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* bytes = static_cast<const std::uint8_t*>(rect.pBits);
    std::uint16_t topLeft, rowTwo;
    std::memcpy(&topLeft, bytes, 2);
    std::memcpy(&rowTwo, bytes + 2 * std::size_t(rect.Pitch) + 6, 2);
    EXPECT_EQ(topLeft, 0xF800);  // index 0, the first endpoint: red
    EXPECT_EQ(rowTwo, 0x001F);   // index 1: blue
    rgb->UnlockRect(0);
    rgb->Release();
}

// Without a colour key the stored DXT levels are kept as they are; levels
// the file lacks are made from the last one it has.
TEST_F(D3DXTexture, DxtWithoutAKeyKeepsItsBlocksAndMakesTheMissingMips) {
    ASSERT_TRUE(t.ok());
    DdsSpec spec;
    spec.width = spec.height = 8;
    spec.mips = 2;  // 8x8 and 4x4 stored; 2x2 and 1x1 to be made
    spec.pfFlags = 0x4;
    spec.fourCC = D3DFMT_DXT1;
    ByteBuilder dds = DdsHeader(spec);
    const std::uint8_t red[8] = {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0};
    const std::uint8_t green[8] = {0xE0, 0x07, 0xE0, 0x07, 0, 0, 0, 0};
    for (int block = 0; block < 4; ++block)
        for (std::uint8_t byte : red) dds.u8(byte);
    for (std::uint8_t byte : green) dds.u8(byte);
    WriteFile(Path("mips.dds"), dds);

    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileExA(t.device, Path("mips.dds").c_str(), 0, 0, 4, 0, D3DFMT_FROM_FILE,
                                           D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &tex),
              D3D_OK);
    ASSERT_EQ(tex->GetLevelCount(), 4u);
    D3DLOCKED_RECT rect{};
    ASSERT_EQ(tex->LockRect(1, &rect, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(std::memcmp(rect.pBits, green, 8), 0);
    tex->UnlockRect(1);
    // The 2x2 level comes from the stored 4x4 one: green, not red.
    ASSERT_EQ(tex->LockRect(2, &rect, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::uint16_t endpoint = 0;
    std::memcpy(&endpoint, rect.pBits, 2);
    EXPECT_EQ(endpoint & 0xF800, 0) << std::hex << endpoint;
    EXPECT_NE(endpoint & 0x07E0, 0) << std::hex << endpoint;
    tex->UnlockRect(2);
    tex->Release();
}

TEST_F(D3DXTexture, VolumesAndRefusals) {
    ASSERT_TRUE(t.ok());
    DdsSpec spec;
    spec.width = spec.height = 2;
    spec.depth = 4;
    spec.caps2 = 0x200000;
    ByteBuilder dds = DdsHeader(spec);
    for (std::uint32_t i = 0; i < 16; ++i) dds.u32(0xFF000000 | i << 4);
    WriteFile(Path("volume.dds"), dds);

    IDirect3DVolumeTexture9* volume = nullptr;
    ASSERT_EQ(D3DXCreateVolumeTextureFromFileExA(t.device, Path("volume.dds").c_str(), D3DX_DEFAULT,
                                                 D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_A8R8G8B8,
                                                 D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, 0,
                                                 nullptr, nullptr, &volume),
              D3D_OK);
    D3DVOLUME_DESC desc{};
    volume->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Depth, 4u);
    EXPECT_EQ(volume->GetLevelCount(), 3u);  // 2x2x4, 1x1x2, 1x1x1
    D3DLOCKED_BOX box{};
    ASSERT_EQ(volume->LockBox(0, &box, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* slice3 = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(box.pBits) +
                                                                3 * std::size_t(box.SlicePitch));
    EXPECT_EQ(slice3[1], 0xFF000000u | 13u << 4);
    volume->UnlockBox(0);
    volume->Release();

    IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(0x1);
    EXPECT_EQ(D3DXCreateTextureFromFileExA(t.device, Path("missing.png").c_str(), 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                           D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                           &texture),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(D3DXCreateTextureFromFileExA(t.device, nullptr, 0, 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                           D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &texture),
              D3DERR_INVALIDCALL);
}

// An image past the device's largest side, its size left to the file, is
// scaled down to fit, as D3DX does; past the readers' own limit, or at a
// size the caller names that the device cannot make, the line says why and
// names the file.
TEST_F(D3DXTexture, ImagesPastTheDeviceAreFittedOrSaid) {
    ASSERT_TRUE(t.ok());
    auto load = [&](const std::string& path, UINT width, IDirect3DTexture9** texture) {
        return D3DXCreateTextureFromFileExA(t.device, path.c_str(), width, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                           D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR,
                                           D3DX_FILTER_LINEAR, 0xFFFF00FF, nullptr, nullptr, texture);
    };
    std::vector<std::uint8_t> png;
    for (auto [width, height, fitWidth, fitHeight] :
         {std::array<UINT, 4>{8193, 1, 8192, 1}, {1, 8193, 1, 8192}, {16384, 16, 8192, 16}}) {
        // Red in the first half along the long side, blue in the second.
        std::vector<std::uint8_t> bgra(std::size_t(width) * height * 4, 255);
        for (std::size_t i = 0; i < bgra.size(); i += 4) {
            const bool first = width > height ? (i / 4) % width < width / 2 : i / 4 < bgra.size() / 8;
            bgra[i] = first ? 0 : 255;
            bgra[i + 2] = first ? 255 : 0;
            bgra[i + 1] = 0;
        }
        std::string error;
        ASSERT_TRUE(plat::EncodePng(bgra.data(), width, height, png, error)) << error;
        WriteFile(Path("wide.png"), ByteBuilder{png});
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(load(Path("wide.png"), D3DX_DEFAULT, &texture), D3D_OK) << width << " x " << height;
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Width, fitWidth);
        EXPECT_EQ(desc.Height, fitHeight);
        const std::vector<std::uint32_t> top = ReadLevel(texture, 0);
        ASSERT_FALSE(top.empty());
        EXPECT_EQ(top.front(), 0xFFFF0000u);
        EXPECT_EQ(top.back(), 0xFF0000FFu);
        texture->Release();
    }

    // The last image's header made to say 16385 wide: refused before libpng
    // reads further.
    png[19] = 0x01;
    WriteFile(Path("wider.png"), ByteBuilder{png});
    plat::ErrorCapture capture;
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(load(Path("wider.png"), D3DX_DEFAULT, &texture), D3DXERR_INVALIDDATA);
    EXPECT_EQ(load(Path("wide.png"), 16384, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(capture.Lines(),
              (std::vector<std::string>{"Texture not loaded: \"" + Path("wider.png") +
                                            "\": PNG image size 16385 x 16 out of range: at most 16384 pixels a "
                                            "side and 67108864 in all",
                                        "Texture not loaded: \"" + Path("wide.png") +
                                            "\": the device cannot make a 16384 x 16 texture"}));
}
