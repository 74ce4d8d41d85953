#include "ui/FolderFilter.h"

#include "support/StringUnit.h"
#include "ui/EntryModel.h"

namespace ovk {

FolderFilter::FolderFilter(EntryModel* source, QObject* parent) : QSortFilterProxyModel(parent), source_(source) {
  // Rows are filtered as they come and when the folder or search changes;
  // growing folder sizes need no second look at every row.
  setDynamicSortFilter(false);
  setSourceModel(source);
  connect(source, &QAbstractItemModel::modelReset, this, [this] { folderNumber_ = -1; });
}

int FolderFilter::FolderNumber() const {
  if (folderNumber_ < 0) folderNumber_ = source_->FolderNumber(folder_);
  return folderNumber_;
}

bool FolderFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
  const ListRow& row = source_->At(sourceRow);
  if (!search_.isEmpty()) return RowName(row).contains(search_, Qt::CaseInsensitive);
  return row.parent == FolderNumber();
}

void FolderFilter::SortShown() {
  if (!search_.isEmpty()) source_->SortAll();
  else if (FolderNumber() >= 0) source_->SortFolder(FolderNumber());
}

void FolderFilter::Show(const std::string& key) {
  folder_ = key;
  folderNumber_ = -1;
  SortShown();
  invalidateFilter();
  emit FolderChanged();
}

bool FolderFilter::Open(const std::string& path) {
  const std::string key = FolderKey(path);
  if (source_->FolderNumber(key) < 0) return false;
  if (key != folder_) history_.push_back(folder_);
  Show(key);
  return true;
}

bool FolderFilter::Back() {
  if (history_.empty()) return false;
  const std::string key = history_.back();
  history_.pop_back();
  Show(key);
  return true;
}

bool FolderFilter::Up() {
  if (folder_.empty()) return false;
  history_.push_back(folder_);
  Show(FolderKey(FolderPart(folder_)));
  return true;
}

void FolderFilter::SetSearch(const QString& text) {
  if (text == search_) return;
  search_ = text;
  SortShown();
  invalidateFilter();
}

void FolderFilter::Relisted() {
  std::string key = folder_;
  while (!key.empty() && source_->FolderNumber(key) < 0) key = FolderKey(FolderPart(key));
  if (key != folder_) Show(key);
}

}  // namespace ovk
