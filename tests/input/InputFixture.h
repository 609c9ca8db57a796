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
#include "support/SdlEvents.h"
#include "support/ShippedFiles.h"
#include "support/TempDir.h"

class InputFixture : public ::testing::Test {
protected:
    void SetUp() override {
        LayOutGameFiles(dir.Path());  // the application's video system loads the scene's meshes
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

    void PushKey(SDL_Scancode key, bool down) { push::Key(window, key, down); }
    void PushMotion(int dx, int dy) { push::Motion(window, dx, dy); }
    void PushWheel(int notches, bool flipped = false) { push::Wheel(window, notches, flipped); }
    void PushButton(Uint8 button, bool down) { push::Button(window, button, down); }
    void PushFocus(bool gained) { push::Focus(window, gained); }

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
