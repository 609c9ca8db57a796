#pragma once
// A pointer driven through the XTest extension of an X server, as xdotool
// drives one: absolute moves to screen pixels and button presses (and warps,
// xdotool's own way of moving it). Kept apart
// from the engine's headers, which Xlib's names would clash with.
#include <string>

struct SDL_Window;

class XTestPointer {
public:
    // Connects to the display; ok() is false when it or XTest is missing.
    explicit XTestPointer(const std::string& display);
    ~XTestPointer();
    XTestPointer(const XTestPointer&) = delete;
    XTestPointer& operator=(const XTestPointer&) = delete;

    bool ok() const { return server != nullptr; }
    // Each returns once the server has taken the event.
    void MoveTo(int screenX, int screenY);
    // Puts the pointer on a screen pixel as xdotool's mousemove does: a warp,
    // which moves it without any device's motion.
    void WarpTo(int screenX, int screenY);
    // A mouse's movement, as xdotool's mousemove_relative sends it.
    void MoveBy(int dx, int dy);
    void Button(int button, bool down);
    // Where the pointer is on the screen.
    void Where(int* screenX, int* screenY);
    // Gives the keyboard's focus to an X window (0: to none), as a window
    // manager does when the person picks another window and back.
    void Focus(unsigned long window);
    // The X window behind an SDL window (0 when it is none).
    static unsigned long XWindowOf(SDL_Window* window);

private:
    void* server = nullptr;
};
