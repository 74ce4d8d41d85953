// Deleting: the new archive holds exactly the kept entries, byte for byte
// (data descriptors, entries it cannot decode, peers' own records), the
// archive is refused when its directory does not account for every entry,
// and the temporary file never outlives DeleteAndReplace.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "ArchiveBytes.h"
#include "WriteTestUtil.h"
#include "common/TestUtil.h"
#include "engine/DeleteFromArchive.h"
#include "engine/EngineMessages.h"
#include "support/FaultInjection.h"
#include "support/ByteOrder.h"

namespace ovktest {
namespace {

using Names = std::vector<std::string>;

struct Deletion {
  bool ok = false;
  int code = -1;
  std::string reported;  // the report's lines, joined
};

Deletion Delete(const std::string& archive, const std::string& temp, const Names& selection) {
  ovk::OperationReport report;
  Deletion d;
  d.ok = ovk::WriteArchiveWithout(archive, temp, selection, report, ovk::SilentObserver());
  d.code = report.ExitStatus();
  for (const std::string& line : report.Lines()) d.reported += line + "\n";
  return d;
}

// The whole deletion in place; its status as ovk would exit with it.
bool DeleteAndReplace(const std::string& archive, const Names& selection, int& code) {
  const ovk::OperationReport report = ovk::DeleteFromArchive(ovk::DeleteRequest{archive, selection}, ovk::SilentObserver());
  code = report.ExitStatus();
  return report.failures.empty();
}

// Three entries in two folders, made by the program itself.
std::string MakeThree(const TempDir& dir, const std::string& password = "") {
  WriteFile(dir / "src/a.txt", "first\n");
  WriteFile(dir / "src/sub/b.txt", std::string(4000, 'b'));
  WriteFile(dir / "src/sub/c.bin", RandomBytes(2000, 9));
  AddOptions o;
  o.password = password;
  EXPECT_TRUE(Add(dir / "three.zip", dir / "src", o));
  return dir / "three.zip";
}

TEST(DeleteTest, KeepsTheOthersInTheirOrder) {
  TempDir dir;
  const std::string archive = MakeThree(dir);
  // Letter case counts only when several names could be meant.
  const Deletion d = Delete(archive, dir / "new.zip", {"SUB\\B.TXT"});
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.code, 0);
  EXPECT_EQ(EntryNames(dir / "new.zip"), (Names{"a.txt", "sub\\c.bin"}));
  EXPECT_TRUE(ExtractAll(dir / "new.zip", dir / "out").ok);
  EXPECT_EQ(ReadTree(dir / "out"), (FileTree{{"a.txt", "first\n"}, {"sub/c.bin", RandomBytes(2000, 9)}}));
}

// A name an add stored again keeps only its last entry, in either kind of
// rewrite; a name held once, or another name, is left alone.
TEST(DeleteTest, OlderCopiesOnlyLeavesTheLastOfEachName) {
  for (const std::string archiveName : {"twice.zip", "twice.tar.gz"}) {
    TempDir dir;
    const std::string archive = dir / archiveName;
    WriteFile(dir / "src/b.txt", "old\n");
    WriteFile(dir / "src/c.txt", "kept\n");
    AddOptions append;
    ASSERT_TRUE(Add(archive, dir / "src"));
    WriteFile(dir / "src/b.txt", "edited\n");
    ASSERT_TRUE(Add(archive, dir / "src/b.txt", append));
    ovk::DeleteRequest request{archive, {"b.txt", "c.txt"}};
    request.olderCopiesOnly = true;
    EXPECT_TRUE(ovk::DeleteFromArchive(request, ovk::SilentObserver()).failures.empty()) << archiveName;
    EXPECT_EQ(EntryNames(archive), (Names{"c.txt", "b.txt"})) << archiveName;
    EXPECT_TRUE(ExtractAll(archive, dir / "out").ok);
    EXPECT_EQ(ReadTree(dir / "out"), (FileTree{{"b.txt", "edited\n"}, {"c.txt", "kept\n"}})) << archiveName;
    const std::string before = ReadFile(archive);
    EXPECT_TRUE(ovk::DeleteFromArchive(request, ovk::SilentObserver()).failures.empty());
    EXPECT_EQ(ReadFile(archive), before) << "nothing superseded: nothing written";
  }
}

TEST(DeleteTest, EmptySelectionCopiesEverything) {
  TempDir dir;
  const std::string archive = MakeThree(dir);
  ASSERT_TRUE(Delete(archive, dir / "copy.zip", {}).ok);
  EXPECT_EQ(ReadFile(dir / "copy.zip"), ReadFile(archive));
}

// Bytes in front of the first entry (a self-extractor's stub) and the
// archive comment keep their place, also when the offsets leave the stub
// out (the new ones count it); deleting every entry leaves them and an
// empty directory.
TEST(DeleteTest, LeadingBytesAndCommentKept) {
  for (const bool offsetsIncludePrefix : {true, false}) {
    SCOPED_TRACE(offsetsIncludePrefix);
    TempDir dir;
    ZipLayout layout;
    layout.prefix = "MZ" + RandomBytes(300, 4);
    layout.comment = "made elsewhere";
    layout.offsetsIncludePrefix = offsetsIncludePrefix;
    const ZipEntryFields one = ZipEntry("one.txt", "one one one"), two = ZipEntry("two.txt", "two", true);
    WriteFile(dir / "sfx.zip", BuildZip({one, two}, layout));
    layout.offsetsIncludePrefix = true;
    ASSERT_TRUE(Delete(dir / "sfx.zip", dir / "kept.zip", {"one.txt"}).ok);
    EXPECT_TRUE(ReadFile(dir / "kept.zip") == BuildZip({two}, layout));
    if (HaveTool("unzip")) {
      EXPECT_EQ(PeerTest(Peer::Unzip, dir / "kept.zip"), "");
    }
    ASSERT_TRUE(Delete(dir / "sfx.zip", dir / "none.zip", {"one.txt", "two.txt"}).ok);
    EXPECT_TRUE(ReadFile(dir / "none.zip") == BuildZip({}, layout));
  }
}

// An entry whose local header leaves its values to a data descriptor.
ZipEntryFields Streamed(const std::string& name, const std::string& content, bool signature, bool sizes64) {
  ZipEntryFields e = ZipEntry(name, content);
  e.flags = 0x0808;
  e.trailer = signature ? FromHex("504b0708") : "";
  ovk::PutLE32(e.trailer, e.crc32);
  for (const std::uint32_t size : {e.compressedSize, e.uncompressedSize})
    sizes64 ? ovk::PutLE64(e.trailer, size) : ovk::PutLE32(e.trailer, size);
  e.centralCrc32 = e.crc32;
  e.centralCompressed = e.compressedSize;
  e.centralUncompressed = e.uncompressedSize;
  e.crc32 = e.compressedSize = e.uncompressedSize = 0;
  return e;
}

struct KeptCase {
  const char* label;
  std::vector<ZipEntryFields> kept;
};

class DeleteKeepsTest : public ::testing::TestWithParam<KeptCase> {};

// Every entry the directory lists and the selection leaves is copied byte
// for byte, understood or not, with its record: the new archive is exactly
// the one that never held the deleted entry.
TEST_P(DeleteKeepsTest, KeptEntriesAreCopiedByteForByte) {
  TempDir dir;
  std::vector<ZipEntryFields> all = {ZipEntry("drop.txt", std::string(500, 'x'))};
  all.insert(all.end(), GetParam().kept.begin(), GetParam().kept.end());
  WriteFile(dir / "old.zip", BuildZip(all));
  ASSERT_TRUE(Delete(dir / "old.zip", dir / "new.zip", {"DROP.TXT"}).ok);
  EXPECT_TRUE(ReadFile(dir / "new.zip") == BuildZip(GetParam().kept));
}

ZipEntryFields Damaged() {
  ZipEntryFields e = ZipEntry("damaged.txt", std::string(900, 'd'));
  e.payload[5] ^= 0x55;
  return e;
}

ZipEntryFields UnknownMethod() {
  ZipEntryFields e = ZipEntry("odd.bin", RandomBytes(300, 5), true);
  e.method = 99;
  return e;
}

INSTANTIATE_TEST_SUITE_P(
    Entries, DeleteKeepsTest,
    ::testing::Values(
        KeptCase{"EmptyNameAndEntriesBehindIt",
                 {ZipEntry("first.txt", "first"), ZipEntry("", "nameless"), ZipEntry("second.txt", "second")}},
        KeptCase{"DamagedAndUnknownMethod", {Damaged(), UnknownMethod(), ZipEntry("last.txt", "last")}},
        KeptCase{"Descriptors",
                 {Streamed("sig32.txt", std::string(3000, 'a'), true, false),
                  Streamed("bare32.txt", "no signature", false, false),
                  Streamed("sig64.txt", "", true, true), Streamed("bare64.txt", "sizes in 64 bits", false, true),
                  ZipEntry("after.txt", "after")}}),
    [](const auto& info) { return std::string(info.param.label); });

// A local header offset kept in the ZIP64 field is moved there.
TEST(DeleteTest, Zip64OffsetFieldIsMoved) {
  TempDir dir;
  const auto far = [](std::uint64_t offset) {
    ZipEntryFields e = ZipEntry("far.txt", "its offset in ZIP64 form");
    e.centralOffset = 0xFFFFFFFF;
    e.centralExtra = Zip64Extra({offset});
    return e;
  };
  WriteFile(dir / "old.zip", BuildZip({ZipEntry("drop.txt", "dropped", true), far(30 + 8 + 7)}));
  ASSERT_TRUE(Delete(dir / "old.zip", dir / "new.zip", {"drop.txt"}).ok);
  EXPECT_TRUE(ReadFile(dir / "new.zip") == BuildZip({far(0)}));
}

struct RefusedCase {
  const char* label;
  std::string (*bytes)();
  const char* reason;  // words the report must hold
};

class DeleteRefusesTest : public ::testing::TestWithParam<RefusedCase> {};

// An archive whose directory does not account for every entry is not
// rewritten: the deletion fails, saying why.
TEST_P(DeleteRefusesTest, ReportsAndWritesNothing) {
  TempDir dir;
  WriteFile(dir / "old.zip", GetParam().bytes());
  const Deletion d = Delete(dir / "old.zip", dir / "new.zip", {"a.txt"});
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.code, 3);
  EXPECT_NE(d.reported.find(dir / "old.zip"), std::string::npos) << d.reported;
  EXPECT_NE(d.reported.find(GetParam().reason), std::string::npos) << d.reported;
}

std::string TwoWith(const std::function<void(ZipEntryFields&, ZipLayout&)>& change) {
  ZipEntryFields b = ZipEntry("b.txt", std::string(100, 'b'));
  ZipLayout layout;
  change(b, layout);
  return BuildZip({ZipEntry("a.txt", "a"), b}, layout);
}

INSTANTIATE_TEST_SUITE_P(
    Archives, DeleteRefusesTest,
    ::testing::Values(
        RefusedCase{"NoLocalHeader", [] { return TwoWith([](auto& b, auto&) { b.centralOffset = 3; }); },
                    "no local header at offset 3"},
        RefusedCase{"DataPastDirectory",
                    [] { return TwoWith([](auto& b, auto&) { b.centralCompressed = 0x7FFFFFFF; }); }, "run past"},
        RefusedCase{"DescriptorMissing",
                    [] { return TwoWith([](auto& b, auto&) { b.flags = 0x0808; b.trailer = std::string(16, 'j'); }); },
                    "data descriptor"},
        RefusedCase{"EntriesOverlap",
                    [] {
                      const ZipEntryFields a = ZipEntry("a.txt", RandomBytes(900, 6), true);
                      ZipEntryFields b = ZipEntry("b.txt", "b");
                      b.centralOffset = 0;
                      b.centralCompressed = a.compressedSize;
                      return BuildZip({a, b});
                    },
                    "overlap"},
        RefusedCase{"CountDisagrees", [] { return TwoWith([](auto&, auto& l) { l.entriesTotal = 3; }); },
                    "counts 3 entries"},
        RefusedCase{"DamagedRecord", [] { return TwoWith([](auto&, auto& l) { l.directorySize = 110; }); },
                    "record 3"},
        RefusedCase{"NoDirectory",
                    [] {
                      const std::string zip = TwoWith([](auto&, auto&) {});
                      return zip.substr(0, ovktest::Field32(zip, zip.size() - 6));
                    },
                    "no central directory"}),
    [](const auto& info) { return std::string(info.param.label); });

// Info-ZIP zip enciphers with the check byte taken from the time (flag bit
// 3). After a deletion the kept entries still open with the password in
// every reader, and keep zip's own "version made by" and attributes.
TEST(DeleteTest, PeerEncipheredEntriesStayValid) {
  OVK_REQUIRE_TOOL("zip");
  TempDir dir;
  WriteFile(dir / "src/keep.txt", std::string(2000, 'k') + "end\n");
  WriteFile(dir / "src/drop.txt", "drop\n");
  WriteFile(dir / "src/run.sh", "#!/bin/sh\necho hi\n");
  chmod((dir / "src/run.sh").c_str(), 0755);
  ASSERT_EQ(ovktest::Run("cd " + Quote(dir / "src") + " && zip -q -P pw ../z.zip keep.txt drop.txt run.sh").exitCode, 0);
  ASSERT_TRUE(Delete(dir / "z.zip", dir / "new.zip", {"drop.txt"}).ok);
  EXPECT_EQ(EntryNames(dir / "new.zip"), (Names{"keep.txt", "run.sh"}));
  const FileTree expected = {{"keep.txt", std::string(2000, 'k') + "end\n"},
                             {"run.sh", "#!/bin/sh\necho hi\n"}};
  EXPECT_TRUE(ExtractAll(dir / "new.zip", dir / "own", "pw").ok);
  EXPECT_EQ(ReadTree(dir / "own"), expected);
  for (Peer peer : {Peer::Unzip, Peer::SevenZip, Peer::Python}) {
    if (!HaveTool(PeerTool(peer))) continue;
    const std::string out = dir / ("out-" + std::string(PeerName(peer)));
    EXPECT_EQ(PeerTest(peer, dir / "new.zip", "pw"), "") << PeerName(peer);
    EXPECT_EQ(PeerExtract(peer, dir / "new.zip", out, "pw"), "") << PeerName(peer);
    EXPECT_EQ(ReadTree(out), expected) << PeerName(peer);
  }
  if (HaveTool("unzip")) {
    EXPECT_EQ(ReadModes(dir / "out-unzip")["run.sh"], 0755u);
  }
}

// Entries of another tool compressed with bzip2 or LZMA keep their method
// through a deletion; relabelled as deflate they would no longer extract.
TEST(DeleteTest, KeptEntriesKeepTheirCompressionMethod) {
  OVK_REQUIRE_TOOL("python3");
  TempDir dir;
  const std::string script =
      "import zipfile,sys\n"
      "with zipfile.ZipFile(sys.argv[1],'w') as z:\n"
      " z.writestr(zipfile.ZipInfo('bz.txt'), b'bzip2 '*500, zipfile.ZIP_BZIP2)\n"
      " z.writestr(zipfile.ZipInfo('drop.txt'), b'gone', zipfile.ZIP_DEFLATED)\n"
      " z.writestr(zipfile.ZipInfo('xz.txt'), b'lzma '*500, zipfile.ZIP_LZMA)\n";
  WriteFile(dir / "make.py", script);
  ASSERT_EQ(ovktest::Run("python3 " + Quote(dir / "make.py") + " " + Quote(dir / "m.zip")).exitCode, 0);
  ASSERT_TRUE(Delete(dir / "m.zip", dir / "new.zip", {"drop.txt"}).ok);
  EXPECT_EQ(EntryNames(dir / "new.zip"), (Names{"bz.txt", "xz.txt"}));
  const FileTree expected = {{"bz.txt", [] { std::string t; for (int i = 0; i < 500; ++i) t += "bzip2 "; return t; }()},
                             {"xz.txt", [] { std::string t; for (int i = 0; i < 500; ++i) t += "lzma "; return t; }()}};
  EXPECT_EQ(PeerTest(Peer::Python, dir / "new.zip", ""), "");
  EXPECT_EQ(PeerExtract(Peer::Python, dir / "new.zip", dir / "out", ""), "");
  EXPECT_EQ(ReadTree(dir / "out"), expected);
}

TEST(DeleteTest, NativeArchiveIsRefused) {
  TempDir dir;
  const std::string native = NativeHeader(3) + CodedNativeEntry("a.txt", "native");
  WriteFile(dir / "n.ovk", native);
  const Deletion d = Delete(dir / "n.ovk", dir / "t.tmp", {"a.txt"});
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.code, 3);
  EXPECT_EQ(ReadFile(dir / "n.ovk"), native);
  const Deletion missing = Delete(dir / "absent.zip", dir / "t2.tmp", {});
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.code, 3);
}

// The files beside the archive, the archive included: a temporary file left
// behind would show here.
Names FilesBeside(const std::string& archive) {
  Names names;
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(archive).parent_path())) {
    if (e.is_regular_file()) names.push_back(e.path().filename().string());
  }
  return names;
}

class DeleteAndReplaceTest : public ::testing::Test {
 protected:
  void TearDown() override { ovk::ClearFaults(); }
};

TEST_F(DeleteAndReplaceTest, ReplacesTheArchive) {
  TempDir dir;
  const std::string archive = MakeThree(dir);
  int code = -1;
  EXPECT_TRUE(DeleteAndReplace(archive, {"a.txt"}, code));
  EXPECT_EQ(code, 0);
  EXPECT_EQ(EntryNames(archive), (Names{"sub\\b.txt", "sub\\c.bin"}));
  EXPECT_EQ(FilesBeside(archive), Names{"three.zip"});
}

// A private archive must not become readable by others through a deletion,
// nor an executable one lose its bits; root keeps another user's archive
// theirs. An archive without any write bit is not rewritten, not even by root.
TEST_F(DeleteAndReplaceTest, KeepsTheArchivePermissionsAndOwner) {
  const bool root = geteuid() == 0;
  for (const mode_t mode : {0600, 0640, 0755, 0444}) {
    TempDir dir;
    const std::string archive = MakeThree(dir);
    ASSERT_EQ(chmod(archive.c_str(), mode), 0);
    if (root) {
      ASSERT_EQ(chown(archive.c_str(), 65534, 65534), 0);
    }
    struct stat before;
    ASSERT_EQ(stat(archive.c_str(), &before), 0);
    const std::string bytes = ReadFile(archive);
    int code = -1;
    const bool writable = (mode & 0200) != 0;
    EXPECT_EQ(DeleteAndReplace(archive, {"a.txt"}, code), writable) << std::oct << mode;
    EXPECT_EQ(code, writable ? 0 : 3);
    struct stat after;
    ASSERT_EQ(stat(archive.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(ReadFile(archive) == bytes, !writable) << std::oct << mode;
  }
}

// Another user who may write the folder swaps the temporary file for a link
// to a file of theirs while the copy is written: that file keeps its owner,
// mode and content, and the archive stays as it was.
TEST_F(DeleteAndReplaceTest, ATemporaryFileSwappedForALinkGivesNothingAway) {
  TempDir dir;
  const std::string archive = MakeThree(dir);
  ASSERT_EQ(chmod(archive.c_str(), 0600), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(archive.c_str(), 65534, 65534), 0);
  }
  const std::string victim = dir / "victim.txt", bytes = ReadFile(archive);
  WriteFile(victim, "someone else's\n");
  ASSERT_EQ(chmod(victim.c_str(), 0644), 0);
  struct stat before;
  ASSERT_EQ(stat(victim.c_str(), &before), 0);
  struct Swapper : ovk::OperationObserver {
    std::string folder, victim;
    bool swapped = false;
    void Progress(const ovk::ProgressSnapshot&) override {
      for (const auto& e : std::filesystem::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (swapped || name.find(".ovk-") == std::string::npos) continue;
        std::filesystem::rename(e.path(), folder + "/moved");
        std::filesystem::create_symlink(victim, e.path());
        swapped = true;
      }
    }
  } swapper;
  swapper.folder = dir.Path();
  swapper.victim = victim;
  const ovk::OperationReport report = ovk::DeleteFromArchive(ovk::DeleteRequest{archive, {"a.txt"}}, swapper);
  ASSERT_TRUE(swapper.swapped);
  ASSERT_EQ(report.Lines().size(), 1u);
  EXPECT_EQ(report.Lines()[0], archive + ": cannot replace it with the new archive: another program replaced the "
                                         "new archive's temporary file; the archive is unchanged");
  struct stat after;
  ASSERT_EQ(stat(victim.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  EXPECT_EQ(ReadFile(victim), "someone else's\n");
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(archive)));
  EXPECT_TRUE(ReadFile(archive) == bytes);
}

// Through a symbolic link the file it points at is rewritten; the link stays.
TEST_F(DeleteAndReplaceTest, ALinkToTheArchiveStays) {
  TempDir dir;
  const std::string archive = MakeThree(dir);
  MakeDirs(dir / "links");
  ASSERT_EQ(symlink("../three.zip", (dir / "links/l.zip").c_str()), 0);
  int code = -1;
  EXPECT_TRUE(DeleteAndReplace(dir / "links/l.zip", {"a.txt"}, code));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "links/l.zip"));
  EXPECT_EQ(EntryNames(archive), (Names{"sub\\b.txt", "sub\\c.bin"}));
  EXPECT_EQ(FilesBeside(archive), Names{"three.zip"});
}

TEST_F(DeleteAndReplaceTest, FailuresLeaveNoTemporaryFile) {
  TempDir dir;
  const std::string archive = MakeThree(dir);
  const std::string before = ReadFile(archive);
  int code = -1;
  ovk::InjectFault(ovk::FaultOp::Rename, 1, EACCES);
  EXPECT_FALSE(DeleteAndReplace(archive, {"a.txt"}, code));
  EXPECT_EQ(code, 3);
  EXPECT_EQ(ReadFile(archive), before);
  EXPECT_EQ(FilesBeside(archive), Names{"three.zip"});

  ovk::ClearFaults();
  ovk::InjectFault(ovk::FaultOp::Write, 2, ENOSPC);
  EXPECT_FALSE(DeleteAndReplace(archive, {"a.txt"}, code));
  EXPECT_EQ(code, 3);
  EXPECT_EQ(ReadFile(archive), before);
  EXPECT_EQ(FilesBeside(archive), Names{"three.zip"});

  ovk::ClearFaults();
  WriteFile(dir / "n/n.ovk", NativeHeader(3));
  EXPECT_FALSE(DeleteAndReplace(dir / "n/n.ovk", {}, code));
  EXPECT_EQ(FilesBeside(dir / "n/n.ovk"), Names{"n.ovk"});
}

}  // namespace
}  // namespace ovktest
