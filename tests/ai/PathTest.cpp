#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ai/Path.h"
#include "ai/PathMan.h"

namespace {

class PathTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(paths.Init()); }
    void TearDown() override { paths.Shutdown(); }

    // A (0,0,0), B (3,0,0), C (3,4,0) at speed 1, so that times are lengths.
    Path& Triangle(std::uint32_t mode) {
        const std::uint32_t id = paths.CreatePath();
        for (auto [x, y] : {std::pair{0, 0}, {3, 0}, {3, 4}}) paths.AddPointToPath(id, x, y, 0);
        paths.SetPathMode(id, mode);
        paths.SetPathSpeed(id, 1.0f);
        return *paths.GetPath(id);
    }

    // Walks as a path controller does: the next index, then the time of the
    // segment leaving the current one. Returns (index, time) pairs.
    static std::vector<std::pair<std::uint32_t, float>> Walk(Path& path, int steps) {
        std::vector<std::pair<std::uint32_t, float>> walk;
        std::uint32_t current = 0;
        for (int k = 0; k < steps; ++k) {
            const std::uint32_t next = path.NextIndex(current);
            walk.emplace_back(next, path.GetSegmentTime(current));
            current = next;
        }
        return walk;
    }
    using Walked = std::vector<std::pair<std::uint32_t, float>>;

    PathMan paths;
};

}  // namespace

TEST_F(PathTest, EachModeWalksItsOrderWithItsSegmentTimes) {
    EXPECT_EQ(Walk(Triangle(kPathSingle), 4), (Walked{{1, 3}, {2, 4}, {2, 0}, {2, 0}}));
    // The closing segment takes |A - C|.
    EXPECT_EQ(Walk(Triangle(kPathCyclic), 4), (Walked{{1, 3}, {2, 4}, {0, 5}, {1, 3}}));
    EXPECT_EQ(Walk(Triangle(kPathReversing), 6), (Walked{{1, 3}, {2, 4}, {1, 4}, {0, 3}, {1, 3}, {2, 4}}));
}

TEST_F(PathTest, ReversingPathSwitchedToCyclicOnItsWayBackStillCycles) {
    Path& path = Triangle(kPathReversing);
    Walk(path, 3);  // now travelling toward point 0
    ASSERT_TRUE(path.IsBackward());
    path.SetMode(kPathCyclic);
    EXPECT_EQ(Walk(path, 4), (Walked{{1, 3}, {2, 4}, {0, 5}, {1, 3}}));
}

TEST_F(PathTest, ShortPathsIndicesPastTheEndAndNoLengthStaySafe) {
    Path& empty = *paths.GetPath(paths.CreatePath());
    EXPECT_EQ(Walk(empty, 2), (Walked{{0, 0}, {0, 0}}));

    const std::uint32_t lone = paths.CreatePath();
    paths.AddPointToPath(lone, 1, 2, 3);
    paths.SetPathMode(lone, kPathReversing);
    EXPECT_EQ(Walk(*paths.GetPath(lone), 3), (Walked{{0, 0}, {0, 0}, {0, 0}}));

    Path& three = Triangle(kPathReversing);
    EXPECT_EQ(three.NextIndex(7), 0u);
    EXPECT_EQ(three.GetSegmentTime(7), 0.0f);

    // A path of no length given a time has speed 0: no 0/0 segment times.
    const std::uint32_t still = paths.CreatePath();
    paths.AddPointToPath(still, 5, 5, 5);
    paths.AddPointToPath(still, 5, 5, 5);
    ASSERT_TRUE(paths.SetPathTime(still, 3.0f));
    EXPECT_EQ(paths.GetPath(still)->GetSegmentTime(0), 0.0f);
}

TEST_F(PathTest, PathTimeSetsTheSpeedAndBadValuesAreRefused) {
    const std::uint32_t id = paths.CreatePath();
    for (auto [x, z] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) paths.AddPointToPath(id, x, 0, z);
    Path& square = *paths.GetPath(id);
    paths.SetPathMode(id, kPathCyclic);
    ASSERT_TRUE(paths.SetPathTime(id, 2.0f));
    EXPECT_FLOAT_EQ(square.Speed(), 2.0f);
    paths.SetPathMode(id, kPathSingle);
    ASSERT_TRUE(paths.SetPathTime(id, 2.0f));
    EXPECT_FLOAT_EQ(square.Speed(), 1.5f);
    paths.AddPointToPath(id, 0, 0, 0);  // the speed waits for the next time
    EXPECT_FLOAT_EQ(square.Speed(), 1.5f);

    for (float bad : {0.0f, -1.0f, std::nanf("")}) {
        EXPECT_FALSE(paths.SetPathTime(id, bad));
        EXPECT_FALSE(paths.SetPathSpeed(id, bad));
    }
    EXPECT_FLOAT_EQ(square.Speed(), 1.5f);
    EXPECT_FLOAT_EQ(square.Time(), 2.0f);
    EXPECT_EQ(paths.GetPath(1), nullptr);
    EXPECT_FALSE(paths.AddPointToPath(1, 0, 0, 0));
    EXPECT_FALSE(paths.SetPathTime(1, 1.0f));
    EXPECT_FALSE(paths.SetPathSpeed(1, 1.0f));
    EXPECT_FALSE(paths.SetPathMode(1, kPathCyclic));
}
