// SHA-1 (FIPS 180-1): 64-byte blocks, big-endian words, 80 steps per block.
#include <algorithm>
#include <bit>
#include <cstring>

#include "coding/Hash.h"

namespace ovk {
namespace {

std::uint32_t GetBE32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

void PutBE32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

}  // namespace

void THash_SHA1::Init() {
  state_[0] = 0x67452301u;
  state_[1] = 0xEFCDAB89u;
  state_[2] = 0x98BADCFEu;
  state_[3] = 0x10325476u;
  state_[4] = 0xC3D2E1F0u;
  length_ = 0;
  std::memset(buffer_, 0, sizeof buffer_);
  digest_.fill(0);
}

void THash_SHA1::Transform(const std::uint8_t block[64]) {
  std::uint32_t w[80];
  for (int i = 0; i < 16; ++i) w[i] = GetBE32(block + 4 * i);
  for (int i = 16; i < 80; ++i) w[i] = std::rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
  for (int i = 0; i < 80; ++i) {
    std::uint32_t f, k;
    if (i < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999u;
    } else if (i < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1u;
    } else if (i < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDCu;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6u;
    }
    const std::uint32_t t = std::rotl(a, 5) + f + e + k + w[i];
    e = d;
    d = c;
    c = std::rotl(b, 30);
    b = a;
    a = t;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
  state_[4] += e;
}

void THash_SHA1::Calc(const void* data, std::size_t length) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::size_t used = length_ % 64;
  length_ += length;
  if (used > 0) {
    const std::size_t take = std::min(length, 64 - used);
    std::memcpy(buffer_ + used, p, take);
    p += take;
    length -= take;
    if (used + take < 64) return;
    Transform(buffer_);
  }
  for (; length >= 64; length -= 64, p += 64) Transform(p);
  if (length > 0) std::memcpy(buffer_, p, length);
}

void THash_SHA1::Done() {
  const std::uint64_t bits = length_ * 8;
  std::uint8_t pad[72] = {0x80};
  const std::size_t used = length_ % 64;
  const std::size_t padLength = (used < 56 ? 56 : 120) - used;
  for (int i = 0; i < 8; ++i) pad[padLength + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  Calc(pad, padLength + 8);
  for (int i = 0; i < 5; ++i) PutBE32(digest_.data() + 4 * i, state_[i]);
}

}  // namespace ovk
