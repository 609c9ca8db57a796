#pragma once
// Placing the application window on the desktop, shaped like the Win32
// calls the video system was designed against (SetWindowPos and the
// desktop window's client rectangle).
#include "platform/gfx/D3DTypes.h"
#include "platform/window/Window.h"

namespace plat {

enum : UINT { SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_SHOWWINDOW = 0x0040 };

// The desktop of display 0 as a client rectangle: (0, 0, width, height).
// False when SDL knows no display.
bool GetDesktopClientRect(RECT* rect);

// Moves and sizes the window. x, y and the sizes are those of the whole
// window, frame and caption included, as far as the window system reports
// its frame; SWP_SHOWWINDOW also shows it. The insert-after handle is
// accepted for its shape and ignored (there is one window).
bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);

// The whole window's rectangle on the desktop, frame included.
bool GetWindowRect(HWND window, RECT* rect);

}  // namespace plat
