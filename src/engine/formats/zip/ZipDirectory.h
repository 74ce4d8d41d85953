// A ZIP archive's central directory as the readers hold it: its records in
// the order of their local headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ovk {

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
  std::string comment;                 // the archive's, from its end record
};

// The designed "version made by" (ZIP version 4.5, host 0) used where an
// entry's own record is unknown.
constexpr std::uint16_t kDefaultVersionMadeBy = 45;

// A stored ZIP name in UTF-8: as stored when flagged UTF-8 or valid UTF-8,
// else read as Windows-1252.
std::string ZipNameToUtf8(const std::string& raw, std::uint16_t flags);

}  // namespace ovk
