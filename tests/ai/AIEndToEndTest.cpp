// The controllers in the running engine: a script builds the player and four
// characters with a chasing, a fleeing, a wandering and a path-walking
// controller, and the game logic runs frame after frame on a real video
// system, physics and collision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/Random.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "scripting/PythonMan.h"
#include "support/TestVideo.h"
#include "world/GameLogic.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"
#include "world/WorldFixtures.h"

namespace {

// 16 ms frames, each with one 2 ms physics step.
constexpr int kFrames = 8000;

float GroundDistance(const GameObject* a, const GameObject* b) {
    const D3DXVECTOR3 p = a->GetRenderPosition(), q = b->GetRenderPosition();
    return std::hypot(p.x - q.x, p.z - q.z);
}

// The corners of the walker's path, as the script gives them.
const std::vector<D3DXVECTOR3> kSquare = {{6, 0, 6}, {6, 0, -6}, {-6, 0, -6}, {-6, 0, 6}};

int CornerIndex(const D3DXVECTOR3& p) {
    for (std::size_t i = 0; i < kSquare.size(); ++i)
        if (p == kSquare[i]) return static_cast<int>(i);
    return -1;
}

class AIEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(video.ok());
        Random::Seed(16);
        PythonMan::SetScriptFolder((ScopedTempDir::RepositoryRoot() / "tests/ai/scripts/wander").string());
        ASSERT_TRUE(logic.Init());
        auto* objects = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
        player = objects->GetObjectById(objectid::kPlayer);
        chaser = objects->GetObjectById(10);
        fleer = objects->GetObjectById(11);
        wanderer = objects->GetObjectById(12);
        walker = objects->GetObjectById(13);
        ASSERT_TRUE(player && chaser && fleer && wanderer && walker);
        // Nobody steers the player here: held where it stands, it is a fixed
        // mark to chase and flee (characters bumping into it would
        // otherwise send it flying).
        player->body->points[0].SetInverseMass(0.0f);
    }
    void TearDown() override {
        logic.Shutdown();
        PythonMan::SetScriptFolder("");
    }
    void Frame() {
        clock.Advance(16);
        logic.Update();
    }

    TestVideo video{160, 120};
    TestClock clock;
    GameLogic logic;
    const GameObject* player = nullptr;
    const GameObject* chaser = nullptr;
    const GameObject* fleer = nullptr;
    const GameObject* wanderer = nullptr;
    const GameObject* walker = nullptr;
};

}  // namespace

TEST_F(AIEndToEndTest, CharactersChaseFleeWanderAndWalkAroundThePlayer) {
    const float chaserStart = GroundDistance(chaser, player);
    const float fleerStart = GroundDistance(fleer, player);
    float wandererReach = 0.0f;
    // The corners the walker is sent to, in order, and whether it stood on
    // the previous one each time it got the next.
    std::vector<int> corners;
    bool arrivedEachTime = true;

    for (int frame = 0; frame < kFrames; ++frame) {
        const D3DXVECTOR3 target = walker->moveTarget;
        Frame();
        const D3DXVECTOR3 w = wanderer->GetRenderPosition();
        wandererReach = std::max({wandererReach, std::fabs(w.x), std::fabs(w.z)});
        if (walker->moveTarget != target) {
            corners.push_back(CornerIndex(walker->moveTarget));
            if (frame > 0) arrivedEachTime = arrivedEachTime && walker->GetRenderPosition() == target;
        }
    }

    EXPECT_LT(GroundDistance(chaser, player), chaserStart - 5.0f);
    EXPECT_GT(GroundDistance(fleer, player), fleerStart + 2.0f);
    // Wander points lie within -9..9; a bounce may carry it a little past.
    EXPECT_LT(wandererReach, 10.0f);
    const D3DXVECTOR3 w = wanderer->GetRenderPosition();
    EXPECT_GT(std::hypot(w.x + 5.0f, w.z + 5.0f), 1.5f);  // it left its start

    // Starting between corners 0 and 1, the walker goes 1, 2, 3, 0, 1, ...
    EXPECT_TRUE(arrivedEachTime);
    ASSERT_GE(corners.size(), 8u);
    for (std::size_t i = 0; i < corners.size(); ++i) EXPECT_EQ(corners[i], static_cast<int>((i + 1) % 4)) << i;
}
