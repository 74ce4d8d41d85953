#include "ui/ExtractFormUnit.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/AddFormUnit.h"
#include "ui/UiHelpers.h"
#include "ui/WindowSettings.h"

namespace ovk {

TExtractForm::TExtractForm(const WindowSettings& settings, std::function<bool()> hasSelection,
                           QWidget* parent)
    : QDialog(parent), hasSelection_(std::move(hasSelection)) {
  SetUpDialogFrame(this, QStringLiteral("Extract Files"), 390, 183);

  ExtractBox = new QGroupBox(QStringLiteral("Extract Files"), this);
  ExtractBox->setGeometry(4, 4, 382, 54);
  ExtractLabel = new QLabel(QStringLiteral("Extract to:"), ExtractBox);
  ExtractLabel->setGeometry(4, 24, 58, 18);
  ExtractEdit = new QLineEdit(ExtractBox);
  ExtractEdit->setGeometry(62, 21, 297, 24);
  BrowseButton = new QPushButton(QStringLiteral("..."), ExtractBox);
  BrowseButton->setAutoDefault(false);
  BrowseButton->setGeometry(360, 23, 20, 20);

  FilesBox = new QGroupBox(QStringLiteral("Files"), this);
  FilesBox->setGeometry(5, 62, 180, 74);
  AllFiles = new QRadioButton(QStringLiteral("All files"), FilesBox);
  AllFiles->setGeometry(10, 22, 165, 22);
  AllFiles->setChecked(true);
  SelectedFiles = new QRadioButton(QStringLiteral("Selected files"), FilesBox);
  SelectedFiles->setGeometry(10, 46, 165, 22);

  PassBox = new QGroupBox(QStringLiteral("Password Protection"), this);
  PassBox->setGeometry(192, 62, 193, 74);
  PassL = new QLabel(QStringLiteral("Password:"), PassBox);
  PassL->setGeometry(6, 36, 66, 18);
  PassEdit = new QLineEdit(PassBox);
  PassEdit->setGeometry(74, 33, 111, 24);
  SetStarEcho(PassEdit);

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setGeometry(229, 147, 75, 28);
  OKButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setAutoDefault(false);
  CancelButton->setGeometry(310, 147, 75, 28);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(BrowseButton, &QPushButton::clicked, this, &TExtractForm::BrowseButtonClick);

  setTabOrder(ExtractEdit, BrowseButton);
  setTabOrder(BrowseButton, AllFiles);
  setTabOrder(AllFiles, SelectedFiles);
  setTabOrder(SelectedFiles, PassEdit);
  setTabOrder(PassEdit, OKButton);
  setTabOrder(OKButton, CancelButton);

  FolderDialog = new QFileDialog(this, QStringLiteral("Extract folder to"));
  FolderDialog->setFileMode(QFileDialog::Directory);
  FolderDialog->setOption(QFileDialog::ShowDirsOnly, true);
  FolderDialog->setOption(QFileDialog::DontUseNativeDialog, true);
  FolderDialog->setLabelText(QFileDialog::LookIn, QStringLiteral("Select destination directory"));

  FormCreate(settings);
}

void TExtractForm::FormCreate(const WindowSettings& settings) {
  ExtractEdit->setText(FromUtf8(settings.ExtractFolder()));
}

std::string TExtractForm::FolderText() const { return ToUtf8(ExtractEdit->text()); }
bool TExtractForm::SelectedOnly() const { return SelectedFiles->isChecked(); }
std::string TExtractForm::Password() const { return ToUtf8(PassEdit->text()); }
void TExtractForm::SetPassword(const std::string& password) {
  PassEdit->setText(FromUtf8(password));
}

void TExtractForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TExtractForm::FormShow() {
  CentreOnScreen(this);
  ExtractEdit->setFocus();
  ExtractEdit->selectAll();
  // Radio buttons of one group: turning one on turns the other off.
  if (hasSelection_ && hasSelection_())
    SelectedFiles->setChecked(true);
  else
    AllFiles->setChecked(true);
}

void TExtractForm::keyPressEvent(QKeyEvent* event) {
  if (!HandleDialogKey(this, OKButton, event)) QDialog::keyPressEvent(event);
}

void TExtractForm::BrowseButtonClick() {
  FolderDialog->setDirectory(ExtractEdit->text());
  if (FolderDialog->exec() != QDialog::Accepted || FolderDialog->selectedFiles().isEmpty()) return;
  ExtractEdit->setText(FolderDialog->selectedFiles().first());
}

}  // namespace ovk
