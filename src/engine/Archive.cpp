#include "engine/Archive.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "engine/formats/zip/ZipFormat.h"
#include "coding/Decompressor.h"
#include "coding/WinZipAes.h"
#include "coding/ZipCrypto.h"
#include "engine/formats/native/NativeLayout.h"
#include "engine/formats/zip/ZipExtent.h"
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

// The directory's bytes as far as the file holds them; a failed read raises.
std::string ReadDirectoryBytes(DataFile& file, const ZipEndRecord& endRecord) {
  const std::uint64_t size = static_cast<std::uint64_t>(FileSize64(file));
  const std::uint64_t start = std::min(endRecord.directoryOffset, size);
  std::string bytes(static_cast<std::size_t>(std::min(endRecord.directorySize, size - start)), '\0');
  Seek64(file, static_cast<std::int64_t>(start));
  ReadBlock(file, bytes.data(), bytes.size());
  return bytes;
}

// Central directory of the archive; null when it cannot be located.
std::shared_ptr<const ZipDirectory> DirectoryOf(DataFile& file, std::int64_t* firstLocalHeader) {
  std::int64_t first = 0;
  auto directory = std::make_shared<ZipDirectory>();
  ZipEndRecord endRecord;
  if (LocateZipDirectory(file, first, &endRecord, nullptr, &directory->bytes) < 0) return nullptr;
  if (firstLocalHeader) *firstLocalHeader = first;
  std::size_t spanned = 0;
  directory->records = IndexCentralDirectory(directory->bytes, endRecord.prefixBytes, &spanned);
  if (spanned < endRecord.directorySize) {
    // The search keeps no failure of its read: a second read raises it.
    directory->bytes = ReadDirectoryBytes(file, endRecord);
    directory->records = IndexCentralDirectory(directory->bytes, endRecord.prefixBytes, &spanned);
  }
  directory->start = endRecord.directoryOffset;
  directory->cutShort = spanned < endRecord.directorySize;
  return directory;
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

// What the local header's extra fields add: the AES parameters and the
// modification time.
void ApplyLocalExtra(std::string_view extra, EntryInfo& entry) {
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
    }
  }
}

bool LocalHeaderAt(ArchiveReader& archive, DataFile& file, std::uint64_t offset) {
  if (offset >= static_cast<std::uint64_t>(archive.fileSize)) return false;
  const std::string_view signature = Peek(archive, file, static_cast<std::int64_t>(offset), 4);
  return signature.size() == 4 && GetLE32(signature.data()) == kSigLocalHeader;
}

// A local header as stored, the walk's read-ahead holding its bytes.
struct LocalHeader {
  LocalHeaderFields fields;
  std::string rawName, extra;
  std::int64_t payloadStart = 0;
};

LocalHeader ReadLocalHeader(ArchiveReader& archive, DataFile& file, std::int64_t offset) {
  LocalHeader h;
  h.fields = DecodeLocalHeader(Bytes(Take(archive, file, offset, kLocalHeaderBytes)));
  const std::int64_t nameAt = offset + static_cast<std::int64_t>(kLocalHeaderBytes);
  h.rawName = Take(archive, file, nameAt, h.fields.nameLength);
  const std::int64_t extraAt = nameAt + static_cast<std::int64_t>(h.rawName.size());
  h.extra = Take(archive, file, extraAt, h.fields.extraLength);
  h.payloadStart = extraAt + static_cast<std::int64_t>(h.extra.size());
  return h;
}

// Leaves the file at the header's first payload byte; always true.
bool SeekPayload(DataFile& file, const LocalHeader& local) {
  Seek64(file, local.payloadStart);
  return true;
}

// The fields of an entry that follow from its flags and method.
void DeriveHeader(EntryInfo& entry) {
  entry.header.originalSize = static_cast<std::uint32_t>(entry.originalSize);
  entry.header.flags = entry.zipMethod == kMethodStored ? kEntryStored : 0;
  entry.header.encrypted = (entry.zipFlags & kZipFlagEncrypted) ? 1 : 0;
}

// Bytes stored in front of and behind an enciphered entry's content.
std::uint64_t CipherOverhead(const EntryInfo& entry) {
  if (!entry.header.encrypted) return 0;
  if (entry.zipMethod != kMethodAes) return kZipCipherHeaderBytes;
  return AesSaltLength(entry.aesStrength) + kAesVerifierBytes + kAesMacBytes;
}

// What the recorded sizes and the file say about an entry whose local
// header was read.
EntryDamage PayloadDamage(const ArchiveReader& archive, const EntryInfo& entry, std::int64_t payloadStart) {
  if (entry.name.empty()) return EntryDamage::kEmptyName;
  if (entry.packedSize > static_cast<std::uint64_t>(std::max<std::int64_t>(0, archive.fileSize - payloadStart)))
    return EntryDamage::kPastEnd;
  const bool aes = entry.zipMethod == kMethodAes;
  // Without the flag no password deciphers it, and its stored bytes are not its content.
  if (aes && !entry.header.encrypted) return EntryDamage::kAesNotEnciphered;
  // Stored data is the content itself (between the cipher's bytes when
  // enciphered): any other size cannot be its content. AES of unknown
  // strength is refused for its parameters.
  const bool stored = entry.zipMethod == kMethodStored || (aes && entry.aesMethod == kMethodStored);
  if (stored && (!aes || AesSaltLength(entry.aesStrength) > 0) &&
      entry.packedSize != entry.originalSize + CipherOverhead(entry))
    return EntryDamage::kStoredSize;
  return EntryDamage::kNone;
}

// Where a listed entry ends: its payload and, with flag bit 3, the data
// descriptor behind it when one repeats the record's values.
std::int64_t ListedEntryEnd(ArchiveReader& archive, DataFile& file, const EntryInfo& entry,
                            std::int64_t payloadStart) {
  const std::int64_t payloadEnd = PayloadEnd(payloadStart, entry.packedSize, archive.fileSize);
  if (!(entry.zipFlags & kZipFlagDataDescriptor)) return payloadEnd;
  const std::string_view behind = Peek(archive, file, payloadEnd, kLongestDescriptor);
  return payloadEnd + static_cast<std::int64_t>(
                          DescriptorLength(behind, entry.header.crc32, entry.packedSize, entry.originalSize));
}

// Which field of the local header disagrees with the entry's central record
// (with flag bit 3 a size may be left to the data descriptor as a zero).
EntryDamage LocalDisagreement(const CentralRecord& record, const LocalHeader& local) {
  const LocalHeaderFields& f = local.fields;
  if (local.rawName != record.storedName) return EntryDamage::kLocalName;
  std::uint64_t original = 0, packed = 0;
  const bool sized = LocalHeaderSizes(f, local.extra, original, packed);
  const bool deferred = (f.flags & kZipFlagDataDescriptor) != 0;
  auto differs = [&](std::uint64_t local, std::uint64_t central) { return local != central && !(deferred && local == 0); };
  if ((!sized && !deferred) || differs(original, record.uncompressedSize) || differs(packed, record.compressedSize))
    return EntryDamage::kLocalSizes;
  if (f.method != record.method) return EntryDamage::kLocalMethod;
  if ((f.flags ^ record.flags) & (kZipFlagEncrypted | kZipFlagDataDescriptor)) return EntryDamage::kLocalFlags;
  return EntryDamage::kNone;
}

// The next entry the central directory lists. Its name, sizes, checksum,
// flags and method are the record's; its local header adds its time and
// extra fields. Its bytes, from its local header to the end of its data,
// must be its own: an entry that an earlier one reaches into (by offset,
// then directory order) is refused, so that shared data is written once at
// most. Only an entry whose local header agrees with its record claims the
// header's bytes.
bool ReadListedEntry(ArchiveReader& archive, DataFile& file, EntryInfo& entry) {
  const std::vector<CentralRecord>& records = archive.zipDirectory->records;
  if (archive.nextRecord >= records.size()) {
    // The entries listed before the directory's damage have been read; what follows it is unknown.
    if (archive.zipDirectory->cutShort) throw EInOutError(kIoReadPastEnd, "Read beyond end of file");
    return false;
  }
  const CentralRecord& record = records[archive.nextRecord++];
  entry.name = record.name;
  entry.packedSize = record.compressedSize;
  entry.originalSize = record.uncompressedSize;
  entry.versionMadeBy = record.versionMadeBy;
  entry.externalAttributes = record.externalAttributes;
  if (!LocalHeaderAt(archive, file, record.offset)) {
    entry.packedSize = 0;
    entry.damage = EntryDamage::kNoLocalHeader;
    return true;
  }
  entry.headerOffset = static_cast<std::int64_t>(record.offset);
  const LocalHeader local = ReadLocalHeader(archive, file, entry.headerOffset);
  entry.header.time = local.fields.dosTime;
  // Strong encryption is refused by name whichever of the two declares it.
  entry.zipFlags = record.flags | (local.fields.flags & kZipFlagStrongEncryption);
  entry.zipMethod = record.method;
  entry.header.crc32 = record.crc32;
  DeriveHeader(entry);
  ApplyLocalExtra(local.extra, entry);
  // What strong encryption hides cannot be checked; such an entry claims no bytes.
  if (entry.zipFlags & kZipFlagStrongEncryption) return SeekPayload(file, local);
  entry.damage = LocalDisagreement(record, local);
  const bool agrees = entry.damage == EntryDamage::kNone;
  if (agrees) entry.damage = PayloadDamage(archive, entry, local.payloadStart);
  if (entry.damage == EntryDamage::kNone && entry.headerOffset < archive.coveredEnd)
    entry.damage = EntryDamage::kOverlap;
  // Data said to run past the end lies about its size, which then covers nothing.
  if (agrees && entry.damage != EntryDamage::kPastEnd)
    archive.coveredEnd = std::max(archive.coveredEnd, ListedEntryEnd(archive, file, entry, local.payloadStart));
  return SeekPayload(file, local);
}

// The next local header of an archive without a central directory; an
// entry whose sizes follow its data cannot be read.
bool ReadLocalEntry(ArchiveReader& archive, DataFile& file, EntryInfo& entry) {
  const std::int64_t start = FilePos64(file);
  // The walk only ever moves forward, whatever a damaged size says.
  const std::int64_t from = std::max(start, archive.lastHeader + 1);
  const std::int64_t headerOffset = from < archive.fileSize ? ScanForLocalHeader(archive, file, from) : -1;
  if (headerOffset < 0) {
    Seek64(file, start);
    return false;
  }
  archive.lastHeader = headerOffset;
  entry.headerOffset = headerOffset;
  const LocalHeader local = ReadLocalHeader(archive, file, headerOffset);
  entry.zipFlags = local.fields.flags;
  entry.zipMethod = local.fields.method;
  entry.header.time = local.fields.dosTime;
  entry.header.crc32 = local.fields.crc32;
  LocalHeaderSizes(local.fields, local.extra, entry.originalSize, entry.packedSize);
  DeriveHeader(entry);
  const std::string unicodeName = UnicodePathName(local.extra, local.rawName);
  entry.name = unicodeName.empty() ? ZipEntryName(local.rawName, entry.zipFlags) : unicodeName;
  ApplyLocalExtra(local.extra, entry);
  SeekPayload(file, local);
  entry.damage = (entry.zipFlags & kZipFlagDataDescriptor) ? EntryDamage::kSizesUnknown
                                                           : PayloadDamage(archive, entry, local.payloadStart);
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

namespace {

// A walk of the given kind from its first step on.
void ResetWalk(ArchiveReader& archive, DataFile& file, std::uint8_t kind) {
  archive = ArchiveReader{};
  archive.info.kind = kind;
  archive.fileSize = FileSize64(file);
}

}  // namespace

void StartNativeWalk(ArchiveReader& archive, DataFile& file) {
  ResetWalk(archive, file, kKindNative);
  Seek64(file, sizeof kNativeMagic);
  ReadNativeDescriptor(archive.info, file);
  // The descriptor's kind byte never turns the native walk into another.
  archive.info.kind = kKindNative;
  archive.step = ReadNativeEntry;
}

void StartHeaderlessWalk(ArchiveReader& archive, DataFile& file) {
  ResetWalk(archive, file, kKindNative);
  Seek64(file, 0);
  archive.step = ReadNativeEntry;
}

void StartZipWalk(ArchiveReader& archive, DataFile& file, const std::string& archiveName) {
  ResetWalk(archive, file, kKindZip);
  char magic[4] = {};
  std::size_t got = 0;
  Seek64(file, 0);
  ReadBlock(file, magic, sizeof magic, got);
  const std::uint32_t signature = got == sizeof magic ? GetLE32(magic) : 0;
  std::int64_t firstLocalHeader = 0;
  const bool atStart = signature == kSigLocalHeader || signature == kSigEndRecord;
  archive.zipDirectory = DirectoryOf(file, atStart ? nullptr : &firstLocalHeader);
  archive.step = archive.zipDirectory ? ReadListedEntry : ReadLocalEntry;
  Seek64(file, firstLocalHeader);
  if (!archiveName.empty()) archive.info.time = FileTimeByFind(archiveName, true);
}

std::string DamageText(EntryDamage damage) {
  const std::string disagrees = "damaged: its local header disagrees with the central directory ";
  switch (damage) {
    case EntryDamage::kNone: break;
    case EntryDamage::kEmptyName: return "an entry with an empty name was skipped";
    case EntryDamage::kNoLocalHeader: return "damaged: no entry starts where the central directory says it does";
    case EntryDamage::kLocalName: return disagrees + "(name)";
    case EntryDamage::kLocalSizes: return disagrees + "(sizes)";
    case EntryDamage::kLocalMethod: return disagrees + "(compression method)";
    case EntryDamage::kLocalFlags: return disagrees + "(flags)";
    case EntryDamage::kPastEnd: return "damaged: its data runs past the end of the archive";
    case EntryDamage::kOverlap: return "refused: its data overlaps another entry (a possible zip bomb)";
    case EntryDamage::kAesNotEnciphered: return "damaged: it is AES-encrypted but not flagged as enciphered";
    case EntryDamage::kStoredSize: return "damaged: its stored size differs from its original size";
    case EntryDamage::kSizesUnknown:
      return "its sizes follow its data and the central directory does not list it";
  }
  return "";
}

bool ReadNextEntry(ArchiveReader& archive, DataFile& file, EntryInfo& entry) {
  entry = EntryInfo{};
  if (archive.resumeAt >= 0) Seek64(file, archive.resumeAt);
  const bool found = archive.step && archive.step(archive, file, entry);
  if (found) archive.resumeAt = PayloadEnd(FilePos64(file), entry.packedSize, archive.fileSize);
  return found;
}

std::string ConvertPathSeparators(const std::string& name, bool toBackslash) {
  return toBackslash ? ReplaceAll(name, "/", "\\") : ReplaceAll(name, "\\", "/");
}

std::int64_t PayloadEnd(std::int64_t position, std::uint64_t packedSize, std::int64_t fileSize) {
  if (position >= fileSize || packedSize >= static_cast<std::uint64_t>(fileSize - position)) return std::max(position, fileSize);
  return position + static_cast<std::int64_t>(packedSize);
}

}  // namespace ovk
