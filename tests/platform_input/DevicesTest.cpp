// The platform's keyboard and mouse devices on their own: results of the
// calls and the events they deliver.
#include <string>
#include <vector>

#include "input/InputFixture.h"
#include "platform/input/DirectInput.h"

namespace {

using namespace plat;

class Devices : public InputFixture {
protected:
    void SetUp() override {
        InputFixture::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(DirectInput8Create(nullptr, DIRECTINPUT_VERSION, IID_IDirectInput8A, &di, nullptr), DI_OK);
    }
    void TearDown() override {
        if (di) di->Release();
        InputFixture::TearDown();
    }

    IDirectInputDevice8A* Make(const GUID& kind, DWORD level, const DIDATAFORMAT& format) {
        IDirectInputDevice8A* dev = nullptr;
        EXPECT_EQ(di->CreateDevice(kind, &dev, nullptr), DI_OK);
        EXPECT_EQ(dev->SetCooperativeLevel(window, level), DI_OK);
        EXPECT_EQ(dev->SetDataFormat(&format), DI_OK);
        DIPROPDWORD size{{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, 16};
        EXPECT_EQ(dev->SetProperty(DIPROP_BUFFERSIZE, &size.diph), DI_OK);
        return dev;
    }

    // Reads until nothing more comes, however many polls that takes.
    std::vector<DIDEVICEOBJECTDATA> ReadAll(IDirectInputDevice8A* mouse, HRESULT* result = nullptr) {
        std::vector<DIDEVICEOBJECTDATA> all;
        for (;;) {
            auto polled = Poll(mouse, result);
            if (polled.empty()) return all;
            all.insert(all.end(), polled.begin(), polled.end());
        }
    }

    // One poll as the game makes it: reads of 16 until one comes back short.
    std::vector<DIDEVICEOBJECTDATA> Poll(IDirectInputDevice8A* mouse, HRESULT* result = nullptr) {
        std::vector<DIDEVICEOBJECTDATA> all;
        DIDEVICEOBJECTDATA chunk[16];
        for (;;) {
            DWORD count = 16;
            HRESULT hr = mouse->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), chunk, &count, 0);
            if (result) *result = hr;
            if (FAILED(hr)) break;
            all.insert(all.end(), chunk, chunk + count);
            if (count < 16) break;
        }
        return all;
    }

    // The values of one button's events, in order ("d" down, "u" up).
    static std::string ButtonValues(const std::vector<DIDEVICEOBJECTDATA>& events, DWORD offset) {
        std::string values;
        for (const auto& e : events)
            if (e.dwOfs == offset) values += (e.dwData & 0x80) ? 'd' : 'u';
        return values;
    }

    IDirectInput8A* di = nullptr;
};

TEST_F(Devices, KeyboardStateFollowsKeyEvents) {
    auto* kb = Make(GUID_SysKeyboard, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY, c_dfDIKeyboard);
    std::uint8_t state[256];
    EXPECT_EQ(kb->GetDeviceState(sizeof state, state), DIERR_NOTACQUIRED);
    ASSERT_EQ(kb->Acquire(), DI_OK);
    PushKey(SDL_SCANCODE_KP_ENTER, true);
    PushKey(SDL_SCANCODE_INTERNATIONAL3, true);  // has no code: ignored
    PumpEvents();
    ASSERT_EQ(kb->GetDeviceState(sizeof state, state), DI_OK);
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(state[code], code == DIK_NUMPADENTER ? 0x80 : 0) << "code " << code;
    EXPECT_EQ(kb->GetDeviceState(16, state), DIERR_INVALIDPARAM);
    // Buffered, it hands out each press and release once; a held key's
    // repeats are no events.
    PushKey(SDL_SCANCODE_KP_ENTER, true);
    PushKey(SDL_SCANCODE_KP_ENTER, false);
    PumpEvents();
    const auto events = ReadAll(kb);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].dwOfs, DWORD{DIK_NUMPADENTER});
    EXPECT_EQ(ButtonValues(events, DIK_NUMPADENTER), "du");
    kb->Release();
}

// A press and its release between two polls (a quick tap at a low frame
// rate, or a tool that sends both at once) read down for exactly one poll.
TEST_F(Devices, AKeyTappedBetweenPollsReadsDownForOnePoll) {
    auto* kb = Make(GUID_SysKeyboard, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY, c_dfDIKeyboard);
    ASSERT_EQ(kb->Acquire(), DI_OK);
    std::uint8_t state[256];
    auto poll = [&] {
        EXPECT_EQ(kb->GetDeviceState(sizeof state, state), DI_OK);
        return std::string{state[DIK_ESCAPE] ? 'd' : 'u', state[DIK_W] ? 'd' : 'u'};
    };
    PushKey(SDL_SCANCODE_W, true);  // held throughout
    PushKey(SDL_SCANCODE_ESCAPE, true);
    PushKey(SDL_SCANCODE_ESCAPE, false);
    PumpEvents();
    EXPECT_EQ(poll(), "dd");
    EXPECT_EQ(poll(), "ud");

    // Tapped and pressed again: still down, in both polls.
    PushKey(SDL_SCANCODE_ESCAPE, true);
    PushKey(SDL_SCANCODE_ESCAPE, false);
    PushKey(SDL_SCANCODE_ESCAPE, true);
    PumpEvents();
    EXPECT_EQ(poll(), "dd");
    EXPECT_EQ(poll(), "dd");
    PushKey(SDL_SCANCODE_ESCAPE, false);
    PushKey(SDL_SCANCODE_W, false);
    PumpEvents();
    EXPECT_EQ(poll(), "uu");

    // A tap while the keyboard is not acquired is nobody's.
    ASSERT_EQ(kb->Unacquire(), DI_OK);
    PushKey(SDL_SCANCODE_ESCAPE, true);
    PushKey(SDL_SCANCODE_ESCAPE, false);
    PumpEvents();
    ASSERT_EQ(kb->Acquire(), DI_OK);
    EXPECT_EQ(poll(), "uu");
    kb->Release();
}

TEST_F(Devices, AClickBetweenPollsReadsDownForOnePoll) {
    auto* mouse = Make(GUID_SysMouse, DISCL_EXCLUSIVE | DISCL_FOREGROUND, c_dfDIMouse);
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    PushButton(SDL_BUTTON_LEFT, true);
    PumpEvents();
    EXPECT_EQ(ButtonValues(Poll(mouse), DIMOFS_BUTTON0), "d");

    // A right click, then more movement than one read takes, then the left
    // button, pressed in an earlier poll, let go.
    PushButton(SDL_BUTTON_RIGHT, true);
    PushButton(SDL_BUTTON_RIGHT, false);
    for (int i = 0; i < 20; ++i) PushMotion(1, 1);
    PushButton(SDL_BUTTON_LEFT, false);
    PumpEvents();
    auto first = Poll(mouse);
    EXPECT_EQ(ButtonValues(first, DIMOFS_BUTTON1), "d");
    EXPECT_EQ(ButtonValues(first, DIMOFS_BUTTON0), "u");
    EXPECT_EQ(first.size(), 42u) << "all movement comes in the poll it belongs to";
    auto second = Poll(mouse);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(ButtonValues(second, DIMOFS_BUTTON1), "u");
    EXPECT_TRUE(Poll(mouse).empty());

    // A double click between two polls is two clicks, one poll apart.
    for (bool down : {true, false, true, false}) PushButton(SDL_BUTTON_MIDDLE, down);
    PumpEvents();
    EXPECT_EQ(ButtonValues(Poll(mouse), DIMOFS_BUTTON2), "d");
    EXPECT_EQ(ButtonValues(Poll(mouse), DIMOFS_BUTTON2), "ud");
    EXPECT_EQ(ButtonValues(Poll(mouse), DIMOFS_BUTTON2), "u");
    mouse->Release();
}

TEST_F(Devices, FocusLossLosesTheInputUntilFocusReturns) {
    auto* kb = Make(GUID_SysKeyboard, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND, c_dfDIKeyboard);
    auto* bg = Make(GUID_SysKeyboard, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND, c_dfDIKeyboard);
    ASSERT_EQ(kb->Acquire(), DI_OK);
    ASSERT_EQ(bg->Acquire(), DI_OK);
    PushKey(SDL_SCANCODE_W, true);
    PushFocus(false);
    PumpEvents();
    std::uint8_t state[256];
    EXPECT_EQ(kb->GetDeviceState(256, state), DIERR_INPUTLOST);
    EXPECT_EQ(kb->Acquire(), DIERR_OTHERAPPHASPRIO);
    // A background device keeps reading, with the held key released.
    ASSERT_EQ(bg->GetDeviceState(256, state), DI_OK);
    EXPECT_EQ(state[DIK_W], 0);

    PushFocus(true);
    PumpEvents();
    EXPECT_EQ(kb->Acquire(), DI_OK);
    ASSERT_EQ(kb->GetDeviceState(256, state), DI_OK);
    EXPECT_EQ(state[DIK_W], 0);
    kb->Release();
    bg->Release();
}

TEST_F(Devices, MouseQueuesRelativeEventsInOrder) {
    auto* mouse = Make(GUID_SysMouse, DISCL_EXCLUSIVE | DISCL_FOREGROUND, c_dfDIMouse);
    PushMotion(9, 9);  // before acquisition: nobody's
    PumpEvents();
    // Headless, relative mode is refused; acquiring succeeds all the same.
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    PushMotion(3, -4);
    PushWheel(2);
    PushButton(SDL_BUTTON_RIGHT, true);
    PushButton(SDL_BUTTON_X1, true);  // not one of the three: ignored
    PushButton(SDL_BUTTON_RIGHT, false);
    PumpEvents();
    auto events = ReadAll(mouse);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].dwOfs, DIMOFS_X);
    EXPECT_EQ(static_cast<std::int32_t>(events[0].dwData), 3);
    EXPECT_EQ(events[1].dwOfs, DIMOFS_Y);
    EXPECT_EQ(static_cast<std::int32_t>(events[1].dwData), -4);
    EXPECT_EQ(events[2].dwOfs, DIMOFS_Z);
    EXPECT_EQ(events[2].dwData, 240u);
    EXPECT_EQ(events[3].dwOfs, DIMOFS_BUTTON1);
    EXPECT_EQ(events[3].dwData, 0x80u);
    EXPECT_EQ(events[4].dwData, 0u);
    for (std::size_t i = 1; i < events.size(); ++i) EXPECT_GT(events[i].dwSequence, events[i - 1].dwSequence);

    mouse->Release();
}

TEST_F(Devices, MouseHandsOutWhatCameBeforeTheLossWithReleasedButtons) {
    auto* mouse = Make(GUID_SysMouse, DISCL_EXCLUSIVE | DISCL_FOREGROUND, c_dfDIMouse);
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    PushButton(SDL_BUTTON_LEFT, true);
    PushButton(SDL_BUTTON_MIDDLE, true);
    PushMotion(2, 0);
    PushFocus(false);
    PushMotion(50, 50);  // after the loss: not ours
    PumpEvents();
    HRESULT last = DI_OK;
    auto events = ReadAll(mouse, &last);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[3].dwOfs, DIMOFS_BUTTON0);
    EXPECT_EQ(events[3].dwData, 0u);
    EXPECT_EQ(events[4].dwOfs, DIMOFS_BUTTON2);
    EXPECT_EQ(events[4].dwData, 0u);
    DWORD count = 16;
    DIDEVICEOBJECTDATA buf[16];
    EXPECT_EQ(mouse->GetDeviceData(sizeof buf[0], buf, &count, 0), DIERR_INPUTLOST);
    EXPECT_EQ(mouse->Acquire(), DIERR_OTHERAPPHASPRIO);
    mouse->Release();
}

TEST_F(Devices, AFloodOfMovementIsFoldedNotDropped) {
    auto* mouse = Make(GUID_SysMouse, DISCL_EXCLUSIVE | DISCL_FOREGROUND, c_dfDIMouse);
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    // SDL's own queue is bounded, so push in batches and drain between them,
    // as frames that never poll the mouse would.
    const int batches = 20, perBatch = 500;
    for (int b = 0; b < batches; ++b) {
        for (int i = 0; i < perBatch; ++i) PushMotion(1, -1);
        PumpEvents();
    }
    PushButton(SDL_BUTTON_LEFT, true);
    PumpEvents();
    EXPECT_LE(mouse->PendingEvents(), 4097u);
    std::int64_t x = 0, y = 0;
    bool pressed = false;
    for (const auto& e : ReadAll(mouse)) {
        if (e.dwOfs == DIMOFS_X) x += static_cast<std::int32_t>(e.dwData);
        if (e.dwOfs == DIMOFS_Y) y += static_cast<std::int32_t>(e.dwData);
        if (e.dwOfs == DIMOFS_BUTTON0) pressed = e.dwData & 0x80;
    }
    EXPECT_EQ(x, batches * perBatch);
    EXPECT_EQ(y, -batches * perBatch);
    EXPECT_TRUE(pressed);
    mouse->Release();
}

// A device may be made or released while an event is being handed round: the
// event reaches exactly the sinks that are still there and were there when
// it came, and the sink that released itself finishes its call unharmed.
TEST_F(InputFixture, SinksMayComeAndGoWhileAnEventIsHandedRound) {
    std::vector<std::string> calls;
    int first = 0, second = 0, added = 0;
    first = plat::AddInputSink([&](const SDL_Event&) {
        calls.push_back("first");
        plat::RemoveInputSink(second);
        plat::RemoveInputSink(first);
        added = plat::AddInputSink([&](const SDL_Event&) { calls.push_back("added"); });
        calls.push_back("first still running");
    });
    second = plat::AddInputSink([&](const SDL_Event&) { calls.push_back("second"); });
    PushKey(SDL_SCANCODE_A, true);
    plat::PumpEvents();
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "first still running"}));

    calls.clear();
    PushKey(SDL_SCANCODE_A, false);
    plat::PumpEvents();
    EXPECT_EQ(calls, (std::vector<std::string>{"added"}));
    plat::RemoveInputSink(added);
}

}  // namespace
