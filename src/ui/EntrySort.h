// The order of the entry list by one column: names and folders by the cell
// comparer on their shown text, sizes as numbers, times as points in time.
#pragma once

#include <vector>

#include "engine/ListArchive.h"

namespace ovk {

class CellComparer;

// Entry indexes in the new order; equal cells keep archive order.
std::vector<int> SortedOrder(const std::vector<Entry>& entries, int column, bool ascending,
                             const CellComparer& comparer);

}  // namespace ovk
