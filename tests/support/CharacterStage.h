#pragma once
// What a character needs around it: the video system, physics, sound (null
// output) and a timer on a clock the test drives, 20 ms a frame; Start runs
// twenty frames, so the timer measures 50 frames a second from then on.
// Everything is shut down, and the clock given back, at the end.
#include <cstdint>

#include "audio/Audio.h"
#include "core/Timer.h"
#include "platform/window/Clock.h"
#include "support/TestVideo.h"
#include "world/Physics.h"

class CharacterStage {
public:
    CharacterStage() = default;
    ~CharacterStage() {
        timer.Shutdown();
        plat::SetClockSource(nullptr);
        audio.Shutdown();
        physics.Shutdown();
    }
    CharacterStage(const CharacterStage&) = delete;
    CharacterStage& operator=(const CharacterStage&) = delete;

    // False when the video, physics or the timer did not start (sound may
    // fail: it runs silent).
    bool StartStage() {
        if (!video.ok() || !physics.Init()) return false;
        audio.Init();
        plat::SetClockSource([this] { return now; });
        if (!timer.Init()) return false;
        for (int i = 0; i < 20; ++i) Tick();
        return true;
    }
    void Tick() {
        now += 20;
        timer.Update();
    }

    TestVideo video;
    Physics physics;
    Audio audio;
    std::uint32_t now = 1000;
    Timer timer;
};
