// Adding files and folders to a new or existing archive.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "coding/Payload.h"
#include "coding/Records.h"

namespace ovk {

// Called once after each file the walk tried to add.
using ProgressCallback = std::function<void(bool failed, const std::string& storedName,
                                            const EntryHeader& header, std::int32_t packedSize,
                                            std::uint32_t userValue)>;

bool AddToArchive(const std::string& archivePath, const std::string& source, bool append,
                  const std::string& storedNamePrefix, const std::string& exclusions,
                  bool recurse, std::int32_t maximumSize, std::int32_t ageInDays, bool move,
                  const std::string& password, bool createNative, CompressionLevel level,
                  bool includeHidden, const ProgressCallback& callback,
                  std::uint32_t callbackValue, bool namesAreUtf8);

}  // namespace ovk
