#pragma once
// The game's window class ("MyWndClass" with the game's window procedure)
// and one hidden window, for the life of the object. Declare it before the
// systems under test, so that they are shut down while the window exists.
#include "core/WinMain.h"
#include "platform/gfx/Direct3D.h"
#include "platform/window/Window.h"

class GameWindow {
public:
    GameWindow() {
        // Tests read the frame after Present.
        plat::KeepPresentedFrames(true);
        if (plat::RegisterClassA(kClass, WndProc)) window = plat::CreateWindowExA(kClass, "Tollymop");
    }
    ~GameWindow() { plat::UnregisterClassA(kClass); }
    GameWindow(const GameWindow&) = delete;
    GameWindow& operator=(const GameWindow&) = delete;

    plat::HWND Handle() const { return window; }

private:
    static constexpr const char* kClass = "MyWndClass";
    plat::HWND window = nullptr;
};
