// The Extract dialog: the destination folder, all or only the selected
// entries, whether the entries keep their folders, a password, and whether
// the destination opens when done. Built once at start-up, so what the user
// typed stays from one use to the next.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "ui/AdvancedRegistry.h"

class QCheckBox;
class QFileDialog;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ovk {

class WindowSettings;

class TExtractForm : public QDialog {
  Q_OBJECT
 public:
  // hasSelection tells, at every showing, whether the main list has a
  // selected row. The destination starts as the stored extract folder; the
  // "open afterwards" choice as the settings file keeps it.
  TExtractForm(const WindowSettings& settings, std::function<bool()> hasSelection,
               QWidget* parent = nullptr);

  // UTF-8 texts of the fields.
  std::string FolderText() const;
  std::string Password() const;
  void SetPassword(const std::string& password);
  bool SelectedOnly() const;
  bool KeepFolders() const;
  bool OpenAfterwards() const;
  // Replaces the destination with the caller's proposal for this archive.
  void SetSuggestion(const QString& folder);

  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void BrowseForFolder();
  void AllowOkWithDestination();

  std::function<bool()> hasSelection_;
  TAdvancedRegistry registry_;
  QLineEdit* destination_ = nullptr;
  QRadioButton* allFiles_ = nullptr;
  QRadioButton* selectedFiles_ = nullptr;
  QCheckBox* keepFolders_ = nullptr;
  QCheckBox* openAfterwards_ = nullptr;
  QLineEdit* password_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QFileDialog* folderDialog_ = nullptr;
};

}  // namespace ovk
