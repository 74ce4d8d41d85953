#include "ui/PropertiesDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "engine/ArchiveSummary.h"
#include "ui/EntryModel.h"
#include "ui/UiHelpers.h"

namespace ovk {

namespace {

QString Joined(const std::vector<std::string>& items) {
  QStringList texts;
  for (const std::string& item : items) texts << FromUtf8(item);
  return texts.join(QStringLiteral(", "));
}

QString CountText(std::uint64_t count) { return QLocale().toString(static_cast<qulonglong>(count)); }

// Exact bytes, and the rounded size a reader takes in at a glance.
QString SizeText(std::uint64_t bytes) {
  QString exact = PropertiesDialog::tr("%1 bytes").arg(CountText(bytes));
  if (bytes < 1024) return exact;
  return PropertiesDialog::tr("%1 (%2)").arg(QLocale().formattedDataSize(static_cast<qint64>(bytes)), exact);
}

QString RatioText(const ArchiveSummary& summary) {
  if (!summary.packedKnown || summary.originalBytes == 0) return QStringLiteral("-");
  double percent = 100.0 * static_cast<double>(summary.packedBytes) / static_cast<double>(summary.originalBytes);
  return PropertiesDialog::tr("%1%").arg(QLocale().toString(percent, 'f', 1));
}

// A read-only field: the text can be selected and copied, and a screen
// reader announces it under its name.
QLineEdit* ShownText(const QString& text, const QString& name) {
  auto* field = Named(new QLineEdit(text), name);
  field->setReadOnly(true);
  field->setFrame(false);
  field->setCursorPosition(0);
  return field;
}

}  // namespace

PropertiesDialog::PropertiesDialog(const QString& archiveName, const ArchiveSummary& summary, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tr("Properties of %1").arg(archiveName));
  auto* form = new QFormLayout;
  auto addRow = [&](const QString& label, const QString& name, const QString& text) {
    QLineEdit* field = ShownText(text, name);
    form->addRow(LabelFor(label, field), field);
  };
  addRow(tr("&Format:"), tr("Format"), FromUtf8(summary.format));
  addRow(tr("&Methods:"), tr("Methods"), Joined(summary.methods));
  addRow(tr("&Encryption:"), tr("Encryption"), summary.ciphers.empty() ? tr("None") : Joined(summary.ciphers));
  addRow(tr("F&iles:"), tr("Files"), CountText(summary.files));
  addRow(tr("Fol&ders:"), tr("Folders"), CountText(summary.folders));
  addRow(tr("&Original size:"), tr("Original size"), SizeText(summary.originalBytes));
  addRow(tr("&Packed size:"), tr("Packed size"), summary.packedKnown ? SizeText(summary.packedBytes) : tr("unknown"));
  addRow(tr("&Ratio:"), tr("Ratio"), RatioText(summary));
  addRow(tr("&Archive size:"), tr("Archive size"), SizeText(summary.archiveBytes));
  QString modified = FormatEntryTime(summary.archiveModified);
  addRow(tr("Modified:"), tr("Modified"), modified.isEmpty() ? tr("unknown") : modified);

  comment_ = Named(new QPlainTextEdit(FromUtf8(summary.comment)), tr("Comment"));
  comment_->setReadOnly(!summary.commentEditable);
  shownComment_ = comment_->toPlainText();
  form->addRow(LabelFor(tr("&Comment:"), comment_), comment_);

  // Only an editable comment has anything to confirm.
  auto* buttons = new QDialogButtonBox(summary.commentEditable ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                                                               : QDialogButtonBox::Close);
  for (QAbstractButton* button : buttons->buttons()) Named(button, button->text().remove(QLatin1Char('&')));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  setMinimumWidth(460);
}

bool PropertiesDialog::CommentChanged() const { return comment_->toPlainText() != shownComment_; }

std::string PropertiesDialog::Comment() const { return ToUtf8(comment_->toPlainText()); }

}  // namespace ovk
