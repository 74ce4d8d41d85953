// The encipherment of one entry's payload, piece by piece, in both
// directions: traditional ZIP encryption, the native CAST-256 chaining and
// WinZip AES.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "coding/Cipher.h"
#include "coding/Decompressor.h"

namespace ovk {

// The operation's one CAST-256 cipher, keyed from the password of its first use.
TCipher_Cast256& HeldCipher(CipherHolder& cipher, const std::string& password);

class DecipherStage {
 public:
  virtual ~DecipherStage() = default;
  // Takes all of `stored` and appends the plain bytes it can give so far.
  // kEnd when no further plain bytes will come (the stored bytes left mean
  // nothing), kError when they cannot be the entry's (a wrong password).
  virtual StreamStatus Decipher(std::string_view stored, std::string& out) = 0;
  // After the last stored byte: appends the plain bytes held back; false
  // when the stored bytes fail their authentication.
  virtual bool Finish(std::string& out) = 0;
};

class EncipherStage {
 public:
  virtual ~EncipherStage() = default;
  virtual void Encipher(std::string_view plain, std::string& out) = 0;
  virtual void Finish(std::string& out) = 0;
};

// Traditional ZIP encryption. The 12-byte header ends in checkByte (bits
// 24-31 of the CRC-32, or of the time with a data descriptor); a header that
// disagrees, or is incomplete, deciphers to no content at all.
std::unique_ptr<DecipherStage> MakeZipDecipher(const std::string& password, std::uint8_t checkByte);
std::unique_ptr<EncipherStage> MakeZipEncipher(const std::string& password, std::uint32_t crc);

// The native chaining of the operation's cipher, restarted from its IV.
std::unique_ptr<DecipherStage> MakeCastDecipher(TCipher_Cast256& cipher);
std::unique_ptr<EncipherStage> MakeCastEncipher(TCipher_Cast256& cipher);

// WinZip AES (strength 1..3 = AES-128/192/256): salt, password verifier,
// data, authentication code. The salt must hold AesSaltLength(strength)
// random bytes.
std::unique_ptr<DecipherStage> MakeAesDecipher(const std::string& password, std::uint8_t strength);
std::unique_ptr<EncipherStage> MakeAesEncipher(const std::string& password, std::uint8_t strength,
                                               std::string_view salt);

}  // namespace ovk
