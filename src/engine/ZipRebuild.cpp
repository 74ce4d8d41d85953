#include "engine/ZipRebuild.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "engine/ZipExtent.h"
#include "support/ByteOrder.h"

namespace ovk {

namespace {

constexpr std::size_t kLocalHeaderBytes = 30;
constexpr std::int64_t kShortestDescriptor = 12;  // CRC-32 and both sizes
constexpr std::uint32_t kUnknown32 = 0xFFFFFFFF;
constexpr std::uint32_t kDosFolderAttribute = 0x10;

struct LocalHeader {
  std::uint8_t fixed[kLocalHeaderBytes];
  std::string name;
  std::int64_t offset = 0;
  std::int64_t payloadEnd = 0;
  std::uint64_t original = 0, packed = 0;
  bool sized = false;  // the header tells both sizes
};

std::uint32_t HeaderCrc(const LocalHeader& h) { return GetLE32(h.fixed + 14); }
std::uint32_t HeaderPacked(const LocalHeader& h) { return GetLE32(h.fixed + 18); }
std::uint32_t HeaderOriginal(const LocalHeader& h) { return GetLE32(h.fixed + 22); }

// The sizes of the header, 64-bit from its ZIP64 field where the 32-bit ones
// hold all ones (an add that may pass 4 GiB writes both there).
void ApplySizes(LocalHeader& h, std::string_view extra) {
  h.original = HeaderOriginal(h);
  h.packed = HeaderPacked(h);
  h.sized = h.original != kUnknown32 && h.packed != kUnknown32;
  while (!h.sized && extra.size() >= 4) {
    const std::uint16_t id = GetLE16(extra.data());
    const std::size_t length = std::min<std::size_t>(GetLE16(extra.data() + 2), extra.size() - 4);
    if (id == kZip64ExtraId && length >= 16 && h.original == kUnknown32 && h.packed == kUnknown32) {
      h.original = GetLE64(extra.data() + 4);
      h.packed = GetLE64(extra.data() + 12);
      h.sized = true;
    }
    extra.remove_prefix(4 + length);
  }
}

// The raw header bytes of a walked entry, the name exactly as stored.
LocalHeader ReadLocalHeader(DataFile& file, const EntryInfo& entry) {
  LocalHeader h;
  h.offset = entry.headerOffset;
  Seek64(file, h.offset);
  ReadBlock(file, h.fixed, sizeof h.fixed);
  h.name.resize(GetLE16(h.fixed + 26));
  if (!h.name.empty()) ReadBlock(file, h.name.data(), h.name.size());
  std::string extra(GetLE16(h.fixed + 28), '\0');
  if (!extra.empty()) ReadBlock(file, extra.data(), extra.size());
  ApplySizes(h, extra);
  h.payloadEnd = h.offset + static_cast<std::int64_t>(kLocalHeaderBytes + h.name.size() + extra.size() + h.packed);
  return h;
}

// Where the entry ends, its data descriptor (signature optional) included;
// -1 when the local header does not tell, 0 when the end of the file cuts it.
std::int64_t EntryEnd(DataFile& file, const LocalHeader& h, std::int64_t fileSize) {
  if (!h.sized) return -1;
  if (h.payloadEnd > fileSize) return 0;
  if (!(GetLE16(h.fixed + 6) & kZipFlagDataDescriptor)) return h.payloadEnd;
  // The descriptor must repeat the header's values: a header that left them
  // to the descriptor does not tell where its payload ends.
  const std::int64_t descriptor =
      DescriptorLength(file, h.payloadEnd, HeaderCrc(h), HeaderPacked(h), HeaderOriginal(h));
  if (descriptor > 0) return h.payloadEnd + descriptor;
  // Too few bytes left for any descriptor: the end of the file cut it.
  return fileSize - h.payloadEnd < kShortestDescriptor ? 0 : -1;
}

// The central record of a local header: its shared fields as they stand (the
// sizes are set with the record's ZIP64 field); the host and attributes the
// lost record held are not known.
TFileHeader RecordOf(const LocalHeader& h) {
  TFileHeader r;
  r.versionMadeBy = kDefaultVersionMadeBy;
  r.versionNeeded = GetLE16(h.fixed + 4);
  r.flags = GetLE16(h.fixed + 6);
  r.method = GetLE16(h.fixed + 8);
  r.time = GetLE16(h.fixed + 10);
  r.date = GetLE16(h.fixed + 12);
  r.crc32 = HeaderCrc(h);
  r.nameLength = static_cast<std::uint16_t>(h.name.size());
  r.name = h.name;
  if (!h.name.empty() && h.name.back() == '/') r.externalAttributes = kDosFolderAttribute;
  return r;
}

// What follows the last complete entry is what a killed append leaves: the
// start of an entry, of a directory or of an end record, cut anywhere. Any
// other bytes are damage the walk does not understand.
bool TailIsCutRecord(DataFile& file, std::int64_t end) {
  std::uint8_t head[4] = {};
  std::size_t got = 0;
  Seek64(file, end);
  ReadBlock(file, head, sizeof head, got);
  if (got == 0) return true;
  for (std::uint32_t signature : {kSigLocalHeader, kSigCentralHeader, kSigZip64EndRecord, kSigEndRecord}) {
    std::string bytes;
    PutLE32(bytes, signature);
    if (std::memcmp(head, bytes.data(), got) == 0) return true;
  }
  return false;
}

}  // namespace

bool RecoverZipDirectory(ArchiveReader& reader, DataFile& file, CentralDirectoryStream& directory,
                         ZipEndRecord& endRecord) {
  Seek64(file, 0);
  RebuiltDirectory rebuilt;
  if (!RebuildZipDirectory(reader, file, rebuilt)) return false;
  directory = std::move(rebuilt.records);
  endRecord = ZipEndRecord{};
  endRecord.entriesOnDisk = endRecord.entriesTotal = rebuilt.entries;
  TruncateDataFile(file, rebuilt.end);
  Seek64(file, rebuilt.end);
  return true;
}

bool StartsWithLocalHeader(DataFile& file) {
  std::uint8_t first[4] = {};
  std::size_t got = 0;
  Seek64(file, 0);
  ReadBlock(file, first, sizeof first, got);
  return got == sizeof first && GetLE32(first) == kSigLocalHeader;
}

bool DirectoryLostByAdd(DataFile& file) {
  std::int64_t firstLocalHeader = 0;
  return StartsWithLocalHeader(file) && LocateZipDirectory(file, firstLocalHeader) < 0;
}

bool RebuildZipDirectory(ArchiveReader& reader, DataFile& file, RebuiltDirectory& rebuilt) {
  rebuilt = RebuiltDirectory{};
  const std::int64_t size = FileSize64(file);
  for (;;) {
    EntryInfo entry;
    try {
      if (!ReadNextEntry(reader, file, entry)) break;
    } catch (const EInOutError& e) {
      // A header cut off by the end of the file ends the walk; a failing
      // read must not pass for one, or the entries behind it would be cut.
      if (e.Code() != kIoReadPastEnd) throw;
      break;
    }
    const LocalHeader h = ReadLocalHeader(file, entry);
    const std::int64_t end = EntryEnd(file, h, size);
    if (end < 0) return false;
    if (end == 0) break;
    AppendCentralRecord(rebuilt.records, RecordOf(h), h.original, h.packed, static_cast<std::uint64_t>(h.offset));
    ++rebuilt.entries;
    rebuilt.end = end;
    Seek64(file, end);
  }
  return TailIsCutRecord(file, rebuilt.end);
}

}  // namespace ovk
