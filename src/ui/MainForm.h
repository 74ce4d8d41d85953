// The main window: menus, tool bars, the entry list shown folder by folder
// or as a search's matches, and the status bar. It is wiring between its
// controls and the archive controller, which lists the archive and runs
// every job on it.
#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/AdvancedRegistry.h"
#include "ui/ArchiveController.h"
#include "ui/WindowSettings.h"

class QAction;
class QFileDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QTimer;
class QToolBar;
class QToolButton;

namespace ovk {

class EditWatcher;
class TAddForm;
class TExtListViewManagement;
class TExtractForm;
class TProgressForm;

// The open and save dialogs' filter.
extern const char* const kArchiveFilter;

class TOVKForm : public QMainWindow, private JobFace {
  Q_OBJECT
 public:
  // params[0] is the program, params[1] an archive path or a switch. The
  // Extract and then the Add dialog are made after the window's own start.
  explicit TOVKForm(const std::vector<std::string>& params, QWidget* parent = nullptr);
  ~TOVKForm() override;

  // Shows the archive, remembered among the recent ones; returns once it
  // has been listed (the window keeps painting meanwhile).
  void LoadArchive(const std::string& name, bool asNew);
  ArchiveController& Controller() { return *controller_; }
  const ArchiveController& Controller() const { return *controller_; }
  // Hands an extracted file or folder to the desktop's default application.
  std::function<void(const QString&)> OpenFile;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void ShowMessage(QMessageBox::Icon icon, const QString& caption, const QString& text,
                   const std::vector<std::string>& details) override;
  bool AskPassword(const QString& archiveName, std::string& password) override;
  void Follow(ArchiveJob& job, const QString& caption) override;

  void BuildMenus();
  void BuildToolBar();
  void BuildNavigation();
  void BuildList();
  void BuildStatusBar();
  void BuildFileDialogs();
  void LoadWindowSettings();
  void StoreWindowSettings();
  void ProcessCommandLine();

  void UpdateTitle();
  void UpdateStatus();
  void UpdateCommands();
  void UpdateLocation();
  void FillRecentMenu();

  void NewItemClick();
  void OpenItemClick();
  void AddItemClick();
  void DeleteItemClick();
  void ExtractItemClick();
  void ExtractHereItemClick();
  void TestItemClick();
  // Asks the selected row's new name.
  void RenameItemClick();
  void NewFolderItemClick();
  void PropertiesItemClick();
  void SettingsItemClick();
  // Opens the selected entries, extracted into the private folder, and
  // watches the files for the user's saves.
  void ViewItemClick();
  // Asks whether the saved private copy goes back into the archive.
  void OfferWriteBack(const QString& entryName, const QString& path);
  // A one-line answer of a small dialog; false when cancelled or empty.
  bool AskName(const QString& caption, const QString& label, const QString& objectName, QString& name);
  // Selects and shows the row of the stored name ("/" between folders)
  // when the list shows it.
  void SelectStored(const std::string& storedName);
  // A folder's row opens the folder; any other opens the selected entries.
  void Activate(const QModelIndex& index);
  void LocationTyped();
  void FocusSearch();
  // The data a drag out of the list carries: file URLs of the selected
  // entries, extracted into the private folder; null when none was.
  std::unique_ptr<QMimeData> DragOutData();
  // True when the key was Delete or Enter (and so handled).
  bool ListKeyPress(QKeyEvent* event);
  // Dropped files are added, unless they are this window's own drag.
  bool TakesDrop(const QMimeData* data) const;
  // Tells this window's drags from those of any other window.
  QByteArray OwnDragMark() const;
  // The entry model's rows of the selection.
  std::vector<int> SelectedRows() const;
  // Asks whether to stop the running job and close.
  bool StopJobToClose();

  std::vector<std::string> params_;
  QString baseTitle_;
  WindowSettings settings_;
  TAdvancedRegistry registry_;
  ArchiveController* controller_;

  QAction* newItem_;
  QAction* openItem_;
  QMenu* recentMenu_;
  QMenu* actionsMenu_;
  QAction* addItem_;
  QAction* deleteItem_;
  QAction* extractItem_;
  QAction* extractHereItem_;
  QAction* testItem_;
  QAction* renameItem_;
  QAction* newFolderItem_;
  QAction* propertiesItem_;
  QAction* viewItem_;
  QAction* selectAllItem_;
  QAction* backItem_;
  QAction* upItem_;
  QToolButton* addButton_;
  QToolButton* deleteButton_;
  QToolButton* extractButton_;
  QLineEdit* searchEdit_;
  QLineEdit* locationEdit_;
  TExtListViewManagement* fileList_;
  QLabel* selectionPanel_;
  QLabel* totalPanel_;
  // Turns a burst of selection changes into one status update.
  QTimer* selectionTimer_;
  QFileDialog* fileDialog_;
  QFileDialog* saveDialog_;
  TExtractForm* extractForm_ = nullptr;
  TAddForm* addForm_ = nullptr;
  TProgressForm* progressForm_;
  EditWatcher* editWatcher_;
};

}  // namespace ovk
