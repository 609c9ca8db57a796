#include "UIFixture.h"

namespace {

class CursorTest : public UIFixture {
protected:
    CursorTest() : UIFixture(1024, 768) {}
};

TEST_F(CursorTest, PositionIsClampedWithoutOvershootWhileTheDeltaStaysRaw) {
    EXPECT_EQ(cursor.position.x, 0.0f);
    PushMotion(-300, -50);
    Frame();
    EXPECT_EQ(cursor.position.x, 0.0f);
    EXPECT_EQ(cursor.position.y, 0.0f);
    EXPECT_EQ(cursor.delta.x, -300.0f);
    EXPECT_EQ(cursor.delta.y, -50.0f);

    // Moving back right responds at once: nothing of the 300 is owed.
    PushMotion(5, 0);
    Frame();
    EXPECT_EQ(cursor.position.x, 5.0f);

    PushMotion(5000, 5000);
    Frame();
    EXPECT_EQ(cursor.position.x, 1024.0f);
    EXPECT_EQ(cursor.position.y, 768.0f);

    // A frame without movement has no delta.
    Frame();
    EXPECT_EQ(cursor.delta.x, 0.0f);
    EXPECT_EQ(cursor.delta.y, 0.0f);
}

TEST_F(CursorTest, SpriteTopLeftSitsOnThePointerInScreenUnits) {
    ASSERT_NE(cursor.sprite, nullptr);
    EXPECT_FALSE(cursor.sprite->IsActive());  // hidden until a script shows it
    Frame();
    ScreenQuadItem item = ItemOf(cursor.sprite);
    EXPECT_EQ(item.x, -1.0f);
    EXPECT_EQ(item.y, 1.0f);
    EXPECT_EQ(item.width, Cursor::kSpriteSize);

    MoveTo(512, 384);
    item = ItemOf(cursor.sprite);
    EXPECT_EQ(item.x, 0.0f);
    EXPECT_EQ(item.y, 0.0f);

    MoveTo(1024, 768);
    item = ItemOf(cursor.sprite);
    EXPECT_EQ(item.x, 1.0f);
    EXPECT_EQ(item.y, -1.0f);
}

TEST_F(CursorTest, WheelAndButtonsAreCopiedEachFrame) {
    PushWheel(2);
    PushButton(1, true);
    PushButton(3, true);
    Frame();
    EXPECT_EQ(cursor.wheelDelta, 240);
    EXPECT_TRUE(cursor.leftDown);
    EXPECT_TRUE(cursor.rightDown);
    EXPECT_FALSE(cursor.middleDown);
    PushButton(1, false);
    Frame();
    EXPECT_EQ(cursor.wheelDelta, 0);
    EXPECT_FALSE(cursor.leftDown);
    EXPECT_TRUE(cursor.rightDown);
}

TEST_F(CursorTest, TakenFlagsLastOneFrameUnlessCaptured) {
    cursor.leftTaken = 1;
    cursor.rightTaken = 1;
    cursor.middleTaken = 1;
    cursor.rightCaptured = 1;
    Frame();
    EXPECT_FALSE(cursor.leftTaken);
    EXPECT_FALSE(cursor.middleTaken);
    EXPECT_TRUE(cursor.rightTaken);  // held by a widget until it lets go
    cursor.rightCaptured = 0;
    Frame();
    EXPECT_FALSE(cursor.rightTaken);
}

TEST_F(CursorTest, AViewportWithNoRoomSkipsTheFrameAndOwesNothingAfterwards) {
    MoveTo(100, 100);
    D3DVIEWPORT9 minimised{0, 0, 1, 1, 0.0f, 1.0f};
    ASSERT_EQ(video.Device()->SetViewport(&minimised), D3D_OK);
    PushMotion(50, 50);
    plat::PumpEvents();
    input.Update();
    cursor.Update();
    EXPECT_EQ(cursor.position.x, 100.0f);
    EXPECT_EQ(cursor.delta.x, 0.0f);

    D3DVIEWPORT9 whole{0, 0, 1024, 768, 0.0f, 1.0f};
    ASSERT_EQ(video.Device()->SetViewport(&whole), D3D_OK);
    Frame();
    EXPECT_EQ(cursor.position.x, 100.0f);
}

TEST(CursorAloneTest, DoesNothingBeforeInit) {
    Cursor cursor;
    EXPECT_FALSE(cursor.Update());
    EXPECT_FALSE(cursor.Shutdown());
}

}  // namespace
