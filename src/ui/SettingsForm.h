// The Settings dialog and the choices it edits: how new entries are packed
// and enciphered, and whether extraction restores permission bits. They are
// kept in the settings store under Options.
#pragma once

#include <QDialog>

#include "coding/Payload.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace ovk {

class TAdvancedRegistry;

struct ArchiveOptions {
  bool aes = false;  // a password enciphers new ZIP entries with AES-256, else the traditional way
  CompressionLevel level = kLevelDefault;
  bool restorePermissions = true;
};

// Missing or unknown values read as the defaults.
ArchiveOptions ReadArchiveOptions(TAdvancedRegistry& registry);
void WriteArchiveOptions(TAdvancedRegistry& registry, const ArchiveOptions& options);

class TSettingsForm : public QDialog {
  Q_OBJECT
 public:
  // The fields start from options.
  explicit TSettingsForm(const ArchiveOptions& options, QWidget* parent = nullptr);

  // What the fields say now.
  ArchiveOptions Chosen() const;

  QLabel* EncryptionLabel;
  QComboBox* EncryptionChoice;
  QLabel* LevelLabel;
  QComboBox* LevelChoice;
  QCheckBox* RestorePermissions;
  QPushButton* OKButton;
  QPushButton* CancelButton;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace ovk
