#include "core/Timer.h"

#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/window/Clock.h"

namespace {
constexpr float kFpsWindowSeconds = 0.25f;
}

bool Timer::Init(void*, void*) {
    if (initialized) return false;
    name = names::Timer;
    if (!eTable::Register(name, this)) return false;
    lastClock = static_cast<std::int32_t>(plat::timeGetTime());
    paused = false;
    gameTime = frameTime = fpsWindow = fps = 0.0f;
    fpsFrames = 0;
    initialized = true;
    return true;
}

bool Timer::Update() {
    if (!System::Update()) return false;
    auto now = static_cast<std::int32_t>(plat::timeGetTime());
    // Signed 32-bit difference, so a clock that wraps still gives the step.
    auto elapsed = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                             static_cast<std::uint32_t>(lastClock));
    frameTime = static_cast<float>(elapsed) * 0.001f;

    // The frame that closes a window is neither counted nor added; its
    // length is taken off the carried-over remainder, which may go negative.
    if (fpsWindow < kFpsWindowSeconds) {
        fpsFrames += 1;
        fpsWindow += frameTime;
    } else {
        fps = static_cast<float>(fpsFrames) / fpsWindow;
        fpsFrames = 0;
        fpsWindow = fpsWindow - (frameTime + kFpsWindowSeconds);
    }
    if (!paused) gameTime += frameTime;
    lastClock = now;
    return true;
}

float FrameSeconds() {
    auto* timer = static_cast<Timer*>(eTable::Peek(names::Timer));
    return timer ? timer->GetFrameTime() : 0.0f;
}
