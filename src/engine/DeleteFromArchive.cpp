// Deleting entries from an archive by writing a new archive with the
// entries that are kept, in the archive's format, and renaming it into place.
#include "engine/DeleteFromArchive.h"

#include <algorithm>

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

// Leaves out every entry of a selected name but the last.
RewritePlanner OlderCopies(const std::vector<std::string>& selection) {
  return [&selection](const std::vector<std::string>& names, RewriteChanges& changes, OperationReport&) {
    const SelectionSet selected(selection, names);
    for (const std::string& name : names)
      if (selected.Contains(name)) ++changes.olderCopies[name];
    for (auto& [name, copies] : changes.olderCopies) --copies;
    return std::any_of(changes.olderCopies.begin(), changes.olderCopies.end(),
                       [](const auto& older) { return older.second > 0; });
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
  return RewriteBeside(request.archive, kDeleting,
                       request.olderCopiesOnly ? OlderCopies(request.selection) : Without(request.selection), observer);
}

}  // namespace ovk
