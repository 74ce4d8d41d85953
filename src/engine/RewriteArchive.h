// Changing an archive by writing it anew in its format, changed on the
// way, beside it and renamed into place under the writers' lock: what
// deleting, renaming and a new comment share.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/Observer.h"
#include "engine/OperationReport.h"
#include "engine/format/Format.h"

namespace ovk {

// What is to change, told from the names the archive holds (as
// Rewriter::Names gives them, read under the lock); false, with why in the
// report when that is a failure, when nothing is to be written.
using RewritePlanner =
    std::function<bool(const std::vector<std::string>& names, RewriteChanges& changes, OperationReport& report)>;

// What the rewrite is for, in the words of its failures: "cannot delete
// from it: ...".
struct RewriteKind {
  Capability capability;
  const char* doing;  // "delete from it"
};

// The archive at archivePath written anew into temp (open for writing) as
// planned; false, with why in the report, when temp is not the new archive.
bool RewriteInto(const std::string& archivePath, DataFile& temp, const RewriteKind& kind, const RewritePlanner& plan,
                 OperationReport& report, OperationObserver& observer);

// The whole change under the archive's lock: refused for an archive this
// process may not write, one whose format cannot, and one an add left
// without its directory. The temporary file never outlives the call; a
// cancel or a refusal leaves the archive unchanged.
OperationReport RewriteBeside(const std::string& archive, const RewriteKind& kind, const RewritePlanner& plan,
                              OperationObserver& observer);

}  // namespace ovk
