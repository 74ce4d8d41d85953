#include "coding/StoredCopy.h"

#include <algorithm>

namespace ovk {

StreamStatus StoredCopy::Decode(std::string_view& in, std::string& out, std::size_t maxOut) {
  const std::size_t n = std::min(in.size(), maxOut);
  out.append(in.substr(0, n));
  in.remove_prefix(n);
  return StreamStatus::kMore;
}

}  // namespace ovk
