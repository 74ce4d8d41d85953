// Listing: the line format, what gets a line, and the results of the call.
#include <gtest/gtest.h>

#include <functional>

#include "ArchiveBytes.h"
#include "common/TestUtil.h"
#include "engine/ListArchive.h"
#include "support/ByteOrder.h"
#include "support/DosTime.h"

namespace ovktest {
namespace {

TEST(ListArchive, AMissingArchiveIsNotOpenedAndLinesFollowTheRecords) {
  TempDir dir;
  EXPECT_FALSE(ListFile(dir / "missing.zip").ok);
  WriteFile(dir / "a.zip", BuildZip({ZipEntry("x\xC3\xA9.txt", "1"), ZipEntry("y", "22", true)}));
  const Listing l = ListFile(dir / "a.zip");
  ASSERT_TRUE(l.ok);
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_EQ(l.lines[0].substr(0, 8), "x\xC3\xA9.txt;");
  EXPECT_EQ(l.lines[1], "y;2;" + std::to_string(0x4A2B5C6D) + ";2;1;0");
}

TEST(ListArchive, FolderEntriesGetNoLineButTheirFilesDo) {
  TempDir dir;
  WriteFile(dir / "f.zip", BuildZip({ZipEntry("docs/", "", true), ZipEntry("docs/2019/", "", true),
                                     ZipEntry("docs/2019/a.txt", "text"), ZipEntry("odd;name:", "n", true)}));
  const Listing l = ListFile(dir / "f.zip");
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_EQ(l.lines[0].substr(0, 16), "docs\\2019\\a.txt;");
  // A trailing ":" is an ordinary character here.
  EXPECT_EQ(l.lines[1], "odd%3Bname:;1;" + std::to_string(0x4A2B5C6D) + ";1;1;0");
}

TEST(ListArchive, NumbersPrintAsSigned32BitDecimals) {
  TempDir dir;
  ovk::EntryHeader h;
  h.time = 0xA0212000;  // 2060: top bit set
  h.originalSize = 0xFFFFFFFE;
  h.flags = 0x80000001;  // stored; the other bits mean nothing
  h.encrypted = 7;
  WriteFile(dir / "n.ovk", NativeHeader(3) + NativeEntry(3, "n", "pp", h));
  const Listing l = ListFile(dir / "n.ovk");
  ASSERT_EQ(l.lines.size(), 1u);
  EXPECT_EQ(l.lines[0], "n;2;-1608441856;-2;-2147483647;1");
}

ZipEntryFields With(ZipEntryFields e, const std::function<void(ZipEntryFields&)>& change) {
  change(e);
  return e;
}

std::string ExtendedTime(std::uint32_t seconds) {
  std::string extra;
  ovk::PutLE16(extra, 0x5455);
  ovk::PutLE16(extra, 5);
  extra += '\x01';
  ovk::PutLE32(extra, seconds);
  return extra;
}

struct RecordCase {
  const char* label;
  ZipEntryFields zip;
  ovk::Entry expected;  // name, type, link target, modified, mode, method, encrypted, undecodable
  char flagsField;      // of the entry's line
};

void PrintTo(const RecordCase& c, std::ostream* os) { *os << c.label; }

const std::int64_t kDosSeconds = ovk::DosToUnixTime(0x4A2B5C6D);
const std::uint32_t kMonth13 = (39u << 25) | (13u << 21) | (4u << 16);

ovk::Entry Expected(std::string name, ovk::EntryType type, std::string target, std::int64_t modified,
                    std::uint32_t mode, std::string method, bool encrypted = false, std::string undecodable = "") {
  ovk::Entry e;
  e.name = std::move(name);
  e.type = type;
  e.linkTarget = std::move(target);
  e.modified = modified;
  e.mode = mode;
  e.method = std::move(method);
  e.encrypted = encrypted;
  e.undecodable = std::move(undecodable);
  return e;
}

class EntryRecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(EntryRecordTest, AZipEntryListsAsItsRecord) {
  const RecordCase& c = GetParam();
  TempDir dir;
  WriteFile(dir / "r.zip", BuildZip({c.zip}));
  const ovk::ListResult result = ovk::ListArchive(ovk::ListRequest{dir / "r.zip"}, ovk::SilentObserver());
  ASSERT_EQ(result.entries.size(), 1u);
  const ovk::Entry& e = result.entries[0];
  const ovk::Entry& x = c.expected;
  EXPECT_EQ(e.name, x.name);
  EXPECT_EQ(e.type, x.type);
  EXPECT_EQ(e.linkTarget, x.linkTarget);
  EXPECT_EQ(e.modified, x.modified);
  EXPECT_EQ(e.dosTime, c.zip.dosTime);
  EXPECT_EQ(e.mode, x.mode);
  EXPECT_EQ(e.method, x.method);
  EXPECT_EQ(e.encrypted, x.encrypted);
  EXPECT_EQ(e.undecodable, x.undecodable);
  const std::string line = ovk::ListingLine(e);
  EXPECT_EQ(line[line.size() - 3], c.flagsField) << line;
}

using ovk::EntryType;

INSTANTIATE_TEST_SUITE_P(
    Cases, EntryRecordTest,
    ::testing::Values(
        RecordCase{"SeparatorsAreSlashesAndTheExtendedTimeWins",
                   With(ZipEntry("docs\\sub/a.txt", "text"), [](auto& e) { e.localExtra = ExtendedTime(1600000000); }),
                   Expected("docs/sub/a.txt", EntryType::kFile, "", 1600000000, 0644, "Deflate"), '0'},
        RecordCase{"StoredWithTheDosTimeOnly", ZipEntry("s", "s", true),
                   Expected("s", EntryType::kFile, "", kDosSeconds, 0644, "Stored"), '1'},
        RecordCase{"NoValidDosTimeIsNoTime", With(ZipEntry("t", "t"), [](auto& e) { e.dosTime = kMonth13; }),
                   Expected("t", EntryType::kFile, "", -1, 0644, "Deflate"), '0'},
        RecordCase{"AUnixLinkLeadsToItsContent",
                   With(ZipEntry("l", "target", true), [](auto& e) { e.externalAttributes = 0120777u << 16; }),
                   Expected("l", EntryType::kSymbolicLink, "target", kDosSeconds, 0777, "Stored"), '1'},
        RecordCase{"ModeOnlyFromUnixHosts", With(ZipEntry("w", "w"), [](auto& e) { e.versionMadeBy = 20; }),
                   Expected("w", EntryType::kFile, "", kDosSeconds, 0, "Deflate"), '0'},
        RecordCase{"AesNamesTheMethodBehindTheCipher", AesEntry("e", "x", "pw", 2, true),
                   Expected("e", EntryType::kFile, "", kDosSeconds, 0644, "AES-256 Stored", true), '0'},
        RecordCase{"ARegisteredMethodByName", With(ZipEntry("p", "p", true), [](auto& e) { e.method = 98; }),
                   Expected("p", EntryType::kFile, "", kDosSeconds, 0644, "PPMd", false,
                            "compression method 98 (PPMd) is not supported"),
                   '0'},
        RecordCase{"AnUnnamedMethodByNumber", With(ZipEntry("u", "u", true), [](auto& e) { e.method = 7; }),
                   Expected("u", EntryType::kFile, "", kDosSeconds, 0644, "method 7", false,
                            "compression method 7 is not supported"),
                   '0'}),
    [](const auto& info) { return std::string(info.param.label); });

// Neither magic nor ZIP signature nor end record, and bytes behind what the
// oldest layout's walk would read: no entry is made up of it.
TEST(ListArchive, ForeignFileIsRefused) {
  TempDir dir;
  WriteFile(dir / "j.bin", NativeEntry(0, "junk", "abc", {}, 3) + std::string(40, '\xFF'));
  const ovk::ListResult result = ovk::ListArchive(ovk::ListRequest{dir / "j.bin"}, ovk::SilentObserver());
  EXPECT_TRUE(result.entries.empty());
  EXPECT_EQ(result.refusal, "not an archive this program can read");
}

// Entries come out as read, in batches, each once; a listing that keeps
// none gives every one away and holds none in its result.
TEST(ListArchive, EntriesAreHandedOutOnceEachKeptOrNot) {
  struct Collector : ovk::OperationObserver {
    void EntriesListed(const std::vector<ovk::Entry>& entries, std::size_t from) override {
      ++calls;
      for (std::size_t i = from; i < entries.size(); ++i) names.push_back(entries[i].name);
    }
    void EntriesGiven(std::vector<ovk::Entry>&& entries) override {
      ++calls;
      for (ovk::Entry& entry : entries) names.push_back(std::move(entry.name));
    }
    std::vector<std::string> names;
    int calls = 0;
  };
  TempDir dir;
  std::vector<ZipEntryFields> entries;
  std::vector<std::string> expected;
  for (int i = 0; i < 2500; ++i) {
    expected.push_back("d" + std::to_string(i / 1000) + "/f" + std::to_string(i));
    entries.push_back(ZipEntry(expected.back(), "x"));
  }
  WriteFile(dir / "many.zip", BuildZip(entries));
  for (const bool keep : {true, false}) {
    ovk::ListRequest request{dir / "many.zip"};
    request.keep = keep;
    Collector seen;
    const ovk::ListResult result = ovk::ListArchive(request, seen);
    EXPECT_EQ(seen.names, expected) << "keep " << keep;
    EXPECT_GT(seen.calls, 1) << "handed out while reading";
    EXPECT_EQ(result.entries.size(), keep ? expected.size() : 0u);
  }
}

}  // namespace
}  // namespace ovktest
