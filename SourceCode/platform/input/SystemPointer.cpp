#include "platform/input/SystemPointer.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <dlfcn.h>

namespace plat {

namespace {

#if defined(SDL_VIDEO_DRIVER_X11)
// Xlib's XQueryPointer, from the library SDL has loaded: the game needs
// nothing else of it.
using QueryPointer = int (*)(Display*, ::Window, ::Window*, ::Window*, int*, int*, int*, int*, unsigned*);

QueryPointer XlibQueryPointer() {
    static const QueryPointer query = [] {
        void* xlib = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
        if (!xlib) return QueryPointer{};
        auto found = reinterpret_cast<QueryPointer>(::dlsym(xlib, "XQueryPointer"));
        // SDL holds its own reference for as long as its video runs.
        ::dlclose(xlib);
        return found;
    }();
    return query;
}

bool AskTheXServer(SDL_Window* window, int* x, int* y) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    const QueryPointer query = XlibQueryPointer();
    if (!query) return false;
    ::Window root = 0, child = 0;
    int windowX = 0, windowY = 0;
    unsigned mask = 0;
    return query(info.info.x11.display, info.info.x11.window, &root, &child, x, y, &windowX, &windowY, &mask) != 0;
}
#else
bool AskTheXServer(SDL_Window*, int*, int*) { return false; }
#endif

}  // namespace

void PointerOnDesktop(SDL_Window* window, int* x, int* y) {
    if (!AskTheXServer(window, x, y)) SDL_GetGlobalMouseState(x, y);
}

void PutPointerOnDesktop(int x, int y) { SDL_WarpMouseGlobal(x, y); }

}  // namespace plat
