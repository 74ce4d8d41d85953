// The order of the entry list by one column: folders before files whatever
// the column and direction; names and folders by the cell comparer on their
// shown text, sizes (a folder's content) as numbers, times as points in time.
#pragma once

#include <vector>

namespace ovk {

class CellComparer;
struct ListRow;

// The chosen rows' indexes in the new order; equal cells keep the order
// they were chosen in.
std::vector<int> SortedOrder(const std::vector<ListRow>& rows, const std::vector<int>& chosen, int column, bool ascending,
                             const CellComparer& comparer);

}  // namespace ovk
