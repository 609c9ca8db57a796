#include "core/SystemNames.h"
#include "core/eTable.h"
#include "input/InputFixture.h"
#include "platform/input/DirectInput.h"

namespace {

constexpr std::uint8_t kA = plat::DIK_A;
constexpr std::uint8_t kSpace = plat::DIK_SPACE;

TEST_F(InputFixture, HeldKeyTriggersOnceAndIsDownEveryPoll) {
    Input input;
    ASSERT_TRUE(StartInput(input));
    EXPECT_EQ(eTable::Peek(names::Input), &input);
    PushKey(SDL_SCANCODE_A, true);
    int triggers = 0;
    for (int poll = 0; poll < 5; ++poll) {
        Frame(input);
        EXPECT_TRUE(input.IsKeyDown(kA, 0)) << "poll " << poll;
        triggers += input.IsKeyTriggered(kA, 0);
    }
    EXPECT_EQ(triggers, 1);

    // Released and pressed again: a new press, a new trigger.
    PushKey(SDL_SCANCODE_A, false);
    Frame(input);
    EXPECT_FALSE(input.IsKeyDown(kA, 0));
    PushKey(SDL_SCANCODE_A, true);
    Frame(input);
    EXPECT_TRUE(input.IsKeyTriggered(kA, 0));
    EXPECT_FALSE(input.IsKeyDown(kSpace, 0));
}

TEST_F(InputFixture, TriggerGoesToTheFirstAskerOnTheCurrentStreamOnly) {
    Input input;
    ASSERT_TRUE(StartInput(input));
    PushKey(SDL_SCANCODE_SPACE, true);
    Frame(input);

    // Another stream sees nothing and takes nothing.
    EXPECT_FALSE(input.IsKeyTriggered(kSpace, 2));
    EXPECT_FALSE(input.IsKeyDown(kSpace, 2));
    EXPECT_TRUE(input.IsKeyTriggered(kSpace, 0));
    EXPECT_FALSE(input.IsKeyTriggered(kSpace, 0)) << "a second asker in the same frame";
    EXPECT_TRUE(input.IsKeyDown(kSpace, 0));
}

TEST_F(InputFixture, SetStreamRetriggersAHeldKeyOnTheNewStream) {
    Input input;
    ASSERT_TRUE(StartInput(input));
    PushKey(SDL_SCANCODE_A, true);
    Frame(input);
    input.SetStream(2);
    EXPECT_EQ(input.GetStream(), 2);
    EXPECT_FALSE(input.IsKeyTriggered(kA, 2)) << "cleared until the next poll";
    EXPECT_FALSE(input.IsKeyTriggered(kA, 0)) << "stream 0 is no longer current";
    Frame(input);
    EXPECT_TRUE(input.IsKeyTriggered(kA, 2));

    // ClearKeys drops a pending trigger; the held key triggers again.
    Frame(input);
    EXPECT_FALSE(input.IsKeyTriggered(kA, 2));
    input.ClearKeys();
    Frame(input);
    EXPECT_TRUE(input.IsKeyTriggered(kA, 2));
}

TEST_F(InputFixture, MouseTotalsAccumulateAndFrameMovementIsTheDifference) {
    Input input;
    ASSERT_TRUE(StartInput(input));
    PushMotion(5, -3);
    PushMotion(2, 10);
    PushWheel(1);
    Frame(input);
    EXPECT_EQ(input.MouseX(), 7);
    EXPECT_EQ(input.MouseY(), 7);
    EXPECT_EQ(input.MouseWheel(), 120);

    int lastX = input.MouseX();
    PushMotion(-20, 0);
    PushWheel(-2);
    PushWheel(1, /*flipped=*/true);
    Frame(input);
    EXPECT_EQ(input.MouseX() - lastX, -20);
    EXPECT_EQ(input.MouseWheel(), 120 - 240 - 120);

    // A wild driver value wraps instead of overflowing (2^31 notches of 120
    // are a whole number of turns of the 32-bit total).
    int wheel = input.MouseWheel();
    PushWheel(INT32_MIN, /*flipped=*/true);
    Frame(input);
    EXPECT_EQ(input.MouseWheel(), wheel);
}

TEST_F(InputFixture, NoMouseEventWaitsForALaterFrame) {
    Input input;
    ASSERT_TRUE(StartInput(input));
    // Far more events than one read takes, the button's release last of all.
    PushButton(SDL_BUTTON_LEFT, true);
    for (int i = 0; i < 100; ++i) PushMotion(1, 2);
    PushButton(SDL_BUTTON_LEFT, false);
    Frame(input);
    EXPECT_EQ(input.MouseX(), 100);
    EXPECT_EQ(input.MouseY(), 200);
    EXPECT_TRUE(input.LeftButton()) << "a click within one frame is seen for that frame";
    Frame(input);
    EXPECT_FALSE(input.LeftButton());
}

TEST_F(InputFixture, ButtonsAndHoldTimesFollowTheTimer) {
    ASSERT_TRUE(timer.Init());
    Input input;
    ASSERT_TRUE(StartInput(input));
    PushButton(SDL_BUTTON_LEFT, true);
    PushButton(SDL_BUTTON_RIGHT, true);
    PushButton(SDL_BUTTON_MIDDLE, true);
    Frame(input, 100);
    EXPECT_TRUE(input.LeftButton());
    EXPECT_TRUE(input.RightButton());
    EXPECT_TRUE(input.MiddleButton());
    EXPECT_FLOAT_EQ(input.LeftHeldTime(), 0.1f);
    Frame(input, 50);
    EXPECT_FLOAT_EQ(input.LeftHeldTime(), 0.15f);
    EXPECT_FLOAT_EQ(input.RightHeldTime(), 0.15f);

    timer.SetPaused(true);
    Frame(input, 500);
    EXPECT_FLOAT_EQ(input.LeftHeldTime(), 0.15f) << "no growth while paused";
    timer.SetPaused(false);

    PushButton(SDL_BUTTON_LEFT, false);
    PushButton(SDL_BUTTON_MIDDLE, false);
    Frame(input, 100);
    EXPECT_FALSE(input.LeftButton());
    EXPECT_FALSE(input.MiddleButton());
    EXPECT_EQ(input.LeftHeldTime(), 0.0f);
    EXPECT_FLOAT_EQ(input.RightHeldTime(), 0.25f);

    // A mouse condition takes the click; the button stays held in the device.
    input.ClearRightButton();
    EXPECT_FALSE(input.RightButton());
}

TEST_F(InputFixture, FocusLossReleasesEveryKeyAndFocusGainReadsAgain) {
    Input input;
    ASSERT_TRUE(StartInput(input));
    PushKey(SDL_SCANCODE_A, true);
    PushKey(SDL_SCANCODE_LSHIFT, true);
    Frame(input);
    ASSERT_TRUE(input.IsKeyDown(kA, 0));

    PushFocus(false);
    Frame(input);
    EXPECT_FALSE(input.IsKeyDown(kA, 0));
    EXPECT_FALSE(input.IsKeyDown(plat::DIK_LSHIFT, 0));
    Frame(input);
    EXPECT_FALSE(input.IsKeyDown(kA, 0)) << "still in the background";

    PushFocus(true);
    Frame(input);  // re-acquires
    PushKey(SDL_SCANCODE_A, true);
    Frame(input);
    EXPECT_TRUE(input.IsKeyDown(kA, 0));
    EXPECT_TRUE(input.IsKeyTriggered(kA, 0));
    EXPECT_FALSE(input.IsKeyDown(plat::DIK_LSHIFT, 0)) << "released while away";
}

TEST_F(InputFixture, ReleasingTheMouseKeepsTotalsAndLosesNoEvent) {
    Input input;
    ASSERT_TRUE(StartInput(input));
    PushMotion(4, 4);
    Frame(input);

    // Movement and a press that came after the last poll, then the window
    // loses focus with the button still down.
    PushMotion(3, 0);
    PushButton(SDL_BUTTON_LEFT, true);
    PushFocus(false);
    plat::PumpEvents();
    input.ReleaseMouse();
    EXPECT_FALSE(input.HasMouse());
    EXPECT_EQ(input.MouseX(), 7);
    // The press reads down for the frame that follows, as any click shorter
    // than a frame does; the next one sees the release.
    Frame(input);
    Frame(input);
    EXPECT_FALSE(input.LeftButton()) << "a button held at focus loss must not stay down";
    EXPECT_EQ(input.MouseX(), 7);

    PushFocus(true);
    plat::PumpEvents();
    ASSERT_TRUE(input.CreateMouse(window));
    PushMotion(1, 0);
    Frame(input);
    EXPECT_EQ(input.MouseX(), 8);
}

TEST_F(InputFixture, FailedStartLeavesNothingRegistered) {
    struct Case {
        plat::DirectInputFaults faults;
        const char* text;
    };
    const Case cases[] = {
        {{plat::DIERR_GENERIC, plat::DI_OK, plat::DI_OK}, "Failed to aquire DirectInput interface!"},
        {{plat::DI_OK, plat::DIERR_GENERIC, plat::DI_OK}, "Failed to aquire keyboard!"},
        {{plat::DI_OK, plat::DI_OK, plat::DIERR_GENERIC}, "Failed to aquire mouse!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        plat::SetDirectInputFaults(c.faults);
        boxes.texts.clear();
        {
            Input input;
            EXPECT_FALSE(StartInput(input));
            EXPECT_FALSE(input.IsInitialized());
            EXPECT_EQ(eTable::Peek(names::Input), nullptr);
            EXPECT_EQ(eTable::Peek(names::Bindings), nullptr);
            ASSERT_EQ(boxes.texts.size(), 1u);
            EXPECT_EQ(boxes.texts[0], c.text);
        }
        plat::SetDirectInputFaults({});
    }
    EXPECT_FALSE(Input().Init(nullptr, nullptr)) << "no window pair";
    // A window that is not one: the keyboard cannot be set up for it.
    pair.window = nullptr;
    Input input;
    EXPECT_FALSE(StartInput(input));
    EXPECT_EQ(eTable::Peek(names::Input), nullptr);

    // And a healthy start after all that still works.
    pair.window = window;
    Input again;
    EXPECT_TRUE(StartInput(again));
    EXPECT_FALSE(again.Init(&pair, nullptr)) << "second Init";
    EXPECT_TRUE(again.Shutdown());
    EXPECT_EQ(eTable::Peek(names::Input), nullptr);
    EXPECT_FALSE(again.Shutdown());
}

}  // namespace
