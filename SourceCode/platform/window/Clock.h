#pragma once
#include <cstdint>
#include <functional>

namespace plat {
// Milliseconds on a monotonic clock (wraps like a 32-bit tick count).
std::uint32_t timeGetTime();
// Replaces the clock, for tests; an empty function restores the real one.
void SetClockSource(std::function<std::uint32_t()> source);
}  // namespace plat
