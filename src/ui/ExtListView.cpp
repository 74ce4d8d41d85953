#include "ui/ExtListView.h"

#include <QDrag>
#include <QHeaderView>
#include <QMimeData>
#include <algorithm>
#include <QMouseEvent>
#include <QStringList>

namespace ovk {

namespace {

const int kColumnWidths[kColumnCount] = {260, 240, 100, 100, 100};

}  // namespace

TExtListViewManagement::TExtListViewManagement(QWidget* parent)
    : QTreeView(parent), model_(new EntryModel(this)) {
  setModel(model_);
  for (int i = 0; i < kColumnCount; ++i) setColumnWidth(i, kColumnWidths[i]);
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
  comparer_ = CellComparer(QLocale());
  model_->Sort(sortColumn_, ascending_, comparer_);
  header()->setSortIndicator(sortColumn_, ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
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
