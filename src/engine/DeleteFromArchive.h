// Deleting entries from an archive by writing a new one in its format.
#pragma once

#include <string>
#include <vector>

#include "engine/Observer.h"
#include "engine/OperationReport.h"

namespace ovk {

struct DeleteRequest {
  std::string archive;
  std::vector<std::string> selection;  // stored names, "\" between folders
  // Only the older entries of each selected name that several entries
  // hold: what an add that stored a name again superseded.
  bool olderCopiesOnly = false;
};

// The whole deletion, under the archive's lock: a private temporary file
// beside the archive, WriteArchiveWithout into it, then a rename over the
// archive. The temporary file never outlives the call (one a killed run left
// is removed by the next writer). Refused for an archive this process may
// not write. A cancel leaves the archive unchanged.
OperationReport DeleteFromArchive(const DeleteRequest& request, OperationObserver& observer);

// Writes the archive anew to tempPath, in its format, with every entry the
// selection leaves (a ZIP archive: its entries byte for byte, and its
// comment). Refuses, with the reason in the report, when the format cannot
// delete or the new archive cannot keep every such entry (a ZIP directory
// that does not account for every entry, an entry whose extent cannot be
// told).
bool WriteArchiveWithout(const std::string& archivePath, const std::string& tempPath,
                         const std::vector<std::string>& selection, OperationReport& report,
                         OperationObserver& observer);

// 32 hex digits from the system's random source followed by ".tmp": no one
// can foresee the name and put a file or link there first.
std::string MakeTempName();

}  // namespace ovk
