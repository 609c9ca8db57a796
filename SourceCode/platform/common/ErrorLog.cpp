#include "platform/common/ErrorLog.h"

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

struct Log {
    std::mutex mutex;
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

// The line that stands for a message in its count: its last line, which
// for a traceback is the exception itself.
std::string_view Headline(const std::string& message) {
    std::string_view text = message;
    while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    std::size_t newline = text.rfind('\n');
    return newline == std::string_view::npos ? text : text.substr(newline + 1);
}

void WriteCounts(Log& log) {
    for (const std::string* message : log.repeating) {
        Seen& seen = log.seen[*message];
        std::string_view headline = Headline(*message);
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

}  // namespace

void LogError(std::string_view message) {
    std::string text(message);
    if (text.empty() || text.back() != '\n') text.push_back('\n');
    Log& log = TheLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    if (log.full) return;
    WriteCountsWhenDue(log);
    auto [at, first] = log.seen.try_emplace(std::move(text));
    if (first) {
        Write(log, at->first);
        return;
    }
    if (at->second.unwritten++ == 0) log.repeating.push_back(&at->first);
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
    WriteCounts(log);
}

void ResetErrorLog(std::size_t limit) {
    Log& log = TheLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    log.seen.clear();
    log.repeating.clear();
    log.written = 0;
    log.limit = limit;
    log.full = false;
    log.clockStarted = false;
}

}  // namespace plat
