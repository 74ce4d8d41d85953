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
#include "engine/RepairArchive.h"
#include "engine/formats/zip/ZipDirectory.h"
#include "engine/formats/zip/ZipFormat.h"
#include "support/ArchiveLock.h"

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
  EXPECT_FALSE(ovk::CloseDataFile(file));
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

// A repair waits for the writer that holds the archive (an add has the
// directory cut off for a while) and can stop waiting.
TEST_F(AppendRecoveryTest, RepairWaitsForTheLockAndCanStop) {
  for (const bool stop : {true, false}) {
    const std::string archive = dir_ / "w.zip";
    WriteKilledState(archive, ReadDirectory(after_).directoryOffset);
    const std::string bytes = ReadFile(archive);
    struct Waiter : ovk::OperationObserver {
      std::unique_ptr<ovk::ArchiveLock> holder;
      bool stop = false;
      int waits = 0;
      void Waiting(const std::string&) override {
        ++waits;
        if (!stop) holder.reset();
      }
      bool CancelRequested() override { return stop; }
    } waiter;
    waiter.holder = std::make_unique<ovk::ArchiveLock>(archive, false, nullptr);
    waiter.stop = stop;
    std::string reason;
    ovk::RepairNotes notes;
    EXPECT_EQ(ovk::RepairArchive(archive, reason, notes, waiter), stop ? ovk::RepairOutcome::kCancelled
                                                               : ovk::RepairOutcome::kRepaired);
    EXPECT_EQ(waiter.waits, 1);
    EXPECT_EQ(ReadFile(archive) == bytes, stop);
  }
}

// Bytes the walk cannot prove to be a whole entry stay in the file (a
// record the end of the file cuts excepted, which goes): an entry whose
// sizes only a missing data descriptor would tell, unknown bytes. The next
// add keeps every proven entry and names what it left out or cut.
TEST_F(AppendRecoveryTest, UnprovenBytesStayInTheFile) {
  const std::string entries = ReadFile(before_).substr(0, ReadDirectory(before_).directoryOffset);
  // Signature, version, flags (bit 3), method, time and date, CRC-32 and
  // both sizes zero, name length 1, no extra field.
  const std::string streamed = FromHex("504b0304" "1400" "0800" "0000" "00000000" "00000000" "00000000" "00000000"
                                       "0100" "0000") + "sstreamed, its sizes only behind it";
  const struct {
    std::string tail, kept;
    const char* note;
  } cases[] = {
      {streamed, streamed, "s: cannot be proven whole and is left out"},
      {BuildZip({ZipEntry("cut.txt", std::string(300, 'c'), true)}).substr(0, 60), "",
       "cut.txt: the end of the file cuts it short; it is removed"},
      {"damaged bytes, then PK\3\4?", "damaged bytes, then ", "offset"},
      {"P!", "P!", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kept);
    const std::string archive = dir_ / "damaged.zip";
    WriteFile(archive, entries + c.tail);
    const ovk::OperationReport report = AddReport(archive, dir_ / "late");
    EXPECT_TRUE(report.failures.empty());
    ASSERT_EQ(report.notes.size(), c.note ? 1u : 0u);
    if (c.note) {
      EXPECT_NE(report.notes[0].find(c.note), std::string::npos) << report.notes[0];
    }
    EXPECT_TRUE(ReadFile(archive).substr(0, entries.size() + c.kept.size()) == entries + c.kept);
    EXPECT_EQ(ReadDirectory(archive).entries, 4u);
    EXPECT_EQ(PeerTest(Peer::Python, archive), "");
  }
}

// Four entries, the end record lost and one local header's size field
// damaged (too large: unzip accepts all four once the end record is put
// back; too small: unzip then fails the damaged one): the repair keeps all
// four, proven by their CRC-32, whether the old directory is still there or
// not. The peers read them by the new directory.
TEST_F(AppendRecoveryTest, RepairPassesOverADamagedSizeField) {
  std::vector<ZipEntryFields> fields;
  std::map<std::string, std::string> contents;
  for (int i = 0; i < 4; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    contents[name] = std::string(200 + 50 * i, static_cast<char>('a' + i)) + RandomBytes(40, i);
    fields.push_back(ZipEntry(name, contents[name], i == 3));
  }
  const std::string whole = BuildZip(fields);
  const Directory d = ReadDirectory([&] {
    WriteFile(dir_ / "whole.zip", whole);
    return dir_ / "whole.zip";
  }());
  const std::size_t damaged = d.offsets[1] + 18;  // the second entry's compressed size
  for (const std::uint32_t wrong : {0x7FFFFFF0u, 3u}) {
    for (const bool withDirectory : {true, false}) {
      SCOPED_TRACE(std::to_string(wrong) + (withDirectory ? " with its directory" : " without it"));
      std::string bytes = whole;
      bytes.replace(damaged, 4, std::string(reinterpret_cast<const char*>(&wrong), 4));
      if (HaveTool("unzip") && withDirectory && wrong > whole.size()) {
        WriteFile(dir_ / "peer.zip", bytes);
        EXPECT_EQ(PeerTest(Peer::Unzip, dir_ / "peer.zip"), "");
      }
      bytes.resize(withDirectory ? bytes.size() - 22 : d.directoryOffset);
      const std::string archive = dir_ / "r.zip";
      WriteFile(archive, bytes);
      std::string reason;
      ovk::RepairNotes notes;
      EXPECT_EQ(ovk::RepairArchive(archive, reason, notes, ovk::SilentObserver()), ovk::RepairOutcome::kRepaired);
      EXPECT_EQ(reason, "");
      // The local header is set right, so that it agrees with the new record.
      EXPECT_EQ(notes.lines, std::vector<std::string>{"f1.txt: its local size field was wrong and is set right"});
      EXPECT_FALSE(notes.damaged);
      EXPECT_EQ(ReadDirectory(archive).entries, 4u);
      const std::string out = dir_ / "x";
      EXPECT_EQ(ExtractAll(archive, out).code, ovk::kExitOk);
      EXPECT_EQ(ReadTree(out), contents);
      std::filesystem::remove_all(out);
      EXPECT_EQ(PeerExtract(Peer::Python, archive, out), "");
      EXPECT_EQ(ReadTree(out), contents);
      if (HaveTool("unzip") && wrong > whole.size()) {
        EXPECT_EQ(PeerTest(Peer::Unzip, archive), "");
      }
      std::filesystem::remove_all(out);
    }
  }
}

// A repair that cannot prove any entry whole leaves the file as it was.
TEST_F(AppendRecoveryTest, RepairWithNothingProvenChangesNothing) {
  std::string bytes = BuildZip({ZipEntry("a.txt", std::string(300, 'a'))});
  bytes.resize(bytes.size() - 22);
  bytes[40] ^= 0x55;  // in the payload: the CRC-32 no longer matches
  const std::string archive = dir_ / "n.zip";
  WriteFile(archive, bytes);
  std::string reason;
  ovk::RepairNotes notes;
  EXPECT_EQ(ovk::RepairArchive(archive, reason, notes, ovk::SilentObserver()), ovk::RepairOutcome::kFailed);
  EXPECT_EQ(reason, "none of its entries can be proven whole");
  EXPECT_TRUE(ReadFile(archive) == bytes);
}

}  // namespace
}  // namespace ovktest
