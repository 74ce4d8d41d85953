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

// What the entry's records say about its payload, for the decoder.
PayloadCoding CodingOf(const ArchiveInfo& archive, const EntryInfo& entry);

// The ZIP password check byte of an entry: bits 8-15 of its DOS time when
// its sizes follow in a data descriptor (flag bit 3), else -1 (CRC-32 based).
int ZipCheckByte(const EntryInfo& entry);

}  // namespace ovk
