// Giving a ZIP archive its directory back after an add was interrupted
// while it wrote the new one.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Observer.h"

namespace ovk {

// True when the archive starts with a local header but has no directory;
// false also when it cannot be read.
bool DirectoryLostByAdd(const std::string& archivePath);
// What a user is told of such an archive.
extern const char kDirectoryLostText[];
// What a user is told of the entries a rebuild left out.
std::string LeftOutText(std::uint64_t dropped);

enum class RepairOutcome {
  kRepaired,  // the directory is rebuilt; reason tells of the entries left out, if any
  kIntact,    // the archive has its directory: nothing was changed
  kFailed,    // the archive is left as it was; reason says why
  kCancelled, // the observer stopped the wait for the archive's lock
};

// Rebuilds the directory of an archive DirectoryLostByAdd holds true of,
// as the next add would, under the archive's lock (waiting for another
// writer, as the observer hears; a cancel ends the wait). An archive this
// process may not write is refused.
RepairOutcome RepairArchive(const std::string& archivePath, std::string& reason, OperationObserver& observer);

}  // namespace ovk
