#include "platform/common/ErrorLog.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/window/Clock.h"

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

struct Log {
    std::mutex mutex;
    // A message written in pieces and not ended yet: at most one byte past
    // the message limit is kept, the rest only counted.
    std::string pending;
    std::size_t pendingLeftOut = 0;
    std::unordered_map<std::string, Seen> seen;
    // Messages with repeats not written yet, in the order they first repeated.
    std::vector<const std::string*> repeating;
    std::size_t written = 0;
    std::size_t limit = kErrorLogLimit;
    bool full = false;
    bool clockStarted = false;
    std::uint32_t lastCountMs = 0;
};

Log& TheLog() {
    static Log log;
    return log;
}

void Emit(const char* text, std::size_t size) {
    std::fwrite(text, 1, size, stderr);
    std::fflush(stderr);
}

// Writes the text unless that would pass the limit; then the one line that
// says so, and nothing ever after.
void Write(Log& log, const std::string& text) {
    if (log.full) return;
    if (log.written + text.size() > log.limit) {
        Emit(kDroppedLine, sizeof kDroppedLine - 1);
        log.full = true;
        return;
    }
    Emit(text.data(), text.size());
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
// for a traceback is the exception itself (in a cut message the line that
// was cut, not the note that says so), shortened to kHeadlineLimit bytes.
std::string Headline(const std::string& message) {
    std::string_view text = message;
    while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    std::string_view line = LastLine(text);
    if (line.starts_with(kCutNoteStart) && line.size() < text.size())
        line = LastLine(text.substr(0, text.size() - line.size() - 1));
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

// The message as it is written: cut to the message limit on a character's
// first byte, ending with a newline, and with a line that says how many bytes
// were left out when any were.
std::string Bounded(std::string_view message, std::size_t leftOut) {
    if (message.size() > kErrorMessageLimit) {
        const std::size_t keep = CharacterStart(message, kErrorMessageLimit);
        leftOut += message.size() - keep;
        message = message.substr(0, keep);
    }
    std::string text(message);
    if (text.empty() || text.back() != '\n') text.push_back('\n');
    if (leftOut > 0) text.append(kCutNoteStart).append(std::to_string(leftOut) + " more bytes were left out.]\n");
    return text;
}

void Record(Log& log, std::string text, Repeats repeats) {
    if (log.full) return;
    WriteCountsWhenDue(log);
    if (repeats == Repeats::Written) {
        Write(log, text);
        return;
    }
    auto [at, first] = log.seen.try_emplace(std::move(text));
    if (first) {
        Write(log, at->first);
        return;
    }
    if (repeats == Repeats::Counted && at->second.unwritten++ == 0) log.repeating.push_back(&at->first);
}

void EndPending(Log& log) {
    if (log.pending.empty() && log.pendingLeftOut == 0) return;
    std::string text = Bounded(log.pending, log.pendingLeftOut);
    log.pending.clear();
    log.pendingLeftOut = 0;
    Record(log, std::move(text), Repeats::Counted);
}

void LogMessage(std::string_view message, Repeats repeats) {
    Log& log = TheLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    EndPending(log);
    Record(log, Bounded(message, 0), repeats);
}

}  // namespace

void LogError(std::string_view message) { LogMessage(message, Repeats::Counted); }

void LogErrorOnce(std::string_view message) { LogMessage(message, Repeats::Unwritten); }

void LogNote(std::string_view message) { LogMessage(message, Repeats::Written); }

void AppendToErrorMessage(std::string_view piece) {
    Log& log = TheLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    const std::size_t room = kErrorMessageLimit + 1 - std::min(log.pending.size(), kErrorMessageLimit + 1);
    log.pending.append(piece.substr(0, room));
    log.pendingLeftOut += piece.size() - std::min(piece.size(), room);
}

void EndErrorMessage() {
    Log& log = TheLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    EndPending(log);
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
    EndPending(log);
    WriteCounts(log);
}

void ResetErrorLog(std::size_t limit) {
    Log& log = TheLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    log.pending.clear();
    log.pendingLeftOut = 0;
    log.seen.clear();
    log.repeating.clear();
    log.written = 0;
    log.limit = limit;
    log.full = false;
    log.clockStarted = false;
}

}  // namespace plat
