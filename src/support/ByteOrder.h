// Little-endian integers in byte strings and buffers: every on-disk record of
// both containers is little-endian, whatever the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ovk {

inline std::uint16_t GetLE16(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}
inline std::uint32_t GetLE32(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
         (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}
inline std::uint64_t GetLE64(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return static_cast<std::uint64_t>(GetLE32(b)) | (static_cast<std::uint64_t>(GetLE32(b + 4)) << 32);
}

inline void PutLE16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}
inline void PutLE32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
inline void PutLE64(std::string& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace ovk
