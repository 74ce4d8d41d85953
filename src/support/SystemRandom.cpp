#include "support/SystemRandom.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace ovk {

std::string SystemRandomBytes(std::size_t count) {
  std::string bytes(count, '\0');
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = getrandom(bytes.data() + done, count - done, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "the system's random source failed");
    }
    done += static_cast<std::size_t>(got);
  }
  return bytes;
}

std::uint32_t SystemRandomBelow(std::uint32_t n) {
  if (n == 0) return 0;
  // The lowest 2^32 mod n draws would give the smallest results one extra
  // chance each: they are drawn again instead.
  const std::uint32_t uneven = (0u - n) % n;
  for (;;) {
    std::uint32_t draw;
    std::memcpy(&draw, SystemRandomBytes(sizeof draw).data(), sizeof draw);
    if (draw >= uneven) return draw % n;
  }
}

std::string SystemRandomHex(std::size_t count) {
  static constexpr char kHex[] = "0123456789abcdef";
  const std::string bytes = SystemRandomBytes((count + 1) / 2);
  std::string hex(count, '0');
  for (std::size_t i = 0; i < count; ++i) {
    const auto b = static_cast<std::uint8_t>(bytes[i / 2]);
    hex[i] = kHex[i % 2 == 0 ? b >> 4 : b & 0x0F];
  }
  return hex;
}

}  // namespace ovk
