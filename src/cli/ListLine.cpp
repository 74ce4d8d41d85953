#include "cli/ListLine.h"

#include <array>
#include <charconv>
#include <limits>

namespace ovk::cli {

namespace {

bool ParseNumber(const std::string& text, std::uint32_t& value) {
  std::int64_t number = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, number);
  if (ec != std::errc() || ptr != end || text.empty() || text[0] == '+') return false;
  if (number < std::numeric_limits<std::int32_t>::min() ||
      number > std::numeric_limits<std::uint32_t>::max())
    return false;
  value = static_cast<std::uint32_t>(number);
  return true;
}

}  // namespace

bool ParseListLine(const std::string& line, ListedEntry& entry) {
  constexpr std::size_t kNumbers = 5;
  std::array<std::string, kNumbers> fields;
  std::size_t end = line.size();
  for (std::size_t i = kNumbers; i-- > 0;) {
    std::size_t sep = end == 0 ? std::string::npos : line.rfind(';', end - 1);
    if (sep == std::string::npos) return false;
    fields[i] = line.substr(sep + 1, end - sep - 1);
    end = sep;
  }
  entry.name = line.substr(0, end);
  std::uint32_t encrypted = 0;
  if (entry.name.empty() || !ParseNumber(fields[0], entry.packedSize) ||
      !ParseNumber(fields[1], entry.time) || !ParseNumber(fields[2], entry.originalSize) ||
      !ParseNumber(fields[3], entry.flags) || !ParseNumber(fields[4], encrypted) ||
      encrypted > 1)
    return false;
  entry.encrypted = encrypted == 1;
  return true;
}

}  // namespace ovk::cli
