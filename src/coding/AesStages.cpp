// WinZip AES piece by piece. The last kAesMacBytes seen are held back until
// the end: only then is it known that they are the authentication code and
// not data.
#include <openssl/crypto.h>

#include <algorithm>
#include <stdexcept>

#include "coding/CipherStage.h"
#include "coding/WinZipAes.h"

namespace ovk {
namespace {

// The counter mode and the code over the enciphered bytes, keyed from the
// password and salt; the keys themselves are not kept.
struct AesSession {
  explicit AesSession(const AesKeys& keys) : counter(keys.cipherKey), mac(keys.macKey) {}
  AesCounterMode counter;
  AesMac mac;
};

void Wipe(AesKeys& keys) {
  for (std::string* key : {&keys.cipherKey, &keys.macKey, &keys.verifier})
    OPENSSL_cleanse(key->data(), key->size());
}

class AesDecipher : public DecipherStage {
 public:
  AesDecipher(const std::string& password, std::uint8_t strength)
      : password_(password), strength_(strength), preambleLength_(AesSaltLength(strength) + kAesVerifierBytes) {}
  ~AesDecipher() override { OPENSSL_cleanse(password_.data(), password_.size()); }

  StreamStatus Decipher(std::string_view stored, std::string& out) override {
    if (refused_) return StreamStatus::kError;
    if (!session_) {
      const std::size_t take = std::min(stored.size(), preambleLength_ - preamble_.size());
      preamble_.append(stored.substr(0, take));
      stored.remove_prefix(take);
      if (preamble_.size() < preambleLength_) return StreamStatus::kMore;
      if (!Start()) return StreamStatus::kError;
    }
    held_.append(stored);
    if (held_.size() <= kAesMacBytes) return StreamStatus::kMore;
    const std::size_t data = held_.size() - kAesMacBytes;
    session_->mac.Update(std::string_view(held_).substr(0, data));
    const std::size_t at = out.size();
    out.append(held_, 0, data);
    session_->counter.Apply(out.data() + at, data);
    held_.erase(0, data);
    return StreamStatus::kMore;
  }

  bool Finish(std::string&) override {
    if (!session_ || held_.size() != kAesMacBytes) return false;
    const std::string code = session_->mac.Final();
    return CRYPTO_memcmp(code.data(), held_.data(), kAesMacBytes) == 0;
  }

 private:
  // Keys from the salt; false when the strength is unknown or the password's
  // verifier disagrees.
  bool Start() {
    refused_ = AesSaltLength(strength_) == 0;
    if (refused_) return false;
    const std::size_t saltLength = preambleLength_ - kAesVerifierBytes;
    AesKeys keys = DeriveAesKeys(password_, std::string_view(preamble_).substr(0, saltLength), strength_);
    refused_ = CRYPTO_memcmp(keys.verifier.data(), preamble_.data() + saltLength, kAesVerifierBytes) != 0;
    if (!refused_) session_ = std::make_unique<AesSession>(keys);
    Wipe(keys);
    return !refused_;
  }

  std::string password_;
  std::uint8_t strength_;
  std::size_t preambleLength_;
  std::string preamble_, held_;
  std::unique_ptr<AesSession> session_;
  bool refused_ = false;
};

class AesEncipher : public EncipherStage {
 public:
  AesEncipher(const std::string& password, std::uint8_t strength, std::string_view salt) {
    AesKeys keys = DeriveAesKeys(password, salt, strength);
    preamble_.assign(salt).append(keys.verifier);
    session_ = std::make_unique<AesSession>(keys);
    Wipe(keys);
  }

  void Encipher(std::string_view plain, std::string& out) override {
    out.append(preamble_);
    preamble_.clear();
    const std::size_t at = out.size();
    out.append(plain);
    session_->counter.Apply(out.data() + at, plain.size());
    session_->mac.Update(std::string_view(out).substr(at));
  }

  void Finish(std::string& out) override {
    Encipher({}, out);
    out.append(session_->mac.Final());
  }

 private:
  std::string preamble_;  // salt and verifier, until they have gone out
  std::unique_ptr<AesSession> session_;
};

}  // namespace

std::unique_ptr<DecipherStage> MakeAesDecipher(const std::string& password, std::uint8_t strength) {
  return std::make_unique<AesDecipher>(password, strength);
}

std::unique_ptr<EncipherStage> MakeAesEncipher(const std::string& password, std::uint8_t strength,
                                               std::string_view salt) {
  if (salt.size() != AesSaltLength(strength)) throw std::invalid_argument("AES salt of the wrong length");
  return std::make_unique<AesEncipher>(password, strength, salt);
}

}  // namespace ovk
