#pragma once
// The keyboard and mouse part of the platform layer, over SDL2, shaped like
// the DirectInput 8 calls the engine was designed against: an interface that
// creates devices, and devices that take a cooperative level, a data format
// and a buffer size, are acquired and then read.
//
// The keyboard is a 256-byte state indexed by key code (bit 7 = down), built
// from SDL's key events. The mouse is a queue of relative events: X and Y
// (down is positive), the wheel at 120 a notch, buttons 0, 1 and 2 for left,
// right and middle (value bit 7 = down). Both learn of events through the
// window layer's input sinks, so tests can push SDL events.
//
// A tap shorter than the time between two polls is not lost: a key or button
// pressed since the last poll reads down in this poll even when its release
// came too, and up in the next (unless pressed again). For the mouse a poll
// is a run of reads up to one that hands out fewer events than asked for;
// the held-back release comes first in the next poll, after any movement
// that came later (events of one button keep their order).
//
// Foreground devices lose their input when their window loses focus: the
// keyboard then reads every key as up, the mouse queues a release for every
// button it saw held, and reads fail with DIERR_INPUTLOST until Acquire
// succeeds again, which it does once the window has focus back.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

#include "platform/common/ComTypes.h"
#include "platform/input/DirectInputKeys.h"
#include "platform/window/Window.h"

union SDL_Event;

namespace plat {

inline constexpr HRESULT DI_OK = 0;
// Acquire of an acquired device, Unacquire of one that is not.
inline constexpr HRESULT DI_NOEFFECT = 1;
inline constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006u);
inline constexpr HRESULT DIERR_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT DIERR_GENERIC = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT DIERR_OTHERAPPHASPRIO = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT DIERR_NOTACQUIRED = static_cast<HRESULT>(0x8007000Cu);
inline constexpr HRESULT DIERR_INPUTLOST = static_cast<HRESULT>(0x8007001Eu);
inline constexpr HRESULT DIERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT DIERR_ACQUIRED = static_cast<HRESULT>(0x800700AAu);
inline constexpr HRESULT DIERR_NOTBUFFERED = static_cast<HRESULT>(0x80040207u);
inline constexpr HRESULT DIERR_DEVICENOTREG = static_cast<HRESULT>(0x80040154u);

inline constexpr DWORD DIRECTINPUT_VERSION = 0x0800;

// Interface, device and property identifiers.
struct GUID {
    std::uint32_t id;
    friend constexpr bool operator==(const GUID&, const GUID&) = default;
};
inline constexpr GUID IID_IDirectInput8A{0x0800};
inline constexpr GUID GUID_SysKeyboard{1};
inline constexpr GUID GUID_SysMouse{2};
inline constexpr GUID DIPROP_BUFFERSIZE{0x100};

// Cooperative levels.
enum : DWORD {
    DISCL_EXCLUSIVE = 0x01,
    DISCL_NONEXCLUSIVE = 0x02,
    DISCL_FOREGROUND = 0x04,
    DISCL_BACKGROUND = 0x08,
    DISCL_NOWINKEY = 0x10,
};

// A data format names the state record a device delivers.
struct DIDATAFORMAT {
    DWORD dwDataSize;
};
inline constexpr DIDATAFORMAT c_dfDIKeyboard{256};
// The mouse's immediate state (three axes, four buttons); this platform's
// mouse is read buffered only, but takes the format to know what it is.
inline constexpr DIDATAFORMAT c_dfDIMouse{16};

enum : DWORD { DIPH_DEVICE = 0, DIPH_BYOFFSET = 1 };
struct DIPROPHEADER {
    DWORD dwSize;
    DWORD dwHeaderSize;
    DWORD dwObj;
    DWORD dwHow;
};
struct DIPROPDWORD {
    DIPROPHEADER diph;
    DWORD dwData;
};

// One buffered event: which part of the device changed (its offset in the
// state record) and its new value or, for an axis, the relative movement.
struct DIDEVICEOBJECTDATA {
    DWORD dwOfs;
    DWORD dwData;
    DWORD dwTimeStamp;
    DWORD dwSequence;
    std::uintptr_t uAppData;
};
enum : DWORD {
    DIMOFS_X = 0,
    DIMOFS_Y = 4,
    DIMOFS_Z = 8,
    DIMOFS_BUTTON0 = 12,
    DIMOFS_BUTTON1 = 13,
    DIMOFS_BUTTON2 = 14,
};
// GetDeviceData flag: deliver without removing.
enum : DWORD { DIGDD_PEEK = 1 };

class IDirectInput8A;

// A spot of the window's client area, in pixels, with the client's size.
struct PointerSpot {
    int x = 0, y = 0;
    int width = 0, height = 0;
};

// Released like every platform object; the last Release frees the device,
// unacquired first.
class IDirectInputDevice8A : public RefCounted {
public:

    // Exactly one of exclusive/non-exclusive and one of foreground/background.
    // An exclusive mouse hides the system cursor and takes relative mouse
    // mode while acquired (where the video driver refuses relative mode,
    // events still come, and acquiring still succeeds).
    HRESULT SetCooperativeLevel(HWND window, DWORD flags);
    HRESULT SetDataFormat(const DIDATAFORMAT* format);
    // DIPROP_BUFFERSIZE, device-wide, makes the device buffered. The buffer
    // grows as needed: no event is ever dropped. Past a generous length,
    // movement is folded into the last queued movement of the same axis.
    HRESULT SetProperty(const GUID& property, const DIPROPHEADER* header);
    HRESULT Acquire();
    HRESULT Unacquire();

    // The keyboard's 256-byte state. E_NOTIMPL for the mouse.
    HRESULT GetDeviceState(DWORD size, void* data);
    // Up to *count queued events, oldest first; *count says how many came.
    // Mouse events are movements and buttons; keyboard events are presses
    // and releases, the key code as offset and bit 7 set for a press (a key
    // held down sends no repeats). Events queued before the input was lost
    // are still handed out; only an empty queue reports the loss.
    HRESULT GetDeviceData(DWORD objectSize, DIDEVICEOBJECTDATA* data, DWORD* count, DWORD flags);

    // While the game draws its own pointer, an exclusive mouse follows the
    // system's pointer out of relative mode: each motion is the pointer's
    // movement and says where it is, whatever moved it (a mouse, a VM's
    // tablet, VNC, XTest, a warp as xdotool's mousemove makes). Otherwise
    // (steering) it takes relative mode for raw movement. Drivers that
    // refuse relative mode have no system pointer: nothing changes there.
    void FollowPointer(bool follow);
    // Where the system's pointer was last seen in the window's client area
    // (in pixels, with the client's size) when it was followed, or when a
    // pointer that reports positions moved it in relative mode: the game
    // draws its cursor there. Entering relative mode places it where the
    // pointer is then. False after a mouse's raw movement and before any
    // such motion.
    bool PointerPlacement(PointerSpot* spot) const;
    // While the game's cursor is hidden (relative mode), the system's
    // pointer is the game's: it is kept where the cursor is (x, y the
    // cursor's place as fractions of the window's client area), so that the
    // cursor shows again where the pointer is, and the pointer stays where
    // it is then. Movement moves the cursor in its own unit, which need not
    // be the window's pixel.
    void KeepHiddenPointerAt(float x, float y);

    // Queued events not yet read (for tests and diagnostics).
    std::size_t PendingEvents() const { return queue.size(); }

private:
    friend class IDirectInput8A;
    enum class Kind { Keyboard, Mouse };
    explicit IDirectInputDevice8A(Kind kind);
    ~IDirectInputDevice8A() override;

    void OnEvent(const SDL_Event& e);
    void OnKey(int sdlScancode, bool down);
    void OnFocusLost();
    DWORD HandOut(DIDEVICEOBJECTDATA* data, DWORD room, bool remove);
    void Queue(DWORD offset, DWORD data);
    // A signed movement in two's complement, as events carry it.
    void QueueMovement(DWORD offset, DWORD amount);
    // Relative mode's movement, kept aside until the next read settles it.
    void QueueRawMotion(int x, int y);
    // In relative mode SDL hands on a pointer's raw values as movement. An
    // absolute pointer (a VM's tablet, VNC, XTest) sends positions there:
    // when the last raw value is where the system's pointer now stands (or
    // would, kept inside the window), the values were positions, and each
    // becomes its distance from the one before, as DirectInput reports such
    // a pointer.
    void SettleMotion();
    bool RawValuesWerePositions(int pointerX, int pointerY) const;
    void NoticeWarp();
    // Records the system's pointer, at screen pixel (x, y), as placed.
    void PlacedAt(int x, int y);
    void FollowedTo(int windowX, int windowY);
    void PlaceInWindow(SDL_Window* sdlWindow, int x, int y);
    // The game's window and its top-left corner on the desktop; null when
    // it is gone.
    SDL_Window* WindowAt(int& left, int& top) const;
    void ApplyPointerMode();
    void EnterRelativeMode();
    void LeaveRelativeMode();
    bool InForeground() const;
    void TakeMouse();
    void GiveBackMouse();
    HRESULT ReadFailure() const { return lost ? DIERR_INPUTLOST : DIERR_NOTACQUIRED; }

    Kind kind;
    int sinkId = 0;
    HWND window = nullptr;
    std::uint32_t sdlWindowId = 0;
    DWORD cooperation = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    bool formatSet = false;
    DWORD bufferSize = 0;
    bool acquired = false;
    bool lost = false;
    bool mouseTaken = false;
    std::uint8_t keys[256] = {};
    // Keys pressed while acquired since the last GetDeviceState.
    bool pressedSincePoll[256] = {};
    bool buttonDown[3] = {};
    // Buttons whose press the current poll has handed out.
    std::array<bool, 3> pressedThisPoll{};
    std::deque<DIDEVICEOBJECTDATA> queue;
    // Raw motions queued since the last settle: the sequence of the X
    // event (Y follows it) and the raw values.
    struct RawMotion {
        DWORD sequence;
        int x, y;
    };
    std::vector<RawMotion> unsettled;
    // Where the system's pointer stood at the last settle, in screen pixels.
    int pointerX = 0, pointerY = 0;
    bool systemPointer = false;
    bool followPointer = false;
    bool placed = false;
    PointerSpot placement;
};

class IDirectInput8A : public RefCounted {
public:
    // GUID_SysKeyboard or GUID_SysMouse; outer must be null.
    HRESULT CreateDevice(const GUID& device, IDirectInputDevice8A** out, void* outer);

private:
    friend HRESULT DirectInput8Create(HINSTANCE, DWORD, const GUID&, IDirectInput8A**, void*);
    IDirectInput8A() = default;
    ~IDirectInput8A() override = default;
};

HRESULT DirectInput8Create(HINSTANCE instance, DWORD version, const GUID& riid,
                           IDirectInput8A** out, void* outer);

// The key code of an SDL scancode, 0 for keys that have none.
std::uint8_t DikFromSdlScancode(int sdlScancode);

// Injected failures, for tests: DirectInput8Create and the creation of a
// keyboard or mouse return the given codes while they are set.
struct DirectInputFaults {
    HRESULT create = DI_OK;
    HRESULT keyboard = DI_OK;
    HRESULT mouse = DI_OK;
};
void SetDirectInputFaults(const DirectInputFaults& faults);

}  // namespace plat
