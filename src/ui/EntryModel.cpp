#include "ui/EntryModel.h"

#include <QApplication>
#include <QLocale>
#include <QStyle>
#include <algorithm>
#include <numeric>

#include "support/DosTime.h"
#include "support/StringUnit.h"
#include "ui/CellComparer.h"
#include "ui/EntrySort.h"
#include "ui/UiHelpers.h"

namespace ovk {

namespace {

const char* const kColumnTitles[kColumnCount] = {QT_TRANSLATE_NOOP("ovk::EntryModel", "Name"),
                                                 QT_TRANSLATE_NOOP("ovk::EntryModel", "Path"),
                                                 QT_TRANSLATE_NOOP("ovk::EntryModel", "Original"),
                                                 QT_TRANSLATE_NOOP("ovk::EntryModel", "Packed"),
                                                 QT_TRANSLATE_NOOP("ovk::EntryModel", "Time")};

QString GroupedNumber(std::uint64_t value) { return QLocale().toString(static_cast<qulonglong>(value)); }

bool RightAligned(int column) { return column == kOriginalColumn || column == kPackedColumn; }

}  // namespace

std::string FolderKey(const std::string& path) {
  std::string key = path;
  std::replace(key.begin(), key.end(), '\\', '/');
  const std::size_t first = key.find_first_not_of('/');
  if (first == std::string::npos) return {};
  const std::size_t last = key.find_last_not_of('/');
  return key.substr(first, last - first + 1);
}

QString FormatEntryTime(std::int64_t modified) {
  DosFields f{};
  if (modified < 0 || !DecodeDosTime(UnixToDosTime(static_cast<std::time_t>(modified)), f)) return QString();
  auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
  return QStringLiteral("%1-%2-%3 %4%5%6")
      .arg(f.year, 4, 10, QLatin1Char('0'))
      .arg(two(f.month), two(f.day), two(f.hour), QString(TimeSeparator(QLocale())), two(f.minute));
}

namespace {

// A folder's path is its key, whatever separator its entry ends in.
std::string RowPath(const ListRow& row) { return row.IsFolder() ? FolderKey(row.name) : row.name; }

}  // namespace

QString RowName(const ListRow& row) { return FromUtf8(NamePart(RowPath(row))); }

QString RowCellText(const ListRow& row, int column) {
  switch (column) {
    case kNameColumn:
      return row.encrypted ? QStringLiteral("*") + RowName(row) : RowName(row);
    case kPathColumn:
      return FromUtf8(FolderPart(RowPath(row)));
    case kOriginalColumn:
      return GroupedNumber(row.originalSize);
    case kPackedColumn:
      // Left empty where the format does not tell it, rather than 0.
      return row.packedKnown ? GroupedNumber(row.packedSize) : QString();
    case kTimeColumn:
      return FormatEntryTime(row.modified);
    default:
      return QString();
  }
}

void EntryModel::Reset() {
  rows_.clear();
  folderPaths_.assign(1, std::string());
  folderParents_.assign(1, kTopFolder);
  folderRows_.assign(1, -1);
  folderNumbers_.clear();
  folderSorted_.assign(1, 1);
  allSorted_ = true;
  fileCount_ = 0;
  filesOriginal_ = 0;
  images_.Clear();
  iconCache_.reset();
  lastParent_ = lastIcon_ = -1;
}

void EntryModel::Clear() {
  beginResetModel();
  Reset();
  endResetModel();
}

void EntryModel::AppendEntries(std::vector<Entry> entries) {
  if (folderPaths_.empty()) Reset();
  const std::size_t before = rows_.size();
  for (Entry& entry : entries) Take(std::move(entry));
  if (rows_.size() == before) return;
  // Taken aside and put back, so that the rows come in between the two
  // calls that announce them.
  std::vector<ListRow> added(std::make_move_iterator(rows_.begin() + static_cast<std::ptrdiff_t>(before)),
                             std::make_move_iterator(rows_.end()));
  rows_.resize(before);
  beginInsertRows(QModelIndex(), static_cast<int>(before), static_cast<int>(before + added.size()) - 1);
  rows_.insert(rows_.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
  // The folders shown before grew: their cells read the sums when painted,
  // and a listing ends with a sort, which shows every row anew.
  endInsertRows();
}

int EntryModel::FolderNumber(const std::string& key) const {
  if (key.empty()) return kTopFolder;
  const auto found = folderNumbers_.find(key);
  return found == folderNumbers_.end() ? -1 : found->second;
}

int EntryModel::FolderOf(const std::string& key) {
  const int known = FolderNumber(key);
  if (known >= 0) return known;
  const int parent = FolderOf(FolderKey(FolderPart(key)));
  const int folder = static_cast<int>(folderPaths_.size());
  folderPaths_.push_back(key);
  folderParents_.push_back(parent);
  folderRows_.push_back(static_cast<int>(rows_.size()));
  folderNumbers_.emplace(key, folder);
  folderSorted_.push_back(1);
  ListRow row;
  row.name = key;
  row.parent = parent;
  row.folder = folder;
  row.implied = true;
  Push(std::move(row));
  return folder;
}

void EntryModel::Take(Entry&& entry) {
  if (entry.type == EntryType::kFolder) {
    const std::string key = FolderKey(entry.name);
    // "/" or an empty name stands for the top, which has no row.
    if (key.empty()) return;
    ListRow& row = rows_[static_cast<std::size_t>(folderRows_[static_cast<std::size_t>(FolderOf(key))])];
    // The first entry of that folder takes its row; a second one of the
    // same name is selected with it by name.
    if (row.implied) {
      row.name = std::move(entry.name);
      row.modified = entry.modified;
      row.implied = false;
    }
    return;
  }
  ListRow row;
  // The files of one folder, and of one type, mostly come one after another.
  std::string folderPart = FolderPart(entry.name);
  if (lastParent_ < 0 || folderPart != lastFolderPart_) {
    lastParent_ = FolderOf(FolderKey(folderPart));
    lastFolderPart_ = std::move(folderPart);
  }
  row.parent = lastParent_;
  std::string extension = ExtensionPart(entry.name);
  if (lastIcon_ < 0 || extension != lastExtension_) {
    lastIcon_ = GetFileIcon(iconCache_, images_, FromUtf8(extension));
    lastExtension_ = std::move(extension);
  }
  row.icon = lastIcon_;
  ++fileCount_;
  filesOriginal_ += entry.originalSize;
  AddToFolders(row.parent, entry);
  row.originalSize = entry.originalSize;
  row.packedSize = entry.packedSize;
  row.packedKnown = entry.packedKnown;
  row.modified = entry.modified;
  row.encrypted = entry.encrypted;
  row.name = std::move(entry.name);
  Push(std::move(row));
}

void EntryModel::Push(ListRow&& row) {
  folderSorted_[static_cast<std::size_t>(row.parent)] = 0;
  allSorted_ = false;
  rows_.push_back(std::move(row));
}

void EntryModel::AddToFolders(int folder, const Entry& file) {
  for (; folder != kTopFolder; folder = folderParents_[static_cast<std::size_t>(folder)]) {
    ListRow& row = rows_[static_cast<std::size_t>(folderRows_[static_cast<std::size_t>(folder)])];
    row.originalSize += file.originalSize;
    row.packedSize += file.packedSize;
    row.packedKnown = row.packedKnown && file.packedKnown;
  }
}

std::vector<int> EntryModel::Covered(const std::vector<int>& rows) const {
  std::vector<char> chosenRow(rows_.size(), 0), chosenFolder(folderPaths_.size(), 0);
  for (int row : rows) {
    chosenRow[static_cast<std::size_t>(row)] = 1;
    if (At(row).IsFolder()) chosenFolder[static_cast<std::size_t>(At(row).folder)] = 1;
  }
  const auto inChosenFolder = [&](const ListRow& r) {
    for (int p = r.parent; p != kTopFolder; p = ParentFolder(p))
      if (chosenFolder[static_cast<std::size_t>(p)]) return true;
    return false;
  };
  std::vector<int> covered;
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (chosenRow[i] || inChosenFolder(rows_[i])) covered.push_back(static_cast<int>(i));
  return covered;
}

std::vector<std::string> EntryModel::StoredNames(const std::vector<int>& rows) const {
  std::vector<std::string> names;
  for (int row : Covered(rows))
    if (!At(row).implied) names.push_back(At(row).name);
  return names;
}

void EntryModel::SetOrder(int column, bool ascending, const CellComparer& comparer) {
  sortColumn_ = column;
  ascending_ = ascending;
  comparer_ = comparer;
  folderSorted_.assign(folderPaths_.size(), 0);
  allSorted_ = rows_.empty();
}

void EntryModel::SortFolder(int folder) {
  if (allSorted_ || folderSorted_[static_cast<std::size_t>(folder)]) return;
  std::vector<int> chosen;
  for (std::size_t row = 0; row < rows_.size(); ++row)
    if (rows_[row].parent == folder) chosen.push_back(static_cast<int>(row));
  SortRows(std::move(chosen));
  folderSorted_[static_cast<std::size_t>(folder)] = 1;
}

void EntryModel::SortAll() {
  if (allSorted_) return;
  std::vector<int> chosen(rows_.size());
  std::iota(chosen.begin(), chosen.end(), 0);
  SortRows(std::move(chosen));
  allSorted_ = true;
}

void EntryModel::SortRows(std::vector<int> chosen) {
  // order[place]: the row that goes there; rows not chosen stay.
  std::vector<int> order(rows_.size());
  std::iota(order.begin(), order.end(), 0);
  const std::vector<int> sorted = SortedOrder(rows_, chosen, sortColumn_, ascending_, comparer_);
  for (std::size_t i = 0; i < chosen.size(); ++i) order[static_cast<std::size_t>(chosen[i])] = sorted[i];
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> newRow(order.size());
  for (std::size_t row = 0; row < order.size(); ++row) newRow[static_cast<std::size_t>(order[row])] = static_cast<int>(row);
  // Each row moved along its cycle of the order, so that no second copy of
  // the rows is held.
  std::vector<char> placed(order.size(), 0);
  for (std::size_t start = 0; start < order.size(); ++start) {
    if (placed[start]) continue;
    ListRow held = std::move(rows_[start]);
    std::size_t at = start;
    for (auto from = static_cast<std::size_t>(order[at]); from != start; from = static_cast<std::size_t>(order[at])) {
      rows_[at] = std::move(rows_[from]);
      placed[at] = 1;
      at = from;
    }
    rows_[at] = std::move(held);
    placed[at] = 1;
  }
  for (int row : chosen)
    if (At(row).IsFolder()) folderRows_[static_cast<std::size_t>(At(row).folder)] = row;
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before)
    after << this->index(newRow[static_cast<std::size_t>(index.row())], index.column());
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

Qt::ItemFlags EntryModel::flags(const QModelIndex& index) const {
  return QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled;
}

int EntryModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int EntryModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant EntryModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return QVariant();
  switch (role) {
    case Qt::DisplayRole:
      return RowCellText(At(index.row()), index.column());
    case Qt::DecorationRole:
      if (index.column() != kNameColumn) return QVariant();
      if (At(index.row()).IsFolder()) {
        if (folderIcon_.isNull()) folderIcon_ = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
        return folderIcon_;
      }
      return images_.Icon(At(index.row()).icon);
    case Qt::TextAlignmentRole:
      if (!RightAligned(index.column())) return QVariant();
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    default:
      return QVariant();
  }
}

QVariant EntryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return QVariant();
  if (role == Qt::DisplayRole) return tr(kColumnTitles[section]);
  if (role == Qt::TextAlignmentRole && RightAligned(section))
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  return QVariant();
}

}  // namespace ovk
