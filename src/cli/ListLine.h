// Reading the engine's listing lines back into their fields.
#pragma once

#include <cstdint>
#include <string>

namespace ovk::cli {

struct ListedEntry {
  std::string name;
  std::uint32_t packedSize = 0;
  std::uint32_t time = 0;  // MS-DOS date and time
  std::uint32_t originalSize = 0;
  std::uint32_t flags = 0;
  bool encrypted = false;
};

// A stored name may itself hold ";", so the five numeric fields are taken
// from the right end and the rest is the name. The numbers are 32-bit
// patterns, printed signed or unsigned. False when the line is malformed.
bool ParseListLine(const std::string& line, ListedEntry& entry);

}  // namespace ovk::cli
