#include "ui/EntrySort.h"

#include <algorithm>
#include <numeric>

#include "ui/CellComparer.h"
#include "ui/EntryModel.h"

namespace ovk {

namespace {

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
void SortByNumbers(std::vector<int>& order, const std::vector<Entry>& entries, bool ascending,
                   Number (*key)(const Entry&)) {
  std::vector<Number> keys;
  keys.reserve(entries.size());
  for (const Entry& e : entries) keys.push_back(key(e));
  SortByKeys(order, keys, ascending, &CompareNumbers<Number>);
}

std::uint64_t OriginalSize(const Entry& e) { return e.originalSize; }
std::uint64_t PackedSize(const Entry& e) { return e.packedSize; }
// Entries without a time (-1) come before all others.
std::int64_t Modified(const Entry& e) { return e.modified; }

}  // namespace

std::vector<int> SortedOrder(const std::vector<Entry>& entries, int column, bool ascending,
                             const CellComparer& comparer) {
  std::vector<int> order(entries.size());
  std::iota(order.begin(), order.end(), 0);
  if (column == kOriginalColumn) SortByNumbers(order, entries, ascending, &OriginalSize);
  else if (column == kPackedColumn) SortByNumbers(order, entries, ascending, &PackedSize);
  else if (column == kTimeColumn) SortByNumbers(order, entries, ascending, &Modified);
  else {
    std::vector<CellKey> keys;
    keys.reserve(entries.size());
    for (const Entry& e : entries) keys.push_back(comparer.Key(EntryCellText(e, column)));
    SortByKeys(order, keys, ascending, &CellComparer::Compare);
  }
  return order;
}

}  // namespace ovk
