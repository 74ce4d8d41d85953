#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/SystemRandom.h"

using namespace ovk;

namespace {

// Draws stay below n and reach its whole range: small ranges show every
// value, a range past 2^31 (where half the raw draws are drawn again) its
// upper half. A miss by chance is below 2^-190 for every row.
TEST(SystemRandom, BelowCoversTheRangeAndNoMore) {
  struct Case {
    std::uint32_t n;
    int draws;
    bool everyValue;
  };
  for (const Case& c : {Case{0, 20, true}, Case{1, 20, true}, Case{2, 200, true}, Case{126, 126 * 40, true},
                        Case{0x80000001u, 200, false}}) {
    std::set<std::uint32_t> seen;
    for (int i = 0; i < c.draws; ++i) {
      const std::uint32_t value = SystemRandomBelow(c.n);
      ASSERT_LT(value, std::max(c.n, 1u)) << c.n;
      seen.insert(value);
    }
    EXPECT_GE(*seen.rbegin(), c.n / 2) << c.n;
    if (c.everyValue) {
      EXPECT_EQ(seen.size(), std::max(c.n, 1u)) << c.n;
    }
  }
}

}  // namespace
