// The game's own figures, each beside a reference measured in the same run:
// - the frame rate of level 2 (its characters, trampoline, shadows and HUD)
//   at 1024x768, next to a bare SDL2 + GL clear-and-swap loop of the same
//   size, the two in turns;
// - the game-logic time of a frame (every system but "Video"), next to the
//   whole frame's;
// - what a frame of the level asks of OpenGL (draws, GL calls, bytes
//   uploaded) and the main thread's CPU time a frame, next to its wall time;
// - the time from start to the first presented frame of the menu, next to
//   the time a bare SDL2 + GL window takes to show its first frame;
// - the peak resident memory over the level, next to the process's peak
//   before the game started (SDL, the GL driver and the bare window);
// - the game-logic time of a frame with 400 and then 1,600 characters that
//   chase the player from the ground beside the arena: four times the
//   characters should cost about four times the time, not sixteen.
// It runs the shipped scripts, data and bindings on the real clock.
#include <SDL.h>
#include <epoxy/gl.h>
#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <cstdlib>
#include <filesystem>

#include "BareWindow.h"
#include "Video/Object.h"
#include "Video/Video.h"
#include "ai/AIMan.h"
#include "characters/NPC.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/WinMain.h"
#include "core/eTable.h"
#include "platform/gfx/Direct3D.h"
#include "platform/window/Window.h"
#include "scripting/EventHandler.h"
#include "scripting/PythonMan.h"
#include "scripting/WorldLookup.h"
#include "support/ShippedFiles.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"

namespace {
constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int kWarmUpFrames = 60;
constexpr double kSliceSeconds = 0.1;
constexpr int kSlicesEach = 40;
// The level's place in the game's order, as the scripts keep it in the data
// bank (Scripts/zop.py): the level clears it once built.
constexpr std::uint8_t kLoadingSlot = 200;
constexpr int kLevelTwo = 3;

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double PeakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// The CPU time the calling thread has used, in seconds: the main thread's
// own work, without the driver's rasteriser threads.
double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The resident memory of the moment (VmRSS), in MB.
double ResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmRSS:") {
            double kilobytes = 0.0;
            status >> kilobytes;
            return kilobytes / 1024.0;
        }
    return 0.0;
}

// The game's frame as the entry point runs it, with the time of every
// system but "Video" summed as the game logic's share, the main thread's CPU
// time, and the device's GL figures of each presented frame.
struct GameLoop {
    DIva& app;
    plat::HWND window;
    long frames = 0;
    double seconds = 0.0;
    double logicSeconds = 0.0;
    double cpuSeconds = 0.0;
    long long draws = 0, glCalls = 0, bytesUploaded = 0;
    std::map<std::string, double> secondsBySystem;

    GameLoop(DIva& app, plat::HWND window) : app(app), window(window) {}
    void MakeCurrent() { eTable::Find<Video>(names::Video)->Device()->MakeCurrent(); }
    void ClearFigures() {
        logicSeconds = cpuSeconds = 0.0;
        draws = glCalls = bytesUploaded = 0;
        secondsBySystem.clear();
    }
    void Frame() {
        const double cpuStart = ThreadCpuSeconds();
        Update();
        cpuSeconds += ThreadCpuSeconds() - cpuStart;
        const plat::GlFrameStats gl = plat::LastFrameGlStats();
        draws += gl.draws;
        glCalls += gl.glCalls;
        bytesUploaded += gl.bytesUploaded;
    }
    void Update() {
        plat::MSG msg;
        if (plat::PeekMessageA(&msg, window)) plat::DispatchMessageA(&msg);
        for (System* system : app.Children()) {
            const auto start = Clock::now();
            system->Update();
            if (system->Name() == names::Video) glFinish();
            const double seconds = Since(start);
            secondsBySystem[system->Name()] += seconds;
            if (system->Name() != names::Video) logicSeconds += seconds;
        }
    }
};

// Where the game logic's time goes: frames in which the children of
// "GameLogic" are updated one by one in its stead (its own work on the
// user-interface objects and the listener is left out of these frames).
std::map<std::string, double> TimeLogicParts(GameLoop& game) {
    constexpr int kFrames = 200;
    std::map<std::string, double> ms;
    game.MakeCurrent();
    for (int frame = 0; frame < kFrames; ++frame) {
        for (System* system : game.app.Children()) {
            if (system->Name() != names::GameLogic) {
                system->Update();
                continue;
            }
            for (System* part : system->Children()) {
                const auto start = Clock::now();
                part->Update();
                ms[part->Name()] += Since(start) * 1000.0 / kFrames;
            }
        }
        glFinish();
    }
    return ms;
}

// Level characters as the scripts' chasers are (a pebble of inverse mass
// 100 with a chase controller), in rows on the ground beside the arena,
// apart enough that none touches another at first.
void AddChasers(int count) {
    constexpr int kPerRow = 25;
    constexpr std::uint32_t kFirstId = 5000;
    constexpr std::uint32_t kChase = 2;
    auto* objects = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
    auto* ais = eTable::Find<AIMan>(names::AIMan);
    for (int i = 0; i < count; ++i) {
        ObjectDesc desc;
        desc.kind = kKindNPC;
        desc.character = "Pebble";
        NPC* npc = scripting::CharacterOf(objects->CreateLevelObject(&desc));
        if (!npc) continue;
        npc->LoadCharacter("Pebble");
        npc->id = kFirstId + static_cast<std::uint32_t>(i);
        npc->currentAnimation = npc->actionAnimations[0];
        npc->PlaceAt({25.0f + float(i % kPerRow) * 2.8f, 0.0f, -80.0f + float(i / kPerRow) * 2.5f});
        if (Point* point = scripting::OwnPoint(npc)) point->SetInverseMass(100.0f);
        ais->CreateLevelAI(kChase, npc);
    }
}

// What a level change does before the next level is built: the level's
// triggers (its clock among them), controllers and objects go.
void LeaveLevel() {
    eTable::Find<EventHandler>(names::EventHandler)->Clear();
    eTable::Find<AIMan>(names::AIMan)->RemoveLevelAIs();
    eTable::Find<GameObjectsMan>(names::GameObjectsMan)->DeleteLevelObjects();
}

// The game logic's ms a frame with count chasers in the level, which is left
// afterwards.
double ChasingLogicMs(GameLoop& game, int count) {
    constexpr int kFrames = 60;
    AddChasers(count);
    for (int i = 0; i < kWarmUpFrames / 2; ++i) game.Frame();
    game.ClearFigures();
    for (int i = 0; i < kFrames; ++i) game.Frame();
    const double ms = game.logicSeconds * 1000.0 / kFrames;
    LeaveLevel();
    return ms;
}

template <typename Loop>
void RunSlice(Loop& loop, long& frames, double& seconds) {
    loop.MakeCurrent();
    const auto start = Clock::now();
    double elapsed = 0.0;
    do {
        loop.Frame();
        ++frames;
        elapsed = Since(start);
    } while (elapsed < kSliceSeconds);
    seconds += elapsed;
}

struct Figures {
    double bareStart = 0.0, gameStart = 0.0;
    double bareFps = 0.0, gameFps = 0.0;
    double logicMs = 0.0, frameMs = 0.0, cpuMs = 0.0;
    double draws = 0.0, glCalls = 0.0, kilobytesUploaded = 0.0;
    double bareMegabytes = 0.0, gameMegabytes = 0.0;
    double menuResident = 0.0, levelResident = 0.0;
    std::map<std::string, double> msBySystem;
    std::map<std::string, double> msByLogicPart;
    double chasing400Ms = 0.0, chasing1600Ms = 0.0;
    bool ok = false;
};

Figures Measure() {
    Figures figures;
    ScopedTempDir dir;
    LayOutGameFiles(dir.Path());
    std::error_code ec;
    std::filesystem::create_directory_symlink(ScopedTempDir::RepositoryRoot() / "Scripts", dir.Path() / "Scripts", ec);
    std::filesystem::copy_file(ScopedTempDir::RepositoryRoot() / "OnStartScript.txt",
                               dir.Path() / "OnStartScript.txt", ec);
    WriteWindowedSettings({.width = kWidth,
                           .height = kHeight,
                           .backBufferWidth = kWidth,
                           .backBufferHeight = kHeight,
                           .behavior = "HARDWARE"});

    // The reference start: a bare window and its first frame.
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    auto start = Clock::now();
    BareWindow bare(kWidth, kHeight, true);
    if (!bare.ok()) return figures;
    bare.Frame();
    figures.bareStart = Since(start);
    for (int i = 0; i < kWarmUpFrames; ++i) bare.Frame();
    figures.bareMegabytes = PeakResidentMegabytes();

    // The game's start: its window, every system, the scripts' menu, and the
    // first frame presented.
    start = Clock::now();
    if (!plat::RegisterClassA("MyWndClass", WndProc)) return figures;
    plat::HWND window = plat::CreateWindowExA("MyWndClass", "Tollymop");
    if (!window) return figures;
    {
        DIva app;
        WindowPair pair{window, nullptr};
        if (app.Init(&pair)) {
            GameLoop game(app, window);
            game.Frame();
            figures.gameStart = Since(start);
            figures.menuResident = ResidentMegabytes();

            // Level 2, as a win in level 1 would start it.
            auto* python = eTable::Find<PythonMan>(names::PythonMan);
            python->SetNextModuleName("level2");
            python->SetInt(kLoadingSlot, kLevelTwo);
            eTable::Find<EventHandler>(names::EventHandler)->RequestLevelChange();
            for (int i = 0; i < kWarmUpFrames; ++i) game.Frame();
            game.ClearFigures();

            long bareFrames = 0;
            double bareSeconds = 0.0;
            for (int slice = 0; slice < kSlicesEach; ++slice) {
                RunSlice(game, game.frames, game.seconds);
                RunSlice(bare, bareFrames, bareSeconds);
            }
            figures.gameFps = double(game.frames) / game.seconds;
            figures.bareFps = double(bareFrames) / bareSeconds;
            figures.logicMs = game.logicSeconds * 1000.0 / double(game.frames);
            figures.frameMs = game.seconds * 1000.0 / double(game.frames);
            figures.cpuMs = game.cpuSeconds * 1000.0 / double(game.frames);
            figures.draws = double(game.draws) / double(game.frames);
            figures.glCalls = double(game.glCalls) / double(game.frames);
            figures.kilobytesUploaded = double(game.bytesUploaded) / 1024.0 / double(game.frames);
            figures.gameMegabytes = PeakResidentMegabytes();
            figures.levelResident = ResidentMegabytes();
            for (const auto& [name, seconds] : game.secondsBySystem)
                figures.msBySystem[name] = seconds * 1000.0 / double(game.frames);
            figures.msByLogicPart = TimeLogicParts(game);
            figures.ok = python->NextModuleName() && *python->NextModuleName() == "level2";
            LeaveLevel();
            figures.chasing400Ms = ChasingLogicMs(game, 400);
            figures.chasing1600Ms = ChasingLogicMs(game, 1600);
            game.MakeCurrent();
        }
        app.Shutdown();
    }
    plat::UnregisterClassA("MyWndClass");
    return figures;
}

}  // namespace

int main() {
    setenv("TOLLYMOP_ROOT", std::filesystem::current_path().c_str(), 0);
    const Figures f = Measure();
    std::printf("The game, level 2 at %dx%d (its characters, trampoline, shadows and HUD), no vertical sync:\n",
                kWidth, kHeight);
    if (f.gameFps <= 0.0 || f.bareFps <= 0.0) {
        std::printf("  unavailable: the game or the bare loop could not start\n");
        return 1;
    }
    std::printf("  game frame:                     %10.1f frames/s\n", f.gameFps);
    std::printf("  bare SDL2 + GL clear + swap:    %10.1f frames/s (game / bare %.3f; aim 0.25 or more)\n", f.bareFps,
                f.gameFps / f.bareFps);
    std::printf("  game logic (all but Video):     %10.3f ms a frame (of a %.2f ms frame; aim under 1 ms)\n",
                f.logicMs, f.frameMs);
    std::printf("  main thread's CPU time:         %10.3f ms a frame (of a %.2f ms frame; aim 2 ms or less)\n",
                f.cpuMs, f.frameMs);
    std::printf("  a frame asks of OpenGL:         %10.1f draws, %.0f GL calls (%.1f a draw), %.1f KB uploaded\n",
                f.draws, f.glCalls, f.draws > 0.0 ? f.glCalls / f.draws : 0.0, f.kilobytesUploaded);
    std::printf("  start to the menu's first frame:%10.3f s (a bare window's first frame %.3f s; aim under 1 s)\n",
                f.gameStart, f.bareStart);
    std::printf("  peak resident memory:           %10.1f MB (%.1f MB before the game started; aim under 150 MB)\n",
                f.gameMegabytes, f.bareMegabytes);
    std::printf("  where a frame goes, ms by system:");
    for (const auto& [name, ms] : f.msBySystem) std::printf(" %s %.3f", name.c_str(), ms);
    std::printf("\n  game logic by part, ms:");
    for (const auto& [name, ms] : f.msByLogicPart) std::printf(" %s %.3f", name.c_str(), ms);
    std::printf("\n  resident memory now: %.1f MB in the menu, %.1f MB in level 2\n", f.menuResident,
                f.levelResident);
    std::printf("characters: 400 chasing %.3f ms, 1600 chasing %.3f ms of game logic a frame\n", f.chasing400Ms,
                f.chasing1600Ms);
    if (!f.ok) std::printf("  (the level was not level 2 at the end: the figures are not the level's)\n");
    return f.ok ? 0 : 1;
}
