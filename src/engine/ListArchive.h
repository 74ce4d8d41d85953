// Listing: the file entries of an archive as records, payloads never read;
// and the ";"-separated line of each (name; packed size; time; original
// size; flags; encrypted) that scripts read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Entry.h"
#include "engine/Observer.h"
#include "support/IoError.h"

namespace ovk {

struct ListRequest {
  std::string archive;
  bool folders = false;  // folder entries listed too
  // False: the entries are only handed to the observer as they are read,
  // for a caller that keeps its own form of them.
  bool keep = true;
  std::string password{};  // for a list of entries that is itself enciphered
};

struct ListResult {
  IoError openError;                   // set: the archive could not be opened
  std::string refusal;                 // not empty: no format reads the file, and why
  std::string format;                  // the format that read it, as users call it ("ZIP")
  std::string comment;                 // the archive's own (ZIP's); empty in formats that keep none
  std::vector<Entry> entries;          // file and link entries (and folders when asked) in archive order; none when not kept
  std::vector<std::string> problems;   // "name: reason" of each damaged entry
  // The list of entries is enciphered and the password was missing or
  // wrong: a front end asks for it and lists again.
  bool locked = false;
  bool cancelled = false;
};

// Damaged entries are described in the problems, and the entries after them
// are still listed. Progress goes by bytes of the archive.
ListResult ListArchive(const ListRequest& request, OperationObserver& observer);

// The entry's line; numbers print as the 32-bit pattern read signed (sizes
// of 4 GiB or more whole), the time is the DOS one, the flags are 1 for an
// entry stored uncompressed, else 0. The name has "\" between folders and
// "%", ";" and control bytes percent-encoded ("%25", "%3B", "%0A"), so that
// each entry is one line of six fields.
std::string ListingLine(const Entry& entry);

}  // namespace ovk
