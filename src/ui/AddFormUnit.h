// The Add dialog: the files and folders to pack, chosen by browsing (any
// number of each, from any folders), subfolders on or off, and a password.
// Built once at start-up; what the user chose stays from one use to the next.
#pragma once

#include <QDialog>
#include <QStringList>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QFileDialog;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace ovk {

class WindowSettings;

class TAddForm : public QDialog {
  Q_OBJECT
 public:
  TAddForm(const WindowSettings& settings, QWidget* parent = nullptr);

  // UTF-8 paths of the files and folders listed.
  std::vector<std::string> Sources() const;
  bool IncludeSubfolders() const;
  std::string Password() const;
  // The encryption a password gives new ZIP entries: AES-256, else the
  // traditional one.
  bool UseAes() const;
  void SetUseAes(bool aes);
  void SetPassword(const std::string& password);
  // The folder browsing starts in: the one last chosen from.
  std::string StartFolder() const { return startFolder_; }

  // What browsing does with confirmed paths: each is listed once, after
  // those listed before.
  void TakeChosenPaths(const QStringList& paths);

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormCreate(const WindowSettings& settings);
  void FormShow();
  // Shows the dialog starting at the start folder and takes what it gives.
  void Browse(QFileDialog* dialog);
  void RemoveChosen();

  QListWidget* sourceList_;
  QPushButton* addFilesButton_;
  QPushButton* addFolderButton_;
  QPushButton* removeButton_;
  QCheckBox* subFolders_;
  QLineEdit* passEdit_;
  QComboBox* encryptionChoice_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
  QFileDialog* filesDialog_;
  QFileDialog* folderDialog_;
  std::string startFolder_;
};

// Shared by the dialogs: fixed tool-window frame of the given client size,
// centred on the screen when shown; Escape cancels and Enter presses OK.
void SetUpDialogFrame(QDialog* dialog, const QString& caption, int width, int height);
void CentreOnScreen(QWidget* window);
bool HandleDialogKey(QDialog* dialog, QPushButton* okButton, QKeyEvent* event);
// A button that Enter does not press unless it is the default one.
QPushButton* MakeButton(const QString& text, QWidget* parent, const QRect& bounds);
// The encryption choices, the traditional one first and AES-256 second.
void AddEncryptionChoices(QComboBox* box);

}  // namespace ovk
