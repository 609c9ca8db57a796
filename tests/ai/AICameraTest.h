#pragma once
// The camera controller over a real "Camera" (with its matrix pool), a timer
// on an injected clock and real input under SDL's offscreen driver.
#include <cmath>
#include <cstdint>

#include "Video/Camera.h"
#include "Video/MatrixMan.h"
#include "ai/AI_Camera.h"
#include "input/InputFixture.h"

class AICameraTest : public InputFixture {
protected:
    void SetUp() override {
        InputFixture::SetUp();
        ASSERT_TRUE(pool.Init());
        ASSERT_TRUE(camera.Init());
        ASSERT_TRUE(timer.Init());
        ASSERT_TRUE(StartInput(input));
        ASSERT_TRUE(controller.Init());
    }
    void TearDown() override {
        controller.Shutdown();
        input.Shutdown();
        timer.Shutdown();
        camera.Shutdown();
        pool.Shutdown();
        InputFixture::TearDown();
    }

    // One frame of ms milliseconds: events, timer, input, then the
    // controller, and the camera rebuilds its view as the next frame would.
    void Step(std::uint32_t ms) {
        Frame(input, ms);
        controller.Update();
        camera.Update();
    }
    void Run(float seconds, std::uint32_t ms = 10) {
        const int frames = static_cast<int>(std::lround(seconds * 1000.0f / static_cast<float>(ms)));
        for (int i = 0; i < frames; ++i) Step(ms);
    }
    D3DXVECTOR3 LookDirection() const {
        D3DXVECTOR3 d = camera.target - camera.eye;
        D3DXVec3Normalize(&d, &d);
        return d;
    }

    MatrixMan pool;
    Camera camera;
    Input input;
    AI_Camera controller;
};
