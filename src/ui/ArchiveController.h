// The archive the window shows and every job run on it: listing, adding,
// deleting, renaming, new folders, the comment, extracting (also "here"),
// testing, and extracting into a private folder for opening, editing and
// dragging out. The window is wiring between its controls and
// these calls; what they need of the user (messages, a password, following
// a job's progress) they ask through the window's JobFace.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/ArchiveSummary.h"
#include "engine/ExtractFromArchive.h"
#include "engine/format/Format.h"
#include "engine/OperationReport.h"
#include "ui/ArchiveJob.h"
#include "ui/SettingsForm.h"

namespace ovk {

class EntryModel;

class JobFace {
 public:
  virtual ~JobFace() = default;
  // A modal box; details go below the text, at most kListedFailures lines
  // and a count of the rest.
  virtual void ShowMessage(QMessageBox::Icon icon, const QString& caption, const QString& text,
                           const std::vector<std::string>& details) = 0;
  // Asked when an extraction met enciphered entries without a password;
  // false when dismissed.
  virtual bool AskPassword(const QString& archiveName, std::string& password) = 0;
  // The job has just started; it ends before the call that started it returns.
  virtual void Follow(ArchiveJob& job, const QString& caption) = 0;
};

// An entry written into the private folder for the user.
struct PrivateCopy {
  QString path;
  std::string storedName;  // the row's: "/" between folders, a folder's without the trailing "/"
  bool folder = false;
};

class ArchiveController : public QObject {
  Q_OBJECT
 public:
  explicit ArchiveController(JobFace& face, QObject* parent = nullptr);
  // Removes the private folder.
  ~ArchiveController() override;

  const std::string& ArchiveName() const { return archiveName_; }
  EntryModel* Model() const { return model_; }
  bool Busy() const { return job_ != nullptr; }
  // The running job, if any.
  ArchiveJob* Job() const { return job_.get(); }
  // The Settings dialog's choices, used by every job.
  ArchiveOptions options;

  // Shows the archive: a new one (asNew) is only named; its first add makes it.
  void Load(const std::string& name, bool asNew);
  // Whether the archive's format can do that, as of the last Load; an
  // archive not made yet can do what one of its name will.
  bool Can(Capability capability) const;
  // Adds files and folders into the archive's folder (its path, "/" between
  // folders): a folder keeps its own name, as a file does; subfolders are
  // walked when recurse is set. supersedes: the stored name an added file
  // takes the place of; its older entries are dropped once it is stored.
  void Add(const std::vector<std::string>& paths, const std::string& folder, bool recurse,
           const std::string& password, const std::string& supersedes = {});
  // The model's rows, a folder with everything below it.
  void Delete(const std::vector<int>& rows);
  // Renames the row's entry (a folder's: everything below it) to newName
  // in the same folder. Gives the new stored name ("/" between folders),
  // empty when nothing was renamed (said in a box).
  std::string Rename(int row, const std::string& newName);
  // Adds an empty folder entry of that name in the model's folder; false
  // when it was not added (said in a box).
  bool NewFolder(const std::string& folder, const std::string& name);
  // Where extracting the whole archive would best go, made nowhere.
  std::string SuggestedFolder() const;
  // Extracts the rows' entries (every entry when none) into the folder, or
  // without folders straight into it; true when every entry was written.
  bool Extract(const std::string& destination, const std::vector<int>& rows, const std::string& password,
               bool keepFolders = true);
  // Extracts every entry beside the archive, in a fresh folder unless it
  // holds one item; gives what the user finds there, empty when not every
  // entry was written (said in a box).
  std::string ExtractHere(const std::string& password);
  // Checks the rows' entries (every entry when none) and says how it went.
  void Test(const std::vector<int>& rows, const std::string& password);
  // Extracts the rows' entries into the private folder as extraction does
  // (password prompt, report) and gives the rows' files and folders there;
  // none unless every entry was written.
  std::vector<PrivateCopy> ExtractForOpening(const std::vector<int>& rows, const std::string& password);
  // Stores the private copy of the file entry storedName over the entry,
  // enciphered with the password when the entry was.
  void WriteBack(const std::string& storedName, const std::string& path, const std::string& password);
  // The archive's summary from a listing of its own; false when it could
  // not be listed.
  bool Summarize(ArchiveSummary& summary);
  void SetComment(const std::string& comment);
  // For the window's close: stops the running job, waits for it and
  // removes the private folder; no job's outcome is shown after this.
  void Close();

 signals:
  void BusyChanged();
  // A listing has ended (whole, cancelled or failed).
  void Listed();
  // Private copies are about to be written again, over what the user may
  // have open.
  void PrivateCopiesRewritten(const QStringList& paths);

 private:
  // Runs work on a job thread and returns when it has ended. False when
  // another job runs, the work threw (said in a box) or the window closes.
  // prepare, when given, connects to the job before it starts.
  bool RunJob(const QString& caption, ArchiveJob::Work work, const std::function<void(ArchiveJob&)>& prepare = {});
  ExtractRequest ExtractionOf(const std::vector<int>& rows, const std::string& password) const;
  // Runs the extraction or test, asking for a password and running it again
  // while one is missing; false when it did not run to its end.
  bool RunExtraction(const QString& caption, ExtractRequest& request, OperationReport& report);
  // Lists the archive into the model; false when it showed nothing of it.
  bool List(const std::string& name);
  // Says why a listing that ran gave nothing.
  void ShowListFailure(const std::string& name, const ListResult& listed);
  void ShowListProblems(const std::vector<std::string>& problems);
  // The entries the top folder's rows stand for: what lands at the top of
  // a destination.
  std::vector<Entry> TopLevelEntries() const;
  // Shows the engine's reasons when an edit was refused; false when it was not.
  bool TellRefused(const OperationReport& report, const QString& text);
  // Says that an add or a delete was cancelled; false when it was not.
  bool TellCancelled(const OperationReport& report, const QString& text);
  void ShowExtractReport(const OperationReport& report);
  void ShowTestReport(const OperationReport& report);
  void ShowExtractFailures(const OperationReport& report);
  // Made on first use, open to the user alone, removed with its contents
  // when the controller goes. Empty (and said in a box) when it cannot be made.
  std::string PrivateFolder();
  void RemovePrivateFolder();

  JobFace& face_;
  EntryModel* model_;
  std::string archiveName_;
  std::unique_ptr<ArchiveJob> job_;
  bool closing_ = false;
  std::string privateFolder_;
  std::vector<Capability> cannot_;
};

}  // namespace ovk
