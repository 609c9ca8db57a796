#include "XTestPointer.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {
Display* Server(void* server) { return static_cast<Display*>(server); }
}  // namespace

XTestPointer::XTestPointer(const std::string& display) {
    Display* opened = XOpenDisplay(display.c_str());
    if (!opened) return;
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(opened, &event, &error, &major, &minor)) {
        XCloseDisplay(opened);
        return;
    }
    server = opened;
}

XTestPointer::~XTestPointer() {
    if (server) XCloseDisplay(Server(server));
}

void XTestPointer::MoveTo(int screenX, int screenY) {
    XTestFakeMotionEvent(Server(server), -1, screenX, screenY, CurrentTime);
    XSync(Server(server), False);
}

void XTestPointer::WarpTo(int screenX, int screenY) {
    Display* display = Server(server);
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, screenX, screenY);
    XSync(display, False);
}

void XTestPointer::MoveBy(int dx, int dy) {
    XTestFakeRelativeMotionEvent(Server(server), dx, dy, CurrentTime);
    XSync(Server(server), False);
}

void XTestPointer::Button(int button, bool down) {
    XTestFakeButtonEvent(Server(server), static_cast<unsigned>(button), down ? True : False, CurrentTime);
    XSync(Server(server), False);
}

void XTestPointer::Where(int* screenX, int* screenY) {
    Display* display = Server(server);
    Window root = 0, child = 0;
    int winX = 0, winY = 0;
    unsigned mask = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, screenX, screenY, &winX, &winY, &mask);
}

void XTestPointer::Focus(unsigned long window) {
    Display* display = Server(server);
    XSetInputFocus(display, window ? window : None, RevertToNone, CurrentTime);
    XSync(display, False);
}

unsigned long XTestPointer::XWindowOf(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
    return info.info.x11.window;
}
