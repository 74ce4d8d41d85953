#include "engine/RewriteArchive.h"

#include <cerrno>
#include <exception>
#include <stdexcept>

#include "engine/Archive.h"
#include "engine/EngineMessages.h"
#include "engine/RepairArchive.h"
#include "engine/ReplaceBeside.h"
#include "engine/format/Registry.h"
#include "support/ArchiveLock.h"
#include "support/FileUnit.h"

namespace ovk {

namespace {

// The plan asked for nothing to be written: the archive is not rewritten.
class NothingToWrite : public std::exception {};

// The format of the archive, which must be able to; raises why not.
const Format& FormatThatCan(DataFile& archive, Capability capability) {
  FormatProblem problem;
  const Format* format = Identify(archive, problem);
  if (!format) throw std::runtime_error(problem.Text());
  if (!format->Can(capability)) throw std::runtime_error(CannotText(*format, capability));
  return *format;
}

// Steps after both files are open; raises with the reason when the new
// archive cannot be written as planned.
void WriteNewArchive(DataFile& archive, DataFile& temp, const RewriteKind& kind, const RewritePlanner& plan,
                     OperationReport& report, OperationObserver& observer) {
  const std::unique_ptr<Rewriter> rewriter = FormatThatCan(archive, kind.capability).Rewrite(archive);
  // Names are matched here, under the lock: a listing taken before it could
  // have caught another writer halfway.
  RewriteChanges changes;
  if (!plan(rewriter->Names(), changes, report)) throw NothingToWrite();
  rewriter->WriteChanged(temp, changes, observer);
  // Once the copy is written: a private archive stays private, and the
  // copy is private while it is written.
  if (const IoError copied = CopyPermissions(archive, temp))
    throw std::runtime_error("the new archive cannot get its permissions: " + IoReasonText(copied.code));
  ThrowIfFailed(CloseDataFile(archive));
}

}  // namespace

bool RewriteInto(const std::string& archivePath, DataFile& temp, const RewriteKind& kind, const RewritePlanner& plan,
                 OperationReport& report, OperationObserver& observer) {
  DataFile archive;
  if (const int code = OpenExisting(archive, archivePath, Access::kRead).code; code != 0) {
    report.Add(archivePath, FailureKind::kNotWritten, "cannot be opened: " + IoReasonText(code));
    return false;
  }
  const std::string cannot = std::string("cannot ") + kind.doing + ": ";
  try {
    WriteNewArchive(archive, temp, kind, plan, report, observer);
    return true;
  } catch (const RewriteCancelled&) {
    report.cancelled = true;
  } catch (const NothingToWrite&) {
  } catch (const EInOutError& e) {
    report.Add(archivePath, FailureKind::kNotWritten, cannot + IoReasonText(e.Code()) + "; the archive is unchanged");
  } catch (const std::exception& e) {
    report.Add(archivePath, FailureKind::kRefused, cannot + e.what() + "; the archive is unchanged");
  }
  return false;
}

OperationReport RewriteBeside(const std::string& archive, const RewriteKind& kind, const RewritePlanner& plan,
                              OperationObserver& observer) {
  OperationReport report;
  const std::string cannot = std::string("cannot ") + kind.doing + ": ";
  // Held until the new archive has replaced the old one: a writer waiting
  // for it then finds the new one under the name.
  const ArchiveLock lock(archive, false, [&] { observer.Waiting(archive); },
                         [&] { return observer.CancelRequested(); });
  if ((report.cancelled = lock.Error() == ECANCELED)) return report;
  if (lock.Error() != 0) {
    report.Add(archive, FailureKind::kNotWritten,
               cannot + (lock.Error() == EACCES ? std::string("the archive file is read-only for this user")
                                                : IoReasonText(lock.Error())));
    return report;
  }
  const std::string& target = lock.Target();
  if (std::string refusal; !CapableFormat(target, kind.capability, refusal)) {
    report.Add(archive, FailureKind::kRefused, cannot + refusal + "; the archive is unchanged");
    return report;
  }
  // Checked under the lock: an add in progress has cut the directory for a
  // while, which a waiting writer must not take for damage.
  if (DirectoryLostByAdd(target)) {
    report.Add(archive, FailureKind::kRefused,
               std::string(kDirectoryLostText) + "; a repair or the next add rebuilds it; the archive is unchanged");
    return report;
  }
  ReplaceBeside(archive, target, report,
                [&](DataFile& temp) { return RewriteInto(target, temp, kind, plan, report, observer); });
  return report;
}

}  // namespace ovk
