// "TIMER": a triangle wave of game time, 0 up to 10 and back in 20 seconds.
#include <gtest/gtest.h>

#include "Video/Effects/EffectParams.h"
#include "Video/Scene.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "platform/window/Clock.h"

namespace {

class SceneTimer : public ::testing::Test {
protected:
    void SetUp() override {
        plat::SetClockSource([this] { return now; });
        ASSERT_TRUE(timer.Init());
        Scene::InitArg arg{names::MainScene, 0};
        ASSERT_TRUE(scene.Init(&arg));
    }
    void TearDown() override {
        scene.Shutdown();
        timer.Shutdown();
        plat::SetClockSource(nullptr);
    }
    // One frame of ms milliseconds; returns the published "TIMER".
    const float* Frame(std::uint32_t ms) {
        now += ms;
        timer.Update();
        scene.PublishTimer();
        return EffectParams::GetVector(sem::Timer);
    }

    std::uint32_t now = 1000;
    Timer timer;
    Scene scene;
};

TEST_F(SceneTimer, RisesToTenThenFallsAndRestartsAfterTwenty) {
    for (int i = 0; i < 12; ++i) Frame(1000);
    const float* t = EffectParams::GetVector(sem::Timer);
    EXPECT_NEAR(t[0], 8.0f, 1e-4f);  // 20 - 12
    EXPECT_NEAR(t[1], 1.0f, 1e-6f);
    EXPECT_NEAR(t[2], 12.0f, 1e-4f);

    for (int i = 0; i < 7; ++i) Frame(1000);
    Frame(990);  // 19.99
    EXPECT_NEAR(scene.TimerAccumulator(), 19.99f, 1e-3f);
    t = Frame(20);  // past 20: starts again at 0, not at 0.01
    EXPECT_EQ(t[0], 0.0f);
    EXPECT_EQ(scene.TimerAccumulator(), 0.0f);
}

TEST_F(SceneTimer, APausedTimerHoldsTheWave) {
    Frame(3000);
    timer.SetPaused(true);
    const float* t = Frame(500);
    EXPECT_NEAR(t[0], 3.0f, 1e-5f);
    EXPECT_EQ(t[1], 0.0f);
}

}  // namespace
