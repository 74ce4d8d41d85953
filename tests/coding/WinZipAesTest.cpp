// WinZip AES against a peer in both directions: entries 7-Zip enciphers
// decode piece by piece, and an entry our encoder writes passes 7-Zip's test
// with the right password and fails it with a wrong one.
#include <gtest/gtest.h>

#include "PieceFeed.h"
#include "coding/Crc32.h"
#include "coding/WinZipAes.h"
#include "common/TestUtil.h"
#include "support/ByteOrder.h"

namespace ovk {
namespace {

using ovktest::Quote;
using ovktest::RandomBytes;
using ovktest::TempDir;

constexpr std::uint16_t kMethodAes = 99;
constexpr std::uint16_t kAesExtraId = 0x9901;

std::uint16_t Le16(const std::string& b, std::size_t at) { return GetLE16(b.data() + at); }
std::uint32_t Le32(const std::string& b, std::size_t at) { return GetLE32(b.data() + at); }

// The first entry of a ZIP: its coding, read from the local header and its
// AES extra field, and its stored bytes.
struct AesEntry {
  PayloadCoding coding;
  std::string stored;
};

AesEntry FirstEntry(const std::string& zip) {
  AesEntry e;
  EXPECT_EQ(Le32(zip, 0), 0x04034b50u);
  EXPECT_EQ(Le16(zip, 6) & 0x9, 0x1) << "enciphered, sizes in the local header";
  EXPECT_EQ(Le16(zip, 8), kMethodAes);
  e.coding.cipher = PayloadCipher::kWinZipAes;
  e.coding.crc32 = Le32(zip, 14);
  e.coding.originalSize = Le32(zip, 22);
  const std::size_t nameLength = Le16(zip, 26), extraLength = Le16(zip, 28);
  const std::string extra = zip.substr(30 + nameLength, extraLength);
  for (std::size_t at = 0; at + 4 <= extra.size(); at += 4 + Le16(extra, at + 2)) {
    if (Le16(extra, at) != kAesExtraId) continue;
    e.coding.aesVendorVersion = Le16(extra, at + 4);
    EXPECT_EQ(extra.substr(at + 6, 2), "AE");
    e.coding.aesStrength = static_cast<std::uint8_t>(extra[at + 8]);
    e.coding.method = Le16(extra, at + 9);
  }
  e.stored = zip.substr(30 + nameLength + extraLength, Le32(zip, 18));
  return e;
}

struct PeerCase {
  const char* option;
  std::uint8_t strength;
  bool compressible;
};

class AesFromPeer : public ::testing::TestWithParam<PeerCase> {};

// The derivation against values computed with an independent PBKDF2 (Python's
// hashlib): key, MAC key and verifier in that order.
TEST(AesKeys, DerivationMatchesIndependentValues) {
  const struct {
    std::uint8_t strength;
    const char* hex;
  } cases[] = {
      {1, "ed1b5a43d3a86504dd13c9da7606bd355d25993c97977a6f86bbd53baa2741e0882f"},
      {3, "eafb91255ee68040515b11fa8982ab1ca7ed0438b26a29b958f9cc2e77152f3524068691cca360608c0a209391097e9283e5f3fc055a27"
          "49f42895181012b5c14738"},
  };
  for (const auto& c : cases) {
    std::string salt;
    for (std::size_t i = 1; i <= ovk::AesSaltLength(c.strength); ++i) salt += static_cast<char>(i);
    const ovk::AesKeys keys = ovk::DeriveAesKeys("password", salt, c.strength);
    EXPECT_EQ(ovktest::ToHex(keys.cipherKey + keys.macKey + keys.verifier), c.hex) << int(c.strength);
  }
}

TEST_P(AesFromPeer, DecodesInPiecesAndRefusesWrongOrDamaged) {
  OVK_REQUIRE_TOOL("7zz");
  const PeerCase& c = GetParam();
  TempDir dir;
  std::string content = RandomBytes(70000, 60);
  if (c.compressible) content += std::string(200000, 'x');
  ovktest::WriteFile(dir / "f", content);
  ASSERT_EQ(ovktest::Run("cd " + Quote(dir.Path()) + " && 7zz a -bso0 -bsp0 -tzip -mem=" + c.option + " -ppass x.zip f")
                .exitCode, 0);
  const AesEntry e = FirstEntry(ovktest::ReadFile(dir / "x.zip"));
  EXPECT_EQ(e.coding.aesStrength, c.strength);
  EXPECT_EQ(e.coding.method, c.compressible ? 8 : 0);
  for (unsigned seed : {1u, 2u}) {
    const auto d = ovktest::DecodeInPieces("pass", e.coding, e.stored, seed, 5000);
    EXPECT_TRUE(d.verified);
    EXPECT_TRUE(d.content == content);
  }
  EXPECT_FALSE(ovktest::DecodeInPieces("Pass", e.coding, e.stored, 3, 5000).verified);
  for (const std::size_t at : {e.stored.size() / 2, e.stored.size() - 1}) {  // data, authentication code
    std::string damaged = e.stored;
    damaged[at] ^= 1;
    EXPECT_FALSE(ovktest::DecodeInPieces("pass", e.coding, damaged, 4, 5000).verified) << at;
  }
}

INSTANTIATE_TEST_SUITE_P(Strengths, AesFromPeer,
                         ::testing::Values(PeerCase{"AES128", 1, true}, PeerCase{"AES256", 3, true},
                                           PeerCase{"AES256", 3, false}));

// Little-endian fields of the given widths (2 or 4 bytes).
std::string Fields(std::initializer_list<std::pair<int, std::uint32_t>> fields) {
  std::string out;
  for (const auto& [width, value] : fields)
    width == 2 ? PutLE16(out, static_cast<std::uint16_t>(value)) : PutLE32(out, value);
  return out;
}

// A ZIP of one deflated AE-2 entry named "f", dated 1 January 1980.
std::string OneEntryZip(const std::string& stored, std::uint32_t size, std::uint8_t strength) {
  const std::string extra =
      Fields({{2, kAesExtraId}, {2, 7}, {2, 2}}) + "AE" + static_cast<char>(strength) + Fields({{2, 8}});
  // From the version needed (5.1 for AES) to the extra field's length; no CRC-32.
  const std::string shared = Fields({{2, 51}, {2, 1}, {2, kMethodAes}, {2, 0}, {2, 0x21}, {4, 0},
                                     {4, static_cast<std::uint32_t>(stored.size())}, {4, size}, {2, 1}, {2, 11}});
  const std::string local = Fields({{4, 0x04034b50}}) + shared + "f" + extra + stored;
  const std::string central = Fields({{4, 0x02014b50}, {2, 51}}) + shared +
                              Fields({{2, 0}, {2, 0}, {2, 0}, {4, 0}, {4, 0}}) + "f" + extra;
  return local + central +
         Fields({{4, 0x06054b50}, {2, 0}, {2, 0}, {2, 1}, {2, 1}, {4, static_cast<std::uint32_t>(central.size())},
                 {4, static_cast<std::uint32_t>(local.size())}, {2, 0}});
}

TEST(AesToPeer, SevenZipAcceptsOurEntryWithTheRightPasswordOnly) {
  OVK_REQUIRE_TOOL("7zz");
  const std::string content = RandomBytes(100000, 61) + std::string(300000, 'y');
  for (const std::uint8_t strength : {1, 2, 3}) {
    PayloadEncoding encoding{false, kLevelDefault, PayloadCipher::kWinZipAes, 0, strength,
                             RandomBytes(AesSaltLength(strength), 62)};
    CipherHolder cipher;
    const std::string stored = ovktest::EncodeInBlocks("pass", encoding, content, 63, 9000, cipher);
    TempDir dir;
    ovktest::WriteFile(dir / "x.zip", OneEntryZip(stored, static_cast<std::uint32_t>(content.size()), strength));
    const std::string test = "7zz t -bso0 -bsp0 " + Quote(dir / "x.zip");
    EXPECT_EQ(ovktest::Run(test + " -ppass").exitCode, 0) << int{strength};
    EXPECT_NE(ovktest::Run(test + " -pwrong").exitCode, 0) << int{strength};
    const std::string extract = "7zz x -bso0 -bsp0 -ppass -o" + Quote(dir / "out") + " " + Quote(dir / "x.zip");
    ASSERT_EQ(ovktest::Run(extract).exitCode, 0);
    EXPECT_TRUE(ovktest::ReadFile(dir / "out/f") == content);
  }
}

}  // namespace
}  // namespace ovk
