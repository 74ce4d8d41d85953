// CRC-32 by slicing-by-8: eight derived tables let each step consume eight
// bytes; the values are those of the byte-at-a-time table method.
#include "coding/Crc32.h"

#include <libdeflate.h>

#include <array>

namespace ovk {
namespace {

using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr CrcTables MakeTables() {
  CrcTables t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  // t[k][i] is the remainder of byte i followed by k zero bytes.
  for (std::uint32_t i = 0; i < 256; ++i)
    for (int k = 1; k < 8; ++k) t[k][i] = t[0][t[k - 1][i] & 0xFF] ^ (t[k - 1][i] >> 8);
  return t;
}

constexpr CrcTables kTables = MakeTables();
static_assert(kTables[0][1] == 0x77073096u && kTables[0][255] == 0x2D02EF8Du);

}  // namespace

// Below this, a call into libdeflate costs more than the tables.
constexpr std::size_t kLibdeflateFrom = 64;

std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t length) {
  // libdeflate (carry-less multiply where the CPU has it) takes and gives the
  // inverted register.
  if (length >= kLibdeflateFrom) return ~libdeflate_crc32(~crc, data, length);
  const auto* p = static_cast<const std::uint8_t*>(data);
  for (; length >= 8; length -= 8, p += 8) {
    // Little-endian assembly keeps the result independent of the host order.
    const std::uint32_t lo = crc ^ (p[0] | (p[1] << 8) | (p[2] << 16) |
                                    (static_cast<std::uint32_t>(p[3]) << 24));
    crc = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
          kTables[4][lo >> 24] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^
          kTables[0][p[7]];
  }
  for (; length > 0; --length, ++p) crc = kTables[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::uint32_t Crc32(const void* data, std::size_t length) {
  return ~Crc32Update(0xFFFFFFFFu, data, length);
}

std::uint32_t Crc32(const std::string& data) { return Crc32(data.data(), data.size()); }

}  // namespace ovk
