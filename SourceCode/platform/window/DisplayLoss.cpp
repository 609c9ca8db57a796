#include "platform/window/DisplayLoss.h"

#include <dlfcn.h>
#include <unistd.h>

#include "platform/common/ErrorLog.h"
#include "platform/window/EndSignals.h"

namespace plat {
namespace {
constexpr char kDisplayWentAway[] =
    "Error: The display went away (the connection to the X server was lost): the game ends.\n";

// Xlib's handler type, with the display as an opaque pointer: SDL loads the
// library itself, and the game needs nothing else of it.
using IOErrorHandler = int (*)(void* display);
using SetIOErrorHandler = IOErrorHandler (*)(IOErrorHandler);

// Xlib ends the process when this returns: it never does.
int OnDisplayLost(void*) {
    FlushErrorRepeats();
    WriteErrorAtOnce(kDisplayWentAway);
    KillChildProcesses();
    ::_exit(1);
}
}  // namespace

void EndTheGameWhenTheDisplayGoes() {
    void* xlib = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (!xlib) return;
    if (auto set = reinterpret_cast<SetIOErrorHandler>(::dlsym(xlib, "XSetIOErrorHandler"))) set(OnDisplayLost);
    // The library stays loaded for SDL, which holds its own reference.
    ::dlclose(xlib);
}

}  // namespace plat
