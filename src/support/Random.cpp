#include "support/Random.h"

#include <time.h>

namespace ovk {

namespace {
std::uint32_t g_seed = 0;
}

void SetRandomSeed(std::uint32_t seed) { g_seed = seed; }

std::uint32_t RandomSeed() { return g_seed; }

void RandomizeFromClock() {
  timespec ts{};
  if (clock_gettime(CLOCK_MONOTONIC, &ts) == 0) {
    const std::uint64_t ns = static_cast<std::uint64_t>(ts.tv_sec) * 1000000000u + ts.tv_nsec;
    g_seed = static_cast<std::uint32_t>(ns);
  } else {
    g_seed = static_cast<std::uint32_t>(time(nullptr) * 1000u);
  }
}

std::uint32_t RandomBelow(std::uint32_t n) {
  g_seed = g_seed * 134775813u + 1u;
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(g_seed) * n) >> 32);
}

}  // namespace ovk
