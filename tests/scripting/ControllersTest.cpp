// The path and camera functions of the engine module against the real
// "PathMan" and "AI_Camera".
#include <gtest/gtest.h>

#include "ScriptFixture.h"
#include "ai/AI_Camera.h"
#include "ai/PathMan.h"

namespace {
using ControllersTest = ScriptFixture;

TEST_F(ControllersTest, PathFunctionsBuildPathsAndReportRefusals) {
    PathMan paths;
    ASSERT_TRUE(paths.Init());
    Start(R"(
def check():
    p = Z.CreatePath()
    assert p == 0 and Z.CreatePath() == 1
    assert Z.AddPointToPath(p, (0, 0, 0)) == 1
    assert Z.AddPointToPath(p, [3, 4, 0]) == 1
    assert Z.AddPointToPath(7, (0, 0, 0)) == 0
    assert Z.AddPointToPath(-1, (0, 0, 0)) == 0
    assert Z.SetPathTime(p, 2.0) == 1
    assert Z.SetPathTime(p, 0.0) == 0
    assert Z.SetPathSpeed(1, 4) == 1
    assert Z.SetPathReversing(p) == 1 and Z.SetPathCyclic(1) == 1 and Z.SetPathSingle(5) == 0
)");
    ASSERT_TRUE(Call("check"));
    EXPECT_EQ(paths.GetPath(0)->PointCount(), 2u);
    EXPECT_FLOAT_EQ(paths.GetPath(0)->Time(), 2.0f);
    EXPECT_EQ(paths.GetPath(0)->Mode(), 2u);
    EXPECT_EQ(paths.GetPath(1)->Mode(), 1u);
    EXPECT_FLOAT_EQ(paths.GetPath(1)->Speed(), 4.0f);
    paths.Shutdown();
}

TEST_F(ControllersTest, CameraFunctionsOrderRangesAndLockTheOrbit) {
    AI_Camera camera;
    ASSERT_TRUE(camera.Init());
    Start(R"(
def check():
    assert Z.CamSetYRange(30, 10) == 0
    Z.CamSetYPosition(99)
    Z.CamSetAngle(0.3)
    Z.CamLock()
)");
    ASSERT_TRUE(Call("check"));
    EXPECT_EQ(camera.HeightRange().min, 10.0f);
    EXPECT_EQ(camera.TargetHeight(), 30.0f);  // kept within the range
    EXPECT_FLOAT_EQ(camera.Pitch(), 0.3f);
    EXPECT_EQ(camera.GetMode(), AI_Camera::kLockedOrbit);
    camera.Shutdown();
    EXPECT_FALSE(Call("check"));  // RuntimeError: no camera controller now
}

}  // namespace
