#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The one way the program writes its errors to the error stream (err.txt in
// the game). An error that comes every frame must not fill the disk, so:
// - every distinct message (one line, or several such as a traceback) is
//   written in full the first time it comes;
// - after that only its repeats are counted, and the count is written as one
//   line (with the message's last line, cut to 160 bytes) at most every 10
//   seconds and at the end (FlushErrorRepeats);
// - a message longer than 64 KB is cut there, with a line that says how many
//   bytes were left out, so that one huge message cannot use up the log;
// - past 10 MB one last line says that further errors were dropped, and
//   nothing more is written.
// While an ErrorLogFile is open, the log writes to its file, and descriptor 2
// is a pipe that the log reads: what the process and its children write
// there (the interpreter's own stderr, C libraries, child processes) comes
// under the same rules. A write that fails (a full disk) sends the log to the
// terminal, said there once.
namespace plat {

inline constexpr std::size_t kErrorLogLimit = 10u * 1024u * 1024u;
inline constexpr std::size_t kErrorMessageLimit = 64u * 1024u;
inline constexpr unsigned kErrorRepeatIntervalMs = 10000;

// One message; a final newline is added when it has none.
void LogError(std::string_view message);
// The same, formatted as printf does.
void LogErrorF(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A message that says what is missing: written the first time, and its
// repeats are neither written nor counted.
void LogErrorOnce(std::string_view message);
// A line that is no error (what the program is doing): written every time it
// comes, within the 10 MB, never counted as a repeat.
void LogNote(std::string_view message);

// A message that comes in pieces, as a script writes to its error stream.
// The pieces gather until EndErrorMessage, which logs them as one message
// (nothing when none came). A message logged meanwhile ends them first, so
// the log keeps the order in which things were written.
void AppendToErrorMessage(std::string_view piece);
void EndErrorMessage();

// Writes the repeats counted and not written yet; the game's end calls it.
void FlushErrorRepeats();

// A line that is also shown on the terminal the game was started from, when
// the log writes elsewhere (fatal texts, start-up failures).
void LogErrorOnTerminalToo(std::string_view message);

// Writes what the log holds unwritten (open messages, what waits in
// descriptor 2's pipe, up to its 64 KB) and then the line, straight to where
// the log writes: the last words of a process that ends at once (_exit, an
// abort). Only async-signal-safe calls; the log writes nothing after it.
void WriteErrorAtOnce(const char* line) noexcept;

// The game's error log for one run: the file at `path` is emptied and the log
// writes there; descriptor 2 becomes a pipe read by a thread of the log.
// When the file cannot be written the terminal (descriptor 2 as it was) is
// told once and takes the errors. The destructor reads what is left in the
// pipe, writes the repeats counted, and puts the log's file (or the
// terminal) back on descriptor 2.
class ErrorLogFile {
public:
    explicit ErrorLogFile(const char* path);
    ~ErrorLogFile();
    ErrorLogFile(const ErrorLogFile&) = delete;
    ErrorLogFile& operator=(const ErrorLogFile&) = delete;
};

// While one lives, the first lines of the messages that its own thread logs
// (LogError, LogErrorF, LogErrorOnce; repeats too, which the log only counts)
// are also kept here, so that whoever asked for the work can be told why it
// failed. At most kMaxLines lines of at most kMaxLineBytes bytes each are
// kept; the log itself is written as ever. Captures nest: the innermost
// one takes the lines.
class ErrorCapture {
public:
    static constexpr std::size_t kMaxLines = 4;
    static constexpr std::size_t kMaxLineBytes = 240;

    ErrorCapture();
    ~ErrorCapture();
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;

    const std::vector<std::string>& Lines() const { return lines; }
    void Take(std::string_view message);

private:
    ErrorCapture* outer;
    std::vector<std::string> lines;
};

// Forgets every message and the bytes written, as when the error stream has
// just been emptied; `limit` replaces the 10 MB cap (tests use small ones).
void ResetErrorLog(std::size_t limit = kErrorLogLimit);

}  // namespace plat
