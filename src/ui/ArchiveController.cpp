#include "ui/ArchiveController.h"

#include <QDir>
#include <malloc.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "engine/AddToArchive.h"
#include "engine/Archive.h"
#include "engine/DeleteFromArchive.h"
#include "engine/EntryPath.h"
#include "engine/ListArchive.h"
#include "engine/RepairArchive.h"
#include "engine/format/Registry.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"
#include "ui/EntryModel.h"
#include "ui/UiHelpers.h"

namespace ovk {

namespace {

constexpr int kMappedBlock = 1 << 20;

// The stored names below a folder of the model begin with this.
std::string StoredPrefix(const std::string& folder) {
  const std::string key = FolderKey(folder);
  return key.empty() ? std::string() : ConvertPathSeparators(key, true) + "\\";
}

// One request for the files, whose folder walks take nothing else, and one
// per folder, its entries stored under its own name.
std::vector<AddRequest> AddRequests(const AddRequest& base, const std::vector<std::string>& paths,
                                    const std::string& folder, bool recurse) {
  AddRequest files = base;
  files.recurse = false;
  files.storedNamePrefix = StoredPrefix(folder);
  std::vector<AddRequest> requests;
  for (const std::string& path : paths) {
    const std::string bare = SetTrailingSeparator(path, false, false);
    if (!FolderExists(SetTrailingSeparator(path, true, false))) {
      files.sources.push_back(path);
      continue;
    }
    AddRequest one = base;
    one.recurse = recurse;
    one.sources = {bare};
    one.storedNamePrefix = files.storedNamePrefix + StoredPrefix(NamePart(bare));
    requests.push_back(std::move(one));
  }
  if (!files.sources.empty()) requests.insert(requests.begin(), std::move(files));
  return requests;
}

void Append(OperationReport& into, const OperationReport& report) {
  into.failures.insert(into.failures.end(), report.failures.begin(), report.failures.end());
  into.notes.insert(into.notes.end(), report.notes.begin(), report.notes.end());
  into.entriesDone += report.entriesDone;
  into.cancelled = into.cancelled || report.cancelled;
}

}  // namespace

ArchiveController::ArchiveController(JobFace& face, QObject* parent)
    : QObject(parent), face_(face), model_(new EntryModel(this)) {
  // A listing's entry arrays grow by doubling on two threads at once; with
  // a fixed threshold each large one is mapped alone and goes back to the
  // system when outgrown, rather than staying in a heap for reuse.
  mallopt(M_MMAP_THRESHOLD, kMappedBlock);
}

ArchiveController::~ArchiveController() { RemovePrivateFolder(); }

bool ArchiveController::RunJob(const QString& caption, ArchiveJob::Work work,
                               const std::function<void(ArchiveJob&)>& prepare) {
  if (job_) return false;
  job_ = std::make_unique<ArchiveJob>(std::move(work));
  if (prepare) prepare(*job_);
  emit BusyChanged();
  face_.Follow(*job_, caption);
  job_->Start();
  job_->Wait();
  const std::string error = job_->Error();
  job_.reset();
  emit BusyChanged();
  if (closing_) return false;
  if (error.empty()) return true;
  face_.ShowMessage(QMessageBox::Critical, tr("Error"), FromUtf8(error), {});
  return false;
}

void ArchiveController::Close() {
  closing_ = true;
  if (job_) {
    job_->Cancel();
    job_->Wait();
  }
  RemovePrivateFolder();
}

void ArchiveController::Load(const std::string& name, bool asNew) {
  if (name.empty() || job_) return;
  archiveName_ = name;
  model_->Clear();
  if (!asNew && !List(name)) model_->Clear();
  // Asked once per listing: the commands' states follow every selection change.
  cannot_.clear();
  for (auto capability = static_cast<int>(Capability::kAppend); capability <= static_cast<int>(Capability::kFolderEntries);
       ++capability)
    if (ArchiveCannot(name, static_cast<Capability>(capability))) cannot_.push_back(static_cast<Capability>(capability));
  emit Listed();
}

bool ArchiveController::Can(Capability capability) const {
  return std::find(cannot_.begin(), cannot_.end(), capability) == cannot_.end();
}

bool ArchiveController::List(const std::string& name) {
  ListResult listed;
  ListRequest request{name};
  request.folders = true;
  // The model's rows are the one copy of the entries.
  request.keep = false;
  // A Cancel pressed while the list still filled counts even when the
  // reading had just ended.
  bool cancelPressed = false;
  // Rows show as the engine reads them, in archive order until sorted at the end.
  const auto fill = [this, &cancelPressed](ArchiveJob& job) {
    const auto take = [this, &job] {
      if (model_->rowCount() == 0) model_->Reserve(job.Latest().entriesTotal);
      model_->AppendEntries(job.TakeListed());
    };
    connect(&job, &ArchiveJob::EntriesListed, this, take);
    // The last entries' notice may still wait in the queue when the job ends.
    connect(&job, &ArchiveJob::Done, this, [&cancelPressed, &job, take] {
      take();
      cancelPressed = job.Cancelling();
    });
  };
  bool listedAll = false;
  // An enciphered list of entries is listed again with each password given,
  // until it opens or the user gives up.
  do {
    listedAll = RunJob(tr("Opening %1").arg(FromUtf8(NamePart(name))),
                       [&listed, request](OperationObserver& observer) { listed = ListArchive(request, observer); }, fill);
  } while (listedAll && listed.locked && !cancelPressed && face_.AskPassword(FromUtf8(NamePart(name)), request.password));
  // A cancelled or failed listing shows nothing rather than part of the archive.
  if (!listedAll || listed.cancelled || cancelPressed || !listed.refusal.empty() || listed.openError || listed.locked) {
    if (listedAll) ShowListFailure(name, listed);
    return false;
  }
  // Not held through the sort, which needs room of its own: what the job's
  // thread freed goes back to the system, not only to its own heap.
  malloc_trim(0);
  ShowListProblems(listed.problems);
  return true;
}

void ArchiveController::ShowListFailure(const std::string& name, const ListResult& listed) {
  if (!listed.refusal.empty())
    face_.ShowMessage(QMessageBox::Critical, tr("Error"), FromUtf8(name + ": " + listed.refusal), {});
  if (listed.locked && !listed.problems.empty())
    face_.ShowMessage(QMessageBox::Warning, tr("Warning"), FromUtf8(name + ": " + listed.problems.back()), {});
  // A name not there yet is an archive the next add makes.
  if (listed.openError && listed.openError.code != ENOENT)
    face_.ShowMessage(QMessageBox::Critical, tr("Error"), FromUtf8(listed.openError.Text()), {});
}

void ArchiveController::ShowListProblems(const std::vector<std::string>& problems) {
  // The complete entries are listed all the same; the next add rebuilds the directory.
  if (DirectoryLostByAdd(archiveName_))
    face_.ShowMessage(QMessageBox::Warning, tr("Warning"),
                      tr("%1: %2; adding a file rebuilds it, as does `ovk repair %1`")
                          .arg(FromUtf8(archiveName_), QString::fromUtf8(kDirectoryLostText)),
                      {});
  else if (!problems.empty())
    face_.ShowMessage(QMessageBox::Warning, tr("Warning"), tr("This archive is damaged; these entries cannot be read:"),
                      problems);
}

void ArchiveController::Add(const std::vector<std::string>& paths, const std::string& folder, bool recurse,
                            const std::string& password, const std::string& supersedes) {
  if (archiveName_.empty() || paths.empty()) return;
  AddRequest base;
  base.archive = archiveName_;
  base.password = password;
  // An archive that cannot hold AES entries enciphers its own way whatever the choice says.
  base.aes = options.aes && !ArchiveCannot(archiveName_, Capability::kAes);
  base.level = options.level;
  const std::vector<AddRequest> requests = AddRequests(base, paths, folder, recurse);
  OperationReport report;
  std::size_t finished = 0;
  // Dropped only after the new entry is stored: a stop between the two
  // leaves both, the newer one last, which extraction takes. A format that
  // cannot delete keeps both.
  DeleteRequest older{archiveName_, {ConvertPathSeparators(supersedes, true)}};
  older.olderCopiesOnly = true;
  const bool dropOlder = !supersedes.empty() && Can(Capability::kDelete);
  OperationReport dropped;
  if (!RunJob(tr("Adding"), [&report, &finished, &dropped, requests, older, dropOlder](OperationObserver& observer) {
        for (const AddRequest& request : requests) {
          Append(report, AddToArchive(request, observer));
          if (report.cancelled) return;
          ++finished;
        }
        if (dropOlder && report.failures.empty()) dropped = DeleteFromArchive(older, observer);
      }))
    return;
  if (report.cancelled && finished == 0 && TellCancelled(report, tr("Adding cancelled; the archive is unchanged.")))
    return;
  if (report.cancelled)
    face_.ShowMessage(QMessageBox::Information, tr("Information"),
                      tr("Adding cancelled; the files added before the cancel are kept."), {});
  Load(archiveName_, false);
  if (!report.failures.empty())
    face_.ShowMessage(QMessageBox::Critical, tr("Error"), tr("These files were not added:"), report.Lines());
  // The file is in the archive; only its older copy could not be dropped.
  if (!dropped.failures.empty())
    face_.ShowMessage(QMessageBox::Warning, tr("Warning"),
                      tr("The file was written back; its older copy stays in the archive:"), dropped.Lines());
}

void ArchiveController::Delete(const std::vector<int>& rows) {
  if (job_ || rows.empty()) return;
  std::vector<std::string> selection = model_->StoredNames(rows);
  for (std::string& name : selection) name = ConvertPathSeparators(name, true);
  const DeleteRequest request{archiveName_, selection};
  OperationReport report;
  if (!RunJob(tr("Deleting"),
              [&report, request](OperationObserver& observer) { report = DeleteFromArchive(request, observer); }))
    return;
  if (TellCancelled(report, tr("Deleting cancelled; the archive is unchanged."))) return;
  if (report.failures.empty()) {
    Load(archiveName_, false);
    return;
  }
  face_.ShowMessage(QMessageBox::Critical, tr("Error"), tr("Nothing was deleted:"), report.Lines());
}

ExtractRequest ArchiveController::ExtractionOf(const std::vector<int>& rows, const std::string& password) const {
  ExtractRequest request;
  request.archive = archiveName_;
  if (!rows.empty()) {
    request.selection = model_->StoredNames(rows);
    for (std::string& name : request.selection) name = ConvertPathSeparators(name, true);
  }
  request.password = password;
  request.restorePermissions = options.restorePermissions;
  return request;
}

bool ArchiveController::RunExtraction(const QString& caption, ExtractRequest& request, OperationReport& report) {
  do {
    if (!RunJob(caption, [&report, request](OperationObserver& observer) {
          report = ExtractFromArchive(request, observer);
        }))
      return false;
  } while (!report.cancelled && report.ExitStatus() == kExitNoPassword &&
           face_.AskPassword(FromUtf8(NamePart(archiveName_)), request.password));
  return true;
}

bool ArchiveController::Extract(const std::string& destination, const std::vector<int>& rows,
                                const std::string& password, bool keepFolders) {
  ExtractRequest request = ExtractionOf(rows, password);
  request.destination = destination;
  request.keepFolders = keepFolders;
  OperationReport report;
  if (!RunExtraction(tr("Extracting"), request, report)) return false;
  ShowExtractReport(report);
  return !report.cancelled && report.failures.empty();
}

void ArchiveController::Test(const std::vector<int>& rows, const std::string& password) {
  ExtractRequest request = ExtractionOf(rows, password);
  request.testOnly = true;
  OperationReport report;
  if (RunExtraction(tr("Testing"), request, report)) ShowTestReport(report);
}

std::vector<PrivateCopy> ArchiveController::ExtractForOpening(const std::vector<int>& rows,
                                                              const std::string& password) {
  if (rows.empty()) return {};
  const std::string folder = PrivateFolder();
  if (folder.empty()) return {};
  std::vector<PrivateCopy> copies;
  QStringList paths;
  for (int row : rows) {
    const ListRow& shown = model_->At(row);
    const std::string storedName = shown.IsFolder() ? FolderKey(shown.name) : shown.name;
    const EntryPath path = EntryPathOf(shown.IsFolder() ? storedName + "/" : storedName);
    if (path.kind != EntryPathKind::kFile && path.kind != EntryPathKind::kFolder) continue;
    copies.push_back({FromUtf8(folder + "/" + PlatformPath(path.relative)), storedName, shown.IsFolder()});
    paths << copies.back().path;
  }
  emit PrivateCopiesRewritten(paths);
  ExtractRequest request = ExtractionOf(rows, password);
  request.destination = folder;
  OperationReport report;
  if (!RunExtraction(tr("Extracting"), request, report)) return {};
  ShowExtractReport(report);
  if (report.cancelled || !report.failures.empty()) return {};
  return copies;
}

std::string ArchiveController::PrivateFolder() {
  if (!privateFolder_.empty()) return privateFolder_;
  std::string pattern = ToUtf8(QDir::tempPath()) + "/ovkview-XXXXXX";
  // mkdtemp gives mode 0700: the entries may be private.
  if (mkdtemp(pattern.data())) return privateFolder_ = pattern;
  face_.ShowMessage(QMessageBox::Critical, tr("Error"),
                    tr("Cannot make a temporary folder: %1").arg(FromUtf8(IoReasonText(errno))), {});
  return {};
}

void ArchiveController::RemovePrivateFolder() {
  if (privateFolder_.empty()) return;
  QDir(FromUtf8(privateFolder_)).removeRecursively();
  privateFolder_.clear();
}

bool ArchiveController::TellCancelled(const OperationReport& report, const QString& text) {
  if (!report.cancelled) return false;
  face_.ShowMessage(QMessageBox::Information, tr("Information"), text, {});
  return true;
}

void ArchiveController::ShowExtractReport(const OperationReport& report) {
  if (report.cancelled)
    face_.ShowMessage(QMessageBox::Information, tr("Information"),
                      tr("Extraction cancelled; %n file(s) were written whole.", nullptr,
                         static_cast<int>(report.entriesDone)),
                      report.Lines());
  else
    ShowExtractFailures(report);
}

void ArchiveController::ShowTestReport(const OperationReport& report) {
  if (report.cancelled)
    face_.ShowMessage(QMessageBox::Information, tr("Information"), tr("Testing cancelled."), {});
  else if (report.ExitStatus() == kExitOk)
    face_.ShowMessage(QMessageBox::Information, tr("Information"),
                      tr("%1 entries verified, no errors.").arg(report.entriesDone), {});
  else
    ShowExtractFailures(report);
}

void ArchiveController::ShowExtractFailures(const OperationReport& report) {
  switch (report.ExitStatus()) {
    case kExitOk:
      return;
    case kExitNoPassword:
      face_.ShowMessage(QMessageBox::Warning, tr("Warning"),
                        tr("File protected by password. Specify password in the extract dialog."), {});
      return;
    case kExitCheckFailed:
      face_.ShowMessage(QMessageBox::Critical, tr("Error"),
                        tr("File extract checksum error. File probably corrupt or password incorrect."),
                        report.Lines());
      return;
    default:
      face_.ShowMessage(QMessageBox::Critical, tr("Error"), tr("These entries were not written:"), report.Lines());
  }
}

}  // namespace ovk
