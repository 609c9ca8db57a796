// The whole game with a main script that puts the player above a trampoline:
// the camera controller places the view on its orbit and tilts it at the
// player, who shows in the middle of the picture.
#include <gtest/gtest.h>

#include "AIFixture.h"
#include "Video/Camera.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "scripting/PythonMan.h"
#include "support/TestGame.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"

TEST(FollowCameraPictureTest, TheStartLooksAtThePlayerFromTheOrbit) {
    TestGame game;
    PythonMan::SetScriptFolder((ScopedTempDir::RepositoryRoot() / "tests/ai/scripts/follow").string());
    // A tenth of a second a frame: six seconds leave nothing of the splash.
    ASSERT_TRUE(game.Start(TestGame::Windowed(320, 240, "255 0 255"), 100));
    for (int i = 0; i < 60; ++i) ASSERT_TRUE(game.app.Update());
    EXPECT_FALSE(game.Screenshot("ai", "follow_camera.png").empty());

    // Radius 25, height 15, no rotation: the eye behind the arena's centre.
    const Camera* camera = eTable::Find<Camera>(names::Camera);
    ExpectNear(camera->eye, D3DXVECTOR3(0, 15, -25), 1e-3f);

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
    EXPECT_TRUE(game.boxes.texts.empty());
    game.app.Shutdown();
    PythonMan::SetScriptFolder("");
}
