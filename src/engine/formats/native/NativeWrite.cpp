// The header of a newly created native container and of its entries.
#include <string>

#include "engine/formats/native/NativeLayout.h"
#include "support/ByteOrder.h"

namespace ovk {

void WriteNativeHeader(const NativeDescriptor& descriptor, DataFile& file) {
  std::string out(kNativeMagic, sizeof kNativeMagic);
  PutLE32(out, kNativeDescriptorLength);
  out.push_back(static_cast<char>(kNativeKindByte));
  PutLE32(out, descriptor.version);
  PutLE32(out, descriptor.time);
  WriteBlock(file, out.data(), out.size());
}

std::string NativeEntryHeaderBytes(const std::string& storedName, const EntryHeader& header,
                                   std::uint32_t packedSize) {
  std::string out;
  out.push_back(static_cast<char>(storedName.size()));
  out += storedName;
  PutLE32(out, header.time);
  PutLE32(out, header.originalSize);
  PutLE32(out, header.flags);
  out.push_back(static_cast<char>(header.encrypted));
  PutLE32(out, header.crc32);
  PutLE32(out, packedSize);
  return out;
}

}  // namespace ovk
