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
  const ovk::ListResult listed = ovk::ListArchive(ovk::ListRequest{archive}, ovk::SilentObserver());
  ovkfuzz::Require(!listed.openError, "ListArchive refused a readable file");
  for (const ovk::Entry& entry : listed.entries) {
    const std::string line = ovk::ListingLine(entry);
    ovkfuzz::Require(std::count(line.begin(), line.end(), ';') == 5 && line.find('\n') == std::string::npos,
                     "listing line that is not six fields on one line: " + line);
  }
  ovkfuzz::ClearScratch();
  return 0;
}
