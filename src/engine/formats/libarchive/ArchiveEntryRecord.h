// A libarchive entry as the neutral entry.
#pragma once

#include <archive_entry.h>

#include <string>

#include "engine/Entry.h"

namespace ovk {

// formatName names the format in the reason an enciphered entry cannot be
// read; bareName is the one entry of bare compressed data.
Entry EntryOf(archive_entry* record, const std::string& formatName, bool bare, const std::string& bareName);

}  // namespace ovk
