// Which ZIP entries this program can decode, and the words for those it
// cannot.
#pragma once

#include <string>

#include "engine/Archive.h"

namespace ovk {

// Empty when the entry's data can be decoded; else what is missing, such as
// "compression method 14 (LZMA) is not supported".
std::string UndecodableReason(const EntryInfo& entry);

}  // namespace ovk
