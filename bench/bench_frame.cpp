// The baseline of every performance figure: the frame rate of the engine's
// empty frame (the video system clearing and presenting at 640x480) beside
// that of a bare SDL2 + OpenGL clear-and-swap loop, and their ratio.
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
constexpr double kMeasureSeconds = 3.0;

// Frames per second of frame() over kMeasureSeconds, after a warm-up. Each
// frame waits for the GL to finish, so that a driver which defers its work
// (a software rasteriser with nowhere to swap to) is measured doing it.
double FramesPerSecond(const std::function<void()>& drawFrame) {
    auto frame = [&drawFrame] {
        drawFrame();
        glFinish();
    };
    for (int i = 0; i < kWarmUpFrames; ++i) frame();
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    long frames = 0;
    double elapsed = 0.0;
    do {
        frame();
        ++frames;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < kMeasureSeconds);
    return static_cast<double>(frames) / elapsed;
}

// The engine's own window and video system, windowed at 640x480 without
// vertical sync, from a settings file in a scratch directory.
double EngineFrameRate() {
    ScopedTempDir dir;
    WriteWindowedSettings({.width = kWidth, .height = kHeight, .backBufferWidth = kWidth, .backBufferHeight = kHeight});

    double fps = 0.0;
    if (plat::RegisterClassA("MyWndClass", WndProc)) {
        if (plat::CreateWindowExA("MyWndClass", "Tollymop bench")) {
            Video video;
            if (video.Init()) {
                fps = FramesPerSecond([&video] {
                    plat::PumpEvents();
                    video.Update();
                });
            }
            video.Shutdown();
        }
        plat::UnregisterClassA("MyWndClass");
    }
    return fps;
}

double BareFrameRate() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 0.0;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window* window = SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth, kHeight,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    double fps = 0.0;
    if (window) {
        if (SDL_GLContext context = SDL_GL_CreateContext(window)) {
            SDL_GL_SetSwapInterval(0);
            glViewport(0, 0, kWidth, kHeight);
            glClearColor(0.0f, 6.0f / 255.0f, 102.0f / 255.0f, 1.0f);
            fps = FramesPerSecond([window] {
                SDL_PumpEvents();
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
                SDL_GL_SwapWindow(window);
            });
            SDL_GL_DeleteContext(context);
        }
        SDL_DestroyWindow(window);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return fps;
}
}  // namespace

int main() {
    double engine = EngineFrameRate();
    double bare = BareFrameRate();
    std::printf("Empty frame at %dx%d, no vertical sync:\n", kWidth, kHeight);
    std::printf("  engine (Video clear + present): %10.1f frames/s\n", engine);
    std::printf("  bare SDL2 + GL clear + swap:    %10.1f frames/s\n", bare);
    if (engine <= 0.0 || bare <= 0.0) {
        std::printf("  ratio: unavailable (a loop could not start)\n");
        return 1;
    }
    std::printf("  ratio engine / bare:            %10.3f\n", engine / bare);
    return 0;
}
