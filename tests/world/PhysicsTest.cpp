#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "world/GameObject.h"
#include "world/Physics.h"
#include "world/WorldFixtures.h"

namespace {

class PhysicsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(physics.Init()); }
    void TearDown() override { physics.Shutdown(); }

    // One frame of 16 ms: the timer measures it, physics takes its step.
    void Frame(std::uint32_t ms = 16) {
        clock.Advance(ms);
        physics.Update();
    }

    // A game object with a render object of its own, placed at p.
    GameObject* Owner(D3DXVECTOR3 p = {}) {
        auto object = std::make_unique<GameObject>();
        auto render = std::make_unique<BareRenderObject>();
        render->Init();
        render->SetPosition(p);
        object->renderObject = render.get();
        renders.push_back(std::move(render));
        objects.push_back(std::move(object));
        return objects.back().get();
    }

    TestClock clock;
    Physics physics;
    std::vector<std::unique_ptr<BareRenderObject>> renders;
    std::vector<std::unique_ptr<GameObject>> objects;
};

int forceCalls = 0;
void CountCalls(Body*) { ++forceCalls; }
void PushAlongX(Body* body) {
    for (Point& p : body->points) p.AddForceXYZ(10.0f, 0.0f, 0.0f);
}

}  // namespace

TEST_F(PhysicsTest, FreePointFallsByTheFourStageStep) {
    GameObject* light = Owner();
    GameObject* heavy = Owner();
    physics.AddBody(light, 1.0f);
    physics.AddBody(heavy, 100.0f);

    Frame();
    EXPECT_FLOAT_EQ(light->body->points[0].velocity.y, -0.0167500675f);
    EXPECT_FLOAT_EQ(light->body->points[0].position.y, -3.3500135e-05f);
    EXPECT_FLOAT_EQ(heavy->body->points[0].velocity.y, -2.5666666f);
    // The render object follows its point.
    EXPECT_EQ(light->GetRenderPosition(), light->body->points[0].position);

    for (int i = 1; i < 10; ++i) Frame();
    EXPECT_FLOAT_EQ(light->body->points[0].velocity.y, -0.167500675f);
    EXPECT_FLOAT_EQ(light->body->points[0].position.y, -0.00184250751f);
    // The force is spent by the step.
    EXPECT_EQ(light->body->points[0].force, D3DXVECTOR3());
}

TEST_F(PhysicsTest, TheStepIsFixedWhateverTheFrameLength) {
    GameObject* a = Owner();
    physics.AddBody(a, 1.0f);
    Frame(200);
    EXPECT_FLOAT_EQ(a->body->points[0].velocity.y, -0.0167500675f);
}

TEST_F(PhysicsTest, PinnedPointStaysAndItsRenderObjectIsPutBack) {
    GameObject* pin = Owner({1.0f, 2.0f, 3.0f});
    physics.AddBody(pin, 0.0f);
    pin->renderObject->SetPosition(9.0f, 9.0f, 9.0f);
    Frame();
    EXPECT_EQ(pin->body->points[0].position, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(pin->body->points[0].velocity, D3DXVECTOR3());
    EXPECT_EQ(pin->GetRenderPosition(), D3DXVECTOR3(1.0f, 2.0f, 3.0f));
}

TEST_F(PhysicsTest, NoStepWhilePausedOrWithoutFrameTime) {
    GameObject* a = Owner();
    physics.AddBody(a, 1.0f);
    Point& p = a->body->points[0];
    p.AddForceXYZ(1.0f, 0.0f, 0.0f);

    clock.timer.SetPaused(true);
    physics.AddContact(Contact{});
    Frame();
    EXPECT_EQ(p.position, D3DXVECTOR3());
    EXPECT_EQ(p.force, D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    EXPECT_TRUE(physics.Contacts().empty());

    clock.timer.SetPaused(false);
    Frame(0);
    EXPECT_EQ(p.position, D3DXVECTOR3());
    EXPECT_EQ(p.force, D3DXVECTOR3(1.0f, 0.0f, 0.0f));

    Frame();
    EXPECT_NE(p.position, D3DXVECTOR3());
}

TEST_F(PhysicsTest, BodyIdsCountOnAfterRemovalsAndBodiesStepInIdOrder) {
    std::vector<GameObject*> owners;
    std::uint32_t first = 0;
    for (int i = 0; i < 5; ++i) {
        owners.push_back(Owner());
        std::uint32_t id = physics.AddBody(owners.back(), 1.0f);
        if (i == 0) first = id;
        EXPECT_EQ(id, first + i);
    }
    for (GameObject* o : owners) physics.RemoveBody(o);
    EXPECT_TRUE(physics.Bodies().empty());
    EXPECT_EQ(owners[0]->body, nullptr);  // no dangling pointer left behind
    EXPECT_EQ(physics.AddBody(Owner(), 1.0f), first + 5);
}

TEST_F(PhysicsTest, RemoveBodyTakesOnlyTheOwnersBody) {
    GameObject* a = Owner();
    GameObject* b = Owner();
    physics.AddBody(a, 1.0f);
    std::uint32_t idB = physics.AddBody(b, 1.0f);
    physics.RemoveBody(a);
    physics.RemoveBody(a);  // nothing left for it: nothing happens
    ASSERT_EQ(physics.Bodies().size(), 1u);
    EXPECT_EQ(physics.FindBody(idB), b->body);
}

// Removals find the owners' points without walking every body; what they
// find follows points added between removals, and an owner of two bodies
// loses the first in id order first.
TEST_F(PhysicsTest, RemovalsFollowPointsAddedBetweenThemAndTakeTheFirstBodyFirst) {
    GameObject* a = Owner();
    GameObject* node = Owner();
    GameObject* gone = Owner();
    const std::uint32_t first = physics.AddBody(a, 1.0f);
    const std::uint32_t second = physics.AddBody(a, 1.0f);
    physics.AddBody(gone, 1.0f);
    physics.RemoveBody(gone);
    physics.ForgetOwner(gone);
    physics.FindBody(second)->AddPoint(node, 0.0f, 0.0f, 0.0f, 1.0f);
    physics.ForgetOwner(node);
    EXPECT_EQ(physics.FindBody(second)->points[1].owner, nullptr);

    physics.RemoveBody(a);
    EXPECT_EQ(physics.FindBody(first), nullptr);
    ASSERT_NE(physics.FindBody(second), nullptr);
    EXPECT_EQ(a->body, physics.FindBody(second));
    physics.RemoveBody(a);
    EXPECT_TRUE(physics.Bodies().empty());
    EXPECT_EQ(a->body, nullptr);
}

TEST_F(PhysicsTest, ForceFunctionsRunOncePerPointAndReachLaterPointsInTheSameFrame) {
    GameObject* sheet = Owner();
    physics.AddBody(sheet, 1.0f);
    Body* body = sheet->body;
    body->AddPoint(sheet, 0.0f, 0.0f, 0.0f, 1.0f);
    body->AddPoint(sheet, 0.0f, 0.0f, 0.0f, 1.0f);
    body->AddForceFunc(CountCalls);
    body->AddForceFunc(PushAlongX);

    forceCalls = 0;
    Frame();
    EXPECT_EQ(forceCalls, 3);
    // Point 0 was integrated before any push, point 1 after one, point 2
    // after two; the pushes that came after each integration wait for the
    // next frame.
    EXPECT_EQ(body->points[0].velocity.x, 0.0f);
    EXPECT_GT(body->points[1].velocity.x, 0.0f);
    EXPECT_FLOAT_EQ(body->points[2].velocity.x, 2.0f * body->points[1].velocity.x);
    EXPECT_EQ(body->points[0].force.x, 30.0f);
    EXPECT_EQ(body->points[2].force.x, 10.0f);
}

TEST_F(PhysicsTest, PointsAreFoundByIndexOnlyWithinTheBody) {
    GameObject* a = Owner();
    physics.AddBody(a, 1.0f);
    a->body->AddPoint(a, 1.0f, 2.0f, 3.0f, 0.5f);
    ASSERT_NE(a->body->GetPoint(1), nullptr);
    EXPECT_EQ(a->body->GetPoint(1)->position, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(a->body->GetPoint(2), nullptr);
    EXPECT_EQ(a->body->GetPoint(0xFFFFFFFFu), nullptr);
}

TEST_F(PhysicsTest, ADeletedObjectIsForgottenByEveryPointThatNamedIt) {
    GameObject* sheet = Owner();
    physics.AddBody(sheet, 1.0f);
    auto node = std::make_unique<GameObject>();
    sheet->body->AddPoint(node.get(), 0.0f, 0.0f, 0.0f, 10.0f);
    node.reset();
    EXPECT_EQ(sheet->body->points[1].owner, nullptr);
    Frame();  // the ownerless point moves without touching freed memory
    EXPECT_LT(sheet->body->points[1].position.y, 0.0f);
}
