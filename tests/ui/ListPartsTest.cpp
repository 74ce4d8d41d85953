#include <gtest/gtest.h>

#include <QLocale>

#include "ui/ExtListView.h"
#include "ui/UiHelpers.h"

namespace {

TEST(StatusText, KiloBytesRoundHalvesToEven) {
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
