// The selection of extraction and deletion: the stored names a user named
// ("\" between folders), each matched against the names the archive holds.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

namespace ovk {

// An item that selects nothing: no stored name equals it, and either none
// or several (alike) equal it ignoring ASCII letter case.
struct SelectionMiss {
  std::string item;
  std::vector<std::string> alike;
  // "no such entry in the archive", or which names it could mean.
  std::string Reason() const;
};

class SelectionSet {
 public:
  // An item selects the stored names equal to it; when there are none, the
  // one name equal to it ignoring ASCII letter case, if only one is.
  SelectionSet(const std::vector<std::string>& items, const std::vector<std::string>& storedNames);
  bool Empty() const { return itemCount_ == 0; }
  bool Contains(const std::string& storedName) const { return selected_.count(storedName) != 0; }
  // In the order of the items.
  const std::vector<SelectionMiss>& Misses() const { return misses_; }
  bool SelectsNothing() const { return misses_.size() == itemCount_; }

 private:
  std::unordered_set<std::string> selected_;
  std::vector<SelectionMiss> misses_;
  std::size_t itemCount_;
};

}  // namespace ovk
