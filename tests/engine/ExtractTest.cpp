// Extraction: selection, result codes, overwriting, output paths confined
// to the destination folder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <set>

#include "ArchiveBytes.h"
#include "coding/Crc32.h"
#include "coding/Payload.h"
#include "coding/ZipCrypto.h"
#include "common/TestUtil.h"
#include "engine/ExtractFromArchive.h"
#include "support/FaultInjection.h"

namespace ovktest {
namespace {

// Three files, one in a folder, plus an empty file and a folder entry that
// carries (empty) deflate data, as jar writes them.
std::string SampleZip() {
  return BuildZip({ZipEntry("One.txt", "one"), ZipEntry("sub/", ""), ZipEntry("sub/deeper/Two.txt", "two"),
                   ZipEntry("empty.txt", "", true), ZipEntry("three.bin", RandomBytes(999, 3))});
}

ZipEntryFields EncryptedEntry(const std::string& name, const std::string& content, const std::string& password) {
  ZipEntryFields e = ZipEntry(name, content);
  e.payload = ovk::ZipEncrypt(e.payload, password, e.crc32);
  e.compressedSize = static_cast<std::uint32_t>(e.payload.size());
  e.flags |= 0x0001;
  return e;
}

struct SelectionCase {
  std::vector<std::string> selection;
  std::vector<std::string> written;
};

class ExtractSelectionTest : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(ExtractSelectionTest, WritesExactlyTheSelectedFiles) {
  const SelectionCase c = GetParam();
  TempDir dir;
  WriteFile(dir / "s.zip", SampleZip());
  const Extraction x = ExtractAll(dir / "s.zip", dir / "new/dest", "", c.selection);
  EXPECT_TRUE(x.ok);
  EXPECT_EQ(x.code, 0);
  for (const char* name : {"One.txt", "sub/deeper/Two.txt", "empty.txt", "three.bin"}) {
    const bool expected = std::find(c.written.begin(), c.written.end(), name) != c.written.end();
    EXPECT_EQ(Exists(dir / "new/dest/" + name), expected) << name;
  }
  if (Exists(dir / "new/dest/sub/deeper/Two.txt")) {
    EXPECT_EQ(ReadFile(dir / "new/dest/sub/deeper/Two.txt"), "two");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Selections, ExtractSelectionTest,
    ::testing::Values(SelectionCase{{}, {"One.txt", "sub/deeper/Two.txt", "empty.txt", "three.bin"}},
                      SelectionCase{{"ONE.TXT"}, {"One.txt"}},
                      SelectionCase{{"sub\\DEEPER\\two.txt", "three.bin"}, {"sub/deeper/Two.txt", "three.bin"}},
                      SelectionCase{{"sub/deeper/Two.txt", "One", "empty.txt"}, {"empty.txt"}},  // plain names, "\" only
                      SelectionCase{{" three.bin", "empty.txt ", "", "nothing"}, {}}));  // blanks are part of a name

// Nothing done is a failure with its reason, never a success.
TEST(Extract, EmptyArgumentsMissingArchiveOrUnmakeableFolderFailWithTheirReason) {
  TempDir dir;
  WriteFile(dir / "s.zip", SampleZip());
  WriteFile(dir / "plain", "a file, not a folder");
  const struct {
    std::string archive, folder, line;
  } cases[] = {{"", dir / "out", "no archive or no destination folder given"},
               {dir / "s.zip", "", "no archive or no destination folder given"},
               {dir / "missing.zip", dir / "out", "cannot open archive " + dir / "missing.zip"},
               {dir / "s.zip", dir / "plain/sub", "cannot create folder " + dir / "plain/sub"}};
  for (const auto& c : cases) {
    const Extraction x = ExtractAll(c.archive, c.folder);
    EXPECT_EQ(x.code, 3);
    EXPECT_EQ(x.lines, std::vector<std::string>{c.line});
  }
}

TEST(Extract, ExistingFilesAreReplacedWhenOverwriting) {
  TempDir dir;
  WriteFile(dir / "s.zip", SampleZip());
  WriteFile(dir / "out/One.txt", "an older and much longer content");
  ASSERT_TRUE(ExtractAll(dir / "s.zip", dir / "out/").ok);
  EXPECT_EQ(ReadFile(dir / "out/One.txt"), "one");
}

// Without overwrite an existing file is replaced only when a keep list is
// given that does not name the entry.
TEST(Extract, KeepListDecidesAboutExistingFilesWithoutOverwrite) {
  TempDir dir;
  WriteFile(dir / "s.zip", SampleZip());
  struct Case {
    std::vector<std::string> keepList;
    bool replaced;
  };
  for (const Case& c : {Case{{}, false}, Case{{"one.txt"}, false}, Case{{"other.txt"}, true}}) {
    SCOPED_TRACE(c.keepList.empty() ? "" : c.keepList[0]);
    TempDir out;
    WriteFile(out / "One.txt", "old");
    ovk::ExtractRequest request;
    request.archive = dir / "s.zip";
    request.destination = out.Path();
    request.overwrite = false;
    request.keepList = c.keepList;
    EXPECT_TRUE(ovk::ExtractFromArchive(request, ovk::SilentObserver()).failures.empty());
    EXPECT_EQ(ReadFile(out / "One.txt"), c.replaced ? "one" : "old");
    EXPECT_EQ(ReadFile(out / "three.bin"), RandomBytes(999, 3));  // absent files are always written
  }
}

TEST(Extract, ZipPasswordsDecideTheCode) {
  TempDir dir;
  WriteFile(dir / "p.zip", BuildZip({ZipEntry("plain.txt", "plain"), EncryptedEntry("secret.txt", "hidden!", "pw")}));
  Extraction x = ExtractAll(dir / "p.zip", dir / "ok", "pw");
  EXPECT_TRUE(x.ok);
  EXPECT_EQ(ReadFile(dir / "ok/secret.txt"), "hidden!");

  x = ExtractAll(dir / "p.zip", dir / "wrong", "PW");
  EXPECT_EQ(x.code, 2);
  EXPECT_EQ(ReadFile(dir / "wrong/plain.txt"), "plain");  // entries before the failure stay
  EXPECT_FALSE(Exists(dir / "wrong/secret.txt"));

  x = ExtractAll(dir / "p.zip", dir / "none", "", {"plain.txt"});
  EXPECT_EQ(x.code, 1);
  EXPECT_EQ(ReadFile(dir / "none/plain.txt"), "plain");
}

TEST(Extract, DamagedDataFailsItsCheckAndTheWalkGoesOn) {
  TempDir dir;
  ZipEntryFields bad = ZipEntry("bad.txt", std::string(500, 'b'), true);
  bad.payload[100] = 'X';
  WriteFile(dir / "d.zip", BuildZip({ZipEntry("good.txt", "g"), bad, ZipEntry("later.txt", "l")}));
  const Extraction x = ExtractAll(dir / "d.zip", dir / "out");
  EXPECT_FALSE(x.ok);
  EXPECT_EQ(x.code, 2);
  EXPECT_TRUE(Exists(dir / "out/good.txt"));
  EXPECT_FALSE(Exists(dir / "out/bad.txt"));
  EXPECT_EQ(ReadFile(dir / "out/later.txt"), "l");
  // Not selected, the damaged entry is passed over.
  EXPECT_TRUE(ExtractAll(dir / "d.zip", dir / "sel", "", {"later.txt"}).ok);
  EXPECT_EQ(ReadFile(dir / "sel/later.txt"), "l");
}

// The file system's refusals reach the report in words, with the entry, and
// end the walk.
TEST(Extract, WriteFailuresAreNamedWithTheirReason) {
  const struct {
    std::function<void()> inject;
    const char* reason;
  } cases[] = {{[] { ovk::InjectDiskFull(0); }, "no space left on device"},
               {[] { ovk::InjectFault(ovk::FaultOp::Write, 1, EROFS); }, "read-only file system"},
               {[] { ovk::InjectFault(ovk::FaultOp::Write, 1, EACCES); }, "permission denied"}};
  for (const auto& c : cases) {
    TempDir dir;
    WriteFile(dir / "s.zip", SampleZip());
    c.inject();
    const Extraction x = ExtractAll(dir / "s.zip", dir / "out");
    ovk::ClearFaults();
    EXPECT_EQ(x.code, 3);
    // Files are written on several threads: whichever write failed is
    // named, and those in flight beside it may fail the same way.
    ASSERT_FALSE(x.lines.empty());
    for (const std::string& line : x.lines) EXPECT_EQ(line.substr(line.find(": ") + 2), c.reason);
    EXPECT_FALSE(Exists(dir / "out/three.bin")) << "the walk ends at a write error";
  }
}

// Stored names that try to leave the destination land inside it.
TEST(Extract, StoredNamesAreConfinedToTheDestination) {
  TempDir dir;
  WriteFile(dir / "slip.zip",
            BuildZip({ZipEntry("../../etc/x", "x"), ZipEntry("/abs/y", "y"), ZipEntry("a/./b/../c", "c"),
                      ZipEntry("..\\..\\w", "w"), ZipEntry("../", "nothing left", true), ZipEntry("ok", "ok")}));
  const Extraction x = ExtractAll(dir / "slip.zip", dir / "d1/d2");
  EXPECT_EQ(x.lines, std::vector<std::string>{"../: the name names no file below the destination"});
  EXPECT_EQ(ReadFile(dir / "d1/d2/etc/x"), "x");
  EXPECT_EQ(ReadFile(dir / "d1/d2/abs/y"), "y");
  EXPECT_EQ(ReadFile(dir / "d1/d2/a/b/c"), "c");
  EXPECT_EQ(ReadFile(dir / "d1/d2/w"), "w");
  EXPECT_EQ(ReadFile(dir / "d1/d2/ok"), "ok");
  EXPECT_FALSE(Exists(dir / "etc"));
  EXPECT_FALSE(Exists(dir / "w"));
  EXPECT_FALSE(Exists(dir / "d1/etc"));
}

TEST(Extract, SymbolicLinksInTheDestinationAreNotFollowed) {
  TempDir dir;
  MakeDirs(dir / "outside");
  WriteFile(dir / "outside/target.txt", "untouched");
  MakeDirs(dir / "dest");
  ASSERT_EQ(symlink((dir / "outside").c_str(), (dir / "dest/linkdir").c_str()), 0);
  ASSERT_EQ(symlink((dir / "outside/target.txt").c_str(), (dir / "dest/victim.txt").c_str()), 0);
  WriteFile(dir / "l.zip", BuildZip({ZipEntry("linkdir/evil.txt", "evil"), ZipEntry("victim.txt", "replaced")}));
  ExtractAll(dir / "l.zip", dir / "dest");
  EXPECT_FALSE(Exists(dir / "outside/evil.txt"));
  EXPECT_EQ(ReadFile(dir / "outside/target.txt"), "untouched");
  EXPECT_EQ(ReadFile(dir / "dest/victim.txt"), "replaced");
}

TEST(Extract, NativeEntriesUseOneCipherForTheWholeRun) {
  TempDir dir;
  std::string archive = NativeHeader(3);
  for (int i = 0; i < 5; ++i) archive += CodedNativeEntry("f" + std::to_string(i), std::string(100 + i, 'a' + i), "k");
  WriteFile(dir / "n.ovk", archive);
  // Entries decipher independently: a selection of the last one alone works.
  ASSERT_TRUE(ExtractAll(dir / "n.ovk", dir / "one", "k", {"f4"}).ok);
  EXPECT_EQ(ReadFile(dir / "one/f4"), std::string(104, 'e'));
  ASSERT_TRUE(ExtractAll(dir / "n.ovk", dir / "all", "k").ok);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ReadFile(dir / "all/f" + std::to_string(i)), std::string(100 + i, 'a' + i));
}

}  // namespace
}  // namespace ovktest

namespace ovktest {
namespace {

// Too large to hold whole (16 MiB), and compressible, so that it inflates
// on a save thread while the small entries after it are written.
std::string LargeContent() {
  std::string content;
  for (int line = 0; content.size() < (17u << 20); ++line) content += "line " + std::to_string(line) + " of the log\n";
  return content;
}

std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

// A large file streams from a file of its own beside the walk: written
// whole, or, when its data is damaged, reported by name and left out, the
// entries after it written either way.
TEST(Extract, LargeFilesStreamBesideTheWalk) {
  const std::string large = LargeContent();
  for (const bool damaged : {false, true}) {
    TempDir dir;
    ZipEntryFields big = ZipEntry("big.log", large);
    if (damaged) big.payload[big.payload.size() / 2] ^= 0x20;
    WriteFile(dir / "l.zip", BuildZip({ZipEntry("first.txt", "1"), big, ZipEntry("after.txt", "2")}));
    const Extraction x = ExtractAll(dir / "l.zip", dir / "out");
    EXPECT_EQ(x.code, damaged ? 2 : 0) << damaged;
    EXPECT_EQ(ReadFile(dir / "out/after.txt"), "2");
    if (damaged) {
      EXPECT_EQ(x.lines, std::vector<std::string>{"big.log: checksum error: the data is damaged or the password is wrong"});
      EXPECT_EQ(FilesIn(dir / "out"), (std::set<std::string>{"first.txt", "after.txt"})) << "no part is left";
    } else {
      EXPECT_TRUE(ReadFile(dir / "out/big.log") == large);
    }
  }
}

// Cancelled as the walk passes the large file on: it is written whole or not
// at all, and no part of it is left.
TEST(Extract, ACancelLeavesALargeStreamingFileWholeOrAbsent) {
  class CancelAfter final : public ovk::OperationObserver {
   public:
    bool CancelRequested() override { return ++asked_ > 2; }

   private:
    int asked_ = 0;
  } observer;
  const std::string large = LargeContent();
  TempDir dir;
  WriteFile(dir / "c.zip", BuildZip({ZipEntry("first.txt", "1"), ZipEntry("big.log", large), ZipEntry("after.txt", "2")}));
  ovk::ExtractRequest request;
  request.archive = dir / "c.zip";
  request.destination = dir / "out";
  const ovk::OperationReport report = ovk::ExtractFromArchive(request, observer);
  EXPECT_TRUE(report.cancelled);
  EXPECT_TRUE(report.failures.empty());
  const std::set<std::string> names = FilesIn(dir / "out");
  EXPECT_FALSE(names.count("after.txt")) << "the walk stopped before it";
  for (const std::string& name : names) EXPECT_TRUE(name == "first.txt" || name == "big.log") << name;
  if (names.count("big.log")) {
    EXPECT_TRUE(ReadFile(dir / "out/big.log") == large);
  }
  EXPECT_EQ(report.entriesDone, names.size());
}

}  // namespace
}  // namespace ovktest
