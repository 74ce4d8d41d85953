#include "ui/AddFormUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

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
  box->addItem(QStringLiteral("Traditional encryption: compatible with every tool"));
  box->addItem(QStringLiteral("AES-256: strong; needs 7-Zip, WinZip, Ark or libarchive to open"));
}

TAddForm::TAddForm(const WindowSettings& settings, QWidget* parent) : QDialog(parent) {
  SetUpDialogFrame(this, QStringLiteral("Add"), 387, 194);

  SourceBox = new QGroupBox(QStringLiteral("Source"), this);
  SourceBox->setGeometry(5, 4, 377, 54);
  SourceLabel = new QLabel(QStringLiteral("Source:"), SourceBox);
  SourceLabel->setGeometry(6, 24, 48, 18);
  SourceEdit = new QLineEdit(SourceBox);
  SourceEdit->setGeometry(55, 21, 289, 24);
  BrowseButton = MakeButton(QStringLiteral("..."), SourceBox, QRect(348, 23, 20, 20));

  OptionsBox = new QGroupBox(QStringLiteral("Options"), this);
  OptionsBox->setGeometry(5, 62, 180, 56);
  SubFolders = new QCheckBox(QStringLiteral("Include subfolders"), OptionsBox);
  SubFolders->setGeometry(10, 24, 165, 22);

  PassBox = new QGroupBox(QStringLiteral("Password Protection"), this);
  PassBox->setGeometry(192, 62, 190, 56);
  PassL = new QLabel(QStringLiteral("Password:"), PassBox);
  PassL->setGeometry(6, 26, 66, 18);
  PassEdit = new QLineEdit(PassBox);
  PassEdit->setGeometry(74, 23, 108, 24);
  SetStarEcho(PassEdit);
  // What a password does to new ZIP entries.
  EncryptionChoice = new QComboBox(this);
  EncryptionChoice->setGeometry(5, 124, 377, 26);
  AddEncryptionChoices(EncryptionChoice);

  OKButton = MakeButton(QStringLiteral("OK"), this, QRect(226, 158, 75, 28));
  OKButton->setDefault(true);
  CancelButton = MakeButton(QStringLiteral("Cancel"), this, QRect(307, 158, 75, 28));
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(BrowseButton, &QPushButton::clicked, this, &TAddForm::BrowseButtonClick);

  setTabOrder(SourceEdit, BrowseButton);
  setTabOrder(BrowseButton, SubFolders);
  setTabOrder(SubFolders, PassEdit);
  setTabOrder(PassEdit, EncryptionChoice);
  setTabOrder(EncryptionChoice, OKButton);
  setTabOrder(OKButton, CancelButton);

  OpenDialog = new QFileDialog(this);
  OpenDialog->setFileMode(QFileDialog::ExistingFile);
  OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
  OpenDialog->setNameFilters(QtNameFilters(QStringLiteral("All files (*.*)|*.*")));

  FormCreate(settings);
}

void TAddForm::FormCreate(const WindowSettings& settings) {
  SubFolders->setChecked(!settings.SubfoldersOff());
  SourceEdit->setText(FromUtf8(WithTrailingSlash(settings.SourceFolder())));
}

std::string TAddForm::SourceText() const { return ToUtf8(SourceEdit->text()); }
bool TAddForm::IncludeSubfolders() const { return SubFolders->isChecked(); }
std::string TAddForm::Password() const { return ToUtf8(PassEdit->text()); }
bool TAddForm::UseAes() const { return EncryptionChoice->currentIndex() == 1; }
void TAddForm::SetUseAes(bool aes) { EncryptionChoice->setCurrentIndex(aes ? 1 : 0); }
void TAddForm::SetPassword(const std::string& password) { PassEdit->setText(FromUtf8(password)); }

void TAddForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TAddForm::FormShow() {
  CentreOnScreen(this);
  SourceEdit->setFocus();
  SourceEdit->selectAll();
}

void TAddForm::keyPressEvent(QKeyEvent* event) {
  if (!HandleDialogKey(this, OKButton, event)) QDialog::keyPressEvent(event);
}

void TAddForm::BrowseButtonClick() {
  if (OpenDialog->exec() != QDialog::Accepted || OpenDialog->selectedFiles().isEmpty()) return;
  TakeChosenPath(OpenDialog->selectedFiles().first());
}

void TAddForm::TakeChosenPath(const QString& path) {
  std::string chosen = ToUtf8(path);
  if (FolderExists(chosen)) chosen = WithTrailingSlash(chosen);
  SourceEdit->setText(FromUtf8(chosen));
}

}  // namespace ovk
