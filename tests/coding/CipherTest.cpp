// CAST-256 and the password cipher built on it: published vectors, then the
// chaining properties that a wrong tail, chain or in-place path would break.
#include <gtest/gtest.h>

#include "coding/Cipher.h"
#include "coding/CipherStage.h"
#include "PieceFeed.h"
#include "common/TestUtil.h"

namespace ovk {
namespace {

using ovktest::FromHex;
using ovktest::RandomBytes;
using ovktest::ToHex;

struct BlockVector {
  const char* key;
  const char* cipher;
};

// RFC 2612, Appendix B: the zero block under 128-, 192- and 256-bit keys.
const BlockVector kRfcVectors[] = {
    {"2342bb9efa38542c0af75647f29f615d", "c842a08972b43d20836c91d1b7530f6b"},
    {"2342bb9efa38542cbed0ac83940ac298bac77a7717942863", "1b386c0210dcadcbdd0e41aa08a7a7e8"},
    {"2342bb9efa38542cbed0ac83940ac2988d7c47ce264908461cc1b5137ae6b604",
     "4f6a2038286897b9c9870136553317fa"},
};

std::string EncryptedBlock(const std::string& key, std::string block) {
  TCipher_Cast256 cipher;
  cipher.Init(key.data(), static_cast<int>(key.size()), nullptr);
  cipher.EncryptBlock(reinterpret_cast<std::uint8_t*>(block.data()));
  return block;
}

TEST(Cast256, RfcVectorsBothDirections) {
  for (const auto& v : kRfcVectors) {
    const std::string key = FromHex(v.key);
    TCipher_Cast256 cipher;
    cipher.Init(key.data(), static_cast<int>(key.size()), nullptr);
    std::string block(16, '\0');
    auto* b = reinterpret_cast<std::uint8_t*>(block.data());
    cipher.EncryptBlock(b);
    EXPECT_EQ(ToHex(block), v.cipher) << v.key;
    cipher.DecryptBlock(b);
    EXPECT_EQ(block, std::string(16, '\0')) << v.key;
  }
}

TEST(Cast256, KeyLengthIsPaddedWithZerosAndCutAt32) {
  const std::string key20 = RandomBytes(20, 1);
  const std::string block = RandomBytes(16, 2);
  EXPECT_EQ(EncryptedBlock(key20, block), EncryptedBlock(key20 + std::string(12, '\0'), block));
  const std::string key40 = RandomBytes(40, 3);
  EXPECT_EQ(EncryptedBlock(key40, block), EncryptedBlock(key40.substr(0, 32), block));

  TCipher_Cast256 negative, empty;
  negative.Init(key20.data(), -5, nullptr);
  empty.Init(nullptr, 0, nullptr);
  EXPECT_EQ(ToHex(std::string(reinterpret_cast<const char*>(negative.IV()), 16)),
            ToHex(std::string(reinterpret_cast<const char*>(empty.IV()), 16)));
}

TEST(Cast256, IvIsTheEncipheredAllOnesBlockUnlessGiven) {
  const std::string key = FromHex(kRfcVectors[0].key);
  TCipher_Cast256 cipher;
  cipher.Init(key.data(), 16, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(cipher.IV()), 16),
            EncryptedBlock(key, std::string(16, '\xFF')));
  const std::string given = RandomBytes(16, 9);
  cipher.Init(key.data(), 16, reinterpret_cast<const std::uint8_t*>(given.data()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(cipher.IV()), 16), given);
}

std::string Counting(std::size_t length) {
  std::string s(length, '\0');
  for (std::size_t i = 0; i < length; ++i) s[i] = static_cast<char>(i);
  return s;
}

struct PasswordVector {
  std::string password;
  std::size_t length;
  const char* cipher;
};

TEST(PasswordCipher, ReferenceVectors) {
  const PasswordVector vectors[] = {
      {"secret", 0, ""},
      {"secret", 5, "fa22a7a697"},
      {"secret", 16, "7c0e56197abe99d6e803d4a406f65c65"},
      {"secret", 40,
       "7c0e56197abe99d6e803d4a406f65c6564709756e84074d460e56feebe335ece4712f79dffb3159a"},
      {"", 5, "9c8c4559c9"},
      {"", 16, "69dccc0d0c37de949df2bedde6032abc"},
      {"", 40,
       "69dccc0d0c37de949df2bedde6032abc8e30d4a00159663ae524349775db4dc498b835107ee5c71b"},
  };
  for (const auto& v : vectors) {
    TCipher_Cast256 cipher;
    cipher.InitKey(v.password);
    const std::string plain = Counting(v.length);
    const std::string enciphered = cipher.EncryptString(plain);
    EXPECT_EQ(ToHex(enciphered), v.cipher) << v.password << "/" << v.length;
    cipher.ResetChain();
    EXPECT_EQ(cipher.DecryptString(enciphered), plain) << v.password << "/" << v.length;
  }
}

TEST(PasswordCipher, KeyIsTheDigestOfThePasswordBytes) {
  // "é" in Latin-1 and in UTF-8 are different keys.
  TCipher_Cast256 latin1, utf8;
  latin1.InitKey("caf\xE9");
  utf8.InitKey("caf\xC3\xA9");
  const std::string plain = Counting(16);
  EXPECT_NE(latin1.EncryptString(plain), utf8.EncryptString(plain));

  // InitKey is Init with SHA-1("secret"), leaving the same IV and chain.
  const std::string digest = FromHex("e5e9fa1ba31ecd1ae84f75caaa474f3a663f05f4");
  TCipher_Cast256 byPassword, byKey;
  byPassword.InitKey("secret");
  byKey.Init(digest.data(), 20, nullptr);
  const std::string data = RandomBytes(37, 4);
  EXPECT_EQ(byPassword.EncryptString(data), byKey.EncryptString(data));
}

class TailLengths : public ::testing::TestWithParam<std::size_t> {};

// A tail is XORed with E(F): for one short string that is E(IV).
TEST_P(TailLengths, ShortStringIsXorWithEncipheredIv) {
  const std::size_t length = GetParam();
  TCipher_Cast256 cipher;
  cipher.InitKey("pw");
  std::string keyBlock(reinterpret_cast<const char*>(cipher.IV()), 16);
  cipher.EncryptBlock(reinterpret_cast<std::uint8_t*>(keyBlock.data()));
  const std::string plain = RandomBytes(length, 11);
  const std::string enciphered = cipher.EncryptString(plain);
  ASSERT_EQ(enciphered.size(), length);
  for (std::size_t i = 0; i < length; ++i)
    EXPECT_EQ(enciphered[i], static_cast<char>(plain[i] ^ keyBlock[i])) << i;
}
INSTANTIATE_TEST_SUITE_P(Lengths, TailLengths, ::testing::Values(1, 2, 8, 15));

class Lengths : public ::testing::TestWithParam<std::size_t> {};

// In place and into another buffer give the same bytes, both directions.
TEST_P(Lengths, InPlaceEqualsSeparateBuffersAndRoundTrips) {
  const std::string plain = RandomBytes(GetParam(), 5);
  TCipher_Cast256 a, b;
  a.InitKey("k");
  b.InitKey("k");
  std::string separate(plain.size(), '\0');
  a.EncryptBuffer(plain.data(), separate.data(), plain.size());
  std::string inPlace = plain;
  b.EncryptBuffer(inPlace.data(), inPlace.data(), inPlace.size());
  EXPECT_EQ(separate, inPlace);
  a.ResetChain();
  b.ResetChain();
  std::string back(plain.size(), '\0');
  a.DecryptBuffer(separate.data(), back.data(), separate.size());
  b.DecryptBuffer(inPlace.data(), inPlace.data(), inPlace.size());
  EXPECT_EQ(back, plain);
  EXPECT_EQ(inPlace, plain);
}
INSTANTIATE_TEST_SUITE_P(Sizes, Lengths, ::testing::Values(0, 1, 15, 16, 17, 31, 32, 33, 4096, 4099));

TEST(PasswordCipher, ChainAfterWholeBlocksIsIvXorCiphertexts) {
  TCipher_Cast256 cipher;
  cipher.InitKey("chain");
  const std::string iv(reinterpret_cast<const char*>(cipher.IV()), 16);
  const std::string first = cipher.EncryptString(RandomBytes(48, 6));
  // The next string's first block is E(P xor F) with F = IV ^ C1 ^ C2 ^ C3.
  std::string f = iv;
  for (int k = 0; k < 3; ++k)
    for (int i = 0; i < 16; ++i) f[i] = static_cast<char>(f[i] ^ first[16 * k + i]);
  const std::string next = cipher.EncryptString(std::string(16, '\0'));
  TCipher_Cast256 reference;
  reference.InitKey("chain");
  reference.EncryptBlock(reinterpret_cast<std::uint8_t*>(f.data()));
  EXPECT_EQ(next, f);
}

TEST(PasswordCipher, ResetChainRestartsFromTheIv) {
  TCipher_Cast256 cipher;
  cipher.InitKey("again");
  const std::string plain = RandomBytes(21, 8);
  const std::string once = cipher.EncryptString(plain);
  const std::string unreset = cipher.EncryptString(plain);
  cipher.ResetChain();
  const std::string reset = cipher.EncryptString(plain);
  EXPECT_NE(unreset, once);
  EXPECT_EQ(reset, once);
}

TEST(PasswordCipher, SharedLeadingBlocksGiveSharedCiphertext) {
  const std::string common = RandomBytes(32, 12);
  TCipher_Cast256 cipher;
  cipher.InitKey("p");
  const std::string a = cipher.EncryptString(common + "tail one, longer");
  cipher.ResetChain();
  const std::string b = cipher.EncryptString(common + "another");
  EXPECT_EQ(a.substr(0, 32), b.substr(0, 32));
  EXPECT_NE(a.substr(32, 7), b.substr(32, 7));
}

TEST(PasswordCipher, DamagedBlockSpoilsItAndEverythingAfter) {
  const std::string plain = RandomBytes(16 * 4 + 5, 13);
  TCipher_Cast256 cipher;
  cipher.InitKey("p");
  std::string enciphered = cipher.EncryptString(plain);
  enciphered[16 + 3] ^= 0x01;
  cipher.ResetChain();
  const std::string back = cipher.DecryptString(enciphered);
  EXPECT_EQ(back.substr(0, 16), plain.substr(0, 16));
  for (std::size_t block = 1; block < 4; ++block)
    EXPECT_NE(back.substr(16 * block, 16), plain.substr(16 * block, 16)) << block;
  EXPECT_NE(back.substr(64), plain.substr(64));
}

TEST(PasswordCipher, WrongPasswordGivesWrongBytesOfTheSameLength) {
  TCipher_Cast256 right, wrong;
  right.InitKey("right");
  wrong.InitKey("wrong");
  const std::string plain = RandomBytes(50, 14);
  const std::string back = wrong.DecryptString(right.EncryptString(plain));
  EXPECT_EQ(back.size(), plain.size());
  EXPECT_NE(back, plain);
}

TEST(PasswordCipher, UnkeyedBufferOperationsRaiseCodeThree) {
  TCipher_Cast256 fresh, wiped;
  wiped.InitKey("x");
  EXPECT_TRUE(wiped.Keyed());
  wiped.Wipe();
  EXPECT_FALSE(fresh.Keyed());
  EXPECT_FALSE(wiped.Keyed());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(wiped.IV()), 16), std::string(16, '\xFF'));
  char buffer[4] = {};
  for (TCipher* c : {static_cast<TCipher*>(&fresh), static_cast<TCipher*>(&wiped)}) {
    for (bool encrypt : {true, false}) {
      try {
        if (encrypt)
          c->EncryptBuffer(buffer, buffer, 0);
        else
          c->DecryptString("abc");
        ADD_FAILURE() << "no exception";
      } catch (const ECipherException& e) {
        EXPECT_EQ(e.errorCode, 3);
        EXPECT_STREQ(e.what(), "TCipher_Cast256 is not initialized call Init() or InitKey() before.");
      }
    }
  }
}

// The stages give exactly the whole-buffer bytes however the payload is
// cut, and restart from the IV for each entry on the one cipher.
TEST(PasswordCipher, StagesInPiecesEqualTheWholeBuffer) {
  TCipher_Cast256 reference, held;
  reference.InitKey("pw");
  held.InitKey("pw");
  for (std::size_t length : {0, 1, 15, 16, 17, 33, 4099, 100000}) {
    const std::string plain = RandomBytes(length, static_cast<unsigned>(length));
    const std::string whole = reference.EncryptString(plain);
    reference.ResetChain();
    for (unsigned seed = 1; seed <= 3; ++seed) {
      std::string enciphered, deciphered;
      auto encipher = MakeCastEncipher(held);
      for (std::string_view piece : ovktest::RandomPieces(plain, seed, 40)) encipher->Encipher(piece, enciphered);
      encipher->Finish(enciphered);
      EXPECT_EQ(enciphered, whole) << length << "/" << seed;
      auto decipher = MakeCastDecipher(held);
      for (std::string_view piece : ovktest::RandomPieces(whole, seed + 10, 40))
        EXPECT_EQ(decipher->Decipher(piece, deciphered), StreamStatus::kMore);
      EXPECT_TRUE(decipher->Finish(deciphered));
      EXPECT_EQ(deciphered, plain) << length << "/" << seed;
    }
  }
}

}  // namespace
}  // namespace ovk
