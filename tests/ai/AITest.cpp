#include <gtest/gtest.h>

#include "AIFixture.h"
#include "ai/AI.h"
#include "ai/AI_Passive.h"
#include "ai/AI_Path.h"
#include "ai/PathMan.h"
#include "world/GameObject.h"

namespace {

// The managers as "GameLogic" makes them, and plain game objects (no render
// object, no body) for controllers to drive.
class AITest : public AIFixture {
protected:
    void SetUp() override {
        AIFixture::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(paths.Init());
    }
    void TearDown() override {
        paths.Shutdown();
        AIFixture::TearDown();
    }

    PathMan paths;
    GameObject first, second;
};

}  // namespace

// An id is never handed out twice: the next level's controllers get new
// ids, so an id a script kept from the level before finds nothing instead of
// steering another level's character; a global controller keeps its own.
TEST_F(AITest, IdsAreNeverHandedOutTwiceAcrossLevelChanges) {
    EXPECT_EQ(ais.CreateAI(kAIIdle, nullptr), 0u);
    const std::uint32_t kept = ais.CreateLevelAI(kAIChase, &first);  // 1
    for (std::uint32_t kind : {kAIFlee, kAIPassive}) ais.CreateLevelAI(kind, nullptr);
    const std::uint32_t global = ais.CreateAI(kAIPath, nullptr);  // 4
    ais.RemoveLevelAIs();
    EXPECT_EQ(ais.GetAI(kept), nullptr);

    const std::uint32_t next = ais.CreateLevelAI(kAIChase, &second);
    EXPECT_EQ(next, global + 1);
    EXPECT_EQ(ais.GetAI(kept), nullptr);
    EXPECT_EQ(ais.GetAI(next)->Object(), &second);
    EXPECT_EQ(ais.GetAI(global)->Kind(), kAIPath);
    ais.RemoveLevelAIs();
    EXPECT_EQ(ais.CreateLevelAI(kAIIdle, nullptr), next + 1);

    // An unknown kind makes nothing and takes no id.
    EXPECT_EQ(ais.CreateAI(5, &first), AIMan::kNoAI);
    EXPECT_EQ(first.ai, nullptr);
    EXPECT_EQ(ais.NextId(), next + 2);
}

TEST_F(AITest, ObjectAndControllerPointAtEachOtherThroughEveryChange) {
    AI* a = Controller<AI>(kAIPath, &first);
    EXPECT_EQ(first.ai, a);
    EXPECT_EQ(a->Object(), &first);
    // A second controller frees the first from the object.
    AI* b = Controller<AI>(kAIIdle, &first);
    EXPECT_EQ(first.ai, b);
    EXPECT_EQ(a->Object(), nullptr);
    // Moving a controller to another object frees the object it drove.
    second.AttachAI(b);
    EXPECT_EQ(first.ai, nullptr);
    EXPECT_EQ(b->Object(), &second);
    // A removed controller leaves its object without one.
    ais.CreateLevelAI(kAIChase, &first);
    ais.RemoveLevelAIs();
    EXPECT_EQ(first.ai, nullptr);
}

TEST_F(AITest, PathControllerGivesOneTimedMovePerSegment) {
    const std::uint32_t pathId = paths.CreatePath();
    for (float z : {0.0f, 2.0f, 8.0f}) paths.AddPointToPath(pathId, 1, 0, z);
    paths.SetPathSpeed(pathId, 2.0f);
    auto* walker = Controller<AI_Path>(kAIPath, &first);
    walker->SetPath(paths.GetPath(pathId));

    ASSERT_TRUE(walker->Update());
    EXPECT_EQ(first.moveTarget, D3DXVECTOR3(1, 0, 2));
    EXPECT_FLOAT_EQ(first.moveTimeLeft, 1.0f);
    walker->Update();  // the move is running: no new one
    EXPECT_EQ(walker->PointIndex(), 1u);

    first.moving = 0;
    walker->Update();
    EXPECT_EQ(first.moveTarget, D3DXVECTOR3(1, 0, 8));
    EXPECT_FLOAT_EQ(first.moveTimeLeft, 3.0f);
    EXPECT_FALSE(first.IsPathDone());  // not arrived yet
    first.moving = 0;
    walker->Update();  // a move of no time onto the last point
    EXPECT_TRUE(first.IsPathDone());
    EXPECT_EQ(walker->PointIndex(), 0u);

    // A shorter path picks up from its start; an empty one gives no move.
    walker->SetPointIndex(2);
    const std::uint32_t shortId = paths.CreatePath();
    paths.AddPointToPath(shortId, 5, 5, 5);
    walker->SetPath(paths.GetPath(shortId));
    EXPECT_EQ(walker->PointIndex(), 0u);
    walker->SetPath(paths.GetPath(paths.CreatePath()));
    first.moving = 0;
    EXPECT_TRUE(walker->Update());
    EXPECT_EQ(first.moving, 0);
}

TEST_F(AITest, WanderingLeavesAnObjectThatIsNotACharacterAlone) {
    auto* passive = Controller<AI_Passive>(kAIPassive, &second);
    // At (0, 0) on a character it would draw a wander point at once.
    EXPECT_FALSE(passive->Update());
    EXPECT_EQ(passive->WanderX(), 0.0f);
    EXPECT_EQ(passive->WanderZ(), 0.0f);
}
