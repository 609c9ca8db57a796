// A small game end to end: the engine's game logic runs the test's own "zop"
// and level module from tests/scripting/scripts/endtoend, on a real video
// system, frame after frame, with real physics deciding the win.
#include <gtest/gtest.h>

#include "ai/AI.h"
#include "ai/AIMan.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "scripting/EventHandler.h"
#include "scripting/PythonMan.h"
#include "support/TestVideo.h"
#include "ui/HUD.h"
#include "world/GameLogic.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/WorldFixtures.h"

namespace {

TEST(EndToEndTest, AScriptedGameMovesToItsLevelOnAConditionAndWinsAtTheGoal) {
    TestVideo video{160, 120};
    ASSERT_TRUE(video.ok());
    TestClock clock;
    PythonMan::SetScriptFolder((ScopedTempDir::RepositoryRoot() / "tests/scripting/scripts/endtoend").string());
    GameLogic logic;
    ASSERT_TRUE(logic.Init());
    auto* python = eTable::Find<PythonMan>(names::PythonMan);
    auto* objects = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
    auto* handler = eTable::Find<EventHandler>(names::EventHandler);
    auto* ais = eTable::Find<AIMan>(names::AIMan);
    auto* hud = eTable::Find<HUD>(names::HUD);
    auto frame = [&] {
        clock.Advance(16);
        logic.Update();
    };

    ASSERT_TRUE(python->HasMainModule());
    EXPECT_EQ(python->GetInt(5), 0);  // the trampoline was made
    EXPECT_EQ(python->GetInt(6), 0);  // and the player
    ASSERT_NE(objects->GetObjectById(objectid::kTrampoline), nullptr);
    ASSERT_NE(objects->GetObjectById(objectid::kPlayer), nullptr);
    const GameObject* startGoal = objects->GetObjectById(objectid::kBasketGoal);
    ASSERT_NE(startGoal, nullptr);
    const std::size_t startLevelCount = objects->LevelObjects().size();
    for (int i = 0; i < 5; ++i) frame();
    EXPECT_EQ(python->GetInt(3), 5);  // "everyloop" every frame
    EXPECT_EQ(python->GetInt(1), 0);

    python->SetInt(0, 1);  // the condition the start level waits for
    frame();
    EXPECT_EQ(python->GetInt(1), 1);
    EXPECT_EQ(python->GetInt(0), 0);
    EXPECT_TRUE(python->HasSecondaryModule());
    // The start level's basket went and the new level's basket and two
    // characters came (freed objects' addresses may be reused, so counts and
    // places tell, not pointers).
    EXPECT_EQ(objects->LevelObjects().size(), startLevelCount + 2);
    const GameObject* goal = objects->GetObjectById(objectid::kBasketGoal);
    ASSERT_NE(goal, nullptr);
    EXPECT_EQ(goal->GetRenderPosition().y, 3.0f);
    GameObject* walkerObject = objects->GetObjectById(10);
    ASSERT_NE(walkerObject, nullptr);
    ASSERT_NE(objects->GetObjectById(11), nullptr);
    AI* walker = ais->GetAI(static_cast<std::uint32_t>(python->GetInt(7)));
    ASSERT_NE(walker, nullptr);
    EXPECT_EQ(walkerObject->ai, walker);
    EXPECT_NE(ais->GetAI(static_cast<std::uint32_t>(python->GetInt(8))), nullptr);
    EXPECT_EQ(hud->levelTime, 60.0f);
    EXPECT_EQ(handler->TriggerCount(), 1u);  // the start level's trigger went, the goal's came

    // The player falls into the basket below it and the goal's contact wins;
    // meanwhile the walker follows its path.
    const D3DXVECTOR3 before = walkerObject->GetRenderPosition();
    int frames = 0;
    while (python->GetInt(2) == 0 && frames < 2000) {
        frame();
        ++frames;
    }
    EXPECT_EQ(python->GetInt(2), 1) << "no win after " << frames << " frames";
    EXPECT_EQ(hud->score, 10);
    EXPECT_NE(walkerObject->GetRenderPosition(), before);
    for (int i = 0; i < 20; ++i) frame();
    EXPECT_EQ(hud->score, 10);  // the win trigger was single use

    logic.Shutdown();
    PythonMan::SetScriptFolder("");
}

}  // namespace
