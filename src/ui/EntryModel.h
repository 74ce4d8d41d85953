// The entry list's rows: the engine's records as they are, shown through a
// table model, so that nothing is parsed back from display text and a list
// of any length costs one record and one icon index per entry.
#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <vector>

#include "engine/ListArchive.h"
#include "ui/ShellIcons.h"

namespace ovk {

class CellComparer;

enum ListColumn { kNameColumn = 0, kPathColumn, kOriginalColumn, kPackedColumn, kTimeColumn,
                  kColumnCount };

// A cell's text: the name with "*" before an enciphered one, the folder,
// grouped sizes, "yyyy-MM-dd hh:mm" times.
QString EntryCellText(const Entry& entry, int column);

// The local time of seconds since 1970 as "yyyy-MM-dd hh:mm" with the
// locale's time separator; empty for no time (negative) and for one outside
// the years 1980 to 2107.
QString FormatEntryTime(std::int64_t modified);

class EntryModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;

  // Replaces every row, in archive order; each file type's icon is looked
  // up once per listing.
  void SetEntries(std::vector<Entry> entries);
  // Adds rows after the last one, as a listing hands them out.
  void AppendEntries(const Entry* first, std::size_t count);
  void Clear() { SetEntries({}); }
  const Entry& At(int row) const { return entries_[static_cast<std::size_t>(row)]; }
  // Reorders the rows; selections and other kept indexes follow their rows.
  void Sort(int column, bool ascending, const CellComparer& comparer);

  const ImageList& Images() const { return images_; }
  const IconCache* Icons() const { return iconCache_.get(); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // Rows can be dragged out of the window.
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  // Looks up the icons of the rows from the given one on.
  void AddIcons(std::size_t from);

  std::vector<Entry> entries_;
  std::vector<int> icons_;  // per entry, into images_
  ImageList images_;
  std::unique_ptr<IconCache> iconCache_;
};

}  // namespace ovk
