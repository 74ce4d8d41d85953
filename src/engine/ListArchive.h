// Listing: one ";"-separated line per file entry (name; packed size; time;
// original size; flags; encrypted), payloads never read.
#pragma once

#include <string>
#include <vector>

namespace ovk {

// Lines are appended to *lines; false when lines is null or the archive
// cannot be opened. Damaged entries are described in *problems ("name:
// reason"), and the entries after them are still listed.
bool ListArchive(const std::string& archivePath, std::vector<std::string>* lines, bool keepUtf8,
                 std::vector<std::string>* problems = nullptr);

}  // namespace ovk
