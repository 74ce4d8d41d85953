#include "ui/AboutDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "engine/LibraryVersions.h"
#include "ui/UiHelpers.h"

namespace ovk {

namespace {

QTableWidget* LibraryTable() {
  std::vector<std::pair<std::string, std::string>> libraries = LibraryVersions();
  // The toolkit is the window's own; the engine knows nothing of it.
  libraries.insert(libraries.begin(), {"Qt", qVersion()});
  auto* table = Named(new QTableWidget(static_cast<int>(libraries.size()), 2), AboutDialog::tr("Libraries"));
  table->setHorizontalHeaderLabels({AboutDialog::tr("Library"), AboutDialog::tr("Version")});
  table->verticalHeader()->hide();
  table->horizontalHeader()->setStretchLastSection(true);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  for (int row = 0; row < table->rowCount(); ++row) {
    const auto& [library, version] = libraries[static_cast<std::size_t>(row)];
    table->setItem(row, 0, new QTableWidgetItem(FromUtf8(library)));
    table->setItem(row, 1, new QTableWidgetItem(FromUtf8(version)));
  }
  table->resizeColumnToContents(0);
  return table;
}

// A label's text is what a screen reader announces of it.
QLabel* SelectableLabel(const QString& text) {
  auto* label = new QLabel(text);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  return label;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("About OVK Viewer"));
  auto* layout = new QVBoxLayout(this);
  QLabel* title = SelectableLabel(tr("OVK Viewer"));
  QFont bigger = title->font();
  bigger.setPointSizeF(bigger.pointSizeF() * 1.5);
  bigger.setBold(true);
  title->setFont(bigger);
  layout->addWidget(title);
  layout->addWidget(SelectableLabel(tr("Version %1").arg(QStringLiteral(OVK_VERSION))));
  QLabel* what = SelectableLabel(tr("Opens, creates, tests and extracts archives: ZIP and KWTZ, and through "
                                    "libarchive tar, 7z, ISO 9660, cpio and more."));
  what->setWordWrap(true);
  layout->addWidget(what);
  QTableWidget* libraries = LibraryTable();
  layout->addWidget(LabelFor(tr("&Libraries in use:"), libraries));
  layout->addWidget(libraries);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  Named(buttons->button(QDialogButtonBox::Close), tr("Close"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(440, 420);
}

}  // namespace ovk
