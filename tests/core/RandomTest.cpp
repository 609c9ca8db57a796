#include "core/Random.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {
std::vector<int> Draw(int count) {
    std::vector<int> values;
    for (int i = 0; i < count; ++i) values.push_back(Random::Next());
    return values;
}
}  // namespace

TEST(RandomTest, ASeedRepeatsItsSequenceAndStaysInRange) {
    Random::Seed(42);
    const auto first = Draw(100);
    Random::Seed(42);
    EXPECT_EQ(Draw(100), first);
    for (int v : first) {
        EXPECT_GE(v, 0);
        EXPECT_LE(v, Random::kMax);
    }
    Random::Seed(43);
    EXPECT_NE(Draw(100), first);
}

TEST(RandomTest, TwoStartsFromTheWallClockDiffer) {
    Random::SeedFromWallClock();
    const auto first = Draw(8);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    Random::SeedFromWallClock();
    EXPECT_NE(Draw(8), first);
}
