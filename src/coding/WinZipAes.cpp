// WinZip AES on OpenSSL's libcrypto: the key schedule and AES block by EVP
// (ECB over counter blocks, which makes WinZip's counter mode), PBKDF2 and
// HMAC by their own calls.
#include "coding/WinZipAes.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <algorithm>
#include <new>
#include <stdexcept>

namespace ovk {
namespace {

constexpr int kPbkdf2Iterations = 1000;
constexpr std::size_t kAesBlock = 16;
// Keystream made per EVP call: enough blocks to pay for the call.
constexpr std::size_t kKeystreamBlocks = 1024;

std::size_t KeyLength(std::uint8_t strength) { return AesSaltLength(strength) * 2; }

const EVP_CIPHER* EcbCipher(std::size_t keyLength) {
  switch (keyLength) {
    case 16: return EVP_aes_128_ecb();
    case 24: return EVP_aes_192_ecb();
    case 32: return EVP_aes_256_ecb();
    default: throw std::invalid_argument("AES key of an unknown length");
  }
}

const unsigned char* Bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

template <typename T>
T* Made(T* made) {
  if (!made) throw std::bad_alloc();
  return made;
}

}  // namespace

std::size_t AesSaltLength(std::uint8_t strength) {
  return strength >= 1 && strength <= 3 ? 4 + 4 * std::size_t{strength} : 0;
}

AesKeys DeriveAesKeys(const std::string& password, std::string_view salt, std::uint8_t strength) {
  const std::size_t keyLength = KeyLength(strength);
  if (keyLength == 0) throw std::invalid_argument("AES strength must be 1, 2 or 3");
  std::string material(2 * keyLength + kAesVerifierBytes, '\0');
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), Bytes(salt),
                        static_cast<int>(salt.size()), kPbkdf2Iterations, EVP_sha1(),
                        static_cast<int>(material.size()), reinterpret_cast<unsigned char*>(material.data())) != 1)
    throw std::runtime_error("PBKDF2 failed");
  AesKeys keys{material.substr(0, keyLength), material.substr(keyLength, keyLength),
               material.substr(2 * keyLength)};
  OPENSSL_cleanse(material.data(), material.size());
  return keys;
}

struct AesCounterMode::Context {
  EVP_CIPHER_CTX* ctx = Made(EVP_CIPHER_CTX_new());
  ~Context() { EVP_CIPHER_CTX_free(ctx); }
};

AesCounterMode::AesCounterMode(std::string_view key) : context_(std::make_unique<Context>()) {
  if (EVP_EncryptInit_ex(context_->ctx, EcbCipher(key.size()), nullptr, Bytes(key), nullptr) != 1)
    throw std::runtime_error("AES key setup failed");
  EVP_CIPHER_CTX_set_padding(context_->ctx, 0);
}

AesCounterMode::~AesCounterMode() { OPENSSL_cleanse(keystream_.data(), keystream_.size()); }

void AesCounterMode::Refill() {
  std::string counters(kKeystreamBlocks * kAesBlock, '\0');
  for (std::size_t b = 0; b < kKeystreamBlocks; ++b) {
    ++counter_;
    for (std::size_t i = 0; i < 8; ++i) counters[b * kAesBlock + i] = static_cast<char>(counter_ >> (8 * i));
  }
  keystream_.resize(counters.size());
  int produced = 0;
  if (EVP_EncryptUpdate(context_->ctx, reinterpret_cast<unsigned char*>(keystream_.data()), &produced,
                        Bytes(counters), static_cast<int>(counters.size())) != 1 ||
      static_cast<std::size_t>(produced) != counters.size())
    throw std::runtime_error("AES failed");
  used_ = 0;
}

void AesCounterMode::Apply(char* bytes, std::size_t length) {
  while (length > 0) {
    if (used_ == keystream_.size()) Refill();
    const std::size_t n = std::min(length, keystream_.size() - used_);
    for (std::size_t i = 0; i < n; ++i) bytes[i] ^= keystream_[used_ + i];
    bytes += n;
    length -= n;
    used_ += n;
  }
}

struct AesMac::Context {
  std::unique_ptr<EVP_MAC, decltype(&EVP_MAC_free)> mac{Made(EVP_MAC_fetch(nullptr, "HMAC", nullptr)),
                                                        EVP_MAC_free};
  std::unique_ptr<EVP_MAC_CTX, decltype(&EVP_MAC_CTX_free)> ctx{Made(EVP_MAC_CTX_new(mac.get())),
                                                                EVP_MAC_CTX_free};
};

AesMac::AesMac(std::string_view key) : context_(std::make_unique<Context>()) {
  char digest[] = "SHA1";
  const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                               OSSL_PARAM_construct_end()};
  if (EVP_MAC_init(context_->ctx.get(), Bytes(key), key.size(), params) != 1)
    throw std::runtime_error("HMAC key setup failed");
}

AesMac::~AesMac() = default;

void AesMac::Update(std::string_view enciphered) {
  if (EVP_MAC_update(context_->ctx.get(), Bytes(enciphered), enciphered.size()) != 1)
    throw std::runtime_error("HMAC failed");
}

std::string AesMac::Final() {
  unsigned char full[EVP_MAX_MD_SIZE];
  std::size_t length = 0;
  if (EVP_MAC_final(context_->ctx.get(), full, &length, sizeof full) != 1 || length < kAesMacBytes)
    throw std::runtime_error("HMAC failed");
  return std::string(reinterpret_cast<const char*>(full), kAesMacBytes);
}

}  // namespace ovk
