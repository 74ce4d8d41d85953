// What a ZIP holds is what its central directory lists: `ovk list`, `test`
// and `extract` agree on it, refuse entries whose local header disagrees or
// whose bytes another entry already covers, check the encryption flags and
// go on past every damaged entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cli/OvkRun.h"
#include "common/TestUtil.h"
#include "engine/ArchiveBytes.h"

namespace ovktest {
namespace {

const char kPassword[] = "pw";

// A stored inner ZIP whose local header says it is empty: a walk of the
// local headers finds the inner entries, the directory lists none of them.
std::string SmuggledInnerZip() {
  ZipEntryFields inner = ZipEntry("inner.zip", BuildZip({ZipEntry("evil.txt", "smuggled")}), true);
  inner.centralCompressed = inner.compressedSize;
  inner.centralUncompressed = inner.uncompressedSize;
  inner.compressedSize = inner.uncompressedSize = 0;
  return BuildZip({inner, ZipEntry("good.txt", "g")});
}

ZipEntryFields Changed(ZipEntryFields e, const std::function<void(ZipEntryFields&)>& change) {
  change(e);
  return e;
}

// Stored entries laid over one another: each one's data is every later
// local header and the shared tail, so that writing them all would write
// the tail once per entry.
std::string OverlappingEntries(int count, const std::string& tail) {
  std::string data = tail;
  std::vector<ZipEntryFields> records;
  for (int i = count - 1; i >= 0; --i) {
    ZipEntryFields e = ZipEntry("k" + std::to_string(i), data, true);
    e.payload.clear();  // the copy BuildZip writes behind the real one holds no data
    data = BuildZip({e}).substr(0, 30 + e.name.size()) + data;
    records.insert(records.begin(), e);
  }
  std::uint32_t offset = 0;
  for (ZipEntryFields& e : records) {
    e.centralOffset = offset;
    offset += static_cast<std::uint32_t>(30 + e.name.size());
  }
  ZipLayout layout;
  layout.prefix = data;
  return BuildZip(records, layout);
}

struct TruthCase {
  const char* label;
  std::function<std::string()> archive;
  std::string password;
  int status;                         // of extract and of test
  std::vector<std::string> errLines;  // after "ovk: ", extract and test alike
  std::vector<std::string> listed;    // the names `ovk list --raw` shows
  int listStatus;
  std::vector<std::pair<std::string, std::string>> written;
  std::vector<std::string> absent;
};

void PrintTo(const TruthCase& c, std::ostream* os) { *os << c.label; }

std::vector<std::string> ListedNames(const std::string& out) {
  std::vector<std::string> names;
  for (const std::string& line : Lines(out)) {
    std::string name = line;
    for (int i = 0; i < 5; ++i) name = name.substr(0, name.rfind(';'));
    names.push_back(name);
  }
  return names;
}

class ListedEntriesTest : public ::testing::TestWithParam<TruthCase> {};

TEST_P(ListedEntriesTest, ListTestAndExtractAgreeOnWhatTheDirectoryHolds) {
  const TruthCase& c = GetParam();
  TempDir dir;
  const std::string archive = dir / "a.zip", dest = dir / "dest";
  WriteFile(archive, c.archive());
  std::vector<std::string> expected;
  for (const std::string& line : c.errLines) expected.push_back("ovk: " + line);
  const std::vector<std::string> password =
      c.password.empty() ? std::vector<std::string>{} : std::vector<std::string>{"-p", c.password};
  for (const std::string command : {"test", "extract"}) {
    std::vector<std::string> args = {command};
    if (command == std::string("extract")) args.insert(args.end(), {"-d", dest});
    args.insert(args.end(), password.begin(), password.end());
    args.push_back(archive);
    const OvkResult r = RunOvk(args);
    EXPECT_EQ(r.exitCode, c.status) << command << ": " << r.err;
    EXPECT_EQ(Lines(r.err), expected) << command;
  }
  for (const auto& [name, content] : c.written) EXPECT_EQ(ReadFile(dest + "/" + name), content) << name;
  for (const std::string& name : c.absent) EXPECT_FALSE(Exists(dest + "/" + name)) << name;
  const OvkResult list = RunOvk({"list", "--raw", archive});
  EXPECT_EQ(list.exitCode, c.listStatus) << list.err;
  EXPECT_EQ(ListedNames(list.out), c.listed);
  // The listing names the same damage, archive first.
  for (const std::string& line : Lines(list.err)) {
    const std::string prefix = "ovk: " + archive + ": ";
    ASSERT_EQ(line.substr(0, prefix.size()), prefix);
    EXPECT_NE(std::find(c.errLines.begin(), c.errLines.end(), line.substr(prefix.size())), c.errLines.end()) << line;
  }
}

const std::string kDisagrees = "damaged: its local header disagrees with the central directory ";
const std::string kOverlaps = ": refused: its data overlaps another entry (a possible zip bomb)";

std::vector<std::string> OverlapLines() {
  std::vector<std::string> lines;
  for (int i = 1; i < 50; ++i) lines.push_back("k" + std::to_string(i) + kOverlaps);
  return lines;
}

std::vector<std::string> OverlapNames() {
  std::vector<std::string> names;
  for (int i = 0; i < 50; ++i) names.push_back("k" + std::to_string(i));
  return names;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListedEntriesTest,
    ::testing::Values(
        TruthCase{"EntriesSmuggledInAStoredInnerZipAreNotWritten", SmuggledInnerZip, "", 2,
                  {"inner.zip: " + kDisagrees + "(sizes)"}, {"inner.zip", "good.txt"}, 2, {{"good.txt", "g"}},
                  {"evil.txt", "inner.zip"}},
        TruthCase{"LocalNameMethodAndFlagsMustAgree",
                  [] {
                    return BuildZip(
                        {Changed(ZipEntry("a.txt", "a"), [](ZipEntryFields& e) { e.centralName = "listed.txt"; }),
                         Changed(ZipEntry("b.txt", "b"), [](ZipEntryFields& e) { e.centralMethod = 0; }),
                         Changed(ZipEntry("c.txt", "c"), [](ZipEntryFields& e) { e.centralFlags = e.flags | 1; }),
                         ZipEntry("d.txt", "d")});
                  },
                  "", 2,
                  {"listed.txt: " + kDisagrees + "(name)", "b.txt: " + kDisagrees + "(compression method)",
                   "c.txt: " + kDisagrees + "(flags)"},
                  {"listed.txt", "b.txt", "c.txt", "d.txt"}, 2, {{"d.txt", "d"}},
                  {"a.txt", "listed.txt", "b.txt", "c.txt"}},
        TruthCase{"OverlappingEntriesAreWrittenOnce", [] { return OverlappingEntries(50, std::string(64 << 10, 'z')); },
                  "", 2, OverlapLines(), OverlapNames(), 2, {}, {"k1", "k49"}},
        TruthCase{"AesWithoutTheEncryptionFlagFailsItsCheck",
                  [] {
                    return BuildZip({Changed(AesEntry("a.txt", "aes", kPassword, 2, true),
                                             [](ZipEntryFields& e) { e.flags &= ~1; }),
                                     ZipEntry("b.txt", "b")});
                  },
                  kPassword, 2, {"a.txt: damaged: it is AES-encrypted but not flagged as enciphered"},
                  {"a.txt", "b.txt"}, 2, {{"b.txt", "b"}}, {"a.txt"}},
        TruthCase{"StoredAesWhoseSizesDisagreeIsDamaged",
                  [] {
                    return BuildZip({Changed(AesEntry("a.txt", "aes", kPassword, 2, true),
                                             [](ZipEntryFields& e) { e.uncompressedSize += 1; })});
                  },
                  kPassword, 2, {"a.txt: damaged: its stored size differs from its original size"}, {"a.txt"}, 2, {},
                  {"a.txt"}},
        TruthCase{"EmptyAe1EntryFailsUnderAWrongPassword",
                  [] { return BuildZip({AesEntry("empty.txt", "", kPassword, 1, true), ZipEntry("b.txt", "b")}); },
                  "wrong", 2, {"empty.txt: checksum error: the data is damaged or the password is wrong"},
                  {"empty.txt", "b.txt"}, 0, {{"b.txt", "b"}}, {"empty.txt"}},
        TruthCase{"StrongEncryptionIsRefusedByNameWithoutAPassword",
                  [] {
                    return BuildZip({Changed(ZipCryptoEntry("a.txt", "strong", kPassword, false),
                                             [](ZipEntryFields& e) { e.centralFlags = e.flags | 0x0040; }),
                                     ZipEntry("b.txt", "b")});
                  },
                  "", 3, {"a.txt: strong encryption is not supported"}, {"a.txt", "b.txt"}, 0, {{"b.txt", "b"}},
                  {"a.txt"}},
        TruthCase{"EncipheredStoredEntriesAllowForTheirCipherBytes",
                  [] {
                    return BuildZip({ZipCryptoEntry("plaintext.txt", "plain text\n", kPassword, true),
                                     AesEntry("aes/plaintext.txt", "aes text\n", kPassword, 1, true),
                                     AesEntry("aes/ae2.txt", "ae-2 text\n", kPassword, 2, true)});
                  },
                  kPassword, 0, {}, {"plaintext.txt", "aes\\plaintext.txt", "aes\\ae2.txt"}, 0,
                  {{"plaintext.txt", "plain text\n"}, {"aes/plaintext.txt", "aes text\n"}, {"aes/ae2.txt", "ae-2 text\n"}},
                  {}}),
    [](const auto& info) { return std::string(info.param.label); });

// No password can open strong encryption, so a terminal is not asked for one.
TEST(ListedEntries, StrongEncryptionAsksForNoPasswordOnATerminal) {
  OVK_REQUIRE_TOOL("script");
  TempDir dir;
  WriteFile(dir / "strong.zip", BuildZip({Changed(ZipCryptoEntry("a.txt", "strong", kPassword, false),
                                                  [](ZipEntryFields& e) { e.flags |= 0x0040; })}));
  const CommandResult shown = ovktest::Run("script -qec " + Quote(Quote(BuiltProgram("ovk")) + " test " +
                                                                Quote(dir / "strong.zip")) +
                                           " /dev/null < /dev/null");
  EXPECT_EQ(shown.output.find("Password"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("a.txt: strong encryption is not supported"), std::string::npos) << shown.output;
}

// Overlapping entries write their shared data once: no more than the
// archive holds lands in the destination.
TEST(ListedEntries, OverlappingEntriesWriteNoMoreThanTheArchiveHolds) {
  TempDir dir;
  const std::string zip = OverlappingEntries(200, std::string(256 << 10, 'z'));
  WriteFile(dir / "bomb.zip", zip);
  EXPECT_EQ(RunOvk({"extract", "-d", dir / "out", dir / "bomb.zip"}).exitCode, 2);
  std::uintmax_t written = 0;
  for (const auto& file : std::filesystem::recursive_directory_iterator(dir / "out")) written += file.file_size();
  EXPECT_LE(written, zip.size());
}

// A ZIP64 archive behind a shell-script stub, its offsets counted from its
// own start: listed and extracted as Python's zipfile reads it.
TEST(ListedEntries, Zip64BehindAStubAgreesWithPython) {
  OVK_REQUIRE_TOOL("python3");
  TempDir dir;
  const std::string made = ovktest::Run("cd " + Quote(dir.Path()) + R"( && python3 -c "
import zipfile
limits = zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT
zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT = 100, 1  # ZIP64 records and end record for small entries
with zipfile.ZipFile('z64.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    for name, text in (('a.txt', 'alpha\n' * 100), ('d/b.txt', 'beta\n')):
        with z.open(name, 'w', force_zip64=True) as f:
            f.write(text.encode())
zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT = limits
open('exe_with_z64', 'wb').write(b'#!/bin/sh\necho stub\nexit 0\n' + open('z64.zip', 'rb').read())
z = zipfile.ZipFile('exe_with_z64')
z.extractall('py')
print(';'.join(i.filename + ',' + str(i.file_size) for i in z.infolist()))
")").output;
  ASSERT_NE(made.find("a.txt,600;d/b.txt,5"), std::string::npos) << made;
  const OvkResult list = RunOvk({"list", "--raw", dir / "exe_with_z64"});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(ListedNames(list.out), (std::vector<std::string>{"a.txt", "d\\b.txt"}));
  const OvkResult x = RunOvk({"extract", "-d", dir / "out", dir / "exe_with_z64"});
  EXPECT_EQ(x.exitCode, 0) << x.err;
  for (const std::string name : {"a.txt", "d/b.txt"}) EXPECT_EQ(ReadFile(dir / ("out/" + name)), ReadFile(dir / ("py/" + name)));
}

}  // namespace
}  // namespace ovktest
