// Listing a hostile file: never crashes or hangs, and every line it adds has
// the six fields of the listing format.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzScratch.h"
#include "engine/ListArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string archive = ovkfuzz::WriteScratchFile("archive.bin", data, size);
  std::vector<std::string> lines;
  ovkfuzz::Require(ovk::ListArchive(archive, &lines, true), "ListArchive refused a readable file");
  for (const auto& line : lines) {
    // The name may hold ";" itself, so only a lower bound holds.
    ovkfuzz::Require(std::count(line.begin(), line.end(), ';') >= 5, "listing line with too few fields: " + line);
  }
  ovkfuzz::ClearScratch();
  return 0;
}
