#pragma once
// What keeps a script from holding the game's end: the end signals stay
// the engine's and break off a running script, the threads a script left
// running get a bounded time to end, and a process a script forked never
// runs the engine.
#include <string>

// At every start of the interpreter, before any script runs: an end signal
// raises KeyboardInterrupt in the running script (Python's default SIGINT
// handler); a script's signal.signal sets its handlers inside Python only
// (and never puts back the default action of a signal the game owns), and
// its signal.pthread_sigmask never opens an end signal on a thread:
// they stay with the thread that owns them, so a script that ignores,
// handles or blocks them cannot keep them from the engine. os.system leaves
// the signals alone (the C library's ignores SIGINT while the command runs):
// an end signal breaks off its wait and kills the command's shell. The
// children of os.system and subprocess start with the signals of any
// program, not the game's.
void LetInterruptsRaise();

// Finalizing the interpreter waits, without end, for every thread that a
// script started and did not make a daemon. This waits for them up to
// `seconds` and returns the names of those still running ("" when none is),
// with the script's standard streams flushed.
std::string ScriptThreadsLeftRunning(double seconds);

// The names of the processes started through the scripts' multiprocessing
// that still run (its exit handler would wait for them), comma separated.
std::string ScriptProcessesLeftRunning();

// Runs the exit handlers that scripts registered (atexit), and forgets them.
void RunScriptExitHandlers();

// True once the game's end has begun: an end signal came, or the host began
// to shut down. The engine module then refuses every call.
bool GameIsEnding();
// The host says when its end begins (and that a new host starts afresh).
void SetGameEnding(bool ending);

// True in a process that a script forked from the game's (os.fork).
bool InForkedChild();
// Every return from a script call into the engine passes here: in a forked
// child the process ends at once, with the status a Python program would
// end with (sys.exit's code, 1 for another exception, whose traceback goes
// to the error stream, 0 when the call returned), after flushing the
// script's standard streams. It touches nothing the game holds: the
// display, err.txt (its errors go through descriptor 2, which the game's
// log reads), the audio device, the settings file.
void EndIfForkedChild();
