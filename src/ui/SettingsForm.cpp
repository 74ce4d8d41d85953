#include "ui/SettingsForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <iterator>
#include <string>

#include "ui/AddFormUnit.h"
#include "ui/AdvancedRegistry.h"

namespace ovk {

namespace {

const char kSection[] = "Options";
// The stored encryption values; anything else reads as the traditional one.
const char kAesValue[] = "AES-256";
const char kTraditionalValue[] = "Traditional";

// The levels in the order the dialog offers them; the English name is the
// stored value and, translated, the choice's text.
struct LevelName {
  CompressionLevel level;
  const char* name;
};
const LevelName kLevelNames[] = {{kLevelFastest, QT_TRANSLATE_NOOP("ovk::TSettingsForm", "Fastest")},
                                 {kLevelDefault, QT_TRANSLATE_NOOP("ovk::TSettingsForm", "Normal")},
                                 {kLevelMaximum, QT_TRANSLATE_NOOP("ovk::TSettingsForm", "Best")}};

int LevelIndex(CompressionLevel level) {
  for (std::size_t i = 0; i < std::size(kLevelNames); ++i)
    if (kLevelNames[i].level == level) return static_cast<int>(i);
  return 1;  // Normal, for a level the dialog does not offer
}

CompressionLevel LevelNamed(const std::string& name) {
  for (const LevelName& known : kLevelNames)
    if (name == known.name) return known.level;
  return kLevelDefault;
}

}  // namespace

ArchiveOptions ReadArchiveOptions(TAdvancedRegistry& registry) {
  ArchiveOptions options;
  std::string text;
  options.aes = registry.ReadString(kSection, "Encryption", text) && text == kAesValue;
  if (registry.ReadString(kSection, "Level", text)) options.level = LevelNamed(text);
  options.restorePermissions = !registry.ReadString(kSection, "RestorePermissions", text) || text != "0";
  return options;
}

void WriteArchiveOptions(TAdvancedRegistry& registry, const ArchiveOptions& options) {
  registry.WriteString(kSection, "Encryption", options.aes ? kAesValue : kTraditionalValue);
  registry.WriteString(kSection, "Level", kLevelNames[LevelIndex(options.level)].name);
  registry.WriteString(kSection, "RestorePermissions", options.restorePermissions ? "1" : "0");
}

TSettingsForm::TSettingsForm(const ArchiveOptions& options, QWidget* parent) : QDialog(parent) {
  SetUpDialogFrame(this, tr("Settings"), 387, 196);

  EncryptionLabel = new QLabel(tr("Encryption of new passwords:"), this);
  EncryptionLabel->setGeometry(8, 8, 371, 18);
  EncryptionChoice = new QComboBox(this);
  EncryptionChoice->setGeometry(5, 28, 377, 26);
  AddEncryptionChoices(EncryptionChoice);
  EncryptionChoice->setCurrentIndex(options.aes ? 1 : 0);

  LevelLabel = new QLabel(tr("Compression of new entries:"), this);
  LevelLabel->setGeometry(8, 64, 371, 18);
  LevelChoice = new QComboBox(this);
  LevelChoice->setGeometry(5, 84, 180, 26);
  for (const LevelName& known : kLevelNames) LevelChoice->addItem(tr(known.name));
  LevelChoice->setCurrentIndex(LevelIndex(options.level));

  RestorePermissions = new QCheckBox(tr("Restore permissions when extracting"), this);
  RestorePermissions->setGeometry(8, 122, 371, 22);
  RestorePermissions->setChecked(options.restorePermissions);

  OKButton = MakeButton(tr("OK"), this, QRect(226, 160, 75, 28));
  OKButton->setDefault(true);
  CancelButton = MakeButton(tr("Cancel"), this, QRect(307, 160, 75, 28));
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  setTabOrder(EncryptionChoice, LevelChoice);
  setTabOrder(LevelChoice, RestorePermissions);
  setTabOrder(RestorePermissions, OKButton);
  setTabOrder(OKButton, CancelButton);
}

ArchiveOptions TSettingsForm::Chosen() const {
  ArchiveOptions options;
  options.aes = EncryptionChoice->currentIndex() == 1;
  options.level = kLevelNames[LevelChoice->currentIndex()].level;
  options.restorePermissions = RestorePermissions->isChecked();
  return options;
}

void TSettingsForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(this);
  EncryptionChoice->setFocus();
}

void TSettingsForm::keyPressEvent(QKeyEvent* event) {
  if (!HandleDialogKey(this, OKButton, event)) QDialog::keyPressEvent(event);
}

}  // namespace ovk
