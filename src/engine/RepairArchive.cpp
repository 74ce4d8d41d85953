#include "engine/RepairArchive.h"

#include <cerrno>
#include <exception>

#include "engine/Archive.h"
#include "engine/format/Registry.h"
#include "support/ArchiveLock.h"
#include "support/FileUnit.h"

namespace ovk {

const char kDirectoryLostText[] = "the archive's directory is missing (an add was interrupted)";

bool DirectoryLostByAdd(const std::string& archivePath) {
  DataFile file;
  if (!OpenArchiveForReading(file, archivePath)) return false;
  try {
    FormatProblem problem;
    const Format* format = Identify(file, problem);
    return format && format->LostByAdd(file);
  } catch (const std::exception&) {
    return false;
  }
}

RepairOutcome RepairArchive(const std::string& archivePath, std::string& reason, RepairNotes& notes,
                            OperationObserver& observer) {
  // Held to the end: a running add has the directory cut off for a while,
  // and a repair must neither take that for damage nor cut the file under it.
  const ArchiveLock lock(archivePath, false, [&] { observer.Waiting(archivePath); },
                         [&] { return observer.CancelRequested(); });
  if (lock.Error() == ECANCELED) return RepairOutcome::kCancelled;
  if (lock.Error() != 0) {
    reason = lock.Error() == EACCES ? "the archive file is read-only for this user" : IoReasonText(lock.Error());
    return RepairOutcome::kFailed;
  }
  const Format* format = CapableFormat(archivePath, Capability::kRepair, reason);
  if (!format) return RepairOutcome::kFailed;
  DataFile file;
  if (const int code = OpenExisting(file, archivePath, Access::kReadWrite).code; code != 0) {
    reason = "cannot be opened for writing: " + IoReasonText(code);
    return RepairOutcome::kFailed;
  }
  try {
    return format->Repair(file, reason, notes);
  } catch (const EInOutError& e) {
    reason = IoReasonText(e.Code());
  } catch (const std::exception& e) {
    reason = e.what();
  }
  return RepairOutcome::kFailed;
}

}  // namespace ovk
