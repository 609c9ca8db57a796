#pragma once
// What keeps a script from holding the game's end: SIGINT and SIGTERM stay
// the engine's and break off a running script, and the threads a script
// left running get a bounded time to end.
#include <string>

// At every start of the interpreter, before any script runs: an end signal
// raises KeyboardInterrupt in the running script (Python's default SIGINT
// handler), and a script's signal.signal sets its handlers inside Python
// only: the process's SIGINT and SIGTERM stay the engine's, so a script that
// ignores them, or handles them itself, cannot keep them from the engine.
void LetInterruptsRaise();

// Finalizing the interpreter waits, without end, for every thread that a
// script started and did not make a daemon. This waits for them up to
// `seconds` and returns the names of those still running ("" when none is),
// with the script's standard streams flushed.
std::string ScriptThreadsLeftRunning(double seconds);
