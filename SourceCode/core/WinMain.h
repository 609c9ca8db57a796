#pragma once
#include "platform/window/Window.h"

// The window procedure of the game's window: turns the few messages the
// application cares about into actions on its systems.
plat::LRESULT WndProc(plat::HWND window, plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam);

// The entry point: registers the window class, creates the window, sends the
// error stream to "err.txt", runs the application until it ends and returns
// the process's exit code: 0 after a normal end, 1 when the window could not
// be made or a fatal error ended the game.
int WinMain(plat::HINSTANCE instance);
