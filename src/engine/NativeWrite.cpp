// The header of a newly created native container.
#include <string>

#include "engine/Archive.h"
#include "support/ByteOrder.h"

namespace ovk {

void WriteNativeHeader(const ArchiveInfo& info, DataFile& file) {
  std::string out(kNativeMagic, sizeof kNativeMagic);
  PutLE32(out, kNativeDescriptorLength);
  out.push_back(static_cast<char>(info.kind));
  PutLE32(out, info.version);
  PutLE32(out, info.time);
  WriteBlock(file, out.data(), out.size());
}

}  // namespace ovk
