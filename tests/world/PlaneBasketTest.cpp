#include <gtest/gtest.h>

#include <cmath>

#include "Video/ObjectMesh.h"
#include "audio/Audio.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/TestVideo.h"
#include "world/Basket.h"
#include "world/GameLogic.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"
#include "world/Plane.h"
#include "world/WorldFixtures.h"

namespace {

// The started game logic (with its ground plane) on a real video system.
class PlaneBasketTest : public ::testing::Test, protected LogicStage {
protected:
    PlaneBasketTest() : LogicStage(160, 120) {}
    void SetUp() override { ASSERT_TRUE(StartLogic()); }
    Plane* Ground() { return static_cast<Plane*>(objects->GetObjectById(objectid::kGround)); }
    GameObject* NewPlane(bool level) {
        ObjectDesc desc;
        desc.kind = kKindPlane;
        desc.size = 2.0f;
        desc.depth = 1.0f;
        desc.mesh = "plane.x";
        return level ? objects->CreateLevelObject(&desc) : objects->CreateObject(&desc);
    }
    Basket* NewBasket(float size, D3DXVECTOR3 at) {
        ObjectDesc desc;
        desc.kind = kKindBasket;
        desc.size = size;
        desc.position = at;
        return static_cast<Basket*>(objects->CreateLevelObject(&desc));
    }
    static bool Finite(const D3DXMATRIX& m) {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                if (!std::isfinite(m.m[r][c])) return false;
        return true;
    }
};

}  // namespace

TEST_F(PlaneBasketTest, GroundIsAPinnedSquareOfHalfSideHundred) {
    Plane* ground = Ground();
    ASSERT_NE(ground, nullptr);
    auto* mesh = static_cast<ObjectMesh*>(ground->renderObject);
    ASSERT_NE(mesh, nullptr);
    float custom[4];
    mesh->GetCustomData(custom);
    EXPECT_FLOAT_EQ(custom[0], 0.2f);
    EXPECT_FLOAT_EQ(custom[1], 5.0f);
    EXPECT_EQ(custom[2], 0.0f);
    EXPECT_EQ(mesh->GetScale(), D3DXVECTOR3(100.0f, 100.0f, 100.0f));
    EXPECT_EQ(mesh->MaterialKind(), 17u);

    // Corners from the normal (0, 1, 0): a = +x, b = +z.
    EXPECT_EQ(ground->corners[0].x, -100.0f);
    EXPECT_EQ(ground->corners[0].z, 100.0f);
    EXPECT_EQ(ground->corners[1].x, 100.0f);
    EXPECT_EQ(ground->corners[3].z, -100.0f);

    // Drawn below its point until the first step brings it there.
    EXPECT_EQ(mesh->GetPosition(), D3DXVECTOR3(0.0f, -10.0f, 0.0f));
    Frame();
    EXPECT_EQ(mesh->GetPosition(), D3DXVECTOR3(0.0f, -5.0f, 0.0f));
    EXPECT_EQ(ground->body->points[0].inverseMass, 0.0f);
}

TEST_F(PlaneBasketTest, NormalsAlongAnAxisSpanTheSquareAsExpected) {
    auto* plane = static_cast<Plane*>(NewPlane(false));
    const float s = plane->GetScale();
    const D3DXVECTOR3 toward(0.0f, 0.0f, 1.0f);
    plane->SetNormal(&toward);
    // C1 - C0 = 2 s a, C0 - C2 = 2 s b.
    D3DXVECTOR3 a = (plane->corners[1] - plane->corners[0]) / (2.0f * s);
    D3DXVECTOR3 b = (plane->corners[0] - plane->corners[2]) / (2.0f * s);
    EXPECT_EQ(a, D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(b, D3DXVECTOR3(0.0f, -1.0f, 0.0f));
    EXPECT_EQ(plane->normal, toward);

    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    plane->SetNormal(&up);
    a = (plane->corners[1] - plane->corners[0]) / (2.0f * s);
    b = (plane->corners[0] - plane->corners[2]) / (2.0f * s);
    EXPECT_EQ(a, D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(b, D3DXVECTOR3(0.0f, 0.0f, 1.0f));
}

TEST_F(PlaneBasketTest, BasketStandsItsWallsAroundItsPosition) {
    Basket* basket = NewBasket(4.0f, {0.0f, 10.0f, 0.0f});
    ASSERT_NE(basket, nullptr);
    EXPECT_EQ(basket->id, objectid::kBasket);
    const D3DXVECTOR3 at[Basket::kWallCount] = {
        {0.0f, 6.0f, 0.0f}, {-4.0f, 10.0f, 0.0f}, {4.0f, 10.0f, 0.0f}, {0.0f, 10.0f, -4.0f}, {0.0f, 10.0f, 4.0f}};
    const D3DXVECTOR3 facing[Basket::kWallCount] = {
        {0.0f, -1.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, 1.0f}};
    for (int w = 0; w < Basket::kWallCount; ++w) {
        Plane* wall = basket->walls[w];
        ASSERT_NE(wall, nullptr);
        EXPECT_EQ(wall->id, objectid::kBasketWall);
        EXPECT_EQ(wall->GetRenderPosition(), at[w]) << "wall " << w;
        EXPECT_EQ(wall->body->points[0].position, at[w]) << "wall " << w;
        EXPECT_EQ(wall->normal, facing[w]);
        EXPECT_EQ(wall->GetScale(), 4.0f);
        // Walls of no thickness still get a finite world matrix.
        EXPECT_TRUE(Finite(wall->renderObject->UpdateWorldMatrix())) << "wall " << w;
    }
    // The bottom's corners lie around its own position.
    EXPECT_EQ(basket->walls[Basket::kBottom]->corners[0].y, 6.0f);

    ASSERT_NE(basket->goal, nullptr);
    EXPECT_EQ(basket->goal->id, objectid::kBasketGoal);
    EXPECT_FALSE(basket->goal->renderObject->IsActive());
    EXPECT_EQ(basket->goal->normal, D3DXVECTOR3(0.0f, 1.0f, 0.0f));
    // Never where the ground lies.
    EXPECT_EQ(basket->goal->body->points[0].position, D3DXVECTOR3(0.0f, 10.0f, 0.0f));

    // The walls stay where they were put through the physics step.
    Frame();
    EXPECT_EQ(basket->walls[Basket::kPlusX]->GetRenderPosition(), at[Basket::kPlusX]);
}

TEST_F(PlaneBasketTest, LookupsTakeTheLastObjectWithTheId) {
    GameObject* ground = objects->GetObjectById(objectid::kGround);
    ASSERT_NE(ground, nullptr);
    GameObject* later = NewPlane(true);
    EXPECT_EQ(objects->GetObjectById(objectid::kGround), later);
    EXPECT_EQ(objects->GetObjectById(4242), nullptr);
}

// A level of many objects sharing ids (a trampoline's nodes, planes,
// basket walls, characters a script numbered alike) whose objects are
// deleted, renumbered and replaced, then left twice: every lookup answers
// what a walk of all the objects that keeps the last match answers.
TEST_F(PlaneBasketTest, LookupsByIdAnswerAsAWalkOfEveryObject) {
    auto walk = [this](std::uint32_t id) {
        GameObject* last = nullptr;
        for (System* child : objects->Children())
            if (child && static_cast<GameObject*>(child)->id == id) last = static_cast<GameObject*>(child);
        return last;
    };
    std::vector<std::uint32_t> ids = {0, 1000, 1001, 1002, 1003, 1005, 2000, 4242};
    for (std::uint32_t id = 3000; id < 3050; ++id) ids.push_back(id);
    auto expectAsTheWalk = [&](const char* when) {
        for (std::uint32_t id : ids) ASSERT_EQ(objects->GetObjectById(id), walk(id)) << when << ", id " << id;
    };
    auto character = [this](std::uint32_t id, bool level) {
        ObjectDesc desc;
        desc.kind = kKindNPC;
        GameObject* npc = level ? objects->CreateLevelObject(&desc) : objects->CreateObject(&desc);
        npc->id = id;
        return npc;
    };
    GameObject* ground = Ground();
    ObjectDesc sheet;
    sheet.kind = kKindTrampoline;
    sheet.columns = sheet.rows = 10;
    sheet.spacing = 2.0f;
    objects->CreateObject(&sheet);
    for (int i = 0; i < 600; ++i) {
        character(3000 + std::uint32_t(i % 50), true);
        if (i % 60 == 0) NewPlane(true);
        if (i % 100 == 0) NewBasket(2.0f, {20.0f, 3.0f, float(i) / 10.0f});
    }
    objects->CreateLevelObject(&sheet);
    GameObject* global = character(3001, false);
    expectAsTheWalk("built");

    for (std::uint32_t id : {3003u, 3003u, 3010u, 1001u}) objects->DeleteObject(objects->GetObjectById(id));
    expectAsTheWalk("the newest of some ids deleted");
    global->id = 3002;  // now the newest of 3002
    objects->GetObjectById(3004)->id = 3049;
    walk(3005)->id = 3005;  // unchanged
    ground->id = 3006;  // the oldest object: 3006 is still the newest's
    expectAsTheWalk("renumbered");
    ground->id = 1001;
    character(1001, true);
    expectAsTheWalk("a newer 1001");

    objects->DeleteLevelObjects();
    expectAsTheWalk("the level left");
    EXPECT_EQ(objects->GetObjectById(3002), global);
    objects->DeleteLevelObjects();
    expectAsTheWalk("left again");
}

TEST_F(PlaneBasketTest, ALevelChangeDeletesExactlyTheLevelObjects) {
    const std::size_t before = objects->Children().size();
    GameObject* global = NewPlane(false);
    NewBasket(2.0f, {0.0f, 3.0f, 0.0f});  // the basket and its six planes
    NewPlane(true);
    EXPECT_EQ(objects->Children().size(), before + 9);
    const std::size_t bodies = eTable::Find<Physics>(names::Physics)->Bodies().size();

    objects->DeleteLevelObjects();
    EXPECT_EQ(objects->Children().size(), before + 1);
    EXPECT_EQ(objects->GetObjectById(objectid::kBasket), nullptr);
    EXPECT_EQ(objects->GetObjectById(objectid::kGround), global);
    // The deleted planes took their bodies with them.
    EXPECT_EQ(eTable::Find<Physics>(names::Physics)->Bodies().size(), bodies - 7);

    objects->DeleteLevelObjects();
    EXPECT_EQ(objects->Children().size(), before + 1);
}

TEST_F(PlaneBasketTest, ADeletedLevelObjectLeavesTheLevelList) {
    GameObject* level = NewPlane(true);
    objects->DeleteObject(level);  // as a script's removal does
    EXPECT_TRUE(objects->LevelObjects().empty());
    // A global object made now may take the freed object's place in memory;
    // the level change must not take it for the level object.
    GameObject* global = NewPlane(false);
    global->id = 77;
    objects->DeleteLevelObjects();
    EXPECT_EQ(objects->GetObjectById(77), global);
}

TEST_F(PlaneBasketTest, KindsWithoutAClassAreRefused) {
    const std::size_t before = objects->Children().size();
    ObjectDesc desc;
    desc.kind = 0;
    EXPECT_EQ(objects->CreateObject(&desc), nullptr);
    desc.kind = 9;
    EXPECT_EQ(objects->CreateLevelObject(&desc), nullptr);
    EXPECT_EQ(objects->CreateObject(nullptr), nullptr);
    EXPECT_EQ(objects->Children().size(), before);
    EXPECT_TRUE(objects->LevelObjects().empty());
}
