// The whole game with a main script that puts the player above a trampoline:
// the camera controller places the view on its orbit and tilts it at the
// player, who shows in the middle of the picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Video/Camera.h"
#include "Video/Video.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/gfx/Direct3D.h"
#include "platform/window/Clock.h"
#include "scripting/PythonMan.h"
#include "support/GameWindow.h"
#include "support/MessageBoxRecorder.h"
#include "support/Screenshot.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"

TEST(FollowCameraPictureTest, TheStartLooksAtThePlayerFromTheOrbit) {
    ScopedTempDir dir;
    dir.LinkAssets();
    MessageBoxRecorder boxes;
    WriteWindowedSettings({.width = 320,
                           .height = 240,
                           .backBufferWidth = 320,
                           .backBufferHeight = 240,
                           .behavior = "HARDWARE",
                           .clearColor = "255 0 255"});
    PythonMan::SetScriptFolder((ScopedTempDir::RepositoryRoot() / "tests/ai/scripts/follow").string());
    GameWindow window;
    ASSERT_NE(window.Handle(), nullptr);
    // A tenth of a second a frame: six seconds leave nothing of the splash.
    std::uint32_t now = 1000;
    plat::SetClockSource([&now] { return now += 100; });
    DIva::ResetStartedFlagForTests();
    DIva app;
    WindowPair pair{window.Handle(), nullptr};
    ASSERT_TRUE(app.Init(&pair));
    for (int i = 0; i < 60; ++i) ASSERT_TRUE(app.Update());

    std::vector<D3DCOLOR> pixels;
    UINT width = 0, height = 0;
    eTable::Find<Video>(names::Video)->Device()->ReadBackBuffer(&pixels, &width, &height);
    EXPECT_FALSE(SaveScreenshot(pixels, width, "ai", "follow_camera.png").empty());

    // Radius 25, height 15, no rotation: the eye behind the arena's centre.
    const Camera* camera = eTable::Find<Camera>(names::Camera);
    EXPECT_NEAR(camera->eye.x, 0.0f, 1e-3f);
    EXPECT_NEAR(camera->eye.y, 15.0f, 1e-3f);
    EXPECT_NEAR(camera->eye.z, -25.0f, 1e-3f);

    // The player projects near the middle of the screen, a little below it
    // (the view aims above the player's half height).
    const GameObject* player = eTable::Find<GameObjectsMan>(names::GameObjectsMan)->GetObjectById(objectid::kPlayer);
    ASSERT_NE(player, nullptr);
    const D3DXVECTOR3 at = player->GetRenderPosition();
    D3DXVECTOR3 screen;
    D3DXVec3TransformCoord(&screen, &at, camera->viewProjection);
    EXPECT_NEAR(screen.x, 0.0f, 0.05f);
    EXPECT_GT(screen.y, -0.6f);
    EXPECT_LT(screen.y, 0.2f);
    EXPECT_TRUE(boxes.texts.empty());
    app.Shutdown();
    plat::SetClockSource(nullptr);
    PythonMan::SetScriptFolder("");
}
