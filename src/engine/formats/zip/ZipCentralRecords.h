// The records of a serialised central directory one by one, as stored, with
// the values their ZIP64 extra fields complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/formats/zip/ZipDirectory.h"

namespace ovk {

struct CentralEntry {
  std::string_view bytes;  // the whole record
  std::string_view name;   // as stored
  std::string_view extra;  // its extra fields
  CentralRecord values;    // sizes 64-bit
  std::uint64_t localHeaderOffset = 0;
  // Where in bytes the ZIP64 field holding the offset starts; 0 when the
  // offset is the 32-bit field's.
  std::size_t zip64OffsetAt = 0;
};

// Hands each record to visit, in order, up to the first that is cut off or
// does not carry its signature; returns the bytes the records handed span.
std::size_t ForEachCentralRecord(std::string_view directory,
                                 const std::function<void(const CentralEntry&)>& visit);

// The record's name as listed: its Unicode Path field's, else its stored
// name's read as ZipEntryName reads it.
std::string ListedName(const CentralEntry& entry);

// The record's bytes with only the local header offset changed; raises when
// the new offset does not fit where the record keeps it.
std::string RecordWithOffset(const CentralEntry& entry, std::uint64_t offset);

}  // namespace ovk
