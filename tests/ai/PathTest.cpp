#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ai/Path.h"
#include "ai/PathMan.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {

class PathTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(paths.Init()); }
    void TearDown() override { paths.Shutdown(); }

    // A path through A (0,0,0), B (3,0,0), C (3,4,0) in the given mode, at
    // speed 1 so that segment times are lengths.
    Path& Triangle(std::uint32_t mode) {
        const std::uint32_t id = paths.CreatePath();
        paths.AddPointToPath(id, 0, 0, 0);
        paths.AddPointToPath(id, 3, 0, 0);
        paths.AddPointToPath(id, 3, 4, 0);
        paths.SetPathMode(id, mode);
        paths.SetPathSpeed(id, 1.0f);
        return *paths.GetPath(id);
    }

    struct Step {
        std::uint32_t index;
        float time;
    };
    // Walks the path as a path controller does: the next index, then the
    // time of the segment leaving the current one.
    static std::vector<Step> Walk(Path& path, int steps) {
        std::vector<Step> walk;
        std::uint32_t current = 0;
        for (int k = 0; k < steps; ++k) {
            const std::uint32_t next = path.NextIndex(current);
            walk.push_back({next, path.GetSegmentTime(current)});
            current = next;
        }
        return walk;
    }
    static std::vector<std::uint32_t> Indices(const std::vector<Step>& walk) {
        std::vector<std::uint32_t> out;
        for (const Step& s : walk) out.push_back(s.index);
        return out;
    }

    PathMan paths;
};

}  // namespace

TEST_F(PathTest, SinglePathStopsOnItsLastPointWithNoTimeLeft) {
    const auto walk = Walk(Triangle(kPathSingle), 4);
    EXPECT_EQ(Indices(walk), (std::vector<std::uint32_t>{1, 2, 2, 2}));
    EXPECT_FLOAT_EQ(walk[0].time, 3.0f);
    EXPECT_FLOAT_EQ(walk[1].time, 4.0f);
    EXPECT_EQ(walk[2].time, 0.0f);
    EXPECT_EQ(walk[3].time, 0.0f);
}

TEST_F(PathTest, CyclicPathClosesBackToTheStart) {
    const auto walk = Walk(Triangle(kPathCyclic), 4);
    EXPECT_EQ(Indices(walk), (std::vector<std::uint32_t>{1, 2, 0, 1}));
    EXPECT_FLOAT_EQ(walk[2].time, 5.0f);  // |A - C|
    EXPECT_FLOAT_EQ(walk[3].time, 3.0f);
}

TEST_F(PathTest, ReversingPathTurnsRoundAtBothEnds) {
    Path& path = Triangle(kPathReversing);
    const auto walk = Walk(path, 6);
    EXPECT_EQ(Indices(walk), (std::vector<std::uint32_t>{1, 2, 1, 0, 1, 2}));
    const float times[] = {3, 4, 4, 3, 3, 4};
    for (int k = 0; k < 6; ++k) EXPECT_FLOAT_EQ(walk[k].time, times[k]) << "step " << k;
    EXPECT_FALSE(path.IsBackward());
}

TEST_F(PathTest, ReversingPathSwitchedToCyclicOnItsWayBackStillCycles) {
    Path& path = Triangle(kPathReversing);
    Walk(path, 3);  // now travelling toward point 0
    ASSERT_TRUE(path.IsBackward());
    path.SetMode(kPathCyclic);
    EXPECT_EQ(path.NextIndex(1), 2u);
    EXPECT_EQ(path.NextIndex(2), 0u);
    EXPECT_EQ(path.NextIndex(0), 1u);
}

TEST_F(PathTest, ShortPathsAndIndicesPastTheEndStayInRange) {
    const std::uint32_t empty = paths.CreatePath();
    Path& none = *paths.GetPath(empty);
    EXPECT_EQ(none.NextIndex(0), 0u);
    EXPECT_EQ(none.GetSegmentTime(0), 0.0f);

    const std::uint32_t lone = paths.CreatePath();
    paths.AddPointToPath(lone, 1, 2, 3);
    paths.SetPathMode(lone, kPathReversing);
    Path& one = *paths.GetPath(lone);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(one.NextIndex(0), 0u);
        EXPECT_EQ(one.GetSegmentTime(0), 0.0f);
    }
    EXPECT_EQ(one.GetPoint(0), D3DXVECTOR3(1, 2, 3));

    Path& three = Triangle(kPathReversing);
    EXPECT_EQ(three.NextIndex(7), 0u);
    EXPECT_EQ(three.GetSegmentTime(7), 0.0f);
}

TEST_F(PathTest, PathTimeSetsTheSpeedFromTheLength) {
    const std::uint32_t id = paths.CreatePath();
    for (auto [x, z] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) paths.AddPointToPath(id, x, 0, z);
    Path& square = *paths.GetPath(id);

    paths.SetPathMode(id, kPathCyclic);
    ASSERT_TRUE(paths.SetPathTime(id, 2.0f));
    EXPECT_FLOAT_EQ(square.Speed(), 2.0f);
    paths.SetPathMode(id, kPathSingle);
    ASSERT_TRUE(paths.SetPathTime(id, 2.0f));
    EXPECT_FLOAT_EQ(square.Speed(), 1.5f);

    // A new point changes nothing until the time is set again.
    paths.AddPointToPath(id, 0, 0, 0);
    EXPECT_FLOAT_EQ(square.Speed(), 1.5f);
    ASSERT_TRUE(paths.SetPathTime(id, 2.0f));
    EXPECT_FLOAT_EQ(square.Speed(), 2.0f);
    ASSERT_TRUE(paths.SetPathSpeed(id, 0.5f));
    EXPECT_FLOAT_EQ(square.Time(), 2.0f);
}

TEST_F(PathTest, PathOfNoLengthTakesNoTimeInsteadOfNaN) {
    const std::uint32_t id = paths.CreatePath();
    paths.AddPointToPath(id, 5, 5, 5);
    paths.AddPointToPath(id, 5, 5, 5);
    ASSERT_TRUE(paths.SetPathTime(id, 3.0f));
    Path& path = *paths.GetPath(id);
    EXPECT_EQ(path.Speed(), 0.0f);
    EXPECT_EQ(path.GetSegmentTime(0), 0.0f);
}

TEST_F(PathTest, RefusesUnknownIdsAndValuesNotAboveZero) {
    const std::uint32_t id = paths.CreatePath();
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(paths.CreatePath(), 1u);
    Path& path = *paths.GetPath(id);
    for (float bad : {0.0f, -1.0f, std::nanf("")}) {
        EXPECT_FALSE(paths.SetPathTime(id, bad));
        EXPECT_FALSE(paths.SetPathSpeed(id, bad));
    }
    EXPECT_FLOAT_EQ(path.Speed(), 0.1f);
    EXPECT_FLOAT_EQ(path.Time(), 1.0f);

    EXPECT_EQ(paths.GetPath(2), nullptr);
    EXPECT_FALSE(paths.AddPointToPath(2, 0, 0, 0));
    EXPECT_FALSE(paths.SetPathTime(2, 1.0f));
    EXPECT_FALSE(paths.SetPathSpeed(2, 1.0f));
    EXPECT_FALSE(paths.SetPathMode(2, kPathCyclic));
    EXPECT_EQ(path.PointCount(), 0u);
}

TEST_F(PathTest, RegistersOnceAndForgetsItsPathsAtShutdown) {
    EXPECT_EQ(eTable::Peek(names::PathMan), &paths);
    EXPECT_FALSE(paths.Init());
    paths.CreatePath();
    ASSERT_TRUE(paths.Shutdown());
    EXPECT_EQ(eTable::Peek(names::PathMan), nullptr);
    ASSERT_TRUE(paths.Init());
    EXPECT_EQ(paths.GetPath(0), nullptr);
    EXPECT_EQ(paths.CreatePath(), 0u);
}
