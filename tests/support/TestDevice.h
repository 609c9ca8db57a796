#pragma once
// A hidden window and a graphics device for pixel tests.
//
//   TestDevice t(64, 64);             // windowed, X8R8G8B8 back buffer, D24S8
//   ASSERT_TRUE(t.ok());
//   t.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000666, 1.0f, 0);
//   EXPECT_EQ(t.Pixel(0, 0), 0xFF000666u);   // (x, y) from the top left
//
// It registers its own window class, so create one at a time in a test
// process (tests run one per process). Tests run headless: SDL's offscreen
// driver gives a real OpenGL context on Mesa llvmpipe. The device and the
// adapter are released, and the window class unregistered, on destruction.
#include <vector>

#include "platform/gfx/Direct3D.h"
#include "platform/window/Window.h"

class TestDevice {
public:
    explicit TestDevice(UINT width = 64, UINT height = 64, D3DFORMAT backBufferFormat = D3DFMT_X8R8G8B8,
                        BOOL windowed = TRUE) {
        // Tests read the frame after Present.
        plat::KeepPresentedFrames(true);
        if (!plat::RegisterClassA(kClass, &plat::DefWindowProcA)) return;
        window = plat::CreateWindowExA(kClass, "device test");
        if (!window) return;
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        if (!d3d) return;
        pp = {};
        pp.BackBufferWidth = width;
        pp.BackBufferHeight = height;
        pp.BackBufferFormat = backBufferFormat;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = window;
        pp.Windowed = windowed;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24S8;
        pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                          D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device);
    }
    ~TestDevice() {
        if (device) device->Release();
        if (d3d) d3d->Release();
        plat::UnregisterClassA(kClass);
    }
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    bool ok() const { return device != nullptr; }

    // The whole back buffer, top row first.
    std::vector<D3DCOLOR> Pixels() {
        std::vector<D3DCOLOR> pixels;
        device->ReadBackBuffer(&pixels, &width, &height);
        return pixels;
    }
    // One pixel of the back buffer, (0, 0) the top left.
    D3DCOLOR Pixel(UINT x, UINT y) {
        std::vector<D3DCOLOR> pixels = Pixels();
        return x < width && y < height ? pixels[size_t(y) * width + x] : 0;
    }

    plat::HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS pp{};
    UINT width = 0, height = 0;

private:
    static constexpr const char* kClass = "TollymopTestDevice";
};
