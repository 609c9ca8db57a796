#include "platform/input/DirectInput.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/input/SystemPointer.h"
#include "platform/window/Clock.h"

namespace plat {

namespace {

// Past this many unread events, movement folds into the last queued movement
// of its axis instead of lengthening the queue; buttons always queue.
constexpr std::size_t kFoldMovementAfter = 4096;
constexpr DWORD kWheelNotch = 120;
constexpr DWORD kDown = 0x80;

DirectInputFaults& Faults() {
    static DirectInputFaults faults;
    return faults;
}

DWORD& Sequence() {
    static DWORD sequence = 0;
    return sequence;
}

struct ScancodeTable {
    std::array<std::uint8_t, SDL_NUM_SCANCODES> dik{};
    void Map(SDL_Scancode sc, std::uint8_t code) { dik[sc] = code; }
};

// SDL scancodes name the physical key by its USB usage; the key codes are the
// PC keyboard's set-1 scan codes. The Yen key (International3) is left out on
// purpose: its code is the one that unknown key names stand for.
ScancodeTable BuildScancodeTable() {
    ScancodeTable t;
    const SDL_Scancode letters[] = {
        SDL_SCANCODE_A, SDL_SCANCODE_B, SDL_SCANCODE_C, SDL_SCANCODE_D, SDL_SCANCODE_E,
        SDL_SCANCODE_F, SDL_SCANCODE_G, SDL_SCANCODE_H, SDL_SCANCODE_I, SDL_SCANCODE_J,
        SDL_SCANCODE_K, SDL_SCANCODE_L, SDL_SCANCODE_M, SDL_SCANCODE_N, SDL_SCANCODE_O,
        SDL_SCANCODE_P, SDL_SCANCODE_Q, SDL_SCANCODE_R, SDL_SCANCODE_S, SDL_SCANCODE_T,
        SDL_SCANCODE_U, SDL_SCANCODE_V, SDL_SCANCODE_W, SDL_SCANCODE_X, SDL_SCANCODE_Y,
        SDL_SCANCODE_Z};
    const std::uint8_t letterCodes[] = {
        DIK_A, DIK_B, DIK_C, DIK_D, DIK_E, DIK_F, DIK_G, DIK_H, DIK_I, DIK_J, DIK_K, DIK_L, DIK_M,
        DIK_N, DIK_O, DIK_P, DIK_Q, DIK_R, DIK_S, DIK_T, DIK_U, DIK_V, DIK_W, DIK_X, DIK_Y, DIK_Z};
    for (std::size_t i = 0; i < std::size(letters); ++i) t.Map(letters[i], letterCodes[i]);

    // SDL runs 1..9, 0 in a row, as the keys lie; so do the scan codes.
    for (int i = 0; i < 10; ++i)
        t.Map(static_cast<SDL_Scancode>(SDL_SCANCODE_1 + i), static_cast<std::uint8_t>(DIK_1 + i));

    // F1..F10 run in a row in both; F11 and F12 were added to the PC later.
    for (int i = 0; i < 10; ++i)
        t.Map(static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + i), static_cast<std::uint8_t>(DIK_F1 + i));
    t.Map(SDL_SCANCODE_F11, DIK_F11);
    t.Map(SDL_SCANCODE_F12, DIK_F12);
    t.Map(SDL_SCANCODE_F13, DIK_F13);
    t.Map(SDL_SCANCODE_F14, DIK_F14);
    t.Map(SDL_SCANCODE_F15, DIK_F15);

    // The main block.
    t.Map(SDL_SCANCODE_ESCAPE, DIK_ESCAPE);
    t.Map(SDL_SCANCODE_MINUS, DIK_MINUS);
    t.Map(SDL_SCANCODE_EQUALS, DIK_EQUALS);
    t.Map(SDL_SCANCODE_BACKSPACE, DIK_BACK);
    t.Map(SDL_SCANCODE_TAB, DIK_TAB);
    t.Map(SDL_SCANCODE_LEFTBRACKET, DIK_LBRACKET);
    t.Map(SDL_SCANCODE_RIGHTBRACKET, DIK_RBRACKET);
    t.Map(SDL_SCANCODE_RETURN, DIK_RETURN);
    t.Map(SDL_SCANCODE_SEMICOLON, DIK_SEMICOLON);
    t.Map(SDL_SCANCODE_APOSTROPHE, DIK_APOSTROPHE);
    t.Map(SDL_SCANCODE_GRAVE, DIK_GRAVE);
    t.Map(SDL_SCANCODE_BACKSLASH, DIK_BACKSLASH);
    // Keyboards with an ISO layout report the key beside Return as NONUSHASH;
    // it sits where the backslash key sits on others.
    t.Map(SDL_SCANCODE_NONUSHASH, DIK_BACKSLASH);
    t.Map(SDL_SCANCODE_NONUSBACKSLASH, DIK_OEM_102);
    t.Map(SDL_SCANCODE_COMMA, DIK_COMMA);
    t.Map(SDL_SCANCODE_PERIOD, DIK_PERIOD);
    t.Map(SDL_SCANCODE_SLASH, DIK_SLASH);
    t.Map(SDL_SCANCODE_SPACE, DIK_SPACE);
    t.Map(SDL_SCANCODE_CAPSLOCK, DIK_CAPITAL);

    // Modifiers.
    t.Map(SDL_SCANCODE_LSHIFT, DIK_LSHIFT);
    t.Map(SDL_SCANCODE_RSHIFT, DIK_RSHIFT);
    t.Map(SDL_SCANCODE_LCTRL, DIK_LCONTROL);
    t.Map(SDL_SCANCODE_RCTRL, DIK_RCONTROL);
    t.Map(SDL_SCANCODE_LALT, DIK_LMENU);
    t.Map(SDL_SCANCODE_RALT, DIK_RMENU);
    t.Map(SDL_SCANCODE_LGUI, DIK_LWIN);
    t.Map(SDL_SCANCODE_RGUI, DIK_RWIN);
    t.Map(SDL_SCANCODE_APPLICATION, DIK_APPS);

    // Editing block and arrows.
    t.Map(SDL_SCANCODE_PRINTSCREEN, DIK_SYSRQ);
    t.Map(SDL_SCANCODE_SCROLLLOCK, DIK_SCROLL);
    t.Map(SDL_SCANCODE_PAUSE, DIK_PAUSE);
    t.Map(SDL_SCANCODE_INSERT, DIK_INSERT);
    t.Map(SDL_SCANCODE_HOME, DIK_HOME);
    t.Map(SDL_SCANCODE_PAGEUP, DIK_PRIOR);
    t.Map(SDL_SCANCODE_DELETE, DIK_DELETE);
    t.Map(SDL_SCANCODE_END, DIK_END);
    t.Map(SDL_SCANCODE_PAGEDOWN, DIK_NEXT);
    t.Map(SDL_SCANCODE_UP, DIK_UP);
    t.Map(SDL_SCANCODE_DOWN, DIK_DOWN);
    t.Map(SDL_SCANCODE_LEFT, DIK_LEFT);
    t.Map(SDL_SCANCODE_RIGHT, DIK_RIGHT);

    // Numeric keypad.
    t.Map(SDL_SCANCODE_NUMLOCKCLEAR, DIK_NUMLOCK);
    t.Map(SDL_SCANCODE_KP_DIVIDE, DIK_DIVIDE);
    t.Map(SDL_SCANCODE_KP_MULTIPLY, DIK_MULTIPLY);
    t.Map(SDL_SCANCODE_KP_MINUS, DIK_SUBTRACT);
    t.Map(SDL_SCANCODE_KP_PLUS, DIK_ADD);
    t.Map(SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER);
    t.Map(SDL_SCANCODE_KP_PERIOD, DIK_DECIMAL);
    t.Map(SDL_SCANCODE_KP_EQUALS, DIK_NUMPADEQUALS);
    t.Map(SDL_SCANCODE_KP_COMMA, DIK_NUMPADCOMMA);
    t.Map(SDL_SCANCODE_KP_0, DIK_NUMPAD0);
    t.Map(SDL_SCANCODE_KP_1, DIK_NUMPAD1);
    t.Map(SDL_SCANCODE_KP_2, DIK_NUMPAD2);
    t.Map(SDL_SCANCODE_KP_3, DIK_NUMPAD3);
    t.Map(SDL_SCANCODE_KP_4, DIK_NUMPAD4);
    t.Map(SDL_SCANCODE_KP_5, DIK_NUMPAD5);
    t.Map(SDL_SCANCODE_KP_6, DIK_NUMPAD6);
    t.Map(SDL_SCANCODE_KP_7, DIK_NUMPAD7);
    t.Map(SDL_SCANCODE_KP_8, DIK_NUMPAD8);
    t.Map(SDL_SCANCODE_KP_9, DIK_NUMPAD9);

    // Japanese and Brazilian keys (all but Yen).
    t.Map(SDL_SCANCODE_INTERNATIONAL1, DIK_ABNT_C1);
    t.Map(SDL_SCANCODE_INTERNATIONAL2, DIK_KANA);
    t.Map(SDL_SCANCODE_INTERNATIONAL4, DIK_CONVERT);
    t.Map(SDL_SCANCODE_INTERNATIONAL5, DIK_NOCONVERT);

    // Media and browser keys.
    t.Map(SDL_SCANCODE_AUDIOPREV, DIK_PREVTRACK);
    t.Map(SDL_SCANCODE_AUDIONEXT, DIK_NEXTTRACK);
    t.Map(SDL_SCANCODE_AUDIOPLAY, DIK_PLAYPAUSE);
    t.Map(SDL_SCANCODE_AUDIOSTOP, DIK_MEDIASTOP);
    t.Map(SDL_SCANCODE_AUDIOMUTE, DIK_MUTE);
    t.Map(SDL_SCANCODE_VOLUMEDOWN, DIK_VOLUMEDOWN);
    t.Map(SDL_SCANCODE_VOLUMEUP, DIK_VOLUMEUP);
    t.Map(SDL_SCANCODE_CALCULATOR, DIK_CALCULATOR);
    t.Map(SDL_SCANCODE_MAIL, DIK_MAIL);
    t.Map(SDL_SCANCODE_MEDIASELECT, DIK_MEDIASELECT);
    t.Map(SDL_SCANCODE_COMPUTER, DIK_MYCOMPUTER);
    t.Map(SDL_SCANCODE_AC_HOME, DIK_WEBHOME);
    t.Map(SDL_SCANCODE_AC_SEARCH, DIK_WEBSEARCH);
    t.Map(SDL_SCANCODE_AC_BOOKMARKS, DIK_WEBFAVORITES);
    t.Map(SDL_SCANCODE_AC_REFRESH, DIK_WEBREFRESH);
    t.Map(SDL_SCANCODE_AC_STOP, DIK_WEBSTOP);
    t.Map(SDL_SCANCODE_AC_FORWARD, DIK_WEBFORWARD);
    t.Map(SDL_SCANCODE_AC_BACK, DIK_WEBBACK);
    t.Map(SDL_SCANCODE_POWER, DIK_POWER);
    t.Map(SDL_SCANCODE_SLEEP, DIK_SLEEP);
    return t;
}

const ScancodeTable& Scancodes() {
    static const ScancodeTable table = BuildScancodeTable();
    return table;
}

// Mouse buttons 0, 1 and 2 are left, right and middle.
int ButtonIndex(Uint8 sdlButton) {
    switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    default: return -1;
    }
}

int ButtonOfOffset(DWORD offset) {
    if (offset < DIMOFS_BUTTON0 || offset > DIMOFS_BUTTON2) return -1;
    return static_cast<int>(offset - DIMOFS_BUTTON0);
}

}  // namespace

std::uint8_t DikFromSdlScancode(int sdlScancode) {
    if (sdlScancode < 0 || sdlScancode >= SDL_NUM_SCANCODES) return 0;
    return Scancodes().dik[static_cast<std::size_t>(sdlScancode)];
}

void SetDirectInputFaults(const DirectInputFaults& faults) { Faults() = faults; }

// ---------------------------------------------------------------------------

HRESULT DirectInput8Create(HINSTANCE, DWORD version, const GUID& riid, IDirectInput8A** out,
                           void* outer) {
    if (!out) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (outer || version != DIRECTINPUT_VERSION) return DIERR_INVALIDPARAM;
    if (riid != IID_IDirectInput8A) return DIERR_NOINTERFACE;
    if (FAILED(Faults().create)) return Faults().create;
    *out = new IDirectInput8A();
    return DI_OK;
}

HRESULT IDirectInput8A::CreateDevice(const GUID& device, IDirectInputDevice8A** out, void* outer) {
    if (!out) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (outer) return DIERR_NOINTERFACE;
    if (device == GUID_SysKeyboard) {
        if (FAILED(Faults().keyboard)) return Faults().keyboard;
        *out = new IDirectInputDevice8A(IDirectInputDevice8A::Kind::Keyboard);
        return DI_OK;
    }
    if (device == GUID_SysMouse) {
        if (FAILED(Faults().mouse)) return Faults().mouse;
        *out = new IDirectInputDevice8A(IDirectInputDevice8A::Kind::Mouse);
        return DI_OK;
    }
    return DIERR_DEVICENOTREG;
}

// ---------------------------------------------------------------------------

IDirectInputDevice8A::IDirectInputDevice8A(Kind k) : kind(k) {
    sinkId = AddInputSink([this](const SDL_Event& e) { OnEvent(e); });
}

IDirectInputDevice8A::~IDirectInputDevice8A() {
    Unacquire();
    RemoveInputSink(sinkId);
}

HRESULT IDirectInputDevice8A::SetCooperativeLevel(HWND w, DWORD flags) {
    if (acquired) return DIERR_ACQUIRED;
    bool exclusive = flags & DISCL_EXCLUSIVE, nonExclusive = flags & DISCL_NONEXCLUSIVE;
    bool foreground = flags & DISCL_FOREGROUND, background = flags & DISCL_BACKGROUND;
    if (exclusive == nonExclusive || foreground == background) return DIERR_INVALIDPARAM;
    SDL_Window* sdl = IsWindow(w) ? SdlWindowOf(w) : nullptr;
    if (!sdl) return E_HANDLE;
    window = w;
    sdlWindowId = SDL_GetWindowID(sdl);
    cooperation = flags;
    return DI_OK;
}

HRESULT IDirectInputDevice8A::SetDataFormat(const DIDATAFORMAT* format) {
    if (acquired) return DIERR_ACQUIRED;
    if (!format) return DIERR_INVALIDPARAM;
    DWORD expected = kind == Kind::Keyboard ? c_dfDIKeyboard.dwDataSize : c_dfDIMouse.dwDataSize;
    if (format->dwDataSize != expected) return DIERR_INVALIDPARAM;
    formatSet = true;
    return DI_OK;
}

HRESULT IDirectInputDevice8A::SetProperty(const GUID& property, const DIPROPHEADER* header) {
    if (!header) return DIERR_INVALIDPARAM;
    if (property != DIPROP_BUFFERSIZE) return E_NOTIMPL;
    if (header->dwSize != sizeof(DIPROPDWORD) || header->dwHeaderSize != sizeof(DIPROPHEADER) ||
        header->dwHow != DIPH_DEVICE || header->dwObj != 0)
        return DIERR_INVALIDPARAM;
    if (acquired) return DIERR_ACQUIRED;
    bufferSize = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
    return DI_OK;
}

bool IDirectInputDevice8A::InForeground() const { return !InBackground(window); }

HRESULT IDirectInputDevice8A::Acquire() {
    if (!formatSet) return DIERR_INVALIDPARAM;
    if (acquired) return DI_NOEFFECT;
    if ((cooperation & DISCL_FOREGROUND) && !InForeground()) return DIERR_OTHERAPPHASPRIO;
    acquired = true;
    lost = false;
    pressedThisPoll = {};
    if (kind == Kind::Mouse && (cooperation & DISCL_EXCLUSIVE)) TakeMouse();
    return DI_OK;
}

HRESULT IDirectInputDevice8A::Unacquire() {
    lost = false;
    std::memset(pressedSincePoll, 0, sizeof pressedSincePoll);
    if (!acquired) return DI_NOEFFECT;
    acquired = false;
    GiveBackMouse();
    return DI_OK;
}

void IDirectInputDevice8A::TakeMouse() {
    // Only a display has a system pointer to follow and relative mode to
    // take; the offscreen and dummy drivers have neither, and motion events
    // carry relative movement there.
    systemPointer = SDL_WasInit(SDL_INIT_VIDEO) && HasSystemPointer();
    // A warp in relative mode then only tells SDL where the pointer is: see
    // LeaveRelativeMode.
    SDL_SetHintWithPriority(SDL_HINT_MOUSE_RELATIVE_WARP_MOTION, "0", SDL_HINT_OVERRIDE);
    SetCursorVisible(false);
    mouseTaken = true;
    ApplyPointerMode();
}

void IDirectInputDevice8A::FollowPointer(bool follow) {
    if (follow == followPointer) return;
    followPointer = follow;
    ApplyPointerMode();
}

// Relative mode hides where the system's pointer is: a warp (xdotool's
// mousemove) sends no motion there at all, and a pointer that reports
// positions sends them as if they were movement. Out of it, every motion
// says where the pointer is, whatever moved it.
void IDirectInputDevice8A::ApplyPointerMode() {
    if (!mouseTaken || !systemPointer) return;
    if (followPointer)
        LeaveRelativeMode();
    else
        EnterRelativeMode();
}

// Relative mode hides and confines the pointer. The game's cursor, hidden
// now, takes the pointer's place, so that the pointer kept there (see
// KeepHiddenPointerAt) has not moved when the cursor shows again.
void IDirectInputDevice8A::EnterRelativeMode() {
    if (SDL_GetRelativeMouseMode()) return;
    if (SDL_SetRelativeMouseMode(SDL_TRUE) != 0) return;
    SDL_Window* sdlWindow = SDL_GetWindowFromID(sdlWindowId);
    PointerOnDesktop(sdlWindow, &pointerX, &pointerY);
    PlacedAt(pointerX, pointerY);
}

// SDL puts the pointer back where it last tracked it as relative mode ends,
// and it tracks raw movement only: a warp, a tablet's or VNC's positions
// would be undone, the pointer moved while the cursor shows. Told first
// where the pointer is (in relative mode a warp only tells SDL), it leaves
// the pointer there.
void IDirectInputDevice8A::LeaveRelativeMode() {
    if (!SDL_GetRelativeMouseMode()) return;
    SettleMotion();
    int left = 0, top = 0;
    if (SDL_Window* sdlWindow = WindowAt(left, top)) {
        int x = 0, y = 0;
        PointerOnDesktop(sdlWindow, &x, &y);
        SDL_WarpMouseInWindow(sdlWindow, x - left, y - top);
    }
    SDL_SetRelativeMouseMode(SDL_FALSE);
}

void IDirectInputDevice8A::KeepHiddenPointerAt(float x, float y) {
    if (!mouseTaken || !systemPointer || followPointer || !SDL_GetRelativeMouseMode()) return;
    int left = 0, top = 0, width = 0, height = 0;
    SDL_Window* sdlWindow = WindowAt(left, top);
    if (!sdlWindow) return;
    SDL_GetWindowSize(sdlWindow, &width, &height);
    if (width <= 0 || height <= 0) return;
    const int atX = left + std::clamp(int(std::lround(x * float(width))), 0, width - 1);
    const int atY = top + std::clamp(int(std::lround(y * float(height))), 0, height - 1);
    if (atX == pointerX && atY == pointerY) return;
    PutPointerOnDesktop(atX, atY);
    pointerX = atX;
    pointerY = atY;
}

void IDirectInputDevice8A::GiveBackMouse() {
    if (!mouseTaken) return;
    if (SDL_WasInit(SDL_INIT_VIDEO)) LeaveRelativeMode();
    mouseTaken = false;
    SetCursorVisible(true);
}

HRESULT IDirectInputDevice8A::GetDeviceState(DWORD size, void* data) {
    if (kind != Kind::Keyboard) return E_NOTIMPL;
    if (!data || size != sizeof keys) return DIERR_INVALIDPARAM;
    if (!acquired) return ReadFailure();
    // A key tapped between two polls (a quick press, or a press and release
    // sent at once) reads down in this poll; the next one sees it up.
    auto* state = static_cast<std::uint8_t*>(data);
    for (std::size_t code = 0; code < sizeof keys; ++code)
        state[code] = pressedSincePoll[code] ? static_cast<std::uint8_t>(kDown) : keys[code];
    std::memset(pressedSincePoll, 0, sizeof pressedSincePoll);
    return DI_OK;
}

HRESULT IDirectInputDevice8A::GetDeviceData(DWORD objectSize, DIDEVICEOBJECTDATA* data, DWORD* count,
                                            DWORD flags) {
    if (!count || objectSize != sizeof(DIDEVICEOBJECTDATA)) return DIERR_INVALIDPARAM;
    if (bufferSize == 0) return DIERR_NOTBUFFERED;
    SettleMotion();
    if (queue.empty()) {
        *count = 0;
        pressedThisPoll = {};
        return acquired ? DI_OK : ReadFailure();
    }
    *count = HandOut(data, *count, !(flags & DIGDD_PEEK));
    return DI_OK;
}

// Up to room events, oldest first. While acquired, the release of a button
// whose press this poll has already handed out stays queued, with that
// button's later events, so a click shorter than a frame reads down for one
// poll. A read that hands out fewer than room ends the poll. A device that
// is not acquired hands out all it has: no later poll may come to take it.
DWORD IDirectInputDevice8A::HandOut(DIDEVICEOBJECTDATA* data, DWORD room, bool remove) {
    std::array<bool, 3> pressed = pressedThisPoll;
    std::array<bool, 3> heldBack{};
    std::vector<DIDEVICEOBJECTDATA> kept;
    DWORD n = 0;
    auto it = queue.begin();
    for (; it != queue.end() && n < room; ++it) {
        int button = acquired && kind == Kind::Mouse ? ButtonOfOffset(it->dwOfs) : -1;
        if (button >= 0) {
            bool down = (it->dwData & kDown) != 0;
            if (heldBack[button] || (!down && pressed[button])) {
                heldBack[button] = true;
                kept.push_back(*it);
                continue;
            }
            if (down) pressed[button] = true;
        }
        if (data) data[n] = *it;
        ++n;
    }
    if (!remove) return n;
    queue.erase(queue.begin(), it);
    queue.insert(queue.begin(), kept.begin(), kept.end());
    pressedThisPoll = n < room ? std::array<bool, 3>{} : pressed;
    return n;
}

// ---------------------------------------------------------------------------

void IDirectInputDevice8A::OnEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST && e.window.windowID == sdlWindowId)
            OnFocusLost();
        return;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (kind == Kind::Keyboard) OnKey(e.key.keysym.scancode, e.type == SDL_KEYDOWN);
        return;
    default: break;
    }
    // The mouse fills its buffer only while it is acquired: events that come
    // while it is not belong to nobody.
    if (kind != Kind::Mouse || !acquired || bufferSize == 0) return;
    switch (e.type) {
    case SDL_MOUSEMOTION:
        if (mouseTaken && SDL_GetRelativeMouseMode()) {
            QueueRawMotion(e.motion.xrel, e.motion.yrel);
            break;
        }
        QueueMovement(DIMOFS_X, static_cast<DWORD>(e.motion.xrel));
        QueueMovement(DIMOFS_Y, static_cast<DWORD>(e.motion.yrel));
        if (mouseTaken && systemPointer && followPointer) FollowedTo(e.motion.x, e.motion.y);
        break;
    case SDL_MOUSEWHEEL: {
        // Unsigned arithmetic: whatever a driver reports, it wraps, never overflows.
        DWORD notches = static_cast<DWORD>(e.wheel.y);
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = 0u - notches;
        QueueMovement(DIMOFS_Z, notches * kWheelNotch);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        int index = ButtonIndex(e.button.button);
        if (index < 0) break;
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        buttonDown[index] = down;
        Queue(DIMOFS_BUTTON0 + static_cast<DWORD>(index), down ? kDown : 0);
        break;
    }
    default: break;
    }
}

void IDirectInputDevice8A::OnKey(int sdlScancode, bool down) {
    std::uint8_t code = DikFromSdlScancode(sdlScancode);
    if (!code) return;
    // A key held down repeats its press; only a change is an event.
    const bool changed = (keys[code] != 0) != down;
    keys[code] = down ? kDown : 0;
    if (down && acquired) pressedSincePoll[code] = true;
    if (changed && acquired && bufferSize > 0) Queue(code, down ? kDown : 0);
}

void IDirectInputDevice8A::OnFocusLost() {
    // What is held now will be released where this device cannot see it;
    // nothing may stay down because its release went to another window.
    if (kind == Kind::Keyboard && acquired && bufferSize > 0)
        for (DWORD code = 0; code < sizeof keys; ++code)
            if (keys[code]) Queue(code, 0);
    std::memset(keys, 0, sizeof keys);
    std::memset(pressedSincePoll, 0, sizeof pressedSincePoll);
    if (kind == Kind::Mouse && acquired && bufferSize > 0) {
        for (DWORD i = 0; i < 3; ++i)
            if (buttonDown[i]) Queue(DIMOFS_BUTTON0 + i, 0);
    }
    for (bool& b : buttonDown) b = false;
    if (acquired && (cooperation & DISCL_FOREGROUND)) {
        acquired = false;
        lost = true;
        GiveBackMouse();
    }
}

void IDirectInputDevice8A::Queue(DWORD offset, DWORD data) {
    DIDEVICEOBJECTDATA event{};
    event.dwOfs = offset;
    event.dwData = data;
    event.dwTimeStamp = timeGetTime();
    event.dwSequence = ++Sequence();
    queue.push_back(event);
}

void IDirectInputDevice8A::QueueRawMotion(int x, int y) {
    if (queue.size() >= kFoldMovementAfter) {
        QueueMovement(DIMOFS_X, static_cast<DWORD>(x));
        QueueMovement(DIMOFS_Y, static_cast<DWORD>(y));
        return;
    }
    // Both axes, zeros too: a position of 0 is a movement once settled.
    Queue(DIMOFS_X, static_cast<DWORD>(x));
    Queue(DIMOFS_Y, static_cast<DWORD>(y));
    unsettled.push_back({queue.back().dwSequence - 1, x, y});
}

bool IDirectInputDevice8A::RawValuesWerePositions(int nowX, int nowY) const {
    const RawMotion& last = unsettled.back();
    if (last.x < 0 || last.y < 0) return false;
    // Movement that the pointer followed step for step reads the same
    // either way: it stays movement.
    long sumX = 0, sumY = 0;
    for (const RawMotion& m : unsettled) {
        sumX += m.x;
        sumY += m.y;
    }
    if (sumX == long(nowX) - pointerX && sumY == long(nowY) - pointerY) return false;
    if (last.x == nowX && last.y == nowY) return true;
    // Relative mode keeps the system's pointer inside the window.
    SDL_Window* sdlWindow = SDL_GetWindowFromID(sdlWindowId);
    if (!sdlWindow) return false;
    int left = 0, top = 0, width = 0, height = 0;
    SDL_GetWindowPosition(sdlWindow, &left, &top);
    SDL_GetWindowSize(sdlWindow, &width, &height);
    if (width <= 0 || height <= 0) return false;
    return std::clamp(last.x, left, left + width - 1) == nowX && std::clamp(last.y, top, top + height - 1) == nowY;
}

void IDirectInputDevice8A::SettleMotion() {
    if (unsettled.empty()) {
        NoticeWarp();
        return;
    }
    int nowX = 0, nowY = 0;
    PointerOnDesktop(SDL_GetWindowFromID(sdlWindowId), &nowX, &nowY);
    const bool positions = RawValuesWerePositions(nowX, nowY);
    if (positions) {
        // The queue holds every unsettled event still: none is handed out
        // before it is settled. Both are in sequence order.
        auto motion = unsettled.begin();
        int fromX = pointerX, fromY = pointerY;
        for (DIDEVICEOBJECTDATA& event : queue) {
            if (motion == unsettled.end()) break;
            if (event.dwSequence == motion->sequence) {
                event.dwData = static_cast<DWORD>(motion->x - fromX);
            } else if (event.dwSequence == motion->sequence + 1) {
                event.dwData = static_cast<DWORD>(motion->y - fromY);
                fromX = motion->x;
                fromY = motion->y;
                ++motion;
            }
        }
    }
    pointerX = nowX;
    pointerY = nowY;
    unsettled.clear();
    if (positions)
        PlacedAt(nowX, nowY);
    else
        placed = false;
}

// In relative mode a warp (xdotool's mousemove) moves the pointer with no
// motion at all: the pointer is found elsewhere than it was left, and the
// cursor goes there.
void IDirectInputDevice8A::NoticeWarp() {
    if (!mouseTaken || !systemPointer || !SDL_GetRelativeMouseMode()) return;
    int nowX = 0, nowY = 0;
    PointerOnDesktop(SDL_GetWindowFromID(sdlWindowId), &nowX, &nowY);
    if (nowX == pointerX && nowY == pointerY) return;
    pointerX = nowX;
    pointerY = nowY;
    PlacedAt(nowX, nowY);
}

void IDirectInputDevice8A::PlacedAt(int x, int y) {
    placed = false;
    int left = 0, top = 0;
    if (SDL_Window* sdlWindow = WindowAt(left, top)) PlaceInWindow(sdlWindow, x - left, y - top);
}

// A motion out of relative mode: x, y are the pointer's place in the window.
void IDirectInputDevice8A::FollowedTo(int x, int y) {
    int left = 0, top = 0;
    SDL_Window* sdlWindow = WindowAt(left, top);
    if (!sdlWindow) return;
    // Where relative mode starts from, when the cursor is hidden again.
    pointerX = left + x;
    pointerY = top + y;
    PlaceInWindow(sdlWindow, x, y);
}

SDL_Window* IDirectInputDevice8A::WindowAt(int& left, int& top) const {
    SDL_Window* sdlWindow = SDL_GetWindowFromID(sdlWindowId);
    if (sdlWindow) SDL_GetWindowPosition(sdlWindow, &left, &top);
    return sdlWindow;
}

void IDirectInputDevice8A::PlaceInWindow(SDL_Window* sdlWindow, int x, int y) {
    int width = 0, height = 0;
    SDL_GetWindowSize(sdlWindow, &width, &height);
    if (width <= 0 || height <= 0) return;
    placement = {std::clamp(x, 0, width - 1), std::clamp(y, 0, height - 1), width, height};
    placed = true;
}

bool IDirectInputDevice8A::PointerPlacement(PointerSpot* spot) const {
    if (!placed || !spot) return false;
    *spot = placement;
    return true;
}

void IDirectInputDevice8A::QueueMovement(DWORD offset, DWORD amount) {
    if (amount == 0) return;
    if (queue.size() >= kFoldMovementAfter) {
        for (auto it = queue.rbegin(); it != queue.rend(); ++it) {
            if (it->dwOfs != offset) continue;
            it->dwData += amount;  // two's complement: adds signed movements
            return;
        }
    }
    Queue(offset, amount);
}

}  // namespace plat
