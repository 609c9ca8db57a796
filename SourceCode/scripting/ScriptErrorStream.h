#pragma once
// The scripts' sys.stderr. What they write there (print to it, warnings,
// tracebacks that the interpreter prints by itself, from threads too) goes
// through the error log, so its size cap and its repeat counting apply as
// to the engine's own errors. A write that ends a line ends a message; a
// traceback stays one message until the stream is flushed, as the
// interpreter's printers do at its end.
namespace scripting {

// Puts the stream in place of sys.stderr; the interpreter must be running.
// False, with the reason in the log, when it could not.
bool RouteScriptErrors();

// Logs what the scripts wrote and left without an end (no newline yet, or a
// traceback never flushed). The host calls it when a call into the scripts
// returns.
void EndScriptErrorMessage();

}  // namespace scripting
