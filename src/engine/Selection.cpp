#include "engine/Selection.h"

#include <algorithm>
#include <unordered_map>

#include "engine/Archive.h"
#include "support/StringUnit.h"

namespace ovk {

std::string SelectionMiss::Reason() const {
  if (alike.empty()) return "no such entry in the archive";
  std::string names;
  for (const std::string& name : alike) names += (names.empty() ? "" : ", ") + ConvertPathSeparators(name, false);
  return "no entry has exactly this name, and " + std::to_string(alike.size()) +
         " differ from it only in letter case (" + names + "); give one exactly";
}

SelectionSet::SelectionSet(const std::vector<std::string>& items, const std::vector<std::string>& storedNames)
    : itemCount_(items.size()) {
  const std::unordered_set<std::string> exact(storedNames.begin(), storedNames.end());
  // Each distinct name once, in archive order, under its lower-cased form.
  std::unordered_map<std::string, std::vector<std::string>> byLower;
  for (const std::string& name : storedNames) {
    std::vector<std::string>& alike = byLower[LowerAscii(name)];
    if (std::find(alike.begin(), alike.end(), name) == alike.end()) alike.push_back(name);
  }
  for (const std::string& item : items) {
    if (exact.count(item)) {
      selected_.insert(item);
      continue;
    }
    const auto found = byLower.find(LowerAscii(item));
    if (found != byLower.end() && found->second.size() == 1) selected_.insert(found->second.front());
    else misses_.push_back({item, found == byLower.end() ? std::vector<std::string>{} : found->second});
  }
}

}  // namespace ovk
