#pragma once
#include <signal.h>

#include <iterator>

// SIGINT, SIGTERM and SIGHUP (the terminal closed) end the game, whatever
// its script does. They have one
// owner, a thread that takes them while every other thread keeps them
// blocked, so that no handler installed beneath Python (faulthandler, a
// sigaction or SIG_IGN through ctypes) can take them or let them be lost;
// one sent to a single thread (a script's raise or pthread_kill) waits on
// that thread, where the owner finds it too:
// - the first one closes the window as its close box does (the game then
//   ends in order with status 0) and calls the script interrupt, which
//   breaks off a script that is running, even one waiting in a system call
//   on the main thread (it is woken; the call returns rather than
//   restarting);
// - one stop may come as several copies (the terminal's to the whole
//   group, the keeper's passed on, `timeout`'s or a shell's to a whole
//   group): one that comes less than 0.3 s after the first is a copy and
//   changes nothing;
// - a second one, 0.3 s or more after the first, or a script that has run
//   3 s since the first, ends the process at once with status 1, after one
//   line in the error stream that names what was running: the script, or
//   the engine's work (its frame, or what `NowRunning` marks, such as a
//   file being read);
// - whatever the main thread runs (an engine pass, a parse, Python outside
//   a script call, the interpreter's finalization), the process ends at once
//   in the same way 5 s after the first, the line naming what ran. The
//   owner never waits on anything but its signals: the children are ended
//   by a signal.
// The game's own quit begins the same deadline (`GameEndBegins`).
// Every other signal whose default action would end the process without a
// crash (an alarm, a profiling timer, a user signal, the CPU limit, SIGIO,
// SIGPWR, SIGSTKFLT, signal 32, the real-time signals) goes to a handler
// that a script set for it in Python; with none, the owner takes it too,
// writes a line that names the signal and ends the game in order, as the
// first end signal does. The game's own two, SIGRTMIN (the interrupt) and
// SIGRTMIN+1 (the owner's wake), are so too when they come from outside.
// SIGPIPE and SIGXFSZ are ignored: a broken
// pipe, or a file grown to the size limit, is an error for whoever wrote.
// A crash has its own line (CrashLine.h). Child processes start with the
// end signals open and all of these at their default action.
// The child processes that the game started (a script's) never outlive it.
namespace plat {

// How long a script may run after the first end signal.
inline constexpr int kEndSignalGraceSeconds = 3;
// How long the game may take to end after the first end signal, whatever
// runs.
inline constexpr int kEndBoundSeconds = 5;

// The end signals.
inline constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP};
// Signals that go to a script's handler, or else end the game in order (so
// do signal 32 and the real-time signals above the game's own).
inline constexpr int kScriptSignals[] = {SIGALRM, SIGVTALRM, SIGPROF, SIGUSR1, SIGUSR2,
                                         SIGXCPU, SIGIO,     SIGPWR,  SIGSTKFLT};

// Takes the end signals, unless the process was started with them ignored:
// blocks them on this thread (and so on every thread started from it),
// starts the thread that owns them and keeps the 3 s, and takes in the
// processes that the game's children leave behind. A launcher may have
// blocked them already so that none could end the process before this: one
// that came meanwhile is taken now.
// The entry point calls it first thing; RegisterClassA and graphics code that
// starts SDL first call it too.
void CatchEndSignals();
// True from an end signal until ForgetEndSignals.
bool EndSignalled();
// A function that the first end signal calls at once, while a script
// runs, inside a signal handler on the main thread (the owner of the end
// signals sends it one of its own, SIGRTMIN), to break off a script that may
// never return. It must be
// async-signal-safe. The host removes it (null) once no script can run.
void SetScriptInterrupt(void (*interrupt)());
// The host marks the span of each outermost call into scripts: only the time
// that scripts run after the end began counts toward the 3 s, so that a
// frame of the engine's own that ends within the 5 s ends in order.
void ScriptStarted();
void ScriptReturned();

// Blocks the end signals again on the calling thread, where a script may
// have opened them (they go to their owner only). The host calls it after
// each call into scripts; once the signals are caught.
void KeepEndSignalsForTheirOwner();

// The end signals, as a set.
sigset_t EndSignalSet();

// A script's signal.signal may have set one of kScriptSignals back to its
// default action, which would end the process outright: the game's handler
// goes back in its place (a handler of the script's own, or SIG_IGN, stays).
void KeepScriptSignalsOwned();

// Whether a script runs now (the host marks its calls). Async-signal-safe.
bool ScriptRunning();
// Whether the signal has its default action (neither a handler nor
// ignored), as a parent or a script left it.
bool AtDefaultAction(int signal);

// Kills every child process of the game, and the processes that they leave
// behind, pass after pass (a pidfd each, so that no pid reused by another
// process is ever signalled), for at most half a second, however fast they
// fork. EndChildProcesses reaps them too, and is for the main thread alone,
// the one that reaps; KillChildProcesses only kills, for an end at once
// from any thread (what is left goes to the game's keeper).
// Async-signal-safe; neither waits on a process.
void EndChildProcesses();
void KillChildProcesses();

// The signals whose handlers are the game's whatever a script's
// signal.signal asks: the end signals, the interrupt and the wake.
bool KeptFromScripts(int signal);

// The game's own end (its quit, its window closed, a fatal error) keeps the
// deadline of an end signal: once it begins, scripts may run 3 s and the
// game may take 5 s in all before it ends at once with status 1, the line
// naming what ran. The entry point asks for it (an application object run
// inside a test does not), the application object says when its end
// begins; an end signal after that keeps the deadline already running.
void BoundTheGamesOwnEnd();
void GameEndBegins();

// For the window layer. True once after an end signal: the window is to be
// closed.
bool TakeEndSignalClose();
// The game is over (its window class unregistered): a later one in the same
// process starts with no end signal and no deadline.
void ForgetEndSignals();

// For as long as the object lives, the end signals kill the process's
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
    struct sigaction old[std::size(kEndSignals)] {};
};

}  // namespace plat
