#include "engine/formats/zip/ZipRebuild.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "coding/Decompressor.h"
#include "engine/Archive.h"
#include "coding/PayloadDecoder.h"
#include "engine/formats/zip/ZipCentralRecords.h"
#include "engine/formats/zip/ZipExtent.h"
#include "support/ByteOrder.h"

namespace ovk {

namespace {

constexpr std::uint32_t kDosFolderAttribute = 0x10;
constexpr std::int64_t kLocalPackedSizeOffset = 18;
constexpr std::int64_t kScanPiece = 1 << 20;
// Later headers tried as the end of an entry whose own sizes are wrong
// (stored data may hold header signatures of its own).
constexpr int kMostScannedEnds = 64;

struct LocalHeader {
  LocalHeaderFields fields;
  std::string name;
  std::int64_t offset = 0;
  std::int64_t dataStart = 0;
  std::uint64_t original = 0, packed = 0;
  bool sized = false;  // the header tells both sizes
};

// Where an entry's payload ends and what it must decode to.
struct Extent {
  std::uint64_t packed = 0, original = 0;
  std::uint32_t crc32 = 0;
  std::int64_t end = 0;  // behind the data descriptor, when there is one
};

std::uint32_t SignatureAt(DataFile& file, std::int64_t at) {
  std::uint8_t bytes[4] = {};
  std::size_t got = 0;
  Seek64(file, at);
  ReadBlock(file, bytes, sizeof bytes, got);
  return got == sizeof bytes ? GetLE32(bytes) : 0;
}

// The first local or central header signature at or after from; size when none.
std::int64_t NextHeader(DataFile& file, std::int64_t from, std::int64_t size) {
  std::string piece;
  while (from + 4 <= size) {
    piece.resize(static_cast<std::size_t>(std::min(kScanPiece + 3, size - from)));
    Seek64(file, from);
    ReadBlock(file, piece.data(), piece.size());
    for (std::size_t i = 0; i + 4 <= piece.size(); ++i) {
      if (piece[i] != 'P' || piece[i + 1] != 'K') continue;
      const std::uint32_t signature = GetLE32(piece.data() + i);
      if (signature == kSigLocalHeader || signature == kSigCentralHeader) return from + static_cast<std::int64_t>(i);
    }
    from += static_cast<std::int64_t>(piece.size()) - 3;
  }
  return size;
}

// The local header at offset, the name exactly as stored; raises when the
// end of the file cuts it.
LocalHeader ReadLocalHeader(DataFile& file, std::int64_t offset) {
  LocalHeader h;
  h.offset = offset;
  Seek64(file, offset);
  std::uint8_t fixed[kLocalHeaderBytes];
  ReadBlock(file, fixed, sizeof fixed);
  h.fields = DecodeLocalHeader(fixed);
  h.name.resize(h.fields.nameLength);
  if (!h.name.empty()) ReadBlock(file, h.name.data(), h.name.size());
  std::string extra(h.fields.extraLength, '\0');
  if (!extra.empty()) ReadBlock(file, extra.data(), extra.size());
  h.sized = LocalHeaderSizes(h.fields, extra, h.original, h.packed);
  h.dataStart = offset + static_cast<std::int64_t>(kLocalHeaderBytes + h.name.size() + extra.size());
  return h;
}

// False when the end of the file cuts the header.
bool ReadWholeHeader(DataFile& file, std::int64_t offset, LocalHeader& h) {
  try {
    h = ReadLocalHeader(file, offset);
    return true;
  } catch (const EInOutError& e) {
    if (e.Code() != kIoReadPastEnd) throw;
    return false;
  }
}

bool Decodable(const LocalHeader& h) {
  return !(h.fields.flags & (kZipFlagEncrypted | kZipFlagStrongEncryption)) && h.fields.method != kMethodAes &&
         MakeDecompressor(h.fields.method, false) != nullptr;
}

// The payload decodes to content of the extent's CRC-32, read piece by piece.
bool Verifies(DataFile& file, const LocalHeader& h, const Extent& e) {
  PayloadCoding coding;
  coding.crc32 = e.crc32;
  coding.originalSize = e.original;
  coding.method = h.fields.method;
  coding.lzmaEndMarker = (h.fields.flags & kZipFlagLzmaEndMarker) != 0;
  CipherHolder cipher;
  PayloadDecoder decoder("", coding, cipher);
  std::string piece, out;
  Seek64(file, h.dataStart);
  for (std::uint64_t left = e.packed; left > 0;) {
    piece.resize(static_cast<std::size_t>(std::min<std::uint64_t>(left, kScanPiece)));
    ReadBlock(file, piece.data(), piece.size());
    left -= piece.size();
    std::string_view stored(piece);
    while (!stored.empty() || decoder.MoreOutput()) {
      out.clear();
      if (!decoder.Feed(stored, out)) return false;
    }
  }
  bool verified = false;
  do {
    out.clear();
    verified = decoder.Finish(out);
  } while (decoder.MoreOutput());
  return verified;
}

// The extent the header's own sizes give; false when they are left to a
// data descriptor that does not repeat them, or run past the end.
bool HeaderExtent(DataFile& file, const LocalHeader& h, std::int64_t size, Extent& e) {
  if (!h.sized) return false;
  e = Extent{h.packed, h.original, h.fields.crc32, PayloadEnd(h.dataStart, h.packed, size)};
  if (e.end - h.dataStart != static_cast<std::int64_t>(h.packed)) return false;
  if (!(h.fields.flags & kZipFlagDataDescriptor)) return true;
  const std::int64_t descriptor = DescriptorLength(file, e.end, h.fields.crc32, h.packed, h.original);
  e.end += descriptor;
  return descriptor > 0;
}

// The extent that ends just before the header at next: the payload runs up
// to it, or up to the data descriptor in front of it, whose values it takes.
bool ExtentBefore(DataFile& file, const LocalHeader& h, std::int64_t next, Extent& e) {
  if (!(h.fields.flags & kZipFlagDataDescriptor)) {
    e = Extent{static_cast<std::uint64_t>(next - h.dataStart), h.original, h.fields.crc32, next};
    return h.sized;
  }
  // With or without its signature, sizes 32- or 64-bit.
  for (const std::int64_t length : {16, 12, 24, 20}) {
    const std::int64_t at = next - length;
    if (at < h.dataStart) continue;
    std::uint8_t d[24];
    Seek64(file, at);
    ReadBlock(file, d, static_cast<std::size_t>(length));
    const bool signed_ = length == 16 || length == 24;
    if (signed_ && GetLE32(d) != kSigDataDescriptor) continue;
    const std::uint8_t* v = d + (signed_ ? 4 : 0);
    const bool wide = length > 16;
    const std::uint64_t packed = wide ? GetLE64(v + 4) : GetLE32(v + 4);
    const std::uint64_t original = wide ? GetLE64(v + 12) : GetLE32(v + 8);
    if (packed != static_cast<std::uint64_t>(at - h.dataStart)) continue;
    e = Extent{packed, original, GetLE32(v), next};
    return true;
  }
  return false;
}

// Where the entry ends, once its data is proven whole: by its own sizes,
// else by one of the next headers (a damaged size field). An entry this
// program cannot decode is trusted only as its own sizes place it, with a
// header right behind it.
bool ProvenExtent(DataFile& file, const LocalHeader& h, std::int64_t size, Extent& e) {
  const bool decodable = Decodable(h);
  if (HeaderExtent(file, h, size, e)) {
    if (decodable ? Verifies(file, h, e) : (e.end == size || NextHeader(file, e.end, size) == e.end)) return true;
  }
  if (!decodable) return false;
  std::int64_t next = h.dataStart;
  for (int tried = 0; tried < kMostScannedEnds && next < size; ++tried) {
    next = NextHeader(file, next + 1, size);
    if (ExtentBefore(file, h, next, e) && Verifies(file, h, e)) return true;
  }
  return false;
}

// The size field of a header that tells its sizes (no data descriptor, no
// ZIP64 field) and disagrees with the proven extent.
bool WrongSizeField(const LocalHeader& h, const Extent& e) {
  return h.sized && !(h.fields.flags & kZipFlagDataDescriptor) && h.fields.compressedSize != kZip64Marker &&
         h.packed != e.packed && e.packed < kZip64Marker;
}

std::string ShownName(const LocalHeader& h) { return ZipEntryName(h.name, h.fields.flags); }

// The central record of a local header: its shared fields as they stand (the
// sizes are set with the record's ZIP64 field); the host and attributes the
// lost record held are not known.
TFileHeader RecordOf(const LocalHeader& h, const Extent& e) {
  TFileHeader r;
  r.versionMadeBy = kDefaultVersionMadeBy;
  r.versionNeeded = h.fields.versionNeeded;
  r.flags = h.fields.flags;
  r.method = h.fields.method;
  r.time = static_cast<std::uint16_t>(h.fields.dosTime & 0xFFFF);
  r.date = static_cast<std::uint16_t>(h.fields.dosTime >> 16);
  r.crc32 = e.crc32;
  r.nameLength = static_cast<std::uint16_t>(h.name.size());
  r.name = h.name;
  if (!h.name.empty() && h.name.back() == '/') r.externalAttributes = kDosFolderAttribute;
  return r;
}

// A start of an entry, of a directory or of an end record, cut anywhere:
// what a killed append leaves behind its last complete entry.
bool IsCutRecord(DataFile& file, std::int64_t at, std::int64_t size) {
  std::uint8_t head[4] = {};
  std::size_t got = 0;
  Seek64(file, at);
  ReadBlock(file, head, sizeof head, got);
  if (got == 0) return true;
  for (std::uint32_t signature : {kSigLocalHeader, kSigCentralHeader, kSigZip64EndRecord, kSigEndRecord}) {
    std::string bytes;
    PutLE32(bytes, signature);
    if (std::memcmp(head, bytes.data(), got) != 0) continue;
    if (signature != kSigLocalHeader) return true;
    // A local header is cut when it, or the payload it tells of, passes the end.
    LocalHeader h;
    if (!ReadWholeHeader(file, at, h)) return true;
    return h.sized && PayloadEnd(h.dataStart, h.packed, size) - h.dataStart < static_cast<std::int64_t>(h.packed);
  }
  return false;
}

// The old directory's records from at on, by local header offset.
std::unordered_map<std::uint64_t, std::string> OldRecords(DataFile& file, std::int64_t at, std::int64_t size,
                                                          std::unordered_map<std::uint64_t, std::string>& names) {
  std::string bytes(static_cast<std::size_t>(size - at), '\0');
  Seek64(file, at);
  ReadBlock(file, bytes.data(), bytes.size());
  std::unordered_map<std::uint64_t, std::string> records;
  ForEachCentralRecord(bytes, [&](const CentralEntry& e) {
    records[e.localHeaderOffset] = std::string(e.bytes);
    names[e.localHeaderOffset] = std::string(e.name);
  });
  return records;
}

}  // namespace

std::vector<std::string> RebuildNotes::Lines() const {
  std::vector<std::string> lines;
  if (!leftOut.empty()) {
    std::string names;
    for (const std::string& name : leftOut) names += (names.empty() ? "" : ", ") + ConvertPathSeparators(name, false);
    lines.push_back(names + (leftOut.size() == 1 ? ": cannot be proven whole and is" : ": cannot be proven whole and are") +
                    " left out of the rebuilt directory; the bytes stay in the file");
  }
  if (!cutShort.empty())
    lines.push_back(ConvertPathSeparators(cutShort, false) + ": the end of the file cuts it short; it is removed");
  for (const std::string& name : mended)
    lines.push_back(ConvertPathSeparators(name, false) + ": its local size field was wrong and is set right");
  return lines;
}

bool RebuildZipDirectory(DataFile& file, RebuiltDirectory& rebuilt) {
  rebuilt = RebuiltDirectory{};
  const std::int64_t size = FileSize64(file);
  struct Kept {
    LocalHeader header;
    Extent extent;
  };
  std::vector<Kept> kept;
  std::int64_t at = 0, directory = -1;
  rebuilt.end = size;
  while (at < size) {
    const std::uint32_t signature = SignatureAt(file, at);
    if (signature == kSigCentralHeader) {
      directory = rebuilt.end = at;
      break;
    }
    LocalHeader h;
    Extent e;
    const bool whole = signature == kSigLocalHeader && ReadWholeHeader(file, at, h);
    if (whole && ProvenExtent(file, h, size, e)) {
      if (WrongSizeField(h, e)) {
        rebuilt.mends.push_back({h.offset, static_cast<std::uint32_t>(e.packed)});
        rebuilt.notes.mended.push_back(ShownName(h));
      }
      kept.push_back({h, e});
      at = e.end;
      continue;
    }
    const std::int64_t next = NextHeader(file, at + 1, size);
    // Nothing can be read from a record the end of the file cuts, when no
    // header follows it: the new directory goes there.
    if (next == size && IsCutRecord(file, at, size)) {
      if (signature == kSigLocalHeader)
        rebuilt.notes.cutShort = whole ? ShownName(h) : "the entry at offset " + std::to_string(at);
      rebuilt.end = at;
      break;
    }
    // Else its bytes stay where they are, outside the new directory.
    if (signature == kSigLocalHeader) rebuilt.notes.leftOut.push_back(whole ? ShownName(h) : "entry at offset " + std::to_string(at));
    at = next;
  }
  std::unordered_map<std::uint64_t, std::string> names;
  const auto old = directory >= 0 ? OldRecords(file, directory, size, names)
                                  : std::unordered_map<std::uint64_t, std::string>{};
  for (const Kept& k : kept) {
    const auto offset = static_cast<std::uint64_t>(k.header.offset);
    const auto record = old.find(offset);
    // The old record keeps what the local header lacks (host, attributes,
    // comment) where it tells of the same entry.
    if (record != old.end() && names[offset] == k.header.name) {
      rebuilt.records += record->second;
    } else {
      AppendCentralRecord(rebuilt.records, RecordOf(k.header, k.extent), k.extent.original, k.extent.packed, offset);
    }
  }
  rebuilt.entries = kept.size();
  return !kept.empty();
}

bool RecoverZipDirectory(DataFile& file, CentralDirectoryStream& directory, ZipEndRecord& endRecord,
                         RebuildNotes* notes) {
  RebuiltDirectory rebuilt;
  if (!RebuildZipDirectory(file, rebuilt)) return false;
  directory = std::move(rebuilt.records);
  endRecord = ZipEndRecord{};
  endRecord.entriesOnDisk = endRecord.entriesTotal = rebuilt.entries;
  if (notes) *notes = std::move(rebuilt.notes);
  // The local header then agrees with the record the directory gets.
  for (const SizeMend& mend : rebuilt.mends) {
    std::string field;
    PutLE32(field, mend.packed);
    Seek64(file, mend.offset + kLocalPackedSizeOffset);
    WriteBlock(file, field.data(), field.size());
  }
  TruncateDataFile(file, rebuilt.end);
  Seek64(file, rebuilt.end);
  return true;
}

bool StartsWithLocalHeader(DataFile& file) { return SignatureAt(file, 0) == kSigLocalHeader; }

bool DirectoryLostByAdd(DataFile& file) {
  std::int64_t firstLocalHeader = 0;
  return StartsWithLocalHeader(file) && LocateZipDirectory(file, firstLocalHeader) < 0;
}

}  // namespace ovk
