// Reading a ZIP archive's directory: finding the end records by a backward
// search, the central directory stream and its index by local header offset.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "engine/Archive.h"
#include "engine/formats/zip/ZipCentralRecords.h"
#include "engine/formats/zip/ZipDirectory.h"
#include "engine/formats/zip/ZipExtraFields.h"
#include "engine/formats/zip/ZipFormat.h"
#include "coding/Crc32.h"
#include "support/ByteOrder.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

constexpr std::int64_t kWindow = 200;
constexpr std::int64_t kWindowStep = 197;
constexpr std::int64_t kReadChunk = 64 * 1024;
constexpr std::size_t kEndRecordBytes = 22;
constexpr std::size_t kZip64EndRecordBytes = 56;

// A stretch of the file held in memory, refilled backwards in large blocks so
// that the 200-byte windows of the search cost no read of their own.
class BackwardReader {
 public:
  BackwardReader(DataFile& file, std::int64_t fileSize) : file_(file), fileSize_(fileSize) {}

  // The bytes [from, to) of the file; to must not pass the file's end.
  std::string_view Bytes(std::int64_t from, std::int64_t to) {
    if (from < start_ || to > start_ + static_cast<std::int64_t>(data_.size())) Fill(from, to);
    return std::string_view(data_).substr(static_cast<std::size_t>(from - start_),
                                          static_cast<std::size_t>(to - from));
  }

 private:
  void Fill(std::int64_t from, std::int64_t to) {
    start_ = std::max<std::int64_t>(0, std::min(from, to - kReadChunk));
    data_.resize(static_cast<std::size_t>(std::min(to, fileSize_) - start_));
    Seek64(file_, start_);
    ReadBlock(file_, data_.data(), data_.size());
  }

  DataFile& file_;
  std::int64_t fileSize_;
  std::int64_t start_ = 0;
  std::string data_;
};

std::string SignatureBytes(std::uint32_t signature) {
  std::string s;
  PutLE32(s, signature);
  return s;
}

ZipEndRecord FromEndRecord(const std::uint8_t* e) {
  ZipEndRecord r;  // signature, record size and versions keep the record's defaults
  r.diskNumber = GetLE16(e + 4);
  r.directoryDisk = GetLE16(e + 6);
  r.entriesOnDisk = GetLE16(e + 8);
  r.entriesTotal = GetLE16(e + 10);
  r.directorySize = GetLE32(e + 12);
  r.directoryOffset = GetLE32(e + 16);
  return r;
}

ZipEndRecord FromZip64EndRecord(const std::uint8_t* z) {
  ZipEndRecord r;
  r.signature = GetLE32(z);
  r.recordSize = GetLE64(z + 4);
  r.versionMadeBy = GetLE16(z + 12);
  r.versionNeeded = GetLE16(z + 14);
  r.diskNumber = GetLE32(z + 16);
  r.directoryDisk = GetLE32(z + 20);
  r.entriesOnDisk = GetLE64(z + 24);
  r.entriesTotal = GetLE64(z + 32);
  r.directorySize = GetLE64(z + 40);
  r.directoryOffset = GetLE64(z + 48);
  return r;
}

// Reads up to count bytes at position; fewer near the end of the file.
std::string ReadAtMost(DataFile& file, std::int64_t position, std::uint64_t count) {
  const std::int64_t size = FileSize64(file);
  if (position < 0 || position >= size) return {};
  std::string data(static_cast<std::size_t>(std::min<std::uint64_t>(count, size - position)), '\0');
  Seek64(file, position);
  std::size_t got = 0;
  ReadBlock(file, data.data(), data.size(), got);
  data.resize(got);
  return data;
}

bool CentralHeaderAt(DataFile& file, std::uint64_t position) {
  // A lying 64-bit offset beyond any file holds no header.
  if (position > static_cast<std::uint64_t>(INT64_MAX)) return false;
  const std::string bytes = ReadAtMost(file, static_cast<std::int64_t>(position), 4);
  return bytes.size() == 4 && GetLE32(bytes.data()) == kSigCentralHeader;
}

// A field that overflows holds all ones and leaves its value to the ZIP64
// end record.
bool DefersToZip64(const std::uint8_t* e) {
  return GetLE16(e + 8) == kZip64CountMarker || GetLE16(e + 10) == kZip64CountMarker || GetLE32(e + 12) == kZip64Marker ||
         GetLE32(e + 16) == kZip64Marker;
}

// A ZIP64 locator right in front of the end record: the ZIP64 end record
// holds the directory's values (and marks where the directory ends) even
// when the end record's fields do not defer to it.
bool Zip64LocatorBefore(DataFile& file, std::int64_t endRecord) {
  constexpr std::int64_t kLocatorBytes = 20;
  if (endRecord < kLocatorBytes) return false;
  const std::string bytes = ReadAtMost(file, endRecord - kLocatorBytes, 4);
  return bytes.size() == 4 && GetLE32(bytes.data()) == kSigZip64Locator;
}

// A ZIP appended to a stub (a self-extractor, `cat stub.sh x.zip`) may keep
// offsets that count from its own start. Its directory really ends where
// the end record (or the ZIP64 one) starts; the difference to the recorded
// offset is then added to every offset, as the mainstream readers do.
void ApplyStubPrefix(DataFile& file, std::int64_t directoryEnd, ZipEndRecord& record) {
  if (record.entriesTotal == 0 || CentralHeaderAt(file, record.directoryOffset)) return;
  if (record.directorySize > static_cast<std::uint64_t>(directoryEnd)) return;
  const std::uint64_t actual = static_cast<std::uint64_t>(directoryEnd) - record.directorySize;
  if (actual <= record.directoryOffset || !CentralHeaderAt(file, actual)) return;
  record.prefixBytes = actual - record.directoryOffset;
  record.directoryOffset = actual;
}

}  // namespace

LocalHeaderFields DecodeLocalHeader(const std::uint8_t* h) {
  LocalHeaderFields f;
  f.versionNeeded = GetLE16(h + 4);
  f.flags = GetLE16(h + 6);
  f.method = GetLE16(h + 8);
  f.dosTime = GetLE32(h + 10);
  f.crc32 = GetLE32(h + 14);
  f.compressedSize = GetLE32(h + 18);
  f.uncompressedSize = GetLE32(h + 22);
  f.nameLength = GetLE16(h + 26);
  f.extraLength = GetLE16(h + 28);
  return f;
}

bool LocalHeaderSizes(const LocalHeaderFields& fields, std::string_view extra, std::uint64_t& original,
                      std::uint64_t& packed) {
  original = fields.uncompressedSize;
  packed = fields.compressedSize;
  if (original != kZip64Marker && packed != kZip64Marker) return true;
  bool found = false;
  ForEachExtraField(extra, [&](std::uint16_t id, std::string_view data) {
    if (id != kZip64ExtraId || data.size() < 16) return true;
    original = GetLE64(data.data());
    packed = GetLE64(data.data() + 8);
    found = true;
    return false;
  });
  return found;
}

std::string ZipNameToUtf8(const std::string& raw, std::uint16_t flags) {
  if ((flags & kZipFlagUtf8) || IsValidUtf8(raw)) return raw;
  return Windows1252ToUtf8(raw);
}

std::string ZipEntryName(const std::string& raw, std::uint16_t flags) {
  return ConvertPathSeparators(ZipNameToUtf8(raw, flags), true);
}

std::int64_t FindSignatureBackward(DataFile& file, std::uint32_t signature, std::int64_t start) {
  const std::int64_t size = FileSize64(file);
  if (start < 0 || start + 4 > size) return -1;
  const std::string pattern = SignatureBytes(signature);
  BackwardReader reader(file, size);
  if (reader.Bytes(start, start + 4) == pattern) return start;
  for (std::int64_t p = start; p > 0;) {
    p = std::max<std::int64_t>(0, p - kWindowStep);
    // A window running past the end of the file is cut to the file's end.
    const std::string_view window = reader.Bytes(p, std::min(p + kWindow, size));
    const std::size_t at = window.find(pattern);
    if (at != std::string_view::npos) return p + static_cast<std::int64_t>(at);
  }
  return -1;
}

std::int64_t LocateZipDirectory(DataFile& file, std::int64_t& firstLocalHeader, ZipEndRecord* endRecord,
                                std::string* comment, CentralDirectoryStream* directory) {
  const std::int64_t remembered = FilePos64(file);
  const std::int64_t size = FileSize64(file);
  if (size < static_cast<std::int64_t>(kEndRecordBytes)) return -1;
  const std::int64_t e = FindSignatureBackward(file, kSigEndRecord, size - kEndRecordBytes);
  // A signature found in the file's last bytes has no room for its record.
  if (e < 0 || e + static_cast<std::int64_t>(kEndRecordBytes) > size) {
    Seek64(file, remembered);
    return -1;
  }
  std::uint8_t end[kEndRecordBytes];
  Seek64(file, e);
  ReadBlock(file, end, sizeof end);
  const std::uint32_t offset32 = GetLE32(end + 16);
  if (offset32 > e && offset32 != kZip64Marker) {
    Seek64(file, remembered);
    return -1;
  }

  std::int64_t result = e;
  ZipEndRecord record = FromEndRecord(end);
  try {
    const std::string text = ReadAtMost(file, e + kEndRecordBytes, GetLE16(end + 20));
    if (comment) *comment = text;
    if (DefersToZip64(end) || Zip64LocatorBefore(file, e)) {
      const std::int64_t z64 =
          FindSignatureBackward(file, kSigZip64EndRecord, e - static_cast<std::int64_t>(kZip64EndRecordBytes));
      // Without a directory offset the ZIP64 record is a must; a count of
      // exactly 65,535 entries fits the 16-bit field on its own.
      if (z64 >= 0 || offset32 == kZip64Marker) result = z64;
      if (z64 >= 0) {
        const std::string z = ReadAtMost(file, z64, kZip64EndRecordBytes);
        if (z.size() == kZip64EndRecordBytes) record = FromZip64EndRecord(reinterpret_cast<const std::uint8_t*>(z.data()));
      }
    }
    if (result >= 0) ApplyStubPrefix(file, result, record);
    // Bounded by the file: a lying directory size cannot allocate beyond it.
    if (directory) {
      *directory = ReadAtMost(file, static_cast<std::int64_t>(std::min<std::uint64_t>(record.directoryOffset, size)),
                              record.directorySize);
    }
  } catch (const EInOutError&) {
    // The operation goes on with what it has.
  }
  // As for the 32-bit offset: a directory lies in front of its end record
  // (appending would otherwise write at a lying offset far past the file).
  if (result >= 0 && record.directoryOffset > static_cast<std::uint64_t>(result)) result = -1;

  if (record.entriesTotal > 0) {
    std::uint8_t first[4];
    if (record.directoryOffset > static_cast<std::uint64_t>(e)) result = -1;
    if (result >= 0) {
      Seek64(file, static_cast<std::int64_t>(record.directoryOffset));
      ReadBlock(file, first, sizeof first);
      if (GetLE32(first) != kSigCentralHeader) result = -1;
    }
    if (result >= 0) {
      Seek64(file, static_cast<std::int64_t>(record.directoryOffset) + 42);
      ReadBlock(file, first, sizeof first);
      firstLocalHeader = GetLE32(first) + static_cast<std::int64_t>(record.prefixBytes);
    }
  } else {
    firstLocalHeader = size;
  }
  if (endRecord) *endRecord = record;
  Seek64(file, remembered);
  return result;
}

std::string UnicodePathName(std::string_view extra, std::string_view rawName) {
  std::string name;
  ForEachExtraField(extra, [&](std::uint16_t id, std::string_view data) {
    if (id != kUnicodePathExtraId || data.size() < 5 || data[0] != 1 ||
        GetLE32(data.data() + 1) != Crc32(rawName.data(), rawName.size()))
      return true;
    name = ConvertPathSeparators(std::string(data.substr(5)), true);
    return false;
  });
  return name;
}

std::string ListedName(const CentralEntry& entry) {
  std::string name = UnicodePathName(entry.extra, entry.name);
  return name.empty() ? ZipEntryName(std::string(entry.name), entry.values.flags) : name;
}

std::vector<CentralRecord> IndexCentralDirectory(const std::string& directory, std::uint64_t prefixBytes,
                                                 std::size_t* spanned) {
  std::vector<CentralRecord> records;
  const std::size_t span = ForEachCentralRecord(directory, [&](const CentralEntry& entry) {
    CentralRecord& record = records.emplace_back(entry.values);
    record.name = ListedName(entry);
    record.storedName = entry.name;
    record.offset = entry.localHeaderOffset + prefixBytes;
  });
  if (spanned) *spanned = span;
  // Stable: records of one offset keep their directory order.
  std::stable_sort(records.begin(), records.end(),
                   [](const CentralRecord& a, const CentralRecord& b) { return a.offset < b.offset; });
  return records;
}

}  // namespace ovk
