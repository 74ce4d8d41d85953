// The Add dialog: sources to pack, subfolders on or off, and a password.
// Built once at start-up; what the user typed stays from one use to the next.
#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ovk {

class WindowSettings;

class TAddForm : public QDialog {
  Q_OBJECT
 public:
  TAddForm(const WindowSettings& settings, QWidget* parent = nullptr);

  // UTF-8 texts of the fields.
  std::string SourceText() const;
  bool IncludeSubfolders() const;
  std::string Password() const;
  // The encryption a password gives new ZIP entries: AES-256, else the
  // traditional one.
  bool UseAes() const;
  void SetUseAes(bool aes);
  void SetPassword(const std::string& password);

  // What browsing does with a confirmed path: a folder gets a trailing
  // separator; the field's whole text is replaced.
  void TakeChosenPath(const QString& path);

  QGroupBox* SourceBox;
  QLabel* SourceLabel;
  QLineEdit* SourceEdit;
  QPushButton* BrowseButton;
  QGroupBox* OptionsBox;
  QCheckBox* SubFolders;
  QGroupBox* PassBox;
  QLabel* PassL;
  QLineEdit* PassEdit;
  QComboBox* EncryptionChoice;
  QPushButton* OKButton;
  QPushButton* CancelButton;
  QFileDialog* OpenDialog;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormCreate(const WindowSettings& settings);
  void FormShow();
  void BrowseButtonClick();
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
