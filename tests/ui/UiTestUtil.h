// Helpers of the window tests: a private settings folder, a window made as
// the program makes it, answering modal boxes and dialogs, making archives.
#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/TestUtil.h"
#include "ui/MainForm.h"

class QAction;
class QLineEdit;

namespace ovk {
class TAddForm;
class TExtListViewManagement;
class TExtractForm;
class TProgressForm;
}  // namespace ovk

namespace ovktest {

// Points XDG_CONFIG_HOME at a fresh folder for the object's lifetime.
class SettingsHome {
 public:
  SettingsHome();
  ~SettingsHome();
  std::string SettingsFile() const;
  TempDir dir;

 private:
  std::string old_;
  bool hadOld_ = false;
};

// A window as the program starts it (application title "OVK Viewer"), its
// command line's archive listed.
std::unique_ptr<ovk::TOVKForm> MakeForm(const std::vector<std::string>& params = {"ovkview"});
// Closes (storing the window settings) and destroys (storing the list's).
void CloseForm(std::unique_ptr<ovk::TOVKForm>& form);

// What a modal message box showed.
struct SeenBox {
  bool shown = false;
  QString title, text, informative;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
};

// Runs action; the first modal message box that appears is recorded and
// answered with the button.
SeenBox AnswerBox(QMessageBox::StandardButton answer, const std::function<void()>& action);

// Runs action; every 10 ms while a modal window is open, handler gets it
// (and should close it).
void WhenModal(const std::function<void(QWidget*)>& handler, const std::function<void()>& action);

// Types the path into an open file dialog and confirms it, as a user would
// (selectFile does not reach a file-name field that has the focus).
void ChooseFile(QFileDialog* dialog, const std::string& path);

// Lets posted events and timers run for about ms milliseconds.
void Pump(int ms = 0);

// The window's parts, found as a user finds them: by kind, object name or
// accessible name, never through public members.
ovk::TExtListViewManagement* List(const ovk::TOVKForm& form);
QAction* Action(const ovk::TOVKForm& form, const char* objectName);
QString Panel(const ovk::TOVKForm& form, const char* objectName);
QLineEdit* Field(const ovk::TOVKForm& form, const char* objectName);
ovk::TAddForm* AddDialog(const ovk::TOVKForm& form);
ovk::TExtractForm* ExtractDialog(const ovk::TOVKForm& form);
ovk::TProgressForm* Progress(const ovk::TOVKForm& form);
QString SelectionText(const ovk::TOVKForm& form);  // the status bar's panels
QString TotalText(const ovk::TOVKForm& form);

// Texts of one column of the rows shown, top to bottom.
std::vector<std::string> Column(const ovk::TOVKForm& form, int column);
int RowCount(const ovk::TOVKForm& form);
// The shown row whose Name text this is, or -1.
int RowNamed(const ovk::TOVKForm& form, const QString& name);
QModelIndex Cell(const ovk::TOVKForm& form, int row, int column);
// The stored name behind a shown row.
std::string StoredName(const ovk::TOVKForm& form, int row);
// Adds the shown row to the selection.
void Select(ovk::TOVKForm& form, int row);
// Selects exactly the shown rows with these Name texts and lets the status
// follow.
void SelectNames(ovk::TOVKForm& form, const std::vector<QString>& names);
// The model rows of the selection.
std::vector<int> SelectedRows(const ovk::TOVKForm& form);

// An Info-ZIP archive of the files below folder (paths relative to it).
void ZipFiles(const std::string& archive, const std::string& folder,
              const std::vector<std::string>& files, const std::string& password = "");
// A file of size bytes (text that compresses well) with its modification
// time set by touch's -t stamp (e.g. "201905041230.10").
void MakeSizedFile(const std::string& path, std::size_t size, const std::string& stamp);

// The sample of the listing tests below folder: a.txt (1000 bytes),
// docs/c.dat (1234567 bytes) and docs/b.txt (600 bytes, enciphered with
// "secret"), as archive.
void MakeSampleZip(const std::string& archive, const std::string& folder);

// The names the engine lists, in order.
std::vector<std::string> ListedNames(const std::string& archive);

}  // namespace ovktest
