#pragma once
#include <signal.h>

// SIGINT and SIGTERM end the game, whatever its script does:
// - the first one, on whichever thread it lands, closes the window as its
//   close box does (the game then ends in order with status 0) and calls the
//   script interrupt, which breaks off a script that is running, even one
//   waiting in a system call (the call returns rather than restarting);
// - a second one, or a script that has run 3 s since the first, ends the
//   process at once with status 1, after one line in the error stream.
// The child processes that the game started (a script's) never outlive it.
namespace plat {

// How long a script may run after the first end signal.
inline constexpr int kEndSignalGraceSeconds = 3;

// Installs the handlers, unless the process was started with the signals
// ignored, starts the thread that keeps the 3 s, and takes in the processes
// that the game's children leave behind. Unblocks SIGINT and SIGTERM, which a
// launcher may have blocked so that none could end the process before this.
// The entry point calls it first thing; RegisterClassA and graphics code that
// starts SDL first call it too.
void CatchEndSignals();
// True from SIGINT or SIGTERM until ForgetEndSignals.
bool EndSignalled();
// A function that the first SIGINT or SIGTERM calls at once, inside the
// signal handler on the main thread (a signal taken by another thread is sent
// on to it), to break off a script that may never return. It must be
// async-signal-safe. The host removes it (null) once no script can run.
void SetScriptInterrupt(void (*interrupt)());
// The host marks the span of each outermost call into scripts: only the time
// that scripts run after the first end signal counts toward the 3 s, so that
// a slow frame of the engine's own ends in order when it is done.
void ScriptStarted();
void ScriptReturned();

// SIGINT and SIGTERM, the two end signals, as a set.
sigset_t EndSignalSet();

// Kills every child process of the game, and the processes that they leave
// behind, and reaps them. Async-signal-safe.
void EndChildProcesses();

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
