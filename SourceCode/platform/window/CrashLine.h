#pragma once
// A crash is named. A fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL,
// SIGABRT, SIGTRAP, SIGSYS), SIGQUIT (Ctrl+\), std::terminate and running
// out of memory (an allocation's std::bad_alloc that nobody caught) write
// one line to the error stream before the process dies: what ended it and
// what the main thread was doing, as a sentence ("... while drawing the
// scene: it ends at once."; the `NowRunning` marks, else running a script
// or the engine's frame), after what the log held unwritten. Then the game's child processes
// are ended and the process dies by the same signal, with its core dump and
// its status, as a debugger expects. The main thread's handler runs on a
// stack of its own, so that a stack overflow is named too.
//
// Where the address sanitizer runs it reports SIGSEGV, SIGBUS and SIGFPE
// itself: those are left to it, and what the log held is written out, and
// the children ended, when it ends the process.
namespace plat {

// While on, the crash signals (those the parent did not ignore) and
// std::terminate write the line; the game's error log turns it on for its
// run (ErrorLogFile) and off at its end.
void NameCrashes(bool on);

// A script's signal.signal may have set a crash signal back to its default
// action: the line's handler goes back in its place.
void KeepCrashesNamed();

}  // namespace plat
