#include <gtest/gtest.h>

#include "ai/AI.h"
#include "ai/AIMan.h"
#include "ai/AI_Camera.h"
#include "ai/AI_Chase.h"
#include "ai/AI_Flee.h"
#include "ai/AI_Passive.h"
#include "ai/AI_Path.h"
#include "ai/PathMan.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"

namespace {

// The managers as "GameLogic" makes them, and plain game objects (no render
// object, no body) for controllers to drive.
class AITest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(objects.Init(const_cast<char*>(names::GameObjectsMan)));
        ASSERT_TRUE(ais.Init());
        ASSERT_TRUE(paths.Init());
    }
    void TearDown() override {
        paths.Shutdown();
        ais.Shutdown();
        objects.Shutdown();
    }

    GameObjectsMan objects;
    AIMan ais;
    PathMan paths;
    GameObject first, second;
};

}  // namespace

TEST_F(AITest, IdsStartAtZeroAndALevelChangeGivesTheLevelsIdsBack) {
    EXPECT_EQ(ais.CreateAI(kAIIdle, nullptr), 0u);
    EXPECT_EQ(ais.CreateAI(kAIPath, nullptr), 1u);
    for (std::uint32_t kind : {kAIChase, kAIFlee, kAIPassive}) ais.CreateLevelAI(kind, nullptr);
    EXPECT_EQ(ais.NextId(), 5u);
    ais.RemoveLevelAIs();
    EXPECT_EQ(ais.NextId(), 2u);
    EXPECT_EQ(ais.GetAI(2), nullptr);
    ASSERT_NE(ais.GetAI(1), nullptr);
    EXPECT_EQ(ais.GetAI(1)->Kind(), kAIPath);
    EXPECT_EQ(ais.CreateLevelAI(kAIIdle, nullptr), 2u);
}

TEST_F(AITest, ControllerCreatedAfterTheLevelsKeepsItsOwnId) {
    ais.CreateLevelAI(kAIIdle, nullptr);                  // 0
    ais.CreateLevelAI(kAIIdle, nullptr);                  // 1
    const std::uint32_t global = ais.CreateAI(kAIPath, nullptr);  // 2, outlives the level
    ais.RemoveLevelAIs();
    // Numbering goes on after the global one, so no later controller shares
    // its id and a lookup never finds the wrong one.
    const std::uint32_t next = ais.CreateLevelAI(kAIChase, nullptr);
    EXPECT_EQ(next, global + 1);
    EXPECT_EQ(ais.GetAI(global)->Kind(), kAIPath);
    EXPECT_EQ(ais.GetAI(next)->Kind(), kAIChase);
    // The next level change removes only the level's controller.
    ais.RemoveLevelAIs();
    ASSERT_NE(ais.GetAI(global), nullptr);
    EXPECT_EQ(ais.NextId(), global + 1);
}

TEST_F(AITest, UnknownKindCreatesNothingAndTheCameraIsNoController) {
    EXPECT_EQ(ais.CreateLevelAI(5, &first), AIMan::kNoAI);
    EXPECT_EQ(ais.CreateAI(99, &first), AIMan::kNoAI);
    EXPECT_EQ(first.ai, nullptr);
    EXPECT_EQ(ais.NextId(), 0u);
    ais.RemoveLevelAIs();
    ASSERT_EQ(ais.Children().size(), 1u);
    EXPECT_EQ(ais.Children().front(), ais.CameraController());
    EXPECT_EQ(eTable::Peek(names::AI_Camera), ais.CameraController());
    EXPECT_EQ(ais.GetAI(0), nullptr);
}

TEST_F(AITest, ObjectAndControllerPointAtEachOtherThroughEveryChange) {
    AI* a = ais.GetAI(ais.CreateAI(kAIPath, &first));
    EXPECT_EQ(first.ai, a);
    EXPECT_EQ(a->Object(), &first);

    // A second controller frees the first from the object.
    AI* b = ais.GetAI(ais.CreateAI(kAIIdle, &first));
    EXPECT_EQ(first.ai, b);
    EXPECT_EQ(a->Object(), nullptr);

    // Moving a controller to another object frees the object it drove.
    second.AttachAI(b);
    EXPECT_EQ(first.ai, nullptr);
    EXPECT_EQ(second.ai, b);
    EXPECT_EQ(b->Object(), &second);

    // Removing the controller leaves its object without one.
    const std::uint32_t level = ais.CreateLevelAI(kAIChase, &first);
    ais.RemoveLevelAIs();
    EXPECT_EQ(ais.GetAI(level), nullptr);
    EXPECT_EQ(first.ai, nullptr);
    second.DetachAI();
    EXPECT_EQ(b->Object(), nullptr);
}

TEST_F(AITest, PathControllerGivesOneTimedMovePerSegment) {
    const std::uint32_t pathId = paths.CreatePath();
    paths.AddPointToPath(pathId, 0, 0, 0);
    paths.AddPointToPath(pathId, 2, 0, 0);
    paths.AddPointToPath(pathId, 2, 0, 6);
    paths.SetPathSpeed(pathId, 2.0f);
    auto* walker = static_cast<AI_Path*>(ais.GetAI(ais.CreateAI(kAIPath, &first)));
    EXPECT_FALSE(walker->Update());  // no path yet
    walker->SetPath(paths.GetPath(pathId));

    ASSERT_TRUE(walker->Update());
    EXPECT_EQ(walker->PointIndex(), 1u);
    EXPECT_EQ(first.moving, 1);
    EXPECT_EQ(first.moveTarget, D3DXVECTOR3(2, 0, 0));
    EXPECT_FLOAT_EQ(first.moveTimeLeft, 1.0f);

    // While the move runs the index stays.
    walker->Update();
    EXPECT_EQ(walker->PointIndex(), 1u);

    first.moving = 0;
    walker->Update();
    EXPECT_EQ(walker->PointIndex(), 2u);
    EXPECT_EQ(first.moveTarget, D3DXVECTOR3(2, 0, 6));
    EXPECT_FLOAT_EQ(first.moveTimeLeft, 3.0f);
    EXPECT_TRUE(walker->IsAtLastPoint());
    EXPECT_FALSE(first.IsPathDone());  // the move has not arrived
    first.moving = 0;
    walker->Update();  // a move of no time onto the last point
    EXPECT_EQ(first.moveTimeLeft, 0.0f);
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

TEST_F(AITest, SteeringTakesHalfTheDifferenceWithZNegated) {
    const D3DXVECTOR2 toPlayer = AI::SteerFrom(D3DXVECTOR3(10, 3, 0), 0, 0);
    EXPECT_EQ(toPlayer, D3DXVECTOR2(-5, 0));
    EXPECT_EQ(AI::SteerFrom(D3DXVECTOR3(1, 0, 2), 3, 8), D3DXVECTOR2(1, -3));
}

TEST_F(AITest, ChasingAndWanderingLeaveObjectsThatAreNotCharactersAlone) {
    first.id = 1000;  // something to chase and flee from
    auto* passive = static_cast<AI_Passive*>(ais.GetAI(ais.CreateAI(kAIPassive, &second)));
    auto* flee = static_cast<AI_Flee*>(ais.GetAI(ais.CreateAI(kAIFlee, nullptr)));
    AI* chase = ais.GetAI(ais.CreateAI(kAIChase, nullptr));
    GameObject third;
    third.AttachAI(flee);
    EXPECT_FALSE(passive->Update());
    EXPECT_FALSE(flee->Update());
    // At (0, 0) the passive controller would otherwise draw a point at once.
    EXPECT_EQ(passive->WanderX(), 0.0f);
    EXPECT_EQ(flee->WanderX(), 0.0f);
    EXPECT_FALSE(chase->Update());
}
