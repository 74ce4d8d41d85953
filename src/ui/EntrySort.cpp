#include "ui/EntrySort.h"

#include <algorithm>
#include <numeric>

#include "ui/CellComparer.h"
#include "ui/EntryModel.h"

namespace ovk {

namespace {

// The order holds places into the keys.
template <typename Key>
void SortByKeys(std::vector<int>& order, const std::vector<Key>& keys, bool ascending,
                int (*compare)(const Key&, const Key&)) {
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const int c = compare(keys[static_cast<std::size_t>(a)], keys[static_cast<std::size_t>(b)]);
    return ascending ? c < 0 : c > 0;
  });
}

template <typename Number>
int CompareNumbers(const Number& a, const Number& b) { return a < b ? -1 : b < a ? 1 : 0; }

template <typename Number>
void SortByNumbers(std::vector<int>& order, const std::vector<ListRow>& rows, const std::vector<int>& chosen,
                   bool ascending, Number (*key)(const ListRow&)) {
  std::vector<Number> keys;
  keys.reserve(chosen.size());
  for (int row : chosen) keys.push_back(key(rows[static_cast<std::size_t>(row)]));
  SortByKeys(order, keys, ascending, &CompareNumbers<Number>);
}

std::uint64_t OriginalSize(const ListRow& r) { return r.originalSize; }
std::uint64_t PackedSize(const ListRow& r) { return r.packedSize; }
// Entries without a time (-1) come before all others.
std::int64_t Modified(const ListRow& r) { return r.modified; }

}  // namespace

std::vector<int> SortedOrder(const std::vector<ListRow>& rows, const std::vector<int>& chosen, int column, bool ascending,
                             const CellComparer& comparer) {
  // Sorted as places into the chosen rows, so that the keys are only theirs.
  std::vector<int> order(chosen.size());
  std::iota(order.begin(), order.end(), 0);
  if (column == kOriginalColumn) SortByNumbers(order, rows, chosen, ascending, &OriginalSize);
  else if (column == kPackedColumn) SortByNumbers(order, rows, chosen, ascending, &PackedSize);
  else if (column == kTimeColumn) SortByNumbers(order, rows, chosen, ascending, &Modified);
  else {
    std::vector<CellKey> keys;
    keys.reserve(chosen.size());
    for (int row : chosen) keys.push_back(comparer.Key(RowCellText(rows[static_cast<std::size_t>(row)], column)));
    SortByKeys(order, keys, ascending, &CellComparer::Compare);
  }
  for (int& place : order) place = chosen[static_cast<std::size_t>(place)];
  std::stable_partition(order.begin(), order.end(),
                        [&rows](int row) { return rows[static_cast<std::size_t>(row)].IsFolder(); });
  return order;
}

}  // namespace ovk
