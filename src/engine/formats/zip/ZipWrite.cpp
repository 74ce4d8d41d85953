// Writing the ZIP container: local headers, the central directory collected
// in memory and the end records (ZIP64 when a count, the directory's size or
// its offset overflows the classic record).
#include <cstdint>
#include <initializer_list>
#include <string>

#include "engine/Archive.h"
#include "engine/formats/zip/ZipFormat.h"
#include "support/ByteOrder.h"

namespace ovk {

namespace {

// The end record's comment length field is 16 bits wide.
constexpr std::size_t kLongestComment = 0xFFFF;

constexpr std::uint16_t kVersionNeededPlain = 20;
constexpr std::uint16_t kVersionNeededZip64 = 45;
constexpr std::uint64_t kZip64EndRecordSize = 44;  // the record without signature and size field

void WriteString(DataFile& file, const std::string& bytes) {
  if (!bytes.empty()) WriteBlock(file, bytes.data(), bytes.size());
}

constexpr std::uint16_t kVersionNeededAes = 51;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;
constexpr std::uint16_t kMethodAes = 99;
constexpr std::uint16_t kAesVendorVersion = 2;  // AE-2: no CRC-32, the MAC checks the data
constexpr std::uint16_t kAesExtraSize = 7;

// The fields a local header and its central record share, from version
// needed to the uncompressed size (the sizes as the central record has them).
struct SharedFields {
  std::uint16_t versionNeeded, flags, method, time, date;
  std::uint32_t crc32, compressedSize, uncompressedSize;
};

std::uint16_t Clamp16(std::uint64_t v) { return v > kZip64CountMarker ? kZip64CountMarker : static_cast<std::uint16_t>(v); }
std::uint32_t Clamp32(std::uint64_t v) { return v > kZip64Marker ? kZip64Marker : static_cast<std::uint32_t>(v); }

std::uint16_t RealMethod(const EntryHeader& header) {
  return (header.flags & kEntryStored) ? kMethodStored : kMethodDeflated;
}

SharedFields MakeSharedFields(const EntryHeader& header, const EntrySizes& sizes,
                              const ZipEntryAttributes& attributes, std::uint64_t position) {
  const bool zip64 = sizes.wideHeader || position >= kZip64Marker || sizes.original >= kZip64Marker || sizes.packed >= kZip64Marker;
  SharedFields f{};
  f.versionNeeded = attributes.aesStrength ? kVersionNeededAes : zip64 ? kVersionNeededZip64 : kVersionNeededPlain;
  f.flags = kZipFlagUtf8;
  if (header.encrypted) f.flags |= kZipFlagEncrypted;
  f.method = attributes.aesStrength ? kMethodAes : RealMethod(header);
  f.time = static_cast<std::uint16_t>(header.time & 0xFFFF);
  f.date = static_cast<std::uint16_t>(header.time >> 16);
  f.crc32 = attributes.aesStrength ? 0 : header.crc32;
  f.compressedSize = Clamp32(sizes.packed);
  f.uncompressedSize = Clamp32(sizes.original);
  return f;
}

// The modification time in an extended-timestamp field, which unlike the
// DOS time is independent of the time zone and exact to the second; none for
// a time its signed 32-bit field cannot hold.
std::string ExtendedTimeExtra(std::int64_t modifiedTime) {
  if (modifiedTime < 0 || modifiedTime > INT32_MAX) return {};
  std::string extra;
  PutLE16(extra, kExtendedTimeExtraId);
  PutLE16(extra, 5);
  extra.push_back(1);  // flags: the modification time follows
  PutLE32(extra, static_cast<std::uint32_t>(modifiedTime));
  return extra;
}

// A ZIP64 extra field holding the values that overflow their 32-bit fields,
// in the given order; empty when none does.
std::string Zip64Extra(std::initializer_list<std::uint64_t> values) {
  std::string data;
  for (const std::uint64_t v : values)
    if (v >= kZip64Marker) PutLE64(data, v);
  if (data.empty()) return data;
  std::string extra;
  PutLE16(extra, kZip64ExtraId);
  PutLE16(extra, static_cast<std::uint16_t>(data.size()));
  return extra + data;
}

// WinZip's AES field, which names the method the data was compressed with.
std::string AesExtra(const EntryHeader& header, std::uint8_t strength) {
  if (strength == 0) return {};
  std::string extra;
  PutLE16(extra, kAesExtraId);
  PutLE16(extra, kAesExtraSize);
  PutLE16(extra, kAesVendorVersion);
  extra += "AE";
  extra.push_back(static_cast<char>(strength));
  PutLE16(extra, RealMethod(header));
  return extra;
}

// Info-ZIP writes both sizes whenever the local header has the field, with
// all ones in the 32-bit fields.
std::string LocalZip64Extra(const EntrySizes& sizes) {
  if (!sizes.wideHeader) return {};
  std::string extra;
  PutLE16(extra, kZip64ExtraId);
  PutLE16(extra, 16);
  PutLE64(extra, sizes.original);
  PutLE64(extra, sizes.packed);
  return extra;
}

std::string SerializeEndRecord64(const ZipEndRecord& r) {
  std::string out;
  PutLE32(out, r.signature);
  PutLE64(out, r.recordSize);
  PutLE16(out, r.versionMadeBy);
  PutLE16(out, r.versionNeeded);
  PutLE32(out, r.diskNumber);
  PutLE32(out, r.directoryDisk);
  PutLE64(out, r.entriesOnDisk);
  PutLE64(out, r.entriesTotal);
  PutLE64(out, r.directorySize);
  PutLE64(out, r.directoryOffset);
  return out;
}

std::string SerializeLocator(const ZipEndRecord& r, std::uint64_t endRecord64Position) {
  std::string out;
  PutLE32(out, kSigZip64Locator);
  PutLE32(out, r.directoryDisk);
  PutLE64(out, endRecord64Position);
  PutLE32(out, 1);  // total number of disks
  return out;
}

std::string SerializeEndRecord(const ZipEndRecord& r, const std::string& comment) {
  std::string out;
  PutLE32(out, kSigEndRecord);
  PutLE16(out, Clamp16(r.diskNumber));
  PutLE16(out, Clamp16(r.directoryDisk));
  PutLE16(out, Clamp16(r.entriesOnDisk));
  PutLE16(out, Clamp16(r.entriesTotal));
  PutLE32(out, Clamp32(r.directorySize));
  PutLE32(out, Clamp32(r.directoryOffset));
  // The comment field holds at most 65535 bytes.
  const std::string kept = comment.substr(0, kLongestComment);
  PutLE16(out, static_cast<std::uint16_t>(kept.size()));
  out += kept;
  return out;
}

}  // namespace

void AppendFileHeader(CentralDirectoryStream& stream, const TFileHeader& h) {
  PutLE32(stream, h.signature);
  PutLE16(stream, h.versionMadeBy);
  PutLE16(stream, h.versionNeeded);
  PutLE16(stream, h.flags);
  PutLE16(stream, h.method);
  PutLE16(stream, h.time);
  PutLE16(stream, h.date);
  PutLE32(stream, h.crc32);
  PutLE32(stream, h.compressedSize);
  PutLE32(stream, h.uncompressedSize);
  PutLE16(stream, h.nameLength);
  PutLE16(stream, h.extraLength);
  PutLE16(stream, h.commentLength);
  PutLE16(stream, h.diskNumberStart);
  PutLE16(stream, h.internalAttributes);
  PutLE32(stream, h.externalAttributes);
  PutLE32(stream, h.localHeaderOffset);
  stream += h.name;
  stream += h.extra;
  stream += h.comment;
}

void AppendCentralRecord(CentralDirectoryStream& stream, TFileHeader header, std::uint64_t original,
                         std::uint64_t packed, std::uint64_t position) {
  header.uncompressedSize = Clamp32(original);
  header.compressedSize = Clamp32(packed);
  header.localHeaderOffset = Clamp32(position);
  header.extra = Zip64Extra({original, packed, position}) + header.extra;
  header.extraLength = static_cast<std::uint16_t>(header.extra.size());
  AppendFileHeader(stream, header);
}

std::string ZipLocalHeaderBytes(const std::string& storedName, const EntryHeader& header,
                                const EntrySizes& sizes, const ZipEntryAttributes& attributes,
                                std::uint64_t position) {
  const std::string name = ConvertPathSeparators(storedName, false);
  const SharedFields f = MakeSharedFields(header, sizes, attributes, position);
  const std::string extra = LocalZip64Extra(sizes) + AesExtra(header, attributes.aesStrength) +
                            ExtendedTimeExtra(attributes.modifiedTime);
  std::string local;
  PutLE32(local, kSigLocalHeader);
  PutLE16(local, f.versionNeeded);
  PutLE16(local, f.flags);
  PutLE16(local, f.method);
  PutLE16(local, f.time);
  PutLE16(local, f.date);
  PutLE32(local, f.crc32);
  PutLE32(local, sizes.wideHeader ? kZip64Marker : f.compressedSize);
  PutLE32(local, sizes.wideHeader ? kZip64Marker : f.uncompressedSize);
  PutLE16(local, static_cast<std::uint16_t>(name.size()));
  PutLE16(local, static_cast<std::uint16_t>(extra.size()));
  return local + name + extra;
}

void AppendZipEntryRecord(CentralDirectoryStream& stream, const std::string& storedName,
                          const EntryHeader& header, const EntrySizes& sizes,
                          const ZipEntryAttributes& attributes, std::uint64_t position) {
  const SharedFields f = MakeSharedFields(header, sizes, attributes, position);
  TFileHeader h;
  h.versionMadeBy = attributes.versionMadeBy;
  h.versionNeeded = f.versionNeeded;
  h.flags = f.flags;
  h.method = f.method;
  h.time = f.time;
  h.date = f.date;
  h.crc32 = f.crc32;
  h.externalAttributes = attributes.externalAttributes;
  h.name = ConvertPathSeparators(storedName, false);
  h.nameLength = static_cast<std::uint16_t>(h.name.size());
  h.extra = AesExtra(header, attributes.aesStrength) + ExtendedTimeExtra(attributes.modifiedTime);
  AppendCentralRecord(stream, h, sizes.original, sizes.packed, position);
}

void WriteZipDirectoryEnd(DataFile& file, const std::string& comment, ZipEndRecord& endRecord,
                          bool append, std::uint64_t entriesAdded,
                          const CentralDirectoryStream& directory) {
  endRecord.directoryOffset = static_cast<std::uint64_t>(FilePos64(file));
  WriteString(file, directory);
  if (!append) {
    const std::uint64_t offset = endRecord.directoryOffset;
    endRecord = ZipEndRecord{};
    endRecord.directoryOffset = offset;
  }
  endRecord.entriesOnDisk += entriesAdded;
  endRecord.entriesTotal += entriesAdded;
  endRecord.directorySize = static_cast<std::uint64_t>(FilePos64(file)) - endRecord.directoryOffset;
  endRecord.recordSize = kZip64EndRecordSize;
  // Peers read the counts and places that overflow the classic record's
  // fields only from the ZIP64 record.
  if (endRecord.entriesTotal >= kZip64CountMarker || endRecord.directorySize >= kZip64Marker ||
      endRecord.directoryOffset >= kZip64Marker) {
    endRecord.versionNeeded = kVersionNeededZip64;
    const auto position = static_cast<std::uint64_t>(FilePos64(file));
    WriteString(file, SerializeEndRecord64(endRecord) + SerializeLocator(endRecord, position));
  }
  WriteString(file, SerializeEndRecord(endRecord, comment));
}

}  // namespace ovk
