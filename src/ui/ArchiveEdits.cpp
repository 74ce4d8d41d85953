// The controller's jobs that change the archive in place of a user's edit
// (rename, new folder, comment, a private copy written back) and those that
// decide where an extraction goes.
#include <cerrno>
#include <utility>

#include "engine/AddFolderEntry.h"
#include "engine/ArchiveComment.h"
#include "engine/ExtractHere.h"
#include "engine/ListArchive.h"
#include "engine/RenameInArchive.h"
#include "support/StringUnit.h"
#include "ui/ArchiveController.h"
#include "ui/EntryModel.h"
#include "ui/UiHelpers.h"

namespace ovk {

namespace {

// The folder the stored name lies in, with its trailing "/"; "" at the top.
std::string ParentOf(const std::string& storedName) {
  return storedName.substr(0, storedName.size() - NamePart(storedName).size());
}

}  // namespace

std::vector<Entry> ArchiveController::TopLevelEntries() const {
  std::vector<Entry> entries;
  for (int row = 0; row < model_->rowCount(); ++row) {
    const ListRow& shown = model_->At(row);
    if (shown.parent != kTopFolder) continue;
    Entry entry;
    entry.type = shown.IsFolder() ? EntryType::kFolder : EntryType::kFile;
    entry.name = shown.IsFolder() ? FolderKey(shown.name) + "/" : shown.name;
    entries.push_back(std::move(entry));
  }
  return entries;
}

bool ArchiveController::TellRefused(const OperationReport& report, const QString& text) {
  if (report.failures.empty()) return false;
  face_.ShowMessage(QMessageBox::Critical, tr("Error"), text, report.Lines());
  return true;
}

std::string ArchiveController::Rename(int row, const std::string& newName) {
  if (job_ || archiveName_.empty()) return {};
  const ListRow& shown = model_->At(row);
  // A folder's trailing "/" renames everything below it.
  const std::string mark = shown.IsFolder() ? "/" : "";
  const std::string from = (shown.IsFolder() ? FolderKey(shown.name) : shown.name);
  const std::string to = ParentOf(from) + newName;
  const RenameRequest request{archiveName_, {{from + mark, to + mark}}};
  OperationReport report;
  if (!RunJob(tr("Renaming"),
              [&report, request](OperationObserver& observer) { report = RenameInArchive(request, observer); }))
    return {};
  if (TellCancelled(report, tr("Renaming cancelled; the archive is unchanged.")) ||
      TellRefused(report, tr("Nothing was renamed:")))
    return {};
  Load(archiveName_, false);
  return to;
}

bool ArchiveController::NewFolder(const std::string& folder, const std::string& name) {
  if (job_ || archiveName_.empty()) return false;
  const std::string key = FolderKey(folder);
  const std::string path = (key.empty() ? std::string() : key + "/") + name + "/";
  const std::string archive = archiveName_;
  OperationReport report;
  if (!RunJob(tr("Adding a folder"),
              [&report, archive, path](OperationObserver& observer) { report = AddFolderEntry(archive, path, observer); }))
    return false;
  if (TellCancelled(report, tr("Adding cancelled; the archive is unchanged.")) ||
      TellRefused(report, tr("The folder was not added:")))
    return false;
  Load(archiveName_, false);
  return true;
}

std::string ArchiveController::SuggestedFolder() const {
  return SuggestedDestination(archiveName_, TopLevelEntries());
}

std::string ArchiveController::ExtractHere(const std::string& password) {
  if (job_ || archiveName_.empty()) return {};
  HerePlace place;
  std::string error;
  if (!ChooseHerePlace(archiveName_, TopLevelEntries(), place, error)) {
    face_.ShowMessage(QMessageBox::Critical, tr("Error"), FromUtf8(error), {});
    return {};
  }
  ExtractRequest request = ExtractionOf({}, password);
  request.destination = place.destination;
  request.overwrite = place.overwrite;
  OperationReport report;
  if (!RunExtraction(tr("Extracting"), request, report)) return {};
  ShowExtractReport(report);
  return report.cancelled || !report.failures.empty() ? std::string() : place.made;
}

void ArchiveController::WriteBack(const std::string& storedName, const std::string& path,
                                  const std::string& password) {
  bool enciphered = false;
  for (int row = 0; row < model_->rowCount(); ++row)
    if (!model_->At(row).IsFolder() && model_->At(row).name == storedName) enciphered = model_->At(row).encrypted;
  // The one file, stored under the entry's folder: its name there is the entry's own.
  Add({path}, FolderKey(ParentOf(storedName)), false, enciphered ? password : std::string(), storedName);
}

bool ArchiveController::Summarize(ArchiveSummary& summary) {
  if (job_ || archiveName_.empty()) return false;
  ListResult listed;
  const ListRequest request{archiveName_, true};
  if (!RunJob(tr("Reading %1").arg(FromUtf8(NamePart(archiveName_))),
              [&listed, request](OperationObserver& observer) { listed = ListArchive(request, observer); }) ||
      listed.cancelled)
    return false;
  if (!listed.refusal.empty() || (listed.openError && listed.openError.code != ENOENT)) {
    ShowListFailure(archiveName_, listed);
    return false;
  }
  summary = SummarizeArchive(archiveName_, listed);
  return true;
}

void ArchiveController::SetComment(const std::string& comment) {
  if (job_ || archiveName_.empty()) return;
  const std::string archive = archiveName_;
  OperationReport report;
  if (!RunJob(tr("Storing the comment"), [&report, archive, comment](OperationObserver& observer) {
        report = SetArchiveComment(archive, comment, observer);
      }))
    return;
  if (TellCancelled(report, tr("Storing the comment cancelled; the archive is unchanged.")) ||
      TellRefused(report, tr("The comment was not stored:")))
    return;
  Load(archiveName_, false);
}

}  // namespace ovk
