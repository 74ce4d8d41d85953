// Deleting entries from an archive by writing a new archive with the
// entries that are kept, in the archive's format, and renaming it into place.
#include "engine/DeleteFromArchive.h"

#include "engine/RewriteArchive.h"
#include "support/FileUnit.h"
#include "support/SystemRandom.h"

namespace ovk {

namespace {

constexpr RewriteKind kDeleting{Capability::kDelete, "delete from it"};

// Leaves out what the selection matches; a name that matches nothing is
// reported, and when none matches, nothing is written.
RewritePlanner Without(const std::vector<std::string>& selection) {
  return [&selection](const std::vector<std::string>& names, RewriteChanges& changes, OperationReport& report) {
    changes.without = SelectionSet(selection, names);
    for (const SelectionMiss& miss : changes.without.Misses()) report.Add(miss.item, FailureKind::kRefused, miss.Reason());
    return changes.without.Empty() || !changes.without.SelectsNothing();
  };
}

}  // namespace

bool WriteArchiveWithout(const std::string& archivePath, const std::string& tempPath,
                         const std::vector<std::string>& selection, OperationReport& report,
                         OperationObserver& observer) {
  DataFile temp;
  if (const int code = CreateOrTruncate(temp, tempPath).code; code != 0) {
    report.Add(tempPath, FailureKind::kNotWritten, "cannot be created: " + IoReasonText(code));
    return false;
  }
  return RewriteInto(archivePath, temp, kDeleting, Without(selection), report, observer);
}

std::string MakeTempName() { return SystemRandomHex(32) + ".tmp"; }

OperationReport DeleteFromArchive(const DeleteRequest& request, OperationObserver& observer) {
  return RewriteBeside(request.archive, kDeleting, Without(request.selection), observer);
}

}  // namespace ovk
