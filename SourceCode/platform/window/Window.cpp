#include "platform/window/Window.h"

#include <SDL.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "platform/common/ErrorLog.h"

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
    int terminal = -1;
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

// SIGINT and SIGTERM: the window is closed at the next look at the events,
// and a script that is running is broken off at once, since it may never
// return to let that look happen.
volatile std::sig_atomic_t endSignalled = 0;
volatile std::sig_atomic_t closePending = 0;
std::atomic<void (*)()> scriptInterrupt{nullptr};
static_assert(std::atomic<void (*)()>::is_always_lock_free);
pthread_t mainThread;

void OnEndSignal(int signal) {
    const int savedErrno = errno;
    // The process's signal may land on any thread (the GL driver's, the
    // sound's); the main thread must get it, to wake from a sleep too.
    if (!pthread_equal(pthread_self(), mainThread)) {
        pthread_kill(mainThread, signal);
    } else {
        endSignalled = 1;
        closePending = 1;
        if (void (*interrupt)() = scriptInterrupt.load()) interrupt();
    }
    errno = savedErrno;
}

// A line for the error stream and, when it goes elsewhere, for the terminal
// the game was started from too.
void Tell(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    LogError(line);
    if (S().terminal >= 0) {
        ssize_t ignored = ::write(S().terminal, line, std::strlen(line));
        (void)ignored;
    }
}

// The video drivers SDL falls back to where there is no display at all.
bool IsHeadlessDriver(const char* driver) {
    return !driver || !std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy");
}

// While a system message box waits for a click, SIGINT and SIGTERM end the
// game at once with the fatal exit status (the box is up because a fatal
// error happened). SDL shows the box from a child process on X11, which must
// not outlive the game, so the game's children are killed first. Only
// async-signal-safe calls here.
void KillChildrenAndExit(int) {
    char path[64] = "/proc/self/task/";
    char digits[16];
    int count = 0;
    for (long pid = long(::getpid()); pid > 0 && count < 15; pid /= 10) digits[count++] = char('0' + pid % 10);
    std::size_t at = std::strlen(path);
    while (count > 0) path[at++] = digits[--count];
    std::memcpy(path + at, "/children", 10);
    int fd = ::open(path, O_RDONLY);
    if (fd >= 0) {
        char pids[512];
        ssize_t n = ::read(fd, pids, sizeof pids);
        ::close(fd);
        long pid = 0;
        for (ssize_t i = 0; i <= n; ++i) {
            if (i < n && pids[i] >= '0' && pids[i] <= '9') {
                pid = pid * 10 + (pids[i] - '0');
                continue;
            }
            if (pid > 0) ::kill(pid_t(pid), SIGKILL);
            pid = 0;
        }
    }
    ::_exit(1);
}

// SIGINT and SIGTERM end the game for as long as the object lives.
class SignalsEndTheGame {
public:
    SignalsEndTheGame() {
        struct sigaction action {};
        action.sa_handler = KillChildrenAndExit;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGTERM, &action, &oldTerm);
        ::sigaction(SIGINT, &action, &oldInt);
    }
    ~SignalsEndTheGame() {
        ::sigaction(SIGTERM, &oldTerm, nullptr);
        ::sigaction(SIGINT, &oldInt, nullptr);
    }
    SignalsEndTheGame(const SignalsEndTheGame&) = delete;
    SignalsEndTheGame& operator=(const SignalsEndTheGame&) = delete;

private:
    struct sigaction oldTerm {};
    struct sigaction oldInt {};
};

void DefaultMessageBox(const std::string& text, const std::string& caption) {
    Tell("%s: %s\n", caption.c_str(), text.c_str());
}
}  // namespace

void CatchEndSignals() {
    static bool caught = false;
    if (caught) return;
    caught = true;
    // SDL's own handlers only queue a quit event, which a hung script never
    // lets anyone read.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    mainThread = pthread_self();
    for (int signal : {SIGINT, SIGTERM}) {
        struct sigaction current {};
        ::sigaction(signal, nullptr, &current);
        // A signal the parent chose to ignore (a background job) stays so.
        if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = OnEndSignal;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

bool EndSignalled() { return endSignalled != 0; }

void SetScriptInterrupt(void (*interrupt)()) { scriptInterrupt.store(interrupt); }

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
    endSignalled = 0;
    closePending = 0;
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
    if (closePending) {
        closePending = 0;
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

void EchoToTerminal(int fd) { S().terminal = fd; }

}  // namespace plat
