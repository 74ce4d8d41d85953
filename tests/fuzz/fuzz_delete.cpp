// Deleting from a hostile archive: the entry picked by the input's size is
// deleted into a temporary file, and the new archive lists without trouble.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzScratch.h"
#include "engine/Archive.h"
#include "engine/DeleteFromArchive.h"
#include "engine/ListArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string archive = ovkfuzz::WriteScratchFile("archive.bin", data, size);
  const std::string temp = ovkfuzz::ScratchRoot() + "/new.tmp";
  const std::vector<ovk::Entry> entries =
      ovk::ListArchive(ovk::ListRequest{archive}, ovk::SilentObserver()).entries;
  std::vector<std::string> selection;
  if (!entries.empty()) selection.push_back(ovk::ConvertPathSeparators(entries[size % entries.size()].name, true));
  ovk::OperationReport report;
  const bool ok = ovk::WriteArchiveWithout(archive, temp, selection, report, ovk::SilentObserver());
  ovkfuzz::Require(ok == report.failures.empty(), "a refusal without its reason, or a reason without a refusal");
  if (ok) {
    ovkfuzz::Require(!ovk::ListArchive(ovk::ListRequest{temp}, ovk::SilentObserver()).openError,
                     "the new archive cannot be listed");
  }
  ovkfuzz::ClearScratch();
  return 0;
}
