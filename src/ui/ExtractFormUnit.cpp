#include "ui/ExtractFormUnit.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/UiHelpers.h"
#include "ui/WindowSettings.h"

namespace ovk {

namespace {

// The settings record has no byte to spare, so the choice lives in the
// settings file beside it.
constexpr const char* kExtractKey = "Extract";
constexpr const char* kOpenAfterwardsValue = "OpenAfterwards";

bool StoredOpenAfterwards(TAdvancedRegistry& registry) {
  std::string text;
  return registry.ReadString(kExtractKey, kOpenAfterwardsValue, text) && text == "1";
}

}  // namespace

TExtractForm::TExtractForm(const WindowSettings& settings, std::function<bool()> hasSelection,
                           QWidget* parent)
    : QDialog(parent), hasSelection_(std::move(hasSelection)) {
  setWindowTitle(tr("Extract Files"));
  setModal(true);
  BuildControls();
  destination_->setText(FromUtf8(settings.ExtractFolder()));
  openAfterwards_->setChecked(StoredOpenAfterwards(registry_));
  AllowOkWithDestination();
}

void TExtractForm::BuildControls() {
  destination_ = Named(new QLineEdit, tr("Destination"));
  auto* browse = Named(new QPushButton(tr("&Browse...")), tr("Browse for the destination"));
  browse->setAutoDefault(false);
  connect(browse, &QPushButton::clicked, this, &TExtractForm::BrowseForFolder);
  connect(destination_, &QLineEdit::textChanged, this, &TExtractForm::AllowOkWithDestination);
  auto* destinationRow = new QHBoxLayout;
  destinationRow->addWidget(destination_, 1);
  destinationRow->addWidget(browse);

  auto* files = Named(new QGroupBox(tr("Files")), tr("Files"));
  allFiles_ = Named(new QRadioButton(tr("&All files")), tr("All files"));
  selectedFiles_ = Named(new QRadioButton(tr("&Selected files")), tr("Selected files"));
  allFiles_->setChecked(true);
  auto* filesLayout = new QVBoxLayout(files);
  filesLayout->addWidget(allFiles_);
  filesLayout->addWidget(selectedFiles_);

  keepFolders_ = Named(new QCheckBox(tr("&Keep folder structure")), tr("Keep folder structure"));
  keepFolders_->setChecked(true);
  openAfterwards_ =
      Named(new QCheckBox(tr("Op&en the destination afterwards")), tr("Open the destination afterwards"));

  password_ = Named(new QLineEdit, tr("Password"));
  SetStarEcho(password_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  okButton_ = Named(buttons->button(QDialogButtonBox::Ok), tr("OK"));
  Named(buttons->button(QDialogButtonBox::Cancel), tr("Cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* form = new QFormLayout;
  form->addRow(LabelFor(tr("&Destination:"), destination_), destinationRow);
  form->addRow(files);
  form->addRow(keepFolders_);
  form->addRow(openAfterwards_);
  form->addRow(LabelFor(tr("&Password:"), password_), password_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  setMinimumWidth(420);

  folderDialog_ = new QFileDialog(this, tr("Extract folder to"));
  folderDialog_->setFileMode(QFileDialog::Directory);
  folderDialog_->setOption(QFileDialog::ShowDirsOnly, true);
  folderDialog_->setOption(QFileDialog::DontUseNativeDialog, true);
  folderDialog_->setLabelText(QFileDialog::LookIn, tr("Select destination directory"));
}

std::string TExtractForm::FolderText() const { return ToUtf8(destination_->text()); }
std::string TExtractForm::Password() const { return ToUtf8(password_->text()); }
void TExtractForm::SetPassword(const std::string& password) { password_->setText(FromUtf8(password)); }
bool TExtractForm::SelectedOnly() const { return selectedFiles_->isChecked(); }
bool TExtractForm::KeepFolders() const { return keepFolders_->isChecked(); }
bool TExtractForm::OpenAfterwards() const { return openAfterwards_->isChecked(); }
void TExtractForm::SetSuggestion(const QString& folder) { destination_->setText(folder); }

void TExtractForm::accept() {
  // An empty destination is never confirmed, by whichever way accept comes.
  if (!okButton_->isEnabled()) return;
  if (OpenAfterwards() != StoredOpenAfterwards(registry_))
    registry_.WriteString(kExtractKey, kOpenAfterwardsValue, OpenAfterwards() ? "1" : "0");
  QDialog::accept();
}

void TExtractForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  destination_->setFocus();
  destination_->selectAll();
  // Radio buttons of one group: turning one on turns the other off.
  if (hasSelection_ && hasSelection_())
    selectedFiles_->setChecked(true);
  else
    allFiles_->setChecked(true);
}

void TExtractForm::AllowOkWithDestination() {
  okButton_->setEnabled(!destination_->text().trimmed().isEmpty());
}

void TExtractForm::BrowseForFolder() {
  folderDialog_->setDirectory(destination_->text());
  if (folderDialog_->exec() != QDialog::Accepted || folderDialog_->selectedFiles().isEmpty()) return;
  destination_->setText(folderDialog_->selectedFiles().first());
}

}  // namespace ovk
