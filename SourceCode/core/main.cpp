#include "core/WinMain.h"
#include "platform/window/EndSignals.h"

int main() {
    // First of all: SIGINT and SIGTERM end the game in order from its first
    // instruction on.
    plat::CatchEndSignals();
    return WinMain(nullptr);
}
