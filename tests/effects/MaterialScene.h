#pragma once
// A running video system in a working directory laid out as the game's (the
// repository's assets, with the compiled effects, and the effect sources),
// a camera looking at the origin, a unit sphere and helpers for lights:
// what the material kinds need to draw.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestEffects.h"
#include "Video/Camera.h"
#include "Video/Effects/EffectParams.h"
#include "Video/Effects/MaterialMan.h"
#include "Video/LightMan.h"
#include "Video/Mesh.h"
#include "Video/MeshMan.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/GameWindow.h"
#include "support/MessageBoxRecorder.h"
#include "support/ShippedFiles.h"
#include "support/TempDir.h"

class MaterialScene : public ::testing::Test {
protected:
    void SetUp() override {
        EffectParams::ClearForTests();
        LayOutGameFiles(dir.Path());
        WriteWindowedSettings(settings);
        ASSERT_NE(gameWindow.Handle(), nullptr);
        ASSERT_TRUE(video.Init());
        materials = eTable::Find<MaterialMan>(names::MaterialMan);
        lights = eTable::Find<LightMan>(names::LightMan);
        camera = eTable::Find<Camera>(names::Camera);
        ASSERT_TRUE(materials && lights && camera);
        LookFrom(D3DXVECTOR3(0, 0, -5), D3DXVECTOR3(0, 0, 0));
        sphere = eTable::Find<MeshMan>(names::MeshMan)->LoadMesh("Body/sphereMedium.x", 0, 0x220);
        ASSERT_NE(sphere, nullptr);
        SetScale(1.0f);
    }
    void TearDown() override { video.Shutdown(); }

    void LookFrom(const D3DXVECTOR3& eye, const D3DXVECTOR3& target) {
        const float aspect = float(settings.backBufferWidth) / float(settings.backBufferHeight);
        camera->Set(eye, target, D3DXVECTOR3(0, 1, 0), D3DX_PI / 4, aspect, 0.5f, 1000.0f);
        camera->Update();
    }
    // The largest scale of the next object drawn, as mesh objects publish it.
    static void SetScale(float s) {
        const float scale[4] = {s, s, s, s};
        EffectParams::SetVector(sem::ObjScale, scale);
    }
    Light* AddPoint(const D3DXVECTOR3& at, float range, float brightness = 1.0f) {
        LightInfo info;
        info.type = LightInfo::kPoint;
        for (int i = 0; i < 3; ++i) info.colour[i] = brightness;
        info.colour[3] = 1.0f;
        info.position[0] = at.x;
        info.position[1] = at.y;
        info.position[2] = at.z;
        info.range = range;
        info.attenuation[0] = 1.0f;
        return Added(lights->AddLightRecord(&info));
    }
    Light* AddDirectional(const D3DXVECTOR3& direction, float brightness = 1.0f) {
        LightInfo info;
        info.type = LightInfo::kDirectional;
        for (int i = 0; i < 3; ++i) info.colour[i] = brightness;
        info.colour[3] = 1.0f;
        info.direction[0] = direction.x;
        info.direction[1] = direction.y;
        info.direction[2] = direction.z;
        return Added(lights->AddLightRecord(&info));
    }
    Light* Added(std::uint32_t id) {
        lights->ComputeLightWeights();
        return lights->FindLight(id);
    }

    WindowedSettings settings;
    ScopedTempDir dir;
    GameWindow gameWindow;
    MessageBoxRecorder boxes;
    Video video;
    MaterialMan* materials = nullptr;
    LightMan* lights = nullptr;
    Camera* camera = nullptr;
    Mesh* sphere = nullptr;
};
