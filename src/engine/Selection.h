// The selection set of extraction and deletion: stored names compared with
// ASCII letters lower-cased, items trimmed, empty items dropped.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

namespace ovk {

class SelectionSet {
 public:
  explicit SelectionSet(const std::string& selection);
  bool Empty() const { return items_.empty(); }
  std::size_t Count() const { return given_.size(); }
  // True when the stored name equals an item (ASCII case ignored).
  bool Contains(const std::string& storedName) const;
  // The items, as given, that none of the names selects.
  std::vector<std::string> Unmatched(const std::vector<std::string>& storedNames) const;

 private:
  std::unordered_set<std::string> items_;
  std::vector<std::string> given_;  // trimmed, in their own letter case
};

}  // namespace ovk
