// The main window: menus, tool bar, the entry list and the status bar. It
// keeps nothing of an archive but the list rows; every change is done by
// the engine and the whole archive is listed again afterwards.
#pragma once

#include <QEvent>
#include <QMainWindow>
#include <QMessageBox>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/ExtractFromArchive.h"
#include "engine/ListArchive.h"
#include "engine/OperationReport.h"
#include "ui/AdvancedRegistry.h"
#include "ui/ArchiveJob.h"
#include "ui/SettingsForm.h"
#include "ui/WindowSettings.h"

class QAction;
class QFileDialog;
class QKeyEvent;
class QLabel;
class QMenu;
class QMimeData;
class QTimer;
class QToolBar;
class QToolButton;

namespace ovk {

class TAddForm;
class TExtListViewManagement;
class TExtractForm;
class TProgressForm;

// The private message that turns a burst of selection changes into one
// status update.
constexpr QEvent::Type kSelChangedEvent = static_cast<QEvent::Type>(QEvent::User + 100);

// The open and save dialogs' filter.
extern const char* const kArchiveFilter;

class TOVKForm : public QMainWindow {
  Q_OBJECT
 public:
  // params[0] is the program, params[1] an archive path or a switch. The
  // Extract and then the Add dialog are made after the window's own start.
  explicit TOVKForm(const std::vector<std::string>& params, QWidget* parent = nullptr);
  ~TOVKForm() override;

  // Every command that reads or writes the archive runs as a job and returns
  // once the job has ended; the window keeps painting meanwhile.
  void LoadArchive(const std::string& name, bool asNew);
  void UpdateTitle();
  void UpdateStatus(bool countSelection);
  void UpdateCommands();
  // The name of the list's row, "/" between folders.
  std::string EntryFullName(int row) const;
  // The rows' names in the form the engine's selections take.
  std::vector<std::string> SelectionOf(const std::vector<int>& rows) const;
  void AddItems(const std::string& sources, bool recurse);
  void ExtractEntries(const std::string& folder, const std::string& password, bool selectedOnly);
  // Checks every entry, or the selected ones, and says how it went.
  void TestEntries();
  // Says that an add or a delete was cancelled (the engine left the archive
  // as it was); false when it was not.
  bool TellCancelled(const OperationReport& report, const QString& work);
  // One message for every entry an extraction did not write.
  void ShowExtractReport(const OperationReport& report);
  // One message for a test: all verified, the failures, or the cancel.
  void ShowTestReport(const OperationReport& report);
  // A modal box; details go below the text, at most kListedFailures lines
  // and a count of the rest.
  void ShowMessage(QMessageBox::Icon icon, const QString& caption, const QString& text,
                   const std::vector<std::string>& details);

  void LoadWindowSettings();
  void StoreWindowSettings();
  void ProcessCommandLine();

  void NewItemClick();
  void OpenItemClick();
  void ExitItemClick();
  void AddItemClick();
  void DeleteItemClick();
  void ExtractItemClick();
  void SettingsItemClick();
  // Opens the selected entries, extracted into the private folder.
  void ViewItemClick();
  // The data a drag out of the list carries: file URLs of the selected
  // entries, extracted into the private folder; null when none was.
  std::unique_ptr<QMimeData> DragOutData();
  // True when the key was Delete or Enter (and so handled).
  bool FileListKeyDown(QKeyEvent* event);
  void FileListMouseDown(const QPoint& globalPos);
  void TimerTimer();
  void WMSelChanged();
  void WMDropFiles(const QStringList& paths);

  // Selected rows in list order.
  std::vector<int> SelectedRows() const;

  std::string ArchiveName;
  QString BaseTitle;
  long double TotalOriginalSize = 0;
  bool SelectionChanged = false;
  WindowSettings Settings;
  TAdvancedRegistry Registry;
  // The Settings dialog's choices; the Add dialog's encryption choice is
  // the same setting.
  ArchiveOptions Options;

  QMenu* FileItem;
  QAction* NewItem;
  QAction* OpenItem;
  QAction* ExitItem;
  QMenu* ActionsItem;
  QAction* AddItem;
  QAction* DeleteItem;
  QAction* ExtractItem;
  QAction* TestItem;
  QAction* ViewItem;
  QMenu* OptionsItem;
  QAction* SettingsItem;
  QToolBar* ToolBar;
  QToolButton* AddButton;
  QToolButton* DeleteButton;
  QToolButton* ExtractButton;
  TExtListViewManagement* FileList;
  QLabel* StatusPanel0;
  QLabel* StatusPanel1;
  QTimer* Timer;
  QFileDialog* FileDialog;
  QFileDialog* SaveDialog;
  TExtractForm* ExtractForm = nullptr;
  TAddForm* AddForm = nullptr;
  TProgressForm* ProgressForm;
  // The running job, if any.
  std::unique_ptr<ArchiveJob> Job;
  // Hands an extracted file to the desktop's default application.
  std::function<void(const QString&)> OpenFile;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolBar();
  void BuildList();
  void BuildStatusBar();
  void BuildFileDialogs();
  void FormCreate();
  void FormClose();

  // Runs work on a job thread, the archive commands disabled, and returns
  // when it has ended. False when another job runs, the work threw (said in
  // a box) or the window was closed meanwhile.
  // prepare, when given, connects to the job before it starts.
  bool RunJob(const QString& caption, ArchiveJob::Work work,
              const std::function<void(ArchiveJob&)>& prepare = {});
  // The password prompt after an extraction that met enciphered entries
  // without one; false when dismissed.
  bool AskExtractPassword(std::string& password);
  // The request for the rows' entries (every entry when none) with the
  // password to start from.
  ExtractRequest ExtractionOf(const std::vector<int>& rows, const std::string& password) const;
  // Runs the extraction or test as a job, asking for a password and running
  // it again while one is missing; false when it did not run to its end.
  bool RunExtraction(const QString& caption, ExtractRequest& request, OperationReport& report);
  // The message of a report with failures, shared by extracting and testing.
  void ShowExtractFailures(const OperationReport& report);
  // Asks whether to stop the running job and close; stops it on yes.
  bool StopJobToClose();
  // The folder entries are extracted to for opening and dragging out: made
  // on first use, open to the user alone, removed with its contents when
  // the window closes. Empty (and said in a box) when it cannot be made.
  std::string PrivateFolder();
  void RemovePrivateFolder();
  // Extracts the rows' entries into the private folder as extraction does
  // (password prompt, report) and gives the files' paths; none unless every
  // entry was written.
  QStringList ExtractForOpening(const std::vector<int>& rows);
  // Dropped files are added, unless they are this window's own drag.
  bool TakesDrop(const QMimeData* data) const;
  // Tells this window's drags from those of any other window.
  QByteArray OwnDragMark() const;

  std::vector<std::string> params_;
  bool closing_ = false;
  std::string privateFolder_;
};

}  // namespace ovk
