// CRC-32 and SHA-1 against published values and independent references.
#include <gtest/gtest.h>
#include <zlib.h>

#include "coding/Crc32.h"
#include "coding/Hash.h"
#include "common/TestUtil.h"

namespace ovk {
namespace {

using ovktest::FromHex;
using ovktest::RandomBytes;
using ovktest::ToHex;

struct CrcVector {
  const char* input;
  std::uint32_t crc;
};

TEST(Crc32, PublishedValues) {
  const CrcVector vectors[] = {{"", 0x00000000u}, {"abc", 0x352441C2u}, {"123456789", 0xCBF43926u}};
  for (const auto& v : vectors) EXPECT_EQ(Crc32(std::string(v.input)), v.crc) << v.input;
}

TEST(Crc32, UpdateIsTheRawTableStepWithoutInversion) {
  // Table entries 1 and 255 are the remainders of those byte values from 0.
  const std::uint8_t one = 1, top = 255;
  EXPECT_EQ(Crc32Update(0, &one, 1), 0x77073096u);
  EXPECT_EQ(Crc32Update(0, &top, 1), 0x2D02EF8Du);
  EXPECT_EQ(Crc32Update(0x12345678u, nullptr, 0), 0x12345678u);
  // From all ones, one step is inverted CRC-32 of that byte.
  const std::uint8_t a = 'a';
  EXPECT_EQ(~Crc32Update(0xFFFFFFFFu, &a, 1), 0xE8B7BE43u);
}

// The eight-byte path must agree with zlib for every length and alignment.
TEST(Crc32, AgreesWithZlibAcrossLengthsAndOffsets) {
  const std::string data = RandomBytes(4096 + 16, 7);
  for (std::size_t offset = 0; offset < 9; ++offset) {
    for (std::size_t length : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 17u, 63u, 64u, 65u, 1000u, 4096u}) {
      const auto* p = reinterpret_cast<const Bytef*>(data.data() + offset);
      const auto expected = static_cast<std::uint32_t>(crc32(0, p, static_cast<uInt>(length)));
      EXPECT_EQ(Crc32(data.data() + offset, length), expected) << offset << "+" << length;
    }
  }
}

TEST(Crc32, UpdateChainsOverAnySplit) {
  const std::string data = RandomBytes(100, 3);
  const std::uint32_t whole = Crc32(data);
  for (std::size_t split = 0; split <= data.size(); ++split) {
    std::uint32_t c = Crc32Update(0xFFFFFFFFu, data.data(), split);
    c = Crc32Update(c, data.data() + split, data.size() - split);
    EXPECT_EQ(~c, whole) << split;
  }
}

std::string Sha1Hex(const std::string& data) {
  THash_SHA1 hash;
  hash.Calc(data.data(), data.size());
  hash.Done();
  return ToHex(std::string(reinterpret_cast<const char*>(hash.DigestKey()), hash.DigestKeySize()));
}

struct HashVector {
  std::string input;
  const char* digest;
};

TEST(Sha1, PublishedValues) {
  const HashVector vectors[] = {
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {"secret", "e5e9fa1ba31ecd1ae84f75caaa474f3a663f05f4"},
      {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  for (const auto& v : vectors) EXPECT_EQ(Sha1Hex(v.input), v.digest) << v.input.substr(0, 20);
}

// Padding lengths around the 56- and 64-byte marks, fed in pieces of every size.
TEST(Sha1, PieceSizesDoNotChangeTheDigest) {
  for (std::size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 200u}) {
    const std::string data = RandomBytes(length, static_cast<unsigned>(length));
    const std::string whole = Sha1Hex(data);
    for (std::size_t piece = 1; piece <= 70; piece += 3) {
      THash_SHA1 hash;
      for (std::size_t at = 0; at < data.size(); at += piece)
        hash.Calc(data.data() + at, std::min(piece, data.size() - at));
      hash.Done();
      EXPECT_EQ(ToHex(std::string(reinterpret_cast<const char*>(hash.DigestKey()), 20)), whole)
          << length << "/" << piece;
    }
  }
}

TEST(Sha1, InitStartsAFreshDigest) {
  THash_SHA1 hash;
  hash.Calc("junk", 4);
  hash.Done();
  hash.Init();
  hash.Calc("abc", 3);
  hash.Done();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(hash.DigestKey()), 20),
            FromHex("a9993e364706816aba3e25717850c26c9cd0d89d"));
}

}  // namespace
}  // namespace ovk
