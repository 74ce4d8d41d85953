// A libarchive entry as the neutral entry.
#pragma once

#include <archive_entry.h>

#include <string>

#include "engine/Entry.h"

namespace ovk {

// The entry's name as every command knows it: "/" between folders and
// after a folder's name, without the "./" of `tar -C dir .`.
std::string EntryNameOf(archive_entry* record);

// formatName names the format in the reason an enciphered entry cannot be
// read; bareName is the one entry of bare compressed data.
Entry EntryOf(archive_entry* record, const std::string& formatName, bool bare, const std::string& bareName);

}  // namespace ovk
