// Recovering the central directory of a ZIP archive whose end record is
// gone, as an append killed while it overwrote the old directory leaves it.
#pragma once

#include <cstdint>

#include "engine/Archive.h"
#include "engine/ZipFormat.h"

namespace ovk {

// What the local headers of an archive without a directory still tell.
struct RebuiltDirectory {
  CentralDirectoryStream records;
  std::uint64_t entries = 0;
  std::int64_t end = 0;  // just behind the last complete entry
};

// Walks the local headers from the reader's position (just after
// ReadArchiveHeader) and collects a central record for each complete entry;
// the walk ends at the first entry cut off by the end of the file. False
// when an entry's extent cannot be told from its local header (sizes only in
// a data descriptor, or in a ZIP64 field) or when bytes other than a cut
// record follow the last complete entry: the archive must then be left as
// it is.
bool RebuildZipDirectory(ArchiveReader& reader, DataFile& file, RebuiltDirectory& rebuilt);

// The rebuilt directory and end record of an archive without one; what
// follows the last complete entry is cut off, as no entry can be read from
// it, and the file is left there. False, the file untouched, when
// RebuildZipDirectory is.
bool RecoverZipDirectory(ArchiveReader& reader, DataFile& file, CentralDirectoryStream& directory,
                         ZipEndRecord& endRecord);

bool StartsWithLocalHeader(DataFile& file);

// A ZIP archive an add left without a directory (killed while it wrote
// the new one): it starts with a local header and has no end record.
bool DirectoryLostByAdd(DataFile& file);

}  // namespace ovk
