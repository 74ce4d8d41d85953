#include "engine/AddFolderEntry.h"

#include <cerrno>
#include <exception>

#include "engine/Archive.h"
#include "engine/EntryPath.h"
#include "engine/RewriteArchive.h"
#include "engine/format/Registry.h"
#include "support/ArchiveLock.h"
#include "support/DosTime.h"
#include "support/FileUnit.h"

namespace ovk {

namespace {

constexpr RewriteKind kAddingFolder{Capability::kFolderEntries, "add the folder to it"};

// An archive with no entries, in the format of one made under path, into
// the empty file the lock made there; false, reported, when none can be.
bool MakeEmptyArchive(const std::string& archive, OperationReport& report) {
  FormatProblem problem;
  const Format* format = FormatForNewArchive(archive, "", problem);
  std::string refusal = format ? "" : problem.Text();
  if (format && !format->Can(Capability::kFolderEntries)) refusal = CannotText(*format, Capability::kFolderEntries);
  if (!refusal.empty()) {
    report.Add(archive, FailureKind::kRefused, refusal);
    return false;
  }
  const ArchiveLock lock(archive, true, [] {});
  DataFile file;
  try {
    ThrowIfFailed(lock.Error() == 0 ? OpenExisting(file, lock.Target(), Access::kReadWrite) : IoError{"lock", archive, lock.Error()});
    if (FileSize64(file) != 0) return true;  // another writer made it meanwhile
    if (format->Can(Capability::kInPlace)) {
      const std::unique_ptr<Writer> writer = format->Write(file, WriteChoices{});
      if (!writer->Start(false, archive, report)) return false;
      writer->Close(0);
    } else {
      format->WriteWhole(file)->Close();
    }
    ThrowIfFailed(CloseDataFile(file));
    return true;
  } catch (const EInOutError& e) {
    report.Add(archive, FailureKind::kNotWritten, "cannot create it: " + IoReasonText(e.Code()));
  } catch (const std::exception& e) {
    report.Add(archive, FailureKind::kNotWritten, std::string("cannot create it: ") + e.what());
  }
  if (file.fd >= 0) TruncateDataFile(file, 0);
  DeleteFileByName(lock.Target());
  return false;
}

// Why the folder cannot be added among names; empty when it can.
std::string FolderRefusal(const std::string& folder, const std::vector<std::string>& names) {
  const EntryPath path = EntryPathOf(folder);
  if (path.kind != EntryPathKind::kFolder || path.relative + "\\" != folder)
    return "the folder name " + ConvertPathSeparators(folder, false) + " is empty or would not be extracted as it stands";
  const std::string file = folder.substr(0, folder.size() - 1);
  for (const std::string& name : names) {
    if (name == file || name.rfind(folder, 0) == 0) return ConvertPathSeparators(name, false) + " is in the archive already";
  }
  return {};
}

}  // namespace

OperationReport AddFolderEntry(const std::string& archive, const std::string& folder, OperationObserver& observer) {
  std::string stored = ConvertPathSeparators(folder, true);
  if (stored.empty() || stored.back() != '\\') stored += '\\';
  const auto refused = [&stored](const std::vector<std::string>& names, OperationReport& report) {
    const std::string why = FolderRefusal(stored, names);
    if (!why.empty()) report.Add(ConvertPathSeparators(stored, false), FailureKind::kRefused, why + "; the archive is unchanged");
    return !why.empty();
  };
  // A name no archive can take makes no new archive either.
  if (OperationReport early; refused({}, early) || (!FileExistsByName(archive) && !MakeEmptyArchive(archive, early)))
    return early;
  return RewriteBeside(archive, kAddingFolder,
                       [&](const std::vector<std::string>& names, RewriteChanges& changes, OperationReport& report) {
                         if (refused(names, report)) return false;
                         changes.newFolders = {stored};
                         changes.folderTime = UnixTimeNow();
                         return true;
                       },
                       observer);
}

}  // namespace ovk
