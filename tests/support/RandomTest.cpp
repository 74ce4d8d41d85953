#include <gtest/gtest.h>

#include "support/Random.h"

using namespace ovk;

namespace {

TEST(Random, FirstDrawsFollowTheFormula) {
  // Worked from seed 12345: seed := seed * 134775813 + 1 (mod 2^32), draw = (seed * n) >> 32.
  //   12345 * 134775813 + 1 = 1663807411486 -> mod 2^32 = 1655067934; 1655067934 * 1000 >> 32 = 385
  SetRandomSeed(12345);
  struct Draw {
    std::uint32_t n, value, seed;
  };
  for (const Draw& d : {Draw{1000, 385, 1655067934u}, Draw{256, 74, 1242767767u},
                        Draw{0xFFFFFFFFu, 342459379u, 342459380u}, Draw{0, 0, 2377737157u},
                        Draw{7, 4, 2721613530u}}) {
    EXPECT_EQ(RandomBelow(d.n), d.value);
    EXPECT_EQ(RandomSeed(), d.seed);
  }
}

TEST(Random, ClockSeedChangesTheSequence) {
  RandomizeFromClock();
  const std::uint32_t first = RandomSeed();
  RandomizeFromClock();
  EXPECT_NE(RandomSeed(), first);  // nanosecond clock: two reads never coincide
}

}  // namespace
