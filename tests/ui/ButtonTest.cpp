#include <string>
#include <vector>

#include "UIFixture.h"
#include "ui/Button.h"
#include "ui/HUDText.h"

namespace {

std::vector<std::string> calls;
void Record(const char* what) { calls.push_back(what); }

// A 160 x 120 screen: the button spans pixels 40..120 across and 30..90 down.
class ButtonTest : public UIFixture {
protected:
    void SetUp() override {
        UIFixture::SetUp();
        if (HasFatalFailure()) return;
        calls.clear();
        const ButtonDesc desc{-0.5f, 0.5f, 0.5f, -0.5f, "ButtonPlay.bmp"};
        ASSERT_TRUE(button.Init(&desc));
        button.SetText("Play", 4, 0.8f, 1.0f, 1);
    }
    void Recording() {
        button.onLeave = [](Button*) { Record("Leave"); };
        button.onEnter = [](Button*) { Record("Enter"); };
        button.onPress = [](Button*) { Record("Press"); };
        button.onHover = [](Button*) { Record("Hover"); };
        button.onHold = [](Button*) { Record("Hold"); };
        button.onRelease = [](Button*) { Record("Release"); };
    }
    void Step() {
        Frame();
        button.Update();
    }
    const float* LabelColour() const { return button.Label()->Colour(); }

    Button button;
};

using Calls = std::vector<std::string>;

TEST_F(ButtonTest, Resting3FramesEntersOnceHoversThenLeavesOnce) {
    Recording();
    MoveTo(80, 60);
    button.Update();
    Step();
    Step();
    MoveTo(150, 60);
    button.Update();
    Step();
    EXPECT_EQ(calls, (Calls{"Enter", "Hover", "Hover", "Leave"}));
}

TEST_F(ButtonTest, AHeldPressPressesOnceHoldsThenReleasesToAWhiteLabel) {
    MoveTo(80, 60);
    button.Update();
    EXPECT_EQ(LabelColour()[0], 1.0f);  // entered: lit
    Recording();
    PushButton(1, true);
    Step();
    Step();
    Step();
    PushButton(1, false);
    Step();
    EXPECT_EQ(calls, (Calls{"Hover", "Press", "Hover", "Hold", "Hover", "Hold", "Hover", "Release"}));

    // With the default callbacks the label flashes on the press and is white
    // after the release.
    button.Shutdown();
    const ButtonDesc desc{-0.5f, 0.5f, 0.5f, -0.5f, nullptr};
    ASSERT_TRUE(button.Init(&desc));
    button.SetText("Play", 4, 0.8f, 1.0f, 1);
    EXPECT_EQ(LabelColour()[0], 0.5f);
    EXPECT_EQ(LabelColour()[3], 0.75f);
    Step();
    PushButton(3, true);  // the right button presses too
    Step();
    EXPECT_EQ(LabelColour()[0], 10.0f);
    EXPECT_EQ(button.PressState(), Button::kPressed);
    PushButton(3, false);
    Step();
    EXPECT_EQ(LabelColour()[0], 1.0f);
    EXPECT_EQ(LabelColour()[3], 1.0f);
    EXPECT_EQ(button.PressState(), Button::kUp);
}

TEST_F(ButtonTest, APressDraggedOffIsReleasedOnlyWhenTheCursorComesBackUnpressed) {
    MoveTo(80, 60);
    button.Update();
    PushButton(1, true);
    Step();
    Recording();
    MoveTo(150, 60);
    button.Update();
    PushButton(1, false);
    Step();
    EXPECT_EQ(calls, (Calls{"Leave"}));
    EXPECT_EQ(button.PressState(), Button::kPressed);
    EXPECT_FALSE(button.IsMouseDown());
    MoveTo(80, 60);
    button.Update();
    EXPECT_EQ(calls, (Calls{"Leave", "Enter", "Release"}));
}

TEST_F(ButtonTest, TheEdgeCountsAsOverAndAPressAnywhereIsAMouseDown) {
    MoveTo(40, 30);  // exactly the top-left corner (-0.5, 0.5)
    EXPECT_TRUE(button.IsCursorOver());
    MoveTo(120, 90);
    EXPECT_TRUE(button.IsCursorOver());
    MoveTo(121, 90);
    EXPECT_FALSE(button.IsCursorOver());
    EXPECT_FALSE(button.IsMouseDown());
    PushButton(1, true);
    Frame();
    EXPECT_TRUE(button.IsMouseDown());
}

TEST_F(ButtonTest, WithoutATextureTheQuadIsHiddenButTheLabelWorks) {
    EXPECT_TRUE(button.Quad()->IsActive());
    button.Shutdown();

    const ButtonDesc desc{-0.5f, 0.5f, 0.5f, -0.5f, nullptr};
    ASSERT_TRUE(button.Init(&desc));
    button.SetText("Quit", 4, 0.8f, 1.0f, 1);
    EXPECT_FALSE(button.Quad()->IsActive());
    ASSERT_NE(button.Label(), nullptr);
    EXPECT_NE(button.Label()->Glyph(0)->quad, nullptr);
    MoveTo(80, 60);
    button.Update();
    EXPECT_EQ(button.HoverState(), Button::kEntered);
    EXPECT_EQ(button.Label()->Mode(), 1u);  // animated while the cursor is over it
}

}  // namespace
