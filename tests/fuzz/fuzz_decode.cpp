// Decoding a hostile payload under either container's plan. Input layout:
//   byte 0    bit 0 native (zlib-wrapped, CAST-256) else ZIP (raw, ZIP
//             traditional cipher), bit 1 encrypted, bit 2 stored,
//             bit 3 password "secret" (else empty), bits 4-5 native layout
//             version (below 3: unchecked), bit 6 pass byte 9 as the ZIP
//             check byte (else the CRC-32's top byte)
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
  const bool native = (control & 1) != 0;
  ovk::PayloadCoding coding;
  coding.zlibWrapped = native;
  coding.method = (control & 4) ? ovk::kMethodStored : ovk::kMethodDeflate;
  if ((control >> 1) & 1) coding.cipher = native ? ovk::PayloadCipher::kCast256 : ovk::PayloadCipher::kPkwareTraditional;
  coding.checked = !native || ((control >> 4) & 3) >= 3;
  coding.originalSize = ovk::GetLE32(data + 1);
  coding.crc32 = ovk::GetLE32(data + 5);
  coding.checkByte = (control & 64) ? data[9] : static_cast<std::uint8_t>(coding.crc32 >> 24);
  const std::string password = (control & 8) ? "secret" : "";
  std::string payload(reinterpret_cast<const char*>(data + kPrefix), size - kPrefix);
  ovk::CipherHolder cipher;
  ovk::DecodePayload(password, coding, payload, cipher);
  return 0;
}
