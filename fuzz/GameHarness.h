#pragma once
// The game world for the engine-module targets: the whole game logic
// (world, characters, AI, paths, camera, HUD, user interface, interpreter,
// events) on a real video system (SDL's offscreen driver unless
// SDL_VIDEODRIVER says otherwise), in a folder of its own holding a driver
// script as Scripts/zop.py, the settings and a copy of the assets. The input
// travels to the driver through the data bank (slot 0 its size, slots 1 to
// 255 its bytes), and the driver's Python part below turns bytes into calls:
// a function by index, then arguments of random types (ints of any size,
// floats with NaN and infinities, texts, sequences of any length, None). A
// wrong argument must raise TypeError, ValueError or OverflowError in the
// script and a missing system RuntimeError; anything else (a crash, a
// SystemError from a handler that returned no result without an exception)
// is a finding. Run it from the repository root, or set TOLLYMOP_ROOT.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzFolder.h"
#include "Video/Video.h"
#include "ai/AIMan.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"
#include "platform/window/Window.h"
#include "scripting/EventHandler.h"
#include "scripting/PythonMan.h"
#include "ui/Cursor.h"
#include "world/GameLogic.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"

namespace gameharness {

// The driver's reading and calling; each target adds its entry points.
constexpr char kDriverCalls[] = R"(
import ZOPAPI as Z
import struct

FUNCTIONS = [getattr(Z, n) for n in vars(Z) if not n.startswith("__")]
# Texts come from this list or are random, prefixed, so that a level change
# never imports a module that exists (nothing outside the test runs).
WORDS = ["NOMUS", "nomus", "NOTEX", "NOTEXT", "spacebar", "ESC", "fuzz_step",
         "everyloop", "", "zop", "\u00e9t\u00e9\u2603", "a\x00b"]
running = False


class Reader:
    def __init__(self, data):
        self.data, self.at = data, 0

    def byte(self):
        if self.at >= len(self.data):
            raise EOFError
        self.at += 1
        return self.data[self.at - 1]

    def take(self, n):
        return bytes(self.byte() for _ in range(n))


def argument(r, depth=0):
    kind = r.byte() % 8
    if kind == 0:
        return struct.unpack("<i", r.take(4))[0]
    if kind == 1:
        return struct.unpack("<f", r.take(4))[0]
    if kind == 2:
        return WORDS[r.byte() % len(WORDS)]
    if kind == 3:
        return "fz_" + r.take(r.byte() % 16).decode("latin-1")
    if kind == 4 and depth < 2:
        return tuple(argument(r, depth + 1) for _ in range(r.byte() % 6))
    if kind == 5:
        return [1 << (r.byte() % 80), -(1 << (r.byte() % 80))][r.byte() % 2]
    if kind == 6:
        return r.byte() - 128
    return None


def call(r, index):
    f = FUNCTIONS[index % len(FUNCTIONS)]
    args = [argument(r) for _ in range(r.byte() % 14)]
    try:
        f(*args)
    except (TypeError, ValueError, OverflowError, RuntimeError):
        pass


def bank_bytes():
    size = Z.GetInt(0)
    return b"".join(struct.pack("<i", Z.GetInt(i)) for i in range(1, 256))[:size]

)";

constexpr std::size_t kMaxBytes = 255 * 4;

// Made once and kept for the whole run (the interpreter starts only once).
struct Harness {
    Harness(const std::string& name, const std::string& driver) : folder(name) {
        std::filesystem::create_directories(folder.Path() / "Scripts");
        std::ofstream(folder.Path() / "Scripts/zop.py") << kDriverCalls << driver;
        folder.WriteSettings();
        FuzzFolder::Inside inside(folder);
        FuzzFolder::OpenWindow("TollymopFuzz" + name);
        timer.Init();
        if (!video.Init()) std::abort();
        cursor.Init();
        logic.Init();
        python = eTable::Find<PythonMan>(names::PythonMan);
        handler = eTable::Find<EventHandler>(names::EventHandler);
        objects = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
        ais = eTable::Find<AIMan>(names::AIMan);
        if (!python || !python->HasMainModule() || !handler || !objects || !ais) std::abort();
    }

    // Everything one input made goes again, so that inputs do not pile up;
    // the ground plane (made at start) stays.
    void Forget() {
        handler->Clear();
        logic.ClearUIObjects();
        ais->RemoveLevelAIs();
        objects->DeleteLevelObjects();
        // The last made first, looked up again each time: deleting an object
        // may delete others (a trampoline's nodes).
        while (GameObject* last = LastMadeObject()) objects->DeleteObject(last);
    }

    GameObject* LastMadeObject() const {
        GameObject* last = nullptr;
        for (System* child : objects->Children())
            if (child && child != ground) last = static_cast<GameObject*>(child);
        return last;
    }

    // The input's bytes (at most kMaxBytes) into the data bank.
    void PutInBank(const std::uint8_t* data, std::size_t size) {
        if (size > kMaxBytes) size = kMaxBytes;
        std::uint8_t words[kMaxBytes] = {};
        std::memcpy(words, data, size);
        python->SetInt(0, static_cast<std::int32_t>(size));
        for (int i = 1; i < 256; ++i) {
            std::int32_t word;
            std::memcpy(&word, words + (i - 1) * 4, 4);
            python->SetInt(static_cast<std::uint8_t>(i), word);
        }
    }

    FuzzFolder folder;
    Timer timer;
    Video video;
    Cursor cursor;
    GameLogic logic;
    PythonMan* python = nullptr;
    EventHandler* handler = nullptr;
    GameObjectsMan* objects = nullptr;
    AIMan* ais = nullptr;
    GameObject* ground = nullptr;
};

// The harness for the driver, made on first use and kept.
inline Harness& TheHarness(const char* name, const char* driver) {
    static Harness* harness = [&] {
        auto* h = new Harness(name, driver);
        h->ground = h->objects->GetObjectById(objectid::kGround);
        return h;
    }();
    return *harness;
}

}  // namespace gameharness

// The interpreter keeps objects that leak checking cannot see it reach (its
// own allocator's bookkeeping), and the system's graphics, windowing and font
// libraries keep one-time allocations (the list of tests/sanitizer/lsan.supp);
// leaks of the engine's own code still count.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libpython3\nleak:libSDL2\nleak:libEGL\nleak:libGLX\nleak:libGL.so\nleak:libgallium\n"
           "leak:swrast_dri\nleak:libLLVM\nleak:libglapi\nleak:libX11\nleak:libdbus\nleak:libfontconfig\n"
           "leak:libopenal\nleak:__pthread_once_slow\n";
}
