#pragma once
// The camera controller over a real "Camera" (with its matrix pool), a timer
// on an injected clock and real input under SDL's offscreen driver. The
// control flags live in a "GameLogic" that is registered but not started,
// and a player can be put into a real "GameObjectsMan".
#include <cmath>
#include <cstdint>

#include "Video/Camera.h"
#include "Video/MatrixMan.h"
#include "ai/AI_Camera.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "input/InputFixture.h"
#include "world/GameLogic.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"

class AICameraTest : public InputFixture {
protected:
    void SetUp() override {
        InputFixture::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(pool.Init());
        ASSERT_TRUE(camera.Init());
        ASSERT_TRUE(timer.Init());
        ASSERT_TRUE(StartInput(input));
        ASSERT_TRUE(controller.Init());
        ASSERT_TRUE(eTable::Register(names::GameLogic, &logic));
        ASSERT_TRUE(objects.Init(const_cast<char*>(names::GameObjectsMan)));
    }
    void TearDown() override {
        objects.Shutdown();
        eTable::RemoveSystem(&logic);
        controller.Shutdown();
        input.Shutdown();
        timer.Shutdown();
        camera.Shutdown();
        pool.Shutdown();
        InputFixture::TearDown();
    }

    // A game object with id 1000 whose body point stands at position; a
    // player without a body when withBody is false.
    GameObject* AddPlayer(const D3DXVECTOR3& position, bool withBody = true) {
        auto* player = new GameObject();
        objects.AddChild(player);
        player->id = 1000;
        if (withBody) {
            playerBody.AddPoint(player, position.x, position.y, position.z, 1.0f);
            player->body = &playerBody;
        }
        return player;
    }

    // One frame of ms milliseconds: events, timer, input, then the
    // controller with the given control flags set as the console's commands
    // would, and the camera rebuilds its view as the next frame would.
    void Step(std::uint32_t ms, std::uint8_t GameLogic::*flag = nullptr) {
        Frame(input, ms);
        if (flag) logic.*flag = 1;
        controller.Update();
        if (flag) logic.*flag = 0;
        camera.Update();
    }
    void Run(float seconds, std::uint32_t ms = 10, std::uint8_t GameLogic::*flag = nullptr) {
        const int frames = static_cast<int>(std::lround(seconds * 1000.0f / static_cast<float>(ms)));
        for (int i = 0; i < frames; ++i) Step(ms, flag);
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
    GameLogic logic;
    GameObjectsMan objects;
    Body playerBody{0};
};
