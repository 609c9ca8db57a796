#include "core/WinMain.h"

#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/Random.h"
#include "core/eTable.h"
#include "Video/Video.h"
#include "input/Input.h"
#include "platform/common/ErrorLog.h"
#include "platform/window/Clock.h"
#include "platform/window/EndSignals.h"

namespace {
constexpr char kClassName[] = "MyWndClass";
constexpr char kTitle[] = "Tollymop";
// The process's status when the game could not start or ended on a fatal
// error; a game that ends by closing its window or on a quit request gives 0.
// (The loop takes only its window's messages, never a thread quit message
// with a code of its own.)
constexpr int kExitFailure = 1;
constexpr char kErrorFile[] = "err.txt";

// The input system gives its mouse back when the window goes to the
// background and takes a fresh one when it comes back. A click that merely
// activates the window changes nothing.
void OnActivate(plat::HWND window, plat::WPARAM wParam) {
    DIva* app = GetDIva();
    if (!app || !app->IsInitialized()) return;
    auto* input = static_cast<Input*>(eTable::Peek(names::Input));
    if (!input) return;
    switch (wParam & 0xFFFF) {
    case plat::WA_ACTIVE:
        input->ReleaseMouse();
        input->CreateMouse(window);
        break;
    case plat::WA_INACTIVE: input->ReleaseMouse(); break;
    default: break;
    }
}

// The video system when it runs; messages may come before it exists.
Video* RunningVideo() { return static_cast<Video*>(eTable::Peek(names::Video)); }
}  // namespace

plat::LRESULT WndProc(plat::HWND window, plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) {
    using namespace plat;
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_ACTIVATE:
        OnActivate(window, wParam);
        return 0;
    case WM_KILLFOCUS:
        // A full-screen game that loses the focus gets out of the way.
        if (Video* video = RunningVideo(); video && !video->Settings().present.Windowed)
            ShowWindow(window, SW_MINIMIZE);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_SETCURSOR:
    case WM_LBUTTONUP:
        // No system cursor over the game: the game draws its own.
        SetCursorVisible(false);
        if (Video* video = RunningVideo(); video && video->Device()) video->Device()->ShowCursor(TRUE);
        return 1;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int WinMain(plat::HINSTANCE instance) {
    using namespace plat;
    // First of all, so that err.txt is emptied at every start and says why
    // a start failed; its end comes last, after every system's.
    const plat::ErrorLogFile errorLog(kErrorFile);
    // The window layer has already said why, on the terminal too.
    if (!RegisterClassA(kClassName, WndProc)) return kExitFailure;
    HWND window = CreateWindowExA(kClassName, kTitle);
    if (!window) {
        UnregisterClassA(kClassName);
        return kExitFailure;
    }
    UseSystemMessageBoxes();
    // The game's own end is bounded as an end signal's is: a script's exit
    // handler or worker process cannot keep it.
    BoundTheGamesOwnEnd();

    bool endedByError = false;
    {
        DIva app;
        WindowPair pair{window, instance};
        app.Init(&pair, nullptr);
        // Seeded only now, as the game always was: everything inside Init
        // sees the default seed. The wall clock makes every run differ.
        Random::SeedFromWallClock();

        MSG msg;
        while (app.IsInitialized() && IsWindow(window)) {
            if (PeekMessageA(&msg, window)) DispatchMessageA(&msg);
            app.Update();
        }
        app.Shutdown();
        // A fatal error (at start or in a frame) keeps its text to the end.
        endedByError = !app.ErrorText().empty();
        // The window and its GL context outlive every system that used them.
    }
    UnregisterClassA(kClassName);
    return endedByError ? kExitFailure : 0;
}
