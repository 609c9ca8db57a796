#pragma once
// The window part of the platform layer, over SDL2: one window, a message
// pump that turns window events into the few messages the application
// handles, and the message box. Shaped like the Win32 calls the engine was
// designed against, so engine code reads the same.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/window/EndSignals.h"

union SDL_Event;
struct SDL_Window;

namespace plat {

struct Window;
using HWND = Window*;
using HINSTANCE = void*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT = std::uint32_t;

// The messages the application object's window procedure handles.
enum : UINT {
    WM_NULL = 0x0000,
    WM_DESTROY = 0x0002,
    WM_ACTIVATE = 0x0006,
    WM_KILLFOCUS = 0x0008,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_SETCURSOR = 0x0020,
    WM_SYSKEYDOWN = 0x0104,
    WM_SYSKEYUP = 0x0105,
    WM_LBUTTONUP = 0x0202,
};
// Low word of WM_ACTIVATE's wParam.
enum : WPARAM { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };
// ShowWindow commands.
enum : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_MINIMIZE = 6, SW_SHOW = 5 };
enum : UINT { MB_OK = 0 };

struct MSG {
    HWND hwnd = nullptr;
    UINT message = WM_NULL;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// Initialises SDL's video (and events) on first use; false when it cannot.
bool RegisterClassA(const char* className, WNDPROC proc);
// Destroys every window of the class, then lets SDL's video go.
bool UnregisterClassA(const char* className);

// Creates the hidden window. It is made OpenGL-capable, since the video
// system creates its device on it. Null when the class is unknown or SDL
// cannot make a window.
HWND CreateWindowExA(const char* className, const char* title);

// Destroying sends WM_DESTROY and makes IsWindow false at once; the SDL
// window and its GL context stay alive (hidden) until UnregisterClassA, so
// systems that shut down afterwards can still free their GL objects.
bool DestroyWindow(HWND window);
bool IsWindow(HWND window);
// True once the window has lost focus and until it gains it again. A window
// that never had focus (hidden, headless) counts as in the foreground.
bool InBackground(HWND window);
bool ShowWindow(HWND window, int command);

// Takes at most one message of this window (PM_REMOVE). SDL events are
// drained first: window events become queued messages, input events go to
// the input sinks so that none is ever lost between polls.
bool PeekMessageA(MSG* msg, HWND window);
LRESULT DispatchMessageA(const MSG* msg);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Posts WM_QUIT to the thread queue, which PeekMessageA(window) never takes.
void PostQuitMessage(int exitCode);
// Queues a message for the window as if the system had sent it.
void PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Drains SDL's event queue into the window messages and the input sinks.
void PumpEvents();
// Input devices register here to receive every key, mouse and text event.
using InputSink = std::function<void(const SDL_Event&)>;
int AddInputSink(InputSink sink);
void RemoveInputSink(int id);

// False on the drivers that draw nowhere (offscreen, dummy): no pointer of
// the system's is there to follow, hide or confine.
bool HasSystemPointer();

// Hides or shows the system mouse cursor over the window.
void SetCursorVisible(bool visible);

// The SDL window behind a handle, for the rest of the platform layer only.
SDL_Window* SdlWindowOf(HWND window);
// The window that was created last and not yet unregistered (or null).
HWND MainWindow();

// A modal box in the game; a line in the error stream in tests and wherever
// there is no display. Returns the button pressed (IDOK = 1).
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
using MessageBoxSink = std::function<void(const std::string& text, const std::string& caption)>;
// Replaces where message boxes go; an empty sink restores the default line in
// the error stream.
void SetMessageBoxSink(MessageBoxSink sink);
// Installs the real SDL box when there is a display that a user can answer
// (not on a headless driver, nor when TOLLYMOP_UNATTENDED is set, as `make
// run` does under its own Xvfb). While such a box is up, the end signals
// end the process at once with status 1.
void UseSystemMessageBoxes();

}  // namespace plat
