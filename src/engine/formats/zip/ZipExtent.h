// Where a ZIP entry ends: its local header, its payload and, when flag bit 3
// is set, the data descriptor behind the payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/formats/zip/ZipCentralRecords.h"
#include "support/FileUnit.h"

namespace ovk {

// The longest data descriptor: signature, CRC-32 and two 64-bit sizes.
constexpr std::size_t kLongestDescriptor = 24;

// Bytes of the data descriptor at the start of bytes (those behind a
// payload, up to kLongestDescriptor of them) that repeats the given values,
// with or without its signature, sizes 64- or 32-bit; 0 when none is there.
std::size_t DescriptorLength(std::string_view bytes, std::uint32_t crc32, std::uint64_t packedSize,
                             std::uint64_t originalSize);
// The same for the descriptor at position in the file.
std::int64_t DescriptorLength(DataFile& file, std::int64_t position, std::uint32_t crc32,
                              std::uint64_t packedSize, std::uint64_t originalSize);

// Bytes the entry of a central record spans from its local header at start
// on, the payload's size taken from the record; raises when no local header
// is there, the descriptor does not repeat the record's values or the entry
// runs past limit.
std::uint64_t ListedEntryExtent(DataFile& file, const CentralEntry& entry, std::uint64_t start,
                                std::uint64_t limit);

}  // namespace ovk
