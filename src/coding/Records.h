// The two records every layer above the support library shares: the
// descriptor of an open archive and the per-entry header.
#pragma once

#include <cstdint>

namespace ovk {

enum ArchiveKind : std::uint8_t { kKindZip = 0, kKindNative = 1 };

// 9 bytes in a native header: kind, layout version, archive time.
struct ArchiveInfo {
  std::uint8_t kind = kKindZip;
  std::uint32_t version = 0;
  std::uint32_t time = 0;
};

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
