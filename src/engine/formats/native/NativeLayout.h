// The native container's records: its magic, the archive descriptor behind
// it and the header in front of each entry's payload.
#pragma once

#include <cstdint>
#include <string>

#include "coding/Records.h"
#include "support/FileUnit.h"

namespace ovk {

constexpr char kNativeMagic[4] = {'K', 'W', 'T', 'Z'};
constexpr std::uint32_t kNativeDescriptorLength = 9;
constexpr std::uint32_t kNativeLayoutWritten = 3;
// The descriptor's first byte as written; a reader never goes by it.
constexpr std::uint8_t kNativeKindByte = 1;

// 9 bytes behind the magic: the kind byte, layout version, archive time.
struct NativeDescriptor {
  std::uint32_t version = 0;
  std::uint32_t time = 0;
};

// The descriptor behind the magic (the file left behind it).
NativeDescriptor ReadNativeDescriptor(DataFile& file);
void WriteNativeHeader(const NativeDescriptor& descriptor, DataFile& file);
// The record in front of a native entry's payload.
std::string NativeEntryHeaderBytes(const std::string& storedName, const EntryHeader& header,
                                   std::uint32_t packedSize);

}  // namespace ovk
