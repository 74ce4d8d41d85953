#include "engine/Archive.h"

#include <algorithm>

#include "support/StringUnit.h"

namespace ovk {

bool OpenArchiveForReading(DataFile& file, const std::string& path) {
  return !OpenExisting(file, path, Access::kRead);
}

std::string ConvertPathSeparators(const std::string& name, bool toBackslash) {
  return toBackslash ? ReplaceAll(name, "/", "\\") : ReplaceAll(name, "\\", "/");
}

std::int64_t PayloadEnd(std::int64_t position, std::uint64_t packedSize, std::int64_t fileSize) {
  if (position >= fileSize || packedSize >= static_cast<std::uint64_t>(fileSize - position)) return std::max(position, fileSize);
  return position + static_cast<std::int64_t>(packedSize);
}

}  // namespace ovk
