// Feeds random argument tuples to every function of the engine module. The
// fuzz input travels through the data bank to a driver script, which turns
// its bytes into calls: a function by index, then arguments of random types
// (ints of any size, floats with NaN and infinities, texts, sequences of any
// length, None). A wrong argument must raise TypeError, ValueError or
// OverflowError in the script and a missing system RuntimeError; anything
// else (a crash, a SystemError from a handler that returned no result without
// an exception) is a finding. After the calls the trigger pass runs, so the
// events and conditions the input built are executed and evaluated too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "ai/AIMan.h"
#include "ai/PathMan.h"
#include "core/Timer.h"
#include "platform/window/Window.h"
#include "scripting/EventHandler.h"
#include "scripting/PythonMan.h"

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

struct Harness {
    Harness() {
        plat::SetMessageBoxSink([](const std::string&, const std::string&) {});
        folder = std::filesystem::temp_directory_path() / ("tollymop-fuzz-zopapi-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "zop.py") << kDriver;
        PythonMan::SetScriptFolder(folder.string());
        timer.Init();
        paths.Init();
        ais.Init();
        handler.Init();
        if (!python.Init() || !python.HasMainModule()) std::abort();
    }

    Timer timer;
    PathMan paths;
    AIMan ais;
    EventHandler handler;
    PythonMan python;
    std::filesystem::path folder;
};

Harness& TheHarness() {
    static Harness* harness = new Harness;  // lives for the whole run
    return *harness;
}
}  // namespace

// The interpreter keeps objects that leak checking cannot see it reach (its
// own allocator's bookkeeping); leaks of the engine's own code still count.
extern "C" const char* __lsan_default_suppressions() { return "leak:libpython3\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Harness& h = TheHarness();
    if (size > kMaxBytes) size = kMaxBytes;
    std::uint8_t words[kMaxBytes] = {};
    std::memcpy(words, data, size);
    h.python.SetInt(0, static_cast<std::int32_t>(size));
    for (int i = 1; i < 256; ++i) {
        std::int32_t word;
        std::memcpy(&word, words + (i - 1) * 4, 4);
        h.python.SetInt(static_cast<std::uint8_t>(i), word);
    }
    // A driver that fails other than by the expected exceptions is a finding.
    if (!h.python.CallFunction("fuzz_step")) std::abort();
    h.timer.Update();
    h.handler.Update();
    h.handler.Clear();
    return 0;
}
