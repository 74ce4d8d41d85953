// A 7z split across files (x.7z.001, x.7z.002, ...) read as the one
// archive it was before the split; any other file as it is.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "support/FileUnit.h"

namespace ovk {

class JoinedVolumes {
 public:
  // The later parts are named after first's name; the first missing one
  // ends the archive.
  explicit JoinedVolumes(DataFile& first);

  std::uint64_t Size() const { return ends_.back(); }
  // Raises EInOutError as a read does, kIoReadPastEnd past the last part.
  void Read(std::uint64_t offset, char* to, std::size_t count);

 private:
  DataFile& first() const { return *parts_.front(); }

  std::vector<DataFile*> parts_;
  std::vector<std::unique_ptr<DataFile>> later_;
  std::vector<std::uint64_t> ends_;  // where each part ends in the whole
};

}  // namespace ovk
