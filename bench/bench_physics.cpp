// The physics figure: one frame's physics step for an N x N trampoline with
// the player on it, for N = 10, 30 and 100, as time per step and per node.
// The cost per node should stay flat as N grows. The last column tells
// whether the sheet held together over 1,500 frames with the player bouncing
// on it: every node finite and every spring between half and one and a half
// times its rest length (the longest is shown).
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

Figure Measure(std::uint32_t n) {
    std::uint32_t now = 1000;
    plat::SetClockSource([&now] { return now; });
    Timer timer;
    timer.Init();
    Physics physics;
    physics.Init();
    GameObjectsMan objects;
    objects.Init(const_cast<char*>(names::GameObjectsMan));

    ObjectDesc desc;
    desc.kind = kKindTrampoline;
    desc.columns = desc.rows = n;
    desc.spacing = 2.0f;
    GameObject* trampoline = objects.CreateObject(&desc);
    ObjectDesc playerDesc;
    playerDesc.kind = kKindPlayer;
    playerDesc.character = "Player";
    GameObject* player = objects.CreateObject(&playerDesc);
    if (player && player->body) player->body->SetPositionXYZ(0.0f, 3.0f, 0.0f);

    auto frame = [&] {
        now += 16;
        timer.Update();
        physics.Update();
    };
    for (int i = 0; i < 20; ++i) frame();  // the player lands and is held
    const int steps = n >= 100 ? 50 : 200;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < steps; ++i) frame();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (int i = 20 + steps; i < kHeldFrames; ++i) frame();
    float shortest = 0.0f, longest = 0.0f;
    if (trampoline && trampoline->body) SpringRange(*trampoline->body, n, &shortest, &longest);
    const bool together = std::isfinite(longest) && shortest > 0.5f && longest < 1.5f;

    objects.Shutdown();
    physics.Shutdown();
    timer.Shutdown();
    plat::SetClockSource(nullptr);
    const double nodes = double(n + 1) * double(n + 1);
    return {seconds / steps * 1e3, seconds / steps / nodes * 1e9, together, longest};
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
    return 0;
}
