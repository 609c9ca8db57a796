#include <gtest/gtest.h>

#include <cmath>

#include "Video/Camera.h"
#include "Video/Effects/EffectParams.h"
#include "Video/MatrixMan.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {

// A matrix pool and a camera registered as the video system would make them.
class CameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        EffectParams::ClearForTests();
        ASSERT_TRUE(pool.Init());
        ASSERT_TRUE(camera.Init());
    }
    void TearDown() override {
        camera.Shutdown();
        pool.Shutdown();
    }

    // Signed distances of a point from the six frustum planes.
    void ExpectInside(const D3DXVECTOR3& p) {
        for (int i = 0; i < Camera::kPlaneCount; ++i)
            EXPECT_GT(D3DXPlaneDotCoord(&camera.frustum[i], &p), 0.0f) << "plane " << i;
    }
    float Distance(Camera::Plane plane, const D3DXVECTOR3& p) {
        return D3DXPlaneDotCoord(&camera.frustum[plane], &p);
    }

    MatrixMan pool;
    Camera camera;
};

constexpr float kTolerance = 1e-5f;

}  // namespace

TEST_F(CameraTest, BindsThePoolsMatricesIntoTheStoreOnce) {
    EXPECT_EQ(EffectParams::GetMatrix(sem::View), pool.GetMatrix(2));
    EXPECT_EQ(EffectParams::GetMatrix(sem::Projection), pool.GetMatrix(1));
    EXPECT_EQ(EffectParams::GetMatrix(sem::ViewProjection), pool.GetMatrix(3));
    EXPECT_EQ(EffectParams::GetMatrix(sem::ScreenAlign), pool.GetMatrix(4));
    // Later moves show through the bound pointer without another write.
    camera.Update();
    const D3DXMATRIX before = *EffectParams::GetMatrix(sem::ViewProjection);
    camera.Move(1, 0, 0);
    camera.Update();
    EXPECT_NE(EffectParams::GetMatrix(sem::ViewProjection)->_41, before._41);
    EXPECT_FALSE(camera.Init());
}

TEST_F(CameraTest, DefaultEyeLooksAtTheOriginFromAbove) {
    ASSERT_TRUE(camera.Update());
    const float root34 = std::sqrt(34.0f);
    const D3DXMATRIX& view = *camera.view;
    // Right (1,0,0), up (0,5,3)/sqrt34, forward (0,-3,5)/sqrt34 in the
    // columns; the origin lies sqrt34 ahead.
    EXPECT_NEAR(view._11, 1.0f, kTolerance);
    EXPECT_NEAR(view._22, 5.0f / root34, kTolerance);
    EXPECT_NEAR(view._32, 3.0f / root34, kTolerance);
    EXPECT_NEAR(view._23, -3.0f / root34, kTolerance);
    EXPECT_NEAR(view._33, 5.0f / root34, kTolerance);
    EXPECT_NEAR(view._42, 0.0f, kTolerance);
    EXPECT_NEAR(view._43, root34, kTolerance);

    // 45-degree lens, aspect 1, near 1, far 10000.
    const D3DXMATRIX& proj = *camera.projection;
    const float cotHalf = 1.0f / std::tan(D3DX_PI / 8.0f);
    EXPECT_NEAR(proj._11, cotHalf, kTolerance);
    EXPECT_NEAR(proj._22, cotHalf, kTolerance);
    EXPECT_NEAR(proj._33, 10000.0f / 9999.0f, kTolerance);
    EXPECT_NEAR(proj._43, -10000.0f / 9999.0f, kTolerance);
    EXPECT_EQ(proj._34, 1.0f);

    // The origin lands in the middle of the screen.
    D3DXVECTOR4 clip;
    const D3DXVECTOR3 origin(0, 0, 0);
    D3DXVec3Transform(&clip, &origin, camera.viewProjection);
    EXPECT_NEAR(clip.x / clip.w, 0.0f, kTolerance);
    EXPECT_NEAR(clip.y / clip.w, 0.0f, kTolerance);

    // The screen-align rows are the up, forward and right axes.
    const D3DXMATRIX& align = *camera.screenAlign;
    EXPECT_NEAR(align._12, 5.0f / root34, kTolerance);
    EXPECT_NEAR(align._23, 5.0f / root34, kTolerance);
    EXPECT_NEAR(align._31, 1.0f, kTolerance);
    EXPECT_EQ(align._44, 1.0f);

    const float* direction = EffectParams::GetVector(sem::EyeDirection);
    EXPECT_NEAR(direction[1], -3.0f / root34, kTolerance);
    EXPECT_NEAR(direction[2], 5.0f / root34, kTolerance);
    EXPECT_EQ(direction[3], 0.0f);
    const float* position = EffectParams::GetVector(sem::EyePosition);
    EXPECT_EQ(position[1], 3.0f);
    EXPECT_EQ(position[2], -5.0f);
    EXPECT_EQ(position[3], 1.0f);
}

TEST_F(CameraTest, FrustumPlanesAreNormalisedAndPointInward) {
    camera.Set({0, 0, 0}, {0, 0, 10}, {0, 2, 0}, D3DX_PI / 2.0f, 2.0f, 1.0f, 100.0f);
    EXPECT_NEAR(camera.up.y, 1.0f, kTolerance);  // Set normalises up
    for (const D3DXPLANE& p : camera.frustum)
        EXPECT_NEAR(p.a * p.a + p.b * p.b + p.c * p.c, 1.0f, kTolerance);

    ExpectInside({0, 0, 1.5f});
    ExpectInside({0, 0, 99});
    ExpectInside({150, 70, 99});  // 90 degrees tall, twice as wide
    EXPECT_NEAR(Distance(Camera::kNear, {0, 0, 1}), 0.0f, kTolerance);
    EXPECT_NEAR(Distance(Camera::kFar, {0, 0, 100}), 0.0f, 1e-3f);
    EXPECT_LT(Distance(Camera::kNear, {0, 0, 0.5f}), 0.0f);
    EXPECT_LT(Distance(Camera::kFar, {0, 0, 101}), 0.0f);
    EXPECT_LT(Distance(Camera::kLeft, {-30, 0, 10}), 0.0f);
    EXPECT_LT(Distance(Camera::kRight, {30, 0, 10}), 0.0f);
    EXPECT_LT(Distance(Camera::kBottom, {0, -15, 10}), 0.0f);
    EXPECT_LT(Distance(Camera::kTop, {0, 15, 10}), 0.0f);
    // Twice as wide as tall: (19, 0, 10) is inside, (0, 11, 10) is not.
    EXPECT_GT(Distance(Camera::kRight, {19, 0, 10}), 0.0f);
    EXPECT_LT(Distance(Camera::kTop, {0, 11, 10}), 0.0f);
}

TEST_F(CameraTest, PitchTowardAPoleIsRefusedNearIt) {
    // Looking almost straight up: the viewing direction's dot with up is
    // about 0.9988.
    camera.Set({0, 0, 0}, {0, 10, 0.5f}, {0, 1, 0}, D3DX_PI / 4.0f, 1.0f, 1.0f, 100.0f);
    const D3DXVECTOR3 before = camera.target;
    camera.Rotate(0, -0.1f, 0);
    EXPECT_EQ(camera.target, before);
    camera.Rotate(0, 0.1f, 0);
    EXPECT_LT(camera.target.y, before.y);  // pitched down, away from the pole
    EXPECT_FALSE(camera.IsValid());

    // And the mirror case, looking almost straight down.
    camera.Set({0, 0, 0}, {0, -10, 0.5f}, {0, 1, 0}, D3DX_PI / 4.0f, 1.0f, 1.0f, 100.0f);
    const D3DXVECTOR3 down = camera.target;
    camera.Rotate(0, 0.1f, 0);
    EXPECT_EQ(camera.target, down);
    camera.Rotate(0, -0.1f, 0);
    EXPECT_GT(camera.target.y, down.y);

    // Away from the poles a yaw keeps the distance to the target.
    camera.Set({0, 0, 0}, {0, 0, 10}, {0, 1, 0}, D3DX_PI / 4.0f, 1.0f, 1.0f, 100.0f);
    camera.Rotate(D3DX_PI / 2.0f, 0, 0);
    EXPECT_NEAR(camera.target.x, 10.0f, 1e-4f);
    EXPECT_NEAR(camera.target.z, 0.0f, 1e-4f);
}

TEST_F(CameraTest, ChangesInOneFrameCostOneRebuild) {
    camera.Update();
    const unsigned builds = camera.BuildCount();
    camera.Move(1, 0, 0);
    camera.Move(0, 1, 0);
    EXPECT_EQ(camera.BuildCount(), builds);
    camera.Update();
    EXPECT_EQ(camera.BuildCount(), builds + 1);
    camera.Update();
    EXPECT_EQ(camera.BuildCount(), builds + 1);

    // SetPosition carries the target along: the viewing direction stays.
    const D3DXVECTOR3 offset = camera.target - camera.eye;
    const float* eye = camera.SetPosition(7, 8, 9);
    EXPECT_EQ(eye, &camera.eye.x);
    EXPECT_EQ(camera.target - camera.eye, offset);
    camera.SetLookDirection(0, 0, 2);
    EXPECT_EQ(camera.target, D3DXVECTOR3(7, 8, 11));
}

TEST_F(CameraTest, ShutdownReturnsTheMatricesAndUnbindsThem) {
    ASSERT_TRUE(camera.Shutdown());
    EXPECT_EQ(pool.GetMatrix(2), nullptr);
    EXPECT_EQ(pool.GetMatrix(4), nullptr);
    EXPECT_EQ(EffectParams::GetMatrix(sem::ViewProjection), nullptr);
    EXPECT_EQ(eTable::Peek(names::Camera), nullptr);
    // The indices went back in the order 2, 1, 3, 4, after 5 to 9.
    for (std::uint32_t expected : {5u, 6u, 7u, 8u, 9u, 2u, 1u, 3u, 4u}) {
        std::uint32_t index = 0;
        pool.AllocMatrix(nullptr, &index);
        EXPECT_EQ(index, expected);
    }
    // Without its matrices the camera builds nothing and does not crash.
    camera.Set({0, 0, 0}, {0, 0, 1}, {0, 1, 0}, 1.0f, 1.0f, 1.0f, 10.0f);
    EXPECT_FALSE(camera.IsValid());
}
