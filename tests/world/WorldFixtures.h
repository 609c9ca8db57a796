#pragma once
// Shared pieces of the game-world tests: a frame clock driven by the test,
// and a render object that needs no device (transforms only).
#include <cstdint>

#include "Video/Object.h"
#include "core/Timer.h"
#include "platform/window/Clock.h"

// A render object without mesh or material: it keeps its transform and
// draws nothing, so physics and game objects can be tested without video.
class BareRenderObject : public Object {
public:
    bool Init(void* = nullptr, void* = nullptr) override {
        initialized = true;
        return true;
    }
    bool Update() override { return true; }
};

// A registered "Timer" on a clock that only the test advances.
class TestClock {
public:
    TestClock() {
        plat::SetClockSource([this] { return now; });
        timer.Init();
    }
    ~TestClock() {
        timer.Shutdown();
        plat::SetClockSource(nullptr);
    }
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;

    // Measures a frame of ms milliseconds.
    void Advance(std::uint32_t ms) {
        now += ms;
        timer.Update();
    }

    std::uint32_t now = 1000;
    Timer timer;
};
