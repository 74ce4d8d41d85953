// Wildcard masks: "*" any run of bytes, "?" exactly one byte.
#include "support/StringUnit.h"

#include <cstring>
#include <vector>

namespace ovk {

bool MaskMatch(const std::string& name, const std::string& mask) {
  if (mask.find_first_of("*?") == std::string::npos) return name == mask;
  return WildcardMatch(name.c_str(), mask.c_str());
}

// The rules, for the rest s = name[i..] and m = mask[j..]:
//   m is exactly "*"        -> true
//   s empty, m not          -> false
//   both empty              -> true
//   m starts with "*"       -> match(s, m[1..]) or match(s[1..], m)
//   m starts with "?"       -> match(s[1..], m[1..])
//   otherwise               -> equal first bytes and match(s[1..], m[1..])
// Users type exclusion masks such as "*a*a*a*b", so instead of backtracking
// (exponential in the stars) the table of all (i, j) is filled from the ends,
// one row of i at a time: O(|name| x |mask|) time, O(|mask|) memory.
bool WildcardMatch(const char* name, const char* mask) {
  const std::size_t n = std::strlen(name);
  const std::size_t m = std::strlen(mask);
  std::vector<char> below(m + 1), row(m + 1);  // rows i+1 and i
  for (std::size_t i = n + 1; i-- > 0;) {
    for (std::size_t j = m + 1; j-- > 0;) {
      bool result;
      if (j + 1 == m && mask[j] == '*') {
        result = true;
      } else if (i == n) {
        result = (j == m);
      } else if (j == m) {
        result = false;
      } else if (mask[j] == '*') {
        result = row[j + 1] || below[j];
      } else if (mask[j] == '?' || mask[j] == name[i]) {
        result = below[j + 1];
      } else {
        result = false;
      }
      row[j] = result;
    }
    below.swap(row);
  }
  return below[0];
}

}  // namespace ovk
