#include "platform/window/WindowPlacement.h"

#include <SDL.h>

namespace plat {
namespace {
struct Frame {
    int top = 0, left = 0, bottom = 0, right = 0;
};

// Headless and some window systems report no frame: then the window is all
// client area.
Frame FrameOf(SDL_Window* sdl) {
    Frame f;
    if (SDL_GetWindowBordersSize(sdl, &f.top, &f.left, &f.bottom, &f.right) != 0) f = Frame{};
    return f;
}
}  // namespace

bool GetDesktopClientRect(RECT* rect) {
    if (!rect) return false;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return false;
    *rect = RECT{0, 0, mode.w, mode.h};
    return true;
}

bool SetWindowPos(HWND window, HWND, int x, int y, int width, int height, UINT flags) {
    SDL_Window* sdl = SdlWindowOf(window);
    if (!sdl) return false;
    Frame f = FrameOf(sdl);
    if (!(flags & SWP_NOSIZE)) {
        int clientW = width - f.left - f.right, clientH = height - f.top - f.bottom;
        SDL_SetWindowSize(sdl, clientW > 0 ? clientW : 1, clientH > 0 ? clientH : 1);
    }
    if (!(flags & SWP_NOMOVE)) SDL_SetWindowPosition(sdl, x + f.left, y + f.top);
    if (flags & SWP_SHOWWINDOW) ShowWindow(window, SW_SHOWNORMAL);
    return true;
}

bool GetWindowRect(HWND window, RECT* rect) {
    SDL_Window* sdl = SdlWindowOf(window);
    if (!sdl || !rect) return false;
    Frame f = FrameOf(sdl);
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(sdl, &x, &y);
    SDL_GetWindowSize(sdl, &w, &h);
    *rect = RECT{x - f.left, y - f.top, x + w + f.right, y + h + f.bottom};
    return true;
}

}  // namespace plat
