#include "engine/ReplaceBeside.h"

#include <cerrno>

#include "support/IoError.h"
#include "support/ArchiveTemps.h"

namespace ovk {

namespace {

// The new archive replaces the old one where it is, past any link to it.
bool ReplaceArchive(DataFile& temp, const std::string& archivePath, const std::string& target,
                    OperationReport& report) {
  const int error = ReplaceWithTemp(temp, target);
  if (error == 0) return true;
  report.Add(archivePath, FailureKind::kNotWritten,
             "cannot replace it with the new archive: " +
                 (error == EEXIST ? std::string("another program replaced the new archive's temporary file")
                                  : IoReasonText(error)) +
                 "; the archive is unchanged");
  return false;
}

}  // namespace

bool ReplaceBeside(const std::string& archivePath, const std::string& target, OperationReport& report,
                   const std::function<bool(DataFile& temp)>& write) {
  DataFile temp;
  if (const IoError made = CreateArchiveTemp(target, temp)) {
    report.Add(archivePath, FailureKind::kNotWritten, "cannot make the new archive beside it: " + IoReasonText(made.code));
    return false;
  }
  if (write(temp) && ReplaceArchive(temp, archivePath, target, report)) return true;
  DiscardArchiveTemp(temp);
  return false;
}

}  // namespace ovk
