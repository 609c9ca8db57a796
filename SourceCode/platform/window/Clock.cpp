#include "platform/window/Clock.h"

#include <chrono>

namespace plat {
namespace {
std::function<std::uint32_t()>& Source() {
    static std::function<std::uint32_t()> source;
    return source;
}
}  // namespace

std::uint32_t timeGetTime() {
    if (Source()) return Source()();
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    auto ms = duration_cast<milliseconds>(steady_clock::now() - start).count();
    return static_cast<std::uint32_t>(ms);
}

void SetClockSource(std::function<std::uint32_t()> source) { Source() = std::move(source); }
}  // namespace plat
