#include "core/WinMain.h"
#include "platform/window/EndSignals.h"

int main() {
    // First of all: the end signals (SIGINT, SIGTERM, SIGHUP) end the game in order from its first
    // instruction on.
    plat::CatchEndSignals();
    return WinMain(nullptr);
}
