// Adding: which files a walk takes and under which stored names, creating
// and appending in both containers, and the archive left after failures.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "ArchiveBytes.h"
#include "WriteTestUtil.h"
#include "common/TestUtil.h"
#include "engine/CodingPool.h"
#include "engine/EngineMessages.h"
#include "engine/ExtractFromArchive.h"
#include "engine/RepairArchive.h"
#include "support/FaultInjection.h"

namespace ovktest {
namespace {

using Names = std::vector<std::string>;

// A tree with dot-names, look-alike names in other letter cases and
// folders named temp at two depths.
void MakeTree(const std::string& root) {
  WriteFile(root + "/a.txt", "alpha\n");
  WriteFile(root + "/Big.TXT", "BIG\n");
  WriteFile(root + "/b.bak", "backup\n");
  WriteFile(root + "/.hidden", "hidden\n");
  WriteFile(root + "/.hdir/h.txt", "in hidden folder\n");
  WriteFile(root + "/sub/a.txt", "sub alpha\n");
  WriteFile(root + "/sub/c.txt", std::string(5000, 'c'));
  WriteFile(root + "/sub/temp/z.txt", "deep temp\n");
  WriteFile(root + "/temp/x.txt", "temp x\n");
  WriteFile(root + "/temp/deep/y.txt", "temp deep y\n");
}

struct WalkCase {
  const char* label;
  const char* source;  // relative to the test folder
  AddOptions options;
  Names expected;
};

AddOptions With(void (*set)(AddOptions&)) {
  AddOptions o;
  set(o);
  return o;
}

const Names kAll = {".hdir\\h.txt", ".hidden", "Big.TXT", "a.txt", "b.bak", "sub\\a.txt", "sub\\c.txt",
                           "sub\\temp\\z.txt", "temp\\deep\\y.txt", "temp\\x.txt"};

const WalkCase kWalkCases[] = {
    {"FolderStoresRelativeNames", "src", {}, kAll},
    {"FolderWithTrailingSeparator", "src/", {}, kAll},
    {"FolderWithoutRecursion", "src", With([](AddOptions& o) { o.recurse = false; }),
     {".hidden", "Big.TXT", "a.txt", "b.bak"}},
    {"FileAlsoMatchesInSubfolders", "src/a.txt", {}, {"a.txt", "sub\\a.txt"}},
    {"DotFileNamedAlone", "src/.hidden", {}, {".hidden"}},
    {"FileWithoutRecursion", "src/a.txt", With([](AddOptions& o) { o.recurse = false; }), {"a.txt"}},
    {"MaskIsCaseSensitive", "src/A.TXT", {}, {}},
    {"WildcardMaskOverTheTree", "src/*.txt", {}, {".hdir\\h.txt", "a.txt", "sub\\a.txt", "sub\\c.txt",
                                                  "sub\\temp\\z.txt", "temp\\deep\\y.txt",
                                                  "temp\\x.txt"}},
    {"DotNamesLeftOutOnRequest", "src", With([](AddOptions& o) { o.exclusions = ".*"; }),
     {"Big.TXT", "a.txt", "b.bak", "sub\\a.txt", "sub\\c.txt", "sub\\temp\\z.txt", "temp\\deep\\y.txt",
      "temp\\x.txt"}},
    {"ExclusionsByNameAndRelativePath", "src",
     With([](AddOptions& o) { o.exclusions = "*.bak; temp\\*"; }),
     {".hdir\\h.txt", ".hidden", "Big.TXT", "a.txt", "sub\\a.txt", "sub\\c.txt", "sub\\temp\\z.txt"}},
    {"ExclusionWithSlashIsAPathMask", "src", With([](AddOptions& o) { o.exclusions = "temp/*"; }),
     {".hdir\\h.txt", ".hidden", "Big.TXT", "a.txt", "b.bak", "sub\\a.txt", "sub\\c.txt", "sub\\temp\\z.txt"}},
    {"ExclusionsIgnoreLetterCase", "src", With([](AddOptions& o) { o.exclusions = "*.TXT"; }),
     {".hidden", "b.bak"}},
    {"MaximumSize", "src", With([](AddOptions& o) { o.maximumSize = 4999; }),
     {".hdir\\h.txt", ".hidden", "Big.TXT", "a.txt", "b.bak", "sub\\a.txt", "sub\\temp\\z.txt", "temp\\deep\\y.txt",
      "temp\\x.txt"}},
    {"AgeLimitKeepsRecentFiles", "src", With([](AddOptions& o) { o.ageInDays = 1; }), kAll},
    {"NegativeAgeKeepsOldFilesOnly", "src", With([](AddOptions& o) { o.ageInDays = -1; }), {}},
    {"Prefix", "src/sub", With([](AddOptions& o) { o.prefix = "pre\\"; }),
     {"pre\\a.txt", "pre\\c.txt", "pre\\temp\\z.txt"}},
    {"MissingSource", "src/nothing.txt", {}, {}},
};

class WalkTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(WalkTest, StoresTheExpectedNames) {
  const WalkCase& c = GetParam();
  TempDir dir;
  MakeTree(dir / "src");
  AddReport(dir / "out.zip", dir / c.source, c.options);
  EXPECT_EQ(EntryNames(dir / "out.zip"), c.expected);
  // A new archive that got no entry is not left behind.
  EXPECT_EQ(Exists(dir / "out.zip"), !c.expected.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, WalkTest, ::testing::ValuesIn(kWalkCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(AddTest, EmptyArgumentsAndUnwritableArchive) {
  TempDir dir;
  MakeTree(dir / "src");
  EXPECT_FALSE(Add("", dir / "src"));
  EXPECT_FALSE(Add(dir / "a.zip", ""));
  MakeDirs(dir / "folder.zip");
  EXPECT_EQ(AddReport(dir / "folder.zip", dir / "src").Lines(),
            Names{(dir / "folder.zip") + ": cannot be opened for writing: a folder is in the way"});
}

TEST(AddTest, CreatesTheArchiveFolder) {
  TempDir dir;
  MakeTree(dir / "src");
  const std::string archive = dir / "new/deeper/a.zip";
  ASSERT_TRUE(Add(archive, dir / "src/b.bak"));
  EXPECT_EQ(EntryNames(archive), Names{"b.bak"});
}

TEST(AddTest, SameFileTwiceGivesTwoEntries) {
  TempDir dir;
  MakeTree(dir / "src");
  AddOptions append;
  ASSERT_TRUE(Add(dir / "a.zip", dir / "src/b.bak"));
  ASSERT_TRUE(Add(dir / "a.zip", dir / "src/b.bak", append));
  EXPECT_EQ(EntryNames(dir / "a.zip"), (Names{"b.bak", "b.bak"}));
}

// Appending to a ZIP archive made elsewhere keeps its entries, its comment
// and counts them all in the end record.
TEST(AddTest, AppendKeepsCommentAndCounts) {
  OVK_REQUIRE_TOOL("python3");
  TempDir dir;
  MakeTree(dir / "src");
  const std::string archive = dir / "peer.zip";
  const std::string comment = "thirty bytes of archive comment";
  ASSERT_EQ(ovktest::Run("python3 -c 'import sys,zipfile\n"
                "with zipfile.ZipFile(sys.argv[1], \"w\", zipfile.ZIP_DEFLATED) as z:\n"
                "    z.writestr(\"old/one.txt\", \"x\" * 300)\n"
                "    z.writestr(\"two.txt\", \"second\")\n"
                "    z.comment = sys.argv[2].encode()' " +
                Quote(archive) + " " + Quote(comment))
                .exitCode,
            0);
  AddOptions append;
  ASSERT_TRUE(Add(archive, dir / "src/sub", append));
  EXPECT_EQ(EntryNames(archive),
            (Names{"old\\one.txt", "two.txt", "a.txt", "c.txt", "temp\\z.txt"}));
  const std::string b = ReadFile(archive);
  ASSERT_GE(b.size(), 22 + comment.size());
  const std::size_t end = b.size() - 22 - comment.size();
  EXPECT_EQ(Field32(b, end), 0x06054B50u);
  EXPECT_EQ(Field16(b, end + 8), 5);
  EXPECT_EQ(Field16(b, end + 10), 5);
  EXPECT_EQ(b.substr(end + 22), comment);
  EXPECT_EQ(PeerTest(Peer::Python, archive), "");
}

// A file that holds no archive is never added to: it stays byte for byte;
// a ZIP behind a stub whose offsets count the stub takes new entries.
TEST(AddTest, OnlyAnArchiveIsAddedTo) {
  ZipLayout stubbed;
  stubbed.prefix = "#!/bin/sh\nexit 0\n" + RandomBytes(300, 4);
  const struct {
    std::string bytes;
    Names names;  // empty: refused
  } cases[] = {
      {"not an archive at all\n" + RandomBytes(500, 3), {}},
      {std::string(100000, 'j'), {}},
      {BuildZip({ZipEntry("a.txt", "in the stubbed archive")}, stubbed), {"a.txt", "b.bak"}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    MakeTree(dir / "src");
    WriteFile(dir / "f.bin", c.bytes);
    const Names lines = AddReport(dir / "f.bin", dir / "src/b.bak").Lines();
    if (c.names.empty()) {
      EXPECT_EQ(lines, Names{(dir / "f.bin") + ": not an archive this program can read; nothing was added"});
      EXPECT_TRUE(ReadFile(dir / "f.bin") == c.bytes);
    } else {
      EXPECT_TRUE(lines.empty()) << lines[0];
      EXPECT_EQ(EntryNames(dir / "f.bin"), c.names);
      EXPECT_EQ(PeerTest(Peer::Python, dir / "f.bin"), "");
    }
  }
}

TEST(AddTest, NativeCreateAndAppend) {
  TempDir dir;
  MakeTree(dir / "src");
  const std::string archive = dir / "n.ovk";
  AddOptions native;
  native.native = true;
  native.password = "secret";
  native.recurse = false;
  ASSERT_TRUE(Add(archive, dir / "src/a.txt", native));
  const std::string header = ReadFile(archive).substr(0, 17);
  EXPECT_EQ(ToHex(header.substr(0, 13)), "4b57545a" "09000000" "01" "03000000");
  AddOptions append;
  append.password = "secret";
  ASSERT_TRUE(Add(archive, dir / "src/sub", append));
  EXPECT_EQ(ReadFile(archive).substr(0, 17), header);
  const Listing l = ListFile(archive);
  ASSERT_EQ(l.lines.size(), 4u);
  for (const std::string& line : l.lines) EXPECT_EQ(line.substr(line.size() - 2), ";1") << line;
  const Extraction x = ExtractAll(archive, dir / "out", "secret");
  EXPECT_TRUE(x.ok);
  // The second a.txt (from sub) replaces the first on extraction.
  EXPECT_EQ(ReadTree(dir / "out"), (FileTree{{"a.txt", "sub alpha\n"},
                                             {"c.txt", std::string(5000, 'c')},
                                             {"temp/z.txt", "deep temp\n"}}));
}

TEST(AddTest, NativeOfAnotherLayoutIsNotAppendedTo) {
  TempDir dir;
  MakeTree(dir / "src");
  const std::string old = NativeHeader(2) + NativeEntry(2, "x", "payload");
  WriteFile(dir / "old.ovk", old);
  AddOptions append;
  EXPECT_FALSE(Add(dir / "old.ovk", dir / "src/a.txt", append));
  EXPECT_EQ(ReadFile(dir / "old.ovk"), old);
}

TEST(AddTest, MoveDeletesOnlyArchivedSources) {
  TempDir dir;
  MakeTree(dir / "src");
  AddOptions move;
  move.move = true;
  move.exclusions = "c.txt";
  ASSERT_TRUE(Add(dir / "m.zip", dir / "src/sub", move));
  EXPECT_FALSE(Exists(dir / "src/sub/a.txt"));
  EXPECT_FALSE(Exists(dir / "src/sub/temp/z.txt"));
  EXPECT_TRUE(Exists(dir / "src/sub/c.txt"));
  EXPECT_EQ(EntryNames(dir / "m.zip"), (Names{"a.txt", "temp\\z.txt"}));
}

// The walk never packs the archive it writes (also through a hard link),
// never loops through links back into the walk, and never opens FIFOs.
TEST(AddTest, SelfLinksAndSpecialFilesAreSkipped) {
  TempDir dir;
  WriteFile(dir / "src/a.txt", "alpha\n");
  WriteFile(dir / "outside.txt", "beside the walk\n");
  ASSERT_EQ(symlink("..", (dir / "src/up").c_str()), 0);      // back to the parent of the walk
  ASSERT_EQ(symlink(".", (dir / "src/self").c_str()), 0);     // back to the root of the walk
  ASSERT_EQ(symlink("a.txt", (dir / "src/link.txt").c_str()), 0);
  ASSERT_EQ(mkfifo((dir / "src/pipe").c_str(), 0600), 0);
  const AddOptions all;
  const std::string archive = dir / "src/self.zip";
  ASSERT_TRUE(Add(archive, dir / "src", all));
  EXPECT_EQ(EntryNames(archive), (Names{"a.txt", "link.txt", "up\\outside.txt"}));
  ASSERT_EQ(link(archive.c_str(), (dir / "src/hard.zip").c_str()), 0);
  ASSERT_TRUE(Add(archive, dir / "src/*.zip", all));
  EXPECT_EQ(EntryNames(archive).size(), 3u);
  EXPECT_EQ(PeerTest(Peer::Python, archive), "");
}

// Sources the archive cannot take are refused with their reason before a
// byte of them is read, named or met in a folder; a new archive that got
// nothing is not left behind.
TEST(AddTest, RefusedSourcesSayWhy) {
  TempDir dir;
  WriteFile(dir / "src/a.txt", "alpha\n");
  WriteFile(dir / "src/huge", "");
  ASSERT_EQ(truncate((dir / "src/huge").c_str(), 0x80000000ll), 0);
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
  const std::string tooLarge = ": larger than 2 GiB, which this archive cannot hold";
  struct Case {
    std::string source;
    bool native;  // only the native container's sizes stop at 2 GiB
    std::string refusal;
    Names entries;  // empty: no archive
  };
  const Case cases[] = {
      {dir / "src", true, (dir / "src") + "/huge" + tooLarge, {"a.txt"}},
      {dir / "src/huge", true, (dir / "src/huge") + tooLarge, {}},
      {dir / "fifo", false, (dir / "fifo") + ": not a regular file", {}},
  };
  for (const Case& c : cases) {
    AddOptions o;
    o.native = c.native;
    EXPECT_EQ(AddReport(dir / "h.arc", c.source, o).Lines(), Names{c.refusal}) << c.source;
    EXPECT_EQ(Exists(dir / "h.arc") ? EntryNames(dir / "h.arc") : Names{"(no archive)"},
              c.entries.empty() ? Names{"(no archive)"} : c.entries) << c.source;
    std::filesystem::remove(dir / "h.arc");
  }
}

// A file too large to hold is coded piece by piece: progress moves inside
// it, and a cancel between two pieces leaves the archive byte for byte as it
// was, in both containers, under a password (whose ZIP encryption reads the
// file twice) and in a tar.gz, which is written anew beside the old one.
TEST(AddTest, CancelInsideALargeFileLeavesTheArchiveAsItWas) {
  TempDir dir;
  WriteFile(dir / "old/o.txt", "old entry");
  const std::string content = RandomBytes(1 << 20, 7) + std::string(11 << 20, 'q');
  const std::uint64_t size = content.size();
  WriteFile(dir / "big.bin", content);
  struct CancelInside : ovk::OperationObserver {
    std::uint64_t cancelAt = 0;
    std::uint64_t last = 0;
    std::vector<std::uint64_t> inside;  // bytesDone seen short of the whole file
    void Progress(const ovk::ProgressSnapshot& s) override {
      last = s.bytesDone;
      if (s.bytesDone > 0 && s.bytesDone < s.bytesTotal) inside.push_back(s.bytesDone);
    }
    bool CancelRequested() override { return cancelAt != 0 && last >= cancelAt; }
  };
  struct Kind {
    const char* format;
    std::string password;
  };
  for (const Kind& kind : {Kind{"zip", ""}, Kind{"zip", "pw"}, Kind{"native", ""}, Kind{"native", "pw"},
                           Kind{"tar.gz", ""}}) {
    {
      const std::string& password = kind.password;
      const std::string label = kind.format + (password.empty() ? std::string() : " with password");
      const std::string archive = dir / (label + ".arc");
      AddOptions o;
      o.format = kind.format;
      o.password = password;
      ASSERT_TRUE(Add(archive, dir / "old", o)) << label;
      const std::string before = ReadFile(archive);
      CancelInside observer;
      observer.cancelAt = size / 2;
      o.observer = &observer;
      EXPECT_TRUE(AddReport(archive, dir / "big.bin", o).cancelled) << label;
      EXPECT_TRUE(ReadFile(archive) == before) << label;
      EXPECT_GE(observer.inside.size(), 2u) << label;

      CancelInside watcher;
      o.observer = &watcher;
      ASSERT_TRUE(Add(archive, dir / "big.bin", o)) << label;
      EXPECT_GE(watcher.inside.size(), 8u) << label;
      ovk::ExtractRequest extract;
      extract.archive = archive;
      extract.destination = dir / (label + ".out");
      extract.password = password;
      EXPECT_EQ(ovk::ExtractFromArchive(extract, ovk::SilentObserver()).Lines(), Names{}) << label;
      EXPECT_TRUE(ReadFile(extract.destination + "/big.bin") == content) << label;
    }
  }
}

// A write that fails inside an entry takes that entry back out entirely:
// the archive is byte for byte the one made without the file.
TEST(AddTest, WriteErrorCutsTheEntryBack) {
  TempDir dir;
  WriteFile(dir / "src/a", RandomBytes(3000, 1));
  WriteFile(dir / "src/b", RandomBytes(4000, 2));
  WriteFile(dir / "src/c", RandomBytes(5000, 3));
  AddOptions withoutB;
  withoutB.exclusions = "b";
  ASSERT_TRUE(Add(dir / "expected.zip", dir / "src", withoutB));

  ovk::ClearFaults();
  ovk::InjectFault(ovk::FaultOp::Write, 4, ENOSPC);  // b's payload, after its header
  const ovk::OperationReport report = AddReport(dir / "cut.zip", dir / "src");
  ovk::ClearFaults();
  EXPECT_EQ(report.Lines(), Names{(dir / "src") + "/b: no space left on device"});
  EXPECT_EQ(ReadFile(dir / "cut.zip"), ReadFile(dir / "expected.zip"));
}

// A write that fails while a whole new tar.gz is written beside the old one
// leaves the old one byte for byte, and nothing beside it. The file outgrows
// the compressed blocks held in flight, so the write fails inside it.
TEST(AddTest, WriteErrorInAWholeArchiveLeavesTheOldOne) {
  TempDir dir;
  WriteFile(dir / "old/o.txt", "old entry");
  const std::size_t inFlight = (2 * ovk::CodingPool::Cores() + 4) << 20;
  WriteFile(dir / "new/big.bin", RandomBytes(1 << 20, 4) + std::string(inFlight, 'b'));
  const std::string archive = dir / "a.tar.gz";
  ASSERT_TRUE(Add(archive, dir / "old"));
  const std::string before = ReadFile(archive);
  ovk::ClearFaults();
  ovk::InjectFault(ovk::FaultOp::Write, 3, ENOSPC);
  const ovk::OperationReport report = AddReport(archive, dir / "new");
  ovk::ClearFaults();
  EXPECT_EQ(report.Lines(),
            (Names{archive + ": no space left on device", archive + ": nothing was added; the archive is unchanged"}));
  EXPECT_EQ(report.entriesDone, 0u);
  EXPECT_TRUE(ReadFile(archive) == before);
  EXPECT_EQ(ovktest::Run("ls -A " + Quote(dir.Path())).output, "a.tar.gz\nnew\nold\n");
}

// A directory that cannot be written whole puts the old one back: the
// archive is byte for byte unchanged. Moved sources are gone, so their
// entries are left for the repair instead.
TEST(AddTest, DirectoryWriteFailurePutsTheOldOneBack) {
  TempDir dir;
  WriteFile(dir / "old/o.txt", "old entry");
  WriteFile(dir / "src/a", RandomBytes(3000, 1));
  WriteFile(dir / "src/b", std::string(4000, 'b'));
  ASSERT_TRUE(Add(dir / "base.zip", dir / "old"));
  const std::string base = ReadFile(dir / "base.zip"), archive = dir / "a.zip";
  AddOptions append;
  WriteFile(archive, base);
  ovk::ClearFaults();
  ASSERT_TRUE(Add(archive, dir / "src", append));
  const int writes = ovk::FaultOpCount(ovk::FaultOp::Write);  // ..., the directory, the end record
  for (const int nth : {writes - 1, writes}) {
    SCOPED_TRACE(nth);
    WriteFile(archive, base);
    ovk::ClearFaults();
    ovk::InjectFault(ovk::FaultOp::Write, nth, ENOSPC);
    const Names lines = AddReport(archive, dir / "src", append).Lines();
    ovk::ClearFaults();
    EXPECT_TRUE(ReadFile(archive) == base);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("cannot write its directory: no space left on device; the archive is unchanged"),
              std::string::npos)
        << lines.back();
  }
  // A new archive whose directory cannot be written is not left behind.
  ovk::ClearFaults();
  ASSERT_TRUE(Add(dir / "new.zip", dir / "src", append));
  const int newWrites = ovk::FaultOpCount(ovk::FaultOp::Write);
  std::filesystem::remove(dir / "new.zip");
  ovk::ClearFaults();
  ovk::InjectFault(ovk::FaultOp::Write, newWrites - 1, ENOSPC);
  EXPECT_FALSE(Add(dir / "new.zip", dir / "src", append));
  ovk::ClearFaults();
  EXPECT_FALSE(Exists(dir / "new.zip"));

  WriteFile(archive, base);
  AddOptions move = append;
  move.move = true;
  ovk::ClearFaults();
  ovk::InjectFault(ovk::FaultOp::Write, writes - 1, ENOSPC);
  EXPECT_FALSE(Add(archive, dir / "src", move));
  ovk::ClearFaults();
  EXPECT_FALSE(Exists(dir / "src/a"));
  std::string reason;
  ovk::RepairNotes notes;
  EXPECT_EQ(ovk::RepairArchive(archive, reason, notes, ovk::SilentObserver()), ovk::RepairOutcome::kRepaired);
  EXPECT_EQ(EntryNames(archive), (Names{"o.txt", "a", "b"}));
}

// A failure that escapes the walk still leaves a readable ZIP archive with
// every entry written before it.
TEST(AddTest, EscapedFailureStillWritesTheDirectory) {
  TempDir dir;
  MakeTree(dir / "src");
  struct GivingUp : ovk::OperationObserver {
    int calls = 0;
    void Progress(const ovk::ProgressSnapshot&) override {
      if (++calls == 2) throw std::runtime_error("caller gave up");
    }
  } givingUp;
  AddOptions o;
  o.observer = &givingUp;
  EXPECT_FALSE(Add(dir / "e.zip", dir / "src", o));
  EXPECT_EQ(EntryNames(dir / "e.zip"), (Names{".hdir\\h.txt", ".hidden"}));
  for (Peer peer : {Peer::Python, Peer::Unzip}) {
    if (HaveTool(PeerTool(peer))) {
      EXPECT_EQ(PeerTest(peer, dir / "e.zip"), "") << PeerName(peer);
    }
  }
}

// Progress counts the files the walk takes, against totals known before the
// first is written; an unreadable file is named in the report.
TEST(AddTest, ProgressCountsEveryFileAgainstKnownTotals) {
  TempDir dir;
  WriteFile(dir / "src/a.txt", "alpha\n");
  WriteFile(dir / "src/locked.txt", "no access\n");
  chmod((dir / "src/locked.txt").c_str(), 0);
  const bool canStillRead = access((dir / "src/locked.txt").c_str(), R_OK) == 0;  // root
  struct Recorder : ovk::OperationObserver {
    std::vector<ovk::ProgressSnapshot> seen;
    void Progress(const ovk::ProgressSnapshot& s) override { seen.push_back(s); }
  } recorder;
  AddOptions o;
  o.observer = &recorder;
  const ovk::OperationReport report = AddReport(dir / "c.zip", dir / "src", o);
  ASSERT_EQ(recorder.seen.size(), 2u);
  for (const ovk::ProgressSnapshot& s : recorder.seen) {
    EXPECT_EQ(s.entriesTotal, 2u);
    EXPECT_EQ(s.bytesTotal, 16u);
  }
  EXPECT_EQ(recorder.seen[0].currentEntry, "a.txt");
  EXPECT_EQ(recorder.seen[1].entriesDone, 2u);
  EXPECT_EQ(report.entriesDone, canStillRead ? 2u : 1u);
  EXPECT_EQ(report.Lines().size(), canStillRead ? 0u : 1u);
}

// Names beyond 255 bytes: ZIP stores each whole; the native container, whose
// name field holds 255 bytes, refuses such a file by name and adds the rest.
TEST(AddTest, LongNamesAreStoredWholeOrRefused) {
  TempDir dir;
  std::string deep;
  for (int i = 0; i < 30; ++i) deep += "folder_" + std::to_string(i) + "/";
  ASSERT_GT(deep.size(), 255u);
  WriteFile(dir / ("src/" + deep + "one.txt"), "one");
  WriteFile(dir / ("src/" + deep + "two.txt"), "two");
  WriteFile(dir / "src/short.txt", "short");
  ASSERT_TRUE(Add(dir / "deep.zip", dir / "src"));
  if (HaveTool("unzip")) {
    EXPECT_EQ(ovktest::Run("unzip -Z1 " + Quote(dir / "deep.zip")).output,
              deep + "one.txt\n" + deep + "two.txt\nshort.txt\n");
  }

  AddOptions native;
  native.native = true;
  const Names lines = AddReport(dir / "deep.ovk", dir / "src", native).Lines();
  EXPECT_EQ(EntryNames(dir / "deep.ovk"), Names{"short.txt"});
  ASSERT_EQ(lines.size(), 2u);
  const std::string said = "two.txt: its stored name is " + std::to_string(deep.size() + 7) +
                           " bytes long, the native format holds names of at most 255 bytes";
  EXPECT_NE(lines[1].find(said), std::string::npos) << lines[1];
}

}  // namespace
}  // namespace ovktest
