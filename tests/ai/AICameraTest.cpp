#include <gtest/gtest.h>

#include <cmath>

#include "AICameraTest.h"
#include "AIFixture.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {
constexpr float kTolerance = 1e-4f;
}  // namespace

TEST_F(AICameraTest, LockedOrbitPlacesTheEyeBehindTheCentre) {
    controller.SetYPosition(15.0f, 0.0f);
    controller.SetMode(AI_Camera::kLockedOrbit);
    Step(16);
    // Radius 25, height 15, heading and pitch 0.
    ExpectNear(camera.eye, D3DXVECTOR3(0, 15, -25));
    ExpectNear(LookDirection(), D3DXVECTOR3(0, 0, 1));

    // A quarter turn of the script's rotation and a downward tilt.
    controller.SetRotation(D3DX_PI / 2.0f);
    controller.SetPitch(0.5f);
    Step(16);
    ExpectNear(camera.eye, D3DXVECTOR3(-25, 15, 0));
    ExpectNear(LookDirection(), D3DXVECTOR3(std::cos(0.5f), -std::sin(0.5f), 0));
}

TEST_F(AICameraTest, ScriptedHeightRisesLinearlyToTheClampedTarget) {
    controller.SetYRange(40.0f, 15.0f);
    EXPECT_EQ(controller.HeightRange().min, 15.0f);
    EXPECT_EQ(controller.HeightRange().max, 40.0f);

    controller.SetYPosition(100.0f, -1.0f);
    EXPECT_EQ(controller.TargetHeight(), 40.0f);
    EXPECT_FLOAT_EQ(controller.HeightMoveTime(), 25.0f);

    controller.SetMode(AI_Camera::kLockedOrbit);
    Run(5.0f, 100);
    EXPECT_NEAR(controller.Height(), 20.0f, 1e-3f);
    Run(10.0f, 100);
    EXPECT_NEAR(controller.Height(), 30.0f, 1e-3f);
    EXPECT_NEAR(camera.eye.y, 30.0f, 1e-3f);
    Run(11.0f, 100);
    EXPECT_EQ(controller.Height(), 40.0f);

    // A given speed is a time in seconds whatever its sign; below the range
    // the target is the minimum.
    controller.SetYPosition(-3.0f, -4.0f);
    EXPECT_EQ(controller.TargetHeight(), 15.0f);
    EXPECT_EQ(controller.HeightMoveTime(), 4.0f);
}

TEST_F(AICameraTest, MouseLookTurnsHalfARadianPerHundredCounts) {
    camera.Set(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, 1, 0), D3DX_PI / 4, 1, 1, 100);
    // Movement made before free look was switched on does not count.
    PushMotion(300, 0);
    Step(16);
    controller.SetMode(AI_Camera::kFreeLook);
    PushMotion(100, 0);
    Step(16);
    const D3DXVECTOR3 look = LookDirection();
    EXPECT_NEAR(std::atan2(look.x, look.z), 0.5f, kTolerance);
    EXPECT_NEAR(look.y, 0.0f, kTolerance);

    // Every mode above 5 flies the same way.
    controller.SetMode(9);
    PushMotion(-100, 0);
    Step(16);
    EXPECT_NEAR(std::atan2(LookDirection().x, LookDirection().z), 0.0f, kTolerance);
}

TEST_F(AICameraTest, FollowClimbsTwoUnitsASecondUpToTheTopOfTheRange) {
    AddPlayer(D3DXVECTOR3(0, 0, 0));
    Run(12.4f, 100, &GameLogic::Up);
    EXPECT_NEAR(controller.Height(), 39.8f, 1e-3f);
    Run(0.1f, 100, &GameLogic::Up);
    EXPECT_NEAR(controller.Height(), 40.0f, 1e-3f);
    Run(2.0f, 100, &GameLogic::Up);
    EXPECT_EQ(controller.Height(), 40.0f);
    EXPECT_NEAR(camera.eye.y, 40.0f, 1e-3f);
}

TEST_F(AICameraTest, FollowTiltsDownTowardThePlayerAndFrozenOrbitSnapsToRotationZero) {
    AddPlayer(D3DXVECTOR3(0, 0, 0));
    Run(1.0f, 100, &GameLogic::RotateLeft);
    EXPECT_NEAR(controller.Rotation(), 1.0f, 1e-4f);
    const float r = controller.Radius();
    ExpectNear(camera.eye, D3DXVECTOR3(-r * std::sin(1.0f), 15.0f, -r * std::cos(1.0f)));
    // The eye is 10 over the aim point 25 away: the view tilts down.
    EXPECT_NEAR(controller.Pitch(), std::atan2(10.0f, 25.0f), 1e-4f);
    EXPECT_LT(LookDirection().y, 0.0f);

    controller.SetMode(AI_Camera::kFrozenOrbit);
    controller.SetYPosition(15.0f, 0.0f);
    Step(16);
    ExpectNear(camera.eye, D3DXVECTOR3(0, 15, -25));
    EXPECT_NEAR(controller.Rotation(), 1.0f, 1e-4f);
}

TEST_F(AICameraTest, FollowKeepsItsTiltWhenTheEyeIsOnTheAimPoint) {
    AddPlayer(D3DXVECTOR3(0, 0, 0));
    Step(16);
    Step(16);
    const float pitch = controller.Pitch();
    const D3DXVECTOR3 eye = camera.eye;
    // Aim point (x, y / 2 + 5, z) exactly on the eye.
    playerBody.points[0].position = D3DXVECTOR3(eye.x, (eye.y - 5.0f) * 2.0f, eye.z);
    Step(16);
    EXPECT_EQ(controller.Pitch(), pitch);
    EXPECT_TRUE(std::isfinite(camera.target.x) && std::isfinite(camera.target.y) && std::isfinite(camera.target.z));
}

TEST_F(AICameraTest, FollowWaitsForAPlayerWithABody) {
    const D3DXVECTOR3 eye = camera.eye;
    Step(16, &GameLogic::Up);
    EXPECT_EQ(camera.eye, eye);
    AddPlayer(D3DXVECTOR3(0, 0, 0), /*withBody=*/false);
    Step(16, &GameLogic::Up);
    EXPECT_EQ(camera.eye, eye);
    EXPECT_EQ(controller.Height(), 15.0f);
}
