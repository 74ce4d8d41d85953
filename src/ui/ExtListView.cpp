#include "ui/ExtListView.h"

#include <QDrag>
#include <QHeaderView>
#include <QLocale>
#include <QMimeData>
#include <algorithm>
#include <QMouseEvent>
#include <QStringList>
#include <QStyle>

namespace ovk {

namespace {

const int kColumnWidths[kColumnCount] = {260, 240, 100, 100, 100};

// Wide enough for a time cell and the header's own text.
int TimeColumnWidth(const QTreeView& view) {
  const QFontMetrics metrics = view.fontMetrics();
  const int text = metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00")) +
                   4 * view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 8;
  return std::max(text, view.header()->sectionSizeHint(kTimeColumn));
}

}  // namespace

TExtListViewManagement::TExtListViewManagement(EntryModel* model, QWidget* parent)
    : QTreeView(parent), model_(model), filter_(new FolderFilter(model, this)) {
  setModel(filter_);
  for (int i = 0; i < kColumnCount; ++i) setColumnWidth(i, kColumnWidths[i]);
  setColumnWidth(kTimeColumn, std::max(kColumnWidths[kTimeColumn], TimeColumnWidth(*this)));
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragDropMode(QAbstractItemView::DragOnly);
  setAllColumnsShowFocus(true);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  header()->setSectionsClickable(true);
  header()->setSortIndicatorShown(true);
  connect(header(), &QHeaderView::sectionClicked, this, &TExtListViewManagement::HeaderClicked);
  LoadSettings();
}

TExtListViewManagement::~TExtListViewManagement() { StoreSettings(); }

void TExtListViewManagement::SetSort(int column, bool ascending) {
  sortColumn_ = std::clamp(column, 0, kColumnCount - 1);
  ascending_ = ascending;
  SortNow();
}

void TExtListViewManagement::SortNow() {
  model_->SetOrder(sortColumn_, ascending_, CellComparer(QLocale()));
  filter_->SortShown();
  header()->setSortIndicator(sortColumn_, ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
}

std::vector<int> TExtListViewManagement::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(RowOf(index));
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TExtListViewManagement::mousePressEvent(QMouseEvent* event) {
  QTreeView::mousePressEvent(event);
  if (event->button() == Qt::RightButton) emit RightButtonPressed(event->globalPosition().toPoint());
}

void TExtListViewManagement::startDrag(Qt::DropActions) {
  std::unique_ptr<QMimeData> data = DragData ? DragData() : nullptr;
  if (!data) return;
  // The toolkit deletes the drag when it has ended.
  auto* drag = new QDrag(this);
  drag->setMimeData(data.release());
  drag->exec(Qt::CopyAction);
}

void TExtListViewManagement::HeaderClicked(int section) {
  SetSort(section, section == sortColumn_ ? !ascending_ : true);
}

void TExtListViewManagement::LoadSettings() {
  std::string text;
  if (registry_.ReadString("Columns", "Sizes", text)) {
    QStringList sizes = QString::fromStdString(text).split(QLatin1Char(','));
    for (int i = 0; i < sizes.size() && i < kColumnCount; ++i) {
      bool ok = false;
      int width = sizes[i].trimmed().toInt(&ok);
      if (ok && width > 0) setColumnWidth(i, width);
    }
    // A width kept from a narrower font would cut the times off.
    setColumnWidth(kTimeColumn, std::max(columnWidth(kTimeColumn), TimeColumnWidth(*this)));
  }
  bool ascending = !registry_.ReadString("Sort", "Ascending", text) || text != "0";
  int column = kNameColumn;
  if (registry_.ReadString("Sort", "SortCol", text)) {
    bool ok = false;
    long long value = QString::fromStdString(text).trimmed().toLongLong(&ok);
    if (ok) column = static_cast<int>(std::clamp<long long>(value, 0, kColumnCount - 1));
  }
  SetSort(column, ascending);
}

void TExtListViewManagement::StoreSettings() {
  QStringList sizes;
  for (int i = 0; i < kColumnCount; ++i) sizes << QString::number(columnWidth(i));
  registry_.WriteString("Columns", "Sizes", sizes.join(QLatin1Char(',')).toStdString());
  registry_.WriteString("Sort", "Ascending", ascending_ ? "1" : "0");
  registry_.WriteString("Sort", "SortCol", std::to_string(sortColumn_));
  registry_.WriteString("ViewStyle", "ViewStyle", std::to_string(kReportStyle));
}

}  // namespace ovk
