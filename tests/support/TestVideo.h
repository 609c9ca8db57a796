#pragma once
// The whole video system on a hidden window, for tests of its children that
// draw: a temporary working directory holding a windowed "settings.txt"
// (back buffer width x height, cleared to black), the repository's assets
// linked in, and Video initialised with every child it creates.
//
//   TestVideo t(160, 96);
//   ASSERT_TRUE(t.ok());
//   t.video.Update();                       // one frame
//   D3DCOLOR p = t.Pixel(10, 10);           // (x, y) from the top left
//
// One at a time in a test process (tests run one per process). Message boxes
// are recorded, not shown.
#include <fstream>
#include <vector>

#include "Video/Video.h"
#include "core/eTable.h"
#include "platform/gfx/Direct3D.h"
#include "platform/window/Window.h"
#include "support/MessageBoxRecorder.h"
#include "support/ShippedFiles.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"

class TestVideo {
public:
    explicit TestVideo(int width = 160, int height = 96) {
        LayOutGameFiles(dir.Path());
        WriteWindowedSettings({.width = width,
                               .height = height,
                               .backBufferWidth = width,
                               .backBufferHeight = height,
                               .behavior = "HARDWARE",
                               .clearColor = "0 0 0"});
        // Tests read the frame after Present.
        plat::KeepPresentedFrames(true);
        if (!plat::RegisterClassA(kClass, &plat::DefWindowProcA)) return;
        if (!plat::CreateWindowExA(kClass, "video test")) return;
        started = video.Init();
    }
    ~TestVideo() {
        video.Shutdown();
        plat::UnregisterClassA(kClass);
    }
    TestVideo(const TestVideo&) = delete;
    TestVideo& operator=(const TestVideo&) = delete;

    bool ok() const { return started && video.Device() != nullptr; }
    IDirect3DDevice9* Device() const { return video.Device(); }

    // The back buffer, top row first, and its width.
    std::vector<D3DCOLOR> Pixels(UINT* width = nullptr) {
        std::vector<D3DCOLOR> pixels;
        UINT w = 0, h = 0;
        video.Device()->ReadBackBuffer(&pixels, &w, &h);
        if (width) *width = w;
        return pixels;
    }
    // 0 outside the back buffer (an x past the right edge does not run on
    // into the next row).
    D3DCOLOR Pixel(UINT x, UINT y) {
        UINT width = 0;
        std::vector<D3DCOLOR> pixels = Pixels(&width);
        return x < width && size_t(y) * width + x < pixels.size() ? pixels[size_t(y) * width + x] : 0;
    }

    ScopedTempDir dir;
    MessageBoxRecorder boxes;
    Video video;

private:
    static constexpr const char* kClass = "TollymopTestVideo";
    bool started = false;
};
