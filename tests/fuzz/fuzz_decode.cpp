// Decoding a hostile payload for either container kind. Input layout:
//   byte 0    bit 0 native (else ZIP), bit 1 encrypted, bit 2 stored,
//             bit 3 password "secret" (else empty), bits 4-5 native layout
//             version, bit 6 pass byte 9 as the ZIP check byte
//   bytes 1-4 original size, bytes 5-8 CRC-32 (little-endian)
//   byte 9    check byte
//   rest      the stored payload
#include <cstddef>
#include <cstdint>
#include <string>

#include "coding/Payload.h"
#include "support/ByteOrder.h"

namespace {

constexpr std::size_t kPrefix = 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kPrefix) return 0;
  const std::uint8_t control = data[0];
  ovk::ArchiveInfo archive;
  archive.kind = (control & 1) ? ovk::kKindNative : ovk::kKindZip;
  archive.version = archive.kind == ovk::kKindNative ? (control >> 4) & 3 : 0;
  ovk::EntryHeader header;
  header.encrypted = (control >> 1) & 1;
  header.flags = (control & 4) ? ovk::kEntryStored : 0;
  header.originalSize = ovk::GetLE32(data + 1);
  header.crc32 = ovk::GetLE32(data + 5);
  const std::string password = (control & 8) ? "secret" : "";
  const int checkByte = (control & 64) ? data[9] : -1;
  std::string payload(reinterpret_cast<const char*>(data + kPrefix), size - kPrefix);
  ovk::CipherHolder cipher;
  ovk::DecodePayload(password, archive, header, payload, cipher, checkByte);
  return 0;
}
