#include <gtest/gtest.h>

#include <vector>

#include "platform/gfx/Direct3D.h"
#include "support/TestDevice.h"

namespace {
struct Adapter : ::testing::Test {
    void SetUp() override {
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
    }
    void TearDown() override {
        if (d3d) d3d->Release();
        plat::SetCreateDeviceHook({});
    }
    IDirect3D9* d3d = nullptr;
};
}  // namespace

TEST(Direct3DCreate, RefusesOtherSdkVersionsAndHonoursTheHook) {
    EXPECT_EQ(Direct3DCreate9(32), nullptr);
    plat::SetDirect3DCreateHook([](UINT) { return nullptr; });
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
    plat::SetDirect3DCreateHook({});
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    d3d->Release();
}

TEST_F(Adapter, DesktopModeIsX8R8G8B8) {
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_GT(mode.Width, 0u);
    EXPECT_GT(mode.Height, 0u);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(d3d->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);
}

// The engine probes depth formats in this order and takes the first that
// passes both checks: it must land on D24S8, since the shadows need stencil.
TEST_F(Adapter, DepthProbeSettlesOnD24S8) {
    const D3DFORMAT candidates[] = {D3DFMT_D32, D3DFMT_D24S8, D3DFMT_D24X8, D3DFMT_D24X4S4, D3DFMT_D16, D3DFMT_D15S1};
    D3DFORMAT chosen = D3DFMT_UNKNOWN;
    for (D3DFORMAT f : candidates) {
        if (d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, f) != D3D_OK)
            continue;
        if (d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, f) != D3D_OK) continue;
        chosen = f;
        break;
    }
    EXPECT_EQ(chosen, D3DFMT_D24S8);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D32),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_D32),
              D3DERR_NOTAVAILABLE);
}

TEST_F(Adapter, DeviceTypesFormatsAndCaps) {
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, FALSE), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_L8, TRUE), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_DXT5), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE,
                                     D3DFMT_A16B16G16R16F), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE,
                                     D3DFMT_DXT1), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_P8),
              D3DERR_NOTAVAILABLE);

    D3DCAPS9 hal{}, ref{};
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &hal), D3D_OK);
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_REF, &ref), D3D_OK);
    EXPECT_EQ(hal.DeviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(ref.DeviceType, D3DDEVTYPE_REF);
    EXPECT_EQ(hal.PixelShaderVersion & 0xFFFF, 0x0300u);
    EXPECT_EQ(hal.VertexShaderVersion & 0xFFFF, 0x0300u);
    EXPECT_EQ(hal.MaxActiveLights, 8u);
    EXPECT_TRUE(hal.StencilCaps & D3DSTENCILCAPS_TWOSIDED);
}

// The video system tries HAL with three behaviours and then REF: the hook
// sees every attempt and can fail any of them.
TEST(CreateDevice, HookFailsChosenAttemptsAndBadArgumentsAreRefused) {
    std::vector<std::pair<D3DDEVTYPE, DWORD>> attempts;
    plat::SetCreateDeviceHook([&](D3DDEVTYPE type, DWORD behavior) {
        attempts.emplace_back(type, behavior);
        return type == D3DDEVTYPE_HAL ? D3DERR_NOTAVAILABLE : D3D_OK;
    });
    TestDevice halFails;
    EXPECT_FALSE(halFails.ok());
    ASSERT_EQ(attempts.size(), 1u);
    EXPECT_EQ(attempts[0].second, D3DCREATE_HARDWARE_VERTEXPROCESSING);

    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(halFails.d3d->CreateDevice(0, D3DDEVTYPE_REF, halFails.window, D3DCREATE_MIXED_VERTEXPROCESSING,
                                         &halFails.pp, &device),
              D3D_OK);
    ASSERT_NE(device, nullptr);
    D3DCAPS9 caps{};
    device->GetDeviceCaps(&caps);
    EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_REF);
    device->Release();
    plat::SetCreateDeviceHook({});

    // Two vertex-processing kinds at once, or none, is not a behaviour.
    EXPECT_EQ(halFails.d3d->CreateDevice(0, D3DDEVTYPE_HAL, halFails.window,
                                         D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                         &halFails.pp, &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(halFails.d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                         nullptr, &device),
              D3DERR_INVALIDCALL);
    // A depth buffer in a format that is no depth format.
    D3DPRESENT_PARAMETERS indexDepth = halFails.pp;
    indexDepth.EnableAutoDepthStencil = TRUE;
    indexDepth.AutoDepthStencilFormat = D3DFMT_INDEX16;
    EXPECT_EQ(halFails.d3d->CreateDevice(0, D3DDEVTYPE_HAL, halFails.window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                         &indexDepth, &device),
              D3DERR_INVALIDCALL);
}
