// The entry list: a report view whose header clicks sort by the list's own
// cell comparison, and which keeps its column widths and sort state in the
// settings store (loaded when built, stored when destroyed).
#pragma once

#include <QCollator>
#include <QLocale>
#include <QTreeWidget>
#include <string>

#include "ui/AdvancedRegistry.h"

namespace ovk {

enum ListColumn { kNameColumn = 0, kPathColumn, kOriginalColumn, kPackedColumn, kTimeColumn,
                  kColumnCount };

// The locale's date and time separators as its short formats use them.
QChar DateSeparator(const QLocale& locale);
QChar TimeSeparator(const QLocale& locale);

// How two cells order: as points in time when both read as the locale's
// dates or times, else as numbers when both read as numbers (from the first
// blank on ignored, group separators ignored), else as locale text.
class CellComparer {
 public:
  explicit CellComparer(const QLocale& locale);
  int Compare(const QString& a, const QString& b) const;

 private:
  bool ReadTime(const QString& text, QDateTime& out) const;
  bool ReadNumber(const QString& text, double& out) const;
  QLocale locale_;
  QCollator collator_;
  QChar dateSeparator_, timeSeparator_;
};

// One entry row; it keeps the entry's stored name byte for byte, since the
// display text cannot always be turned back into it.
class TListRow : public QTreeWidgetItem {
 public:
  explicit TListRow(const std::string& storedName) : storedName_(storedName) {}
  const std::string& StoredName() const { return storedName_; }
  bool operator<(const QTreeWidgetItem& other) const override;

 private:
  std::string storedName_;
};

class TExtListViewManagement : public QTreeWidget {
  Q_OBJECT
 public:
  static constexpr int kReportStyle = 3;

  explicit TExtListViewManagement(QWidget* parent = nullptr);
  ~TExtListViewManagement() override;

  int SortColumn() const { return sortColumn_; }
  bool SortAscending() const { return ascending_; }
  void SetSort(int column, bool ascending);
  // Sorts the rows by the current column and direction.
  void SortNow();
  int Compare(const QString& a, const QString& b) const;

  void LoadSettings();
  void StoreSettings();

 signals:
  // After the press has been handled as a selection click.
  void RightButtonPressed(const QPoint& globalPos);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void HeaderClicked(int section);

  TAdvancedRegistry registry_;
  int sortColumn_ = kNameColumn;
  bool ascending_ = true;
  CellComparer comparer_{QLocale()};
};

}  // namespace ovk
