// The entry list's rows: one record per entry of the engine's listing and
// one per folder the names imply, shown through a table model, so that
// nothing is parsed back from display text. Every row knows the
// folder holding it by number, so the folder index is built once per
// listing and a folder's rows are found without comparing names.
#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/ListArchive.h"
#include "ui/CellComparer.h"
#include "ui/ShellIcons.h"

namespace ovk {

enum ListColumn { kNameColumn = 0, kPathColumn, kOriginalColumn, kPackedColumn, kTimeColumn,
                  kColumnCount };

// The top folder's number.
constexpr int kTopFolder = 0;

// What the list shows of one entry, or of a folder: the entry's stored
// name and the fields of its cells, so that a long list costs little.
struct ListRow {
  std::string name;             // the stored name; an implied folder's path
  // A file's sizes, or a folder's content: the sums of every file below it.
  std::uint64_t originalSize = 0;
  std::uint64_t packedSize = 0;
  std::int64_t modified = -1;   // seconds since 1970, -1: none
  int parent = kTopFolder;      // the folder holding it
  int folder = -1;              // the folder it opens; -1: not a folder
  int icon = 0;                 // a file's, into the model's images
  bool packedKnown = true;
  bool encrypted = false;
  bool implied = false;         // a folder no entry of the archive stands for

  bool IsFolder() const { return folder >= 0; }
};

// The last part of the row's path, without marks.
QString RowName(const ListRow& row);

// A cell's text: the name with "*" before an enciphered one, the folder,
// grouped sizes (a folder's content), "yyyy-MM-dd hh:mm" times.
QString RowCellText(const ListRow& row, int column);

// The local time of seconds since 1970 as "yyyy-MM-dd hh:mm" with the
// locale's time separator; empty for no time (negative) and for one outside
// the years 1980 to 2107.
QString FormatEntryTime(std::int64_t modified);

// A folder's path as the model keys it: "/" between folders, none at
// either end; "" is the top.
std::string FolderKey(const std::string& path);

class EntryModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;

  // Adds rows after the last one, as a listing hands them out: the entries'
  // implied folders first, an entry of a folder already shown taking that
  // row; each file type's icon is looked up once per listing.
  void AppendEntries(std::vector<Entry> entries);
  void Clear();
  // Room for the rows of this many entries and the folders their names
  // usually imply, so that a growing list is not copied while it fills.
  void Reserve(std::size_t entries) { rows_.reserve(entries + entries / 8); }
  const ListRow& At(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  // How many of the entries taken are files.
  std::size_t FileCount() const { return fileCount_; }
  std::uint64_t FilesOriginal() const { return filesOriginal_; }
  // The order the rows are to take, folders first. No row moves until its
  // folder is sorted, so that a long list sorts only what is shown.
  void SetOrder(int column, bool ascending, const CellComparer& comparer);
  // Puts the folder's rows (SortAll: every row) into that order, among the
  // places they hold; selections and other kept indexes follow their rows.
  // Nothing moves when they are in it already.
  void SortFolder(int folder);
  void SortAll();

  // The folder's number, or -1 when the archive has none of that path.
  int FolderNumber(const std::string& key) const;
  const std::string& FolderPath(int folder) const { return folderPaths_[static_cast<std::size_t>(folder)]; }
  int ParentFolder(int folder) const { return folderParents_[static_cast<std::size_t>(folder)]; }
  // The rows and every row below the folders among them, each once, in
  // row order.
  std::vector<int> Covered(const std::vector<int>& rows) const;
  // The stored names the rows stand for, a folder for every entry below
  // it, each once, in row order.
  std::vector<std::string> StoredNames(const std::vector<int>& rows) const;

  const ImageList& Images() const { return images_; }
  const IconCache* Icons() const { return iconCache_.get(); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // Rows can be dragged out of the window.
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  void Reset();
  // The folder's number, its row and those of the folders above it made
  // when missing.
  int FolderOf(const std::string& key);
  void Take(Entry&& entry);
  void AddToFolders(int folder, const Entry& file);
  // Adds the row last; its folder is no longer in the order.
  void Push(ListRow&& row);
  // Moves the chosen rows, given in row order, into the order.
  void SortRows(std::vector<int> chosen);

  std::vector<ListRow> rows_;
  std::vector<std::string> folderPaths_;
  std::vector<int> folderParents_;
  std::vector<int> folderRows_;  // per folder its row; -1 for the top
  std::unordered_map<std::string, int> folderNumbers_;
  int sortColumn_ = kNameColumn;
  bool ascending_ = true;
  CellComparer comparer_{QLocale()};
  // Per folder whether its rows are in the order; allSorted_: every row is.
  std::vector<char> folderSorted_;
  bool allSorted_ = true;
  std::size_t fileCount_ = 0;
  std::uint64_t filesOriginal_ = 0;
  // The last file's folder part and extension, and what they gave; -1:
  // none yet.
  std::string lastFolderPart_, lastExtension_;
  int lastParent_ = -1;
  int lastIcon_ = -1;
  ImageList images_;
  std::unique_ptr<IconCache> iconCache_;
  mutable QIcon folderIcon_;  // the style's, taken when first shown
};

}  // namespace ovk
