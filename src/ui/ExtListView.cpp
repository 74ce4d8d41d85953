#include "ui/ExtListView.h"

#include <QDateTime>
#include <algorithm>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStringList>

namespace ovk {

namespace {

const char* const kColumnTitles[kColumnCount] = {"Name", "Path", "Original", "Packed", "Time"};
const int kColumnWidths[kColumnCount] = {260, 240, 100, 100, 100};

// The first character of a format pattern that is neither a field letter nor
// a quote.
QChar FirstSeparator(const QString& format, QChar fallback) {
  for (QChar c : format)
    if (!c.isLetter() && c != QLatin1Char('\'') && c != QLatin1Char(' ')) return c;
  return fallback;
}

}  // namespace

QChar DateSeparator(const QLocale& locale) {
  return FirstSeparator(locale.dateFormat(QLocale::ShortFormat), QLatin1Char('/'));
}

QChar TimeSeparator(const QLocale& locale) {
  return FirstSeparator(locale.timeFormat(QLocale::ShortFormat), QLatin1Char(':'));
}

CellComparer::CellComparer(const QLocale& locale)
    : locale_(locale), collator_(locale), dateSeparator_(DateSeparator(locale)),
      timeSeparator_(TimeSeparator(locale)) {
  collator_.setCaseSensitivity(Qt::CaseSensitive);
}

bool CellComparer::ReadTime(const QString& text, QDateTime& out) const {
  bool isDate = text.count(dateSeparator_) >= 2;
  bool isTime = text.contains(timeSeparator_);
  if (isDate && isTime) {
    out = locale_.toDateTime(text, QLocale::ShortFormat);
    return out.isValid();
  }
  if (isDate) {
    QDate date = locale_.toDate(text, QLocale::ShortFormat);
    out = QDateTime(date, QTime(0, 0));
    return date.isValid();
  }
  if (isTime) {
    // A time alone counts from the zero day, before every full date.
    QTime time = locale_.toTime(text, QLocale::ShortFormat);
    out = QDateTime(QDate(1899, 12, 30), time);
    return time.isValid();
  }
  return false;
}

bool CellComparer::ReadNumber(const QString& text, double& out) const {
  QString number = text.section(QLatin1Char(' '), 0, 0);
  number.remove(locale_.groupSeparator());
  bool ok = false;
  out = locale_.toDouble(number, &ok);
  return ok;
}

int CellComparer::Compare(const QString& a, const QString& b) const {
  QDateTime ta, tb;
  if (ReadTime(a, ta) && ReadTime(b, tb)) return ta < tb ? -1 : tb < ta ? 1 : 0;
  double na = 0, nb = 0;
  if (ReadNumber(a, na) && ReadNumber(b, nb)) return na < nb ? -1 : nb < na ? 1 : 0;
  return collator_.compare(a, b);
}

bool TListRow::operator<(const QTreeWidgetItem& other) const {
  auto* list = qobject_cast<const TExtListViewManagement*>(treeWidget());
  int column = list ? list->SortColumn() : kNameColumn;
  if (!list) return text(column) < other.text(column);
  return list->Compare(text(column), other.text(column)) < 0;
}

TExtListViewManagement::TExtListViewManagement(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(kColumnCount);
  QStringList titles;
  for (const char* title : kColumnTitles) titles << QString::fromLatin1(title);
  setHeaderLabels(titles);
  for (int i = 0; i < kColumnCount; ++i) setColumnWidth(i, kColumnWidths[i]);
  headerItem()->setTextAlignment(kPackedColumn, Qt::AlignRight | Qt::AlignVCenter);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setAllColumnsShowFocus(true);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  header()->setSectionsClickable(true);
  header()->setSortIndicatorShown(true);
  connect(header(), &QHeaderView::sectionClicked, this, &TExtListViewManagement::HeaderClicked);
  LoadSettings();
}

TExtListViewManagement::~TExtListViewManagement() { StoreSettings(); }

int TExtListViewManagement::Compare(const QString& a, const QString& b) const {
  return comparer_.Compare(a, b);
}

void TExtListViewManagement::SetSort(int column, bool ascending) {
  sortColumn_ = std::clamp(column, 0, kColumnCount - 1);
  ascending_ = ascending;
  SortNow();
}

void TExtListViewManagement::SortNow() {
  comparer_ = CellComparer(QLocale());
  Qt::SortOrder order = ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder;
  sortItems(sortColumn_, order);
  header()->setSortIndicator(sortColumn_, order);
}

void TExtListViewManagement::mousePressEvent(QMouseEvent* event) {
  QTreeWidget::mousePressEvent(event);
  if (event->button() == Qt::RightButton) emit RightButtonPressed(event->globalPosition().toPoint());
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
