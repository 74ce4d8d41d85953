#include "engine/Selection.h"

#include "support/StringUnit.h"

namespace ovk {

SelectionSet::SelectionSet(const std::string& selection) {
  for (const std::string& item : SplitList(LowerAscii(selection), ';')) items_.insert(item);
}

bool SelectionSet::Contains(const std::string& storedName) const {
  return items_.count(LowerAscii(storedName)) != 0;
}

}  // namespace ovk
