// CAST-256 (RFC 2612): 12 quad-rounds on four 32-bit words, six forward and
// six inverse; each quad-round uses four masking keys and four rotations.
#include <algorithm>
#include <bit>
#include <cstring>

#include "coding/Cast256Sboxes.h"
#include "coding/Cipher.h"

namespace ovk {
namespace {

constexpr int kBlockSize = 16;
constexpr int kMaxKeySize = 32;
constexpr int kQuadRounds = 12;
// Km of every quad-round (4 words each), then their Kr.
constexpr int kRotationOffset = 4 * kQuadRounds;
constexpr int kKeyScheduleSize = 2 * kRotationOffset * 4;

std::uint32_t S(int box, std::uint32_t i, int shift) { return kCastSbox[box][(i >> shift) & 0xFF]; }

std::uint32_t F1(std::uint32_t d, std::uint32_t km, std::uint32_t kr) {
  const std::uint32_t i = std::rotl(km + d, static_cast<int>(kr));
  return ((S(0, i, 24) ^ S(1, i, 16)) - S(2, i, 8)) + S(3, i, 0);
}

std::uint32_t F2(std::uint32_t d, std::uint32_t km, std::uint32_t kr) {
  const std::uint32_t i = std::rotl(km ^ d, static_cast<int>(kr));
  return ((S(0, i, 24) - S(1, i, 16)) + S(2, i, 8)) ^ S(3, i, 0);
}

std::uint32_t F3(std::uint32_t d, std::uint32_t km, std::uint32_t kr) {
  const std::uint32_t i = std::rotl(km - d, static_cast<int>(kr));
  return ((S(0, i, 24) + S(1, i, 16)) ^ S(2, i, 8)) - S(3, i, 0);
}

std::uint32_t LoadBE32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

void StoreBE32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// Forward quad-round Q on words A, B, C, D.
void Quad(std::uint32_t* x, const std::uint32_t* km, const std::uint32_t* kr) {
  x[2] ^= F1(x[3], km[0], kr[0]);
  x[1] ^= F2(x[2], km[1], kr[1]);
  x[0] ^= F3(x[1], km[2], kr[2]);
  x[3] ^= F1(x[0], km[3], kr[3]);
}

// Inverse quad-round QBAR: the steps of Q in reverse order.
void QuadInverse(std::uint32_t* x, const std::uint32_t* km, const std::uint32_t* kr) {
  x[3] ^= F1(x[0], km[3], kr[3]);
  x[0] ^= F3(x[1], km[2], kr[2]);
  x[1] ^= F2(x[2], km[1], kr[1]);
  x[2] ^= F1(x[3], km[0], kr[0]);
}

// Forward octave W on key words A to H, with the next eight Tm/Tr values.
void Octave(std::uint32_t* k, std::uint32_t& cm, std::uint32_t& cr) {
  std::uint32_t tm[8], tr[8];
  for (int j = 0; j < 8; ++j) {
    tm[j] = cm;
    cm += 0x6ED9EBA1u;
    tr[j] = cr;
    cr = (cr + 17) & 31;
  }
  k[6] ^= F1(k[7], tm[0], tr[0]);
  k[5] ^= F2(k[6], tm[1], tr[1]);
  k[4] ^= F3(k[5], tm[2], tr[2]);
  k[3] ^= F1(k[4], tm[3], tr[3]);
  k[2] ^= F2(k[3], tm[4], tr[4]);
  k[1] ^= F3(k[2], tm[5], tr[5]);
  k[0] ^= F1(k[1], tm[6], tr[6]);
  k[7] ^= F2(k[0], tm[7], tr[7]);
}

}  // namespace

TCipher_Cast256::TCipher_Cast256() { Setup(); }

void TCipher_Cast256::GetSizes(int& blockSize, int& maxKeySize, int& keyScheduleSize) const {
  blockSize = kBlockSize;
  maxKeySize = kMaxKeySize;
  keyScheduleSize = kKeyScheduleSize;
}

void TCipher_Cast256::EncryptBlock(std::uint8_t* block) {
  std::uint32_t x[4];
  for (int i = 0; i < 4; ++i) x[i] = LoadBE32(block + 4 * i);
  const std::uint32_t* km = keySchedule_.data();
  const std::uint32_t* kr = km + kRotationOffset;
  for (int i = 0; i < 6; ++i) Quad(x, km + 4 * i, kr + 4 * i);
  for (int i = 6; i < kQuadRounds; ++i) QuadInverse(x, km + 4 * i, kr + 4 * i);
  for (int i = 0; i < 4; ++i) StoreBE32(block + 4 * i, x[i]);
}

void TCipher_Cast256::DecryptBlock(std::uint8_t* block) {
  std::uint32_t x[4];
  for (int i = 0; i < 4; ++i) x[i] = LoadBE32(block + 4 * i);
  const std::uint32_t* km = keySchedule_.data();
  const std::uint32_t* kr = km + kRotationOffset;
  for (int i = kQuadRounds - 1; i >= 6; --i) Quad(x, km + 4 * i, kr + 4 * i);
  for (int i = 5; i >= 0; --i) QuadInverse(x, km + 4 * i, kr + 4 * i);
  for (int i = 0; i < 4; ++i) StoreBE32(block + 4 * i, x[i]);
}

void TCipher_Cast256::Init(const void* key, int length, const std::uint8_t* iv) {
  SetFlag(kCipherFlagKeyed, false);
  Wipe();
  length = std::clamp(length, 0, kMaxKeySize);
  // A shorter key is padded with zero bits to 256.
  std::uint8_t area[kMaxKeySize] = {};
  if (length > 0) std::memcpy(area, key, static_cast<std::size_t>(length));
  std::uint32_t k[8];
  for (int i = 0; i < 8; ++i) k[i] = LoadBE32(area + 4 * i);

  std::uint32_t* km = keySchedule_.data();
  std::uint32_t* kr = km + kRotationOffset;
  std::uint32_t cm = 0x5A827999u, cr = 19;
  for (int i = 0; i < kQuadRounds; ++i) {
    Octave(k, cm, cr);
    Octave(k, cm, cr);
    const std::uint32_t masks[4] = {k[7], k[5], k[3], k[1]};      // H, F, D, B
    const std::uint32_t rotations[4] = {k[0], k[2], k[4], k[6]};  // A, C, E, G
    for (int j = 0; j < 4; ++j) {
      km[4 * i + j] = masks[j];
      kr[4 * i + j] = rotations[j] & 31;
    }
  }
  volatile std::uint8_t* clear = area;
  for (int i = 0; i < kMaxKeySize; ++i) clear[i] = 0;

  // Without a given IV, the IV is E(16 x 0xFF) under the new key.
  if (iv)
    std::memcpy(iv_.data(), iv, iv_.size());
  else
    EncryptBlock(iv_.data());
  ResetChain();
  SetFlag(kCipherFlagKeyed, true);
}

}  // namespace ovk
