// Reading ZIP archives made byte by byte: the backward signature search, the
// directory search, local headers and what the central directory adds.
#include <gtest/gtest.h>

#include <random>

#include "ArchiveBytes.h"
#include "coding/Crc32.h"
#include "common/TestUtil.h"
#include "engine/Archive.h"
#include "engine/format/Format.h"
#include "engine/formats/zip/ZipFormat.h"
#include "engine/formats/zip/ZipMethods.h"
#include "support/ByteOrder.h"

namespace ovktest {
namespace {

const std::string kSig = "PK\x05\x06";

// The reference search on the bytes in memory: 200-byte windows stepping
// back by 197, cut at the end of the data.
std::int64_t ReferenceSearch(const std::string& data, std::int64_t start) {
  const auto size = static_cast<std::int64_t>(data.size());
  if (start < 0 || start + 4 > size) return -1;
  if (data.compare(start, 4, kSig) == 0) return start;
  for (std::int64_t p = start; p > 0;) {
    p = std::max<std::int64_t>(0, p - 197);
    const auto at = data.substr(p, std::min<std::int64_t>(200, size - p)).find(kSig);
    if (at != std::string::npos) return p + static_cast<std::int64_t>(at);
  }
  return -1;
}

std::int64_t SearchFile(const std::string& path, std::int64_t start) {
  ovk::DataFile file;
  EXPECT_TRUE(ovk::OpenArchiveForReading(file, path));
  const std::int64_t result = ovk::FindSignatureBackward(file, ovk::kSigEndRecord, start);
  EXPECT_FALSE(ovk::CloseDataFile(file));
  return result;
}

TEST(FindSignatureBackward, AgreesWithTheDesignedWindowsEverywhere) {
  TempDir dir;
  std::mt19937 gen(42);
  for (std::size_t size : {4u, 30u, 199u, 200u, 201u, 500u, 65536u + 300u, 200000u}) {
    for (int round = 0; round < 12; ++round) {
      std::string data(size, 'x');
      const int count = round % 4;  // none, one or several signatures
      for (int i = 0; i < count; ++i) data.replace(gen() % (size - 3), 4, kSig);
      WriteFile(dir / "f", data);
      for (std::int64_t start : {static_cast<std::int64_t>(size) - 22, static_cast<std::int64_t>(size) - 4,
                                 static_cast<std::int64_t>(gen() % size)}) {
        SCOPED_TRACE(testing::Message() << "size " << size << " start " << start);
        EXPECT_EQ(SearchFile(dir / "f", start), ReferenceSearch(data, start));
      }
    }
  }
}

TEST(FindSignatureBackward, WindowRulesOnKnownPlacements) {
  TempDir dir;
  std::string data(300, 'x');
  data.replace(10, 4, kSig);
  data.replace(150, 4, kSig);
  WriteFile(dir / "f", data);
  EXPECT_EQ(SearchFile(dir / "f", 150), 150);  // at the start itself
  EXPECT_EQ(SearchFile(dir / "f", 278), 150);  // first window [81, 281)
  EXPECT_EQ(SearchFile(dir / "f", 100), 10);   // clamped window [0, 200) finds the lowest
  // A signature straddling two windows' overlap is still found.
  std::string straddle(1000, 'x');
  straddle.replace(1000 - 22 - 197 - 2, 4, kSig);
  WriteFile(dir / "g", straddle);
  EXPECT_EQ(SearchFile(dir / "g", 1000 - 22), 1000 - 22 - 197 - 2);
}

struct Located {
  std::int64_t result = -1;
  std::int64_t firstLocal = -7;
  ovk::ZipEndRecord record;
  std::string comment;
  std::string directory;
  std::int64_t positionAfter = -1;
};

Located Locate(const std::string& path) {
  Located l;
  ovk::DataFile file;
  EXPECT_TRUE(ovk::OpenArchiveForReading(file, path));
  ovk::Seek64(file, 5);
  l.result = ovk::LocateZipDirectory(file, l.firstLocal, &l.record, &l.comment, &l.directory);
  l.positionAfter = ovk::FilePos64(file);
  EXPECT_FALSE(ovk::CloseDataFile(file));
  return l;
}

TEST(LocateZipDirectory, SmallArchiveWithCommentIsFound) {
  TempDir dir;
  ZipLayout layout;
  layout.comment = std::string(30, 'c');
  const std::string zip = BuildZip({ZipEntry("a", "hi", true)}, layout);
  ASSERT_LT(zip.size(), 200u);
  WriteFile(dir / "a.zip", zip);
  const Located l = Locate(dir / "a.zip");
  EXPECT_EQ(l.result, static_cast<std::int64_t>(zip.size() - 22 - 30));
  EXPECT_EQ(l.firstLocal, 0);
  EXPECT_EQ(l.comment, std::string(30, 'c'));
  EXPECT_EQ(l.record.entriesTotal, 1u);
  EXPECT_EQ(l.record.signature, ovk::kSigZip64EndRecord);
  EXPECT_EQ(l.record.versionNeeded, 20);
  EXPECT_EQ(l.directory.size(), 46u + 1u);
  EXPECT_EQ(l.positionAfter, 5);
}

TEST(LocateZipDirectory, UnusableDirectoriesGiveMinusOne) {
  TempDir dir;
  const std::vector<ZipEntryFields> one{ZipEntry("a", "hi")};
  std::string behind = BuildZip(one);
  behind.replace(behind.size() - 22 + 16, 4, std::string("\xF0\xFF\x00\x00", 4));  // offset behind the record
  for (const std::string& bytes : {std::string(21, 'z'), std::string(500, 'z'), behind}) {
    WriteFile(dir / "x.zip", bytes);
    const Located l = Locate(dir / "x.zip");
    EXPECT_EQ(l.result, -1);
    EXPECT_EQ(l.positionAfter, 5);
  }
}

// A ZIP behind a stub whose offsets count from its own start: the directory
// is where its end record says it ends, and every offset moves by the stub.
TEST(LocateZipDirectory, OffsetsCountingFromTheZipsOwnStartMoveByTheStub) {
  TempDir dir;
  ZipLayout unadjusted;
  unadjusted.prefix = std::string(64, 'p');
  unadjusted.offsetsIncludePrefix = false;
  WriteFile(dir / "x.zip", BuildZip({ZipEntry("a", "hi"), ZipEntry("b", "there")}, unadjusted));
  const Located l = Locate(dir / "x.zip");
  EXPECT_GE(l.result, 0);
  EXPECT_EQ(l.record.prefixBytes, 64u);
  EXPECT_EQ(l.firstLocal, 64);
  const std::vector<ovk::CentralRecord> records = ovk::IndexCentralDirectory(l.directory, l.record.prefixBytes);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].offset, 64u);
  EXPECT_EQ(records[0].name, "a");
}

TEST(LocateZipDirectory, LyingDirectorySizeIsBoundedByTheFile) {
  TempDir dir;
  ZipLayout lying;
  lying.directorySize = 0xFFFFFF00;
  const std::string zip = BuildZip({ZipEntry("a.txt", "content")}, lying);
  WriteFile(dir / "a.zip", zip);
  const Located l = Locate(dir / "a.zip");
  EXPECT_GE(l.result, 0);
  EXPECT_LE(l.directory.size(), zip.size());
  const Listing listing = ListFile(dir / "a.zip");
  ASSERT_EQ(listing.lines.size(), 1u);
}

TEST(LocateZipDirectory, Zip64EndRecordIsRead) {
  TempDir dir;
  std::string zip = BuildZip({ZipEntry("a.txt", "content")});
  const std::size_t e = zip.size() - 22;
  const std::uint32_t dirOffset = ovk::GetLE32(zip.data() + e + 16);
  const std::uint32_t dirSize = ovk::GetLE32(zip.data() + e + 12);
  const std::string z64 = Zip64EndAndLocator(1, dirSize, dirOffset, e, 0x032D);
  std::string end = zip.substr(e);
  end.replace(16, 4, std::string(4, '\xFF'));
  zip = zip.substr(0, e) + z64 + end;
  WriteFile(dir / "a.zip", zip);
  const Located l = Locate(dir / "a.zip");
  EXPECT_EQ(l.result, static_cast<std::int64_t>(e));
  EXPECT_EQ(l.record.versionMadeBy, 0x032D);
  EXPECT_EQ(l.record.versionNeeded, 45);
  EXPECT_EQ(l.record.directoryOffset, dirOffset);
  EXPECT_EQ(l.firstLocal, 0);
  ASSERT_EQ(ListFile(dir / "a.zip").lines.size(), 1u);
}

TEST(ZipRecognition, EmptyArchivesAndDataInFront) {
  TempDir dir;
  WriteFile(dir / "empty.zip", BuildZip({}));
  Listing l = ListFile(dir / "empty.zip");
  EXPECT_TRUE(l.ok);
  EXPECT_TRUE(l.lines.empty());
  EXPECT_EQ(Locate(dir / "empty.zip").firstLocal, 22);

  ZipLayout sfx;
  sfx.prefix = std::string(100, '\x01');
  WriteFile(dir / "sfx.zip", BuildZip({ZipEntry("in.txt", "inside")}, sfx));
  l = ListFile(dir / "sfx.zip");
  ASSERT_EQ(l.lines.size(), 1u);
  EXPECT_EQ(l.lines[0].substr(0, 7), "in.txt;");
  EXPECT_TRUE(ExtractAll(dir / "sfx.zip", dir / "out").ok);
  EXPECT_EQ(ReadFile(dir / "out/in.txt"), "inside");
}

struct NameCase {
  std::string stored;
  std::uint16_t flags;
  std::string expected;
};

class ZipNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ZipNameTest, NamesBecomeUtf8WithBackslashes) {
  const NameCase c = GetParam();
  TempDir dir;
  ZipEntryFields e = ZipEntry(c.stored, "x", true);
  e.flags = c.flags;
  WriteFile(dir / "n.zip", BuildZip({e, ZipEntry("next", "y", true)}));
  const Listing l = ListFile(dir / "n.zip");
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_EQ(l.lines[0], c.expected + ";1;" + std::to_string(0x4A2B5C6D) + ";1;1;0");
  EXPECT_EQ(l.lines[1].substr(0, 5), "next;");  // the walk stays in step
}

INSTANTIATE_TEST_SUITE_P(
    Names, ZipNameTest,
    ::testing::Values(NameCase{"dir/caf\xC3\xA9.txt", 0x0800, "dir\\caf\xC3\xA9.txt"},
                      NameCase{"caf\xC3\xA9.txt", 0, "caf\xC3\xA9.txt"},        // valid UTF-8 kept
                      NameCase{"caf\xE9 \x80.txt", 0, "caf\xC3\xA9 \xE2\x82\xAC.txt"},  // Windows-1252
                      NameCase{"caf\xE9", 0x0800, "caf\xE9"},                      // flagged: as is
                      NameCase{std::string(300, 'n'), 0x0800, std::string(300, 'n')}));  // never cut

// A known AE-2 archive (7-Zip, AES-128, stored) decodes to its known text;
// a wrong password fails the check.
TEST(ZipEntries, KnownAesArchiveBytesDecode) {
  TempDir dir;
  WriteFile(dir / "k.zip",
            FromHex("504b0304330001006300985b895d000000002b0000001700000005000b006b2e747874019907000200414501000039"
                    "a37a0a10cf6d9fa3704718ac8fe536dff80bbe5f6ea42186f30b761cdb66dd0895e2ea187ba7c178282a504b0102"
                    "3f03330001006300985b895d000000002b0000001700000005002f000000000000002080a481000000006b2e7478"
                    "740a00200000000000010018007b810175d087dd0100000000000000000000000000000000019907000200414501"
                    "0000504b0506000000000100010062000000590000000000"));
  ASSERT_TRUE(ExtractAll(dir / "k.zip", dir / "out", "password").ok);
  EXPECT_EQ(ReadFile(dir / "out/k.txt"), "WinZip AES known bytes\n");
  EXPECT_EQ(ExtractAll(dir / "k.zip", dir / "wrong", "passwort").code, 2);
}

// Info-ZIP's Unicode Path field names the entry in UTF-8, but only while its
// CRC-32 says it was made for the header's own name bytes.
TEST(ZipEntries, UnicodePathFieldNamesTheEntryWhenItsChecksumFits) {
  TempDir dir;
  const std::string raw = "caf\xE9.txt";
  auto withUnicodePath = [&](const std::string& name, std::uint32_t crc) {
    ZipEntryFields e = ZipEntry(raw, name, true);
    e.flags = 0;
    std::string field;
    ovk::PutLE16(field, 0x7075);
    ovk::PutLE16(field, static_cast<std::uint16_t>(5 + name.size()));
    field += '\x01';
    ovk::PutLE32(field, crc);
    e.localExtra = e.centralExtra = field + name;
    return e;
  };
  WriteFile(dir / "u.zip", BuildZip({withUnicodePath("caf\xC3\xA9-unicode.txt", ovk::Crc32(raw)),
                                     withUnicodePath("stale.txt", ovk::Crc32(raw) ^ 1)}));
  const Listing l = ListFile(dir / "u.zip");
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_EQ(l.lines[0].substr(0, l.lines[0].find(';')), "caf\xC3\xA9-unicode.txt");
  EXPECT_EQ(l.lines[1].substr(0, l.lines[1].find(';')), "caf\xC3\xA9.txt") << "a stale field is ignored";
}

TEST(ZipEntries, FieldsOfTheLocalHeaderAndTheCentralRecord) {
  TempDir dir;
  ZipEntryFields stored = ZipEntry("s.txt", "stored text", true);
  ZipEntryFields secret = ZipEntry("e.bin", "whatever");
  secret.flags |= ovk::kZipFlagEncrypted;
  secret.versionMadeBy = 0x0314;
  secret.externalAttributes = 0x81ED0000;
  secret.dosTime = 0x9A000000;  // a time from 2057 prints negative
  ZipEntryFields orphan = ZipEntry("o.txt", "not in the directory");
  orphan.inDirectory = false;
  WriteFile(dir / "f.zip", BuildZip({stored, secret, orphan}));

  const Listing l = ListFile(dir / "f.zip");
  ASSERT_EQ(l.lines.size(), 2u) << "the directory decides what the archive holds";
  EXPECT_EQ(l.lines[0], "s.txt;11;" + std::to_string(0x4A2B5C6D) + ";11;1;0");
  EXPECT_EQ(l.lines[1], "e.bin;" + std::to_string(secret.payload.size()) + ";" +
                            std::to_string(static_cast<std::int32_t>(0x9A000000)) + ";8;0;1");

  ovk::DataFile file;
  ASSERT_TRUE(ovk::OpenArchiveForReading(file, dir / "f.zip"));
  const auto reader = ovk::ZipArchiveFormat().Read(file, dir / "f.zip", "");
  EXPECT_EQ(reader->EntriesKnown(), 2u);
  ovk::Entry entry;
  ovk::Damage damage;
  std::vector<std::pair<ovk::Entry, ovk::Damage>> seen;
  while (reader->Next(entry, damage)) seen.emplace_back(entry, damage);
  EXPECT_FALSE(ovk::CloseDataFile(file));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].second.offset, 0);
  EXPECT_EQ(seen[0].first.method, "Stored");
  EXPECT_FALSE(seen[0].first.encrypted);
  EXPECT_EQ(seen[1].first.method, "Deflate");
  EXPECT_TRUE(seen[1].first.encrypted);
  EXPECT_EQ(seen[1].first.mode, 0755u) << "a Unix host's permission bits";
  EXPECT_EQ(seen[1].first.type, ovk::EntryType::kFile);
  EXPECT_EQ(seen[1].first.dosTime, 0x9A000000u);
  EXPECT_EQ(seen[1].second.offset, static_cast<std::int64_t>(30 + 5 + 11));
}

TEST(ZipEntries, CheckByteComesFromTheTimeWithADataDescriptor) {
  ovk::ZipEntryRecord entry;
  entry.header.time = 0x4A2B5C6D;
  EXPECT_EQ(ovk::ZipCheckByte(entry), -1);
  entry.zipFlags = ovk::kZipFlagDataDescriptor | ovk::kZipFlagEncrypted;
  EXPECT_EQ(ovk::ZipCheckByte(entry), 0x5C);
}

std::string DataDescriptor(const ZipEntryFields& e) {
  std::string d;
  ovk::PutLE32(d, ovk::kSigDataDescriptor);
  ovk::PutLE32(d, e.crc32);
  ovk::PutLE32(d, e.compressedSize);
  ovk::PutLE32(d, e.uncompressedSize);
  return d;
}

// Streamed entries: zero sizes in the local header, the real ones behind the
// payload and in the central record.
ZipEntryFields Streamed(const std::string& name, const std::string& content, bool inDirectory = true) {
  ZipEntryFields e = ZipEntry(name, content);
  e.trailer = DataDescriptor(e);
  e.centralCrc32 = e.crc32;
  e.centralCompressed = e.compressedSize;
  e.centralUncompressed = e.uncompressedSize;
  e.flags |= ovk::kZipFlagDataDescriptor;
  e.crc32 = e.compressedSize = e.uncompressedSize = 0;
  e.inDirectory = inDirectory;
  return e;
}

TEST(ZipEntries, DeferredSizesComeFromTheCentralRecord) {
  TempDir dir;
  const std::string one = RandomBytes(5000, 1), two(4000, 'q');
  WriteFile(dir / "s.zip", BuildZip({Streamed("one.bin", one), Streamed("two.txt", two)}));
  const Listing l = ListFile(dir / "s.zip");
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_NE(l.lines[0].find(";5000;0;0"), std::string::npos);
  EXPECT_NE(l.lines[1].find(";4000;0;0"), std::string::npos);
  ASSERT_TRUE(ExtractAll(dir / "s.zip", dir / "out").ok);
  EXPECT_EQ(ReadFile(dir / "out/one.bin"), one);
  EXPECT_EQ(ReadFile(dir / "out/two.txt"), two);
}

// Without a directory (an interrupted stream) the local headers are walked.
TEST(ZipEntries, DeferredSizesWithoutADirectoryListAsStoredAndScanOn) {
  TempDir dir;
  ZipEntryFields lost = Streamed("lost.txt", std::string(3000, 'l'), false);
  ZipEntryFields found = ZipEntry("found.txt", "here");
  found.inDirectory = false;
  const std::string zip = BuildZip({lost, found});
  WriteFile(dir / "s.zip", zip.substr(0, zip.size() - 22));  // no end record
  const Listing l = ListFile(dir / "s.zip");
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_EQ(l.lines[0], "lost.txt;0;" + std::to_string(0x4A2B5C6D) + ";0;0;0");
  EXPECT_EQ(l.lines[1].substr(0, 10), "found.txt;");
  const Extraction x = ExtractAll(dir / "s.zip", dir / "out");
  EXPECT_EQ(x.code, 3) << "an entry whose size is unknown is reported, not written empty";
  EXPECT_FALSE(Exists(dir / "out/lost.txt"));
  EXPECT_EQ(ReadFile(dir / "out/found.txt"), "here");
}

TEST(ZipEntries, Zip64ExtraInTheCentralRecordGivesTheSizes) {
  TempDir dir;
  const std::string content = RandomBytes(700, 3);
  ZipEntryFields e = ZipEntry("z.bin", content);
  e.centralCompressed = e.centralUncompressed = 0xFFFFFFFF;
  e.centralExtra = Zip64Extra({e.uncompressedSize, e.compressedSize});
  e.compressedSize = e.uncompressedSize = 0xFFFFFFFF;
  e.localExtra = Zip64Extra({700, e.payload.size()});
  WriteFile(dir / "z.zip", BuildZip({e}));
  const Listing l = ListFile(dir / "z.zip");
  ASSERT_EQ(l.lines.size(), 1u);
  EXPECT_NE(l.lines[0].find(";700;0;0"), std::string::npos);
  ASSERT_TRUE(ExtractAll(dir / "z.zip", dir / "out").ok);
  EXPECT_EQ(ReadFile(dir / "out/z.bin"), content);
}

// Sizes from the ZIP64 field are taken whole: a 20 GiB original size lists
// as such instead of being cut to 32 bits, and the entries behind it stay
// reachable; the content decides the entry's verdict by its CRC-32.
TEST(ZipEntries, RealSizesBeyond32BitsListWhole) {
  TempDir dir;
  ZipEntryFields huge = ZipEntry("huge.bin", "small really");
  huge.centralCompressed = huge.centralUncompressed = 0xFFFFFFFF;
  huge.centralExtra = Zip64Extra({std::uint64_t{5} << 32, huge.compressedSize});
  huge.compressedSize = huge.uncompressedSize = 0xFFFFFFFF;
  huge.localExtra = Zip64Extra({std::uint64_t{5} << 32, std::uint64_t{huge.payload.size()}});
  WriteFile(dir / "h.zip", BuildZip({ZipEntry("before.txt", "b"), huge, ZipEntry("after.txt", "a")}));
  const Listing l = ListFile(dir / "h.zip");
  ASSERT_EQ(l.lines.size(), 3u);
  EXPECT_EQ(l.lines[1].substr(0, l.lines[1].find(';', 9) + 1), "huge.bin;" + std::to_string(huge.payload.size()) + ";");
  EXPECT_NE(l.lines[1].find(";" + std::to_string(std::uint64_t{5} << 32) + ";"), std::string::npos) << l.lines[1];
  EXPECT_EQ(l.lines[2].substr(0, 10), "after.txt;");
  const Extraction x = ExtractAll(dir / "h.zip", dir / "out", "", {"after.txt"});
  EXPECT_TRUE(x.ok);
  EXPECT_EQ(ReadFile(dir / "out/after.txt"), "a");
  EXPECT_TRUE(ExtractAll(dir / "h.zip", dir / "all").ok);
  EXPECT_EQ(ReadFile(dir / "all/huge.bin"), "small really");
}

// Compressed sizes of 2^31 and more read as unsigned: the walk ends at the
// end of the file instead of moving backwards or looping.
TEST(ZipEntries, HugePackedSizesNeverMoveTheWalkBackwards) {
  for (std::uint32_t lying : {0x80000000u, 0xFFFFFFF0u}) {
    SCOPED_TRACE(lying);
    TempDir dir;
    ZipEntryFields e = ZipEntry("big.txt", "payload", true);
    e.compressedSize = lying;
    WriteFile(dir / "b.zip", BuildZip({ZipEntry("first", "1"), e, ZipEntry("behind", "2")}));
    const Listing l = ListFile(dir / "b.zip");
    ASSERT_EQ(l.lines.size(), 3u) << "the directory still leads to the entry behind";
    EXPECT_EQ(l.lines[1], "big.txt;" + std::to_string(static_cast<std::int32_t>(lying)) + ";" +
                              std::to_string(0x4A2B5C6D) + ";7;1;0");
    EXPECT_EQ(l.lines[2].substr(0, 7), "behind;");
    const Extraction x = ExtractAll(dir / "b.zip", dir / "out");
    EXPECT_EQ(x.code, 2);  // the payload runs past the end: damaged
    EXPECT_EQ(ReadFile(dir / "out/first"), "1");
  }
}

TEST(ZipEntries, GarbageBetweenEntriesIsScannedOver) {
  TempDir dir;
  ZipEntryFields a = ZipEntry("a", "aaa");
  a.trailer = "PK junk PK\x01 no header here";
  WriteFile(dir / "g.zip", BuildZip({a, ZipEntry("b", "bbb")}));
  const Listing l = ListFile(dir / "g.zip");
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_EQ(l.lines[1].substr(0, 2), "b;");
}

// What the records say of each entry reaches the neutral entry: its type
// from the name and the Unix mode, the mode only from a Unix host, the
// method by name, a link's target.
TEST(ZipEntries, RecordsBecomeTheNeutralEntry) {
  struct Case {
    ZipEntryFields fields;
    ovk::EntryType type;
    std::uint32_t mode;
    std::string method, linkTarget;
    bool undecodable;
  };
  ZipEntryFields folder = ZipEntry("d/", "", true);
  folder.externalAttributes = 0x41ED0000;
  ZipEntryFields link = ZipEntry("l", "target.txt", true);
  link.externalAttributes = 0xA1FF0000;
  ZipEntryFields dos = ZipEntry("w.txt", "from another host");
  dos.versionMadeBy = 0x0014;
  dos.externalAttributes = 0x20;
  ZipEntryFields ppmd = ZipEntry("p.bin", "x", true);
  ppmd.method = 98;
  const Case cases[] = {
      {folder, ovk::EntryType::kFolder, 0755, "Stored", "", false},
      {link, ovk::EntryType::kSymbolicLink, 0777, "Stored", "target.txt", false},
      {dos, ovk::EntryType::kFile, 0, "Deflate", "", false},
      {ppmd, ovk::EntryType::kFile, 0644, "PPMd", "", true},
      {AesEntry("a.txt", "secret text", "pw", 2, true), ovk::EntryType::kFile, 0644, "AES-256 Stored", "", false},
  };
  TempDir dir;
  std::vector<ZipEntryFields> all;
  for (const Case& c : cases) all.push_back(c.fields);
  WriteFile(dir / "n.zip", BuildZip(all));
  ovk::DataFile file;
  ASSERT_TRUE(ovk::OpenArchiveForReading(file, dir / "n.zip"));
  const auto reader = ovk::ZipArchiveFormat().Read(file, dir / "n.zip", "");
  ovk::Entry entry;
  ovk::Damage damage;
  for (const Case& c : cases) {
    ASSERT_TRUE(reader->Next(entry, damage)) << c.fields.name;
    EXPECT_EQ(damage.kind, ovk::EntryDamage::kNone) << c.fields.name;
    EXPECT_EQ(entry.name, c.fields.name);
    EXPECT_EQ(entry.type, c.type) << c.fields.name;
    EXPECT_EQ(entry.mode, c.mode) << c.fields.name;
    EXPECT_EQ(entry.method, c.method) << c.fields.name;
    EXPECT_EQ(entry.linkTarget, c.linkTarget) << c.fields.name;
    EXPECT_EQ(!entry.undecodable.empty(), c.undecodable) << c.fields.name;
    EXPECT_EQ(entry.dosTime, c.fields.dosTime) << c.fields.name;
  }
  EXPECT_EQ(entry.encrypted, true);
  EXPECT_FALSE(reader->Next(entry, damage));
  EXPECT_FALSE(ovk::CloseDataFile(file));
}

}  // namespace
}  // namespace ovktest
