#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "Video/ObjectMesh.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/TestVideo.h"
#include "world/GameLogic.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"
#include "world/Trampoline.h"
#include "world/WorldFixtures.h"

namespace {

class TrampolineTest : public ::testing::Test, protected LogicStage {
protected:
    TrampolineTest() : LogicStage(64, 48) {}
    void SetUp() override { ASSERT_TRUE(StartLogic()); }
    Trampoline* Make(std::uint32_t w, std::uint32_t h, float s = 2.0f) {
        ObjectDesc desc;
        desc.kind = kKindTrampoline;
        desc.columns = w;
        desc.rows = h;
        desc.spacing = s;
        return static_cast<Trampoline*>(objects->CreateObject(&desc));
    }
};

}  // namespace

TEST_F(TrampolineTest, ASmallSheetHasItsNodesIndicesAndPinnedCorners) {
    Trampoline* t = Make(2, 2);
    ASSERT_TRUE(t->IsInitialized());
    EXPECT_EQ(t->id, 1005u);
    ASSERT_EQ(t->records.size(), 9u);
    ASSERT_EQ(t->body->PointCount(), 10u);
    EXPECT_EQ(t->body->points[0].collides, 0);
    for (std::size_t k = 0; k < 9; ++k) {
        const D3DXVECTOR3 p = t->body->points[k + 1].position;
        EXPECT_EQ(p, D3DXVECTOR3(-2.0f + 2.0f * float(k % 3), 0.0f, -2.0f + 2.0f * float(k / 3))) << k;
        EXPECT_EQ(t->body->points[k + 1].owner, t->records[k].node);
        EXPECT_FALSE(t->records[k].node->IsActive());  // the spheres are hidden
        EXPECT_EQ(t->body->points[k + 1].inverseMass, 10.0f);
    }
    ASSERT_EQ(t->Sheet()->IndexCount(), 24u);
    std::uint16_t first[6];
    ASSERT_TRUE(t->Sheet()->GetIndices(first, 0, 6));
    const std::uint16_t expected[6] = {0, 3, 1, 1, 3, 4};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(first[i], expected[i]);

    Trampoline::ApplySheetForces(t->body);
    for (std::uint32_t corner : {1u, 3u, 7u, 9u}) EXPECT_EQ(t->body->points[corner].inverseMass, 0.0f);
    EXPECT_EQ(t->body->points[5].inverseMass, 10.0f);
}

TEST(TrampolineSprings, ASquareSheetHasItsThreeKindsOfSpring) {
    std::map<float, int> byRest;
    Trampoline::ForEachSpring(3, 3, [&](std::uint32_t, std::uint32_t, float rest, float, float) { ++byRest[rest]; });
    EXPECT_EQ(byRest[2.0f], 12);
    EXPECT_EQ(byRest[4.0f], 6);
    EXPECT_EQ(byRest[2.828427f], 8);
}

TEST(TrampolineSprings, ASpringPullsByItsStretchAndDampsTheWholeRelativeVelocity) {
    Body body(1);
    body.AddPoint(nullptr, 0, 0, 0, 1);
    body.AddPoint(nullptr, 3, 0, 0, 1);
    Trampoline::ApplySpring(&body, 0, 1, 2.0f, 120.0f, 0.0f);
    EXPECT_EQ(body.points[0].force, D3DXVECTOR3(120, 0, 0));
    EXPECT_EQ(body.points[1].force, D3DXVECTOR3(-120, 0, 0));

    // Coincident points: only the damping, and on every axis.
    Body still(2);
    still.AddPoint(nullptr, 1, 1, 1, 1);
    still.AddPoint(nullptr, 1, 1, 1, 1);
    still.points[0].velocity = {0, 0, 2};
    Trampoline::ApplySpring(&still, 0, 1, 2.0f, 120.0f, 0.5f);
    EXPECT_EQ(still.points[0].force, D3DXVECTOR3(0, 0, -1));
    EXPECT_EQ(still.points[1].force, D3DXVECTOR3(0, 0, 1));
}

// Columns run along x and rows along z: a sheet of 20 x 4 cells put at
// (100, 5, 50) has its nodes over x 80..120 and z 46..54, its cells' middles
// over x 81..119 and z 47..53, centred on its place.
TEST_F(TrampolineTest, ANonSquareSheetLiesCentredWhereItIsPutAndPinsItsRealCorners) {
    ObjectDesc desc;
    desc.kind = kKindTrampoline;
    desc.columns = 20;
    desc.rows = 4;
    desc.spacing = 2.0f;
    desc.position = {100.0f, 5.0f, 50.0f};
    auto* t = static_cast<Trampoline*>(objects->CreateObject(&desc));
    ASSERT_EQ(t->records.size(), 21u * 5u);
    EXPECT_EQ(t->records.front().position, D3DXVECTOR3(80.0f, 5.0f, 46.0f));
    EXPECT_EQ(t->records[20].position, D3DXVECTOR3(120.0f, 5.0f, 46.0f));  // the end of row 0
    EXPECT_EQ(t->records.back().position, D3DXVECTOR3(120.0f, 5.0f, 54.0f));
    Trampoline::ApplySheetForces(t->body);
    for (std::uint32_t corner : {1u, 21u, 85u, 105u}) EXPECT_EQ(t->body->points[corner].inverseMass, 0.0f) << corner;
    for (std::uint32_t inner : {2u, 20u, 22u, 84u, 86u, 104u}) EXPECT_EQ(t->body->points[inner].inverseMass, 10.0f);
}

TEST_F(TrampolineTest, TheDrawnSheetLiesOneAboveTheNodesFacingUp) {
    Trampoline* t = Make(2, 2);
    ASSERT_TRUE(t->UpdateSurface());
    std::vector<CustomVertex> v(9);
    ASSERT_TRUE(t->Sheet()->GetVertices(v.data(), 0, 0));
    EXPECT_EQ(v[4].y, 1.0f);
    EXPECT_EQ(v[4].x, 0.0f);
    EXPECT_EQ(v[5].u, 2.0f);
    EXPECT_EQ(v[5].v, 1.0f);
    for (const CustomVertex& vertex : v) {
        EXPECT_NEAR(vertex.nx, 0.0f, 1e-6f);
        EXPECT_NEAR(vertex.ny, 1.0f, 1e-6f);
    }
}

TEST_F(TrampolineTest, UnderGravityTheCornersHoldAndTheCentreSags) {
    Trampoline* t = Make(4, 4);
    for (int i = 0; i < 200; ++i) Frame();
    for (std::uint32_t corner : {1u, 5u, 21u, 25u}) EXPECT_EQ(t->body->points[corner].position.y, 0.0f);
    const float centre = t->body->points[13].position.y;
    EXPECT_LT(centre, 0.0f);
    for (std::uint32_t p = 1; p <= 25; ++p) EXPECT_GE(t->body->points[p].position.y, centre);
    // The sheet object stays at the origin (give or take the one step of
    // fall that it takes every frame), its vertices following the nodes.
    EXPECT_NEAR(t->Sheet()->GetPosition().y, 0.0f, 1e-4f);
}

TEST_F(TrampolineTest, SizesFromScriptsThatCannotBeBuiltAreRefused) {
    const std::size_t bodies = eTable::Find<Physics>(names::Physics)->Bodies().size();
    EXPECT_FALSE(Make(0, 3)->IsInitialized());
    EXPECT_FALSE(Make(3, 0)->IsInitialized());
    EXPECT_FALSE(Make(300, 300)->IsInitialized());  // 90,601 vertices
    EXPECT_EQ(eTable::Find<Physics>(names::Physics)->Bodies().size(), bodies);
    // A spacing of 0 puts every node on one spot: the springs stay finite.
    Trampoline* flat = Make(2, 2, 0.0f);
    Frame();
    for (const Point& p : flat->body->points) EXPECT_TRUE(std::isfinite(p.position.y));
}

TEST_F(TrampolineTest, DeletedNodesAndTrampolinesLeaveNoOwnerBehind) {
    Trampoline* t = Make(2, 2);
    Body* body = t->body;
    objects->DeleteObject(t->records[4].node);
    EXPECT_EQ(body->points[5].owner, nullptr);
    Frame();  // the sheet goes on without the node
    EXPECT_TRUE(t->UpdateSurface());

    // The sheet takes its eight remaining nodes along.
    const std::size_t before = objects->Children().size();
    objects->DeleteObject(t);
    EXPECT_EQ(objects->Children().size(), before - 9);
    Frame();
}

// The sheet's springs are run through an account that hands each node its
// gathered pulls just before it is integrated; a copy of the sheet whose
// springs all pull on every run (a body that is no trampoline's) must move
// the same, up to rounding.
TEST_F(TrampolineTest, TheSpringAccountMovesTheSheetAsEveryRunOfEverySpringWould) {
    Trampoline* t = Make(4, 4);
    auto* physics = eTable::Find<Physics>(names::Physics);
    GameObject holder;  // owns the copy's point 0; never collides
    physics->AddBody(&holder, 1.0f);
    Body* copy = holder.body;
    copy->points[0].collides = 0;
    for (std::size_t k = 1; k < t->body->points.size(); ++k) {
        const Point& p = t->body->points[k];
        copy->AddPoint(nullptr, p.position.x, p.position.y, p.position.z, p.inverseMass);
    }
    copy->AddForceFunc(Trampoline::ApplySheetForces);
    // A kick to one node of each, so that the sheets swing.
    t->body->points[8].velocity = copy->points[8].velocity = D3DXVECTOR3(0.0f, -40.0f, 5.0f);

    for (int frame = 0; frame < 150; ++frame) Frame();
    float largest = 0.0f;
    for (std::size_t k = 1; k < t->body->points.size(); ++k) {
        const D3DXVECTOR3 d = t->body->points[k].position - copy->points[k].position;
        largest = std::max({largest, std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)});
    }
    EXPECT_LT(largest, 1e-3f);
    EXPECT_LT(t->body->points[13].position.y, -0.1f);  // it did swing
    physics->RemoveBody(&holder);
}

namespace {

struct SheetSize {
    std::uint32_t cells;     // along each side
    float firstLaunch;       // the player's speed off the sheet, 0 = not checked
};

// The 10 x 10 sheet's launch of a player dropped from rest 6 above its
// centre, as the game shipped it.
constexpr float kTunedLaunch = 144.4925f;

// A large sheet runs its collision step once per node and frame: under the
// sanitizers' unoptimised build 3,000 frames of it would take many minutes,
// so there the sheets only settle in.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kFrames = 120;
#else
constexpr int kFrames = 3000;
#endif

class SheetSizeTest : public ::testing::TestWithParam<SheetSize>, protected LogicStage {
protected:
    SheetSizeTest() : LogicStage(64, 48) {}
    void SetUp() override { ASSERT_TRUE(StartLogic()); }
};

bool Finite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

// Every size a script may build holds together with the player bouncing on
// it: nothing leaves the finite, no spring is torn or crushed, no node leaves
// its place in the grid; and the tuned sheet launches as it always did.
TEST_P(SheetSizeTest, HoldsTogetherUnderThePlayer) {
    const std::uint32_t n = GetParam().cells;
    ObjectDesc desc;
    desc.kind = kKindTrampoline;
    desc.columns = desc.rows = n;
    desc.spacing = 2.0f;
    auto* sheet = static_cast<Trampoline*>(objects->CreateObject(&desc));
    ASSERT_TRUE(sheet->IsInitialized());
    ObjectDesc playerDesc;
    playerDesc.kind = kKindPlayer;
    playerDesc.character = "Player";
    GameObject* player = objects->CreateObject(&playerDesc);
    ASSERT_NE(player->body, nullptr);
    player->body->SetPositionXYZ(0.0f, 6.0f, 0.0f);

    float firstLaunch = 0.0f, lastVy = 0.0f;
    int launches = 0;
    for (int frame = 0; frame < kFrames; ++frame) {
        Frame();
        const float vy = player->body->points[0].velocity.y;
        if (lastVy <= 0.0f && vy > 0.0f && launches++ == 0) firstLaunch = vy;
        lastVy = vy;
    }
    EXPECT_TRUE(Finite(player->body->points[0].position));
    EXPECT_GT(launches, kFrames / 300);
    if (GetParam().firstLaunch > 0.0f) {
        EXPECT_NEAR(firstLaunch, GetParam().firstLaunch, 0.05f * GetParam().firstLaunch);
    }

    const Body& body = *sheet->body;
    for (std::uint32_t k = 1; k < body.PointCount(); ++k) {
        const D3DXVECTOR3 p = body.points[k].position;
        ASSERT_TRUE(Finite(p)) << "node " << k;
        const float builtX = -float(n) + 2.0f * float((k - 1) % (n + 1));
        const float builtZ = -float(n) + 2.0f * float((k - 1) / (n + 1));
        EXPECT_LT(std::fmax(std::fabs(p.x - builtX), std::fabs(p.z - builtZ)), 1.0f) << "node " << k;
    }
    float shortest = 1e9f, longest = 0.0f;
    Trampoline::ForEachSpring(n + 1, n + 1, [&](std::uint32_t i, std::uint32_t j, float rest, float, float) {
        const D3DXVECTOR3 between = body.points[i].position - body.points[j].position;
        shortest = std::fmin(shortest, D3DXVec3Length(&between) / rest);
        longest = std::fmax(longest, D3DXVec3Length(&between) / rest);
    });
    EXPECT_GT(shortest, 0.5f);
    EXPECT_LT(longest, 1.5f);
    std::vector<CustomVertex> drawn(body.PointCount() - 1);
    ASSERT_TRUE(sheet->Sheet()->GetVertices(drawn.data(), 0, 0));
    for (const CustomVertex& v : drawn) ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
}

INSTANTIATE_TEST_SUITE_P(Sizes, SheetSizeTest,
                         ::testing::Values(SheetSize{2, 0.0f}, SheetSize{10, kTunedLaunch}, SheetSize{30, 0.0f},
                                           SheetSize{64, 0.0f}),
                         [](const auto& info) { return std::to_string(info.param.cells) + "x" + std::to_string(info.param.cells); });
