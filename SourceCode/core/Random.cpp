#include "core/Random.h"

#include <chrono>
#include <random>

namespace {
// A fixed, portable engine: the same seed gives the same values on every
// standard library, which std::rand does not promise.
std::minstd_rand& Generator() {
    static std::minstd_rand generator{1};
    return generator;
}
}  // namespace

namespace Random {
int Next() { return static_cast<int>((Generator()() >> 8) & kMax); }

void Seed(std::uint32_t seed) { Generator().seed(seed == 0 ? 1u : seed); }

void SeedFromWallClock() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    Seed(static_cast<std::uint32_t>(micros ^ (micros >> 32)));
}
}  // namespace Random
