// Controllers steering real characters in a real scene and physics.
#include <gtest/gtest.h>

#include <cmath>

#include "AIFixture.h"
#include "ai/AI_Chase.h"
#include "ai/AI_Passive.h"
#include "characters/NPC.h"
#include "core/Random.h"
#include "support/CharacterStage.h"

namespace {

// Video, physics, sound (null output), a timer at 50 frames a second on a
// clock the test drives, and the object and AI managers.
class AICharacterTest : protected CharacterStage, public AIFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartStage());
        AIFixture::SetUp();
        if (HasFatalFailure()) return;
        Random::Seed(16);
    }
    NPC* Character(float x, float y, float z, std::uint32_t id = 0) {
        ObjectDesc desc;
        desc.kind = kKindNPC;
        auto* npc = static_cast<NPC*>(objects.CreateObject(&desc));
        npc->id = id;
        const D3DXVECTOR3 at(x, y, z);
        npc->SetRenderPosition(&at);
        return npc;
    }
};

}  // namespace

TEST_F(AICharacterTest, ChaserTurnsToFaceItsTargetAndSpeedsUp) {
    NPC* target = Character(0, 0, 0, 1000);
    NPC* chaser = Character(10, 0, 0);
    auto* chase = Controller<AI_Chase>(kAIChase, chaser);
    ASSERT_TRUE(chase->Update());
    // Steer (-5, 0): five units long, so 25 more run speed and a turn of
    // k = 0.4 per frame toward -x.
    EXPECT_FLOAT_EQ(chaser->runSpeed, 25.0f);
    for (int i = 0; i < 4; ++i) {
        Tick();
        chaser->Update();
    }
    EXPECT_NEAR(chaser->facing.x, -1.0f, 1e-4f);
    EXPECT_NEAR(chaser->facing.z, 0.0f, 1e-4f);

    // Right above its target it has no direction: the heading stays finite.
    const D3DXVECTOR3 above(0, 6, 0);
    chaser->SetRenderPosition(&above);
    target->SetRenderPosition(&above);
    chase->Update();
    Tick();
    chaser->Update();
    EXPECT_TRUE(std::isfinite(chaser->facing.x) && std::isfinite(chaser->facing.z));
}

TEST_F(AICharacterTest, WandererDrawsANewPointOnlyOnReachingItsOwn) {
    NPC* idler = Character(0, 0, 0);
    auto* passive = Controller<AI_Passive>(kAIPassive, idler);
    // It starts on its wander point (0, 0): a new one at once, in whole
    // steps of 0.18 within -9..9.
    ASSERT_TRUE(passive->Update());
    EXPECT_NE(D3DXVECTOR2(passive->WanderX(), passive->WanderZ()), D3DXVECTOR2(0, 0));
    for (float w : {passive->WanderX(), passive->WanderZ()}) {
        EXPECT_LE(std::fabs(w), 9.0f);
        EXPECT_NEAR(std::fmod((w + 9.0f) / 0.18f + 0.5f, 1.0f), 0.5f, 1e-3f);
    }
    EXPECT_GT(idler->runSpeed, 0.0f);
    // Far from it, the point stays.
    passive->SetWanderPoint(8.1f, -8.1f);
    passive->Update();
    EXPECT_EQ(D3DXVECTOR2(passive->WanderX(), passive->WanderZ()), D3DXVECTOR2(8.1f, -8.1f));
}
