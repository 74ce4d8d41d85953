// Giving a ZIP archive its directory back after an add was interrupted
// while it wrote the new one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Observer.h"

namespace ovk {

// True when the archive starts with a local header but has no directory;
// false also when it cannot be read.
bool DirectoryLostByAdd(const std::string& archivePath);
// What a user is told of such an archive.
extern const char kDirectoryLostText[];

enum class RepairOutcome {
  kRepaired,  // the directory is rebuilt; the notes tell what was left out, cut or mended
  kIntact,    // the archive has its directory: nothing was changed
  kFailed,    // the archive is left as it was; reason says why
  kCancelled, // the observer stopped the wait for the archive's lock
};

// Rebuilds the directory of an archive DirectoryLostByAdd holds true of,
// as the next add would, under the archive's lock (waiting for another
// writer, as the observer hears; a cancel ends the wait). An archive this
// process may not write is refused.
// notes gets the lines a user is told of a repair; left-out entries make it
// a damaged archive (damaged set).
struct RepairNotes {
  std::vector<std::string> lines;
  bool damaged = false;
};
RepairOutcome RepairArchive(const std::string& archivePath, std::string& reason, RepairNotes& notes,
                            OperationObserver& observer);

}  // namespace ovk
