// Changing an archive by writing a whole new one beside it and renaming it
// over the archive: how every change is made that a format cannot make in
// place (deleting from a ZIP archive; adding to or deleting from formats
// that can only be written from start to end).
#pragma once

#include <functional>
#include <string>

#include "engine/OperationReport.h"
#include "support/FileUnit.h"

namespace ovk {

// Under the writers' lock the caller holds on archivePath (target: the
// file the lock found under it, past any link): write fills a private
// temporary file beside target, open for writing, and says whether it is
// the new archive; the new archive then replaces target. False, with why
// in the report (write reports its own failures), when the archive is left
// as it was; no temporary file outlives the call.
bool ReplaceBeside(const std::string& archivePath, const std::string& target, OperationReport& report,
                   const std::function<bool(DataFile& temp)>& write);

}  // namespace ovk
