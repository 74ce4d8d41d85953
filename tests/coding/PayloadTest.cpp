// The payload pipeline in both containers: stored layouts, round trips,
// the shared cipher, and decoding of wrong passwords and hostile payloads.
#include <gtest/gtest.h>

#include "coding/Crc32.h"
#include "coding/Payload.h"
#include "coding/ZipCrypto.h"
#include "common/TestUtil.h"

namespace ovk {
namespace {

using ovktest::RandomBytes;
using ovktest::ToHex;

const ArchiveInfo kNative{kKindNative, 3, 0};
const ArchiveInfo kNativeV2{kKindNative, 2, 0};
const ArchiveInfo kZip{kKindZip, 0, 0};

// Packs one file as AddOneFile does; the header also records the size.
std::string Encode(const ArchiveInfo& archive, const std::string& password, const std::string& content,
                   EntryHeader& header, CipherHolder& cipher) {
  std::string data = content;
  header.originalSize = static_cast<std::uint32_t>(content.size());
  EXPECT_TRUE(EncodePayload(password, archive, header, data, cipher, kLevelDefault));
  return data;
}

bool Decode(const ArchiveInfo& archive, const std::string& password, const EntryHeader& header,
            std::string& data) {
  CipherHolder cipher;
  return DecodePayload(password, archive, header, data, cipher);
}

TEST(Payload, EmptyFileLayouts) {
  struct Layout {
    const ArchiveInfo* archive;
    const char* password;
    std::size_t length;
    const char* hex;  // null where a random header makes it vary
  };
  const Layout layouts[] = {
      {&kNative, "", 8, "789c030000000001"},
      {&kZip, "", 2, "0300"},
      {&kZip, "pw", 14, nullptr},
      {&kNative, "pw", 8, nullptr},
  };
  for (const auto& l : layouts) {
    EntryHeader header;
    CipherHolder cipher;
    const std::string stored = Encode(*l.archive, l.password, "", header, cipher);
    EXPECT_EQ(stored.size(), l.length) << l.password;
    if (l.hex) {
      EXPECT_EQ(ToHex(stored), l.hex);
    }
    EXPECT_EQ(header.crc32, 0u);
    EXPECT_EQ(header.encrypted, *l.password ? 1 : 0);
    std::string back = stored;
    EXPECT_TRUE(Decode(*l.archive, l.password, header, back)) << l.password;
    EXPECT_EQ(back, "");
  }
}

TEST(Payload, EncipheredLayoutsWrapTheCompressedForm) {
  const std::string content = RandomBytes(1000, 41) + std::string(3000, 'z');
  EntryHeader header;
  CipherHolder cipher;
  const std::string native = Encode(kNative, "pw", content, header, cipher);
  ASSERT_TRUE(cipher);
  // Exactly the zlib stream, enciphered from the IV of SHA-1("pw").
  TCipher_Cast256 reference;
  reference.InitKey("pw");
  EXPECT_EQ(native, reference.EncryptString(CompressString(content, kLevelDefault)));
  EXPECT_EQ(header.crc32, Crc32(content));

  CipherHolder unused;
  const std::string zip = Encode(kZip, "pw", content, header, unused);
  EXPECT_FALSE(unused);  // ZIP entries never make the CAST-256 cipher
  const std::string deflated = DeflateRaw(content, kLevelDefault);
  ASSERT_EQ(zip.size(), deflated.size() + 12);
  EXPECT_EQ(ZipDecrypt(zip, "pw", header.crc32), deflated);
}

struct RoundTripCase {
  std::size_t size;
  bool incompressible;
};

class PayloadRoundTrip
    : public ::testing::TestWithParam<std::tuple<RoundTripCase, bool, const char*>> {};

TEST_P(PayloadRoundTrip, DecodesToTheOriginal) {
  const auto& [c, native, password] = GetParam();
  const std::string content =
      c.incompressible ? RandomBytes(c.size, 42) : std::string(c.size, 'a') + RandomBytes(c.size / 8, 43);
  const ArchiveInfo& archive = native ? kNative : kZip;
  EntryHeader header;
  CipherHolder cipher;
  std::string data = Encode(archive, password, content, header, cipher);
  EXPECT_EQ(static_cast<bool>(cipher), native && *password);
  // Decoded in a later operation with a cipher of its own.
  EXPECT_TRUE(Decode(archive, password, header, data));
  EXPECT_EQ(data, content);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, PayloadRoundTrip,
    ::testing::Combine(::testing::Values(RoundTripCase{0, false}, RoundTripCase{1, false},
                                         RoundTripCase{15, true}, RoundTripCase{16, true},
                                         RoundTripCase{17, true}, RoundTripCase{4096, false},
                                         RoundTripCase{3u << 20, false}, RoundTripCase{300000, true}),
                       ::testing::Bool(), ::testing::Values("", "secret")));

TEST(Payload, OneCipherServesTheWholeOperation) {
  const std::string content = RandomBytes(100, 44);
  EntryHeader first, second;
  CipherHolder cipher;
  const std::string a = Encode(kNative, "pw", content, first, cipher);
  TCipher_Cast256* made = cipher.get();
  const std::string b = Encode(kNative, "pw", content, second, cipher);
  EXPECT_EQ(cipher.get(), made);
  EXPECT_EQ(a, b);  // the chain restarts from the IV for every entry
  // The holder keeps the first key even when a later call names another.
  EntryHeader third;
  std::string c = Encode(kNative, "other", content, third, cipher);
  EXPECT_EQ(c, a);

  CipherHolder zipCipher;
  EXPECT_NE(Encode(kZip, "pw", content, first, zipCipher), Encode(kZip, "pw", content, second, zipCipher));
}

TEST(Payload, EntriesDecodeInAnyOrderWithOneCipher) {
  const std::string x = RandomBytes(40, 45), y = RandomBytes(70, 46);
  EntryHeader hx, hy;
  CipherHolder packing;
  std::string px = Encode(kNative, "pw", x, hx, packing);
  std::string py = Encode(kNative, "pw", y, hy, packing);
  CipherHolder extracting;
  EXPECT_TRUE(DecodePayload("pw", kNative, hy, py, extracting));
  EXPECT_TRUE(DecodePayload("pw", kNative, hx, px, extracting));
  EXPECT_EQ(px, x);
  EXPECT_EQ(py, y);
}

TEST(Payload, WrongPasswordFailsVerification) {
  const std::string content = "some file content that is long enough to compress a little";
  for (const ArchiveInfo* archive : {&kNative, &kZip}) {
    for (const char* wrong : {"", "Secret", "secret "}) {
      EntryHeader header;
      CipherHolder cipher;
      std::string data = Encode(*archive, "secret", content, header, cipher);
      EXPECT_FALSE(Decode(*archive, wrong, header, data)) << archive->kind << wrong;
      EXPECT_NE(data, content);
    }
  }
}

TEST(Payload, ZipCheckByteCanComeFromTheTime) {
  const std::string content = "entry written with a data descriptor";
  const std::uint32_t time = 0x5A21AB34u;  // bits 8-15: 0xAB
  EntryHeader header;
  header.encrypted = 1;
  header.crc32 = Crc32(content);
  header.originalSize = static_cast<std::uint32_t>(content.size());
  ASSERT_NE(header.crc32 >> 24, 0xABu);
  const std::string stored = ZipEncrypt(DeflateRaw(content, kLevelDefault), "pw", 0xAB000000u);
  CipherHolder cipher;
  std::string data = stored;
  EXPECT_TRUE(DecodePayload("pw", kZip, header, data, cipher, (time >> 8) & 0xFF));
  EXPECT_EQ(data, content);
  data = stored;
  EXPECT_FALSE(DecodePayload("pw", kZip, header, data, cipher));
}

TEST(Payload, StoredFlagSkipsInflationButNotTheCheck) {
  const std::string content = "not compressed at all";
  for (const ArchiveInfo* archive : {&kNative, &kZip}) {
    EntryHeader header;
    header.flags = kEntryStored;
    header.crc32 = Crc32(content);
    header.originalSize = static_cast<std::uint32_t>(content.size());
    std::string data = content;
    EXPECT_TRUE(Decode(*archive, "", header, data));
    EXPECT_EQ(data, content);
    header.crc32 ^= 1;
    EXPECT_FALSE(Decode(*archive, "", header, data));
  }
  // Enciphered and stored: deciphered, then left as it is.
  TCipher_Cast256 reference;
  reference.InitKey("pw");
  EntryHeader header;
  header.flags = kEntryStored;
  header.encrypted = 1;
  header.crc32 = Crc32(content);
  std::string data = reference.EncryptString(content);
  EXPECT_TRUE(Decode(kNative, "pw", header, data));
  EXPECT_EQ(data, content);
}

TEST(Payload, EarlyNativeLayoutsAreAcceptedUnchecked) {
  // Those layouts carry no entry header: it reads as all zeros.
  const std::string content = RandomBytes(500, 47);
  std::string good = CompressString(content, kLevelDefault);
  EXPECT_TRUE(Decode(kNativeV2, "", EntryHeader{}, good));
  EXPECT_EQ(good, content);
  std::string damaged = CompressString(content, kLevelDefault).substr(0, 100);
  EXPECT_TRUE(Decode(kNativeV2, "", EntryHeader{}, damaged));
  EXPECT_LT(damaged.size(), content.size());
}

// Hostile payloads end as a failed check, never beyond the recorded size.
TEST(Payload, DamagedPayloadsFailWithinTheRecordedSize) {
  const std::string content = std::string(20000, 'q') + RandomBytes(2000, 48);
  for (const ArchiveInfo* archive : {&kNative, &kZip}) {
    for (const char* password : {"", "pw"}) {
      EntryHeader header;
      CipherHolder cipher;
      const std::string stored = Encode(*archive, password, content, header, cipher);
      std::vector<std::string> damaged = {stored.substr(0, stored.size() / 2), stored.substr(0, 1), "",
                                          RandomBytes(stored.size(), 49)};
      for (std::size_t at = 0; at < stored.size(); at += 97) {
        std::string flipped = stored;
        flipped[at] ^= 0x04;
        damaged.push_back(flipped);
      }
      for (const auto& d : damaged) {
        std::string data = d;
        EXPECT_FALSE(Decode(*archive, password, header, data)) << archive->kind << password << d.size();
        EXPECT_LE(data.size(), content.size());
      }
    }
  }
}

TEST(Payload, BombClaimingASmallSizeIsCutOff) {
  const std::string zeros(10u << 20, '\0');
  EntryHeader header;
  header.originalSize = 1000;
  header.crc32 = Crc32(zeros.substr(0, 1000));  // even the prefix's CRC must not pass
  std::string native = CompressString(zeros, kLevelMaximum);
  EXPECT_FALSE(Decode(kNative, "", header, native));
  EXPECT_LE(native.size(), 1000u);
  std::string zip = DeflateRaw(zeros, kLevelMaximum);
  EXPECT_FALSE(Decode(kZip, "", header, zip));
  EXPECT_LE(zip.size(), 1000u);
}

TEST(Payload, PresetDictionaryStreamFails) {
  // FDICT set in a valid zlib header (0x78 0xBB) followed by a dictionary id.
  std::string data = std::string("\x78\xBB\x12\x34\x56\x78", 6) + DeflateRaw("abc", kLevelDefault);
  EntryHeader header;
  header.crc32 = Crc32("abc");
  header.originalSize = 3;
  EXPECT_FALSE(Decode(kNative, "", header, data));
  EXPECT_EQ(data, "");
}

}  // namespace
}  // namespace ovk
