// Feeds random argument tuples to every function of the engine module. The
// fuzz input travels through the data bank to a driver script, which turns
// its bytes into calls: a function by index, then arguments of random types
// (ints of any size, floats with NaN and infinities, texts, sequences of any
// length, None). A wrong argument must raise TypeError, ValueError or
// OverflowError in the script and a missing system RuntimeError; anything
// else (a crash, a SystemError from a handler that returned no result without
// an exception) is a finding. After the calls one frame of the game logic
// runs, so the events and conditions the input built are executed and
// evaluated too, against the whole game world on a real video system
// (SDL's offscreen driver unless SDL_VIDEODRIVER says otherwise). Run it from
// the repository root, or set TOLLYMOP_ROOT: the assets are taken from there.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

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

namespace {
constexpr char kDriver[] = R"(
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


def fuzz_step():
    global running
    if running:  # an event may call this very function during the pass
        return
    running = True
    try:
        size = Z.GetInt(0)
        data = b"".join(struct.pack("<i", Z.GetInt(i)) for i in range(1, 256))[:size]
        r = Reader(data)
        while True:
            f = FUNCTIONS[r.byte() % len(FUNCTIONS)]
            args = [argument(r) for _ in range(r.byte() % 14)]
            try:
                f(*args)
            except (TypeError, ValueError, OverflowError, RuntimeError):
                pass
    except EOFError:
        pass
    finally:
        running = False
)";

constexpr std::size_t kMaxBytes = 255 * 4;
constexpr char kWindowClass[] = "TollymopFuzzZOPAPI";

// A small windowed device, so that the video system starts on the
// offscreen driver without touching the user's settings.
void WriteSettings() {
    std::ofstream("settings.txt")
        << "RESOLUTION = 64 x 48\nWINDOWED = TRUE\nBACKBUFFER_RESOLUTION = 64 x 48\n"
           "BACKBUFFER_FORMAT = X8R8G8B8\nDEVICE_TYPE = HAL\nDEVICE_BEHAVIOR = SOFTWARE\n"
           "PRESENTATION_INTERVAL = IMMEDIATE\nCLEAR_COLOR = 0 0 0\n"
           "CLEAR_SURFACE_FLAGS = TARGET ZBUFFER STENCIL !END_FLAGS\nENABLE_DEPTH_BUFFER = TRUE\n"
           "ZBUFFER_DEPTH = 1\nDEPTH_BUFFER_FORMAT = D24S8\n";
}

// The whole game logic (world, characters, AI, paths, camera, HUD, user
// interface, interpreter, events) on a real video system, in a folder of its
// own holding the driver script, the settings and a link to the assets.
struct Harness {
    Harness() {
        plat::SetMessageBoxSink([](const std::string&, const std::string&) {});
        // Headless unless the caller chose a video driver.
        ::setenv("SDL_VIDEODRIVER", "offscreen", 0);
        const char* root = std::getenv("TOLLYMOP_ROOT");
        const std::filesystem::path repository = root ? std::filesystem::path(root) : std::filesystem::current_path();
        folder = std::filesystem::temp_directory_path() / ("tollymop-fuzz-zopapi-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder / "Scripts");
        std::error_code ignored;
        std::filesystem::create_directory_symlink(repository / "Assets", folder / "Assets", ignored);
        std::filesystem::current_path(folder);
        // The folder goes when the fuzzer exits (it exits through exit()).
        static std::filesystem::path made;
        made = folder;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(made, ec);
        });
        std::ofstream("Scripts/zop.py") << kDriver;
        WriteSettings();
        if (!plat::RegisterClassA(kWindowClass, &plat::DefWindowProcA)) std::abort();
        if (!plat::CreateWindowExA(kWindowClass, "fuzz")) std::abort();
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

    Timer timer;
    Video video;
    Cursor cursor;
    GameLogic logic;
    PythonMan* python = nullptr;
    EventHandler* handler = nullptr;
    GameObjectsMan* objects = nullptr;
    AIMan* ais = nullptr;
    GameObject* ground = nullptr;
    std::filesystem::path folder;
};

Harness& TheHarness() {
    static Harness* harness = [] {
        auto* h = new Harness;  // lives for the whole run
        h->ground = h->objects->GetObjectById(objectid::kGround);
        return h;
    }();
    return *harness;
}
}  // namespace

// The interpreter keeps objects that leak checking cannot see it reach (its
// own allocator's bookkeeping), and the system's graphics, windowing and font
// libraries keep one-time allocations (the list of tests/sanitizer/lsan.supp);
// leaks of the engine's own code still count.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libpython3\nleak:libSDL2\nleak:libEGL\nleak:libGLX\nleak:libGL.so\nleak:libgallium\n"
           "leak:swrast_dri\nleak:libLLVM\nleak:libglapi\nleak:libX11\nleak:libdbus\nleak:libfontconfig\n"
           "leak:libopenal\nleak:__pthread_once_slow\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Harness& h = TheHarness();
    if (size > kMaxBytes) size = kMaxBytes;
    std::uint8_t words[kMaxBytes] = {};
    std::memcpy(words, data, size);
    h.python->SetInt(0, static_cast<std::int32_t>(size));
    for (int i = 1; i < 256; ++i) {
        std::int32_t word;
        std::memcpy(&word, words + (i - 1) * 4, 4);
        h.python->SetInt(static_cast<std::uint8_t>(i), word);
    }
    // A driver that fails other than by the expected exceptions is a finding.
    if (!h.python->CallFunction("fuzz_step")) std::abort();
    // One frame of the game logic: physics, objects, AI, scripts, the
    // trigger pass with its events and conditions, the HUD and the UI.
    h.timer.Update();
    h.logic.Update();
    h.Forget();
    return 0;
}
