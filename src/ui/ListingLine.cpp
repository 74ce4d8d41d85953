#include "ui/ListingLine.h"

#include <cfenv>
#include <cmath>

#include "support/StringUnit.h"

namespace ovk {

bool ReadListedNumber(const std::string& text, std::uint32_t& value) {
  std::string digits = Trim(text);
  bool negative = !digits.empty() && digits[0] == '-';
  if (negative) digits.erase(0, 1);
  if (digits.empty() || digits.size() > 10) return false;
  std::int64_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (negative ? n > 2147483648LL : n > 4294967295LL) return false;
  value = static_cast<std::uint32_t>(negative ? -n : n);
  return true;
}

bool ParseListingLine(const std::string& line, ListingEntry& entry) {
  std::string fields[5];
  std::size_t end = line.size();
  for (int k = 4; k >= 0; --k) {
    std::size_t cut = end == 0 ? std::string::npos : line.rfind(';', end - 1);
    if (cut == std::string::npos) return false;
    fields[k] = line.substr(cut + 1, end - cut - 1);
    end = cut;
  }
  entry.storedName = line.substr(0, end);
  entry.encrypted = Trim(fields[4]) == "1";
  return !entry.storedName.empty() && ReadListedNumber(fields[0], entry.packedSize) &&
         ReadListedNumber(fields[1], entry.time) && ReadListedNumber(fields[2], entry.originalSize);
}

long double RoundedKiloBytes(long double bytes) {
  // The default rounding mode takes halves to the even neighbour.
  int mode = std::fegetround();
  std::fesetround(FE_TONEAREST);
  long double rounded = std::nearbyint(bytes / 1024.0L);
  std::fesetround(mode);
  return rounded;
}

}  // namespace ovk
