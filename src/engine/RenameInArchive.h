// Renaming entries of an archive: a new archive written beside it with the
// entries under their new names, renamed into place.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/Observer.h"
#include "engine/OperationReport.h"

namespace ovk {

struct RenameRequest {
  std::string archive;
  // Each pair: a stored name ("/" between folders) and its new name. A folder
  // given as "docs/" renames every entry below it (and the folder entry).
  std::vector<std::pair<std::string, std::string>> renames;
};

// All the renames or none, under the archive's lock: refused, the archive
// untouched, when a name is not in the archive, a new name is empty or
// would be written outside a destination, or the new names collide with
// each other or with a kept entry (a file and a folder of one name too).
// A ZIP archive's entries are copied byte for byte but for their names.
OperationReport RenameInArchive(const RenameRequest& request, OperationObserver& observer);

}  // namespace ovk
