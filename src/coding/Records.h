// The per-entry header every layer above the support library shares.
#pragma once

#include <cstdint>

namespace ovk {

// Flag bit of EntryHeader::flags: payload not compressed.
constexpr std::uint32_t kEntryStored = 1;

// 17 bytes in a native entry: time, original size, flags, encrypted, CRC-32.
struct EntryHeader {
  std::uint32_t time = 0;
  std::uint32_t originalSize = 0;
  std::uint32_t flags = 0;
  std::uint8_t encrypted = 0;
  std::uint32_t crc32 = 0;
};

}  // namespace ovk
