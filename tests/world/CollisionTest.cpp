#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "characters/Player.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/TestVideo.h"
#include "world/Collision.h"
#include "world/GameLogic.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"
#include "world/Plane.h"
#include "world/Trampoline.h"
#include "world/WorldFixtures.h"

namespace {

// Spheres as game objects of radius 1 (their render scale) on the started
// game logic, whose ground plane has its body at (0, -5, 0).
class CollisionTest : public ::testing::Test, protected LogicStage {
protected:
    CollisionTest() : LogicStage(64, 48) {}
    void SetUp() override {
        ASSERT_TRUE(StartLogic());
        physics = eTable::Find<Physics>(names::Physics);
        Frame();  // the ground's render object comes to its point
    }
    void TearDown() override {
        for (auto& o : spheres) physics->RemoveBody(o.get());
        spheres.clear();
        logic.Shutdown();
    }

    // A sphere object of the kind, with a body of its own at p.
    template <class T = GameObject>
    T* Sphere(std::uint32_t kind, D3DXVECTOR3 p, float inverseMass, D3DXVECTOR3 v = {}) {
        auto object = std::make_unique<T>();
        auto render = std::make_unique<BareRenderObject>();
        render->Init();
        render->SetPosition(p);
        object->kind = kind;
        object->renderObject = render.get();
        physics->AddBody(object.get(), inverseMass);
        object->body->points[0].velocity = v;
        T* raw = object.get();
        renders.push_back(std::move(render));
        spheres.push_back(std::move(object));
        return raw;
    }
    Point& PointOf(GameObject* o) { return o->body->points[0]; }
    Body* Ground() { return eTable::Find<GameObjectsMan>(names::GameObjectsMan)->GetObjectById(1001)->body; }

    Physics* physics = nullptr;
    std::vector<std::unique_ptr<BareRenderObject>> renders;
    std::vector<std::unique_ptr<GameObject>> spheres;
};

}  // namespace

TEST(CollisionRules, SpheresThatOnlyTouchDoNotCollide) {
    Contact c;
    EXPECT_FALSE(collision::SphereTest({0, 0, 0}, 1.0f, {2, 0, 0}, 1.0f, &c));
    ASSERT_TRUE(collision::SphereTest({0, 0, 0}, 1.0f, {1.5f, 0, 0}, 1.0f, &c));
    EXPECT_EQ(c.normal, D3DXVECTOR3(1, 0, 0));
    EXPECT_FLOAT_EQ(c.depth, 0.5f);
    // Coincident centres still give a direction.
    ASSERT_TRUE(collision::SphereTest({3, 3, 3}, 1.0f, {3, 3, 3}, 1.0f, &c));
    EXPECT_EQ(c.normal, D3DXVECTOR3(0, 1, 0));
    EXPECT_FLOAT_EQ(c.depth, 2.0f);
}

TEST(CollisionRules, MajorAxisSignsDecideTheSide) {
    EXPECT_TRUE(collision::SameSignMajorAxis({-5, 1, 0}, {0, 1, 0}));
    EXPECT_FALSE(collision::SameSignMajorAxis({0, -0.1f, 0}, {0, 1, 0}));
    EXPECT_TRUE(collision::SameSignMajorAxis({0, 0, 0}, {0, 1, 0}));   // zero counts as +
    EXPECT_FALSE(collision::SameSignMajorAxis({1, -1, 0}, {1, 1, 0}));  // a tie of x and y goes to y
    EXPECT_FALSE(collision::SameSignMajorAxis({5, 5, -1}, {0, 0, 1}));
}

TEST_F(CollisionTest, HeadOnSpheresLeaveAlongTheNormalEachPushedHalfTheOverlap) {
    GameObject* a = Sphere(kKindNPC, {10, 20, 0}, 1.0f, {1, 0, 0});
    GameObject* b = Sphere(kKindNPC, {11.5f, 20, 0}, 1.0f, {-1, 0, 0});
    physics->Collide(a->body);
    EXPECT_FLOAT_EQ(PointOf(a).velocity.x, -1.33f);
    EXPECT_FLOAT_EQ(PointOf(b).velocity.x, 1.33f);
    EXPECT_FLOAT_EQ(PointOf(a).position.x, 9.75f);
    EXPECT_FLOAT_EQ(PointOf(b).position.x, 11.75f);
    ASSERT_EQ(physics->Contacts().size(), 1u);

    // With the player in the pair the restitution is 0.1.
    Player* p = Sphere<Player>(kKindPlayer, {30, 20, 0}, 1.0f, {1, 0, 0});
    GameObject* c = Sphere(kKindNPC, {31.5f, 20, 0}, 1.0f, {-1, 0, 0});
    physics->Collide(p->body);
    EXPECT_FLOAT_EQ(PointOf(p).velocity.x, -1.1f);
    EXPECT_FLOAT_EQ(PointOf(c).velocity.x, 1.1f);
}

TEST_F(CollisionTest, SpheresMovingApartOrWithCoincidentCentresStayFinite) {
    GameObject* a = Sphere(kKindNPC, {10, 20, 0}, 1.0f, {-1, 0, 0});
    GameObject* b = Sphere(kKindNPC, {11.5f, 20, 0}, 1.0f, {1, 0, 0});
    physics->Collide(a->body);
    EXPECT_EQ(PointOf(a).velocity.x, -1.0f);  // parting: untouched
    EXPECT_EQ(PointOf(b).velocity.x, 1.0f);
    EXPECT_EQ(physics->Contacts().size(), 1u);

    GameObject* c = Sphere(kKindNPC, {40, 20, 0}, 1.0f, {0, -2, 0});
    GameObject* d = Sphere(kKindNPC, {40, 20, 0}, 1.0f, {0, 0, 0});
    physics->Collide(c->body);
    for (GameObject* o : {c, d})
        for (float f : {PointOf(o).velocity.x, PointOf(o).velocity.y, PointOf(o).position.y}) EXPECT_TRUE(std::isfinite(f));
}

TEST_F(CollisionTest, TheGroundMirrorsWhatFallsOnItsSquare) {
    GameObject* s = Sphere(kKindNPC, {50, -4.5f, 50}, 1.0f, {0, -10, 0});
    GameObject* outside = Sphere(kKindNPC, {101, -4.5f, 0}, 1.0f, {0, -10, 0});
    GameObject* leaving = Sphere(kKindNPC, {0, -4.5f, 0}, 1.0f, {0, 10, 0});
    physics->Collide(Ground());
    EXPECT_EQ(PointOf(s).velocity, D3DXVECTOR3(0, 10, 0));
    EXPECT_EQ(PointOf(s).position.y, -4.0f);  // put back onto the surface
    EXPECT_EQ(PointOf(outside).velocity, D3DXVECTOR3(0, -10, 0));
    // A sphere already leaving is touching (its contact counts) but is not
    // turned back into the plane.
    EXPECT_EQ(PointOf(leaving).velocity, D3DXVECTOR3(0, 10, 0));
    ASSERT_EQ(physics->Contacts().size(), 2u);
    const Contact& c = physics->Contacts()[0];
    EXPECT_EQ(c.normal, D3DXVECTOR3(0, 1, 0));
    EXPECT_FLOAT_EQ(c.depth, -0.5f);
    EXPECT_EQ(c.firstOwnerId, 1001u);
}

TEST_F(CollisionTest, ANodeHoldsTheLandingPlayerThenLaunchesIt) {
    auto* node = Sphere<TrampNode>(kKindTrampNode, {0, 30, 0}, 10.0f);
    Player* player = Sphere<Player>(kKindPlayer, {0, 31.5f, 0}, 100.0f);
    const float slowDowns[] = {1.0f, 0.7774194f, 0.4548387f, 0.1322581f};
    for (int step = 0; step < 5; ++step) {
        PointOf(node).SetPositionXYZ(0, 30, 0, true);
        PointOf(player).SetPositionXYZ(0, 31.5f, 0, false);
        PointOf(player).velocity = {0, -30, 0};
        physics->Collide(node->body);
        if (step < 4) {
            EXPECT_FLOAT_EQ(PointOf(player).velocity.y, -30.0f * slowDowns[step]) << "step " << step;
            EXPECT_EQ(player->onTrampoline, 1);
            EXPECT_EQ(PointOf(node).compression, 10.0f * (step + 1));
        }
    }
    EXPECT_EQ(PointOf(player).velocity, D3DXVECTOR3(0, 156, 0));
    EXPECT_EQ(PointOf(node).compression, 0.0f);
    EXPECT_EQ(player->onTrampoline, 0);
}

TEST_F(CollisionTest, ADiveRaisesTheThresholdAndTheLaunch) {
    auto* node = Sphere<TrampNode>(kKindTrampNode, {0, 30, 0}, 10.0f);
    Player* player = Sphere<Player>(kKindPlayer, {0, 31.5f, 0}, 100.0f);
    player->reboundCommand = -1.0f;  // k = +125: T = 1 + 30 + 125 = 156
    PointOf(node).compression = 150.0f;
    PointOf(player).velocity = {0, -30, 0};
    physics->Collide(node->body);
    EXPECT_EQ(PointOf(node).compression, 160.0f);  // held
    PointOf(player).velocity = {0, -30, 0};
    PointOf(player).SetPositionXYZ(0, 31.5f, 0, false);
    physics->Collide(node->body);
    EXPECT_EQ(PointOf(player).velocity, D3DXVECTOR3(0, 281, 0));
}

TEST_F(CollisionTest, APinnedPointIsReportedButNotMoved) {
    auto* node = Sphere<TrampNode>(kKindTrampNode, {0, 30, 0}, 0.0f);
    GameObject* ball = Sphere(kKindNPC, {0, 31.5f, 0}, 1.0f, {0, -5, 0});
    physics->Collide(node->body);
    EXPECT_EQ(physics->Contacts().size(), 1u);
    EXPECT_EQ(PointOf(ball).velocity, D3DXVECTOR3(0, -5, 0));
    EXPECT_EQ(PointOf(ball).position.y, 31.5f);
}

TEST_F(CollisionTest, AResterIsHeldWithoutAPushAndAThresholdOfNothingLaunchesAtOnce) {
    auto* node = Sphere<TrampNode>(kKindTrampNode, {0, 30, 0}, 10.0f);
    Player* player = Sphere<Player>(kKindPlayer, {0, 31.5f, 0}, 100.0f);
    physics->Collide(node->body);  // both at rest: no direction to sink in
    EXPECT_EQ(PointOf(player).position, D3DXVECTOR3(0, 31.5f, 0));
    EXPECT_EQ(PointOf(player).velocity, D3DXVECTOR3());
    EXPECT_EQ(PointOf(node).compression, 10.0f);

    // A boost (k = -93.75) against 100 / 100 + 92.75: T = 0.
    player->reboundCommand = 0.75f;
    PointOf(node).compression = 0.0f;
    PointOf(player).velocity = {0, -92.75f, 0};
    physics->Collide(node->body);
    EXPECT_EQ(PointOf(player).velocity, D3DXVECTOR3(0, 125, 0));
    EXPECT_EQ(PointOf(node).compression, 0.0f);
}

// The sheet holds only what meets a node from above or level with it; a
// sphere rising under a node is reported and passes untouched.
TEST_F(CollisionTest, ASphereRisingUnderANodePassesWhileOneLevelWithItIsHeld) {
    auto* node = Sphere<TrampNode>(kKindTrampNode, {0, 30, 0}, 10.0f);
    GameObject* ball = Sphere(kKindNPC, {0, 28.5f, 0}, 100.0f, {0, 40, 0});
    physics->Collide(node->body);
    EXPECT_EQ(physics->Contacts().size(), 1u);
    EXPECT_EQ(PointOf(ball).velocity, D3DXVECTOR3(0, 40, 0));
    EXPECT_EQ(PointOf(ball).position, D3DXVECTOR3(0, 28.5f, 0));
    EXPECT_EQ(PointOf(node).position, D3DXVECTOR3(0, 30, 0));
    EXPECT_EQ(PointOf(node).velocity, D3DXVECTOR3());
    EXPECT_EQ(PointOf(node).compression, 0.0f);

    PointOf(ball).SetPositionXYZ(1.5f, 30, 0, false);
    PointOf(ball).velocity = {-10, 0, 0};
    physics->Collide(node->body);
    EXPECT_EQ(PointOf(node).compression, 10.0f);
    EXPECT_EQ(PointOf(node).position, D3DXVECTOR3(-0.25f, 30, 0));  // sunk along the lander's way
}

// A body of several points finds its pairs through its grid; a push from
// one pair can bring the sphere into reach of a later point of the body,
// and that pair must still be met, as the full double loop would.
TEST_F(CollisionTest, APushIntoReachOfALaterPointOfTheBodyStillCounts) {
    GameObject* first = Sphere(kKindNPC, {0, 20, 0}, 1.0f);
    auto second = std::make_unique<GameObject>();
    BareRenderObject secondRender;
    secondRender.Init();
    second->kind = kKindNPC;
    second->renderObject = &secondRender;
    first->body->AddPoint(second.get(), 3.2f, 20, 0, 1.0f);
    GameObject* ball = Sphere(kKindNPC, {0.5f, 20, 0}, 1.0f, {-1, 0, 0});

    physics->Collide(first->body);
    // The first pair pushed the ball to 1.25, 1.95 from the second point.
    ASSERT_EQ(physics->Contacts().size(), 2u);
    EXPECT_NEAR(physics->Contacts()[1].depth, 0.05f, 1e-5f);
    EXPECT_NEAR(first->body->points[1].position.x, 3.225f, 1e-5f);
    EXPECT_NEAR(PointOf(ball).position.x, 1.225f, 1e-5f);
    first->body->points[1].owner = nullptr;
}

// The grid probes only its occupied cells; the pairs it finds, and so the
// contacts and their order, are those of probing each query's whole box. A
// random heap of spheres of mixed sizes in one body, with loose spheres
// thrown through it, collided both ways from the same start.
TEST_F(CollisionTest, ProbingOnlyOccupiedCellsFindsTheSamePairsInTheSameOrder) {
    std::mt19937 random(25);
    std::uniform_real_distribution<float> place(-8.0f, 8.0f), size(0.3f, 1.4f), speed(-4.0f, 4.0f);
    GameObject* heap = Sphere(kKindNPC, {0, 20, 0}, 1.0f);
    std::vector<std::unique_ptr<GameObject>> members;
    for (int i = 0; i < 80; ++i) {
        auto member = std::make_unique<GameObject>();
        renders.push_back(std::make_unique<BareRenderObject>());
        renders.back()->Init();
        const float s = size(random);
        renders.back()->SetScale(s, s, s);
        member->kind = kKindNPC;
        member->renderObject = renders.back().get();
        heap->body->AddPoint(member.get(), place(random), 20 + place(random), place(random), 1.0f);
        members.push_back(std::move(member));
    }
    std::vector<Point*> points;
    for (Point& p : heap->body->points) points.push_back(&p);
    for (int i = 0; i < 40; ++i) {
        GameObject* loose = Sphere(kKindNPC, {place(random), 20 + place(random), place(random)}, 1.0f,
                                   {speed(random), speed(random), speed(random)});
        points.push_back(&PointOf(loose));
    }
    std::vector<Point> start;
    for (Point* p : points) start.push_back(*p);

    struct Outcome {
        std::vector<Contact> contacts;
        std::vector<Point> points;
    };
    auto collide = [&](bool occupiedOnly) {
        for (std::size_t i = 0; i < points.size(); ++i) *points[i] = start[i];
        PointGrid::probeOccupiedOnly = occupiedOnly;
        const std::size_t before = physics->Contacts().size();
        physics->Collide(heap->body);
        PointGrid::probeOccupiedOnly = true;
        Outcome out;
        out.contacts.assign(physics->Contacts().begin() + static_cast<std::ptrdiff_t>(before),
                            physics->Contacts().end());
        for (Point* p : points) out.points.push_back(*p);
        return out;
    };
    const Outcome wholeBoxes = collide(false), occupiedCells = collide(true);
    ASSERT_GT(wholeBoxes.contacts.size(), 20u);
    ASSERT_EQ(occupiedCells.contacts.size(), wholeBoxes.contacts.size());
    for (std::size_t i = 0; i < wholeBoxes.contacts.size(); ++i) {
        const Contact &a = wholeBoxes.contacts[i], &b = occupiedCells.contacts[i];
        EXPECT_TRUE(a.normal == b.normal && a.depth == b.depth && a.firstOwnerId == b.firstOwnerId &&
                    a.secondOwnerId == b.secondOwnerId)
            << "contact " << i;
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(occupiedCells.points[i].position, wholeBoxes.points[i].position) << "point " << i;
        EXPECT_EQ(occupiedCells.points[i].velocity, wholeBoxes.points[i].velocity) << "point " << i;
    }
    for (std::size_t i = 1; i < heap->body->points.size(); ++i) heap->body->points[i].owner = nullptr;
}

// Dropped from any height with a sideways speed, a sphere bounces on the
// ground without ever gaining speed. Turned back into the plane while it was
// already leaving, it would be caught in the plane's slab, bouncing every
// step (a character takes each for a rebound), sink through the ground and
// fall for ever.
// The collision step of a body runs once per point of it, so one sheet lying
// on another gives each node contact once per node of its sheet: over a
// million contacts a frame from two sheets of 32 x 32. The frame's list stays
// within its bound and still holds a pair of objects that met after it.
TEST_F(CollisionTest, SheetsLyingOnEachOtherKeepTheFramesContactsBounded) {
    auto& objects = *eTable::Find<GameObjectsMan>(names::GameObjectsMan);
    for (int i = 0; i < 2; ++i) {
        ObjectDesc sheet;
        sheet.kind = kKindTrampoline;
        sheet.columns = sheet.rows = 32;
        sheet.spacing = 2.0f;
        ASSERT_NE(objects.CreateObject(&sheet), nullptr);
    }
    Sphere(kKindNPC, {100, 0, 0}, 1.0f)->id = 7;
    Sphere(kKindNPC, {101, 0, 0}, 1.0f)->id = 8;
    Frame();
    const auto& contacts = physics->Contacts();
    EXPECT_LE(contacts.size(), Physics::kMaxContacts);
    EXPECT_TRUE(std::any_of(contacts.begin(), contacts.end(),
                            [](const Contact& c) { return c.firstOwnerId == 7 && c.secondOwnerId == 8; }));
}

TEST_F(CollisionTest, ABallBouncingOnTheGroundNeverGainsSpeed) {
    for (int drop = 0; drop < 24; ++drop) {
        const float height = 0.173f * float(drop);
        GameObject* ball = Sphere(kKindNPC, {0, height, 0}, 100.0f, {14.6f, 0, 0});
        float lastVy = 0.0f, lastBounce = 1e9f;
        int bounces = 0;
        for (int frame = 0; frame < 1000; ++frame) {
            Frame();
            const Point& p = PointOf(ball);
            ASSERT_GT(p.position.y, -6.0f) << "through the ground, dropped from " << height;
            if (lastVy < 0.0f && p.velocity.y > 0.0f) {
                const float speed = D3DXVec3Length(&p.velocity);
                ASSERT_LE(speed, lastBounce + 1e-3f) << "bounce " << bounces << ", dropped from " << height;
                EXPECT_NEAR(p.velocity.x, 14.6f, 1e-3f);
                lastBounce = speed;
                ++bounces;
            }
            lastVy = p.velocity.y;
        }
        EXPECT_GE(bounces, 5) << height;
        physics->RemoveBody(ball);
    }
}

// Spheres at rest on the ground and one dropped from 4 over 20,000 steps:
// none sinks more than a step's fall into it, and the dropped one never rises
// above where it fell from. Left inside the plane's slab at each bounce, a
// resting sphere lost a little height every bounce and fell through within a
// few hundred steps.
TEST_F(CollisionTest, SpheresRestingOrDroppedStayOnTheGroundFor20000Steps) {
    struct Case {
        GameObject* sphere;
        float start, floor;  // centre heights above the ground
        float lowest = 1e9f, highest = -1e9f;
    };
    Case cases[] = {{Sphere(kKindNPC, {-20, -4, 0}, 100.0f), 1.0f, 0.99f},
                    {Sphere(kKindNPC, {20, -4, 0}, 1.0f), 1.0f, 0.99f},
                    {Sphere(kKindNPC, {0, -1, 0}, 100.0f), 4.0f, 0.8f}};
    for (int step = 0; step < 20000; ++step) {
        clock.Advance(16);
        physics->Update();
        for (Case& c : cases) {
            const float height = PointOf(c.sphere).position.y + 5.0f;
            c.lowest = std::fmin(c.lowest, height);
            c.highest = std::fmax(c.highest, height);
        }
    }
    for (const Case& c : cases) {
        EXPECT_GT(c.lowest, c.floor) << "from " << c.start;
        EXPECT_LE(c.highest, c.start) << "from " << c.start;
    }
}

namespace {

// What a frame leaves: its contacts, and every point of every body in id
// and index order.
struct FrameOutcome {
    std::vector<Contact> contacts;
    std::vector<Point> points;
};

// A scene as the game and a level build it, in their order: the ground, the
// game's 10 x 10 trampoline, the player dropping onto it, a pinned lamp and
// a character thrown towards where the level's basket will stand; then the
// level's basket with a character falling onto its goal, six more baskets,
// characters piled on the sheet and meeting head-on on the ground. Each
// character has an id of its own.
// The frames of the stage as it stands; the plain loop is off again after.
std::vector<FrameOutcome> RunFrames(LogicStage& stage, int frames) {
    std::vector<FrameOutcome> outcomes;
    const Physics& physics = *eTable::Find<Physics>(names::Physics);
    for (int f = 0; f < frames; ++f) {
        stage.Frame();
        FrameOutcome outcome;
        outcome.contacts = physics.Contacts();
        for (const auto& body : physics.Bodies())
            outcome.points.insert(outcome.points.end(), body.second->points.begin(), body.second->points.end());
        outcomes.push_back(std::move(outcome));
    }
    Physics::visitEveryPair = false;
    return outcomes;
}

std::vector<FrameOutcome> RunLevelLikeScene(bool everyPair, int frames) {
    Physics::visitEveryPair = everyPair;
    LogicStage stage(64, 48);
    std::vector<FrameOutcome> outcomes;
    if (!stage.StartLogic()) return outcomes;
    GameObjectsMan& objects = *stage.objects;
    ObjectDesc sheet;
    sheet.kind = kKindTrampoline;
    sheet.columns = sheet.rows = 10;
    sheet.spacing = 2.0f;
    objects.CreateObject(&sheet);
    ObjectDesc playerDesc;
    playerDesc.kind = kKindPlayer;
    playerDesc.character = "Player";
    objects.CreateObject(&playerDesc)->body->SetPositionXYZ(0.3f, 6.0f, -0.4f);
    std::uint32_t nextId = 3000;
    auto character = [&](D3DXVECTOR3 at, D3DXVECTOR3 v, float inverseMass = 1.0f) {
        ObjectDesc desc;
        desc.kind = kKindNPC;
        GameObject* npc = objects.CreateLevelObject(&desc);
        npc->id = nextId++;
        npc->body->SetPosition(&at);
        npc->body->points[0].velocity = v;
        npc->body->points[0].inverseMass = inverseMass;
    };
    character({0, 12, -20}, {}, 0.0f);
    character({1, 3, 8}, {0, 2, 12});
    for (int b = 0; b < 7; ++b) {
        ObjectDesc basket;
        basket.kind = kKindBasket;
        basket.size = 3.0f;
        basket.position = b == 0 ? D3DXVECTOR3(0, 2, 15) : D3DXVECTOR3(-60.0f + 6.5f * float(b), 0, -40);
        objects.CreateLevelObject(&basket);
    }
    character({0.5f, 2.6f, 15}, {1.5f, -10, 0.7f});
    character({4, 2.5f, 4}, {});
    character({4.3f, 4.6f, 4.2f}, {0, -6, 0});
    character({-16, -4, 6}, {5, 0, 0});
    character({-12, -4, 6}, {-5, 0, 0});
    return RunFrames(stage, frames);
}

// A crowd of characters of every kind of radius (negative, zero, mixed; one
// of -3 just above the middle node, which a search that takes radii as
// non-negative misses) falling onto two trampolines laid on each other, one
// with its nodes between the other's, and onto the ground; a sixth of them
// pinned, some made before the sheets and most after.
std::vector<FrameOutcome> RunCrowdOnSheets(bool everyPair, int frames) {
    Physics::visitEveryPair = everyPair;
    LogicStage stage(64, 48);
    if (!stage.StartLogic()) return {};
    GameObjectsMan& objects = *stage.objects;
    std::mt19937 random(43);
    std::uniform_real_distribution<float> across(-8.0f, 8.0f), height(0.5f, 6.0f), speed(-3.0f, 3.0f);
    const float scales[] = {-3.0f, -1.2f, 0.0f, 0.6f, 1.0f, 1.8f, -0.4f, 2.5f, -1.0f};
    std::uint32_t nextId = 4000;
    auto character = [&](D3DXVECTOR3 at, float scale, float inverseMass) {
        ObjectDesc desc;
        desc.kind = kKindNPC;
        GameObject* npc = objects.CreateLevelObject(&desc);
        npc->id = nextId++;
        npc->renderObject->SetScale(scale, scale, scale);
        npc->body->SetPosition(&at);
        npc->body->points[0].inverseMass = inverseMass;
        npc->body->points[0].velocity = {speed(random), speed(random), speed(random)};
    };
    auto crowd = [&](int count) {
        for (int i = 0; i < count; ++i) {
            const float scale = scales[random() % std::size(scales)];
            character({across(random), height(random) - (i % 6 == 0 ? 5.0f : 0.0f), across(random)}, scale,
                      i % 6 == 0 ? 0.0f : 1.0f);
        }
    };
    crowd(30);
    for (auto [cells, spacing] : {std::pair(6u, 2.0f), std::pair(8u, 1.5f)}) {
        ObjectDesc sheet;
        sheet.kind = kKindTrampoline;
        sheet.columns = sheet.rows = cells;
        sheet.spacing = spacing;
        objects.CreateObject(&sheet);
    }
    character({0.0f, 1.5f, 0.0f}, -3.0f, 1.0f);
    crowd(130);
    return RunFrames(stage, frames);
}

bool SameContact(const Contact& a, const Contact& b) {
    return a.normal == b.normal && a.depth == b.depth && a.firstOwnerId == b.firstOwnerId &&
           a.secondOwnerId == b.secondOwnerId;
}

// Frame by frame, the same contacts in the same order and every point where
// the plain loop over every pair puts it; the owner pairs that met.
std::set<std::pair<std::uint32_t, std::uint32_t>> ExpectSameFrames(const std::vector<FrameOutcome>& every,
                                                                   const std::vector<FrameOutcome>& listed,
                                                                   std::size_t frames) {
    std::set<std::pair<std::uint32_t, std::uint32_t>> met;
    EXPECT_EQ(every.size(), frames);
    if (every.size() != frames || listed.size() != frames) {
        ADD_FAILURE() << "frames run: " << every.size() << " and " << listed.size();
        return met;
    }
    for (std::size_t f = 0; f < frames; ++f) {
        const FrameOutcome &a = every[f], &b = listed[f];
        EXPECT_EQ(b.contacts.size(), a.contacts.size()) << "frame " << f;
        if (b.contacts.size() != a.contacts.size()) return met;
        for (std::size_t c = 0; c < a.contacts.size(); ++c) {
            EXPECT_TRUE(SameContact(a.contacts[c], b.contacts[c])) << "frame " << f << ", contact " << c;
            if (!SameContact(a.contacts[c], b.contacts[c])) return met;
            met.insert({a.contacts[c].firstOwnerId, a.contacts[c].secondOwnerId});
        }
        EXPECT_EQ(b.points.size(), a.points.size()) << "frame " << f;
        if (b.points.size() != a.points.size()) return met;
        for (std::size_t p = 0; p < a.points.size(); ++p) {
            const bool same = a.points[p].position == b.points[p].position &&
                              a.points[p].velocity == b.points[p].velocity &&
                              a.points[p].compression == b.points[p].compression;
            EXPECT_TRUE(same) << "frame " << f << ", point " << p;
            if (!same) return met;
        }
    }
    return met;
}

}  // namespace

// The step visits only the pairs that can do something; frame by frame it
// must leave what the plain loop over every pair leaves: the same contacts
// in the same order, and every point where that loop puts it.
TEST(CollisionPairs, ALevelLikeSceneRunsAsTheLoopOverEveryPairRunsIt) {
    constexpr int kFrames = 250;
    const std::vector<FrameOutcome> every = RunLevelLikeScene(true, kFrames);
    const std::vector<FrameOutcome> listed = RunLevelLikeScene(false, kFrames);
    const auto met = ExpectSameFrames(every, listed, kFrames);
    if (HasFailure()) return;
    // The scene meets every rule: walls, the goal, the ground, the sheet's
    // nodes and characters one against another.
    EXPECT_TRUE(met.count({3001, objectid::kBasketWall}));
    EXPECT_TRUE(met.count({objectid::kBasketGoal, 3002}));
    EXPECT_TRUE(met.count({objectid::kGround, 3005}));
    EXPECT_TRUE(met.count({3003, 3004}));
    EXPECT_TRUE(met.count({3005, 3006}));
    bool playerOnNode = false;
    for (const auto& pair : met) playerOnNode |= pair.first == objectid::kPlayer || pair.second == objectid::kPlayer;
    EXPECT_TRUE(playerOnNode);
}

// Characters of negative, zero and mixed radii among themselves, on two
// sheets laid on each other and on the ground: sphere pairs are found
// through the grid by the magnitude of the radii's sum, as the plain loop's
// test takes it, and the pairs of sheets that push each other's nodes about
// are found again only for the points that moved.
TEST(CollisionPairs, ACrowdOfEveryRadiusOnSheetsOnEachOtherRunsAsTheLoopOverEveryPairRunsIt) {
    constexpr int kFrames = 30;
    const std::vector<FrameOutcome> every = RunCrowdOnSheets(true, kFrames);
    const std::vector<FrameOutcome> listed = RunCrowdOnSheets(false, kFrames);
    const auto met = ExpectSameFrames(every, listed, kFrames);
    if (HasFailure()) return;
    std::size_t byCharacters = 0;
    for (const auto& [first, second] : met) byCharacters += first >= 4000 && second >= 4000;
    EXPECT_GT(byCharacters, 50u);
    bool negativeOnNode = false;
    for (const auto& pair : met) negativeOnNode |= pair.first == 4030 || pair.second == 4030;
    EXPECT_TRUE(negativeOnNode);
}
