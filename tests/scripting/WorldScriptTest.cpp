// Scripts against the real game world: the game logic on a real video
// system, with "zop" and level modules written by each test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "ReferenceScript.h"
#include "Video/LightMan.h"
#include "Video/Object.h"
#include "characters/NPC.h"
#include "characters/Player.h"
#include "ai/AI.h"
#include "ai/AIMan.h"
#include "ai/AI_Path.h"
#include "Video/ObjectMesh.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "scripting/EventHandler.h"
#include "scripting/PythonMan.h"
#include "support/TestVideo.h"
#include "ui/Button.h"
#include "ui/HUD.h"
#include "ui/HUDText.h"
#include "ui/SplashScreen.h"
#include "Video/ObjectLine.h"
#include "world/GameLogic.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"
#include "world/WorldFixtures.h"

namespace {

class WorldScriptTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(video.ok()); }
    void TearDown() override { logic.Shutdown(); }

    // Writes Scripts/<module>.py under the working directory.
    static void WriteScript(const std::string& module, const std::string& text) {
        std::filesystem::create_directories("Scripts");
        std::ofstream("Scripts/" + module + ".py") << "import ZOPAPI as Z\n" << text;
    }
    void Start(const std::string& zop) {
        WriteScript("zop", zop);
        ASSERT_TRUE(logic.Init());
        objects = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
        physics = eTable::Find<Physics>(names::Physics);
        python = eTable::Find<PythonMan>(names::PythonMan);
        handler = eTable::Find<EventHandler>(names::EventHandler);
        ASSERT_TRUE(python->HasMainModule());
    }
    void Frame() {
        clock.Advance(16);
        logic.Update();
    }
    // A pinned plane of the given half-side, as the test's stand-in object.
    GameObject* NewPlane(std::uint32_t id, float size, D3DXVECTOR3 at, bool level = false) {
        ObjectDesc desc;
        desc.kind = kKindPlane;
        desc.size = size;
        desc.depth = 1.0f;
        desc.mesh = "plane.x";
        GameObject* plane = level ? objects->CreateLevelObject(&desc) : objects->CreateObject(&desc);
        plane->id = id;
        plane->body->SetPosition(&at);
        plane->SetRenderPosition(&at);
        return plane;
    }
    Point& OwnPoint(std::uint32_t id) { return objects->GetObjectById(id)->body->points[0]; }

    TestVideo video{160, 120};
    TestClock clock;
    GameLogic logic;
    GameObjectsMan* objects = nullptr;
    Physics* physics = nullptr;
    PythonMan* python = nullptr;
    EventHandler* handler = nullptr;
};

TEST_F(WorldScriptTest, ObjectEventsMoveLockRemoveAndRestyleObjects) {
    Start(R"(
def build():
    Z.AddMoveObjEvent(50, (1, 2, 3), 0.5)                  # 0
    Z.AddSetObjectVelocityEvent(50, (0, -4, 0))             # 1
    Z.AddLockObjectPosEvent(50)                             # 2
    Z.AddMoveObjectUnderEvent(51, 52)                       # 3
    Z.AddChangeSurfacePropsEvent(52, (0.5, 1, 0, 0), (1, 0, 0, 1), 7)  # 4
    Z.AddRemoveObjEvent(53)                                 # 5
    Z.AddRemoveObjEvent(999)                                # 6: no such object
    Z.AddScaleObjEvent(50, 3, 1)                            # 7
    Z.AddRotateObjEvent(50, 1.5, 0.5, 1)                    # 8
)");
    NewPlane(50, 1.0f, {5, 9, 5});
    NewPlane(51, 1.0f, {0, 0, 0});
    NewPlane(52, 2.0f, {0, 10, 0});
    GameObject* doomed = NewPlane(53, 1.0f, {0, 0, 0}, true);
    const std::size_t levelObjects = objects->LevelObjects().size();
    ASSERT_TRUE(python->CallFunction("build"));
    auto run = [&](std::uint32_t id) { handler->GetEvent(id)->Execute(); };

    run(0);
    GameObject* fifty = objects->GetObjectById(50);
    EXPECT_TRUE(fifty->moving);
    EXPECT_EQ(fifty->moveTarget, D3DXVECTOR3(1, 2, 3));
    run(7);
    run(8);
    EXPECT_TRUE(fifty->scaling);
    EXPECT_TRUE(fifty->rotating);
    run(1);
    EXPECT_EQ(OwnPoint(50).velocity, D3DXVECTOR3(0, -4, 0));
    run(2);
    EXPECT_EQ(OwnPoint(50).velocity, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(OwnPoint(50).inverseMass, 0.0f);
    EXPECT_EQ(OwnPoint(50).position, D3DXVECTOR3(5, 1, 5));

    run(3);  // scales 1 and 2: three below the upper object
    EXPECT_EQ(OwnPoint(51).position, D3DXVECTOR3(0, 7, 0));

    run(4);
    const SurfaceData& surface = static_cast<ObjectMesh*>(objects->GetObjectById(52)->renderObject)->surface;
    EXPECT_EQ(surface.diff[0], 1.0f);
    EXPECT_EQ(surface.diff[3], 0.5f);
    EXPECT_EQ(surface.spec[3], 1.0f);
    EXPECT_EQ(surface.pow, 7u);
    EXPECT_EQ(surface.m, 0.5f);
    EXPECT_EQ(surface.str, 1.5f);

    run(5);
    run(6);
    EXPECT_EQ(objects->GetObjectById(53), nullptr);
    EXPECT_EQ(objects->LevelObjects().size(), levelObjects - 1);
    for (const auto& [id, body] : physics->Bodies()) EXPECT_NE(body->points[0].owner, doomed);
    Frame();  // the world goes on without it
}

TEST_F(WorldScriptTest, WorldConditionsReadContactsVelocitiesAndLockedObjects) {
    Start(R"(
def build():
    Z.AddSingleSingleColCondition(60, 61)     # 0
    Z.AddSingleSingleColCondition(60, 60)     # 1: any contact of 60
    Z.AddDownwardVelocityCondition(60, -1)    # 2
    Z.AddRangeToLockedObjCondition(60, 61, 5) # 3
    Z.AddRangeToLockedObjCondition(61, 60, 5) # 4: 60 is not locked
    Z.AddSingleEndOfPathCondition(60)         # 5
)");
    NewPlane(60, 1.0f, {0, 0, 0});
    NewPlane(61, 1.0f, {3, 4, 0});
    OwnPoint(60).inverseMass = 1.0f;
    ASSERT_TRUE(python->CallFunction("build"));
    EXPECT_FALSE(handler->EvaluateCondition(0));
    physics->AddContact({D3DXVECTOR3(0, 1, 0), 0.1f, 61, 60});
    EXPECT_TRUE(handler->EvaluateCondition(0));
    EXPECT_TRUE(handler->EvaluateCondition(1));

    OwnPoint(60).velocity = {0, -1, 0};
    EXPECT_TRUE(handler->EvaluateCondition(2));
    OwnPoint(60).velocity = {0, -1.5f, 0};
    EXPECT_FALSE(handler->EvaluateCondition(2));

    EXPECT_TRUE(handler->EvaluateCondition(3));  // exactly 5 apart
    EXPECT_FALSE(handler->EvaluateCondition(4));
    OwnPoint(61).position = {3, 4.1f, 0};
    EXPECT_FALSE(handler->EvaluateCondition(3));
    EXPECT_FALSE(handler->EvaluateCondition(5));
}

TEST_F(WorldScriptTest, LevelSettingsSwitchPhysicsObjectsAndTheSkybox) {
    Start(R"(
def build():
    assert Z.SetPhysicsStatus(0) == 0
    assert Z.SetGameObjStatus(70, 123, 0) == 0
    assert Z.SetGameObjStatus(12345, 0, 0) == 0   # no such object: nothing
    assert Z.SetSkybox("NOTEX") == 0
    assert Z.AddLevelBasket((0, 0, 0), 2) == 0
    assert Z.AddRectTramp(5, (0, 0, 0), 0, 4, 1, 0, 0, 0) == -1
    assert Z.AddRectTramp(5, (0, 0, 0), 4, 1000, 1, 0, 0, 0) == -1
def restore():
    Z.SetPhysicsStatus(7)
    Z.SetGameObjStatus(70, 0, 1)
    Z.SetSkybox("desertSky.dds")
)");
    NewPlane(70, 1.0f, {0, 0, 0});
    ASSERT_TRUE(python->CallFunction("build"));
    EXPECT_FALSE(physics->IsActive());
    EXPECT_FALSE(objects->GetObjectById(70)->IsActive());
    EXPECT_FALSE(objects->GetObjectById(70)->renderObject->IsActive());
    EXPECT_FALSE(logic.Skybox()->IsActive());
    EXPECT_NE(objects->GetObjectById(objectid::kBasketGoal), nullptr);
    ASSERT_TRUE(python->CallFunction("restore"));
    EXPECT_TRUE(physics->IsActive());
    EXPECT_TRUE(objects->GetObjectById(70)->IsActive());
    EXPECT_TRUE(logic.Skybox()->IsActive());
}

TEST_F(WorldScriptTest, AIFunctionsMakeSwitchAndSteerControllersAndLevelOnesGoWithTheLevel) {
    Start(R"(
def build():
    global walker, keeper
    walker = Z.CreateLevelAI(1, 80)
    keeper = Z.CreateGlobalAI(4, 81)
    assert walker >= 0 and keeper >= 0 and walker != keeper
    assert Z.CreateLevelAI(5, 80) == -1 and Z.CreateGlobalAI(-1, 80) == -1
    path = Z.CreatePath()
    Z.AddPointToPath(path, (0, 0, 0))
    Z.AddPointToPath(path, (10, 0, 0))
    assert Z.AssignPathToAI(walker, path) == walker
    assert Z.AssignPathToAI(keeper, path) == keeper        # not a path follower: nothing
    assert Z.DisableAI(walker) == walker and Z.DisableAI(777) == 777
    assert Z.SwitchAI(777, 80) == 777 and Z.SwitchAI(keeper, 4242) == keeper
    Z.SetInt(0, walker)
    Z.SetInt(1, keeper)
    Z.AddChangeAIEvent(80, keeper)                          # event 0
    Z.BuildTrigger(0, 1, 1, Z.AddWinEvent(), Z.AddCalledCondition())
)");
    GameObject* walkerObject = NewPlane(80, 1.0f, {0, 0, 0});
    NewPlane(81, 1.0f, {0, 0, 0});
    ASSERT_TRUE(python->CallFunction("build"));
    auto* ais = eTable::Find<AIMan>(names::AIMan);
    AI* walker = ais->GetAI(static_cast<std::uint32_t>(python->GetInt(0)));
    AI* keeper = ais->GetAI(static_cast<std::uint32_t>(python->GetInt(1)));
    ASSERT_NE(walker, nullptr);
    ASSERT_NE(keeper, nullptr);
    EXPECT_EQ(walkerObject->ai, walker);
    EXPECT_FALSE(walker->IsActive());
    EXPECT_NE(static_cast<AI_Path*>(walker)->GetPath(), nullptr);

    handler->GetEvent(0)->Execute();
    EXPECT_EQ(walkerObject->ai, keeper);

    handler->CallCondition(0);
    Frame();  // the win: the level's controller goes, the global one stays
    EXPECT_EQ(ais->GetAI(static_cast<std::uint32_t>(python->GetInt(0))), nullptr);
    EXPECT_EQ(ais->GetAI(static_cast<std::uint32_t>(python->GetInt(1))), keeper);
}

TEST_F(WorldScriptTest, InterfaceFunctionsAndEventsMakeAndChangeTheGameLogicsUIObjects) {
    Start(R"(
def build():
    Z.ClearUIObjects()
    assert Z.AddSplashScreen("NOTEX", "NOTEXT") == 0
    assert Z.AddText("hello", 1, 1, (-0.5, 0.5), 10, 1) == 1
    assert Z.AddAnimatedButton(-0.5, 0.5, 0.5, -0.5, "NOTEX", "go", 1, 1, 4, 1, 1, 1, 1) == 2
    assert Z.AddAnimatedText("wave", 1, 1, (0, 0), 5, 1, 2, 0.5, 0.1) == 3
    assert Z.AddFire(0, 0, 5, 2) == 4
    assert Z.AddButton(-0.5, 0.5, 0.5, -0.5, "button.dds", "ok", 1, 1, 4, 1) == 5
    Z.AddShowTextEvent(0.1, 0.2, "twice")                   # 0
    Z.AddFadeTextEvent(1, 1, 0, 0, 0, 5)                    # 1: text 1 toward black
    Z.AddFadeTextEvent(0, 1, 0, 0, 0, 5)                    # 2: 0 is a splash screen
    Z.AddAlterTextEvent(1, "changed", 0.25)                 # 3
    Z.AddModifyScoreEvent(5)                                # 4
    Z.AddLoseEvent()                                        # 5
    Z.AddFadeSplashScreenEvent(1, 1, 1, 1, 1, 1)            # 6: 1 is a text
    Z.AddScoreCondition(4)                                  # condition 0
    Z.AddScoreCondition(5)                                  # condition 1
    Z.AddButtonClickedCondition(1)                          # condition 2: a text
def score(): return Z.GetCurrentScore()
def forever(): Z.SetLevelTime(1e30)
def hud():
    Z.SetLevelTime(60)
    Z.RemoveHUD()
    Z.AddHUD()
)");
    ASSERT_TRUE(python->CallFunction("build"));
    ASSERT_EQ(logic.UIObjectCount(), 6u);
    auto* splash = static_cast<SplashScreen*>(logic.GetUIObject(0));
    EXPECT_EQ(splash->Name(), names::SplashScreen);
    EXPECT_EQ(splash->Caption(), nullptr);
    EXPECT_EQ(splash->Quad()->surface.diff[0], 0.0f);
    EXPECT_EQ(splash->Quad()->surface.diff[3], 1.0f);
    auto* button = static_cast<Button*>(logic.GetUIObject(2));
    EXPECT_EQ(button->Name(), names::Button);
    ASSERT_NE(button->Label(), nullptr);
    EXPECT_EQ(button->Label()->Mode(), 1u);
    EXPECT_EQ(static_cast<HUDText*>(logic.GetUIObject(3))->Mode(), 1u);

    auto run = [&](std::uint32_t id) { handler->GetEvent(id)->Execute(); };
    run(0);
    run(0);
    ASSERT_EQ(logic.UIObjectCount(), 8u);
    auto* shown = static_cast<HUDText*>(logic.GetUIObject(7));
    EXPECT_EQ(shown->Text(), "twice");
    EXPECT_EQ(shown->GlyphCount(), 6);

    run(1);
    run(2);
    run(6);
    Frame();
    auto* text = static_cast<HUDText*>(logic.GetUIObject(1));
    ASSERT_NE(text->Glyph(0), nullptr);
    ASSERT_NE(text->Glyph(0)->quad, nullptr);
    EXPECT_LT(text->Glyph(0)->quad->surface.diff[0], 1.0f);
    run(3);
    EXPECT_EQ(text->Text(), "changed");
    EXPECT_EQ(text->Colour()[0], 1.0f);
    EXPECT_EQ(text->Colour()[3], 0.25f);
    const float red = text->Glyph(0)->quad->surface.diff[0];
    Frame();
    EXPECT_EQ(text->Glyph(0)->quad->surface.diff[0], red);  // the fade was cleared

    run(4);
    run(5);
    auto* hud = eTable::Find<HUD>(names::HUD);
    EXPECT_EQ(hud->score, 4);
    EXPECT_TRUE(python->CallFunctionBool("score"));
    EXPECT_TRUE(handler->EvaluateCondition(0));
    EXPECT_FALSE(handler->EvaluateCondition(1));
    EXPECT_FALSE(handler->EvaluateCondition(2));
    // The score stops at the ends of its range instead of wrapping round.
    hud->score = INT32_MAX - 2;
    run(4);
    EXPECT_EQ(hud->score, INT32_MAX);
    hud->score = INT32_MIN;
    run(5);
    EXPECT_EQ(hud->score, INT32_MIN);

    ASSERT_TRUE(python->CallFunction("hud"));
    EXPECT_EQ(hud->levelTime, 60.0f);
    EXPECT_EQ(hud->elapsed, 0.0f);
    EXPECT_NE(hud->ScoreText(), nullptr);
    ASSERT_TRUE(python->CallFunction("forever"));  // a time past any int still shows
    Frame();
    EXPECT_EQ(hud->RemainingSeconds(), INT32_MAX);

    ASSERT_TRUE(python->CallFunction("build"));  // cleared first: ids from 0 again
    EXPECT_EQ(logic.UIObjectCount(), 6u);
}

// Scripts write UTF-8; the glyphs are keyed by Latin-1 codes, so "\u00a9"
// is the one code 169 (the copyright glyph) and "\u00e9" the code 233, which
// has no glyph (its second byte alone would show the copyright sign).
TEST_F(WorldScriptTest, ScriptTextInUtf8ReachesEveryGlyphTextAsLatin1Codes) {
    Start(R"(
def build():
    Z.ClearUIObjects()
    Z.AddText("\u00a97", 1, 1, (0, 0), 4, 1)
    Z.AddAnimatedText("caf\u00e9", 1, 1, (0, 0), 4, 1, 1, 1, 1)
    Z.AddButton(-0.5, 0.5, 0.5, -0.5, "NOTEX", "\u00e9t\u00e9", 1, 1, 4, 1)
    Z.AddAnimatedButton(-0.5, 0.5, 0.5, -0.5, "NOTEX", "\u00a9", 1, 1, 4, 1, 1, 1, 1)
    Z.AddShowTextEvent(0, 0, "\u00e9\u00a9")
    Z.AddAlterTextEvent(0, "\u00a9\u00e9", 1)
)");
    ASSERT_TRUE(python->CallFunction("build"));
    auto text = [&](std::uint32_t id) { return static_cast<HUDText*>(logic.GetUIObject(id)); };
    auto label = [&](std::uint32_t id) { return static_cast<Button*>(logic.GetUIObject(id))->Label(); };
    EXPECT_EQ(text(1)->Text(), "caf\xE9");
    EXPECT_EQ(label(2)->Text(), "\xE9t\xE9");
    EXPECT_EQ(label(3)->Text(), "\xA9");
    EXPECT_EQ(label(2)->Glyph(0)->quad, nullptr);
    ASSERT_NE(label(3)->Glyph(0)->quad, nullptr);

    handler->GetEvent(0)->Execute();
    ASSERT_EQ(logic.UIObjectCount(), 5u);
    EXPECT_EQ(text(4)->Text(), "\xE9\xA9");
    EXPECT_EQ(text(4)->GlyphCount(), 3);  // a slot a character, and one more
    ASSERT_EQ(text(0)->Text(), "\xA9" "7");
    EXPECT_NE(text(0)->Glyph(0)->quad, nullptr);
    handler->GetEvent(1)->Execute();
    EXPECT_EQ(text(0)->Text(), "\xA9\xE9");
}

TEST_F(WorldScriptTest, CharactersAreMadeLoadedAndChangedByScriptsAndEvents) {
    Start(R"(
def build():
    assert Z.AddGlobalNPC(5, (0, 2, 0), 0.0, 1.57, 2.0, 99.0, 1.0, "Lamp") == 0
    assert Z.AddLevelNPC(6, (3, 2, 0), 0.0, 0.0, 1.0, 0.0, 0.5, "Pebble") == 0
    Z.AddCreateNPCEvent(7, (1, 1, 1), 0.5, 0.0, 1.5, 0, 2.0, 0, 5, "Weed")  # 0: held
    Z.AddModifyLightEvent(5, 0.5, 1.0, 0.0, 0.0)                            # 1
    Z.AddModifyLightEvent(6, 0.5, 1.0, 0.0, 0.0)                            # 2: carries no light
    Z.AddChangeAniEvent(6, 2)                                               # 3
    Z.AddChangeAniEvent(6, 99)                                              # 4: no such action
    Z.AddChangeEyesEvent(6, "eyeBlue.dds")                                  # 5
    Z.AddChangeAniEvent(1001, 2)                                            # 6: the ground is no character
)");
    ASSERT_TRUE(python->CallFunction("build"));
    auto* lamp = static_cast<NPC*>(objects->GetObjectById(5));
    auto* pebble = static_cast<NPC*>(objects->GetObjectById(6));
    ASSERT_NE(lamp, nullptr);
    ASSERT_NE(pebble, nullptr);
    EXPECT_EQ(lamp->renderObject->GetPosition(), D3DXVECTOR3(0, 2, 0));
    EXPECT_EQ(lamp->GetScale(), 2.0f);
    EXPECT_EQ(lamp->currentAnimation, lamp->actionAnimations[0]);
    EXPECT_EQ(lamp->body->points[0].inverseMass, 1.0f);
    EXPECT_EQ(pebble->body->points[0].inverseMass, 0.5f);
    const auto& level = objects->LevelObjects();
    EXPECT_NE(std::find(level.begin(), level.end(), pebble), level.end());
    EXPECT_EQ(std::find(level.begin(), level.end(), lamp), level.end());

    auto run = [&](std::uint32_t id) { handler->GetEvent(id)->Execute(); };
    run(0);
    auto* weed = static_cast<NPC*>(objects->GetObjectById(7));
    ASSERT_NE(weed, nullptr);
    EXPECT_NE(std::find(level.begin(), level.end(), weed), level.end());
    EXPECT_EQ(weed->body->points[0].collides, 0);
    EXPECT_EQ(weed->body->points[0].position, D3DXVECTOR3(1, 1, 1));
    EXPECT_EQ(weed->body->points[0].inverseMass, 2.0f);

    ASSERT_GE(lamp->lightId, 0);
    run(1);
    const Light* light = eTable::Find<LightMan>(names::LightMan)->FindLight(static_cast<std::uint32_t>(lamp->lightId));
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->colour[0], 1.0f);
    EXPECT_EQ(light->colour[1], 0.0f);
    EXPECT_EQ(light->colour[3], 0.5f);
    run(2);
    run(3);
    EXPECT_EQ(pebble->pendingAnimation ? pebble->pendingAnimation : pebble->currentAnimation,
              pebble->actionAnimations[2]);
    run(4);
    run(5);
    EXPECT_EQ(pebble->face.eyeTexture, "eyeBlue.dds");
    run(6);
    Frame();
}

TEST_F(WorldScriptTest, TrampolineNodeEventsLockAndFreeNodesAndThePlayerControlSwitches) {
    Start(R"(
def build():
    assert Z.AddRectTramp(1005, (0, 0, 0), 2, 2, 2.0, 0, 0, 0) == 0   # 3 x 3 nodes: points 1..9
    assert Z.AddPC((0, 8, 0), 0, 0, 1) == 0
    Z.AddLockTrampNodeEvent(1, 4.0)            # 0
    Z.AddLockTrampNodeXYZEvent(2, 1, 2, 3)     # 1
    Z.AddUnlockTrampNodeEvent(1)               # 2
    Z.AddLockTrampNodeEvent(10, 4.0)           # 3: no node there
    Z.AddLockTrampNodeEvent(-1, 4.0)           # 4
    Z.SetPlayerControl(0)
)");
    ASSERT_TRUE(python->CallFunction("build"));
    GameObject* trampoline = objects->GetObjectById(objectid::kTrampoline);
    ASSERT_NE(trampoline, nullptr);
    ASSERT_EQ(trampoline->body->PointCount(), 10u);
    auto* player = static_cast<Player*>(objects->GetObjectById(objectid::kPlayer));
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->mouseSteering, 0);

    auto run = [&](std::uint32_t id) { handler->GetEvent(id)->Execute(); };
    const Point& node = trampoline->body->points[1];
    const D3DXVECTOR3 start = node.position;
    run(0);
    run(1);
    run(3);
    run(4);
    EXPECT_EQ(node.position, D3DXVECTOR3(start.x, 4, start.z));
    EXPECT_EQ(node.inverseMass, 0.0f);
    EXPECT_EQ(node.responds, 0);
    EXPECT_EQ(trampoline->body->points[2].position, D3DXVECTOR3(1, 2, 3));
    run(2);
    EXPECT_EQ(node.inverseMass, 10.0f);
    EXPECT_EQ(node.responds, 1);
    Frame();
}

// A sheet put away from the origin is there: its nodes lie around its place
// and stay there, and the player dropped over it is held and launched.
TEST_F(WorldScriptTest, ATrampolineStandsWhereTheScriptPutsItAndThePlayerBouncesOnIt) {
    Start(R"(
def build():
    assert Z.AddRectTramp(4000, (0, 0, 18), 6, 6, 2.0, 0, 0, 0) == 0
    assert Z.AddPC((0, 8, 18), 0, 0, 1) == 0
    Z.SetPlayerControl(0)
)");
    ASSERT_TRUE(python->CallFunction("build"));
    const Body& sheet = *objects->GetObjectById(4000)->body;
    ASSERT_EQ(sheet.PointCount(), 50u);
    D3DXVECTOR3 middle;
    for (std::size_t k = 1; k < sheet.points.size(); ++k) middle += sheet.points[k].position / 49.0f;
    EXPECT_NEAR(middle.x, 0.0f, 1e-4f);
    EXPECT_EQ(middle.y, 0.0f);
    EXPECT_NEAR(middle.z, 18.0f, 1e-4f);
    const Point& player = OwnPoint(objectid::kPlayer);
    float lowest = player.position.y, fastestUp = 0.0f;
    for (int frame = 0; frame < 3000 && fastestUp < 100.0f; ++frame) {
        Frame();
        lowest = std::min(lowest, player.position.y);
        fastestUp = std::max(fastestUp, player.velocity.y);
    }
    EXPECT_GT(fastestUp, 100.0f);  // launched
    EXPECT_GT(lowest, -3.0f);      // by the sheet, not through it
    EXPECT_EQ(sheet.points[1].position.z, 12.0f);  // its corner is pinned
}

// Every call that Scripts/ZOPAPI.md shows after an arrow (each refusal it
// names, and the calls it warns of) is made in the game as a script makes
// it, one after the other, and returns what the reference says.
TEST_F(WorldScriptTest, EveryCallTheReferenceShowsReturnsWhatItSays) {
    WriteScript("reference", ReferenceScript());
    Start(R"(
import reference

def check():
    functions = {name: getattr(Z, name) for name in reference.maker.functions(Z)}
    made = reference.maker.cases(reference.text)
    with open("calls.txt", "w", encoding="utf-8") as f:
        for call, said in made:
            got = eval(call, {"__builtins__": {}}, functions)
            right = isinstance(got, int) and got >= 0 if said == "id" else got == said
            f.write(f"{call} -> {got}" + ("" if right else f", the reference says {said}") + "\n")
)");
    ASSERT_TRUE(python->CallFunction("check"));
    std::ifstream made("calls.txt");
    int calls = 0;
    for (std::string line; std::getline(made, line); ++calls) EXPECT_THAT(line, ::testing::Not(::testing::HasSubstr("reference says")));
    EXPECT_GE(calls, 40);
}

TEST_F(WorldScriptTest, AWinAndALoseInOnePassBothApplyAndTheLevelChangesOnceKeepingTheUI) {
    WriteScript("lvl", "def loadlevel(): Z.SetInt(1, Z.GetInt(1) + 1)\n");
    Start(R"(
def build():
    Z.AddText("stays", 1, 1, (0, 0), 5, 1)
    now = Z.AddTimeCondition(0.0)
    Z.BuildTrigger(0, 2, 1, Z.AddSetNextLevelEvent("lvl"), Z.AddWinEvent(), now)
    Z.BuildTrigger(0, 1, 1, Z.AddLoseEvent(), now)
)");
    ASSERT_TRUE(python->CallFunction("build"));
    auto* hud = eTable::Find<HUD>(names::HUD);
    const std::int32_t score = hud->score;
    Frame();
    EXPECT_EQ(hud->score, score - 1);
    EXPECT_EQ(python->GetInt(1), 1);
    EXPECT_EQ(logic.UIObjectCount(), 1u);  // user-interface objects are the scripts' to clear
    Frame();
    EXPECT_EQ(python->GetInt(1), 1);
}

TEST_F(WorldScriptTest, InitGameRunsFromTheGameLogicAndAWinReplacesTheLevelsObjects) {
    WriteScript("testlevel", R"(
def loadlevel():
    Z.AddLevelBasket((10, 0, 0), 1)
    Z.SetInt(1, Z.GetInt(1) + 1)
)");
    Start(R"(
def initgame():
    Z.SetInt(0, 1)
    Z.AddLevelBasket((0, 0, 0), 2)
    go = Z.AddCalledCondition()
    Z.BuildTrigger(0, 2, 1, Z.AddSetNextLevelEvent("testlevel"), Z.AddWinEvent(), go)
)");
    EXPECT_EQ(python->GetInt(0), 1);
    GameObject* firstGoal = objects->GetObjectById(objectid::kBasketGoal);
    ASSERT_NE(firstGoal, nullptr);
    const std::size_t levelObjects = objects->LevelObjects().size();
    Frame();
    EXPECT_EQ(python->GetInt(1), 0);
    handler->CallCondition(0);
    Frame();
    EXPECT_EQ(python->GetInt(1), 1);
    EXPECT_EQ(objects->LevelObjects().size(), levelObjects);  // the old basket went, the new one came
    GameObject* goal = objects->GetObjectById(objectid::kBasketGoal);
    ASSERT_NE(goal, nullptr);
    EXPECT_EQ(goal->GetRenderPosition().x, 10.0f);
    EXPECT_EQ(handler->TriggerCount(), 0u);
}

}  // namespace
