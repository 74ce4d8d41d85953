// The key schedule, hash and cipher come from OpenSSL's libcrypto, which the
// WinZip AES stages use too.
#include "coding/SevenZipAes.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <new>
#include <stdexcept>

#include "support/StringUnit.h"

namespace ovk {
namespace {

constexpr std::size_t kBlock = 16;
constexpr std::size_t kKeyBytes = 32;
// Ciphertext deciphered per call ahead of the inner decoder.
constexpr std::size_t kDecipherAhead = 256 * 1024;
// 0x3F: the key is salt and password themselves, unhashed.
constexpr unsigned kUnhashed = 0x3F;

struct FreeDigest {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct FreeCipher {
  void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

std::string Utf16Le(const std::string& password) {
  std::string bytes;
  for (const char16_t unit : Utf8ToWide(password)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

class SevenZipDecipher final : public Decompressor {
 public:
  SevenZipDecipher(const std::string& key, const std::string& iv, std::unique_ptr<Decompressor> inner)
      : context_(EVP_CIPHER_CTX_new()), inner_(std::move(inner)) {
    if (!context_) throw std::bad_alloc();
    if (EVP_DecryptInit_ex(context_.get(), EVP_aes_256_cbc(), nullptr, Bytes(key), Bytes(iv)) != 1)
      throw std::runtime_error("AES key setup failed");
    EVP_CIPHER_CTX_set_padding(context_.get(), 0);
  }
  ~SevenZipDecipher() override { OPENSSL_cleanse(plain_.data(), plain_.size()); }

  StreamStatus Decode(std::string_view& in, std::string& out, std::size_t maxOut) override {
    if (plain_.size() - used_ < kDecipherAhead) Decipher(in);
    std::string_view pending(plain_.data() + used_, plain_.size() - used_);
    const StreamStatus status = inner_->Decode(pending, out, maxOut);
    used_ = plain_.size() - pending.size();
    return status;
  }

  bool HasEndMarker() const override { return inner_->HasEndMarker(); }

 private:
  void Decipher(std::string_view& in) {
    plain_.erase(0, used_);
    used_ = 0;
    const std::size_t take = std::min(in.size(), kDecipherAhead) / kBlock * kBlock;
    if (take == 0) return;
    const std::size_t base = plain_.size();
    plain_.resize(base + take);
    int made = 0;
    if (EVP_DecryptUpdate(context_.get(), reinterpret_cast<unsigned char*>(plain_.data() + base), &made,
                          reinterpret_cast<const unsigned char*>(in.data()), static_cast<int>(take)) != 1 ||
        static_cast<std::size_t>(made) != take)
      throw std::runtime_error("AES deciphering failed");
    in.remove_prefix(take);
  }

  std::unique_ptr<EVP_CIPHER_CTX, FreeCipher> context_;
  std::unique_ptr<Decompressor> inner_;
  std::string plain_;     // deciphered, from used_ on not yet decoded
  std::size_t used_ = 0;
};

}  // namespace

bool ParseSevenZipAes(const std::string& properties, SevenZipAesParams& params) {
  params = {};
  params.iv.assign(kBlock, '\0');
  if (properties.empty()) return false;
  const auto first = static_cast<std::uint8_t>(properties[0]);
  params.cyclesPower = first & 0x3F;
  if ((first & 0xC0) == 0) return properties.size() == 1 && params.cyclesPower <= kMaxAesCyclesPower;
  if (properties.size() < 2) return false;
  const auto second = static_cast<std::uint8_t>(properties[1]);
  const std::size_t saltSize = ((first >> 7) & 1) + (second >> 4);
  const std::size_t ivSize = ((first >> 6) & 1) + (second & 0x0F);
  if (properties.size() != 2 + saltSize + ivSize) return false;
  params.salt = properties.substr(2, saltSize);
  params.iv.replace(0, ivSize, properties, 2 + saltSize, ivSize);
  return params.cyclesPower <= kMaxAesCyclesPower || params.cyclesPower == kUnhashed;
}

std::string SevenZipAesKey(const std::string& password, const SevenZipAesParams& params) {
  std::string material = params.salt + Utf16Le(password);
  std::string key(kKeyBytes, '\0');
  if (params.cyclesPower == kUnhashed) {
    key.replace(0, std::min(kKeyBytes, material.size()), material, 0, kKeyBytes);
    OPENSSL_cleanse(material.data(), material.size());
    return key;
  }
  const std::unique_ptr<EVP_MD_CTX, FreeDigest> context(EVP_MD_CTX_new());
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) throw std::bad_alloc();
  // Each round hashes the material and the round's number, 8 bytes little-endian.
  const std::size_t length = material.size();
  material.resize(length + 8, '\0');
  const std::uint64_t rounds = std::uint64_t{1} << params.cyclesPower;
  for (std::uint64_t round = 0; round < rounds; ++round) {
    for (int i = 0; i < 8; ++i) material[length + i] = static_cast<char>((round >> (8 * i)) & 0xFF);
    EVP_DigestUpdate(context.get(), material.data(), material.size());
  }
  unsigned size = 0;
  EVP_DigestFinal_ex(context.get(), reinterpret_cast<unsigned char*>(key.data()), &size);
  OPENSSL_cleanse(material.data(), material.size());
  return key;
}

std::unique_ptr<Decompressor> MakeSevenZipDecipher(const std::string& key, const std::string& iv,
                                                   std::unique_ptr<Decompressor> inner) {
  return std::make_unique<SevenZipDecipher>(key, iv, std::move(inner));
}

}  // namespace ovk
