#pragma once
// A real window under SDL's offscreen driver, a timer on an injected clock
// and helpers that push SDL events the way the system would deliver them.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>

#include "core/DIva.h"
#include "core/Timer.h"
#include "input/Input.h"
#include "platform/window/Clock.h"
#include "platform/window/Window.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempDir.h"

class InputFixture : public ::testing::Test {
protected:
    void SetUp() override {
        dir.LinkAssets();  // the application's video system loads the scene's meshes
        ASSERT_TRUE(plat::RegisterClassA("InputTestClass", [](plat::HWND w, plat::UINT m, plat::WPARAM p,
                                                             plat::LPARAM l) -> plat::LRESULT {
            return plat::DefWindowProcA(w, m, p, l);
        }));
        window = plat::CreateWindowExA("InputTestClass", "input test");
        ASSERT_NE(window, nullptr);
        plat::SetClockSource([this] { return now; });
        pair.window = window;
    }
    void TearDown() override {
        plat::SetClockSource(nullptr);
        plat::UnregisterClassA("InputTestClass");
    }

    std::uint32_t WindowId() const { return SDL_GetWindowID(plat::SdlWindowOf(window)); }

    void PushKey(SDL_Scancode key, bool down) {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = WindowId();
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.scancode = key;
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
    void PushWheel(int notches, bool flipped = false) {
        SDL_Event e{};
        e.type = SDL_MOUSEWHEEL;
        e.wheel.windowID = WindowId();
        e.wheel.y = notches;
        e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
        SDL_PushEvent(&e);
    }
    void PushButton(Uint8 button, bool down) {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = WindowId();
        e.button.button = button;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        SDL_PushEvent(&e);
    }
    void PushFocus(bool gained) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = WindowId();
        e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
        SDL_PushEvent(&e);
    }

    // One frame as the game runs it: events drained, the timer advanced by
    // ms, then the input polled.
    void Frame(Input& input, std::uint32_t ms = 0) {
        plat::PumpEvents();
        now += ms;
        if (timer.IsInitialized()) timer.Update();
        input.Update();
    }

    bool StartInput(Input& input) { return input.Init(&pair, nullptr); }

    plat::HWND window = nullptr;
    WindowPair pair;
    Timer timer;
    std::uint32_t now = 1000;
    MessageBoxRecorder boxes;
    ScopedTempDir dir;
};
