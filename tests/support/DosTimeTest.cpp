#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "support/DosTime.h"

using namespace ovk;

namespace {

// Local-time tests need a known zone; UTC keeps expectations exact.
class DosTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    saved_ = tz ? tz : "";
    hadTz_ = tz != nullptr;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (hadTz_) {
      setenv("TZ", saved_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string saved_;
  bool hadTz_ = false;
};

TEST_F(DosTimeTest, PacksFieldsInTheDocumentedBits) {
  // 2021-03-04 05:06:08 -> date (41<<9)|(3<<5)|4, time (5<<11)|(6<<5)|4.
  const std::uint32_t expected = ((41u << 9 | 3u << 5 | 4u) << 16) | (5u << 11 | 6u << 5 | 4u);
  EXPECT_EQ(EncodeDosTime({2021, 3, 4, 5, 6, 8}), expected);
  DosFields f{};
  ASSERT_TRUE(DecodeDosTime(expected, f));
  EXPECT_EQ(f.year, 2021);
  EXPECT_EQ(f.month, 3);
  EXPECT_EQ(f.day, 4);
  EXPECT_EQ(f.hour, 5);
  EXPECT_EQ(f.minute, 6);
  EXPECT_EQ(f.second, 8);
}

TEST_F(DosTimeTest, RoundTripThroughLocalTime) {
  // 2021-03-04 05:06:08 UTC.
  const std::time_t t = 1614834368;
  const std::uint32_t dos = UnixToDosTime(t);
  EXPECT_EQ(dos, EncodeDosTime({2021, 3, 4, 5, 6, 8}));
  EXPECT_EQ(DosToUnixTime(dos), t);
  // Odd seconds are rounded down to the two-second grid.
  EXPECT_EQ(DosToUnixTime(UnixToDosTime(t + 1)), t);
  // The first and last moments the form holds.
  EXPECT_EQ(UnixToDosTime(315532800), EncodeDosTime({1980, 1, 1, 0, 0, 0}));
  EXPECT_EQ(DosToUnixTime(EncodeDosTime({2107, 12, 31, 23, 59, 58})), 4354819198);
}

TEST_F(DosTimeTest, TimesOutsideTheRangeGiveZero) {
  EXPECT_EQ(UnixToDosTime(315532799), 0u);  // 1979-12-31 23:59:59
  EXPECT_EQ(UnixToDosTime(0), 0u);
  EXPECT_EQ(UnixToDosTime(4354819200), 0u);  // 2108-01-01
}

TEST_F(DosTimeTest, InvalidFieldsAreRejected) {
  struct Case {
    DosFields f;
    bool valid;
  };
  for (const Case& c : {Case{{2020, 2, 29, 0, 0, 0}, true}, Case{{2021, 2, 29, 0, 0, 0}, false},
                        Case{{2000, 2, 29, 0, 0, 0}, true}, Case{{2100, 2, 29, 0, 0, 0}, false},
                        Case{{2021, 0, 1, 0, 0, 0}, false}, Case{{2021, 13, 1, 0, 0, 0}, false},
                        Case{{2021, 4, 31, 0, 0, 0}, false}, Case{{2021, 4, 0, 0, 0, 0}, false},
                        Case{{2021, 4, 1, 24, 0, 0}, false}, Case{{2021, 4, 1, 23, 60, 0}, false},
                        Case{{2021, 4, 1, 23, 59, 60}, false}, Case{{2021, 4, 1, 23, 59, 58}, true}}) {
    DosFields out{};
    const std::uint32_t dos = EncodeDosTime(c.f);
    EXPECT_EQ(DecodeDosTime(dos, out), c.valid) << c.f.year << "-" << c.f.month << "-" << c.f.day << " "
                                                 << c.f.hour << ":" << c.f.minute << ":" << c.f.second;
    EXPECT_EQ(DosToUnixTime(dos) != -1, c.valid);
  }
  EXPECT_EQ(DosToUnixTime(0), -1);  // day 0, month 0
}

TEST_F(DosTimeTest, NowIsAValidDate) {
  DosFields f{};
  EXPECT_TRUE(DecodeDosTime(DosTimeNow(), f));
  EXPECT_GE(f.year, 2024);
}

}  // namespace
