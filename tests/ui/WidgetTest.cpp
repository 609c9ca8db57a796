#include <cmath>

#include "UIFixture.h"
#include "ui/SliderBar.h"
#include "ui/UIObject.h"

namespace {

// A 400 x 300 screen: a screen unit is 200 pixels across and 150 down. The
// slider's default bar runs from x -0.5 (pixel 100) to 0.5 (pixel 300) with
// its top at y -0.95 (pixel 292.5); its rows are pixels 293 to 299.
class WidgetTest : public UIFixture {
protected:
    WidgetTest() : UIFixture(400, 300) {}
    void SetUp() override {
        UIFixture::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(slider.Init());
    }
    void TearDown() override {
        slider.Shutdown();
        UIFixture::TearDown();
    }
    static int PixelX(float screenX) { return int(std::lround(screenX * 200.0f + 200.0f)); }
    void Step() {
        Frame();
        slider.Update();
    }

    SliderBar slider;
};

TEST_F(WidgetTest, SetValueMovesTheHandleToItsTickAndGetValueReadsItBack) {
    slider.SetValue(0.5f);
    EXPECT_FLOAT_EQ(slider.HandlePosition(), 0.458984375f);
    EXPECT_EQ(slider.TickIndex(), 14);
    EXPECT_FLOAT_EQ(slider.GetValue(), 0.5f);
    EXPECT_FLOAT_EQ(ItemOf(slider.HandleSprite()).x, -0.5f + 0.05078125f + 0.458984375f);

    slider.SetValue(7.0f);
    EXPECT_FLOAT_EQ(slider.HandlePosition(), slider.BarWidth());
    EXPECT_EQ(slider.TickIndex(), 29);
    slider.SetValue(-3.0f);
    EXPECT_EQ(slider.HandlePosition(), 0.0f);
    EXPECT_EQ(slider.TickIndex(), 0);

    slider.SetRange(0.0f, 2.0f);
    EXPECT_TRUE(slider.Nodes().empty());
    EXPECT_EQ(slider.HandlePosition(), 0.0f);
    slider.SetValue(1.5f);
    EXPECT_FLOAT_EQ(slider.GetValue(), 1.5f);
}

TEST_F(WidgetTest, AnEmptyRangeMapsToTheStartInsteadOfNaN) {
    slider.AddNode(0.5f, false);
    slider.SetRange(1.0f, 1.0f);
    EXPECT_EQ(slider.HandlePosition(), 0.0f);
    EXPECT_EQ(slider.GetValue(), 1.0f);
    slider.AddNode(1.0f, true);
    slider.SelectNodeAt(1.0f);
    ASSERT_EQ(slider.Nodes().size(), 1u);
    EXPECT_FALSE(std::isnan(slider.Nodes().front().position));
    EXPECT_FALSE(std::isnan(slider.GetValue()));
}

TEST_F(WidgetTest, RightClickAddsANodePicksItAndDragsItWithTheHandle) {
    MoveTo(200, 296);
    PushButton(3, true);
    Step();
    ASSERT_EQ(slider.Nodes().size(), 1u);
    EXPECT_TRUE(slider.events & kNodeAdded);
    EXPECT_NE(slider.SelectedNode(), nullptr);
    EXPECT_TRUE(cursor.rightCaptured);
    EXPECT_FALSE(cursor.visible);
    // The handle's centre under the cursor, the new node under the handle.
    EXPECT_NEAR(slider.HandlePosition() + 1.0f / 64.0f, 0.5f - 0.05078125f, 1e-6f);
    EXPECT_EQ(slider.Nodes().front().position, slider.HandlePosition());

    PushMotion(20, 0);  // a tenth of a screen unit to the right
    Step();
    EXPECT_TRUE(slider.events & kNodeMoved);
    EXPECT_TRUE(slider.events & kValueChanged);
    EXPECT_NEAR(slider.Nodes().front().position, slider.HandlePosition() + 0.1f, 1e-6f);
    EXPECT_NEAR(slider.GetValue(), (slider.HandlePosition() + 0.1f) / slider.BarWidth(), 1e-6f);

    PushButton(3, false);
    Step();
    EXPECT_TRUE(slider.events & kNodeMoved);
    EXPECT_FALSE(cursor.rightCaptured);
    EXPECT_TRUE(cursor.visible);
    const float released = slider.HandlePosition();
    EXPECT_EQ(slider.Nodes().front().position, released);
    EXPECT_EQ(slider.Nodes().front().tick, slider.TickIndex());

    // A right click on that node picks it instead of adding one.
    MoveTo(PixelX(-0.5f + 0.05078125f + released + 0.01f), 296);
    PushButton(3, true);
    Step();
    EXPECT_TRUE(slider.events & kNodePicked);
    EXPECT_FALSE(slider.events & kNodeAdded);
    EXPECT_EQ(slider.Nodes().size(), 1u);
    PushButton(3, false);
    Step();
}

TEST_F(WidgetTest, TheMarginDragsTheWholeBarWhichNeverLeavesTheScreen) {
    MoveTo(105, 296);  // inside the 13/256 grip at the left end
    PushButton(1, true);
    Step();
    EXPECT_TRUE(slider.Moving());
    PushMotion(40, -30);
    Step();
    EXPECT_FLOAT_EQ(slider.x, -0.3f);
    EXPECT_FLOAT_EQ(slider.y, -0.75f);
    EXPECT_FLOAT_EQ(ItemOf(slider.Sprite()).x, -0.3f);
    EXPECT_FLOAT_EQ(ItemOf(slider.HandleSprite()).x, -0.3f + 0.05078125f);
    PushMotion(-1000, 1000);
    Step();
    EXPECT_EQ(slider.x, -1.0f);
    EXPECT_FLOAT_EQ(slider.y, slider.height - 1.0f);
    PushMotion(5000, -5000);
    Step();
    EXPECT_EQ(slider.x, 1.0f - slider.width);
    EXPECT_EQ(slider.y, 1.0f);
    PushButton(1, false);
    Step();
    EXPECT_FALSE(slider.Moving());
}

TEST_F(WidgetTest, ALeftPressOnTheBarJumpsTheHandleAndDragsIt) {
    MoveTo(250, 296);
    PushButton(1, true);
    Step();
    EXPECT_TRUE(slider.events & kValueChanged);
    EXPECT_TRUE(slider.events & kSelectionDropped);
    EXPECT_NEAR(slider.HandlePosition(), 0.25f + 0.5f - 0.05078125f - 1.0f / 64.0f, 1e-6f);
    PushMotion(-1000, 0);
    Step();
    EXPECT_NEAR(slider.GetValue(), 0.0f, 1e-6f);  // the pending move is clamped to the bar
    PushButton(1, false);
    Step();
    EXPECT_EQ(slider.HandlePosition(), 0.0f);
    EXPECT_EQ(slider.TickIndex(), 0);
}

TEST_F(WidgetTest, ASecondWidgetIgnoresAPressTheSliderHasTaken) {
    UIObject panel;
    ASSERT_TRUE(panel.Init());
    panel.x = -0.6f, panel.y = -0.9f, panel.width = 0.4f, panel.height = 0.1f;  // over the bar's left part
    MoveTo(150, 296);
    PushButton(1, true);
    Frame();
    slider.Update();
    panel.Update();
    EXPECT_EQ(cursor.leftCapturer, &slider);
    EXPECT_FALSE(panel.Grabbed());
    panel.Shutdown();
}

TEST_F(WidgetTest, HidingOrShuttingDownMidDragGivesThePressBack) {
    MoveTo(200, 296);
    PushButton(1, true);
    Step();
    ASSERT_TRUE(cursor.leftCaptured);
    slider.Hide();
    EXPECT_FALSE(cursor.leftCaptured);
    EXPECT_EQ(cursor.leftCapturer, nullptr);
    EXPECT_TRUE(cursor.visible);
    EXPECT_FALSE(slider.HandleSprite()->IsActive());

    UIObject panel;
    ASSERT_TRUE(panel.Init());  // a 0.1 square at (-0.5, -0.5): pixels 100..120, 225..240
    PushButton(1, false);
    Frame();
    MoveTo(105, 230);
    PushButton(1, true);
    Frame();
    panel.Update();
    EXPECT_TRUE(panel.Grabbed());
    EXPECT_TRUE(panel.Moving());
    panel.Shutdown();
    EXPECT_FALSE(cursor.leftCaptured);
    EXPECT_TRUE(cursor.visible);
}

TEST_F(WidgetTest, NodesAddedByTheOwnerGoNewestFirstAndSelectionFollowsTheHandle) {
    slider.AddNode(0.25f, false);
    slider.AddNode(0.75f, false);
    ASSERT_EQ(slider.Nodes().size(), 2u);
    EXPECT_FLOAT_EQ(slider.Nodes().front().position, 0.75f * slider.BarWidth());
    EXPECT_EQ(slider.Nodes().front().tick, int(0.75f * slider.BarWidth() / slider.TickSpacing()));
    EXPECT_EQ(slider.NodeSprite()->ItemCount(), 2u);

    slider.SelectNodeAt(0.25f);
    ASSERT_NE(slider.SelectedNode(), nullptr);
    EXPECT_FLOAT_EQ(slider.GetValue(), 0.25f);
    EXPECT_NE(slider.SelectionSprite(), nullptr);
    slider.ReleaseSelection();
    EXPECT_EQ(slider.SelectionSprite(), nullptr);
    // Bits raised outside Update are gone by the time the owner reads them.
    Step();
    EXPECT_EQ(slider.events, 0u);
}

}  // namespace
