// The Extract dialog: destination folder, all or the selected entries, and
// a password. Built once at start-up, after the main window.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ovk {

class WindowSettings;

class TExtractForm : public QDialog {
  Q_OBJECT
 public:
  // hasSelection tells, at every showing, whether the main list has a
  // selected row.
  TExtractForm(const WindowSettings& settings, std::function<bool()> hasSelection,
               QWidget* parent = nullptr);

  std::string FolderText() const;
  bool SelectedOnly() const;
  std::string Password() const;
  void SetPassword(const std::string& password);

  QGroupBox* ExtractBox;
  QLabel* ExtractLabel;
  QLineEdit* ExtractEdit;
  QPushButton* BrowseButton;
  QGroupBox* FilesBox;
  QRadioButton* AllFiles;
  QRadioButton* SelectedFiles;
  QGroupBox* PassBox;
  QLabel* PassL;
  QLineEdit* PassEdit;
  QPushButton* OKButton;
  QPushButton* CancelButton;
  QFileDialog* FolderDialog;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormCreate(const WindowSettings& settings);
  void FormShow();
  void BrowseButtonClick();

  std::function<bool()> hasSelection_;
};

}  // namespace ovk
