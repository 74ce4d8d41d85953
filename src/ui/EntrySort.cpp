#include "ui/EntrySort.h"

#include <algorithm>
#include <numeric>

#include "ui/CellComparer.h"
#include "ui/EntryModel.h"

namespace ovk {

namespace {

// Valid MS-DOS times order as their numbers do; one that is no valid time
// shows empty and so comes before all others.
std::uint32_t TimeKey(std::uint32_t time) { return IsEntryTime(time) ? time : 0; }

template <typename Key>
void SortByKeys(std::vector<int>& order, const std::vector<Key>& keys, bool ascending,
                int (*compare)(const Key&, const Key&)) {
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const int c = compare(keys[static_cast<std::size_t>(a)], keys[static_cast<std::size_t>(b)]);
    return ascending ? c < 0 : c > 0;
  });
}

int CompareNumbers(const std::uint64_t& a, const std::uint64_t& b) { return a < b ? -1 : b < a ? 1 : 0; }

}  // namespace

std::vector<int> SortedOrder(const std::vector<ListedEntry>& entries, int column, bool ascending,
                             const CellComparer& comparer) {
  std::vector<int> order(entries.size());
  std::iota(order.begin(), order.end(), 0);
  if (column == kOriginalColumn || column == kPackedColumn || column == kTimeColumn) {
    std::vector<std::uint64_t> keys;
    keys.reserve(entries.size());
    for (const ListedEntry& e : entries)
      keys.push_back(column == kOriginalColumn ? e.originalSize
                     : column == kPackedColumn ? e.packedSize
                                               : TimeKey(e.time));
    SortByKeys(order, keys, ascending, &CompareNumbers);
    return order;
  }
  std::vector<CellKey> keys;
  keys.reserve(entries.size());
  for (const ListedEntry& e : entries) keys.push_back(comparer.Key(EntryCellText(e, column)));
  SortByKeys(order, keys, ascending, &CellComparer::Compare);
  return order;
}

}  // namespace ovk
