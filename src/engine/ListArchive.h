// Listing: the file entries of an archive as records, payloads never read;
// and the ";"-separated line of each (name; packed size; time; original
// size; flags; encrypted) that scripts read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Observer.h"

namespace ovk {

struct ListedEntry {
  std::string name;                // "\" between folders
  std::uint64_t packedSize = 0;
  std::uint64_t originalSize = 0;
  std::uint32_t time = 0;          // MS-DOS date and time, local
  std::uint32_t flags = 0;         // kEntryStored
  bool encrypted = false;
  bool decodable = true;           // false: its method or encryption cannot be decoded here
  bool link = false;               // a symbolic link
  std::string linkTarget;          // when it could be read without a password
};

struct ListRequest {
  std::string archive;
};

struct ListResult {
  bool opened = false;                 // false: the archive could not be opened
  std::string refusal;                 // not empty: no format reads the file, and why
  std::vector<ListedEntry> entries;    // file entries in archive order
  std::vector<std::string> problems;   // "name: reason" of each damaged entry
  bool cancelled = false;
};

// Damaged entries are described in the problems, and the entries after them
// are still listed. Progress goes by bytes of the archive.
ListResult ListArchive(const ListRequest& request, OperationObserver& observer);

// The entry's line; numbers print as the 32-bit pattern read signed (sizes
// of 4 GiB or more whole). The name keeps "\" between folders and has "%",
// ";" and control bytes percent-encoded ("%25", "%3B", "%0A"), so that each
// entry is one line of six fields.
std::string ListingLine(const ListedEntry& entry);

}  // namespace ovk
