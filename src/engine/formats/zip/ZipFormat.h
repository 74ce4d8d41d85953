// The ZIP container's records: locating the directory, local headers,
// the central directory stream and the end records (ZIP64 included).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "coding/Records.h"
#include "engine/format/Writer.h"
#include "support/FileUnit.h"

namespace ovk {

constexpr std::uint32_t kSigLocalHeader = 0x04034B50;
constexpr std::uint32_t kSigCentralHeader = 0x02014B50;
constexpr std::uint32_t kSigEndRecord = 0x06054B50;
constexpr std::uint32_t kSigZip64EndRecord = 0x06064B50;
constexpr std::uint32_t kSigZip64Locator = 0x07064B50;
constexpr std::uint32_t kSigDataDescriptor = 0x08074B50;

constexpr std::uint16_t kZipFlagEncrypted = 0x0001;
constexpr std::uint16_t kZipFlagLzmaEndMarker = 0x0002;
constexpr std::uint16_t kZipFlagDataDescriptor = 0x0008;
constexpr std::uint16_t kZipFlagStrongEncryption = 0x0040;
constexpr std::uint16_t kZipFlagUtf8 = 0x0800;

// A 32-bit size or offset field holding this leaves its value to the ZIP64
// extra field (or, for counts and offsets, to the ZIP64 end record).
constexpr std::uint32_t kZip64Marker = 0xFFFFFFFF;
// The same for the end record's 16-bit entry counts.
constexpr std::uint16_t kZip64CountMarker = 0xFFFF;

constexpr std::size_t kLocalHeaderBytes = 30;

// The fixed part of a local header, decoded; the signature is the caller's
// to check.
struct LocalHeaderFields {
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t dosTime = 0;  // time in the low half, date in the high half
  std::uint32_t crc32 = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint16_t nameLength = 0;
  std::uint16_t extraLength = 0;
};
LocalHeaderFields DecodeLocalHeader(const std::uint8_t* bytes);
// The header's sizes, 64-bit from its ZIP64 field where both 32-bit ones
// hold all ones (a local header's ZIP64 field carries both); false when
// they are left to that field and it is missing.
bool LocalHeaderSizes(const LocalHeaderFields& fields, std::string_view extra, std::uint64_t& original,
                      std::uint64_t& packed);

// Header IDs of the extra fields read: ZIP64 extended information, WinZip
// AES, Info-ZIP's Unicode Path and extended timestamp, and NTFS times.
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint16_t kAesExtraId = 0x9901;
constexpr std::uint16_t kUnicodePathExtraId = 0x7075;
constexpr std::uint16_t kExtendedTimeExtraId = 0x5455;
constexpr std::uint16_t kNtfsExtraId = 0x000A;

// Shaped like the ZIP64 end of central directory record (56 bytes).
struct ZipEndRecord {
  std::uint32_t signature = kSigZip64EndRecord;
  std::uint64_t recordSize = 0;
  std::uint16_t versionMadeBy = 0;
  std::uint16_t versionNeeded = 20;
  std::uint32_t diskNumber = 0;
  std::uint32_t directoryDisk = 0;
  std::uint64_t entriesOnDisk = 0;
  std::uint64_t entriesTotal = 0;
  std::uint64_t directorySize = 0;
  std::uint64_t directoryOffset = 0;
  // Not part of the record: bytes in front of a ZIP whose offsets count from
  // its own start (a stub such as a self-extractor's); directoryOffset above
  // already includes them.
  std::uint64_t prefixBytes = 0;
};

// One central directory record before it is serialised.
struct TFileHeader {
  std::uint32_t signature = kSigCentralHeader;
  std::uint16_t versionMadeBy = 0;
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint16_t time = 0;
  std::uint16_t date = 0;
  std::uint32_t crc32 = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint16_t nameLength = 0;
  std::uint16_t extraLength = 0;
  std::uint16_t commentLength = 0;
  std::uint16_t diskNumberStart = 0;
  std::uint16_t internalAttributes = 0;
  std::uint32_t externalAttributes = 0;
  std::uint32_t localHeaderOffset = 0;
  std::string name, extra, comment;
};

// The central directory collected in memory, serialised records in order.
using CentralDirectoryStream = std::string;

// Appends a record to the stream, field by field.
void AppendFileHeader(CentralDirectoryStream& stream, const TFileHeader& header);

// Appends the record of the local header at position with the entry's
// sizes; the sizes and offset that overflow their fields go to a ZIP64 extra
// field in front of the record's other extra fields.
void AppendCentralRecord(CentralDirectoryStream& stream, TFileHeader header, std::uint64_t original,
                         std::uint64_t packed, std::uint64_t position);

// What a written entry records besides its name and EntryHeader.
struct ZipEntryAttributes {
  std::uint16_t versionMadeBy = 45;      // high byte host, low byte version
  std::uint32_t externalAttributes = 0;
  std::uint8_t aesStrength = 0;          // 1..3: enciphered with WinZip AES (AE-2)
  std::int64_t modifiedTime = -1;        // seconds since 1970, kept in an extended-timestamp field
};

// The local header of an entry; with sizes.wideHeader it holds both sizes
// in a ZIP64 extra field (Info-ZIP's layout). The same length for any sizes,
// so one written with placeholders can be written over once they are known.
std::string ZipLocalHeaderBytes(const std::string& storedName, const EntryHeader& header,
                                const EntrySizes& sizes, const ZipEntryAttributes& attributes,
                                std::uint64_t position);
// Appends the central record of the entry whose local header is at position;
// the sizes and offset that overflow their fields go to a ZIP64 extra field.
void AppendZipEntryRecord(CentralDirectoryStream& stream, const std::string& storedName,
                          const EntryHeader& header, const EntrySizes& sizes,
                          const ZipEntryAttributes& attributes, std::uint64_t position);

// "version made by" of entries the packer writes: Unix host, version 4.5.
constexpr std::uint16_t kUnixVersionMadeBy = 0x032D;

// Position of the ZIP64 end record, else of the end record; -1 when no usable
// directory is found. The file position is unchanged on return. Only with
// uncountedPrefix is a directory found whose offsets leave out bytes in front
// of the archive (a stub put in front of it as it stood); it gets their
// count (else 0), which the recorded offsets lack and firstLocalHeader holds.
std::int64_t LocateZipDirectory(DataFile& file, std::int64_t& firstLocalHeader,
                                ZipEndRecord* endRecord = nullptr,
                                std::string* comment = nullptr,
                                CentralDirectoryStream* directory = nullptr);
// A stored ZIP name as the system holds it: UTF-8 (raw bytes that are not
// valid UTF-8 and lack the UTF-8 flag are read as Windows-1252), "\"
// between folders.
std::string ZipEntryName(const std::string& raw, std::uint16_t flags);
// The name an Info-ZIP Unicode Path field among extra gives the stored name
// rawName ("\" between folders), when its CRC-32 says it was made for those
// bytes; else empty.
std::string UnicodePathName(std::string_view extra, std::string_view rawName);
std::int64_t FindSignatureBackward(DataFile& file, std::uint32_t signature, std::int64_t start);
void WriteZipDirectoryEnd(DataFile& file, const std::string& comment, ZipEndRecord& endRecord,
                          bool append, std::uint64_t entriesAdded,
                          const CentralDirectoryStream& directory);

}  // namespace ovk
