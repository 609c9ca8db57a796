#pragma once
// The whole game as it starts without scripts, in a scratch directory with
// the repository's assets, on a clock the test drives; mouse buttons and
// motion go in as SDL events, as a person's would.
#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Video/Video.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/gfx/Direct3D.h"
#include "platform/window/Clock.h"
#include "platform/window/Window.h"
#include "support/GameWindow.h"
#include "support/MessageBoxRecorder.h"
#include "support/Screenshot.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"
#include "world/GameObjectsMan.h"

class GameRun {
public:
    GameRun() {
        dir.LinkAssets();
        WriteWindowedSettings({.width = 320,
                               .height = 240,
                               .backBufferWidth = 320,
                               .backBufferHeight = 240,
                               .behavior = "HARDWARE",
                               .clearColor = "0 0 0"});
        plat::SetClockSource([this] { return now; });
        DIva::ResetStartedFlagForTests();
        WindowPair pair{window.Handle(), nullptr};
        started = app.Init(&pair);
        objects = static_cast<GameObjectsMan*>(eTable::Peek(names::GameObjectsMan));
    }
    ~GameRun() {
        app.Shutdown();
        plat::SetClockSource(nullptr);
    }
    GameRun(const GameRun&) = delete;
    GameRun& operator=(const GameRun&) = delete;

    bool ok() const { return started && objects; }

    // One frame of 16 ms as the entry point runs it.
    void Frame() {
        plat::PumpEvents();
        now += 16;
        app.Update();
    }
    void PushButton(Uint8 button, bool down) {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = WindowId();
        e.button.button = button;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        SDL_PushEvent(&e);
    }
    void PushMotion(int dx, int dy) {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = WindowId();
        e.motion.xrel = dx;
        e.motion.yrel = dy;
        SDL_PushEvent(&e);
    }
    void Screenshot(const std::string& name) {
        std::vector<D3DCOLOR> pixels;
        UINT width = 0, height = 0;
        eTable::Find<Video>(names::Video)->Device()->ReadBackBuffer(&pixels, &width, &height);
        saved.push_back(SaveScreenshot(pixels, width, "world", name).string());
    }

    std::uint32_t now = 1000;
    ScopedTempDir dir;
    MessageBoxRecorder boxes;
    GameWindow window;
    DIva app;
    GameObjectsMan* objects = nullptr;
    std::vector<std::string> saved;

private:
    std::uint32_t WindowId() const { return SDL_GetWindowID(plat::SdlWindowOf(window.Handle())); }
    bool started = false;
};
