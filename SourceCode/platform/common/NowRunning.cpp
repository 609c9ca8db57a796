#include "platform/common/NowRunning.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace plat {

namespace {
// Deeper marks are counted but not kept: the outer ones say enough.
constexpr int kMostMarks = 4;
constexpr std::size_t kMarkLength = 160;

// Each mark is written before the depth that shows it; a reader racing a
// later mark in the same slot may read it half written, never past its end
// (the last byte of a slot is never written).
char marks[kMostMarks][kMarkLength + 1];
std::atomic<int> depth{0};

bool OnMainThread() {
    static thread_local const bool main = ::gettid() == ::getpid();
    return main;
}

std::size_t Append(char* out, std::size_t at, std::size_t size, std::string_view text) {
    const std::size_t count = std::min(text.size(), size - 1 - at);
    // An empty view may have no data at all, which memcpy must not be given.
    if (count > 0) std::memcpy(out + at, text.data(), count);
    return at + count;
}
}  // namespace

NowRunning::NowRunning(std::string_view what, std::string_view name) {
    if (!OnMainThread()) return;
    marked = true;
    const int at = depth.load(std::memory_order_relaxed);
    if (at < kMostMarks) {
        char* mark = marks[at];
        const std::size_t end = Append(mark, Append(mark, 0, kMarkLength + 1, what), kMarkLength + 1, name);
        mark[end] = '\0';
    }
    depth.store(at + 1, std::memory_order_release);
}

NowRunning::~NowRunning() {
    if (marked) depth.fetch_sub(1, std::memory_order_release);
}

std::size_t DescribeNowRunning(char* out, std::size_t size) {
    const int count = std::min(depth.load(std::memory_order_acquire), kMostMarks);
    std::size_t at = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0) at = Append(out, at, size, ", ");
        at = Append(out, at, size, std::string_view(marks[i], ::strnlen(marks[i], kMarkLength)));
    }
    out[at] = '\0';
    return at;
}

}  // namespace plat
