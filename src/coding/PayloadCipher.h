// The ciphers an entry's stored bytes may be enciphered with, shared by the
// plans that encode and decode them.
#pragma once

#include <cstdint>

namespace ovk {

// CAST-256, PKWARE's traditional stream cipher, WinZip AES.
enum class PayloadCipher : std::uint8_t { kNone, kCast256, kPkwareTraditional, kWinZipAes };

}  // namespace ovk
