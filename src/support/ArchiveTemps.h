// The temporary files writers keep beside an archive, under a hidden name
// that tells which archive each belongs to.
#pragma once

#include <string>

#include "support/FileUnit.h"

namespace ovk {

// Makes a new, empty temporary file beside the archive, readable by its
// owner only: ".NAME.ovk-XXXXXXXX.tmp" with eight hex digits from the
// system's random source (NAME cut where the whole would pass 255 bytes), and
// leaves it open in temp for reading and writing; else why none could be
// made. The file is only ever reached through that descriptor: in a folder
// others may write, the name can be made to point elsewhere at any time.
[[nodiscard]] IoError CreateArchiveTemp(const std::string& archivePath, DataFile& temp);
// True while the name of the open temporary file still holds that file
// (no other file, no link put in its place).
bool StillNamed(const DataFile& temp);
// Renames the temporary file over the archive, once its name still holds
// it, and closes it; 0, EEXIST when its name holds another file, or
// the rename's errno. A close that fails once the archive is replaced raises
// EInOutError.
int ReplaceWithTemp(DataFile& temp, const std::string& archivePath);
// Closes the temporary file and removes it while its name still holds it.
void DiscardArchiveTemp(DataFile& temp);

// Removes the temporary files CreateArchiveTemp names for the archive. Only
// the holder of the archive's lock may call it: no one else can be writing
// them then.
void RemoveArchiveTemps(const std::string& archivePath);

}  // namespace ovk
