#pragma once
#include <cstddef>
#include <string_view>

// The one way the program writes its errors to the error stream (err.txt in
// the game). An error that comes every frame must not fill the disk, so:
// - every distinct message (one line, or several such as a traceback) is
//   written in full the first time it comes;
// - after that only its repeats are counted, and the count is written as one
//   line at most every 10 seconds and at the end (FlushErrorRepeats);
// - past 10 MB one last line says that further errors were dropped, and
//   nothing more is written.
namespace plat {

inline constexpr std::size_t kErrorLogLimit = 10u * 1024u * 1024u;
inline constexpr unsigned kErrorRepeatIntervalMs = 10000;

// One message; a final newline is added when it has none.
void LogError(std::string_view message);
// The same, formatted as printf does.
void LogErrorF(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes the repeats counted and not written yet; the game's end calls it.
void FlushErrorRepeats();

// Forgets every message and the bytes written, as when the error stream has
// just been emptied; `limit` replaces the 10 MB cap (tests use small ones).
void ResetErrorLog(std::size_t limit = kErrorLogLimit);

}  // namespace plat
