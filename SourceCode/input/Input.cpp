#include "input/Input.h"

#include <algorithm>
#include <cstring>

#include "console/Bindings.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"

using namespace plat;

namespace {
constexpr std::uint8_t kDownBit = 0x80;
constexpr DWORD kBufferedEvents = 16;
}  // namespace

Input::~Input() {
    if (initialized) Shutdown();
}

bool Input::Init(void* a, void*) {
    if (initialized || !a) return false;
    const auto& pair = *static_cast<const WindowPair*>(a);

    if (FAILED(DirectInput8Create(pair.instance, DIRECTINPUT_VERSION, IID_IDirectInput8A, &directInput,
                                  nullptr))) {
        directInput = nullptr;
        ReportFatalError("Failed to aquire DirectInput interface!");
        return false;
    }
    name = names::Input;
    if (!eTable::Register(name, this)) {
        ReleaseDevices();
        return false;
    }

    stream = 0;
    mouseX = mouseY = mouseWheel = 0;
    leftButton = rightButton = middleButton = 0;
    leftHeldTime = rightHeldTime = 0.0f;
    ClearKeys();
    std::memset(keyState, 0, sizeof keyState);
    // The key bindings, this system's only child: they run before each poll.
    CreateChild<Bindings>();

    const char* failure = nullptr;
    if (!CreateKeyboard(pair.window))
        failure = "Failed to aquire keyboard!";
    else if (!CreateMouse(pair.window))
        failure = "Failed to aquire mouse!";
    if (failure) {
        ReportFatalError(failure);
        // Not initialized, so no Shutdown would ever take the name and the
        // devices back: leave nothing behind that outlives this object.
        DestroyChildren();
        ReleaseDevices();
        eTable::RemoveSystem(this);
        return false;
    }
    initialized = true;
    return true;
}

bool Input::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    ReleaseDevices();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

void Input::ReleaseDevices() {
    ReleaseMouse();
    if (keyboard) {
        keyboard->Unacquire();
        keyboard->Release();
        keyboard = nullptr;
    }
    if (directInput) {
        directInput->Release();
        directInput = nullptr;
    }
}

bool Input::CreateDevice(const GUID& kind, DWORD cooperation, const DIDATAFORMAT& format, HWND window,
                         IDirectInputDevice8A*& device) {
    if (!directInput) return false;
    if (FAILED(directInput->CreateDevice(kind, &device, nullptr))) {
        device = nullptr;
        return false;
    }
    DIPROPDWORD buffer{};
    buffer.diph.dwSize = sizeof(DIPROPDWORD);
    buffer.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    buffer.diph.dwObj = 0;
    buffer.diph.dwHow = DIPH_DEVICE;
    buffer.dwData = kBufferedEvents;
    // A mouse reads the pointer as the cursor is from its first acquiring:
    // a shown cursor's pointer is never taken into relative mode, which
    // would confine it, on the way.
    if (kind == GUID_SysMouse) device->FollowPointer(followPointer);
    bool ok = SUCCEEDED(device->SetCooperativeLevel(window, cooperation)) &&
              SUCCEEDED(device->SetDataFormat(&format)) &&
              SUCCEEDED(device->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph)) &&
              SUCCEEDED(device->Acquire());
    if (!ok) {
        device->Release();
        device = nullptr;
    }
    return ok;
}

bool Input::CreateKeyboard(HWND window) {
    if (keyboard) return true;
    return CreateDevice(GUID_SysKeyboard, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY,
                        c_dfDIKeyboard, window, keyboard);
}

bool Input::CreateMouse(HWND window) {
    if (mouse) return true;
    // The exclusive level hides the system cursor while the window is
    // active; the game draws its own.
    return CreateDevice(GUID_SysMouse, DISCL_EXCLUSIVE | DISCL_FOREGROUND, c_dfDIMouse, window, mouse);
}

void Input::FollowPointer(bool follow) {
    followPointer = follow;
    if (mouse) mouse->FollowPointer(follow);
}

void Input::KeepHiddenPointerAt(float x, float y) {
    if (mouse) mouse->KeepHiddenPointerAt(x, y);
}

void Input::ReleaseMouse() {
    if (!mouse) return;
    // Every event the mouse still has counts (a button released as the
    // window lost focus among them): a lost release would leave the button
    // down while the mouse is away. Let go first, it hands out all it holds;
    // what belongs to a later poll waits here, not in the mouse.
    mouse->Unacquire();
    DrainEvents(mouse, &Input::TakeMouseEvent);
    mouse->Release();
    mouse = nullptr;
    pointerPlaced = false;
}

bool Input::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    if (keyboard) PollKeyboard();
    if (mouse || !waitingMouseEvents.empty()) PollMouse();
    return true;
}

void Input::PollKeyboard() {
    if (FAILED(keyboard->GetDeviceState(sizeof keyState, keyState))) {
        // The keyboard is lost (the window went to the background) or not yet
        // back: keys released meanwhile were released elsewhere, so nothing
        // may read as held.
        std::memset(keyState, 0, sizeof keyState);
        keyboard->Acquire();
    }
    // Every press since the last poll triggers its key, a key released and
    // pressed again between two polls too: the state alone shows it held.
    keyEvents.clear();
    DrainEvents(keyboard, &Input::ApplyKeyEvent);
    RecordPresses();
    for (int key = 0; key < kKeyCount; ++key) {
        if (!(keyState[key] & kDownBit)) {
            held[key] = 0;
        } else if (!held[key]) {
            held[key] = 1;
            triggered[key] = 1;
        }
    }
}

void Input::PollMouse() {
    float frame = FrameSeconds();
    // What waited for this poll comes first, in its order.
    std::vector<DIDEVICEOBJECTDATA> waited;
    waited.swap(waitingMouseEvents);
    for (const DIDEVICEOBJECTDATA& event : waited) TakeMouseEvent(event);
    if (mouse) {
        if (!DrainEvents(mouse, &Input::TakeMouseEvent)) mouse->Acquire();
        pointerPlaced = mouse->PointerPlacement(&pointerSpot);
    }
    pressedSincePoll = {};
    if (leftButton) leftHeldTime += frame;
    if (rightButton) rightHeldTime += frame;
}

bool Input::DrainEvents(IDirectInputDevice8A* device, void (Input::*apply)(const DIDEVICEOBJECTDATA&)) {
    // Read until the queue is empty, so that no event waits for a later
    // frame however many came in this one.
    for (;;) {
        eventCount = kEventRoom;
        if (FAILED(device->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &eventCount, 0))) {
            eventCount = 0;
            return false;
        }
        for (DWORD i = 0; i < eventCount; ++i) (this->*apply)(events[i]);
        if (eventCount < static_cast<DWORD>(kEventRoom)) return true;
    }
}

void Input::ApplyKeyEvent(const DIDEVICEOBJECTDATA& event) {
    if (event.dwOfs >= static_cast<DWORD>(kKeyCount)) return;
    const auto key = static_cast<std::uint8_t>(event.dwOfs);
    const bool down = (event.dwData & kDownBit) != 0;
    if (down) triggered[key] = 1;
    keyEvents.push_back({key, down});
}

void Input::RecordPresses() {
    presses.clear();
    bool left = DownBeforeEvents(DIK_LSHIFT);
    bool right = DownBeforeEvents(DIK_RSHIFT);
    for (const KeyEvent& event : keyEvents) {
        if (event.key == DIK_LSHIFT) left = event.down;
        if (event.key == DIK_RSHIFT) right = event.down;
        if (event.down) presses.push_back({event.key, left || right});
    }
}

bool Input::DownBeforeEvents(std::uint8_t key) const {
    // A key's first event in the poll says what it was before; a key with no
    // event stayed as the state shows it for the whole poll.
    for (const KeyEvent& event : keyEvents)
        if (event.key == key) return !event.down;
    return (keyState[key] & kDownBit) != 0;
}

namespace {
int ButtonOfOffset(DWORD offset) {
    return offset >= DIMOFS_BUTTON0 && offset <= DIMOFS_BUTTON2 ? int(offset - DIMOFS_BUTTON0) : -1;
}
}  // namespace

// A press and its release taken before the same poll would cancel out
// unseen: the release waits for the next poll, and the button's later events
// behind it, so the click reads down for one frame. The mouse holds such a
// release back itself while it is read; this keeps it when the mouse is let
// go between two polls (the window's activation) or gives it all at once.
void Input::TakeMouseEvent(const DIDEVICEOBJECTDATA& event) {
    const int button = ButtonOfOffset(event.dwOfs);
    if (button >= 0) {
        const bool down = (event.dwData & kDownBit) != 0;
        const bool behindOne = std::any_of(waitingMouseEvents.begin(), waitingMouseEvents.end(),
                                           [&](const DIDEVICEOBJECTDATA& waiting) { return waiting.dwOfs == event.dwOfs; });
        if (behindOne || (!down && pressedSincePoll[button])) {
            waitingMouseEvents.push_back(event);
            return;
        }
        if (down) pressedSincePoll[button] = true;
    }
    ApplyMouseEvent(event);
}

void Input::ApplyMouseEvent(const DIDEVICEOBJECTDATA& event) {
    // Axis values are signed movements; the totals wrap rather than overflow.
    auto add = [&](std::int32_t& total) {
        total = static_cast<std::int32_t>(static_cast<std::uint32_t>(total) + event.dwData);
    };
    bool down = (event.dwData & kDownBit) != 0;
    switch (event.dwOfs) {
    case DIMOFS_X: add(mouseX); break;
    case DIMOFS_Y: add(mouseY); break;
    case DIMOFS_Z: add(mouseWheel); break;
    case DIMOFS_BUTTON0:
        leftButton = down;
        if (!down) leftHeldTime = 0.0f;
        break;
    case DIMOFS_BUTTON1:
        rightButton = down;
        if (!down) rightHeldTime = 0.0f;
        break;
    case DIMOFS_BUTTON2: middleButton = down; break;
    default: break;
    }
}

bool Input::IsKeyTriggered(std::uint8_t key, std::int32_t asker) {
    if (asker != stream || !triggered[key]) return false;
    triggered[key] = 0;
    return true;
}

bool Input::IsKeyDown(std::uint8_t key, std::int32_t asker) const {
    return asker == stream && (keyState[key] & kDownBit) != 0;
}

std::span<const KeyPress> Input::Presses(std::int32_t asker) const {
    if (asker != stream) return {};
    return presses;
}

bool Input::WasPressed(std::uint8_t key) const {
    return std::any_of(presses.begin(), presses.end(), [key](const KeyPress& press) { return press.key == key; });
}

void Input::SetStream(std::int32_t newStream) {
    stream = newStream;
    ClearKeys();
}

void Input::ClearKeys() {
    std::memset(held, 0, sizeof held);
    std::memset(triggered, 0, sizeof triggered);
    presses.clear();
}
