#include "engine/Selection.h"

#include "support/StringUnit.h"

namespace ovk {

SelectionSet::SelectionSet(const std::string& selection) : given_(SplitList(selection, ';')) {
  for (const std::string& item : given_) items_.insert(LowerAscii(item));
}

std::vector<std::string> SelectionSet::Unmatched(const std::vector<std::string>& storedNames) const {
  std::unordered_set<std::string> matched;
  for (const std::string& name : storedNames) matched.insert(LowerAscii(name));
  std::vector<std::string> unmatched;
  for (const std::string& item : given_) {
    if (!matched.count(LowerAscii(item))) unmatched.push_back(item);
  }
  return unmatched;
}

bool SelectionSet::Contains(const std::string& storedName) const {
  return items_.count(LowerAscii(storedName)) != 0;
}

}  // namespace ovk
