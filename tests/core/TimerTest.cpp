#include <gtest/gtest.h>

#include <cstdint>

#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "platform/window/Clock.h"

namespace {
class TimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        plat::SetClockSource([this] { return now; });
        ASSERT_TRUE(timer.Init(nullptr, nullptr));
    }
    void TearDown() override {
        timer.Shutdown();
        plat::SetClockSource(nullptr);
    }
    void Frame(std::uint32_t ms) {
        now += ms;
        timer.Update();
    }

    std::uint32_t now = 5000;
    Timer timer;
};
}  // namespace

TEST_F(TimerTest, FramesPerSecondWindowClosesAfterAQuarterSecond) {
    for (int i = 0; i < 13; ++i) Frame(20);
    EXPECT_EQ(timer.FpsFrames(), 13);
    EXPECT_FLOAT_EQ(timer.FpsWindow(), 0.26f);
    EXPECT_EQ(timer.Fps(), 0.0f);
    Frame(20);  // closes the window: neither counted nor added
    EXPECT_NEAR(timer.Fps(), 50.0f, 1e-3f);
    EXPECT_EQ(timer.FpsFrames(), 0);
    EXPECT_NEAR(timer.FpsWindow(), -0.01f, 1e-6f);
    EXPECT_NEAR(timer.GameTime(), 0.28f, 1e-5f);
}

TEST_F(TimerTest, LongFrameIsGatheredThenClosesOnTheNext) {
    for (int i = 0; i < 5; ++i) Frame(20);  // 0.1 s in the window
    Frame(1000);
    EXPECT_EQ(timer.FpsFrames(), 6);
    EXPECT_NEAR(timer.FpsWindow(), 1.1f, 1e-5f);
    Frame(20);
    EXPECT_NEAR(timer.Fps(), 6.0f / 1.1f, 1e-4f);
}

TEST_F(TimerTest, FirstUpdateMeasuresFromInit) {
    Frame(37);
    EXPECT_FLOAT_EQ(timer.GetFrameTime(), 0.037f);
}

TEST_F(TimerTest, PausingFreezesGameTimeButKeepsMeasuring) {
    Frame(100);
    timer.SetPaused(true);
    Frame(50);
    EXPECT_EQ(timer.GetFrameTime(), 0.0f);
    EXPECT_FLOAT_EQ(timer.MeasuredFrameTime(), 0.05f);
    EXPECT_FLOAT_EQ(timer.GameTime(), 0.1f);
    EXPECT_EQ(FrameSeconds(), 0.0f);
    timer.SetPaused(false);
    Frame(30);
    EXPECT_FLOAT_EQ(timer.GetFrameTime(), 0.03f);
    EXPECT_NEAR(timer.GameTime(), 0.13f, 1e-6f);
}

TEST_F(TimerTest, ClockWrapStillGivesTheStep) {
    now = 0xFFFFFFF0u;
    timer.Update();
    Frame(0x20);
    EXPECT_FLOAT_EQ(timer.GetFrameTime(), 0.032f);
}

TEST_F(TimerTest, ReInitStartsFromZero) {
    Frame(500);
    timer.Shutdown();
    EXPECT_EQ(eTable::Peek(names::Timer), nullptr);
    ASSERT_TRUE(timer.Init(nullptr, nullptr));
    EXPECT_EQ(timer.GameTime(), 0.0f);
    EXPECT_EQ(timer.Fps(), 0.0f);
}

TEST(TimerLifetime, DeletedWhileInitialisedLeavesTheRegistry) {
    auto* timer = new Timer;
    ASSERT_TRUE(timer->Init(nullptr, nullptr));
    ASSERT_EQ(eTable::Peek(names::Timer), timer);
    delete timer;
    EXPECT_EQ(eTable::Peek(names::Timer), nullptr);
}
