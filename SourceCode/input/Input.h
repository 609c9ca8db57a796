#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "core/System.h"
#include "platform/input/DirectInput.h"

// One key press of a poll: the key, and whether a Shift key was down at the
// moment it went down (not at the poll: several keys may come in one).
struct KeyPress {
    std::uint8_t key;
    bool shift;
};

// Reads the keyboard and the mouse once a frame and keeps per-key held,
// triggered and down flags, running totals of mouse movement and wheel,
// mouse-button flags and button hold times.
//
// Every key query names an input stream (0 the game, 1 the editors, 2 the
// open console) and answers only when that stream is the current one: this
// is how keyboard focus passes between them without any knowing the others.
class Input : public System {
public:
    static constexpr int kKeyCount = 256;
    static constexpr int kEventRoom = 16;

    Input() = default;
    ~Input() override;

    // a points to the application's WindowPair; b is unused.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    // Children first (bindings fire on the previous poll's flags), then one
    // poll of the keyboard and the mouse.
    bool Update() override;
    bool Shutdown() override;

    // True once per key press, to the first asker on the current stream.
    bool IsKeyTriggered(std::uint8_t key, std::int32_t stream);
    bool IsKeyDown(std::uint8_t key, std::int32_t stream) const;
    // The presses of the last poll in the order they were made, a key pressed
    // twice there twice; empty for a stream that is not current. Reading them
    // takes nothing: an asker takes a key with IsKeyTriggered, as ever.
    std::span<const KeyPress> Presses(std::int32_t stream) const;
    // Whether the last poll saw key go down. A key held since before a
    // stream switch is triggered again by the next poll without being
    // pressed again: this tells the two apart.
    bool WasPressed(std::uint8_t key) const;
    std::int32_t GetStream() const { return stream; }
    // Clears every held and triggered flag and the presses, so keys held
    // now trigger again on the new stream at the next poll.
    void SetStream(std::int32_t newStream);
    void ClearKeys();

    // The window procedure gives the mouse back when the window is
    // deactivated and takes it again when it is activated.
    bool CreateMouse(plat::HWND window);
    void ReleaseMouse();
    bool HasMouse() const { return mouse != nullptr; }

    // Running totals since Init, never reset: readers keep the value they saw
    // last and use the difference.
    std::int32_t MouseX() const { return mouseX; }
    std::int32_t MouseY() const { return mouseY; }
    std::int32_t MouseWheel() const { return mouseWheel; }
    // While the game draws its own cursor, the mouse follows the system's
    // pointer where it is; hidden, it gives raw movement for steering (see
    // IDirectInputDevice8A::FollowPointer). Kept across a new mouse.
    void FollowPointer(bool follow);
    // While the cursor is hidden, the system's pointer is kept where the
    // cursor is (fractions of the viewport), so that the cursor shows again
    // where the pointer is (see IDirectInputDevice8A::KeepHiddenPointerAt).
    void KeepHiddenPointerAt(float x, float y);
    // Where the system's pointer is in the window, when the last poll knew
    // (see IDirectInputDevice8A::PointerPlacement).
    bool PointerPlacement(plat::PointerSpot* spot) const {
        if (!pointerPlaced || !spot) return false;
        *spot = pointerSpot;
        return true;
    }
    bool LeftButton() const { return leftButton; }
    bool RightButton() const { return rightButton; }
    bool MiddleButton() const { return middleButton; }
    // Mouse conditions take a click once by clearing the flag.
    void ClearLeftButton() { leftButton = 0; }
    void ClearRightButton() { rightButton = 0; }
    // Seconds the button has been held, by the timer's (pause-aware) clock.
    float LeftHeldTime() const { return leftHeldTime; }
    float RightHeldTime() const { return rightHeldTime; }

private:
    bool CreateKeyboard(plat::HWND window);
    // Creation steps shared by both devices; the device is released and
    // cleared when any step fails.
    bool CreateDevice(const plat::GUID& kind, DWORD cooperation, const plat::DIDATAFORMAT& format,
                      plat::HWND window, plat::IDirectInputDevice8A*& device);
    void PollKeyboard();
    void PollMouse();
    // Takes every queued event of the device, in order; false when the read
    // failed.
    bool DrainEvents(plat::IDirectInputDevice8A* device, void (Input::*apply)(const plat::DIDEVICEOBJECTDATA&));
    void ApplyKeyEvent(const plat::DIDEVICEOBJECTDATA& event);
    // Turns the poll's key events into its presses, each with its Shift.
    void RecordPresses();
    // Whether key was down before the poll's first event.
    bool DownBeforeEvents(std::uint8_t key) const;
    // Applies a mouse event, or keeps it for the next poll.
    void TakeMouseEvent(const plat::DIDEVICEOBJECTDATA& event);
    void ApplyMouseEvent(const plat::DIDEVICEOBJECTDATA& event);
    void ReleaseDevices();

    plat::IDirectInput8A* directInput = nullptr;
    std::int32_t stream = 0;
    plat::IDirectInputDevice8A* mouse = nullptr;
    plat::IDirectInputDevice8A* keyboard = nullptr;
    std::uint8_t held[kKeyCount] = {};
    std::uint8_t triggered[kKeyCount] = {};
    plat::DIDEVICEOBJECTDATA events[kEventRoom] = {};  // of the last read
    DWORD eventCount = 0;
    struct KeyEvent {
        std::uint8_t key;
        bool down;
    };
    std::vector<KeyEvent> keyEvents;  // of the last poll, in order
    std::vector<KeyPress> presses;    // of the last poll, in order
    // Mouse events kept for the next poll, in order, and the buttons whose
    // press was applied since the last poll.
    std::vector<plat::DIDEVICEOBJECTDATA> waitingMouseEvents;
    std::array<bool, 3> pressedSincePoll{};
    std::int32_t mouseX = 0;
    std::int32_t mouseY = 0;
    std::int32_t mouseWheel = 0;
    bool followPointer = false;
    bool pointerPlaced = false;
    plat::PointerSpot pointerSpot;
    std::uint8_t leftButton = 0;
    std::uint8_t rightButton = 0;
    std::uint8_t middleButton = 0;
    float leftHeldTime = 0.0f;
    float rightHeldTime = 0.0f;
    std::uint8_t keyState[kKeyCount] = {};
};
