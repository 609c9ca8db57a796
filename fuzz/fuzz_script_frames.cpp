// Scripts run over several frames: the engine-module calls of one input
// (the driver of GameHarness.h) are spread over up to 16 frames of the game
// logic, made from inside "everyloop" and "loadlevel" as a level script makes
// them, with frames of an input-chosen length in between. So triggers,
// timed events and conditions, paths, AI, fades and level changes (a level
// named "zop" loads the driver again) run on what earlier frames built. Any
// exception but the expected ones ends the run.
//
// Input: byte 0 the frame count, byte 1 the milliseconds a frame, the rest
// the calls; a function byte of 0xF0 or more ends the calls of a frame.
#include <cstdint>

#include "GameHarness.h"
#include "platform/window/Clock.h"

namespace {
constexpr char kDriver[] = R"(
import os
import traceback

reader = None


def start_input():
    global reader
    reader = Reader(bank_bytes())


def step():
    global running
    if running or reader is None:  # an event may call this during the pass
        return
    running = True
    try:
        while True:
            index = reader.byte()
            if index >= 0xF0:
                return
            call(reader, index)
    except EOFError:
        pass
    except BaseException:
        traceback.print_exc()
        os.abort()
    finally:
        running = False


def everyloop():
    step()


def loadlevel():
    step()
)";

std::uint32_t now = 1000;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool clockSet = [] {
        plat::SetClockSource([] { return now; });
        return true;
    }();
    gameharness::Harness& h = gameharness::TheHarness("frames", kDriver);
    FuzzFolder::Inside inside(h.folder);
    if (!clockSet || size < 2) return 0;
    const int frames = 1 + data[0] % 16;
    const std::uint32_t milliseconds = data[1];
    h.PutInBank(data + 2, size - 2);
    if (!h.python->CallFunction("start_input")) std::abort();
    for (int i = 0; i < frames; ++i) {
        now += milliseconds;
        h.timer.Update();
        h.logic.Update();
    }
    h.Forget();
    return 0;
}
