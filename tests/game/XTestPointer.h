#pragma once
// A pointer driven through the XTest extension of an X server, as xdotool
// drives one: absolute moves to screen pixels and button presses (and warps,
// xdotool's own way of moving it). Kept apart
// from the engine's headers, which Xlib's names would clash with.
#include <string>

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

private:
    void* server = nullptr;
};
