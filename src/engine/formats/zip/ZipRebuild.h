// Recovering the central directory of a ZIP archive whose end record is
// gone, as an append killed while it overwrote the old directory leaves it.
#pragma once

#include <cstdint>

#include "engine/Archive.h"
#include "engine/formats/zip/ZipFormat.h"

namespace ovk {

// A local header whose size field a proof found wrong, and the size its
// data really has.
struct SizeMend {
  std::int64_t offset = 0;
  std::uint32_t packed = 0;
};

// What a rebuild did with the entries it met, for the user.
struct RebuildNotes {
  std::vector<std::string> leftOut;  // names of entries not proven whole (their bytes stay)
  std::string cutShort;              // the entry the end of the file cuts, removed with it
  std::vector<std::string> mended;   // names of entries whose local size field was set right
  // The lines a user is told; leftOut makes the outcome a damaged archive.
  std::vector<std::string> Lines() const;
};

// What the local headers of an archive without an end record still tell.
struct RebuiltDirectory {
  CentralDirectoryStream records;
  std::uint64_t entries = 0;
  RebuildNotes notes;
  std::vector<SizeMend> mends;
  std::int64_t end = 0;       // where the new directory goes
};

// Walks the local headers from the start of the file and collects a central
// record for each entry proven whole: its payload decodes to its CRC-32
// (an entry that cannot be decoded, such as an enciphered one, only where
// its own sizes end right at the next header). A size field that does not
// place the entry's end is passed over: the next headers are tried as its
// end instead. The records of the old directory, where the walk meets one,
// are kept for the entries they tell of. The new directory goes where the
// old one began, else over a record the end of the file cuts, else at the
// end: the bytes of entries that are not proven stay in the file. False
// when no entry is proven whole.
bool RebuildZipDirectory(DataFile& file, RebuiltDirectory& rebuilt);

// The rebuilt directory and end record of an archive without one; wrong
// local size fields of proven entries are set right, the file is cut where
// the new directory goes and left there. notes (when given) tells what was
// left out, cut and mended. False, the file untouched, when
// RebuildZipDirectory is.
bool RecoverZipDirectory(DataFile& file, CentralDirectoryStream& directory, ZipEndRecord& endRecord,
                         RebuildNotes* notes = nullptr);

bool StartsWithLocalHeader(DataFile& file);

// A ZIP archive an add left without a directory (killed while it wrote
// the new one): it starts with a local header and has no end record.
bool DirectoryLostByAdd(DataFile& file);

}  // namespace ovk
