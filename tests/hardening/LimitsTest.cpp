// Limits that must hold: many entries, the longest names, deep folders, many
// empty files, ZIP bombs, end records that point into themselves, and the
// backward search over a large file without a signature.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "HardeningUtil.h"
#include "common/TestUtil.h"
#include "../engine/ArchiveBytes.h"
#include "../engine/WriteTestUtil.h"
#include "coding/Crc32.h"
#include "coding/Payload.h"
#include "engine/Archive.h"
#include "engine/DeleteFromArchive.h"
#include "engine/ExtractFromArchive.h"
#include "engine/ListArchive.h"
#include "engine/formats/zip/ZipFormat.h"
#include "support/ByteOrder.h"
#include "support/FaultInjection.h"
#include "support/FileUnit.h"

namespace fs = std::filesystem;

namespace ovkhard {
namespace {

std::string Numbered(const char* prefix, int i) {
  char name[64];
  std::snprintf(name, sizeof name, "%s%06d.txt", prefix, i);
  return name;
}

// Both containers: the limits hold for native archives as well.
class Limits : public ::testing::TestWithParam<bool> {
 protected:
  bool Native() const { return GetParam(); }
  ovktest::AddOptions Options() const {
    ovktest::AddOptions o;
    o.native = Native();
    return o;
  }
  ovktest::TempDir dir_;
};

TEST_P(Limits, HundredThousandEntriesListWhole) {
  constexpr int kEntries = 100000;
  const std::string archive = dir_ / "many.arc";
  std::string bytes;
  if (Native()) {
    bytes = ovktest::NativeHeader(3);
    const std::string payload = ovk::CompressString("x", ovk::kLevelDefault);
    for (int i = 0; i < kEntries; ++i) bytes += ovktest::NativeEntry(3, Numbered("dir\\n", i), payload);
  } else {
    std::vector<ovktest::ZipEntryFields> entries;
    entries.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i) entries.push_back(ovktest::ZipEntry(Numbered("dir/n", i), "x", true));
    bytes = ovktest::BuildZip(entries);
  }
  ovktest::WriteFile(archive, bytes);

  // Its speed is the bench's to measure; here every entry must come back.
  const ovktest::Listing listed = ovktest::ListFile(archive);
  ASSERT_TRUE(listed.ok);
  const std::vector<std::string>& lines = listed.lines;
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kEntries));
  EXPECT_EQ(lines.back().substr(0, lines.back().find(';')), Numbered("dir\\n", kEntries - 1));
}

TEST_P(Limits, NamesOfExactly255BytesRoundTrip) {
  const std::string longest(255, 'n');
  const std::string inFolder = "sub\\" + std::string(251, 'm');  // 255 bytes stored
  ovktest::WriteFile(dir_ / ("src/" + longest), "longest name");
  ovktest::WriteFile(dir_ / ("src/sub/" + std::string(251, 'm')), "longest path");
  const std::string archive = dir_ / "long.arc";
  ASSERT_TRUE(ovktest::Add(archive, dir_ / "src", Options()));
  EXPECT_EQ(ovktest::EntryNames(archive), (std::vector<std::string>{longest, inFolder}));
  const ArchiveContent content = ReadArchive(archive);
  EXPECT_TRUE(content.extracted);
  EXPECT_EQ(content.files, (std::map<std::string, std::string>{{longest, "longest name"}, {inFolder, "longest path"}}));
}

// 200 folders deep the stored names outgrow 255 bytes: ZIP stores each one
// whole, the native container leaves out the files whose names it cannot
// hold; everything up to that depth round-trips, and the walk and the
// extraction end.
TEST_P(Limits, FoldersNested200Deep) {
  constexpr int kDepth = 200;
  std::string folder = dir_ / "src";
  std::string stored;
  std::map<std::string, std::string> fitting;
  for (int level = 0; level < kDepth; ++level) {
    ovktest::WriteFile(folder + "/f", "level " + std::to_string(level));
    if (stored.size() + 1 <= 255) fitting[stored + "f"] = "level " + std::to_string(level);
    folder += "/a";
    stored += "a\\";
  }
  const std::string archive = dir_ / "deep.arc";
  const ovk::OperationReport report = ovktest::AddReport(archive, dir_ / "src", Options());
  EXPECT_EQ(report.failures.size(), Native() ? kDepth - fitting.size() : 0u) << "each name it cannot hold is named";
  const std::vector<std::string> names = ovktest::EntryNames(archive);
  ASSERT_EQ(names.size(), Native() ? fitting.size() : static_cast<std::size_t>(kDepth));
  const ArchiveContent content = ReadArchive(archive);
  for (const auto& [name, data] : fitting) {
    const auto found = content.files.find(name);
    ASSERT_NE(found, content.files.end()) << name.size() << "-byte name";
    EXPECT_EQ(found->second, data);
  }
}

TEST_P(Limits, TenThousandEmptyFiles) {
  constexpr int kFiles = 10000;
  const int files = Scaled(kFiles);
  // Creating files is slow on some disks: a memory file system when there is one.
  ForeignFolder fast(dir_.Path());
  ScopedTmpdir tmp(fast.Path());
  const std::string source = fast.Path() + "/src";
  ovktest::MakeDirs(source);
  for (int i = 0; i < files; ++i) std::ofstream(source + "/" + Numbered("e", i));
  const std::string archive = dir_ / "empty.arc";
  ASSERT_TRUE(ovktest::Add(archive, source, Options()));
  std::vector<std::string> lines;
  {
    const ovktest::Listing listed = ovktest::ListFile(archive);
    ASSERT_TRUE(listed.ok);
    lines = listed.lines;
  }
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(files));
  for (const std::string& line : lines) {
    // name;packed;time;original size 0;flags;encrypted
    std::vector<std::string> fields;
    std::size_t from = 0, at;
    while ((at = line.find(';', from)) != std::string::npos) {
      fields.push_back(line.substr(from, at - from));
      from = at + 1;
    }
    ASSERT_EQ(fields.size(), 5u) << line;
    ASSERT_EQ(fields[3], "0") << line;
  }
  const ArchiveContent content = ReadArchive(archive);
  EXPECT_TRUE(content.extracted);
  ASSERT_EQ(content.files.size(), static_cast<std::size_t>(files));
  for (const auto& [name, data] : content.files) ASSERT_TRUE(data.empty()) << name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, Limits, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Native" : "Zip"; });

// Peak resident memory above what the process held before the call, in MiB.
class PeakMemory {
 public:
  PeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from now
    before_ = Read("VmRSS:");
  }
  long GrowthMiB() const { return (Read("VmHWM:") - before_) / 1024; }

 private:
  static long Read(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
      if (word == key) {
        long kb = 0;
        status >> kb;
        return kb;
      }
    }
    return 0;
  }
  long before_ = 0;
};

TEST(PeakMemoryProbe, SeesAnAllocationItMeasures) {
  const PeakMemory peak;
  std::string block(64u << 20, 'x');
  EXPECT_GE(peak.GrowthMiB(), 60) << block.size();
}

struct Bomb {
  const char* what;
  bool native;
  std::uint32_t claimedSize;
  std::size_t realSize;  // zero bytes the payload inflates to
};

class ZipBombs : public ::testing::TestWithParam<Bomb> {};

// A bomb is refused (failed check, no file written) and costs no more memory
// than its claimed size (plus the archive itself), never what it would inflate to.
TEST_P(ZipBombs, RefusedWithinTheClaimedSize) {
  const Bomb& bomb = GetParam();
  const std::string expansion(bomb.realSize, '\0');
  // A true checksum for what it claims, which is not what it holds: the
  // claimed-small bomb's checksum covers all of its expansion, the
  // claimed-huge one's cannot be that of the little it really holds.
  const bool claimsHuge = bomb.claimedSize > bomb.realSize;
  const std::uint32_t crc = ovk::Crc32(expansion) ^ (claimsHuge ? 1u : 0u);
  ovktest::TempDir dir;
  const std::string archive = dir / "bomb.arc";
  if (bomb.native) {
    ovk::EntryHeader header;
    header.originalSize = bomb.claimedSize;
    header.crc32 = crc;
    ovktest::WriteFile(archive, ovktest::NativeHeader(3) +
                                    ovktest::NativeEntry(3, "bomb.bin", ovk::CompressString(expansion, ovk::kLevelMaximum),
                                                         header));
  } else {
    ovktest::ZipEntryFields entry = ovktest::ZipEntry("bomb.bin", expansion);
    entry.uncompressedSize = bomb.claimedSize;
    entry.crc32 = crc;
    ovktest::WriteFile(archive, ovktest::BuildZip({entry}));
  }
  const std::string claimedDescription = std::to_string(bomb.claimedSize) + " bytes claimed";
  const PeakMemory peak;
  const ovktest::Extraction x = ovktest::ExtractAll(archive, dir / "out");
  const long growth = peak.GrowthMiB();
  EXPECT_FALSE(x.ok) << claimedDescription;
  EXPECT_EQ(x.code, ovk::kExitCheckFailed);
  EXPECT_FALSE(ovktest::Exists(dir / "out/bomb.bin"));
  const long bound = static_cast<long>(std::min<std::size_t>(bomb.claimedSize, bomb.realSize) >> 20) + 16;
  std::printf("[ limits ] %s: peak memory grew by %ld MiB (bound %ld MiB)\n", bomb.what, growth, bound);
  EXPECT_LE(growth, bound);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ZipBombs,
    ::testing::Values(Bomb{"ZIP entry claiming 4 GiB, inflating to 1 MiB", false, 0xFFFFFFF0u, 1 << 20},
                      Bomb{"ZIP entry claiming 1000 bytes, inflating to 256 MiB", false, 1000, 256u << 20},
                      Bomb{"native entry claiming 4 GiB, inflating to 1 MiB", true, 0xFFFFFFF0u, 1 << 20},
                      Bomb{"native entry claiming 1000 bytes, inflating to 256 MiB", true, 1000, 256u << 20}),
    [](const auto& info) {
      return std::string(info.param.native ? "Native" : "Zip") + (info.param.claimedSize > 1000 ? "ClaimsHuge" : "ClaimsSmall");
    });

std::string EndRecord(std::uint16_t entries, std::uint32_t size, std::uint32_t offset) {
  std::string e;
  ovk::PutLE32(e, ovk::kSigEndRecord);
  ovk::PutLE16(e, 0);
  ovk::PutLE16(e, 0);
  ovk::PutLE16(e, entries);
  ovk::PutLE16(e, entries);
  ovk::PutLE32(e, size);
  ovk::PutLE32(e, offset);
  ovk::PutLE16(e, 0);
  return e;
}

std::string CentralRecordAt(std::uint32_t localOffset, const std::string& name) {
  std::string c;
  ovk::PutLE32(c, ovk::kSigCentralHeader);
  for (std::uint16_t v : {45, 20, 0x800, 8, 0, 0}) ovk::PutLE16(c, v);
  for (int i = 0; i < 3; ++i) ovk::PutLE32(c, 0);
  ovk::PutLE16(c, static_cast<std::uint16_t>(name.size()));
  for (int i = 0; i < 4; ++i) ovk::PutLE16(c, 0);
  ovk::PutLE32(c, 0);
  ovk::PutLE32(c, localOffset);
  return c + name;
}

// The directory "starts" at the ZIP64 record itself.
std::string Zip64SelfPointing() {
  return ovktest::Zip64EndAndLocator(1, 56, 0, 0) + EndRecord(0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF);
}

struct Knot {
  const char* name;
  std::string (*bytes)();
};

class SelfPointingEnds : public ::testing::TestWithParam<Knot> {};

// Every operation ends on such a file (a loop would meet the test's
// time-out), appending gives an archive that holds the new entry or is
// refused (the file left as it was), and deleting fails or writes a
// readable one.
TEST_P(SelfPointingEnds, EveryOperationEnds) {
  ovktest::TempDir dir;
  const std::string archive = dir / "knot.zip";
  ovktest::WriteFile(archive, GetParam().bytes());
  ovktest::WriteFile(dir / "new.txt", "appended");

  EXPECT_TRUE(ovktest::ListFile(archive).ok);
  EXPECT_NE(ovktest::ExtractAll(archive, dir / "out").code, ovk::kExitNoPassword) << "nothing here is enciphered";
  ovk::OperationReport report;
  if (ovk::WriteArchiveWithout(archive, dir / "new.tmp", {"loop.txt"}, report, ovk::SilentObserver())) {
    EXPECT_TRUE(ovktest::ListFile(dir / "new.tmp").ok);
  }
  ovktest::AddOptions append;
  append.recurse = false;
  const std::string before = ovktest::ReadFile(archive);
  const std::vector<std::string> refused = ovktest::AddReport(archive, dir / "new.txt", append).Lines();
  if (refused.empty()) {
    const ArchiveContent after = ReadArchive(archive);
    EXPECT_EQ(after.files.count("new.txt"), 1u);
    EXPECT_EQ(after.files.at("new.txt"), "appended");
    EXPECT_LT(fs::file_size(archive), 4096u);
  } else {
    // No directory can be located: the file holds no archive to add to.
    EXPECT_EQ(refused, std::vector<std::string>{archive + ": not an archive this program can read; nothing was added"});
    EXPECT_TRUE(ovktest::ReadFile(archive) == before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Knots, SelfPointingEnds,
    ::testing::Values(
        Knot{"EndRecordIsItsOwnDirectory", [] { return std::string(16, 'j') + EndRecord(1, 46, 16); }},
        Knot{"CentralRecordPointsAtItself",
             [] {
               const std::string central = CentralRecordAt(0, "loop.txt");
               return central + EndRecord(1, static_cast<std::uint32_t>(central.size()), 0);
             }},
        Knot{"LocalHeaderOffsetIsTheEndRecord",
             [] {
               const std::string central = CentralRecordAt(0, "loop.txt");
               return central + EndRecord(1, static_cast<std::uint32_t>(central.size()), 0).substr(0, 16) +
                      std::string(4, '\0') + "\0\0";
             }},
        Knot{"Zip64RecordIsItsOwnDirectory", Zip64SelfPointing}),
    [](const auto& info) { return std::string(info.param.name); });

// Reads are counted rather than timed: a search that went back over what it
// had read, or read byte by byte, needs many times the reads of one pass.
TEST(LargeFiles, SignatureSearchOverOneGibibyteReadsTheFileOnce) {
  ovktest::TempDir dir;
  const std::string path = dir / "sparse.bin";
  std::ofstream(path).close();
  constexpr std::uint64_t kSize = std::uint64_t{1} << 30;
  fs::resize_file(path, kSize);
  // One pass in blocks of 64 KiB, with room for the block boundaries.
  constexpr int kOnePass = static_cast<int>(kSize / (64 * 1024)) * 2 + 64;
  ovk::DataFile file;
  ASSERT_TRUE(ovk::OpenArchiveForReading(file, path));
  ovk::ClearFaults();
  EXPECT_EQ(ovk::FindSignatureBackward(file, ovk::kSigEndRecord, ovk::FileSize64(file) - 22), -1);
  const int searchReads = ovk::FaultOpCount(ovk::FaultOp::Read);
  EXPECT_FALSE(ovk::CloseDataFile(file));
  ovk::ClearFaults();
  const ovktest::Listing listed = ovktest::ListFile(path);
  const int listingReads = ovk::FaultOpCount(ovk::FaultOp::Read);
  EXPECT_TRUE(listed.lines.empty());
  std::printf("[ limits ] 1 GiB without a signature: search %d reads, listing %d reads\n", searchReads, listingReads);
  EXPECT_LT(searchReads, kOnePass);
  EXPECT_LT(listingReads, kOnePass);
}

}  // namespace
}  // namespace ovkhard
