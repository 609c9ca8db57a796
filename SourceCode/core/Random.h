#pragma once
#include <cstdint>

// The engine's one random generator. Everything that picks at random (AI
// wander points, surface variants, glyph wobble, rebound sounds) draws from
// it, so that a test can seed it and see the same choices again. The game
// seeds it from the wall clock at start-up, so two runs differ.
namespace Random {
// The largest value Next() returns (the classic rand() range of 15 bits,
// which the tuned ranges of the game were written against).
inline constexpr int kMax = 0x7FFF;

// The next value, 0..kMax.
int Next();

// Restarts the sequence: the same seed gives the same values.
void Seed(std::uint32_t seed);

// Seeds from the wall clock (seconds and microseconds), for the game's start.
void SeedFromWallClock();
}  // namespace Random
