// The chaining shared by the cipher family. Each whole block is enciphered
// as C = E(P xor F), then F = C xor F; a final partial block is XORed with
// K = E(F), then F = K xor F. Nothing is padded, so output length = input.
#include "coding/Cipher.h"

#include <algorithm>
#include <cstring>

namespace ovk {
namespace {

// Plain stores that the optimiser may not drop before the memory is freed.
template <typename T>
void SecureFill(std::vector<T>& buffer, T value) {
  volatile T* p = buffer.data();
  for (std::size_t i = 0; i < buffer.size(); ++i) p[i] = value;
}

void XorInto(std::uint8_t* target, const std::uint8_t* with, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) target[i] ^= with[i];
}

}  // namespace

TCipher::~TCipher() { Wipe(); }

void TCipher::Setup() {
  GetSizes(blockSize_, maxKeySize_, keyScheduleSize_);
  scratch_.resize(blockSize_);
  iv_.resize(blockSize_);
  chain_.resize(blockSize_);
  keySchedule_.resize(keyScheduleSize_ / sizeof(std::uint32_t));
  Wipe();
}

void TCipher::SetFlag(int bit, bool on) {
  const std::uint32_t mask = std::uint32_t{1} << bit;
  flags_ = on ? (flags_ | mask) : (flags_ & ~mask);
}

void TCipher::EncryptBlock(std::uint8_t*) {}

void TCipher::DecryptBlock(std::uint8_t*) {}

void TCipher::ResetChain() { std::copy(iv_.begin(), iv_.end(), chain_.begin()); }

void TCipher::Wipe() {
  SetFlag(kCipherFlagKeyed, false);
  SecureFill<std::uint8_t>(iv_, 0xFF);
  SecureFill<std::uint8_t>(chain_, 0xFF);
  SecureFill<std::uint8_t>(scratch_, 0);
  SecureFill<std::uint32_t>(keySchedule_, 0);
}

THash& TCipher::Hash() {
  if (!hash_) hash_ = std::make_unique<THash_SHA1>();
  return *hash_;
}

void TCipher::InitKey(const std::string& password, const std::uint8_t* iv) {
  THash& hash = Hash();
  hash.Init();
  hash.Calc(password.data(), password.size());
  hash.Done();
  const int keyLength = std::min(hash.DigestKeySize(), maxKeySize_);
  Init(hash.DigestKey(), keyLength, iv);
  // Overwrites the only other copy of the key; key and IV stay as they are.
  EncryptBuffer(hash.DigestKey(), hash.DigestKey(), hash.DigestKeySize());
  ResetChain();
}

void TCipher::RequireKey() const {
  if (!Keyed())
    throw ECipherException(kCipherErrorNotKeyed,
                           std::string(ClassName()) + " is not initialized call Init() or InitKey() before.");
}

void TCipher::EncipherTail(const std::uint8_t* source, std::uint8_t* dest, std::size_t length) {
  std::uint8_t* key = scratch_.data();
  std::memcpy(key, chain_.data(), blockSize_);
  EncryptBlock(key);
  for (std::size_t i = 0; i < length; ++i) dest[i] = source[i] ^ key[i];
  XorInto(chain_.data(), key, blockSize_);
}

void TCipher::EncryptBuffer(const void* source, void* dest, std::size_t length) {
  RequireKey();
  const auto* in = static_cast<const std::uint8_t*>(source);
  auto* out = static_cast<std::uint8_t*>(dest);
  const auto block = static_cast<std::size_t>(blockSize_);
  std::uint8_t* f = chain_.data();
  for (; length >= block; length -= block, in += block, out += block) {
    // Reads each source byte before writing the same destination byte, so
    // in-place work is safe.
    for (std::size_t i = 0; i < block; ++i) out[i] = in[i] ^ f[i];
    EncryptBlock(out);
    XorInto(f, out, block);
  }
  if (length > 0) EncipherTail(in, out, length);
  SecureFill<std::uint8_t>(scratch_, 0);
}

void TCipher::DecryptBuffer(const void* source, void* dest, std::size_t length) {
  RequireKey();
  const auto* in = static_cast<const std::uint8_t*>(source);
  auto* out = static_cast<std::uint8_t*>(dest);
  const auto block = static_cast<std::size_t>(blockSize_);
  std::uint8_t* f = chain_.data();
  std::uint8_t* c = scratch_.data();
  for (; length >= block; length -= block, in += block, out += block) {
    // The ciphertext is kept aside: in-place work overwrites it.
    std::memcpy(c, in, block);
    std::memmove(out, in, block);
    DecryptBlock(out);
    XorInto(out, f, block);
    XorInto(f, c, block);
  }
  if (length > 0) EncipherTail(in, out, length);
  SecureFill<std::uint8_t>(scratch_, 0);
}

std::string TCipher::EncryptString(const std::string& data) {
  std::string out = data;
  EncryptBuffer(out.data(), out.data(), out.size());
  return out;
}

std::string TCipher::DecryptString(const std::string& data) {
  std::string out = data;
  DecryptBuffer(out.data(), out.data(), out.size());
  return out;
}

}  // namespace ovk
