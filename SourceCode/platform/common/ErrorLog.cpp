#include "platform/common/ErrorLog.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/common/Files.h"
#include "platform/window/Clock.h"
#include "platform/window/CrashLine.h"


namespace plat {
namespace {

constexpr char kDroppedLine[] = "Further errors were dropped: err.txt has reached its limit of 10 MB.\n";

struct Seen {
    std::uint64_t unwritten = 0;  // repeats since the last count written
};

// What becomes of a message that was logged before.
enum class Repeats {
    Counted,    // an error: counted, the count written from time to time
    Unwritten,  // a missing thing: said once, its repeats forgotten
    Written,    // a note: written each time
};

// A message that comes in pieces: at most one byte past the message limit is
// kept, the rest only counted.
struct PendingMessage {
    std::string text;
    std::size_t leftOut = 0;

    bool Empty() const { return text.empty() && leftOut == 0; }
    bool PastTheLimit() const { return text.size() > kErrorMessageLimit; }
    void Append(std::string_view piece) {
        const std::size_t room = kErrorMessageLimit + 1 - std::min(text.size(), kErrorMessageLimit + 1);
        text.append(piece.substr(0, room));
        leftOut += piece.size() - std::min(piece.size(), room);
    }
    void Clear() {
        text.clear();
        leftOut = 0;
    }
};

struct Log {
    std::mutex mutex;
    // What a script writes to its sys.stderr, until the script ends it.
    PendingMessage pending;
    // What came through descriptor 2 and has not ended yet.
    PendingMessage stream;
    std::unordered_map<std::string, Seen> seen;
    // Messages with repeats not written yet, in the order they first repeated.
    std::vector<const std::string*> repeating;
    std::size_t written = 0;
    std::size_t limit = kErrorLogLimit;
    std::atomic<bool> full{false};
    bool clockStarted = false;
    std::uint32_t lastCountMs = 0;
    // Where the log writes: descriptor 2 until a file is opened.
    std::atomic<int> out{STDERR_FILENO};
    // Descriptor 2 as it was (the terminal) while a file is open, else -1.
    int terminal = -1;
    int file = -1;
    // The file as it was opened, and its path from the root: a descriptor
    // that a script closed (or that now names a file of its own) is
    // replaced by the file opened again by its path.
    dev_t fileDevice = 0;
    ino_t fileInode = 0;
    char filePath[PATH_MAX] = {};
    // The read end of descriptor 2's pipe, and what wakes its reader to stop.
    int streamRead = -1;
    int stopReader[2] = {-1, -1};
    std::thread reader;
};

Log& TheLog() {
    static Log log;
    return log;
}

// Writes all of it unless the descriptor fails; the bytes written.
std::size_t WriteAll(int fd, const char* data, std::size_t size) noexcept {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += std::size_t(n);
    }
    return done;
}

std::size_t WriteAll(int fd, std::string_view text) noexcept { return WriteAll(fd, text.data(), text.size()); }

// The note on the terminal when the log's file cannot be written; `earlier`
// adds that the file of that name, left by an earlier run, stays as it was.
void TellTheTerminal(int terminal, const char* path, int reason, bool earlier) {
    char line[512];
    std::snprintf(line, sizeof line, "Tollymop: %s cannot be written here (%s): errors go to this terminal instead.%s\n",
                  path, std::strerror(reason), earlier ? " The err.txt in this folder is from an earlier run." : "");
    WriteAll(terminal, line);
}

constexpr char kLogFileName[] = "err.txt";

void KeepFileIdentity(Log& log) noexcept {
    struct stat about {};
    if (::fstat(log.file, &about) != 0) return;
    log.fileDevice = about.st_dev;
    log.fileInode = about.st_ino;
}

// Where the log writes, and the size of its file before the write (-1 when
// it writes no file or cannot tell). The file's descriptor is looked at
// first: one that is gone, or names another file now, is replaced by the
// file opened again by its path (-1 when it cannot be). Async-signal-safe.
int CheckedOut(Log& log, off_t& sizeBefore) noexcept {
    sizeBefore = -1;
    const int out = log.out;
    if (log.file < 0 || out != log.file) return out;
    struct stat about {};
    if (::fstat(out, &about) == 0 && about.st_dev == log.fileDevice && about.st_ino == log.fileInode) {
        sizeBefore = about.st_size;
        return out;
    }
    const int reopened = ::open(log.filePath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (reopened < 0) return -1;
    log.file = reopened;
    log.out = reopened;
    KeepFileIdentity(log);
    if (::fstat(reopened, &about) == 0) sizeBefore = about.st_size;
    return reopened;
}

// Writes to where the log writes; when that fails (a full disk, the file
// size limit), the part of the message that was written is taken back, so
// that err.txt ends with a whole message, and the terminal is told once and
// takes the message and all that follows.
void Emit(Log& log, std::string_view text) {
    off_t sizeBefore = -1;
    const int out = CheckedOut(log, sizeBefore);
    errno = 0;
    const std::size_t done = out >= 0 ? WriteAll(out, text) : 0;
    if (done == text.size()) return;
    const int reason = errno != 0 ? errno : EIO;
    if (log.terminal < 0 || out == log.terminal) return;
    if (done > 0 && sizeBefore >= 0 && ::ftruncate(out, sizeBefore) != 0) text.remove_prefix(done);
    TellTheTerminal(log.terminal, kLogFileName, reason, false);
    log.out = log.terminal;
    WriteAll(log.terminal, text);
}

// Writes the text unless that would pass the limit; then the one line that
// says so, and nothing ever after.
void Write(Log& log, std::string_view text) {
    if (log.full) return;
    if (log.written + text.size() > log.limit) {
        Emit(log, kDroppedLine);
        log.full = true;
        return;
    }
    Emit(log, text);
    log.written += text.size();
}

constexpr std::string_view kCutNoteStart = "[The message above was cut: ";
// How much of its line a count shows: enough to tell messages apart.
constexpr std::size_t kHeadlineLimit = 160;

// Where a cut of text at `at` bytes keeps whole characters (UTF-8): the
// first byte of the character at that place.
std::size_t CharacterStart(std::string_view text, std::size_t at) {
    while (at > 0 && at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    return at;
}

std::string_view LastLine(std::string_view text) {
    const std::size_t newline = text.rfind('\n');
    return newline == std::string_view::npos ? text : text.substr(newline + 1);
}

// The line that stands for a message in its count: its last line, which
// for a traceback is the exception itself, shortened to kHeadlineLimit bytes.
std::string Headline(const std::string& message) {
    std::string_view text = message;
    while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    const std::string_view line = LastLine(text);
    if (line.size() <= kHeadlineLimit) return std::string(line);
    return std::string(line.substr(0, CharacterStart(line, kHeadlineLimit))) + "...";
}

void WriteCounts(Log& log) {
    for (const std::string* message : log.repeating) {
        Seen& seen = log.seen[*message];
        const std::string headline = Headline(*message);
        std::string line = "Repeated " + std::to_string(seen.unwritten) + " more time" +
                           (seen.unwritten == 1 ? "" : "s") + ": ";
        line.append(headline).push_back('\n');
        seen.unwritten = 0;
        Write(log, line);
    }
    log.repeating.clear();
}

void WriteCountsWhenDue(Log& log) {
    const std::uint32_t now = timeGetTime();
    if (!log.clockStarted) {
        log.clockStarted = true;
        log.lastCountMs = now;
        return;
    }
    if (now - log.lastCountMs < kErrorRepeatIntervalMs) return;
    log.lastCountMs = now;
    WriteCounts(log);
}

// A message as it is written: its text, cut to the message limit on a
// character's first byte and ending with a newline, and, when bytes were left
// out, the line that says how many. The text alone tells repeats apart, so
// that messages that differ only past the cut are one message.
struct BoundedMessage {
    std::string text;
    std::string cutNote;
};

BoundedMessage Bounded(std::string_view message, std::size_t leftOut) {
    if (message.size() > kErrorMessageLimit) {
        const std::size_t keep = CharacterStart(message, kErrorMessageLimit);
        leftOut += message.size() - keep;
        message = message.substr(0, keep);
    }
    BoundedMessage bounded{std::string(message), {}};
    if (bounded.text.empty() || bounded.text.back() != '\n') bounded.text.push_back('\n');
    if (leftOut > 0)
        bounded.cutNote = std::string(kCutNoteStart) + std::to_string(leftOut) + " more bytes were left out.]\n";
    return bounded;
}

void Record(Log& log, BoundedMessage message, Repeats repeats) {
    if (log.full) return;
    WriteCountsWhenDue(log);
    if (repeats == Repeats::Written) {
        Write(log, message.text + message.cutNote);
        return;
    }
    auto [at, first] = log.seen.try_emplace(std::move(message.text));
    if (first) {
        Write(log, at->first + message.cutNote);
        return;
    }
    if (repeats == Repeats::Counted && at->second.unwritten++ == 0) log.repeating.push_back(&at->first);
}

void End(Log& log, PendingMessage& pending) {
    if (pending.Empty()) return;
    BoundedMessage message = Bounded(pending.text, pending.leftOut);
    pending.Clear();
    Record(log, std::move(message), Repeats::Counted);
}

// Takes bytes that came through descriptor 2. A message from there ends at a
// line end once it has reached the cut (so a huge line written again and
// again is one message, counted), when its writer pauses (the reader's
// doing), when the engine logs a message or a script call ends, and at the
// end of the run.
void TakeFromStream(Log& log, std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t newline = bytes.find('\n');
        const std::size_t size = newline == std::string_view::npos ? bytes.size() : newline + 1;
        log.stream.Append(bytes.substr(0, size));
        bytes.remove_prefix(size);
        if (newline != std::string_view::npos && log.stream.PastTheLimit()) End(log, log.stream);
    }
}

enum class Pipe { Open, Closed };

// Reads what descriptor 2's pipe holds now, at most its usual capacity, so
// that a writer that never stops cannot keep the log's lock.
Pipe ReadStream(Log& log) {
    if (log.streamRead < 0) return Pipe::Closed;
    char buffer[16384];
    for (std::size_t taken = 0; taken < kErrorMessageLimit;) {
        const ssize_t n = ::read(log.streamRead, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return Pipe::Open;
        if (n <= 0) return Pipe::Closed;
        TakeFromStream(log, std::string_view(buffer, std::size_t(n)));
        taken += std::size_t(n);
    }
    return Pipe::Open;
}

// What the process itself wrote to descriptor 2 before it logs or ends a
// message comes first, so that the log keeps the order of its writes.
void EndStream(Log& log) {
    ReadStream(log);
    End(log, log.stream);
}

thread_local ErrorCapture* currentCapture = nullptr;

void LogMessage(std::string_view message, Repeats repeats) {
    if (currentCapture && repeats != Repeats::Written) currentCapture->Take(message);
    Log& log = TheLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    EndStream(log);
    End(log, log.pending);
    Record(log, Bounded(message, 0), repeats);
}

// How long descriptor 2's writer may pause within one message.
constexpr int kStreamPauseMs = 20;

// The reader of descriptor 2's pipe, until told to stop.
void ReadDescriptorTwo(Log& log) {
    bool open = true;
    for (;;) {
        pollfd waitFor[2] = {{open ? log.streamRead : -1, POLLIN, 0}, {log.stopReader[0], POLLIN, 0}};
        int timeout = -1;
        {
            std::lock_guard<std::mutex> lock(log.mutex);
            if (!log.stream.Empty()) timeout = kStreamPauseMs;
        }
        const int ready = ::poll(waitFor, 2, timeout);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || waitFor[1].revents != 0) return;
        std::lock_guard<std::mutex> lock(log.mutex);
        if (ready == 0)
            End(log, log.stream);
        else if (ReadStream(log) == Pipe::Closed)
            open = false;
    }
}

// Empties the file at `path` and opens it for the log; a file that may not
// be written may still be replaced.
int OpenEmptied(const char* path) {
    constexpr int kFlags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
    int fd = ::open(path, kFlags, 0644);
    if (fd < 0 && errno == EACCES && ::unlink(path) == 0) fd = ::open(path, kFlags, 0644);
    return fd;
}


void CloseIfOpen(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Makes descriptor 2 a pipe that the log reads, on a thread of its own;
// without a pipe, descriptor 2 is where the log writes.
void PipeDescriptorTwo(Log& log) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0 || ::pipe2(log.stopReader, O_CLOEXEC) != 0) {
        ::dup2(log.out, STDERR_FILENO);
        return;
    }
    // dup2 leaves descriptor 2 open across exec: child processes write there.
    ::dup2(ends[1], STDERR_FILENO);
    ::close(ends[1]);
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    log.streamRead = ends[0];
    log.reader = std::thread(ReadDescriptorTwo, std::ref(log));
}

// The path of the log's file from the root, as it is now: a script may
// change the current folder later.
void KeepPath(Log& log, const char* path) {
    log.filePath[0] = '\0';
    if (path[0] != '/' && ::getcwd(log.filePath, sizeof log.filePath - 1)) std::strcat(log.filePath, "/");
    const std::size_t at = std::strlen(log.filePath);
    std::snprintf(log.filePath + at, sizeof log.filePath - at, "%s", path);
}

// A process forked from the game (a script's os.fork) gets the log in a
// state it can use: not locked by a thread that the fork left behind.
void LockForFork() { TheLog().mutex.lock(); }
void UnlockAfterFork() { TheLog().mutex.unlock(); }
// The child writes its errors to descriptor 2, which the game's log reads
// and bounds; it writes nothing to err.txt itself, and never reads the pipe
// that belongs to the game's reader.
void LeaveToTheParent() {
    Log& log = TheLog();
    log.out = STDERR_FILENO;
    log.file = -1;
    log.streamRead = -1;
    log.mutex.unlock();
}

void ResetLocked(Log& log, std::size_t limit) {
    log.pending.Clear();
    log.stream.Clear();
    log.seen.clear();
    log.repeating.clear();
    log.written = 0;
    log.limit = limit;
    log.full = false;
    log.clockStarted = false;
}

}  // namespace

ErrorCapture::ErrorCapture() : outer(currentCapture) { currentCapture = this; }

ErrorCapture::~ErrorCapture() { currentCapture = outer; }

void ErrorCapture::Take(std::string_view message) {
    if (lines.size() >= kMaxLines) return;
    std::string_view line = message.substr(0, message.find('\n'));
    if (line.size() > kMaxLineBytes) line = line.substr(0, CharacterStart(line, kMaxLineBytes));
    lines.emplace_back(line);
}

void LogError(std::string_view message) { LogMessage(message, Repeats::Counted); }

void LogErrorOnce(std::string_view message) { LogMessage(message, Repeats::Unwritten); }

void LogNote(std::string_view message) { LogMessage(message, Repeats::Written); }

void LogErrorOnTerminalToo(std::string_view message) {
    LogError(message);
    Log& log = TheLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    if (log.terminal >= 0 && log.out != log.terminal) WriteAll(log.terminal, message);
}

void AppendToErrorMessage(std::string_view piece) {
    Log& log = TheLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    log.pending.Append(piece);
}

void EndErrorMessage() {
    Log& log = TheLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    EndStream(log);
    End(log, log.pending);
}

void LogErrorF(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int size = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(size > 0 ? std::size_t(size) : 0, '\0');
    if (size > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    LogError(text);
}

void FlushErrorRepeats() {
    Log& log = TheLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    EndStream(log);
    End(log, log.pending);
    WriteCounts(log);
}

void ResetErrorLog(std::size_t limit) {
    Log& log = TheLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    ResetLocked(log, limit);
}

void WriteErrorAtOnce(const char* line) noexcept {
    Log& log = TheLog();
    // The lock's holder may be this very thread, stopped inside the log: wait
    // a little for it, never for ever.
    bool locked = log.mutex.try_lock();
    for (int tries = 0; !locked && tries < 50; ++tries) {
        const timespec pause{0, 2'000'000};
        ::nanosleep(&pause, nullptr);
        locked = log.mutex.try_lock();
    }
    off_t sizeBefore = -1;
    const int out = CheckedOut(log, sizeBefore);
    if (locked && !log.full) {
        // Unbounded by the log, bounded by what a message and a pipe hold.
        WriteAll(out, log.pending.text);
        WriteAll(out, log.stream.text);
        char buffer[4096];
        ssize_t n = 0;
        for (std::size_t taken = 0;
             log.streamRead >= 0 && taken < kErrorMessageLimit && (n = ::read(log.streamRead, buffer, sizeof buffer)) > 0;
             taken += std::size_t(n))
            WriteAll(out, buffer, std::size_t(n));
    }
    const std::size_t size = std::strlen(line);
    if (WriteAll(out, line, size) < size && log.terminal >= 0 && out != log.terminal) WriteAll(log.terminal, line, size);
    // The lock stays taken: the process ends, and nothing may write after.
}

ErrorLogFile::ErrorLogFile(const char* path) {
    Log& log = TheLog();
    std::fflush(stderr);
    // Unbuffered, as the error stream is: a crash loses nothing written.
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    std::lock_guard<std::mutex> lock(log.mutex);
    // Started with descriptor 2 closed, the files opened below would take
    // its number.
    if (::fcntl(STDERR_FILENO, F_GETFD) < 0) ::open("/dev/null", O_WRONLY);
    log.terminal = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    log.file = OpenEmptied(path);
    if (log.file >= 0) {
        log.out = log.file;
        KeepFileIdentity(log);
        KeepPath(log, path);
    } else {
        const int reason = errno;
        if (log.terminal >= 0) TellTheTerminal(log.terminal, path, reason, LookForFile(path) == FileLook::Regular);
        log.out = log.terminal;
    }
    // A new file: every error may be written in full again.
    ResetLocked(log, kErrorLogLimit);
    PipeDescriptorTwo(log);
    static const bool forksKnown = pthread_atfork(LockForFork, UnlockAfterFork, LeaveToTheParent) == 0;
    (void)forksKnown;
    // A process that aborts (a failed assertion, the interpreter's fatal
    // error) has just written why to descriptor 2: a crash's line comes
    // after what the log holds.
    NameCrashes(true);
}

ErrorLogFile::~ErrorLogFile() {
    Log& log = TheLog();
    NameCrashes(false);
    // What comes after the run (the leak checker's report) lands where the
    // log wrote, as it always did.
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        if (log.out >= 0) ::dup2(log.out, STDERR_FILENO);
    }
    if (log.reader.joinable()) {
        WriteAll(log.stopReader[1], "!", 1);
        log.reader.join();
    }
    std::lock_guard<std::mutex> lock(log.mutex);
    // What is left in the pipe; only child processes that outlived the game
    // may still write there.
    EndStream(log);
    End(log, log.pending);
    WriteCounts(log);
    CloseIfOpen(log.streamRead);
    CloseIfOpen(log.stopReader[0]);
    CloseIfOpen(log.stopReader[1]);
    CloseIfOpen(log.file);
    CloseIfOpen(log.terminal);
    log.out = STDERR_FILENO;
}

}  // namespace plat
