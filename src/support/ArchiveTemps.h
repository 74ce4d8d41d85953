// The temporary files writers keep beside an archive, under a hidden name
// that tells which archive each belongs to.
#pragma once

#include <string>

namespace ovk {

// Makes a new, empty temporary file beside the archive, readable by its
// owner only: ".NAME.ovk-XXXXXXXX.tmp" with eight hex digits from the
// random generator (NAME cut where the whole would pass 255 bytes). Its
// path, or empty when none could be made.
std::string CreateArchiveTemp(const std::string& archivePath);

// Removes the temporary files CreateArchiveTemp names for the archive. Only
// the holder of the archive's lock may call it: no one else can be writing
// them then.
void RemoveArchiveTemps(const std::string& archivePath);

}  // namespace ovk
