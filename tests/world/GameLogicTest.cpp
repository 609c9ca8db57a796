#include <gtest/gtest.h>

#include <cmath>

#include "Video/Camera.h"
#include "Video/LightMan.h"
#include "Video/ObjectMesh.h"
#include "Video/TextMan.h"
#include "audio/Audio.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/TestVideo.h"
#include "world/GameLogic.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"
#include "world/WorldFixtures.h"

namespace {

// The game logic on a real video system, with a timer the test drives and
// the sound system (null device) as the listener's target.
class GameLogicTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(video.ok());
        audio.Init();
        registryBefore = eTable::Count();
        ASSERT_TRUE(logic.Init());
    }
    void TearDown() override {
        logic.Shutdown();
        audio.Shutdown();
    }
    void Frame() {
        clock.Advance(16);
        logic.Update();
    }

    TestVideo video{160, 120};
    TestClock clock;
    Audio audio;
    GameLogic logic;
    int registryBefore = 0;
};

// A user-interface object that notes what it saw of the control flags.
class FlagWatcher : public System {
public:
    explicit FlagWatcher(GameLogic* logic, int* seen, int* shutdowns) : logic(logic), seen(seen), shutdowns(shutdowns) {}
    bool Init(void*, void*) override { return initialized = true; }
    bool Update() override {
        *seen = logic->Forward;
        return true;
    }
    bool Shutdown() override {
        ++*shutdowns;
        return true;
    }
    GameLogic* logic;
    int* seen;
    int* shutdowns;
};

}  // namespace

TEST_F(GameLogicTest, SetsUpTheFixedFrameOfEveryLevel) {
    EXPECT_EQ(eTable::Peek(names::GameLogic), &logic);
    ASSERT_NE(eTable::Peek(names::Physics), nullptr);
    ASSERT_NE(eTable::Peek(names::GameObjectsMan), nullptr);
    // Physics is the first child, so it steps before the game objects.
    EXPECT_EQ(logic.Children().front(), eTable::Peek(names::Physics));

    auto* camera = eTable::Find<Camera>(names::Camera);
    EXPECT_EQ(camera->eye, D3DXVECTOR3(0.0f, 5.0f, -20.0f));
    EXPECT_EQ(camera->target, D3DXVECTOR3(0.0f, 5.0f, 0.0f));
    EXPECT_FLOAT_EQ(camera->aspect, 1.3333334f);
    EXPECT_FLOAT_EQ(camera->nearPlane, 0.1f);

    auto* lights = eTable::Find<LightMan>(names::LightMan);
    EXPECT_FLOAT_EQ(lights->sceneAmbient[0], 0.14509804f);
    EXPECT_FLOAT_EQ(lights->skyColour[1], 0.08235294f);
    EXPECT_FLOAT_EQ(lights->groundColour[2], 0.019607844f);
    EXPECT_EQ(lights->skyDirection[1], 1.0f);

    ASSERT_NE(logic.Skybox(), nullptr);
    EXPECT_EQ(logic.Skybox()->Flags() & Object::kEarly, Object::kEarly);
    ASSERT_NE(logic.Skybox()->TextureSlots(), nullptr);
    EXPECT_NE(logic.Skybox()->TextureSlots()->First(), nullptr);
}

TEST_F(GameLogicTest, FpsTextIsHiddenAfterStartAndShownWhileAskedFor) {
    EXPECT_EQ(logic.showFPS, 0);
    ASSERT_NE(logic.FpsText(), nullptr);
    Frame();
    EXPECT_FALSE(logic.FpsText()->IsActive());
    const std::string hiddenText = logic.FpsText()->GetText();
    Frame();
    EXPECT_EQ(logic.FpsText()->GetText(), hiddenText);  // not rewritten while hidden

    logic.showFPS = 1;
    Frame();
    EXPECT_TRUE(logic.FpsText()->IsActive());
    EXPECT_EQ(logic.FpsText()->GetText().rfind("FPS: ", 0), 0u);
}

TEST_F(GameLogicTest, UIObjectIdsArePositionsAndRestartAfterAClear) {
    int seen = 0, shutdowns = 0;
    EXPECT_EQ(logic.AddUIObject(new FlagWatcher(&logic, &seen, &shutdowns)), 0u);
    EXPECT_EQ(logic.AddUIObject(new FlagWatcher(&logic, &seen, &shutdowns)), 1u);
    EXPECT_NE(logic.GetUIObject(1), nullptr);
    EXPECT_EQ(logic.GetUIObject(2), nullptr);

    logic.ClearUIObjects();
    EXPECT_EQ(shutdowns, 2);
    EXPECT_EQ(logic.GetUIObject(0), nullptr);
    EXPECT_EQ(logic.AddUIObject(new FlagWatcher(&logic, &seen, &shutdowns)), 0u);
}

TEST_F(GameLogicTest, AControlFlagLastsTheFrameItWasSetIn) {
    int seen = 0, shutdowns = 0;
    logic.AddUIObject(new FlagWatcher(&logic, &seen, &shutdowns));
    logic.Forward = 1;  // as the console's command does during the frame
    Frame();
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(logic.Forward, 0);
    Frame();
    EXPECT_EQ(seen, 0);
}

TEST_F(GameLogicTest, TheSoundListenerFollowsTheCameraEveryFrame) {
    auto* camera = eTable::Find<Camera>(names::Camera);
    Frame();
    EXPECT_EQ(audio.Params().listenerPosition, camera->eye);
    camera->SetPosition(3.0f, 4.0f, 5.0f);
    camera->Update();
    Frame();
    EXPECT_EQ(audio.Params().listenerPosition, D3DXVECTOR3(3.0f, 4.0f, 5.0f));
    EXPECT_NEAR(audio.Params().listenerForward.z, camera->cameraForward.z, 1e-6f);
    EXPECT_NEAR(audio.Params().listenerUp.y, camera->cameraUp.y, 1e-6f);
}

TEST_F(GameLogicTest, ShutdownLeavesTheRegistryAsItFoundIt) {
    ASSERT_TRUE(logic.Shutdown());
    EXPECT_EQ(eTable::Peek(names::Physics), nullptr);
    EXPECT_EQ(eTable::Peek(names::GameObjectsMan), nullptr);
    EXPECT_EQ(eTable::Peek(names::GameLogic), nullptr);
    EXPECT_EQ(eTable::Count(), registryBefore);
    EXPECT_FALSE(logic.Shutdown());
}
