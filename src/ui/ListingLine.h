// One line of the engine's listing (name;packed;time;original;flags;encrypted)
// taken apart for a list row.
#pragma once

#include <cstdint>
#include <string>

namespace ovk {

struct ListingEntry {
  std::string storedName;  // byte for byte as listed
  std::uint32_t packedSize = 0;
  std::uint32_t time = 0;  // MS-DOS date and time
  std::uint32_t originalSize = 0;
  bool encrypted = false;
};

// The five numeric fields are taken from the right end, so a ";" inside the
// name cannot shift them; the rest of the line is the name. False when the
// line does not hold five fields after the name or a number does not read.
bool ParseListingLine(const std::string& line, ListingEntry& entry);

// Signed or unsigned 32-bit decimal, taken as its 32-bit pattern.
bool ReadListedNumber(const std::string& text, std::uint32_t& value);

// Bytes / 1024 rounded to the nearest whole number, a half to the even one.
long double RoundedKiloBytes(long double bytes);

}  // namespace ovk
