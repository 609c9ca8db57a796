#pragma once
// Shared pieces of the game-world tests: a frame clock driven by the test,
// a render object that needs no device (transforms only), and the started
// game logic on a real video system.
#include <cstdint>

#include "Video/Object.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "platform/window/Clock.h"
#include "support/TestVideo.h"
#include "world/GameLogic.h"
#include "world/GameObjectsMan.h"

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

// The game logic (with its ground plane) on a video system of the given
// back buffer size, measured by a TestClock; shut down at the end.
class LogicStage {
public:
    LogicStage(int width, int height) : video(width, height) {}
    ~LogicStage() { logic.Shutdown(); }
    LogicStage(const LogicStage&) = delete;
    LogicStage& operator=(const LogicStage&) = delete;

    // False when the video system or the game logic did not start.
    bool StartLogic() {
        if (!video.ok() || !logic.Init()) return false;
        objects = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
        return objects != nullptr;
    }
    // One frame of 16 ms.
    void Frame() {
        clock.Advance(16);
        logic.Update();
    }

    TestVideo video;
    TestClock clock;
    GameLogic logic;
    GameObjectsMan* objects = nullptr;
};
