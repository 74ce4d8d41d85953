// The order of the entry list by one column: folders before files whatever
// the column and direction; names and folders by the cell comparer on their
// shown text, sizes (a folder's content) as numbers, times as points in time.
#pragma once

#include <vector>

namespace ovk {

class CellComparer;
struct ListRow;

// Row indexes in the new order; equal cells keep their order.
std::vector<int> SortedOrder(const std::vector<ListRow>& rows, int column, bool ascending,
                             const CellComparer& comparer);

}  // namespace ovk
