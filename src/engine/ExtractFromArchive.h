// Extracting all or selected entries below a destination folder, or only
// checking them.
#pragma once

#include <string>
#include <vector>

#include "engine/Observer.h"
#include "engine/OperationReport.h"

namespace ovk {

struct ExtractRequest {
  std::string archive;
  std::string destination;  // made when missing
  std::vector<std::string> selection;  // stored names ("\" between folders); empty: every entry
  std::string password;
  bool overwrite = true;
  std::vector<std::string> keepList;   // with overwrite off: stored names not replaced
  bool testOnly = false;    // decode and check every selected entry, write nothing
  bool restorePermissions = true;  // the entries' Unix permission bits, else the umask's default
  // False: every file straight into the destination under its own name, no
  // folder made; an entry whose name an earlier one took is reported.
  bool keepFolders = true;
};

// The selection and the keep list match names as SelectionSet does, against
// the archive's listed entries; a name that selects nothing is not reported
// here. Every selected entry that is not written (or, testing, does not
// verify) lands in the report with its name and reason; a write error of the
// destination as a whole ends the walk, a damaged entry or a failed check
// does not. A cancel stops between entries: the files already written stay,
// whole.
OperationReport ExtractFromArchive(const ExtractRequest& request, OperationObserver& observer);

}  // namespace ovk
