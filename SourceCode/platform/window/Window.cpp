#include "platform/window/Window.h"

#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "platform/common/ErrorLog.h"
#include "platform/window/DisplayLoss.h"

namespace plat {

struct Window {
    SDL_Window* sdl = nullptr;
    std::string className;
    WNDPROC proc = nullptr;
    bool alive = true;
    // Set by a focus loss, cleared by a focus gain.
    bool inBackground = false;
};

namespace {
struct State {
    std::map<std::string, WNDPROC> classes;
    std::vector<std::unique_ptr<Window>> windows;
    std::deque<MSG> messages;
    std::map<int, InputSink> sinks;
    int nextSinkId = 1;
    MessageBoxSink messageBoxSink;
    bool videoStarted = false;
};

State& S() {
    static State state;
    return state;
}

Window* FindBySdlId(Uint32 id) {
    for (auto& w : S().windows)
        if (w->sdl && SDL_GetWindowID(w->sdl) == id) return w.get();
    return nullptr;
}

bool Owns(HWND window) {
    for (auto& w : S().windows)
        if (w.get() == window) return true;
    return false;
}

void Queue(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    if (window && window->alive) S().messages.push_back({window, message, wParam, lParam});
}

void TranslateWindowEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_QUIT:
        // The last window closing: the same as the close box, so the
        // application shuts down in order and exits 0.
        Queue(MainWindow(), WM_CLOSE);
        break;
    case SDL_WINDOWEVENT: {
        Window* w = FindBySdlId(e.window.windowID);
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: Queue(w, WM_CLOSE); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            if (w) w->inBackground = false;
            Queue(w, WM_ACTIVATE, WA_ACTIVE);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            if (w) w->inBackground = true;
            Queue(w, WM_ACTIVATE, WA_INACTIVE);
            Queue(w, WM_KILLFOCUS);
            break;
        case SDL_WINDOWEVENT_ENTER: Queue(w, WM_SETCURSOR); break;
        default: break;
        }
        break;
    }
    case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT) Queue(FindBySdlId(e.button.windowID), WM_LBUTTONUP);
        break;
    default: break;
    }
}

// Every sink registered when the event comes, in the order of registration.
// The walk looks each next sink up afresh, so a sink may add or remove sinks
// (itself too) while the event is handed round: one removed is not called,
// one added waits for the next event, and the one running is a copy that
// outlives its own removal.
void HandToSinks(const SDL_Event& e) {
    auto& sinks = S().sinks;
    const int newest = S().nextSinkId - 1;
    for (auto it = sinks.begin(); it != sinks.end() && it->first <= newest;) {
        const int id = it->first;
        InputSink sink = it->second;
        sink(e);
        it = sinks.upper_bound(id);
    }
}

// A line for the error stream and, when it goes elsewhere, for the terminal
// the game was started from too.
void Tell(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    LogErrorOnTerminalToo(line);
}

// The video drivers SDL falls back to where there is no display at all.
bool IsHeadlessDriver(const char* driver) {
    return !driver || !std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy");
}

void DefaultMessageBox(const std::string& text, const std::string& caption) {
    Tell("%s: %s\n", caption.c_str(), text.c_str());
}
}  // namespace

bool RegisterClassA(const char* className, WNDPROC proc) {
    if (!className || !proc) return false;
    CatchEndSignals();
    if (!S().videoStarted) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            Tell("SDL could not start its video: %s\n", SDL_GetError());
            return false;
        }
        // Where no display exists SDL falls back to drawing nowhere; a game
        // nobody can see is no use. Only a driver asked for by name (the
        // tests ask for the offscreen one) may be headless.
        const char* asked = std::getenv("SDL_VIDEODRIVER");
        if ((!asked || !*asked) && IsHeadlessDriver(SDL_GetCurrentVideoDriver())) {
            Tell("No display to open the game's window on: start it from a desktop session (DISPLAY or "
                 "WAYLAND_DISPLAY set), or with `make run`, which uses Xvfb when there is none.\n");
            SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
            return false;
        }
        S().videoStarted = true;
        EndTheGameWhenTheDisplayGoes();
        // Held for the life of the process, like SDL's video itself: the GL
        // driver is loaded once, not again with every window.
        SDL_GL_LoadLibrary(nullptr);
    }
    return S().classes.emplace(className, proc).second;
}

bool UnregisterClassA(const char* className) {
    if (!className) return false;
    auto cls = S().classes.find(className);
    if (cls == S().classes.end()) return false;
    auto& windows = S().windows;
    for (auto& w : windows) {
        if (w->className != cls->first) continue;
        if (w->sdl) SDL_DestroyWindow(w->sdl);
        w->sdl = nullptr;
        w->alive = false;
    }
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [](const auto& w) { return w->sdl == nullptr; }),
                  windows.end());
    S().messages.clear();
    S().classes.erase(cls);
    ForgetEndSignals();
    // SDL's video and the GL driver stay loaded until the process ends: the
    // driver keeps one-time allocations of its own, and a later class
    // registration (tests start several) would load it all again.
    return true;
}

HWND CreateWindowExA(const char* className, const char* title) {
    if (!className) return nullptr;
    auto cls = S().classes.find(className);
    if (cls == S().classes.end()) return nullptr;
    // The device draws straight into the window when the back buffer has
    // its size, so the window's own framebuffer carries the depth-stencil
    // the device promises. On X11 the pixel format is fixed when the window
    // is made, so it is asked for now.
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_Window* sdl = SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_CENTERED,
                                       SDL_WINDOWPOS_CENTERED, 640, 480,
                                       SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
    if (!sdl) {
        Tell("SDL could not create the window: %s\n", SDL_GetError());
        return nullptr;
    }
    auto w = std::make_unique<Window>();
    w->sdl = sdl;
    w->className = cls->first;
    w->proc = cls->second;
    S().windows.push_back(std::move(w));
    return S().windows.back().get();
}

bool DestroyWindow(HWND window) {
    if (!IsWindow(window)) return false;
    window->alive = false;
    SDL_HideWindow(window->sdl);
    auto& q = S().messages;
    q.erase(std::remove_if(q.begin(), q.end(), [&](const MSG& m) { return m.hwnd == window; }),
            q.end());
    // Sent, not posted, as the system does: the procedure sees it at once.
    if (window->proc) window->proc(window, WM_DESTROY, 0, 0);
    return true;
}

bool InBackground(HWND window) { return Owns(window) && window->inBackground; }

bool IsWindow(HWND window) { return window && Owns(window) && window->alive; }

bool ShowWindow(HWND window, int command) {
    if (!IsWindow(window)) return false;
    bool wasVisible = (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_SHOWN) != 0;
    switch (command) {
    case SW_HIDE: SDL_HideWindow(window->sdl); break;
    case SW_MINIMIZE: SDL_MinimizeWindow(window->sdl); break;
    default: SDL_ShowWindow(window->sdl); break;
    }
    return wasVisible;
}

void PumpEvents() {
    if (!S().videoStarted) return;
    if (TakeEndSignalClose()) {
        // The same as the close box: the game shuts down in order, exit 0.
        Queue(MainWindow(), WM_CLOSE);
    }
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        TranslateWindowEvent(e);
        HandToSinks(e);
    }
}

bool PeekMessageA(MSG* msg, HWND window) {
    PumpEvents();
    auto& q = S().messages;
    for (auto it = q.begin(); it != q.end(); ++it) {
        if (it->hwnd != window) continue;
        if (msg) *msg = *it;
        q.erase(it);
        return true;
    }
    return false;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !IsWindow(msg->hwnd) || !msg->hwnd->proc) return 0;
    return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}

void PostQuitMessage(int) {
    // The thread's quit message: the frame loop only takes messages of its
    // window, so it is never retrieved; the loop ends through IsWindow.
}

void PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Queue(window, message, wParam, lParam);
}

int AddInputSink(InputSink sink) {
    int id = S().nextSinkId++;
    S().sinks.emplace(id, std::move(sink));
    return id;
}

void RemoveInputSink(int id) { S().sinks.erase(id); }

bool HasSystemPointer() { return S().videoStarted && !IsHeadlessDriver(SDL_GetCurrentVideoDriver()); }

void SetCursorVisible(bool visible) {
    if (S().videoStarted) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

SDL_Window* SdlWindowOf(HWND window) { return Owns(window) ? window->sdl : nullptr; }

HWND MainWindow() {
    for (auto it = S().windows.rbegin(); it != S().windows.rend(); ++it)
        if ((*it)->alive) return it->get();
    return nullptr;
}

int MessageBoxA(HWND, const char* text, const char* caption, UINT) {
    std::string t = text ? text : "";
    std::string c = caption ? caption : "Error";
    if (S().messageBoxSink)
        S().messageBoxSink(t, c);
    else
        DefaultMessageBox(t, c);
    return 1;
}

void SetMessageBoxSink(MessageBoxSink sink) { S().messageBoxSink = std::move(sink); }

void UseSystemMessageBoxes() {
    const char* unattended = std::getenv("TOLLYMOP_UNATTENDED");
    if (IsHeadlessDriver(SDL_GetCurrentVideoDriver()) || (unattended && *unattended)) {
        SetMessageBoxSink(nullptr);
        return;
    }
    SetMessageBoxSink([](const std::string& text, const std::string& caption) {
        // Also into the log, since the box leaves no trace once answered (and
        // a box that cannot be shown still leaves the line).
        DefaultMessageBox(text, caption);
        SignalsEndTheGame whileTheBoxIsUp;
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr);
    });
}


}  // namespace plat
