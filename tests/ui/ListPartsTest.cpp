#include <gtest/gtest.h>

#include <QLocale>

#include "ui/ExtListView.h"
#include "ui/ListingLine.h"
#include "ui/UiHelpers.h"

namespace {

TEST(ListingLine, NumericFieldsComeFromTheRightEnd) {
  struct Case {
    std::string line;
    bool ok;
    std::string name;
    std::uint32_t packed, time, original;
    bool encrypted;
  } cases[] = {
      {"docs\\2019\\a.txt;1234;1351637248;5000;0;0", true, "docs\\2019\\a.txt", 1234, 1351637248, 5000, false},
      {"a;b;c.txt;10;20;30;1;1", true, "a;b;c.txt", 10, 20, 30, true},
      {"late.txt;5;-1;-2147483648;0;1", true, "late.txt", 5, 0xFFFFFFFFu, 0x80000000u, true},
      {"big.bin;4294967295;0;1;0;0", true, "big.bin", 0xFFFFFFFFu, 0, 1, false},
      {"x.txt;1;2;3;0;2", true, "x.txt", 1, 2, 3, false},
      {"x.txt;1;2;3;0", false, "", 0, 0, 0, false},
      {";1;2;3;0;0", false, "", 0, 0, 0, false},
      {"x.txt;1;2;abc;0;0", false, "", 0, 0, 0, false},
      {"x.txt;1;2;4294967296;0;0", false, "", 0, 0, 0, false},
      {"x.txt;;2;3;0;0", false, "", 0, 0, 0, false},
  };
  for (const Case& c : cases) {
    ovk::ListingEntry e;
    ASSERT_EQ(ovk::ParseListingLine(c.line, e), c.ok) << c.line;
    if (!c.ok) continue;
    EXPECT_EQ(e.storedName, c.name);
    EXPECT_EQ(e.packedSize, c.packed) << c.line;
    EXPECT_EQ(e.time, c.time) << c.line;
    EXPECT_EQ(e.originalSize, c.original) << c.line;
    EXPECT_EQ(e.encrypted, c.encrypted) << c.line;
  }
}

TEST(ListingLine, KiloBytesRoundHalvesToEven) {
  const std::pair<long double, long double> cases[] = {
      {1600, 2}, {1536, 2}, {2560, 2}, {512, 0}, {0, 0}, {1535, 1}, {3584, 4}, {511, 0}, {513, 1},
      {4294967295.0L * 3, 12582912},
  };
  for (auto [bytes, kb] : cases) EXPECT_EQ(ovk::RoundedKiloBytes(bytes), kb) << static_cast<double>(bytes);
}

TEST(CellComparer, DatesThenNumbersThenText) {
  ovk::CellComparer us(QLocale(QLocale::English, QLocale::UnitedStates));
  struct Case {
    const char *a, *b;
    int sign;
  } cases[] = {
      {"9", "10", -1},               // numbers, not text
      {"1,234,567", "999,999", 1},   // group separators ignored
      {"2.5", "10", -1},
      {"12 kB", "9 kB", 1},          // from the first blank on ignored
      {"abc", "10", 1},              // one side no number: text
      {"", "1", -1},
      {"B", "a", 1},                 // locale order
      {"*b.txt", "a.txt", -1},       // the mark counts
      {"docs\\", "", 1},
      {"1/2/20", "12/31/19", 1},     // the locale's dates by time
      {"1:05 PM", "9:30 AM", 1},
      {"2019-05-04 12:30", "2019-05-04 09:45", 1},
      {"same", "same", 0},
  };
  for (const Case& c : cases) {
    int r = us.Compare(QString::fromUtf8(c.a), QString::fromUtf8(c.b));
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
  }
  ovk::CellComparer german(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_LT(german.Compare("999", "1.234"), 0) << "the group separator is the locale's";
  EXPECT_LT(german.Compare("2,5", "10"), 0) << "the decimal separator is the locale's";
  EXPECT_GT(german.Compare("02.01.20", "31.12.19"), 0);
}

TEST(UiHelpers, WindowsFiltersBecomeQtNameFilters) {
  QStringList filters = ovk::QtNameFilters(
      "ZIP files (*.zip)|*.zip|OVK files (*.ovk)|*.ovk|RQF files (*.rqf)|*.rqf|All files (*.*)|*.*");
  EXPECT_EQ(filters, (QStringList{"ZIP files (*.zip)", "OVK files (*.ovk)", "RQF files (*.rqf)",
                                  "All files (*)"}));
  EXPECT_EQ(ovk::QtNameFilters("Pictures|*.jpg;*.png"), QStringList{"Pictures (*.jpg *.png)"});
}

TEST(UiHelpers, TextConversionKeepsEveryUtf16String) {
  const std::string names[] = {"plain.txt", "\xC3\xA4\xC3\xB6.txt", "\xF0\x9F\x98\x80.txt"};
  for (const std::string& name : names) EXPECT_EQ(ovk::ToUtf8(ovk::FromUtf8(name)), name);
  EXPECT_EQ(ovk::FromUtf8("\xF0\x9F\x98\x80").size(), 2) << "a surrogate pair";
  EXPECT_EQ(ovk::WithTrailingSlash("/a/b"), "/a/b/");
  EXPECT_EQ(ovk::WithTrailingSlash("/a/b/"), "/a/b/");
  EXPECT_EQ(ovk::WithTrailingSlash(""), "");
}

}  // namespace
