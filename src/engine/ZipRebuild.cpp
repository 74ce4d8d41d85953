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

constexpr std::int64_t kShortestDescriptor = 12;  // CRC-32 and both sizes
constexpr std::uint32_t kDosFolderAttribute = 0x10;

struct LocalHeader {
  LocalHeaderFields fields;
  std::string name;
  std::int64_t offset = 0;
  std::int64_t payloadEnd = 0;
  std::uint64_t original = 0, packed = 0;
  bool sized = false;  // the header tells both sizes
};

// The header of a walked entry, the name exactly as stored.
LocalHeader ReadLocalHeader(DataFile& file, const EntryInfo& entry) {
  LocalHeader h;
  h.offset = entry.headerOffset;
  Seek64(file, h.offset);
  std::uint8_t fixed[kLocalHeaderBytes];
  ReadBlock(file, fixed, sizeof fixed);
  h.fields = DecodeLocalHeader(fixed);
  h.name.resize(h.fields.nameLength);
  if (!h.name.empty()) ReadBlock(file, h.name.data(), h.name.size());
  std::string extra(h.fields.extraLength, '\0');
  if (!extra.empty()) ReadBlock(file, extra.data(), extra.size());
  h.sized = LocalHeaderSizes(h.fields, extra, h.original, h.packed);
  h.payloadEnd = h.offset + static_cast<std::int64_t>(kLocalHeaderBytes + h.name.size() + extra.size() + h.packed);
  return h;
}

// Where the entry ends, its data descriptor (signature optional) included;
// -1 when the local header does not tell, 0 when the end of the file cuts it.
std::int64_t EntryEnd(DataFile& file, const LocalHeader& h, std::int64_t fileSize) {
  const LocalHeaderFields& f = h.fields;
  if (!h.sized) return -1;
  if (h.payloadEnd > fileSize) return 0;
  if (!(f.flags & kZipFlagDataDescriptor)) return h.payloadEnd;
  // The descriptor must repeat the header's values: a header that left them
  // to the descriptor does not tell where its payload ends.
  const std::int64_t descriptor =
      DescriptorLength(file, h.payloadEnd, f.crc32, h.packed, h.original);
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
  r.versionNeeded = h.fields.versionNeeded;
  r.flags = h.fields.flags;
  r.method = h.fields.method;
  r.time = static_cast<std::uint16_t>(h.fields.dosTime & 0xFFFF);
  r.date = static_cast<std::uint16_t>(h.fields.dosTime >> 16);
  r.crc32 = h.fields.crc32;
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
