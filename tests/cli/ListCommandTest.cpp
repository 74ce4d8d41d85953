// `ovk list`: the raw lines exactly as the engine gives them, and the table.
#include <gtest/gtest.h>

#include <regex>

#include "cli/OvkRun.h"
#include "common/TestUtil.h"
#include "engine/ArchiveBytes.h"

namespace ovktest {
namespace {

constexpr std::uint32_t kTime2019 = 0x4EA46AC5;     // 2019-05-04 13:22:10
constexpr std::uint32_t kTime2050 = 0x8C221880;     // 2050-01-02 03:04:00, top bit set
constexpr std::uint32_t kTimeBadMonth = 0x51A10000;  // month 13
constexpr std::uint32_t kHuge = 3000000000u;         // above 2^31

class ListCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZipEntryFields semicolon = ZipEntry("docs/a;b.txt", "semicolons in names are kept");
    semicolon.dosTime = kTime2019;
    ZipEntryFields folder = ZipEntry("docs/", "", true);
    ZipEntryFields huge = ZipEntry("huge.bin", "pretend");
    huge.uncompressedSize = kHuge;
    huge.dosTime = kTime2050;
    ZipEntryFields secret = ZipEntry("secret.txt", "enciphered, as far as the listing knows");
    secret.flags |= 1;
    secret.dosTime = 0;
    ZipEntryFields stored = ZipEntry("stored.txt", "plain", true);
    stored.dosTime = kTimeBadMonth;
    ZipEntryFields huge2 = ZipEntry("huge2.bin", "again");
    huge2.uncompressedSize = kHuge;
    entries_ = {semicolon, folder, huge, secret, stored, huge2};
    WriteFile(archive_, BuildZip(entries_));
  }

  std::string Packed(std::size_t i) const { return std::to_string(entries_[i].compressedSize); }

  TempDir dir_;
  std::string archive_ = dir_ / "t.zip";
  std::vector<ZipEntryFields> entries_;
};

TEST_F(ListCommandTest, RawPrintsTheEngineLinesExactly) {
  const OvkResult r = RunOvk({"list", "--raw", archive_});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // Signed 32-bit numbers, ";" in a name encoded, no line for the folder entry.
  const std::string expected =
      "docs\\a%3Bb.txt;" + Packed(0) + ";1319398085;28;0;0\n"
      "huge.bin;" + Packed(2) + ";-1943922560;-1294967296;0;0\n"
      "secret.txt;" + Packed(3) + ";0;39;0;1\n"
      "stored.txt;5;1369505792;5;1;0\n"
      "huge2.bin;" + Packed(5) + ";1244355693;-1294967296;0;0\n";
  EXPECT_EQ(r.out, expected);
}

// The document parses as JSON and carries every entry, the folder too, with
// sizes past 32 bits whole; quotes and control bytes in names survive.
TEST_F(ListCommandTest, JsonIsOneDocumentOfEveryEntry) {
  ZipEntryFields odd = ZipEntry("say \"hi\"\n\\x.txt", "odd");
  odd.flags = 0;  // the backslash is then a folder separator
  WriteFile(dir_ / "odd.zip", BuildZip({odd}));
  const std::string script =
      "import json,sys\n"
      "for path in sys.argv[1:]:\n"
      "  d = json.load(open(path))\n"
      "  print(d['format'])\n"
      "  for e in d['entries']:\n"
      "    print(repr(e['name']), e['type'], e['size'], e.get('packedSize'), e['method'], e['encrypted'],\n"
      "          type(e['modified']).__name__)\n";
  WriteFile(dir_ / "show.py", script);
  for (const char* name : {"t", "odd"}) {
    const OvkResult r = RunOvk({"list", "--json", dir_ / (std::string(name) + ".zip")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    WriteFile(dir_ / (std::string(name) + ".json"), r.out);
  }
  const CommandResult shown = ovktest::Run("python3 " + Quote(dir_ / "show.py") + " " + Quote(dir_ / "t.json") + " " +
                                  Quote(dir_ / "odd.json"));
  ASSERT_EQ(shown.exitCode, 0) << shown.output;
  EXPECT_EQ(shown.output,
            "ZIP\n"
            "'docs/a;b.txt' file 28 " + Packed(0) + " Deflate False str\n"
            "'docs/' folder 0 0 Stored False str\n"
            "'huge.bin' file 3000000000 " + Packed(2) + " Deflate False str\n"
            "'secret.txt' file 39 " + Packed(3) + " Deflate True NoneType\n"
            "'stored.txt' file 5 5 Stored False NoneType\n"
            "'huge2.bin' file 3000000000 " + Packed(5) + " Deflate False str\n"
            "ZIP\n"
            "'say \"hi\"\\n/x.txt' file 3 " + std::to_string(odd.compressedSize) + " Deflate False str\n");
}

TEST_F(ListCommandTest, TableShowsUnsignedSizesTimesMarksAndTotals) {
  const OvkResult r = RunOvk({"list", archive_});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string out = r.out;
  struct Row {
    std::string original, packed, time, mark, name;
  };
  const std::vector<Row> rows = {
      {"28", Packed(0), "2019-05-04 13:22", " ", "docs/a;b\\.txt"},  // "/" between folders, as Linux writes paths
      {"3000000000", Packed(2), "2050-01-02 03:04", " ", "huge\\.bin"},
      {"39", Packed(3), "", "\\*", "secret\\.txt"},  // time 0: no text
      {"5", "5", "", " ", "stored\\.txt"},            // invalid date: no text
  };
  for (const Row& row : rows) {
    const std::regex line("(^|\\n) *" + row.original + " +" + row.packed + " +" + row.time + " +" +
                          row.mark + " " + row.name + "\\n");
    EXPECT_TRUE(std::regex_search(out, line)) << row.name << " in\n" << out;
  }
  // The sums go past 32 bits without wrapping.
  std::uint64_t packedSum = 0;
  for (const ZipEntryFields& e : entries_) packedSum += e.compressedSize;
  const std::uint64_t originalSum = 28 + 39 + 5 + 2ull * kHuge;
  const std::regex total("\\n *" + std::to_string(originalSum) + " +" + std::to_string(packedSum) +
                         " +5 files\\n");
  EXPECT_TRUE(std::regex_search(out, total)) << out;
  EXPECT_NE(out.find("* enciphered"), std::string::npos) << out;
  EXPECT_EQ(out.find("docs\\\n"), std::string::npos) << "folder entry listed";
}

TEST(ListCommandEmptyTest, EmptyArchiveHasZeroTotalsAndNoLegend) {
  TempDir dir;
  WriteFile(dir / "e.zip", BuildZip({}));
  const OvkResult raw = RunOvk({"list", "--raw", dir / "e.zip"});
  EXPECT_EQ(raw.exitCode, 0);
  EXPECT_EQ(raw.out, "");
  const OvkResult table = RunOvk({"list", dir / "e.zip"});
  EXPECT_EQ(table.exitCode, 0);
  EXPECT_TRUE(std::regex_search(table.out, std::regex("\\n +0 +0 +0 files\\n"))) << table.out;
  EXPECT_EQ(table.out.find("enciphered"), std::string::npos);
}

struct OpenFailure {
  std::string label;
  std::string path;  // relative to the test folder
  std::string reason;
};

class ListOpenFailureTest : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(ListOpenFailureTest, ExitsWith3AndSaysWhy) {
  TempDir dir;
  MakeDirs(dir / "folder");
  for (const char* option : {"--raw", "--"}) {
    const OvkResult r = RunOvk({"list", option, dir / GetParam().path});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ovk: cannot open archive " + (dir / GetParam().path) + ": " + GetParam().reason + "\n");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ListOpenFailureTest,
                         ::testing::Values(OpenFailure{"Missing", "nothing.zip", "no such file or directory"},
                                           OpenFailure{"Folder", "folder", "it is a folder"}),
                         [](const auto& info) { return info.param.label; });

}  // namespace
}  // namespace ovktest

namespace ovktest {
namespace {

// The archive the run script lists must stay readable and intact.
TEST(SampleArchiveTest, ListsAndExtractsCleanly) {
  const std::string sample = std::string(OVK_SOURCE_DIR) + "/examples/sample.zip";
  const OvkResult list = RunOvk({"list", sample});
  ASSERT_EQ(list.exitCode, 0) << list.err;
  EXPECT_NE(list.out.find("docs/numbers.txt"), std::string::npos) << list.out;
  TempDir dir;
  const OvkResult extract = RunOvk({"extract", "-d", dir.Path(), sample});
  ASSERT_EQ(extract.exitCode, 0) << extract.err;
  EXPECT_TRUE(Exists(dir / "readme.txt"));
  EXPECT_TRUE(Exists(dir / "docs/hello.txt"));
}

}  // namespace
}  // namespace ovktest
