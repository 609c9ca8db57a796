// The physics figure: one frame's physics step for an N x N trampoline with
// the player on it, for N = 10, 30 and 100, as time per step and per node.
// The cost per node should stay flat as N grows. The last column tells
// whether the sheet held together over 1,500 frames with the player bouncing
// on it: every node finite and every spring between half and one and a half
// times its rest length (the longest is shown). Then the player's sphere on
// the ground over 20,000 steps: once at rest on it, once dropped from 4; a
// body at rest must stay on the ground and a bounce must not gain height.
// Last, a step with many pinned planes about: 100 and then 400 baskets of
// six planes each beside the player resting on the ground, as a level makes
// them (the ground and the player first); planes never meet planes, so the
// step should grow with the baskets, not with their square.
// Then two trampolines laid on each other, as a script lays them: almost
// every node of one holds a node of the other, and the step should grow
// with the nodes and the pairs that touch, from the first step on.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "platform/window/Clock.h"
#include "support/TestVideo.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"
#include "world/Trampoline.h"

namespace {

constexpr int kHeldFrames = 1500;
constexpr int kGroundSteps = 20000;

struct Figure {
    double msPerStep = 0.0;
    double nsPerNode = 0.0;
    bool heldTogether = false;
    float longestSpring = 0.0f;  // its length over its rest length
};

// Every spring's length over its rest length, the shortest and the longest
// (not finite when a node is not).
void SpringRange(const Body& sheet, std::uint32_t n, float* shortest, float* longest) {
    *shortest = 1e30f;
    *longest = 0.0f;
    Trampoline::ForEachSpring(n + 1, n + 1, [&](std::uint32_t i, std::uint32_t j, float rest, float, float) {
        const D3DXVECTOR3 between = sheet.points[i].position - sheet.points[j].position;
        const float ratio = D3DXVec3Length(&between) / rest;
        if (!std::isfinite(ratio)) *longest = ratio;
        if (!std::isfinite(*longest)) return;
        *shortest = std::min(*shortest, ratio);
        *longest = std::max(*longest, ratio);
    });
}

// "Physics" and "GameObjectsMan" on a clock that only the bench advances;
// everything is shut down again at the end.
class World {
public:
    World() {
        plat::SetClockSource([this] { return now; });
        timer.Init();
        physics.Init();
        objects.Init(const_cast<char*>(names::GameObjectsMan));
    }
    ~World() {
        objects.Shutdown();
        physics.Shutdown();
        timer.Shutdown();
        plat::SetClockSource(nullptr);
    }
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // The player, its centre at height y; null without a body. Made after
    // what it meets, as in a level, so its body comes later in the step.
    GameObject* AddPlayer(float y) {
        ObjectDesc desc;
        desc.kind = kKindPlayer;
        desc.character = "Player";
        GameObject* player = objects.CreateObject(&desc);
        if (!player || !player->body) return nullptr;
        player->body->SetPositionXYZ(0.0f, y, 0.0f);
        return player;
    }

    // One frame of 16 ms: one physics step.
    void Frame() {
        now += 16;
        timer.Update();
        physics.Update();
    }

    std::uint32_t now = 1000;
    Timer timer;
    Physics physics;
    GameObjectsMan objects;
};

Figure Measure(std::uint32_t n) {
    World world;
    ObjectDesc desc;
    desc.kind = kKindTrampoline;
    desc.columns = desc.rows = n;
    desc.spacing = 2.0f;
    GameObject* trampoline = world.objects.CreateObject(&desc);
    world.AddPlayer(3.0f);

    for (int i = 0; i < 20; ++i) world.Frame();  // the player lands and is held
    const int steps = n >= 100 ? 50 : 200;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < steps; ++i) world.Frame();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (int i = 20 + steps; i < kHeldFrames; ++i) world.Frame();
    float shortest = 0.0f, longest = 0.0f;
    if (trampoline && trampoline->body) SpringRange(*trampoline->body, n, &shortest, &longest);
    const bool together = std::isfinite(longest) && shortest > 0.5f && longest < 1.5f;
    const double nodes = double(n + 1) * double(n + 1);
    return {seconds / steps * 1e3, seconds / steps / nodes * 1e9, together, longest};
}

// The game's ground plane, pinned as the game pins it.
GameObject* AddGround(World& world) {
    ObjectDesc groundDesc;
    groundDesc.kind = kKindPlane;
    groundDesc.size = groundDesc.depth = 100.0f;
    groundDesc.mesh = "ground.x";
    return world.objects.CreateObject(&groundDesc);
}

struct GroundFigure {
    float lowest = 0.0f;          // the centre's height above the ground
    float highestRebound = 0.0f;  // the centre's height after the first bounce
};

// The player's sphere over the ground plane, its centre starting at height y
// above the ground (pinned at y = -5 like the game's) with no speed.
GroundFigure OnTheGround(float y) {
    World world;
    GameObject* ground = AddGround(world);
    GroundFigure figure;
    if (!ground || !ground->body) return figure;
    D3DXVECTOR3 groundAt;
    ground->body->GetPosition(&groundAt);
    GameObject* player = world.AddPlayer(groundAt.y + y);
    if (!player) return figure;
    figure.lowest = y;
    bool bounced = false;
    float lastVy = 0.0f;
    for (int step = 0; step < kGroundSteps; ++step) {
        world.Frame();
        const Point& p = player->body->points[0];
        const float height = p.position.y - groundAt.y;
        figure.lowest = std::min(figure.lowest, height);
        if (lastVy < 0.0f && p.velocity.y > 0.0f) bounced = true;
        if (bounced) figure.highestRebound = std::max(figure.highestRebound, height);
        lastVy = p.velocity.y;
    }
    return figure;
}

// The ground, the player resting on it, then the baskets in rows of 20
// beside it: one physics step's time in ms.
double StepWithBaskets(int baskets) {
    World world;
    GameObject* ground = AddGround(world);
    if (!ground || !ground->body) return 0.0;
    D3DXVECTOR3 groundAt;
    ground->body->GetPosition(&groundAt);
    if (!world.AddPlayer(groundAt.y + 1.0f)) return 0.0;
    for (int i = 0; i < baskets; ++i) {
        ObjectDesc desc;
        desc.kind = kKindBasket;
        desc.size = 1.0f;
        desc.position = D3DXVECTOR3(5.0f + 3.0f * float(i % 20), groundAt.y + 2.0f, 3.0f * float(i / 20));
        world.objects.CreateLevelObject(&desc);
    }
    for (int i = 0; i < 5; ++i) world.Frame();
    const int steps = baskets >= 400 ? 20 : 100;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < steps; ++i) world.Frame();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return seconds / steps * 1e3;
}

// Two N x N sheets of spacing 2 laid on each other: the mean time of their
// first steps, in ms.
double SheetsOnEachOther(std::uint32_t n, int steps) {
    World world;
    for (int i = 0; i < 2; ++i) {
        ObjectDesc desc;
        desc.kind = kKindTrampoline;
        desc.columns = desc.rows = n;
        desc.spacing = 2.0f;
        if (!world.objects.CreateObject(&desc)) return 0.0;
    }
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < steps; ++i) world.Frame();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return seconds / steps * 1e3;
}

}  // namespace

int main() {
    // Run from the repository root (make bench): its assets are linked in.
    setenv("TOLLYMOP_ROOT", std::filesystem::current_path().c_str(), 0);
    TestVideo video(64, 48);
    if (!video.ok()) {
        std::fprintf(stderr, "bench_physics: no video device\n");
        return 1;
    }
    std::printf("physics step, N x N trampoline with the player on it\n");
    for (std::uint32_t n : {10u, 30u, 100u}) {
        Figure f = Measure(n);
        std::printf("  N = %3u: %9.3f ms per step, %8.1f ns per node, sheet %s (longest spring %.2f x rest)\n", n,
                    f.msPerStep, f.nsPerNode, f.heldTogether ? "held together" : "flew apart", f.longestSpring);
    }
    const GroundFigure resting = OnTheGround(1.0f), dropped = OnTheGround(4.0f);
    std::printf("ground: resting %d steps, lowest centre height %.4f; dropped from 4, highest rebound %.4f\n",
                kGroundSteps, resting.lowest, dropped.highestRebound);
    const double hundred = StepWithBaskets(100), fourHundred = StepWithBaskets(400);
    std::printf("planes: 100 baskets %.3f ms a step, 400 baskets %.3f ms a step\n", hundred, fourHundred);
    const double small = SheetsOnEachOther(32, 10), large = SheetsOnEachOther(64, 3);
    std::printf("sheets on each other: 2 of 32x32 %.3f ms a step, 2 of 64x64 %.3f ms a step\n", small, large);
    return 0;
}
