// The archive's own comment (ZIP's), read by ListArchive and set here.
#pragma once

#include <cstddef>
#include <string>

#include "engine/Observer.h"
#include "engine/OperationReport.h"

namespace ovk {

// The most bytes a comment holds (ZIP's 16-bit length field).
constexpr std::size_t kLongestArchiveComment = 65535;

// Gives the archive the comment (empty: none), in a format that keeps one
// (Capability::kComment); refused by name elsewhere, and for a comment too
// long or holding the bytes of an end record, which readers searching for
// the archive's end would take for it. The archive is written anew beside
// itself and renamed into place under the writers' lock: the comment sits
// behind the directory, and an in-place write that a kill cut short would
// leave an end record at odds with the file's end.
OperationReport SetArchiveComment(const std::string& archive, const std::string& comment, OperationObserver& observer);

}  // namespace ovk
