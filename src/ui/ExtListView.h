// The entry list: a report view over the entry model, through the folder
// filter, whose header clicks sort by the column's own order, and which
// keeps its column widths and sort state in the settings store (loaded when
// built, stored when destroyed).
#pragma once

#include <QTreeView>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/AdvancedRegistry.h"
#include "ui/EntryModel.h"
#include "ui/FolderFilter.h"

class QMimeData;

namespace ovk {

class TExtListViewManagement : public QTreeView {
  Q_OBJECT
 public:
  static constexpr int kReportStyle = 3;

  explicit TExtListViewManagement(EntryModel* model, QWidget* parent = nullptr);
  ~TExtListViewManagement() override;

  EntryModel* Model() const { return model_; }
  FolderFilter* Filter() const { return filter_; }
  // The entry model's rows of the selection, in model order.
  std::vector<int> SelectedRows() const;
  // The entry model's row of a shown index.
  int RowOf(const QModelIndex& index) const { return filter_->mapToSource(index).row(); }
  int SortColumn() const { return sortColumn_; }
  bool SortAscending() const { return ascending_; }
  void SetSort(int column, bool ascending);
  // Sorts the rows by the current column and direction.
  void SortNow();

  void LoadSettings();
  void StoreSettings();

  // What a drag of the selected rows carries; no drag starts when it gives
  // nothing.
  std::function<std::unique_ptr<QMimeData>()> DragData;

 signals:
  // After the press has been handled as a selection click.
  void RightButtonPressed(const QPoint& globalPos);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  // Copies: the files stay in the window's folder until it closes.
  void startDrag(Qt::DropActions supportedActions) override;

 private:
  void HeaderClicked(int section);

  EntryModel* model_;
  FolderFilter* filter_;
  TAdvancedRegistry registry_;
  int sortColumn_ = kNameColumn;
  bool ascending_ = true;
};

}  // namespace ovk
