// The baseline of every performance figure: the frame rate of the engine's
// empty frame (the video system clearing and presenting at 640x480) beside
// that of a bare SDL2 + OpenGL clear-and-swap loop, measured in turns in one
// run, and their ratio.
#include <SDL.h>
#include <epoxy/gl.h>

#include <chrono>
#include <cstdio>
#include <functional>

#include "Video/Video.h"
#include "core/WinMain.h"
#include "platform/window/Window.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"

namespace {
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kWarmUpFrames = 30;
// The two loops take turns in short slices, so that a load that comes and
// goes on the machine hits both alike.
constexpr double kSliceSeconds = 0.1;
constexpr int kSlicesEach = 40;

using Clock = std::chrono::steady_clock;

// One loop under measurement: how to make its context current and draw one
// frame. Each frame waits for the GL to finish, so that a driver which
// defers its work (a software rasteriser with nowhere to swap to) is
// measured doing it.
struct Loop {
    std::function<void()> makeCurrent;
    std::function<void()> drawFrame;
    long frames = 0;
    double seconds = 0.0;

    void Frame() {
        drawFrame();
        glFinish();
    }
    void RunSlice() {
        makeCurrent();
        auto start = Clock::now();
        double elapsed = 0.0;
        do {
            Frame();
            ++frames;
            elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        } while (elapsed < kSliceSeconds);
        seconds += elapsed;
    }
    double FramesPerSecond() const { return seconds > 0.0 ? double(frames) / seconds : 0.0; }
};

// A bare SDL2 + OpenGL clear-and-swap window with the engine window's pixel
// format (double-buffered, 24-bit depth, 8-bit stencil).
struct BareWindow {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;

    BareWindow() {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
        window = SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth, kHeight,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
        if (window) context = SDL_GL_CreateContext(window);
        if (!context) return;
        SDL_GL_MakeCurrent(window, context);
        SDL_GL_SetSwapInterval(0);
        glViewport(0, 0, kWidth, kHeight);
        glClearColor(0.0f, 6.0f / 255.0f, 102.0f / 255.0f, 1.0f);
    }
    ~BareWindow() {
        if (context) SDL_GL_DeleteContext(context);
        if (window) SDL_DestroyWindow(window);
    }
    bool ok() const { return context != nullptr; }
    void Frame() {
        SDL_PumpEvents();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        SDL_GL_SwapWindow(window);
    }
};

struct Rates {
    double engine = 0.0, bare = 0.0;
    bool intoWindow = false;
};

// The engine's own window and video system, windowed at 640x480 without
// vertical sync, from a settings file in a scratch directory, measured in
// turns with the bare loop.
Rates MeasureSideBySide() {
    Rates rates;
    ScopedTempDir dir;
    WriteWindowedSettings({.width = kWidth, .height = kHeight, .backBufferWidth = kWidth, .backBufferHeight = kHeight});
    if (!plat::RegisterClassA("MyWndClass", WndProc)) return rates;
    if (plat::CreateWindowExA("MyWndClass", "Tollymop bench")) {
        Video video;
        if (video.Init()) {
            rates.intoWindow = video.Device()->DrawsIntoWindow();
            BareWindow bare;
            if (bare.ok()) {
                Loop engineLoop{[&video] { video.Device()->MakeCurrent(); },
                                [&video] {
                                    plat::PumpEvents();
                                    video.Update();
                                }};
                Loop bareLoop{[&bare] { SDL_GL_MakeCurrent(bare.window, bare.context); }, [&bare] { bare.Frame(); }};
                for (Loop* loop : {&engineLoop, &bareLoop}) {
                    loop->makeCurrent();
                    for (int i = 0; i < kWarmUpFrames; ++i) loop->Frame();
                }
                for (int slice = 0; slice < kSlicesEach; ++slice) {
                    engineLoop.RunSlice();
                    bareLoop.RunSlice();
                }
                rates.engine = engineLoop.FramesPerSecond();
                rates.bare = bareLoop.FramesPerSecond();
                video.Device()->MakeCurrent();
            }
        }
        video.Shutdown();
    }
    plat::UnregisterClassA("MyWndClass");
    return rates;
}
}  // namespace

int main() {
    Rates rates = MeasureSideBySide();
    std::printf("Empty frame at %dx%d, no vertical sync, the two loops in turns of %.0f ms:\n", kWidth, kHeight,
                kSliceSeconds * 1000.0);
    std::printf("  engine (Video clear + present): %10.1f frames/s (%s)\n", rates.engine,
                rates.intoWindow ? "drawn into the window" : "through a framebuffer object");
    std::printf("  bare SDL2 + GL clear + swap:    %10.1f frames/s\n", rates.bare);
    if (rates.engine <= 0.0 || rates.bare <= 0.0) {
        std::printf("  ratio: unavailable (a loop could not start)\n");
        return 1;
    }
    std::printf("  ratio engine / bare:            %10.3f\n", rates.engine / rates.bare);
    return 0;
}
