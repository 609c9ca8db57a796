#pragma once
#include <cstdint>

#include "core/System.h"

// Measures every frame on the monotonic millisecond clock and keeps the game
// time, the frames-per-second figure and the paused flag that every
// time-dependent part reads.
class Timer : public System {
public:
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Update() override;

    // The frame length every reader uses: 0 while paused.
    float GetFrameTime() const { return paused ? 0.0f : frameTime; }
    // The measured length of the last frame, paused or not.
    float MeasuredFrameTime() const { return frameTime; }
    float GameTime() const { return gameTime; }
    float Fps() const { return fps; }
    bool Paused() const { return paused; }
    // The pause and resume events update the timer first, so the time up to
    // the pause still counts.
    void SetPaused(bool on) { paused = on; }

    float FpsWindow() const { return fpsWindow; }
    int FpsFrames() const { return fpsFrames; }

private:
    std::int32_t lastClock = 0;
    bool paused = false;
    float gameTime = 0.0f;
    float frameTime = 0.0f;
    float fpsWindow = 0.0f;
    std::int32_t fpsFrames = 0;
    float fps = 0.0f;
};

// The running timer's frame length (0 while paused or when there is none).
float FrameSeconds();
