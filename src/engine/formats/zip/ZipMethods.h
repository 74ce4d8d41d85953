// Which ZIP entries this program can decode, and the words for those it
// cannot.
#pragma once

#include <string>

#include "coding/PayloadDecoder.h"
#include "engine/Archive.h"

namespace ovk {

// Empty when the entry's data can be decoded; else what is missing, such as
// "compression method 98 (PPMd) is not supported".
std::string UndecodableReason(const EntryInfo& entry);

// The compression method as users call it: "Stored" for data kept as it is,
// "Deflate", another method's registered name, else "method N".
std::string MethodText(const EntryInfo& entry);

// What the entry's records say about its payload, for the decoder.
PayloadCoding CodingOf(const ArchiveInfo& archive, const EntryInfo& entry);

}  // namespace ovk
