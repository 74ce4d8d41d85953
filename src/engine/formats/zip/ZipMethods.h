// Which ZIP entries this program can decode, and the words for those it
// cannot.
#pragma once

#include <string>

#include "coding/PayloadDecoder.h"
#include "engine/formats/zip/ZipEntryRecord.h"

namespace ovk {

// Empty when the entry's data can be decoded; else what is missing, such as
// "compression method 98 (PPMd) is not supported".
std::string UndecodableReason(const ZipEntryRecord& entry);

// What the entry's records say about its payload, for the decoder.
PayloadCoding CodingOf(const ZipEntryRecord& entry);

// The entry's compression method as users call it: "Stored", "Deflate",
// ...; WinZip AES entries add their key length: "AES-256 Deflate".
std::string MethodText(const ZipEntryRecord& entry);

// The ZIP password check byte of an entry: bits 8-15 of its DOS time when
// its sizes follow in a data descriptor (flag bit 3), else -1 (CRC-32 based).
int ZipCheckByte(const ZipEntryRecord& entry);

}  // namespace ovk
