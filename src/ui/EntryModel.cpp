#include "ui/EntryModel.h"

#include <QLocale>

#include "support/DosTime.h"
#include "support/StringUnit.h"
#include "ui/CellComparer.h"
#include "ui/EntrySort.h"
#include "ui/UiHelpers.h"

namespace ovk {

namespace {

const char* const kColumnTitles[kColumnCount] = {"Name", "Path", "Original", "Packed", "Time"};

QString GroupedNumber(std::uint64_t value) { return QLocale().toString(static_cast<qulonglong>(value)); }

}  // namespace

QString FormatEntryTime(std::int64_t modified) {
  DosFields f{};
  if (modified < 0 || !DecodeDosTime(UnixToDosTime(static_cast<std::time_t>(modified)), f)) return QString();
  auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
  return QStringLiteral("%1-%2-%3 %4%5%6")
      .arg(f.year, 4, 10, QLatin1Char('0'))
      .arg(two(f.month), two(f.day), two(f.hour), QString(TimeSeparator(QLocale())), two(f.minute));
}

QString EntryCellText(const Entry& entry, int column) {
  switch (column) {
    case kNameColumn: {
      const QString name = FromUtf8(NamePart(entry.name));
      return entry.encrypted ? QStringLiteral("*") + name : name;
    }
    case kPathColumn:
      return FromUtf8(FolderPart(entry.name));
    case kOriginalColumn:
      return GroupedNumber(entry.originalSize);
    case kPackedColumn:
      // Left empty where the format does not tell it, rather than 0.
      return entry.packedKnown ? GroupedNumber(entry.packedSize) : QString();
    case kTimeColumn:
      return FormatEntryTime(entry.modified);
    default:
      return QString();
  }
}

void EntryModel::SetEntries(std::vector<Entry> entries) {
  beginResetModel();
  entries_ = std::move(entries);
  images_.Clear();
  iconCache_.reset();
  icons_.clear();
  AddIcons(0);
  endResetModel();
}

void EntryModel::AppendEntries(const Entry* first, std::size_t count) {
  if (count == 0) return;
  const int row = rowCount();
  beginInsertRows(QModelIndex(), row, row + static_cast<int>(count) - 1);
  entries_.insert(entries_.end(), first, first + count);
  AddIcons(static_cast<std::size_t>(row));
  endInsertRows();
}

void EntryModel::AddIcons(std::size_t from) {
  icons_.reserve(entries_.size());
  for (std::size_t row = from; row < entries_.size(); ++row)
    icons_.push_back(GetFileIcon(iconCache_, images_, FromUtf8(ExtensionPart(entries_[row].name))));
}

void EntryModel::Sort(int column, bool ascending, const CellComparer& comparer) {
  const std::vector<int> order = SortedOrder(entries_, column, ascending, comparer);
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> newRow(order.size());
  std::vector<Entry> entries;
  std::vector<int> icons;
  entries.reserve(order.size());
  icons.reserve(order.size());
  for (std::size_t row = 0; row < order.size(); ++row) {
    const auto from = static_cast<std::size_t>(order[row]);
    newRow[from] = static_cast<int>(row);
    entries.push_back(std::move(entries_[from]));
    icons.push_back(icons_[from]);
  }
  entries_ = std::move(entries);
  icons_ = std::move(icons);
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
  return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int EntryModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant EntryModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return QVariant();
  switch (role) {
    case Qt::DisplayRole:
      return EntryCellText(At(index.row()), index.column());
    case Qt::DecorationRole:
      if (index.column() != kNameColumn) return QVariant();
      return images_.Icon(icons_[static_cast<std::size_t>(index.row())]);
    case Qt::TextAlignmentRole:
      if (index.column() != kPackedColumn) return QVariant();
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    default:
      return QVariant();
  }
}

QVariant EntryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return QVariant();
  if (role == Qt::DisplayRole) return QString::fromLatin1(kColumnTitles[section]);
  if (role == Qt::TextAlignmentRole && section == kPackedColumn)
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  return QVariant();
}

}  // namespace ovk
