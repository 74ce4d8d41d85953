// One archive entry as every format describes it and every front end reads
// it, whatever container holds it.
#pragma once

#include <cstdint>
#include <string>

namespace ovk {

// Devices, FIFOs and sockets are listed, never made on extract.
enum class EntryType : std::uint8_t { kFile, kFolder, kSymbolicLink, kHardLink, kDevice, kFifo, kSocket };

struct Entry {
  std::string name;                // UTF-8, "/" between folders
  EntryType type = EntryType::kFile;
  // Symbolic links: where it leads, when readable without a password; hard
  // links: the stored name of the earlier entry it shares content with; a
  // file that carries the content of a hard link set: the earlier entry
  // that is to become a link to it.
  std::string linkTarget;
  std::uint64_t packedSize = 0;    // bytes the archive spends on it
  bool packedKnown = true;         // false: the format does not tell (packedSize then 0)
  std::uint64_t originalSize = 0;  // the content's size
  std::int64_t modified = -1;      // seconds since 1970 (UTC); -1: not recorded
  // The MS-DOS date and time the archive records (local), which
  // `ovk list --raw` prints; 0 when the format keeps none.
  std::uint32_t dosTime = 0;
  std::uint32_t mode = 0;          // permission bits when the archive records them, else 0
  std::string method;              // the compression method as users call it: "Stored", "Deflate", ...
  // The entry's flag word as `ovk list --raw` prints it: the native
  // header's flags, else 1 for content stored as it is.
  std::uint32_t rawFlags = 0;
  bool encrypted = false;
  std::string cipher;              // an encrypted entry's cipher as users call it: "ZIP 2.0", "AES-256", ...
  std::string undecodable;         // not empty: why its method or encryption cannot be decoded here
};

}  // namespace ovk
