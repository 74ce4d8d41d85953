// Records shared by every archive operation, the sequential entry reader
// and the native container's header.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "coding/Records.h"
#include "support/FileUnit.h"

namespace ovk {

constexpr char kNativeMagic[4] = {'K', 'W', 'T', 'Z'};
constexpr std::uint32_t kNativeDescriptorLength = 9;
constexpr std::uint32_t kNativeLayoutWritten = 3;

// What the central directory says about one entry. Sizes are 64-bit (ZIP64
// extra field honoured).
struct CentralRecord {
  std::string name;             // UTF-8, as the listing shows it
  std::string_view storedName;  // the name's bytes as stored, in the directory read
  std::uint64_t offset = 0;     // of its local header in the file, bytes in front of the ZIP included
  std::uint16_t versionMadeBy = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t crc32 = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t uncompressedSize = 0;
  std::uint32_t externalAttributes = 0;
};

// The records of a serialised central directory in the order their local
// headers stand in the file (records of one offset in directory order),
// each offset plus prefixBytes (for a ZIP behind a stub whose offsets count
// from its own start); stops at the first record that is cut off or lacks
// its signature (spanned, when given, gets the bytes the records found
// span). The stored names point into directory.
std::vector<CentralRecord> IndexCentralDirectory(const std::string& directory, std::uint64_t prefixBytes = 0,
                                                 std::size_t* spanned = nullptr);

// A ZIP archive's central directory as the walk holds it.
struct ZipDirectory {
  std::string bytes;                   // as read; the records' stored names point here
  std::vector<CentralRecord> records;  // in file order
  std::uint64_t start = 0;             // where it starts in the file
  bool cutShort = false;               // its records end before its recorded size
};

// The designed "version made by" (ZIP version 4.5, host 0) used where an
// entry's own record is unknown.
constexpr std::uint16_t kDefaultVersionMadeBy = 45;

// Why an entry the walk returns cannot be read as it stands.
enum class EntryDamage : std::uint8_t {
  kNone,
  kEmptyName,        // a local header with an empty name
  kNoLocalHeader,    // the central directory lists it where no local header is
  kLocalName,        // its local header disagrees with its central record: the name,
  kLocalSizes,       // the sizes,
  kLocalMethod,      // the compression method
  kLocalFlags,       // or the encryption or data descriptor flag
  kPastEnd,          // its data runs past the end of the file
  kOverlap,          // its bytes are another entry's too (a possible zip bomb)
  kAesNotEnciphered, // WinZip AES (method 99) without the encryption flag
  kStoredSize,       // stored data whose size differs from the original size and cipher overhead
  kSizesUnknown,     // sizes only in a data descriptor, and no central directory
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
// archives, the central directory.
struct ArchiveReader {
  ArchiveInfo info;
  // The layout's own step, set where its walk starts: each layout reads its
  // entries its own way, and nothing asks which one it is.
  bool (*step)(ArchiveReader&, DataFile&, EntryInfo&) = nullptr;
  std::shared_ptr<const ZipDirectory> zipDirectory;  // null when no directory was found
  std::size_t nextRecord = 0;       // the walk's next record of the directory
  std::int64_t coveredEnd = 0;      // the furthest end of the listed entries read
  std::int64_t lastHeader = -1;     // offset of the last local header read
  std::int64_t resumeAt = -1;       // where the last entry's payload ends (-1: none read)
  std::int64_t fileSize = 0;
  // The walk's read-ahead: bytes of the file from readAheadStart (-1: none).
  std::string readAhead;
  std::int64_t readAheadStart = -1;

  // How many entries the directory lists (0 without one).
  std::size_t ListedCount() const { return zipDirectory ? zipDirectory->records.size() : 0; }
};

// Opens an existing archive read-only (FileOpenMode 0); false when it cannot
// be opened. Never raises.
bool OpenArchiveForReading(DataFile& file, const std::string& path);

// The walk's start in each layout: behind the native container's magic and
// descriptor, at offset 0 of the headerless native layout (the oldest, with
// 256-byte name fields), at a ZIP archive's first entry (its directory read
// when one is found). The format that bid for the file picks one.
void StartNativeWalk(ArchiveReader& archive, DataFile& file);
void StartHeaderlessWalk(ArchiveReader& archive, DataFile& file);
void StartZipWalk(ArchiveReader& archive, DataFile& file, const std::string& archiveName);
// False at the end of the entries; leaves the file at the first payload byte
// (whatever the caller then reads, the next call starts behind the payload).
// A ZIP with a central directory holds the entries it lists, in the order
// of their local headers; each local header must agree with its record and
// no entry's bytes may be another's. Without a directory the local headers
// are walked. Either walk goes on past damage: the entry comes back with
// its damage described.
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
