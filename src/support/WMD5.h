// MD5 (RFC 1321).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace ovk {

class WMD5 {
 public:
  WMD5();
  void Update(const void* data, std::size_t length);
  std::array<std::uint8_t, 16> Final();

 private:
  void Transform(const std::uint8_t block[64]);
  std::uint32_t state_[4];
  std::uint64_t length_ = 0;
  std::uint8_t buffer_[64];
};

// 32 lower-case hexadecimal digits of the digest of the bytes.
std::string MD5Hex(const std::string& data);

}  // namespace ovk
