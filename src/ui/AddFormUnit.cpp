#include "ui/AddFormUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "support/FileUnit.h"
#include "support/StringUnit.h"
#include "ui/UiHelpers.h"
#include "ui/WindowSettings.h"

namespace ovk {

void SetUpDialogFrame(QDialog* dialog, const QString& caption, int width, int height) {
  dialog->setWindowTitle(caption);
  dialog->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint);
  dialog->setFixedSize(width, height);
  dialog->setModal(true);
}

void CentreOnScreen(QWidget* window) {
  QScreen* screen = window->screen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

bool HandleDialogKey(QDialog* dialog, QPushButton* okButton, QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      dialog->reject();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      okButton->click();
      return true;
    default:
      return false;
  }
}

QPushButton* MakeButton(const QString& text, QWidget* parent, const QRect& bounds) {
  auto* button = new QPushButton(text, parent);
  button->setAutoDefault(false);
  button->setGeometry(bounds);
  return button;
}

void AddEncryptionChoices(QComboBox* box) {
  // The traditional encryption opens everywhere but is weak; AES-256 is
  // strong but needs a modern tool.
  box->addItem(TAddForm::tr("Traditional encryption: compatible with every tool"));
  box->addItem(TAddForm::tr("AES-256: strong; needs 7-Zip, WinZip, Ark or libarchive to open"));
}

TAddForm::TAddForm(const WindowSettings& settings, QWidget* parent) : QDialog(parent) {
  SetUpDialogFrame(this, tr("Add"), 387, 284);

  auto* sourceBox = new QGroupBox(tr("Source"), this);
  sourceBox->setGeometry(5, 4, 377, 148);
  sourceList_ = new QListWidget(sourceBox);
  sourceList_->setGeometry(8, 22, 260, 118);
  sourceList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  sourceList_->setAccessibleName(tr("Sources"));
  addFilesButton_ = MakeButton(tr("Add &Files..."), sourceBox, QRect(274, 22, 96, 28));
  addFolderButton_ = MakeButton(tr("Add F&older..."), sourceBox, QRect(274, 54, 96, 28));
  removeButton_ = MakeButton(tr("&Remove"), sourceBox, QRect(274, 86, 96, 28));

  auto* optionsBox = new QGroupBox(tr("Options"), this);
  optionsBox->setGeometry(5, 156, 180, 56);
  subFolders_ = new QCheckBox(tr("Include &subfolders"), optionsBox);
  subFolders_->setGeometry(10, 24, 165, 22);

  auto* passBox = new QGroupBox(tr("Password Protection"), this);
  passBox->setGeometry(192, 156, 190, 56);
  auto* passLabel = new QLabel(tr("&Password:"), passBox);
  // The field follows its label, however long a language makes the label.
  passLabel->setGeometry(6, 26, std::max(66, passLabel->sizeHint().width()), 18);
  const int fieldLeft = passLabel->geometry().right() + 3;
  passEdit_ = new QLineEdit(passBox);
  passEdit_->setGeometry(fieldLeft, 23, 182 - fieldLeft, 24);
  passLabel->setBuddy(passEdit_);
  SetStarEcho(passEdit_);
  // What a password does to new ZIP entries.
  encryptionChoice_ = new QComboBox(this);
  encryptionChoice_->setGeometry(5, 218, 377, 26);
  encryptionChoice_->setAccessibleName(tr("Encryption"));
  AddEncryptionChoices(encryptionChoice_);

  okButton_ = MakeButton(tr("OK"), this, QRect(226, 250, 75, 28));
  okButton_->setDefault(true);
  cancelButton_ = MakeButton(tr("Cancel"), this, QRect(307, 250, 75, 28));
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

  filesDialog_ = new QFileDialog(this, tr("Add Files"));
  filesDialog_->setFileMode(QFileDialog::ExistingFiles);
  filesDialog_->setAcceptMode(QFileDialog::AcceptOpen);
  filesDialog_->setNameFilters(QtNameFilters(tr("All files (*.*)|*.*")));
  folderDialog_ = new QFileDialog(this, tr("Add Folder"));
  folderDialog_->setFileMode(QFileDialog::Directory);
  folderDialog_->setOption(QFileDialog::ShowDirsOnly);
  connect(addFilesButton_, &QPushButton::clicked, this, [this] { Browse(filesDialog_); });
  connect(addFolderButton_, &QPushButton::clicked, this, [this] { Browse(folderDialog_); });
  connect(removeButton_, &QPushButton::clicked, this, &TAddForm::RemoveChosen);

  setTabOrder(sourceList_, addFilesButton_);
  setTabOrder(addFilesButton_, addFolderButton_);
  setTabOrder(addFolderButton_, removeButton_);
  setTabOrder(removeButton_, subFolders_);
  setTabOrder(subFolders_, passEdit_);
  setTabOrder(passEdit_, encryptionChoice_);
  setTabOrder(encryptionChoice_, okButton_);
  setTabOrder(okButton_, cancelButton_);

  FormCreate(settings);
}

void TAddForm::FormCreate(const WindowSettings& settings) {
  subFolders_->setChecked(!settings.SubfoldersOff());
  startFolder_ = settings.SourceFolder();
}

std::vector<std::string> TAddForm::Sources() const {
  std::vector<std::string> sources;
  for (int i = 0; i < sourceList_->count(); ++i) sources.push_back(ToUtf8(sourceList_->item(i)->text()));
  return sources;
}

bool TAddForm::IncludeSubfolders() const { return subFolders_->isChecked(); }
std::string TAddForm::Password() const { return ToUtf8(passEdit_->text()); }
bool TAddForm::UseAes() const { return encryptionChoice_->currentIndex() == 1; }
void TAddForm::SetUseAes(bool aes) { encryptionChoice_->setCurrentIndex(aes ? 1 : 0); }
void TAddForm::SetPassword(const std::string& password) { passEdit_->setText(FromUtf8(password)); }

void TAddForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TAddForm::FormShow() {
  CentreOnScreen(this);
  addFilesButton_->setFocus();
}

void TAddForm::keyPressEvent(QKeyEvent* event) {
  if (!HandleDialogKey(this, okButton_, event)) QDialog::keyPressEvent(event);
}

void TAddForm::Browse(QFileDialog* dialog) {
  if (!startFolder_.empty()) dialog->setDirectory(FromUtf8(startFolder_));
  if (dialog->exec() != QDialog::Accepted) return;
  TakeChosenPaths(dialog->selectedFiles());
}

void TAddForm::TakeChosenPaths(const QStringList& paths) {
  for (const QString& path : paths) {
    const std::string chosen = SetTrailingSeparator(ToUtf8(path), false, false);
    if (chosen.empty()) continue;
    startFolder_ = FolderPart(chosen);
    if (sourceList_->findItems(FromUtf8(chosen), Qt::MatchExactly).isEmpty()) sourceList_->addItem(FromUtf8(chosen));
  }
}

void TAddForm::RemoveChosen() { qDeleteAll(sourceList_->selectedItems()); }

}  // namespace ovk
