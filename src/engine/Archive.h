// What every archive operation shares: opening the archive for reading,
// its names' separators, and where a payload ends within the file.
#pragma once

#include <cstdint>
#include <string>

#include "support/FileUnit.h"

namespace ovk {

// Opens an existing archive read-only; false when it cannot be opened.
// Never raises.
bool OpenArchiveForReading(DataFile& file, const std::string& path);

std::string ConvertPathSeparators(const std::string& name, bool toBackslash);

// Where a payload of packedSize bytes from position ends, at most the end of
// the file: a lying 64-bit size can neither overflow nor move the walk back.
std::int64_t PayloadEnd(std::int64_t position, std::uint64_t packedSize, std::int64_t fileSize);

}  // namespace ovk
