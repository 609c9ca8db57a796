// Feeds random argument tuples to every function of the engine module (the
// driver of GameHarness.h): the calls of one input run at once, then one
// frame of the game logic, so the events and conditions the input built are
// executed and evaluated too, against the whole game world. The seeds in
// fuzz/corpus/zopapi call each function with zero to eight small ints, one
// to ten floats and one to three words.
#include "GameHarness.h"

namespace {
constexpr char kDriver[] = R"(

def fuzz_step():
    global running
    if running:  # an event may call this very function during the pass
        return
    running = True
    try:
        r = Reader(bank_bytes())
        while True:
            call(r, r.byte())
    except EOFError:
        pass
    finally:
        running = False
)";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gameharness::Harness& h = gameharness::TheHarness("zopapi", kDriver);
    FuzzFolder::Inside inside(h.folder);
    h.PutInBank(data, size);
    // A driver that fails other than by the expected exceptions is a finding.
    if (!h.python->CallFunction("fuzz_step")) std::abort();
    // One frame of the game logic: physics, objects, AI, scripts, the
    // trigger pass with its events and conditions, the HUD and the UI.
    h.timer.Update();
    h.logic.Update();
    h.Forget();
    return 0;
}
