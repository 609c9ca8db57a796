#pragma once
#include <signal.h>

// SIGINT and SIGTERM end the game, whatever its script does:
// - the first one closes the window as its close box does (the game then
//   ends in order with status 0) and calls the script interrupt, which
//   breaks off a script that is running, even one waiting in a system call
//   (the call returns rather than restarting);
// - a second one, or a script that still holds the game 3 s after the
//   first, ends the process at once with status 1, after one line in the
//   error stream.
namespace plat {

// How long a script may hold the game after the first end signal.
inline constexpr int kEndSignalGraceSeconds = 3;

// Installs the handlers, unless the process was started with the signals
// ignored, and starts the thread that keeps the 3 s. RegisterClassA calls
// this; graphics code that starts SDL first calls it too.
void CatchEndSignals();
// True from SIGINT or SIGTERM until ForgetEndSignals.
bool EndSignalled();
// A function that SIGINT and SIGTERM call at once, on the main thread inside
// the signal handler, to break off a script that may never return. It must
// be async-signal-safe. While one is set, a script may still hold the game:
// the host removes it (null) once no script can run any more.
void SetScriptInterrupt(void (*interrupt)());

// For the window layer. True once after an end signal: the window is to be
// closed.
bool TakeEndSignalClose();
// The game is over (its window class unregistered): a later one in the same
// process starts with no end signal.
void ForgetEndSignals();

// For as long as the object lives, SIGINT and SIGTERM kill the process's
// children and end it at once with status 1 (while a message box waits: the
// box is up because a fatal error happened, and SDL shows it from a child
// process on X11, which must not outlive the game).
class SignalsEndTheGame {
public:
    SignalsEndTheGame();
    ~SignalsEndTheGame();
    SignalsEndTheGame(const SignalsEndTheGame&) = delete;
    SignalsEndTheGame& operator=(const SignalsEndTheGame&) = delete;

private:
    struct sigaction oldTerm {};
    struct sigaction oldInt {};
};

}  // namespace plat
