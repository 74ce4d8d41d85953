// One ZIP entry as its local header and central record describe it, which
// the walk fills in and the reader turns into an Entry.
#pragma once

#include <cstdint>
#include <string>

#include "coding/Records.h"
#include "engine/EntryDamage.h"
#include "engine/formats/zip/ZipDirectory.h"

namespace ovk {

struct ZipEntryRecord {
  std::string name;               // whole, "\" separators
  std::uint64_t packedSize = 0;   // payload bytes behind the header
  std::uint64_t originalSize = 0; // the content's size (header.originalSize holds its low 32 bits)
  EntryHeader header;
  std::uint16_t zipFlags = 0;                           // local header flags
  std::uint16_t zipMethod = 8;                          // local header compression method
  std::uint16_t versionMadeBy = kDefaultVersionMadeBy;  // from the central record
  std::uint32_t externalAttributes = 0;                 // from the central record
  std::int64_t headerOffset = -1;                       // where the local header starts
  // Seconds since 1970 from the extended-timestamp or NTFS field; -1: only
  // the DOS time is known.
  std::int64_t modifiedTime = -1;
  // WinZip AES (method 99): key strength 1-3 (0: none), AE-1 or AE-2, and
  // the compression method of the enciphered data.
  std::uint8_t aesStrength = 0;
  std::uint16_t aesVersion = 0;
  std::uint16_t aesMethod = 0;
  // Such an entry is still returned so that the walk can report it and go on.
  EntryDamage damage = EntryDamage::kNone;
};

}  // namespace ovk
