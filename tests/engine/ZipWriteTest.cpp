// The bytes the writers put on disk: local headers, central records, data
// descriptors, the end records (ZIP64 beyond 4 GiB) and the native header.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "WriteTestUtil.h"
#include "common/TestUtil.h"
#include "engine/Archive.h"
#include "engine/formats/native/NativeLayout.h"
#include "engine/formats/zip/ZipFormat.h"
#include "support/ByteOrder.h"
#include "support/FileUnit.h"

namespace ovktest {
namespace {

using ovk::DataFile;

constexpr std::size_t kLocalFixed = 30;
constexpr std::size_t kCentralFixed = 46;
constexpr std::size_t kEndRecord = 22;

// The local header at the file's position and its central record.
void WriteLocalHeader(DataFile& f, const std::string& name, const ovk::EntryHeader& header, std::uint32_t packed,
                      ovk::CentralDirectoryStream& directory, const ovk::ZipEntryAttributes& attributes = {}) {
  const auto position = static_cast<std::uint64_t>(ovk::FilePos64(f));
  const ovk::EntrySizes sizes{header.originalSize, packed, false};
  const std::string bytes = ovk::ZipLocalHeaderBytes(name, header, sizes, attributes, position);
  ovk::WriteBlock(f, bytes.data(), bytes.size());
  ovk::AppendZipEntryRecord(directory, name, header, sizes, attributes, position);
}

ovk::EntryHeader SampleHeader(bool encrypted, bool stored = false) {
  ovk::EntryHeader h;
  h.time = 0x5A21634C;
  h.originalSize = 1234;
  h.flags = stored ? ovk::kEntryStored : 0;
  h.encrypted = encrypted ? 1 : 0;
  h.crc32 = 0xCAFEBABE;
  return h;
}

void OpenNew(DataFile& file, const std::string& path) {
  ASSERT_FALSE(ovk::CreateOrTruncate(file, path));
}

// Bytes of a file from an offset to its end (the file may be sparse and large).
std::string Tail(const std::string& path, std::uint64_t from) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(from));
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct HeaderCase {
  const char* label;
  bool encrypted, stored;
  std::uint16_t flags, method;
};

class LocalHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

// Local header, central record and end record of one entry written at
// offset 0, field by field.
TEST_P(LocalHeaderTest, FieldsOfLocalAndCentralRecords) {
  const HeaderCase& c = GetParam();
  TempDir dir;
  const std::string path = dir / "a.zip";
  const ovk::EntryHeader h = SampleHeader(c.encrypted, c.stored);
  ovk::ZipEntryAttributes attributes;
  attributes.versionMadeBy = ovk::kUnixVersionMadeBy;
  attributes.externalAttributes = 0100644u << 16;
  {
    DataFile f;
    OpenNew(f, path);
    ovk::CentralDirectoryStream directory;
    WriteLocalHeader(f, "docs\\sub\\r.txt", h, 77, directory, attributes);
    ovk::WriteBlock(f, std::string(77, 'p').data(), 77);
    ovk::ZipEndRecord end;
    ovk::WriteZipDirectoryEnd(f, "note", end, false, 1, directory);
    EXPECT_FALSE(ovk::CloseDataFile(f));
  }
  const std::string b = ReadFile(path);
  const std::string name = "docs/sub/r.txt";
  ASSERT_EQ(Field32(b, 0), ovk::kSigLocalHeader);
  EXPECT_EQ(Field16(b, 4), 20);
  EXPECT_EQ(Field16(b, 6), c.flags);
  EXPECT_EQ(Field16(b, 8), c.method);
  EXPECT_EQ(Field32(b, 10), h.time);
  EXPECT_EQ(Field32(b, 14), h.crc32);
  EXPECT_EQ(Field32(b, 18), 77u);
  EXPECT_EQ(Field32(b, 22), 1234u);
  EXPECT_EQ(Field16(b, 26), name.size());
  EXPECT_EQ(Field16(b, 28), 0);  // no extra field
  EXPECT_EQ(b.substr(kLocalFixed, name.size()), name);

  std::size_t at = kLocalFixed + name.size() + 77;
  const std::size_t directoryOffset = at;
  ASSERT_EQ(Field32(b, at), ovk::kSigCentralHeader);
  EXPECT_EQ(Field16(b, at + 4), 0x032D);
  EXPECT_EQ(b.substr(at + 6, 26), b.substr(4, 26)) << "shared fields differ";
  EXPECT_EQ(Field16(b, at + 30), 0);  // extra
  EXPECT_EQ(Field16(b, at + 32), 0);  // comment
  EXPECT_EQ(Field32(b, at + 38), 0100644u << 16);
  EXPECT_EQ(Field32(b, at + 42), 0u);  // local header offset
  EXPECT_EQ(b.substr(at + kCentralFixed, name.size()), name);

  at += kCentralFixed + name.size();
  ASSERT_EQ(b.size(), at + kEndRecord + 4);
  EXPECT_EQ(Field32(b, at), ovk::kSigEndRecord);
  EXPECT_EQ(Field16(b, at + 8), 1);
  EXPECT_EQ(Field16(b, at + 10), 1);
  EXPECT_EQ(Field32(b, at + 12), at - directoryOffset);
  EXPECT_EQ(Field32(b, at + 16), directoryOffset);
  EXPECT_EQ(Field16(b, at + 20), 4);
  EXPECT_EQ(b.substr(at + 22), "note");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, LocalHeaderTest,
    ::testing::Values(HeaderCase{"Deflated", false, false, 0x0800, 8},
                      HeaderCase{"Encrypted", true, false, 0x0801, 8},
                      HeaderCase{"Stored", false, true, 0x0800, 0}),
    [](const auto& info) { return std::string(info.param.label); });

// An entry and a directory beyond the 32-bit range: version 45, the ZIP64
// offset field in the central record, the ZIP64 end record and locator, and
// clamped fields in the classic end record. Python's zipfile reads it back.
TEST(Zip64Test, EntryAndDirectoryBeyondFourGiB) {
  TempDir dir;
  const std::string path = dir / "big.zip";
  const std::uint64_t at = 0x100000000ull;  // sparse: nothing is written before it
  const ovk::EntryHeader h = SampleHeader(false, true);
  {
    DataFile f;
    OpenNew(f, path);
    ovk::Seek64(f, static_cast<std::int64_t>(at));
    ovk::CentralDirectoryStream directory;
    WriteLocalHeader(f, "far.bin", h, 0, directory);
    ovk::ZipEndRecord end;
    ovk::WriteZipDirectoryEnd(f, "", end, false, 1, directory);
    EXPECT_FALSE(ovk::CloseDataFile(f));
  }
  const std::string b = Tail(path, at);
  EXPECT_EQ(Field16(b, 4), 45);  // version needed in the local header
  const std::size_t central = kLocalFixed + 7;
  ASSERT_EQ(Field32(b, central), ovk::kSigCentralHeader);
  EXPECT_EQ(Field16(b, central + 4), 45);  // designed default "version made by"
  EXPECT_EQ(Field16(b, central + 6), 45);
  EXPECT_EQ(Field16(b, central + 30), 12);
  EXPECT_EQ(Field32(b, central + 42), 0xFFFFFFFFu);
  const std::string extra = b.substr(central + kCentralFixed + 7, 12);
  EXPECT_EQ(Field16(extra, 0), 1);
  EXPECT_EQ(Field16(extra, 2), 8);
  EXPECT_EQ(ovk::GetLE64(extra.data() + 4), at);

  const std::size_t end64 = central + kCentralFixed + 7 + 12;
  ASSERT_EQ(Field32(b, end64), ovk::kSigZip64EndRecord);
  EXPECT_EQ(ovk::GetLE64(b.data() + end64 + 4), 44u);
  EXPECT_EQ(Field16(b, end64 + 14), 45);
  EXPECT_EQ(ovk::GetLE64(b.data() + end64 + 32), 1u);  // entries total
  EXPECT_EQ(ovk::GetLE64(b.data() + end64 + 48), at + central);
  const std::size_t locator = end64 + 56;
  ASSERT_EQ(Field32(b, locator), ovk::kSigZip64Locator);
  EXPECT_EQ(ovk::GetLE64(b.data() + locator + 8), at + end64);
  EXPECT_EQ(Field32(b, locator + 16), 1u);
  const std::size_t end = locator + 20;
  ASSERT_EQ(Field32(b, end), ovk::kSigEndRecord);
  EXPECT_EQ(Field32(b, end + 16), 0xFFFFFFFFu);
  EXPECT_EQ(b.size(), end + kEndRecord);

  if (!HaveTool("python3")) return;
  const CommandResult r = ovktest::Run(
      "python3 -c 'import sys,zipfile; i=zipfile.ZipFile(sys.argv[1]).infolist(); "
      "print(len(i), i[0].filename, i[0].header_offset)' " + Quote(path));
  EXPECT_EQ(r.output, "1 far.bin " + std::to_string(at) + "\n");
}

// The classic end record clamps a count that overflows its 16-bit fields;
// from 65,535 entries on the ZIP64 end record and locator carry the true
// count (appending adds to the one it was given).
TEST(ZipEndRecordTest, CountsFromTheLimitOnGoToZip64) {
  for (const std::uint64_t total : {0xFFFEull, 0xFFFFull, 0x10001ull}) {
    SCOPED_TRACE(total);
    TempDir dir;
    const std::string path = dir / "e.zip";
    DataFile f;
    OpenNew(f, path);
    ovk::CentralDirectoryStream directory;
    WriteLocalHeader(f, "a", SampleHeader(false, true), 0, directory);
    ovk::ZipEndRecord end;
    end.entriesOnDisk = end.entriesTotal = total - 1;
    ovk::WriteZipDirectoryEnd(f, "", end, true, 1, directory);
    EXPECT_FALSE(ovk::CloseDataFile(f));
    const std::string b = ReadFile(path);
    const std::size_t classic = b.size() - kEndRecord;
    EXPECT_EQ(Field16(b, classic + 10), std::min<std::uint64_t>(total, 0xFFFF));
    const std::size_t zip64 = classic - 20 - 56;
    ASSERT_EQ(Field32(b, zip64) == ovk::kSigZip64EndRecord, total >= 0xFFFF);
    EXPECT_TRUE(total < 0xFFFF || ovk::GetLE64(b.data() + zip64 + 32) == total);
  }
}

TEST(NativeHeaderTest, MagicLengthAndDescriptor) {
  TempDir dir;
  DataFile f;
  OpenNew(f, dir / "n.ovk");
  ovk::WriteNativeHeader(ovk::NativeDescriptor{3, 0x11223344}, f);
  EXPECT_FALSE(ovk::CloseDataFile(f));
  EXPECT_EQ(ToHex(ReadFile(dir / "n.ovk")), "4b57545a" "09000000" "01" "03000000" "44332211");
}

}  // namespace
}  // namespace ovktest
