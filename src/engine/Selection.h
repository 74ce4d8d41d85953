// The selection set of extraction and deletion: stored names compared with
// ASCII letters lower-cased, items trimmed, empty items dropped.
#pragma once

#include <string>
#include <unordered_set>

namespace ovk {

class SelectionSet {
 public:
  explicit SelectionSet(const std::string& selection);
  bool Empty() const { return items_.empty(); }
  // True when the stored name equals an item (ASCII case ignored).
  bool Contains(const std::string& storedName) const;

 private:
  std::unordered_set<std::string> items_;
};

}  // namespace ovk
