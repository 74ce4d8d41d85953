// The process-wide pseudo-random generator: seed := seed * 134775813 + 1,
// then the upper 32 bits of seed * n.
#pragma once

#include <cstdint>

namespace ovk {

void SetRandomSeed(std::uint32_t seed);
std::uint32_t RandomSeed();
// Seeds from the monotonic clock (nanoseconds), falling back to milliseconds.
void RandomizeFromClock();
// The next value below n (0 when n is 0).
std::uint32_t RandomBelow(std::uint32_t n);

}  // namespace ovk
