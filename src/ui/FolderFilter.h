// Which rows of the entry list show: those of one folder, moved between as
// in a file manager (open, back, up), or the matches of a search across
// every folder. A folder is held by its path, so it survives a new listing
// of the archive.
#pragma once

#include <QSortFilterProxyModel>
#include <string>
#include <vector>

namespace ovk {

class EntryModel;

class FolderFilter : public QSortFilterProxyModel {
  Q_OBJECT
 public:
  explicit FolderFilter(EntryModel* source, QObject* parent = nullptr);

  // The folder shown: "/" between folders, "" for the top.
  const std::string& Folder() const { return folder_; }
  // Shows the folder, remembering the one left for Back; false when the
  // archive has no folder of that path.
  bool Open(const std::string& path);
  bool Back();
  bool Up();
  bool CanGoBack() const { return !history_.empty(); }
  bool CanGoUp() const { return !folder_.empty(); }
  // The rows whose names hold the text, ignoring case, across every folder;
  // empty gives the folder back.
  void SetSearch(const QString& text);
  const QString& Search() const { return search_; }
  // Puts the rows shown into the model's order: the folder's, or every row
  // while a search shows; the other folders wait until shown.
  void SortShown();
  // After a listing has ended: the folder shown when the archive still has
  // it, else the nearest one above it.
  void Relisted();

 signals:
  void FolderChanged();

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

 private:
  void Show(const std::string& key);
  // The shown folder's number, looked up until the listing has made it.
  int FolderNumber() const;

  EntryModel* source_;
  std::string folder_;
  mutable int folderNumber_ = -1;
  std::vector<std::string> history_;
  QString search_;
};

}  // namespace ovk
