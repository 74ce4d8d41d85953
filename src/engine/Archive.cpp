#include "engine/Archive.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "engine/ZipFormat.h"
#include "coding/Crc32.h"
#include "coding/ZipCrypto.h"
#include "support/ByteOrder.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

constexpr std::size_t kArchiveInfoBytes = 9;
constexpr std::size_t kEntryHeaderBytes = 17;
constexpr std::size_t kOldNameField = 256;
constexpr std::size_t kScanChunk = 4096;
constexpr std::size_t kReadAhead = 16 * 1024;

void PutArchiveInfo(const ArchiveInfo& info, std::uint8_t* out) {
  out[0] = info.kind;
  std::string tail;
  PutLE32(tail, info.version);
  PutLE32(tail, info.time);
  std::memcpy(out + 1, tail.data(), tail.size());
}

ArchiveInfo GetArchiveInfo(const std::uint8_t* in) {
  ArchiveInfo info;
  info.kind = in[0];
  info.version = GetLE32(in + 1);
  info.time = GetLE32(in + 5);
  return info;
}

// The descriptor is copied over the record as far as it goes (a shorter one
// leaves the caller's values behind it); a longer one's surplus is skipped.
void ReadNativeDescriptor(ArchiveInfo& info, DataFile& file) {
  std::uint8_t lengthBytes[4];
  ReadBlock(file, lengthBytes, sizeof lengthBytes);
  const std::uint32_t length = GetLE32(lengthBytes);
  std::uint8_t record[kArchiveInfoBytes];
  PutArchiveInfo(info, record);
  const std::size_t copied = std::min<std::size_t>(length, kArchiveInfoBytes);
  ReadBlock(file, record, copied);
  info = GetArchiveInfo(record);
  if (length > copied) Seek64(file, FilePos64(file) + (length - copied));
}

// Central directory of the archive by local header offset; null when the
// directory cannot be located.
std::shared_ptr<ZipDirectoryIndex> IndexOfDirectory(DataFile& file, std::int64_t* firstLocalHeader) {
  std::int64_t first = 0;
  CentralDirectoryStream directory;
  ZipEndRecord endRecord;
  if (LocateZipDirectory(file, first, &endRecord, nullptr, &directory) < 0) return nullptr;
  if (firstLocalHeader) *firstLocalHeader = first;
  return std::make_shared<ZipDirectoryIndex>(IndexCentralDirectory(directory, endRecord.prefixBytes));
}

std::vector<std::uint64_t> SortedOffsets(const ZipDirectoryIndex& index) {
  std::vector<std::uint64_t> offsets;
  offsets.reserve(index.size());
  for (const auto& [offset, record] : index) offsets.push_back(offset);
  std::sort(offsets.begin(), offsets.end());
  return offsets;
}

// Up to count bytes at position from the walk's read-ahead, refilled as
// needed; fewer only at the end of the file. Spares a read (and a seek) per
// header field.
std::string_view Peek(ArchiveReader& archive, DataFile& file, std::int64_t position, std::size_t count) {
  std::string& ahead = archive.readAhead;
  const bool held = archive.readAheadStart >= 0 && position >= archive.readAheadStart &&
                    position - archive.readAheadStart + static_cast<std::int64_t>(count) <=
                        static_cast<std::int64_t>(ahead.size());
  if (!held) {
    ahead.resize(std::max(count, kReadAhead));
    Seek64(file, position);
    std::size_t got = 0;
    ReadBlock(file, ahead.data(), ahead.size(), got);
    ahead.resize(got);
    archive.readAheadStart = position;
  }
  const auto offset = static_cast<std::size_t>(position - archive.readAheadStart);
  if (offset >= ahead.size()) return {};
  return std::string_view(ahead).substr(offset, count);
}

// Exactly count bytes at position; short of them it raises as a plain read
// of the file does.
std::string_view Take(ArchiveReader& archive, DataFile& file, std::int64_t position, std::size_t count) {
  const std::string_view bytes = Peek(archive, file, position, count);
  if (bytes.size() < count) {
    archive.readAheadStart = -1;
    Seek64(file, position);
    archive.readAhead.resize(count);
    ReadBlock(file, archive.readAhead.data(), count);
    archive.readAheadStart = position;
    return archive.readAhead;
  }
  return bytes;
}

const std::uint8_t* Bytes(std::string_view view) { return reinterpret_cast<const std::uint8_t*>(view.data()); }

bool ReadNativeEntry(ArchiveReader& archive, DataFile& file, EntryInfo& entry) {
  const ArchiveInfo& info = archive.info;
  std::int64_t at = FilePos64(file);
  if (info.version < 2) {
    const std::string_view field = Peek(archive, file, at, kOldNameField);
    if (field.empty()) {
      Seek64(file, at);
      return false;
    }
    if (field.size() < kOldNameField) throw EInOutError(kIoReadPastEnd, "Read beyond end of file");
    entry.name.assign(field.substr(1, Bytes(field)[0]));
    at += kOldNameField;
  } else {
    const std::string_view length = Peek(archive, file, at, 1);
    if (length.empty()) {
      Seek64(file, at);
      return false;
    }
    entry.name.assign(Take(archive, file, at + 1, Bytes(length)[0]));
    at += 1 + static_cast<std::int64_t>(entry.name.size());
  }
  entry.name = ConvertPathSeparators(entry.name, true);
  if (info.version >= 3) {
    const std::uint8_t* h = Bytes(Take(archive, file, at, kEntryHeaderBytes));
    entry.header.time = GetLE32(h);
    entry.header.originalSize = GetLE32(h + 4);
    entry.header.flags = GetLE32(h + 8);
    entry.header.encrypted = h[12];
    entry.header.crc32 = GetLE32(h + 13);
    at += kEntryHeaderBytes;
  }
  const std::uint32_t packed = GetLE32(Bytes(Take(archive, file, at, 4)));
  entry.packedSize = packed;
  entry.originalSize = entry.header.originalSize;
  Seek64(file, at + 4);
  // A negative packed size marks the end of a native container's entries.
  if (static_cast<std::int32_t>(packed) < 0) entry.name.clear();
  return !entry.name.empty();
}

// Position of the next local header at or after the current position, or -1
// when a central directory header or the end of the file comes first. Same
// outcome as testing every byte position in turn, read in chunks.
std::int64_t ScanForLocalHeader(ArchiveReader& archive, DataFile& file, std::int64_t base) {
  for (;;) {
    const std::string_view chunk = Peek(archive, file, base, kScanChunk);
    for (std::size_t i = 0; i + 4 <= chunk.size(); ++i) {
      const std::uint32_t value = GetLE32(chunk.data() + i);
      if (value == kSigLocalHeader) return base + static_cast<std::int64_t>(i);
      if (value == kSigCentralHeader) return -1;
    }
    if (chunk.size() < kScanChunk) return -1;
    base += static_cast<std::int64_t>(chunk.size() - 3);
  }
}

// What the local header's extra fields add: 64-bit sizes (ZIP64, for the
// 32-bit fields that hold all ones), the AES parameters, and the UTF-8 name
// of the Unicode Path field when its CRC-32 says it belongs to this name.
void ApplyLocalExtra(const LocalHeaderFields& fields, std::string_view extra, const std::string& rawName,
                     EntryInfo& entry) {
  LocalHeaderSizes(fields, extra, entry.originalSize, entry.packedSize);
  while (extra.size() >= 4) {
    const std::uint16_t id = GetLE16(extra.data());
    const std::size_t length = std::min<std::size_t>(GetLE16(extra.data() + 2), extra.size() - 4);
    std::string_view data = extra.substr(4, length);
    extra.remove_prefix(4 + length);
    if (id == kAesExtraId && data.size() >= 7 && data.substr(2, 2) == "AE") {
      entry.aesVersion = GetLE16(data.data());
      entry.aesStrength = static_cast<std::uint8_t>(data[4]);
      entry.aesMethod = GetLE16(data.data() + 5);
    } else if (id == kExtendedTimeExtraId && data.size() >= 5 && (data[0] & 1)) {
      entry.modifiedTime = static_cast<std::int32_t>(GetLE32(data.data() + 1));
    } else if (id == kNtfsExtraId && data.size() >= 4 + 4 + 8 && GetLE16(data.data() + 4) == 1 &&
               GetLE16(data.data() + 6) >= 8) {
      // Tag 1 starts with the modification time in 100 ns steps since 1601.
      constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
      entry.modifiedTime = static_cast<std::int64_t>(GetLE64(data.data() + 8) / 10000000) - kSecondsFrom1601To1970;
    } else if (id == kUnicodePathExtraId && data.size() >= 5 && data[0] == 1 &&
               GetLE32(data.data() + 1) == Crc32(rawName)) {
      entry.name = ConvertPathSeparators(std::string(data.substr(5)), true);
    }
  }
}

// Deferred or ZIP64-marked sizes are taken from the entry's central record.
void ApplyCentralRecord(const CentralRecord* record, EntryInfo& entry) {
  if (!record) return;
  entry.versionMadeBy = record->versionMadeBy;
  entry.externalAttributes = record->externalAttributes;
  const bool deferred = (entry.zipFlags & kZipFlagDataDescriptor) || entry.packedSize == kZip64Marker ||
                        entry.header.originalSize == kZip64Marker || entry.header.crc32 == kZip64Marker;
  if (!deferred) return;
  entry.packedSize = record->compressedSize;
  entry.originalSize = record->uncompressedSize;
  entry.header.originalSize = static_cast<std::uint32_t>(record->uncompressedSize);
  entry.header.crc32 = record->crc32;
}

// The first offset the central directory lists beyond the last local header
// read; -1 when there is none (or no directory).
std::int64_t NextListedOffset(const ArchiveReader& archive) {
  const auto& offsets = archive.listedOffsets;
  const auto next = archive.lastHeader < 0
                        ? offsets.begin()
                        : std::upper_bound(offsets.begin(), offsets.end(), static_cast<std::uint64_t>(archive.lastHeader));
  if (next == offsets.end() || *next >= static_cast<std::uint64_t>(archive.fileSize)) return -1;
  return static_cast<std::int64_t>(*next);
}

// Where the next entry starts: the next local header signature the scan
// finds, unless the central directory lists an entry before it (one the scan
// cannot reach: behind data that runs past the end, or where bytes other
// than a local header stand). -1 at the end.
std::int64_t NextHeaderOffset(ArchiveReader& archive, DataFile& file, std::int64_t start) {
  // The walk only ever moves forward, whatever a damaged size says.
  start = std::max(start, archive.lastHeader + 1);
  const std::int64_t scanned = start < archive.fileSize ? ScanForLocalHeader(archive, file, start) : -1;
  const std::int64_t listed = NextListedOffset(archive);
  if (listed >= 0 && (scanned < 0 || listed < scanned)) return listed;
  return scanned;
}

// An entry the central directory lists where no local header stands.
bool ReadMissingHeader(ArchiveReader& archive, DataFile& file, std::int64_t offset, EntryInfo& entry) {
  entry.name = archive.zipIndex->at(static_cast<std::uint64_t>(offset)).name;
  entry.headerOffset = offset;
  entry.packedSize = 0;
  entry.damage = EntryDamage::kNoLocalHeader;
  Seek64(file, std::min(offset + 1, archive.fileSize));
  return true;
}

// What the recorded sizes and the file say about an entry whose local
// header was read.
EntryDamage PayloadDamage(const ArchiveReader& archive, const EntryInfo& entry, std::int64_t payloadStart) {
  if (entry.name.empty()) return EntryDamage::kEmptyName;
  if (entry.packedSize > static_cast<std::uint64_t>(std::max<std::int64_t>(0, archive.fileSize - payloadStart)))
    return EntryDamage::kPastEnd;
  // Stored data is the content itself (behind the cipher header when
  // enciphered): any other size cannot be its content.
  const std::uint64_t overhead = entry.header.encrypted ? kZipCipherHeaderBytes : 0;
  if (entry.zipMethod == 0 && entry.packedSize != entry.originalSize + overhead) return EntryDamage::kStoredSize;
  return EntryDamage::kNone;
}

bool ReadZipEntry(ArchiveReader& archive, DataFile& file, EntryInfo& entry) {
  const std::int64_t start = FilePos64(file);
  const std::int64_t headerOffset = NextHeaderOffset(archive, file, start);
  if (headerOffset < 0) {
    Seek64(file, start);
    return false;
  }
  archive.lastHeader = headerOffset;
  // Only an offset taken from the directory can lack the signature.
  const std::string_view signature = Peek(archive, file, headerOffset, 4);
  if (signature.size() < 4 || GetLE32(signature.data()) != kSigLocalHeader)
    return ReadMissingHeader(archive, file, headerOffset, entry);
  const LocalHeaderFields h = DecodeLocalHeader(Bytes(Take(archive, file, headerOffset, kLocalHeaderBytes)));
  entry.zipFlags = h.flags;
  entry.header.time = h.dosTime;
  entry.header.crc32 = h.crc32;
  entry.packedSize = h.compressedSize;
  entry.header.originalSize = h.uncompressedSize;
  entry.originalSize = h.uncompressedSize;
  entry.zipMethod = h.method;
  entry.header.flags = h.method == 0 ? kEntryStored : 0;
  entry.header.encrypted = (entry.zipFlags & kZipFlagEncrypted) ? 1 : 0;
  entry.headerOffset = headerOffset;

  const std::int64_t nameAt = headerOffset + static_cast<std::int64_t>(kLocalHeaderBytes);
  const std::string raw(Take(archive, file, nameAt, h.nameLength));
  const std::int64_t extraAt = nameAt + static_cast<std::int64_t>(raw.size());
  const std::string extra(Take(archive, file, extraAt, h.extraLength));
  entry.name = ZipEntryName(raw, entry.zipFlags);
  ApplyLocalExtra(h, extra, raw, entry);
  const std::int64_t payloadStart = extraAt + static_cast<std::int64_t>(extra.size());
  Seek64(file, payloadStart);

  const CentralRecord* record = nullptr;
  if (archive.zipIndex) {
    const auto found = archive.zipIndex->find(static_cast<std::uint64_t>(headerOffset));
    if (found != archive.zipIndex->end()) record = &found->second;
  }
  ApplyCentralRecord(record, entry);
  if (!record && (entry.zipFlags & kZipFlagDataDescriptor)) entry.damage = EntryDamage::kSizesUnknown;
  if (entry.damage == EntryDamage::kNone) entry.damage = PayloadDamage(archive, entry, payloadStart);
  return true;
}

}  // namespace

bool OpenArchiveForReading(DataFile& file, const std::string& path) {
  try {
    AssignFileName(file, path);
    FileOpenMode = 0;
    SetPendingIoError(0);
    OpenExisting(file, 1, true);
  } catch (const std::exception&) {
    return false;
  }
  return PendingIoError() == 0;
}

bool ReadArchiveHeader(ArchiveReader& archive, DataFile& file, const std::string& archiveName,
                       bool unknownIsNative) {
  ArchiveInfo& info = archive.info;
  info.kind = kKindNative;
  archive.zipIndex.reset();
  archive.listedOffsets.clear();
  archive.lastHeader = -1;
  archive.readAheadStart = -1;
  archive.fileSize = FileSize64(file);
  char magic[4] = {};
  std::size_t got = 0;
  ReadBlock(file, magic, sizeof magic, got);
  const std::uint32_t signature = got == sizeof magic ? GetLE32(magic) : 0;
  if (got == sizeof magic && std::memcmp(magic, kNativeMagic, sizeof magic) == 0) {
    ReadNativeDescriptor(info, file);
    return true;
  }
  if (got == sizeof magic && (signature == kSigLocalHeader || signature == kSigEndRecord)) {
    archive.zipIndex = IndexOfDirectory(file, nullptr);
    Seek64(file, 0);
    info.kind = kKindZip;
  } else {
    std::int64_t firstLocalHeader = 0;
    archive.zipIndex = IndexOfDirectory(file, &firstLocalHeader);
    if (archive.zipIndex) {
      Seek64(file, firstLocalHeader);
      info.kind = kKindZip;
    } else if (unknownIsNative) {
      Seek64(file, 0);
    } else {
      Seek64(file, FileSize64(file));
      info.kind = kKindZip;
    }
  }
  if (archive.zipIndex) archive.listedOffsets = SortedOffsets(*archive.zipIndex);
  if (info.kind == kKindZip && !archiveName.empty()) info.time = FileTimeByFind(archiveName, true);
  return true;
}

std::string DamageText(EntryDamage damage) {
  switch (damage) {
    case EntryDamage::kNone: break;
    case EntryDamage::kEmptyName: return "an entry with an empty name was skipped";
    case EntryDamage::kNoLocalHeader: return "damaged: no entry starts where the central directory says it does";
    case EntryDamage::kPastEnd: return "damaged: its data runs past the end of the archive";
    case EntryDamage::kStoredSize: return "damaged: its stored size differs from its original size";
    case EntryDamage::kSizesUnknown:
      return "its sizes follow its data and the central directory does not list it";
  }
  return "";
}

bool ReadNextEntry(ArchiveReader& archive, DataFile& file, EntryInfo& entry) {
  entry = EntryInfo{};
  if (archive.info.kind == kKindZip) return ReadZipEntry(archive, file, entry);
  return ReadNativeEntry(archive, file, entry);
}

std::string ConvertPathSeparators(const std::string& name, bool toBackslash) {
  return toBackslash ? ReplaceAll(name, "/", "\\") : ReplaceAll(name, "\\", "/");
}

std::string ZipNameToUtf8(const std::string& raw, std::uint16_t flags) {
  if ((flags & kZipFlagUtf8) || IsValidUtf8(raw)) return raw;
  return Windows1252ToUtf8(raw);
}

bool IsNativeArchive(const std::string& path) {
  DataFile file;
  AssignFileName(file, path);
  FileOpenMode = 0;
  PendingIoError();
  OpenExisting(file);
  if (PendingIoError() != 0) return false;
  ArchiveReader reader;
  try {
    ReadArchiveHeader(reader, file, path, false);
  } catch (const std::exception&) {
    return false;
  }
  return reader.info.kind == kKindNative;
}

std::int64_t PayloadEnd(std::int64_t position, std::uint64_t packedSize, std::int64_t fileSize) {
  if (position >= fileSize || packedSize >= static_cast<std::uint64_t>(fileSize - position)) return std::max(position, fileSize);
  return position + static_cast<std::int64_t>(packedSize);
}

int ZipCheckByte(const EntryInfo& entry) {
  if (!(entry.zipFlags & kZipFlagDataDescriptor)) return -1;
  return static_cast<int>((entry.header.time >> 8) & 0xFF);
}

}  // namespace ovk
