// A new, empty folder entry in an archive.
#pragma once

#include <string>

#include "engine/Observer.h"
#include "engine/OperationReport.h"

namespace ovk {

// Adds folder ("a/b/", "/" between folders) as an empty folder entry, in a
// format that keeps folder entries (Capability::kFolderEntries); refused by
// name elsewhere, and for a name that is taken, unsafe (as a rename's new
// name) or empty. A missing archive is made first, in the format its name
// asks for, as an add makes it. The archive is written anew beside itself
// and renamed into place under the writers' lock.
OperationReport AddFolderEntry(const std::string& archive, const std::string& folder, OperationObserver& observer);

}  // namespace ovk
