// Records shared by every archive operation, recognition of the container
// kind, the sequential entry reader and the native container's header.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "coding/Records.h"
#include "support/FileUnit.h"

namespace ovk {

constexpr char kNativeMagic[4] = {'K', 'W', 'T', 'Z'};
constexpr std::uint32_t kNativeDescriptorLength = 9;
constexpr std::uint32_t kNativeLayoutWritten = 3;

// What the central directory says about one entry, found by the offset of
// its local header. Sizes are 64-bit (ZIP64 extra field honoured).
struct CentralRecord {
  std::string name;  // UTF-8, as the listing shows it
  std::uint16_t versionMadeBy = 0;
  std::uint16_t flags = 0;
  std::uint32_t crc32 = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t uncompressedSize = 0;
  std::uint32_t externalAttributes = 0;
};
using ZipDirectoryIndex = std::unordered_map<std::uint64_t, CentralRecord>;

// The records of a serialised central directory by local header offset (plus
// prefixBytes, for a ZIP behind a stub whose offsets count from its own
// start); stops at the first record that is cut off or lacks its signature.
ZipDirectoryIndex IndexCentralDirectory(const std::string& directory, std::uint64_t prefixBytes = 0);

// The designed "version made by" (ZIP version 4.5, host 0) used where an
// entry's own record is unknown.
constexpr std::uint16_t kDefaultVersionMadeBy = 45;

// Why an entry the walk returns cannot be read as it stands.
enum class EntryDamage : std::uint8_t {
  kNone,
  kEmptyName,      // a local header with an empty name
  kNoLocalHeader,  // the central directory lists it where no local header is
  kPastEnd,        // its data runs past the end of the file
  kStoredSize,     // stored data whose size differs from the original size
  kSizesUnknown,   // sizes only in a data descriptor, and no central directory
};

// The damage in words, for the user.
std::string DamageText(EntryDamage damage);

// One entry as the readers return it.
struct EntryInfo {
  std::string name;               // whole, "\" separators
  std::uint64_t packedSize = 0;   // payload bytes behind the header
  std::uint64_t originalSize = 0; // the content's size (header.originalSize holds its low 32 bits)
  EntryHeader header;
  // ZIP only (left at these defaults for native entries):
  std::uint16_t zipFlags = 0;                      // local header flags
  std::uint16_t zipMethod = 8;                     // local header compression method
  std::uint16_t versionMadeBy = kDefaultVersionMadeBy;  // from the central record
  std::uint32_t externalAttributes = 0;            // from the central record
  std::int64_t headerOffset = -1;                  // where the local header starts
  // WinZip AES (method 99): key strength 1-3 (0: none), AE-1 or AE-2, and
  // the compression method of the enciphered data.
  // Seconds since 1970 from the extended-timestamp or NTFS field; -1: only
  // the DOS time is known.
  std::int64_t modifiedTime = -1;
  std::uint8_t aesStrength = 0;
  std::uint16_t aesVersion = 0;
  std::uint16_t aesMethod = 0;
  // Such an entry is still returned so that the walk can report it and go on.
  EntryDamage damage = EntryDamage::kNone;
};

// The reading state of one operation: the archive descriptor and, for ZIP
// archives, the central directory by local header offset.
struct ArchiveReader {
  ArchiveInfo info;
  std::shared_ptr<ZipDirectoryIndex> zipIndex;  // null when no directory was found
  std::vector<std::uint64_t> listedOffsets;     // the index's offsets, ascending
  std::int64_t lastHeader = -1;                 // offset of the last local header read
  std::int64_t fileSize = 0;
  // The walk's read-ahead: bytes of the file from readAheadStart (-1: none).
  std::string readAhead;
  std::int64_t readAheadStart = -1;
};

// Opens an existing archive read-only (FileOpenMode 0); false when it cannot
// be opened. Never raises.
bool OpenArchiveForReading(DataFile& file, const std::string& path);

// True when the file holds the native container (recognised by content).
bool IsNativeArchive(const std::string& path);

// Always true; leaves the file where ReadNextEntry starts.
bool ReadArchiveHeader(ArchiveReader& archive, DataFile& file, const std::string& archiveName,
                       bool unknownIsNative);
// False at the end of the entries; leaves the file at the first payload byte.
// A ZIP walk goes on past damage: an entry with an empty name, one whose
// data runs past the end of the file, or one the central directory lists
// where no local header is, comes back with its damage described, and the
// walk resumes at the next entry the central directory lists.
bool ReadNextEntry(ArchiveReader& archive, DataFile& file, EntryInfo& entry);
void WriteNativeHeader(const ArchiveInfo& info, DataFile& file);
// The record in front of a native entry's payload.
std::string NativeEntryHeaderBytes(const std::string& storedName, const EntryHeader& header,
                                   std::uint32_t packedSize);
std::string ConvertPathSeparators(const std::string& name, bool toBackslash);

// A stored ZIP name in UTF-8: as stored when flagged UTF-8 or valid UTF-8,
// else read as Windows-1252.
std::string ZipNameToUtf8(const std::string& raw, std::uint16_t flags);

// Where a payload of packedSize bytes from position ends, at most the end of
// the file: a lying 64-bit size can neither overflow nor move the walk back.
std::int64_t PayloadEnd(std::int64_t position, std::uint64_t packedSize, std::int64_t fileSize);

// The ZIP password check byte of an entry: bits 8-15 of its DOS time when
// its sizes follow in a data descriptor (flag bit 3), else -1 (CRC-32 based).
int ZipCheckByte(const EntryInfo& entry);

}  // namespace ovk
