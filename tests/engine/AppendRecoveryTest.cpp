// Appending to a ZIP archive whose end record was lost: an append killed
// midway leaves the old entries and the new ones written so far, the last
// of them cut anywhere. The next append must give back a directory of every
// complete entry that every tool reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "WriteTestUtil.h"
#include "common/TestUtil.h"
#include "engine/Archive.h"
#include "ArchiveBytes.h"
#include "engine/ExtractFromArchive.h"
#include "engine/ZipFormat.h"

namespace ovktest {
namespace {

namespace fs = std::filesystem;

struct Directory {
  bool found = false;
  std::uint64_t directoryOffset = 0;
  std::vector<std::uint64_t> offsets;  // local headers, ascending
  std::uint64_t entries = 0;
};

Directory ReadDirectory(const std::string& archive) {
  Directory d;
  ovk::DataFile file;
  if (!ovk::OpenArchiveForReading(file, archive)) return d;
  std::int64_t first = 0;
  ovk::ZipEndRecord end;
  ovk::CentralDirectoryStream stream;
  d.found = ovk::LocateZipDirectory(file, first, &end, nullptr, &stream) >= 0;
  ovk::CloseDataFile(file);
  d.directoryOffset = end.directoryOffset;
  d.entries = end.entriesTotal;
  for (const ovk::CentralRecord& record : ovk::IndexCentralDirectory(stream)) d.offsets.push_back(record.offset);
  return d;
}

class AppendRecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_["o1.txt"] = std::string(3000, 'a');
    old_["o2.bin"] = RandomBytes(5000, 1);
    old_["o3.txt"] = "three\n";
    added_["n1.bin"] = RandomBytes(4000, 2);
    added_["n2.txt"] = std::string(9000, 'n');
    added_["n3.bin"] = RandomBytes(700, 3);
    for (const auto& [name, data] : old_) WriteFile(dir_ / ("old/" + name), data);
    for (const auto& [name, data] : added_) WriteFile(dir_ / ("new/" + name), data);
    WriteFile(dir_ / "late/late.txt", "added after the recovery\n");
    ASSERT_TRUE(Add(before_, dir_ / "old"));
    fs::copy_file(before_, after_);
    ASSERT_TRUE(Add(after_, dir_ / "new"));
  }

  // The file an append killed after writing the first cut bytes leaves (it
  // cuts the old directory before it writes).
  void WriteKilledState(const std::string& path, std::size_t cut) {
    WriteFile(path, ReadFile(after_).substr(0, cut));
  }

  TempDir dir_;
  const std::string before_ = dir_ / "before.zip";
  const std::string after_ = dir_ / "after.zip";
  std::map<std::string, std::string> old_, added_;
};

TEST_F(AppendRecoveryTest, EveryKilledStateGetsADirectoryOfAllCompleteEntries) {
  const Directory before = ReadDirectory(before_), after = ReadDirectory(after_);
  ASSERT_TRUE(before.found && after.found);
  ASSERT_EQ(after.offsets.size(), 6u);
  const std::string afterNames[] = {"n1.bin", "n2.txt", "n3.bin"};
  const std::size_t size = ReadFile(after_).size();
  std::set<std::size_t> cuts;
  for (std::size_t c = before.directoryOffset; c < size; c += 41) cuts.insert(c);
  for (std::uint64_t o : after.offsets) cuts.insert(o), cuts.insert(o + 1), cuts.insert(o + 30);
  cuts.insert(after.directoryOffset);
  cuts.insert(size - 1);

  int checked = 0;
  for (std::size_t cut : cuts) {
    if (cut < before.directoryOffset) continue;
    SCOPED_TRACE("cut at " + std::to_string(cut));
    const std::string archive = dir_ / ("k" + std::to_string(cut) + ".zip");
    WriteKilledState(archive, cut);
    ASSERT_TRUE(Add(archive, dir_ / "late"));

    std::map<std::string, std::string> expected = old_;
    for (std::size_t i = 0; i < 3; ++i) {
      const std::uint64_t end = i + 4 < after.offsets.size() ? after.offsets[i + 4] : after.directoryOffset;
      if (end <= cut) expected[afterNames[i]] = added_[afterNames[i]];
    }
    expected["late.txt"] = "added after the recovery\n";

    const Directory recovered = ReadDirectory(archive);
    ASSERT_TRUE(recovered.found);
    EXPECT_EQ(recovered.entries, expected.size());
    EXPECT_EQ(recovered.offsets.size(), expected.size());
    const std::string out = dir_ / ("x" + std::to_string(cut));
    EXPECT_TRUE(ovktest::ExtractAll(archive, out).ok);
    EXPECT_EQ(ReadTree(out), expected);
    // The peers start from the end record: a few states are enough for them.
    if (checked++ % 40 == 0) {
      for (Peer peer : {Peer::Unzip, Peer::Python}) {
        if (!HaveTool(PeerTool(peer))) continue;
        EXPECT_EQ(PeerTest(peer, archive), "") << PeerName(peer);
      }
    }
    fs::remove_all(out);
    fs::remove(archive);
  }
  EXPECT_GT(checked, 100);
}

// A local header that leaves its sizes to a data descriptor does not tell
// where its payload ends: such an archive is left exactly as it was.
TEST_F(AppendRecoveryTest, StreamedEntryWithoutDirectoryIsLeftAlone) {
  std::string bytes = ReadFile(before_).substr(0, ReadDirectory(before_).directoryOffset);
  const std::string payload = "streamed, its sizes only behind it";
  // Signature, version, flags (bit 3), method, time and date, CRC-32 and
  // both sizes zero, name length 1, no extra field.
  bytes += FromHex("504b0304" "1400" "0800" "0000" "00000000" "00000000" "00000000" "00000000" "0100" "0000");
  bytes += "s" + payload;
  const std::string archive = dir_ / "streamed.zip";
  WriteFile(archive, bytes);
  EXPECT_FALSE(Add(archive, dir_ / "late"));
  EXPECT_TRUE(ReadFile(archive) == bytes);
}

// Bytes behind the last complete entry that no killed append leaves could be
// entries the walk does not see: cutting them off could lose them.
TEST_F(AppendRecoveryTest, UnknownBytesBehindTheEntriesAreLeftAlone) {
  const std::string entries = ReadFile(before_).substr(0, ReadDirectory(before_).directoryOffset);
  for (const std::string& tail : {std::string("damaged bytes, then PK\3\4?"), std::string("P!")}) {
    SCOPED_TRACE(tail);
    const std::string archive = dir_ / "damaged.zip";
    WriteFile(archive, entries + tail);
    EXPECT_FALSE(Add(archive, dir_ / "late"));
    EXPECT_TRUE(ReadFile(archive) == entries + tail);
  }
}

}  // namespace
}  // namespace ovktest
