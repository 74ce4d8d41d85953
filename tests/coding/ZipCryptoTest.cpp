// Traditional ZIP encryption: header shape, check byte and an independent
// decrypter (Python's zipfile) as the reference for the key stream.
#include <gtest/gtest.h>

#include "coding/Crc32.h"
#include "coding/ZipCrypto.h"
#include "common/TestUtil.h"

namespace ovk {
namespace {

using ovktest::FromHex;
using ovktest::Quote;
using ovktest::RandomBytes;
using ovktest::ToHex;

// Deciphers with the keys of a fresh InitKeys, header included.
std::string DecipherAll(const std::string& payload, const std::string& password) {
  ZipKeys keys;
  InitKeys(keys, password);
  std::string out = payload;
  for (char& c : out) {
    c = static_cast<char>(static_cast<std::uint8_t>(c) ^ KeystreamByte(keys));
    UpdateKeys(keys, static_cast<std::uint8_t>(c));
  }
  return out;
}

TEST(ZipCrypto, EmptyPasswordLeavesTheInitialKeys) {
  ZipKeys keys;
  InitKeys(keys, "");
  EXPECT_EQ(keys.key0, 0x12345678u);
  EXPECT_EQ(keys.key1, 0x23456789u);
  EXPECT_EQ(keys.key2, 0x34567890u);
  InitKeys(keys, "a");
  EXPECT_NE(keys.key0, 0x12345678u);
}

TEST(ZipCrypto, HeaderIsTenSmallRandomBytesThenTheCrcHighBytes) {
  const std::uint32_t crc = 0xA1B2C3D4u;
  for (int round = 0; round < 200; ++round) {
    const std::string header = MakeEncryptionHeader(crc);
    ASSERT_EQ(header.size(), 12u);
    for (int i = 0; i < 10; ++i) EXPECT_LT(static_cast<std::uint8_t>(header[i]), 126) << i;
    EXPECT_EQ(static_cast<std::uint8_t>(header[10]), 0xB2);
    EXPECT_EQ(static_cast<std::uint8_t>(header[11]), 0xA1);
  }
}

struct RoundTrip {
  std::size_t length;
  std::string password;
};

class ZipCryptoRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(ZipCryptoRoundTrip, EncryptsTwelveLongerAndDecryptsBack) {
  const auto& p = GetParam();
  const std::string data = RandomBytes(p.length, 21);
  const std::uint32_t crc = Crc32(data);
  const std::string payload = ZipEncrypt(data, p.password, crc);
  ASSERT_EQ(payload.size(), data.size() + 12);
  const std::string plain = DecipherAll(payload, p.password);
  EXPECT_EQ(static_cast<std::uint8_t>(plain[11]), crc >> 24);
  EXPECT_EQ(plain.substr(12), data);
  EXPECT_EQ(ZipDecrypt(payload, p.password, crc), data);
}
INSTANTIATE_TEST_SUITE_P(Cases, ZipCryptoRoundTrip,
                         ::testing::Values(RoundTrip{0, "pw"}, RoundTrip{1, "pw"}, RoundTrip{16, ""},
                                           RoundTrip{1000, "\xC3\xA9t\xC3\xA9"},
                                           RoundTrip{65536, "long password with spaces"}));

TEST(ZipCrypto, SameInputTwiceDiffersOnlyByTheRandomHeader) {
  const std::string data = "identical content";
  const std::uint32_t crc = Crc32(data);
  const std::string a = ZipEncrypt(data, "pw", crc);
  const std::string b = ZipEncrypt(data, "pw", crc);
  EXPECT_NE(a, b);
  EXPECT_EQ(ZipDecrypt(a, "pw", crc), data);
  EXPECT_EQ(ZipDecrypt(b, "pw", crc), data);
}

TEST(ZipCrypto, CheckByteRejectsWrongPasswordsAndMismatchedCrc) {
  const std::string data = RandomBytes(100, 22);
  const std::uint32_t crc = Crc32(data);
  const std::string payload = ZipEncrypt(data, "right", crc);
  int accepted = 0;
  for (int i = 0; i < 512; ++i) {
    const std::string got = ZipDecrypt(payload, "wrong" + std::to_string(i), crc);
    if (!got.empty()) {
      ++accepted;
      EXPECT_NE(got, data);  // a chance match still deciphers wrongly
    }
  }
  EXPECT_LT(accepted, 12);  // about 2 expected in 512
  EXPECT_EQ(ZipDecrypt(payload, "right", crc ^ 0x01000000u), "");
  // Only the top byte is compared.
  EXPECT_EQ(ZipDecrypt(payload, "right", crc ^ 0x00FFFFFFu), data);
}

TEST(ZipCrypto, CheckedVariantComparesTheGivenByte) {
  const std::string data = "abc";
  // A data-descriptor entry's header carries time bits 8-15 as its check byte.
  const std::uint32_t fakeCrc = 0x5A000000u;
  const std::string payload = ZipEncrypt(data, "pw", fakeCrc);
  EXPECT_EQ(ZipDecryptChecked(payload, "pw", 0x5A), data);
  EXPECT_EQ(ZipDecryptChecked(payload, "pw", 0x5B), "");
}

TEST(ZipCrypto, ShortPayloadGivesEmptyResult) {
  // Each is cut from its own heap copy so a sanitizer sees any over-read.
  const std::string full = ZipEncrypt("", "pw", 0);
  ASSERT_EQ(full.size(), 12u);
  EXPECT_EQ(ZipDecrypt(full, "pw", 0), "");
  for (std::size_t n = 0; n < 12; ++n) {
    const std::string shortPayload(full.data(), n);
    EXPECT_EQ(ZipDecrypt(shortPayload, "pw", 0), "") << n;
    EXPECT_EQ(ZipDecryptChecked(shortPayload, "pw", 0), "") << n;
  }
}

// An independent decrypter must read our payloads as the same bytes.
TEST(ZipCrypto, PythonZipfileDecrypterAgrees) {
  OVK_REQUIRE_TOOL("python3");
  const std::string data = RandomBytes(300, 23);
  const std::string password = "Pass w\xC3\xB6rd";
  const std::string payload = ZipEncrypt(data, password, Crc32(data));
  const std::string script =
      "import sys, zipfile\n"
      "d = zipfile._ZipDecrypter(bytes.fromhex(sys.argv[1]))\n"
      "print(d(bytes.fromhex(sys.argv[2])).hex())\n";
  const auto result = ovktest::Run("python3 -c " + Quote(script) + " " + ToHex(password) + " " +
                                   ToHex(payload));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  const std::string plain = FromHex(result.output.substr(0, result.output.find('\n')));
  ASSERT_EQ(plain.size(), payload.size());
  EXPECT_EQ(plain.substr(12), data);
  EXPECT_EQ(plain, DecipherAll(payload, password));
}

}  // namespace
}  // namespace ovk
