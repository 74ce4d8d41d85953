// Extracting all or selected entries below a destination folder, or only
// checking them.
#pragma once

#include <string>

#include "engine/Observer.h"
#include "engine/OperationReport.h"

namespace ovk {

struct ExtractRequest {
  std::string archive;
  std::string destination;  // made when missing
  std::string selection;    // stored names, each followed by ";"; empty: every entry
  std::string password;
  bool overwrite = true;
  std::string keepList;     // with overwrite off: ";"-separated names not replaced
  bool testOnly = false;    // decode and check every selected entry, write nothing
  bool restorePermissions = true;  // the entries' Unix permission bits, else the umask's default
};

// Where below the destination an entry is written: the stored name without
// a leading separator and without "." and ".." components ("\" between
// folders), so that it can only name a path below the destination; empty
// when it names nothing there.
std::string ConfinedName(const std::string& storedName);

// Every selected entry that is not written (or, testing, does not verify)
// lands in the report with its name and reason; a write error of the
// destination as a whole ends the walk, a damaged entry or a failed check
// does not. A cancel
// stops between entries: the files already written stay, whole.
OperationReport ExtractFromArchive(const ExtractRequest& request, OperationObserver& observer);

}  // namespace ovk
