// Whole archives written by libarchive: tar under each compression filter,
// and 7z.
#pragma once

#include <memory>
#include <string>

#include "engine/format/WholeWriter.h"

namespace ovk {

// Whether libarchive writes the format so named ("tar.gz", "7z").
bool LibarchiveWrites(const std::string& formatName);

// A writer of a new archive of that format into file (empty, open for
// writing); raises what fails.
std::unique_ptr<WholeWriter> NewLibarchiveWriter(DataFile& file, const std::string& formatName);

}  // namespace ovk
