#include <gtest/gtest.h>

#include <cmath>

#include "world/GameObject.h"
#include "world/Physics.h"
#include "world/WorldFixtures.h"

namespace {

// A game object with a render object and a one-point body at the origin.
class TimedMotionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(physics.Init());
        render.Init();
        object.renderObject = &render;
        physics.AddBody(&object, 1.0f);
    }
    void TearDown() override { physics.Shutdown(); }

    // A frame of ms milliseconds, then the object's timed motions.
    void Frame(std::uint32_t ms) {
        clock.Advance(ms);
        object.UpdateTimedMotion();
    }
    D3DXVECTOR3 BodyPosition() const {
        D3DXVECTOR3 p;
        object.body->GetPosition(&p);
        return p;
    }

    TestClock clock;
    Physics physics;
    BareRenderObject render;
    GameObject object;
};

}  // namespace

TEST_F(TimedMotionTest, MoveOfNoTimeSnapsOnTheNextUpdate) {
    object.body->points[0].SetVelocityXYZ(3.0f, 3.0f, 3.0f);
    object.SetMoveTarget(0, 0.0f, 4.0f, 5.0f, 6.0f);
    Frame(16);
    EXPECT_EQ(object.moving, 0);
    EXPECT_EQ(object.moveTimeLeft, 0.0f);
    EXPECT_EQ(BodyPosition(), D3DXVECTOR3(4.0f, 5.0f, 6.0f));
    EXPECT_EQ(render.GetPosition(), D3DXVECTOR3(4.0f, 5.0f, 6.0f));
    EXPECT_EQ(object.body->points[0].velocity, D3DXVECTOR3());
}

TEST_F(TimedMotionTest, MoveAdvancesByTheFrameShareAndEndsExactlyOnTarget) {
    object.SetMoveTarget(0, 0.1f, 10.0f, 0.0f, 0.0f);
    Frame(50);
    EXPECT_NEAR(BodyPosition().x, 5.0f, 1e-5f);
    EXPECT_NEAR(object.moveTimeLeft, 0.05f, 1e-6f);
    EXPECT_EQ(object.moving, 1);
    Frame(80);  // beyond the time left
    EXPECT_EQ(BodyPosition(), D3DXVECTOR3(10.0f, 0.0f, 0.0f));
    EXPECT_EQ(object.moving, 0);
}

TEST_F(TimedMotionTest, MoveOfAnotherModeOvershootsOnItsLastStep) {
    object.SetMoveTarget(1, 0.1f, 10.0f, 0.0f, 0.0f);
    Frame(200);  // f = 0.2 / 0.1 = 2
    EXPECT_NEAR(BodyPosition().x, 20.0f, 1e-4f);
    EXPECT_EQ(object.moving, 0);
}

TEST_F(TimedMotionTest, MoveOfAnotherModeWithNoTimeLeftSnapsInsteadOfDividingByZero) {
    object.SetMoveTarget(2, 0.0f, 1.0f, 2.0f, 3.0f);
    Frame(16);
    EXPECT_EQ(BodyPosition(), D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(object.moving, 0);
}

TEST_F(TimedMotionTest, NothingAdvancesWhilePaused) {
    object.SetMoveTarget(0, 0.0f, 4.0f, 5.0f, 6.0f);
    object.SetRotateTarget(1.0f, 0.0f, 0.0f);
    object.SetScaleTarget(3.0f, 0.0f);
    clock.timer.SetPaused(true);
    Frame(16);
    EXPECT_EQ(BodyPosition(), D3DXVECTOR3());
    EXPECT_EQ(render.GetRotation(), D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(render.GetScale(), D3DXVECTOR3(1.0f, 1.0f, 1.0f));
    EXPECT_EQ(object.moving + object.rotating + object.scaling, 3);
}

TEST_F(TimedMotionTest, RotationSlerpsTowardTheTargetAndEndsOnIt) {
    object.SetRotateTarget(D3DX_PI / 2.0f, 0.0f, 0.2f);  // a quarter turn about Y
    Frame(100);
    D3DXQUATERNION half;
    D3DXQuaternionRotationYawPitchRoll(&half, D3DX_PI / 4.0f, 0.0f, 0.0f);
    D3DXQUATERNION q = render.GetRotation();
    EXPECT_NEAR(q.y, half.y, 1e-5f);
    EXPECT_NEAR(q.w, half.w, 1e-5f);
    EXPECT_EQ(object.rotating, 1);
    Frame(100);  // time left 0.1 <= dt: the target itself
    EXPECT_EQ(render.GetRotation(), object.targetRotation);
    EXPECT_EQ(object.rotating, 0);
}

TEST_F(TimedMotionTest, ScaleGrowsByItsShareOfTheRemainderAndEndsOnTheTarget) {
    object.SetScaleTarget(3.0f, 0.4f);
    Frame(100);  // a quarter of (3 - 1) is added on every axis
    EXPECT_NEAR(render.GetScale().x, 1.5f, 1e-6f);
    EXPECT_NEAR(render.GetScale().z, 1.5f, 1e-6f);
    Frame(400);
    EXPECT_EQ(render.GetScale(), D3DXVECTOR3(3.0f, 3.0f, 3.0f));
    EXPECT_EQ(object.scaling, 0);
}

TEST_F(TimedMotionTest, DisableHidesTheRenderObjectAndEnableShowsIt) {
    object.Disable();
    EXPECT_FALSE(object.IsActive());
    EXPECT_FALSE(render.IsActive());
    EXPECT_TRUE(object.Enable());
    EXPECT_TRUE(object.IsActive());
    EXPECT_TRUE(render.IsActive());
}
