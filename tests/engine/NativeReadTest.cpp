// Reading native containers of every layout: recognition, the entry walk,
// listing and extraction, damaged and truncated files.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include "ArchiveBytes.h"
#include "WriteTestUtil.h"
#include "coding/Payload.h"
#include "common/TestUtil.h"
#include "engine/Archive.h"
#include "engine/format/Registry.h"
#include "engine/formats/native/NativeLayout.h"
#include "support/ByteOrder.h"

namespace ovktest {
namespace {

const std::string kTextA = "first entry, some text that compresses: aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n";
const std::string kBinB = RandomBytes(3000, 7);

// Two entries in the given layout, the second inside a folder stored with "/".
std::string TwoEntryArchive(std::uint32_t version) {
  std::string out = NativeHeader(version);
  if (version >= 3) {
    out += CodedNativeEntry("a.txt", kTextA, "", 0x4A2B5C6D);
    out += CodedNativeEntry("sub/b.bin", kBinB, "", 0x4B000000);
  } else {
    out += NativeEntry(version, "a.txt", ovk::CompressString(kTextA, ovk::kLevelDefault));
    out += NativeEntry(version, "sub/b.bin", ovk::CompressString(kBinB, ovk::kLevelDefault));
  }
  return out;
}

std::string PackedSizeField(const std::string& line) {
  const auto first = line.find(';');
  return line.substr(first + 1, line.find(';', first + 1) - first - 1);
}

class NativeLayoutTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(NativeLayoutTest, ListsAndExtractsBothEntries) {
  const std::uint32_t version = GetParam();
  TempDir dir;
  WriteFile(dir / "a.ovk", TwoEntryArchive(version));

  const Listing l = ListFile(dir / "a.ovk");
  ASSERT_TRUE(l.ok);
  ASSERT_EQ(l.lines.size(), 2u);
  const std::string packedA = PackedSizeField(l.lines[0]);
  if (version >= 3) {
    EXPECT_EQ(l.lines[0], "a.txt;" + packedA + ";" + std::to_string(0x4A2B5C6D) + ";" +
                              std::to_string(kTextA.size()) + ";0;0");
    EXPECT_EQ(l.lines[1].substr(0, 10), "sub\\b.bin;");
    EXPECT_NE(l.lines[1].find(";" + std::to_string(0x4B000000) + ";3000;0;0"), std::string::npos);
  } else {
    // Older layouts carry no entry header: time, size and flags read as zero.
    EXPECT_EQ(l.lines[0], "a.txt;" + std::to_string(ovk::CompressString(kTextA, ovk::kLevelDefault).size()) +
                              ";0;0;0;0");
    EXPECT_EQ(l.lines[1], "sub\\b.bin;" + std::to_string(ovk::CompressString(kBinB, ovk::kLevelDefault).size()) +
                              ";0;0;0;0");
  }

  const Extraction x = ExtractAll(dir / "a.ovk", dir / "out/deeper");
  EXPECT_TRUE(x.ok);
  EXPECT_EQ(x.code, 0);
  EXPECT_EQ(ReadFile(dir / "out/deeper/a.txt"), kTextA);
  EXPECT_EQ(ReadFile(dir / "out/deeper/sub/b.bin"), kBinB);
}

TEST_P(NativeLayoutTest, NegativePackedSizeEndsTheWalk) {
  const std::uint32_t version = GetParam();
  TempDir dir;
  const std::string payload = ovk::CompressString("x", ovk::kLevelDefault);
  WriteFile(dir / "a.ovk", NativeHeader(version) + NativeEntry(version, "one", payload) +
                               NativeEntry(version, "stop", payload, {}, 0xFFFFFFFF) +
                               NativeEntry(version, "hidden", payload));
  const Listing l = ListFile(dir / "a.ovk");
  ASSERT_TRUE(l.ok);
  ASSERT_EQ(l.lines.size(), 1u);
  EXPECT_EQ(l.lines[0].substr(0, 4), "one;");
  if (version >= 3) return;  // the unchecked layouts extract the same walk
  EXPECT_TRUE(ExtractAll(dir / "a.ovk", dir / "out").ok);
  EXPECT_TRUE(Exists(dir / "out/one"));
  EXPECT_FALSE(Exists(dir / "out/stop"));
  EXPECT_FALSE(Exists(dir / "out/hidden"));
}

TEST_P(NativeLayoutTest, TruncatedInsideAnEntryKeepsTheEntriesBefore) {
  const std::uint32_t version = GetParam();
  const std::string whole = TwoEntryArchive(version);
  const std::string first = NativeHeader(version) + (version >= 3 ? CodedNativeEntry("a.txt", kTextA)
                                                                  : NativeEntry(version, "a.txt",
                                                                                ovk::CompressString(kTextA, ovk::kLevelDefault)));
  // Cut inside the second entry's name, header and packed-size field.
  for (std::size_t keep : {std::size_t{3}, std::size_t{(version >= 3) ? 20u : 11u}}) {
    SCOPED_TRACE(keep);
    TempDir dir;
    WriteFile(dir / "a.ovk", whole.substr(0, first.size() + keep));
    const Listing l = ListFile(dir / "a.ovk");
    EXPECT_TRUE(l.ok);
    ASSERT_EQ(l.lines.size(), 1u);
    const Extraction x = ExtractAll(dir / "a.ovk", dir / "out");
    EXPECT_FALSE(x.ok);
    EXPECT_EQ(x.code, 2) << "a cut archive is damaged data";
    EXPECT_EQ(ReadFile(dir / "out/a.txt"), kTextA);
  }
}

TEST_P(NativeLayoutTest, LastPayloadCutShortStillListsWithStoredSizes) {
  const std::uint32_t version = GetParam();
  TempDir dir;
  const std::string whole = TwoEntryArchive(version);
  WriteFile(dir / "a.ovk", whole.substr(0, whole.size() - 100));
  const Listing full = ListFile([&] {
    WriteFile(dir / "whole.ovk", whole);
    return dir / "whole.ovk";
  }());
  const Listing cut = ListFile(dir / "a.ovk");
  ASSERT_TRUE(cut.ok);
  EXPECT_EQ(cut.lines, full.lines);

  const Extraction x = ExtractAll(dir / "a.ovk", dir / "out");
  if (version >= 3) {
    EXPECT_EQ(x.code, 2);  // the short payload fails its check
    EXPECT_FALSE(Exists(dir / "out/sub/b.bin"));
  } else {
    EXPECT_EQ(x.code, 0);  // unchecked layouts write what inflates
    EXPECT_TRUE(Exists(dir / "out/sub/b.bin"));
    EXPECT_EQ(kBinB.substr(0, 100), ReadFile(dir / "out/sub/b.bin").substr(0, 100));
  }
  EXPECT_EQ(ReadFile(dir / "out/a.txt"), kTextA);
}

INSTANTIATE_TEST_SUITE_P(Layouts, NativeLayoutTest, ::testing::Values(0u, 1u, 2u, 3u, 7u));

TEST(NativeRead, OldLayoutNameFieldAlwaysTakes256Bytes) {
  TempDir dir;
  // A name field whose unused bytes look like another entry must be skipped whole.
  std::string field(1, '\x01');
  field += "n";
  field += std::string(1, '\x03') + "bad";
  field.resize(256, '\0');
  std::string payload = ovk::CompressString("v1", ovk::kLevelDefault);
  std::string entry = field;
  ovk::PutLE32(entry, static_cast<std::uint32_t>(payload.size()));
  WriteFile(dir / "a.ovk", NativeHeader(1) + entry + payload);
  const Listing l = ListFile(dir / "a.ovk");
  ASSERT_EQ(l.lines.size(), 1u);
  EXPECT_EQ(l.lines[0], "n;" + std::to_string(payload.size()) + ";0;0;0;0");
}

TEST(NativeRead, EmptyNameEndsTheWalk) {
  TempDir dir;
  const std::string payload = ovk::CompressString("x", ovk::kLevelDefault);
  WriteFile(dir / "a.ovk", NativeHeader(2) + NativeEntry(2, "a", payload) + NativeEntry(2, "", payload) +
                               NativeEntry(2, "b", payload));
  EXPECT_EQ(ListFile(dir / "a.ovk").lines.size(), 1u);
}

TEST(NativeRead, HeaderOnlyFileListsNothing) {
  TempDir dir;
  WriteFile(dir / "a.ovk", NativeHeader(3));
  const Listing l = ListFile(dir / "a.ovk");
  EXPECT_TRUE(l.ok);
  EXPECT_TRUE(l.lines.empty());
  const Extraction x = ExtractAll(dir / "a.ovk", dir / "out");
  EXPECT_TRUE(x.ok);
  EXPECT_EQ(x.code, 0);
}

struct DescriptorCase {
  std::uint32_t length;
  std::uint32_t version;
  std::uint32_t time;
};

class DescriptorLengthTest : public ::testing::TestWithParam<DescriptorCase> {};

// Never copied past the 9-byte record; a shorter one leaves the rest zero,
// a longer one's surplus is skipped.
TEST_P(DescriptorLengthTest, CopiesAtMostTheRecordAndStartsAtTheFirstEntry) {
  const DescriptorCase c = GetParam();
  TempDir dir;
  const std::string header = NativeHeader(3, 0x11223344, c.length);
  const std::string entry = NativeEntry(0, "e", "payload");
  WriteFile(dir / "a.ovk", header + entry);
  ovk::DataFile file;
  ASSERT_TRUE(ovk::OpenArchiveForReading(file, dir / "a.ovk"));
  ovk::FormatProblem problem;
  ASSERT_EQ(ovk::Identify(file, problem), &ovk::NativeMagicFormat());
  const ovk::NativeDescriptor info = ovk::ReadNativeDescriptor(file);
  EXPECT_EQ(info.version, c.version);
  EXPECT_EQ(info.time, c.time);
  EXPECT_EQ(ovk::FilePos64(file), static_cast<std::int64_t>(header.size()));
  if (c.version < 2) {
    const auto reader = ovk::NativeMagicFormat().Read(file, dir / "a.ovk", "");
    ovk::Entry read;
    ovk::Damage damage;
    ASSERT_TRUE(reader->Next(read, damage));
    EXPECT_EQ(read.name, "e");
  }
  EXPECT_FALSE(ovk::CloseDataFile(file));
}

INSTANTIATE_TEST_SUITE_P(Lengths, DescriptorLengthTest,
                         ::testing::Values(DescriptorCase{9, 3, 0x11223344}, DescriptorCase{0, 0, 0},
                                           DescriptorCase{5, 3, 0}, DescriptorCase{40, 3, 0x11223344}));

TEST(NativeRead, SurplusDescriptorBytesAreNotReadAsEntries) {
  TempDir dir;
  WriteFile(dir / "a.ovk", NativeHeader(3, 0, 30) + CodedNativeEntry("z.txt", "zz"));
  const Listing l = ListFile(dir / "a.ovk");
  ASSERT_EQ(l.lines.size(), 1u);
  EXPECT_EQ(l.lines[0].substr(0, 6), "z.txt;");
}

// A file without the magic whose walk parses to its end is the oldest layout;
// that layout is never written, so nothing is added to it.
TEST(NativeRead, HeaderlessFileIsReadAsOldestLayout) {
  TempDir dir;
  const std::string payload = ovk::CompressString("raw", ovk::kLevelDefault);
  const std::string bytes = NativeEntry(0, "guess.txt", payload);
  WriteFile(dir / "raw.bin", bytes);
  const Listing l = ListFile(dir / "raw.bin");
  ASSERT_EQ(l.lines.size(), 1u);
  EXPECT_EQ(l.lines[0], "guess.txt;" + std::to_string(payload.size()) + ";0;0;0;0");
  EXPECT_TRUE(ExtractAll(dir / "raw.bin", dir / "out").ok);
  EXPECT_EQ(ReadFile(dir / "out/guess.txt"), "raw");

  WriteFile(dir / "new.txt", "new");
  EXPECT_EQ(AddReport(dir / "raw.bin", dir / "new.txt").Lines(),
            std::vector<std::string>{"cannot add to " + (dir / "raw.bin") +
                                     ": entries are added only to native, ZIP, tar and 7z archives, this one is headerless native"});
  EXPECT_TRUE(ReadFile(dir / "raw.bin") == bytes);
}

TEST(NativeRead, EncipheredEntriesNeedTheRightPassword) {
  TempDir dir;
  WriteFile(dir / "p.ovk", NativeHeader(3) + CodedNativeEntry("one.txt", kTextA, "secret") +
                               CodedNativeEntry("two.bin", kBinB, "secret"));
  const Listing l = ListFile(dir / "p.ovk");
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_EQ(l.lines[0].back(), '1');

  Extraction x = ExtractAll(dir / "p.ovk", dir / "good", "secret");
  EXPECT_TRUE(x.ok);
  EXPECT_EQ(ReadFile(dir / "good/one.txt"), kTextA);
  EXPECT_EQ(ReadFile(dir / "good/two.bin"), kBinB);

  x = ExtractAll(dir / "p.ovk", dir / "wrong", "Secret");
  EXPECT_FALSE(x.ok);
  EXPECT_EQ(x.code, 2);
  EXPECT_FALSE(Exists(dir / "wrong/one.txt"));

  x = ExtractAll(dir / "p.ovk", dir / "none");
  EXPECT_FALSE(x.ok);
  EXPECT_EQ(x.code, 1);
  EXPECT_FALSE(Exists(dir / "none/one.txt"));
}

TEST(NativeRead, EncipheredEntryStopsTheWalkEvenWhenNotSelected) {
  TempDir dir;
  WriteFile(dir / "p.ovk", NativeHeader(3) + CodedNativeEntry("one", "1") + CodedNativeEntry("two", "2", "pw") +
                               CodedNativeEntry("three", "3"));
  const Extraction x = ExtractAll(dir / "p.ovk", dir / "out", "", {"three"});
  EXPECT_FALSE(x.ok);
  EXPECT_EQ(x.code, 1);
  EXPECT_FALSE(Exists(dir / "out/three"));
  EXPECT_FALSE(Exists(dir / "out/one"));
}

// The packed size of a damaged entry claims almost 2 GiB: the payload
// buffer must stay within what the file holds.
TEST(NativeRead, LyingPackedSizeAllocatesNoMoreThanTheFileHolds) {
  TempDir dir;
  const std::string payload = ovk::CompressString(kTextA, ovk::kLevelDefault);
  WriteFile(dir / "v2.ovk", NativeHeader(2) + NativeEntry(2, "big", payload, {}, 0x7FFFFFF0));
  std::string v3 = CodedNativeEntry("big", kTextA);
  WriteFile(dir / "v3.ovk", NativeHeader(3) + v3.substr(0, 1 + 3 + 17) + std::string("\xF0\xFF\xFF\x7F", 4) +
                                v3.substr(1 + 3 + 17 + 4));
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const Extraction x2 = ExtractAll(dir / "v2.ovk", dir / "out2");
  const Extraction x3 = ExtractAll(dir / "v3.ovk", dir / "out3");
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024);  // KiB
  // What the file does hold is the whole payload, so both decode.
  EXPECT_EQ(x2.code, 0);
  EXPECT_EQ(ReadFile(dir / "out2/big"), kTextA);
  EXPECT_EQ(x3.code, 0);
  EXPECT_EQ(ReadFile(dir / "out3/big"), kTextA);
  // The listing shows the stored value and ends there.
  const Listing l = ListFile(dir / "v2.ovk");
  ASSERT_EQ(l.lines.size(), 1u);
  EXPECT_EQ(l.lines[0], "big;2147483632;0;0;0;0");
}

}  // namespace
}  // namespace ovktest
