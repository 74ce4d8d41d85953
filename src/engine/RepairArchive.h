// Giving an archive back what an add cut off while it ran and then was
// killed (a ZIP archive's directory).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Observer.h"
#include "engine/format/Repair.h"

namespace ovk {

// True when the archive lacks what an add cut off (a ZIP archive that
// starts with a local header but has no directory); false also when it
// cannot be read.
bool DirectoryLostByAdd(const std::string& archivePath);
// What a user is told of such an archive.
extern const char kDirectoryLostText[];

// Gives an archive DirectoryLostByAdd holds true of back what it lacks, as
// the next add would, under the archive's lock (waiting for another
// writer, as the observer hears; a cancel ends the wait). An archive this
// process may not write is refused.
// notes gets the lines a user is told of a repair.
RepairOutcome RepairArchive(const std::string& archivePath, std::string& reason, RepairNotes& notes,
                            OperationObserver& observer);

}  // namespace ovk
