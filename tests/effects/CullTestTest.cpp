// Frustum culling against a real camera: eye at the origin looking along +z,
// a 90-degree field of view, square aspect, near 1 and far 100, so the side
// planes are x = +-z and y = +-z.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Video/Camera.h"
#include "Video/Effects/CullTest.h"
#include "Video/Effects/EffectParams.h"
#include "Video/MatrixMan.h"
#include "Video/Mesh.h"

namespace {

class Culling : public ::testing::Test {
protected:
    void SetUp() override {
        EffectParams::ClearForTests();
        ASSERT_TRUE(pool.Init());
        ASSERT_TRUE(camera.Init());
        camera.Set({0, 0, 0}, {0, 0, 10}, {0, 1, 0}, D3DX_PI / 2.0f, 1.0f, 1.0f, 100.0f);
    }
    std::int32_t Sphere(float x, float y, float z, float r) {
        const float sphere[4] = {x, y, z, r};
        return test.TestSphere(sphere, nullptr, nullptr);
    }
    MatrixMan pool;
    Camera camera;
    CullTest test{1};
};

TEST_F(Culling, OutsideCodesStopAtTheFirstPlaneInCameraOrder) {
    // Behind the near plane and left of the left plane: the near plane wins.
    EXPECT_EQ(Sphere(-20, 0, -5, 1), 1);
    EXPECT_EQ(Sphere(0, 0, 150, 1), 2);
    EXPECT_EQ(Sphere(-30, 0, 10, 1), 3);
    EXPECT_EQ(Sphere(30, 0, 10, 1), 4);
    EXPECT_EQ(Sphere(0, -30, 10, 1), 5);
    EXPECT_EQ(Sphere(0, 30, 10, 1), 6);
    EXPECT_EQ(test.lastResult, 6);
}

TEST_F(Culling, CrossingReportsTheLastCrossedPlane) {
    EXPECT_EQ(Sphere(0, 0, 10, 1), 0);
    EXPECT_EQ(Sphere(-10, -10, 10, 1), 11);  // left and bottom: bottom is later
    EXPECT_EQ(Sphere(0, 0, 1, 0.5f), 7);     // the near plane
    EXPECT_EQ(Sphere(10, 10, 10, 1), 12);
}

TEST_F(Culling, ComparisonsAreStrictAndNaNCountsAsInside) {
    EXPECT_EQ(Sphere(-10, 0, 10, 0), 0);        // centre on the plane, no radius
    EXPECT_EQ(Sphere(-10.01f, 0, 10, 0), 3);    // a hair outside
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(Sphere(nan, 0, 10, 1), 0);
}

TEST_F(Culling, LeavesTheSquaredEyeDistanceWithOrWithoutATest) {
    Sphere(3, 4, 12, 1);
    EXPECT_FLOAT_EQ(test.squaredDistance, 169.0f);
    EXPECT_FLOAT_EQ(test.eyeToCentre[2], 12.0f);
    CullTest none(0);
    const float sphere[4] = {0, 0, -50, 1};
    EXPECT_EQ(none.TestSphere(sphere, nullptr, nullptr), 0);
    EXPECT_FLOAT_EQ(none.squaredDistance, 2500.0f);
}

TEST_F(Culling, TheMeshSphereMovesWithTheWorldAndGrowsWithTheObjectScale) {
    Mesh mesh;
    mesh.sphereCentre = D3DXVECTOR3(0, 0, 1);
    mesh.sphereRadius = 1.0f;
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, -12, 0, 9);  // centre (-12, 0, 10): 1.41 outside the left plane
    const float unit[4] = {1, 1, 1, 1};
    EffectParams::SetVector(sem::ObjScale, unit);
    EXPECT_EQ(test.Test(&mesh, &world), 3);
    EXPECT_FLOAT_EQ(test.squaredDistance, 244.0f);
    const float tall[4] = {1, 4, 1, 4};  // scaled (1, 4, 1): four times the radius
    EffectParams::SetVector(sem::ObjScale, tall);
    EXPECT_EQ(test.Test(&mesh, &world), 9);
    EXPECT_EQ(test.Test(nullptr, &world), 0);
}

TEST(CullTestResults, OnlyOneToSixAreOutside) {
    for (int r = -1; r <= 13; ++r) EXPECT_EQ(CullTest::IsOutside(r), r >= 1 && r <= 6) << r;
}

}  // namespace
