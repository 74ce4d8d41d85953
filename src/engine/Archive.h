// Records shared by every archive operation and the sequential entry reader.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "coding/Records.h"
#include "engine/formats/zip/ZipDirectory.h"
#include "support/FileUnit.h"

namespace ovk {

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
std::string ConvertPathSeparators(const std::string& name, bool toBackslash);

// Where a payload of packedSize bytes from position ends, at most the end of
// the file: a lying 64-bit size can neither overflow nor move the walk back.
std::int64_t PayloadEnd(std::int64_t position, std::uint64_t packedSize, std::int64_t fileSize);

}  // namespace ovk
