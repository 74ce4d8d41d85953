#include "engine/formats/zip/ZipReader.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "coding/WinZipAes.h"
#include "coding/ZipCrypto.h"
#include "engine/Archive.h"
#include "engine/formats/zip/ZipExtent.h"
#include "engine/formats/zip/ZipExtraFields.h"
#include "engine/formats/zip/ZipFormat.h"
#include "engine/formats/zip/ZipMethods.h"
#include "support/ByteOrder.h"
#include "support/DosTime.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

constexpr std::size_t kScanChunk = 4096;
// The "version made by" host of entries made on Unix.
constexpr std::uint16_t kHostUnix = 3;

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
  if (LocateZipDirectory(file, first, &endRecord, &directory->comment, &directory->bytes) < 0) return nullptr;
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

const std::uint8_t* Bytes(std::string_view view) { return reinterpret_cast<const std::uint8_t*>(view.data()); }

// What the local header's extra fields add: the AES parameters and the
// modification time.
void ApplyLocalExtra(std::string_view extra, ZipEntryRecord& entry) {
  ForEachExtraField(extra, [&](std::uint16_t id, std::string_view data) {
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
    return true;
  });
}

// The fields of an entry that follow from its flags and method.
void DeriveHeader(ZipEntryRecord& entry) {
  entry.header.originalSize = static_cast<std::uint32_t>(entry.originalSize);
  entry.header.flags = entry.zipMethod == kMethodStored ? kEntryStored : 0;
  entry.header.encrypted = (entry.zipFlags & kZipFlagEncrypted) ? 1 : 0;
}

// Bytes stored in front of and behind an enciphered entry's content.
std::uint64_t CipherOverhead(const ZipEntryRecord& entry) {
  if (!entry.header.encrypted) return 0;
  if (entry.zipMethod != kMethodAes) return kZipCipherHeaderBytes;
  return AesSaltLength(entry.aesStrength) + kAesVerifierBytes + kAesMacBytes;
}

// The Unix mode of an entry made on Unix; 0 for any other host.
std::uint32_t UnixMode(const ZipEntryRecord& entry) {
  return (entry.versionMadeBy >> 8) == kHostUnix ? entry.externalAttributes >> 16 : 0;
}

EntryType TypeOf(const ZipEntryRecord& entry) {
  constexpr std::uint32_t kTypeMask = 0170000, kSymbolicLink = 0120000;
  if (!entry.name.empty() && IsPathSeparator(entry.name.back())) return EntryType::kFolder;
  return (UnixMode(entry) & kTypeMask) == kSymbolicLink ? EntryType::kSymbolicLink : EntryType::kFile;
}

// The cipher of an enciphered entry: WinZip AES of its strength, PKWARE's
// strong encryption, else the traditional one.
std::string CipherOf(const ZipEntryRecord& record) {
  if (!record.header.encrypted) return {};
  if (record.zipMethod == kMethodAes)
    return record.aesStrength >= 1 && record.aesStrength <= 3 ? "AES-" + std::to_string(64 + 64 * record.aesStrength) : "AES";
  return (record.zipFlags & kZipFlagStrongEncryption) ? "PKWARE strong encryption" : "ZIP 2.0";
}

Entry EntryOf(const ZipEntryRecord& record) {
  Entry entry;
  entry.name = ConvertPathSeparators(record.name, false);
  entry.type = TypeOf(record);
  entry.packedSize = record.packedSize;
  entry.originalSize = record.originalSize;
  entry.dosTime = record.header.time;
  entry.modified = record.modifiedTime >= 0 ? record.modifiedTime : DosToUnixTime(record.header.time);
  entry.mode = UnixMode(record) & 07777;
  entry.method = MethodText(record);
  entry.encrypted = record.header.encrypted != 0;
  entry.cipher = CipherOf(record);
  entry.rawFlags = record.header.flags;
  entry.undecodable = UndecodableReason(record);
  return entry;
}

// Which field of the local header disagrees with the entry's central record
// (with flag bit 3 a size may be left to the data descriptor as a zero).
EntryDamage LocalDisagreement(const CentralRecord& record, const LocalHeaderFields& f, std::string_view rawName,
                              std::string_view extra) {
  if (rawName != record.storedName) return EntryDamage::kLocalName;
  std::uint64_t original = 0, packed = 0;
  const bool sized = LocalHeaderSizes(f, extra, original, packed);
  const bool deferred = (f.flags & kZipFlagDataDescriptor) != 0;
  auto differs = [&](std::uint64_t local, std::uint64_t central) { return local != central && !(deferred && local == 0); };
  if ((!sized && !deferred) || differs(original, record.uncompressedSize) || differs(packed, record.compressedSize))
    return EntryDamage::kLocalSizes;
  if (f.method != record.method) return EntryDamage::kLocalMethod;
  if ((f.flags ^ record.flags) & (kZipFlagEncrypted | kZipFlagDataDescriptor)) return EntryDamage::kLocalFlags;
  return EntryDamage::kNone;
}

}  // namespace

// A local header as stored, the walk's read-ahead holding its bytes.
struct ZipReader::LocalHeader {
  LocalHeaderFields fields;
  std::string rawName, extra;
  std::int64_t payloadStart = 0;
};

ZipReader::ZipReader(DataFile& file) : PayloadReader(file) {
  char magic[4] = {};
  std::size_t got = 0;
  Seek64(file, 0);
  ReadBlock(file, magic, sizeof magic, got);
  const std::uint32_t signature = got == sizeof magic ? GetLE32(magic) : 0;
  std::int64_t firstLocalHeader = 0;
  const bool atStart = signature == kSigLocalHeader || signature == kSigEndRecord;
  directory_ = DirectoryOf(file, atStart ? nullptr : &firstLocalHeader);
  Seek64(file, firstLocalHeader);
}

PayloadCoding ZipReader::Coding() const { return CodingOf(record_); }

bool ZipReader::Next(Entry& entry, Damage& damage) {
  Resume();
  record_ = ZipEntryRecord{};
  try {
    if (!(directory_ ? ReadListedEntry() : ReadLocalEntry())) return false;
  } catch (const EInOutError&) {
    entry = Entry{};
    entry.name = ConvertPathSeparators(record_.name, false);
    throw;
  }
  Found(record_.packedSize);
  entry = EntryOf(record_);
  damage = Damage{record_.damage, record_.headerOffset};
  // A link whose header could not be read has no payload to tell its target.
  const bool readable = record_.damage != EntryDamage::kEmptyName && record_.damage != EntryDamage::kNoLocalHeader;
  if (entry.type == EntryType::kSymbolicLink && readable) entry.linkTarget = LinkTarget(entry);
  return true;
}

// Position of the next local header at or after base, or -1 when a central
// directory header or the end of the file comes first. Same outcome as
// testing every byte position in turn, read in chunks.
std::int64_t ZipReader::ScanForLocalHeader(std::int64_t base) {
  for (;;) {
    const std::string_view chunk = Peek(base, kScanChunk);
    for (std::size_t i = 0; i + 4 <= chunk.size(); ++i) {
      const std::uint32_t value = GetLE32(chunk.data() + i);
      if (value == kSigLocalHeader) return base + static_cast<std::int64_t>(i);
      if (value == kSigCentralHeader) return -1;
    }
    if (chunk.size() < kScanChunk) return -1;
    base += static_cast<std::int64_t>(chunk.size() - 3);
  }
}

bool ZipReader::LocalHeaderAt(std::uint64_t offset) {
  if (offset >= static_cast<std::uint64_t>(fileSize_)) return false;
  const std::string_view signature = Peek(static_cast<std::int64_t>(offset), 4);
  return signature.size() == 4 && GetLE32(signature.data()) == kSigLocalHeader;
}

ZipReader::LocalHeader ZipReader::ReadLocalHeader(std::int64_t offset) {
  LocalHeader h;
  h.fields = DecodeLocalHeader(Bytes(Take(offset, kLocalHeaderBytes)));
  const std::int64_t nameAt = offset + static_cast<std::int64_t>(kLocalHeaderBytes);
  h.rawName = Take(nameAt, h.fields.nameLength);
  const std::int64_t extraAt = nameAt + static_cast<std::int64_t>(h.rawName.size());
  h.extra = Take(extraAt, h.fields.extraLength);
  h.payloadStart = extraAt + static_cast<std::int64_t>(h.extra.size());
  Seek64(file_, h.payloadStart);
  return h;
}

// What the recorded sizes and the file say about an entry whose local
// header was read.
EntryDamage ZipReader::PayloadDamage(std::int64_t payloadStart) const {
  const ZipEntryRecord& entry = record_;
  if (entry.name.empty()) return EntryDamage::kEmptyName;
  if (entry.packedSize > static_cast<std::uint64_t>(std::max<std::int64_t>(0, fileSize_ - payloadStart)))
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
std::int64_t ZipReader::ListedEntryEnd(std::int64_t payloadStart) {
  const ZipEntryRecord& entry = record_;
  const std::int64_t payloadEnd = PayloadEnd(payloadStart, entry.packedSize, fileSize_);
  if (!(entry.zipFlags & kZipFlagDataDescriptor)) return payloadEnd;
  const std::string_view behind = Peek(payloadEnd, kLongestDescriptor);
  return payloadEnd + static_cast<std::int64_t>(
                          DescriptorLength(behind, entry.header.crc32, entry.packedSize, entry.originalSize));
}

// The next entry the central directory lists. Its name, sizes, checksum,
// flags and method are the record's; its local header adds its time and
// extra fields. Its bytes, from its local header to the end of its data,
// must be its own: an entry that an earlier one reaches into (by offset,
// then directory order) is refused, so that shared data is written once at
// most. Only an entry whose local header agrees with its record claims the
// header's bytes.
bool ZipReader::ReadListedEntry() {
  const std::vector<CentralRecord>& records = directory_->records;
  if (nextRecord_ >= records.size()) {
    // The entries listed before the directory's damage have been read; what follows it is unknown.
    if (directory_->cutShort) throw EInOutError(IoError{"read", file_.name, kIoReadPastEnd});
    return false;
  }
  ZipEntryRecord& entry = record_;
  const CentralRecord& record = records[nextRecord_++];
  entry.name = record.name;
  entry.packedSize = record.compressedSize;
  entry.originalSize = record.uncompressedSize;
  entry.versionMadeBy = record.versionMadeBy;
  entry.externalAttributes = record.externalAttributes;
  if (!LocalHeaderAt(record.offset)) {
    entry.packedSize = 0;
    entry.damage = EntryDamage::kNoLocalHeader;
    return true;
  }
  entry.headerOffset = static_cast<std::int64_t>(record.offset);
  const LocalHeader local = ReadLocalHeader(entry.headerOffset);
  entry.header.time = local.fields.dosTime;
  // Strong encryption is refused by name whichever of the two declares it.
  entry.zipFlags = record.flags | (local.fields.flags & kZipFlagStrongEncryption);
  entry.zipMethod = record.method;
  entry.header.crc32 = record.crc32;
  DeriveHeader(entry);
  ApplyLocalExtra(local.extra, entry);
  // What strong encryption hides cannot be checked; such an entry claims no bytes.
  if (entry.zipFlags & kZipFlagStrongEncryption) return true;
  entry.damage = LocalDisagreement(record, local.fields, local.rawName, local.extra);
  const bool agrees = entry.damage == EntryDamage::kNone;
  if (agrees) entry.damage = PayloadDamage(local.payloadStart);
  if (entry.damage == EntryDamage::kNone && entry.headerOffset < coveredEnd_) entry.damage = EntryDamage::kOverlap;
  // Data said to run past the end lies about its size, which then covers nothing.
  if (agrees && entry.damage != EntryDamage::kPastEnd)
    coveredEnd_ = std::max(coveredEnd_, ListedEntryEnd(local.payloadStart));
  Seek64(file_, local.payloadStart);
  return true;
}

// The next local header of an archive without a central directory; an
// entry whose sizes follow its data cannot be read.
bool ZipReader::ReadLocalEntry() {
  const std::int64_t start = FilePos64(file_);
  // The walk only ever moves forward, whatever a damaged size says.
  const std::int64_t from = std::max(start, lastHeader_ + 1);
  const std::int64_t headerOffset = from < fileSize_ ? ScanForLocalHeader(from) : -1;
  if (headerOffset < 0) {
    Seek64(file_, start);
    return false;
  }
  ZipEntryRecord& entry = record_;
  lastHeader_ = headerOffset;
  entry.headerOffset = headerOffset;
  const LocalHeader local = ReadLocalHeader(headerOffset);
  entry.zipFlags = local.fields.flags;
  entry.zipMethod = local.fields.method;
  entry.header.time = local.fields.dosTime;
  entry.header.crc32 = local.fields.crc32;
  LocalHeaderSizes(local.fields, local.extra, entry.originalSize, entry.packedSize);
  DeriveHeader(entry);
  const std::string unicodeName = UnicodePathName(local.extra, local.rawName);
  entry.name = unicodeName.empty() ? ZipEntryName(local.rawName, entry.zipFlags) : unicodeName;
  ApplyLocalExtra(local.extra, entry);
  entry.damage = (entry.zipFlags & kZipFlagDataDescriptor) ? EntryDamage::kSizesUnknown
                                                           : PayloadDamage(local.payloadStart);
  return true;
}

}  // namespace ovk
