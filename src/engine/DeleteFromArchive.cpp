// Deleting entries from an archive by writing a new archive with the
// entries that are kept, in the archive's format, and renaming it into place.
#include "engine/DeleteFromArchive.h"

#include <cerrno>
#include <exception>
#include <stdexcept>
#include <string>

#include "engine/Archive.h"
#include "engine/EngineMessages.h"
#include "engine/Selection.h"
#include "engine/format/Registry.h"
#include "engine/RepairArchive.h"
#include "engine/ReplaceBeside.h"
#include "support/ArchiveLock.h"
#include "support/FileUnit.h"
#include "support/SystemRandom.h"

namespace ovk {

namespace {

// None of the names is in the archive: it is not rewritten.
class NothingToDelete : public std::exception {};

// The format of the archive, which must delete; raises why not.
const Format& DeletingFormat(DataFile& archive) {
  FormatProblem problem;
  const Format* format = Identify(archive, problem);
  if (!format) throw std::runtime_error(problem.Text());
  if (!format->Can(Capability::kDelete)) throw std::runtime_error(CannotText(*format, Capability::kDelete));
  return *format;
}

// Steps after both files are open; raises with the reason when the new
// archive cannot keep every entry that is not selected.
void WriteNewArchive(DataFile& archive, DataFile& temp, const std::vector<std::string>& items,
                     OperationObserver& observer, std::vector<SelectionMiss>& misses) {
  const std::unique_ptr<Rewriter> rewriter = DeletingFormat(archive).Rewrite(archive);
  // Names are matched here, under the lock: a listing taken before it could
  // have caught another writer halfway.
  const SelectionSet selection(items, rewriter->Names());
  misses = selection.Misses();
  if (!selection.Empty() && selection.SelectsNothing()) throw NothingToDelete();
  rewriter->WriteWithout(temp, selection, observer);
  // Once the copy is written: a private archive stays private, and the
  // copy is private while it is written.
  if (const IoError copied = CopyPermissions(archive, temp))
    throw std::runtime_error("the new archive cannot get its permissions: " + IoReasonText(copied.code));
  ThrowIfFailed(CloseDataFile(archive));
}

// WriteArchiveWithout into an open file, which stays open.
bool WriteInto(const std::string& archivePath, DataFile& temp, const std::vector<std::string>& selection,
               OperationReport& report, OperationObserver& observer) {
  DataFile archive;
  if (const int code = OpenExisting(archive, archivePath, Access::kRead).code; code != 0) {
    report.Add(archivePath, FailureKind::kNotWritten, "cannot be opened: " + IoReasonText(code));
    return false;
  }
  std::vector<SelectionMiss> misses;
  const auto reportMisses = [&] {
    for (const SelectionMiss& miss : misses) report.Add(miss.item, FailureKind::kRefused, miss.Reason());
  };
  try {
    WriteNewArchive(archive, temp, selection, observer, misses);
    reportMisses();
  } catch (const RewriteCancelled&) {
    report.cancelled = true;
    return false;
  } catch (const NothingToDelete&) {
    reportMisses();
    return false;
  } catch (const EInOutError& e) {
    report.Add(archivePath, FailureKind::kNotWritten,
               "cannot delete from it: " + IoReasonText(e.Code()) + "; the archive is unchanged");
    return false;
  } catch (const std::exception& e) {
    report.Add(archivePath, FailureKind::kRefused,
               std::string("cannot delete from it: ") + e.what() + "; the archive is unchanged");
    return false;
  }
  return true;
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
  return WriteInto(archivePath, temp, selection, report, observer);
}

std::string MakeTempName() { return SystemRandomHex(32) + ".tmp"; }

OperationReport DeleteFromArchive(const DeleteRequest& request, OperationObserver& observer) {
  OperationReport report;
  // Held until the new archive has replaced the old one: a writer waiting
  // for it then finds the new one under the name.
  const ArchiveLock lock(request.archive, false, [&] { observer.Waiting(request.archive); },
                         [&] { return observer.CancelRequested(); });
  if ((report.cancelled = lock.Error() == ECANCELED)) return report;
  if (lock.Error() != 0) {
    report.Add(request.archive, FailureKind::kNotWritten,
               "cannot delete from it: " + (lock.Error() == EACCES ? std::string("the archive file is read-only for this user")
                                                                   : IoReasonText(lock.Error())));
    return report;
  }
  const std::string& target = lock.Target();
  if (std::string refusal; !CapableFormat(target, Capability::kDelete, refusal)) {
    report.Add(request.archive, FailureKind::kRefused, "cannot delete from it: " + refusal + "; the archive is unchanged");
    return report;
  }
  // Checked under the lock: an add in progress has cut the directory for a
  // while, which a waiting delete must not take for damage.
  if (DirectoryLostByAdd(target)) {
    report.Add(request.archive, FailureKind::kRefused,
               std::string(kDirectoryLostText) + "; a repair or the next add rebuilds it; the archive is unchanged");
    return report;
  }
  ReplaceBeside(request.archive, target, report,
                [&](DataFile& temp) { return WriteInto(target, temp, request.selection, report, observer); });
  return report;
}

}  // namespace ovk
