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

// The descriptor behind the magic (the file left behind it); its kind is
// always native.
ArchiveInfo ReadNativeDescriptor(DataFile& file);
void WriteNativeHeader(const ArchiveInfo& info, DataFile& file);
// The record in front of a native entry's payload.
std::string NativeEntryHeaderBytes(const std::string& storedName, const EntryHeader& header,
                                   std::uint32_t packedSize);

}  // namespace ovk
