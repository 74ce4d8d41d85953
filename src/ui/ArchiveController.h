// The archive the window shows and every job run on it: listing, adding,
// deleting, extracting, testing, and extracting into a private folder for
// opening and dragging out. The window is wiring between its controls and
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

#include "engine/ExtractFromArchive.h"
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
  // Adds files and folders into the archive's folder (its path, "/" between
  // folders): a folder keeps its own name, as a file does; subfolders are
  // walked when recurse is set.
  void Add(const std::vector<std::string>& paths, const std::string& folder, bool recurse,
           const std::string& password);
  // The model's rows, a folder with everything below it.
  void Delete(const std::vector<int>& rows);
  // Extracts the rows' entries (every entry when none) into the folder.
  void Extract(const std::string& destination, const std::vector<int>& rows, const std::string& password);
  // Checks the rows' entries (every entry when none) and says how it went.
  void Test(const std::vector<int>& rows, const std::string& password);
  // Extracts the rows' entries into the private folder as extraction does
  // (password prompt, report) and gives the paths of the rows' files and
  // folders there; none unless every entry was written.
  QStringList ExtractForOpening(const std::vector<int>& rows, const std::string& password);
  // For the window's close: stops the running job, waits for it and
  // removes the private folder; no job's outcome is shown after this.
  void Close();

 signals:
  void BusyChanged();
  // A listing has ended (whole, cancelled or failed).
  void Listed();

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
  void ShowListProblems(const std::vector<std::string>& problems);
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
};

}  // namespace ovk
