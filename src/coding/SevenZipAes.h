// 7-Zip's AES-256: a key made from the password by iterated SHA-256, and
// the packed bytes deciphered in CBC mode before the next coder reads them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "coding/Decompressor.h"

namespace ovk {

// The coder's properties: how many rounds make the key, its salt and the
// first block's IV (zeros where fewer bytes are stored).
struct SevenZipAesParams {
  unsigned cyclesPower = 0;  // 2^cyclesPower rounds
  std::string salt, iv;      // iv always 16 bytes
};

// More rounds than 7-Zip itself makes would let an archive hold the
// program for ever.
constexpr unsigned kMaxAesCyclesPower = 24;

// False when the properties are malformed or ask for more rounds than
// kMaxAesCyclesPower.
bool ParseSevenZipAes(const std::string& properties, SevenZipAesParams& params);

// The 32-byte key of password (UTF-8, hashed as UTF-16LE) under params.
std::string SevenZipAesKey(const std::string& password, const SevenZipAesParams& params);

// inner reading what key and iv decipher from the packed bytes; a partial
// block is left in `in` for the next call.
std::unique_ptr<Decompressor> MakeSevenZipDecipher(const std::string& key, const std::string& iv,
                                                   std::unique_ptr<Decompressor> inner);

}  // namespace ovk
