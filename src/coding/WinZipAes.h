// The pieces of WinZip's AES encryption (AE-1, AE-2): keys derived from the
// password by PBKDF2-HMAC-SHA1, AES in counter mode with a little-endian
// counter from 1, and a 10-byte HMAC-SHA1 of the enciphered data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ovk {

constexpr std::size_t kAesVerifierBytes = 2;
constexpr std::size_t kAesMacBytes = 10;

// 8, 12 or 16 bytes for strengths 1, 2, 3; 0 for any other strength.
std::size_t AesSaltLength(std::uint8_t strength);

struct AesKeys {
  std::string cipherKey, macKey, verifier;
};
// Throws std::invalid_argument for a strength other than 1..3.
AesKeys DeriveAesKeys(const std::string& password, std::string_view salt, std::uint8_t strength);

// Enciphering and deciphering are the same XOR with the keystream.
class AesCounterMode {
 public:
  explicit AesCounterMode(std::string_view key);
  ~AesCounterMode();
  AesCounterMode(const AesCounterMode&) = delete;
  AesCounterMode& operator=(const AesCounterMode&) = delete;
  void Apply(char* bytes, std::size_t length);

 private:
  void Refill();

  struct Context;
  std::unique_ptr<Context> context_;
  std::uint64_t counter_ = 0;
  std::string keystream_;
  std::size_t used_ = 0;
};

class AesMac {
 public:
  explicit AesMac(std::string_view key);
  ~AesMac();
  AesMac(const AesMac&) = delete;
  AesMac& operator=(const AesMac&) = delete;
  void Update(std::string_view enciphered);
  // The first kAesMacBytes of the HMAC-SHA1.
  std::string Final();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

}  // namespace ovk
