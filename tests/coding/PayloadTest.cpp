// The payload pipeline in both containers: stored layouts, round trips,
// the shared cipher, and decoding of wrong passwords and hostile payloads.
#include <gtest/gtest.h>
#include <zlib.h>

#include "coding/BlockDeflate.h"
#include "coding/CipherStage.h"
#include "coding/Crc32.h"
#include "coding/Payload.h"
#include "coding/WinZipAes.h"
#include "coding/ZipCrypto.h"
#include "PieceFeed.h"
#include "ZlibReference.h"
#include "common/TestUtil.h"

namespace ovk {
namespace {

using ovktest::DecodeInPieces;
using ovktest::EncodeInBlocks;
using ovktest::RandomBytes;
using ovktest::ToHex;

// The two containers' ways of coding: the native one's zlib streams and
// CAST-256 (its layout version deciding the checks), ZIP's raw deflate and
// PKWARE's cipher.
struct Container {
  bool native;
  std::uint32_t version;
};
const Container kNative{true, 3};
const Container kNativeV2{true, 2};
const Container kZip{false, 0};

// The plan each container's writer makes for an entry.
PayloadEncoding PlanFor(const Container& archive, const std::string& password, std::uint32_t crc = 0) {
  PayloadEncoding plan;
  plan.zlibWrapped = archive.native;
  if (!password.empty()) plan.cipher = archive.native ? PayloadCipher::kCast256 : PayloadCipher::kPkwareTraditional;
  plan.crc32 = crc;
  return plan;
}

// Packs one file as adding does; the header also records the size.
std::string Encode(const Container& archive, const std::string& password, const std::string& content,
                   EntryHeader& header, CipherHolder& cipher) {
  std::string data = content;
  header.originalSize = static_cast<std::uint32_t>(content.size());
  EXPECT_TRUE(EncodePayload(password, PlanFor(archive, password), header, data, cipher));
  return data;
}

// The plan each container's reader makes of an entry of that header.
PayloadCoding PlanOf(const Container& archive, const EntryHeader& header) {
  const bool native = archive.native;
  PayloadCoding coding;
  coding.zlibWrapped = native;
  coding.method = (header.flags & kEntryStored) ? kMethodStored : kMethodDeflate;
  if (header.encrypted) coding.cipher = native ? PayloadCipher::kCast256 : PayloadCipher::kPkwareTraditional;
  coding.checkByte = static_cast<std::uint8_t>(header.crc32 >> 24);
  coding.checked = !native || archive.version >= 3;
  coding.crc32 = header.crc32;
  coding.originalSize = header.originalSize;
  return coding;
}

bool Decode(const Container& archive, const std::string& password, const EntryHeader& header,
            std::string& data) {
  CipherHolder cipher;
  return DecodePayload(password, PlanOf(archive, header), data, cipher);
}

TEST(Payload, EmptyFileLayouts) {
  struct Layout {
    const Container* archive;
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
  const Container& archive = native ? kNative : kZip;
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
  EXPECT_TRUE(DecodePayload("pw", PlanOf(kNative, hy), py, extracting));
  EXPECT_TRUE(DecodePayload("pw", PlanOf(kNative, hx), px, extracting));
  EXPECT_EQ(px, x);
  EXPECT_EQ(py, y);
}

TEST(Payload, WrongPasswordFailsVerification) {
  const std::string content = "some file content that is long enough to compress a little";
  for (const Container* archive : {&kNative, &kZip}) {
    for (const char* wrong : {"", "Secret", "secret "}) {
      EntryHeader header;
      CipherHolder cipher;
      std::string data = Encode(*archive, "secret", content, header, cipher);
      EXPECT_FALSE(Decode(*archive, wrong, header, data)) << archive->native << wrong;
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
  PayloadCoding coding = PlanOf(kZip, header);
  coding.checkByte = (time >> 8) & 0xFF;
  EXPECT_TRUE(DecodePayload("pw", coding, data, cipher));
  EXPECT_EQ(data, content);
  data = stored;
  EXPECT_FALSE(DecodePayload("pw", PlanOf(kZip, header), data, cipher));
}

TEST(Payload, StoredFlagSkipsInflationButNotTheCheck) {
  const std::string content = "not compressed at all";
  for (const Container* archive : {&kNative, &kZip}) {
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
  for (const Container* archive : {&kNative, &kZip}) {
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
        EXPECT_FALSE(Decode(*archive, password, header, data)) << archive->native << password << d.size();
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

// ---- Piece by piece, as the engine drives the coders.

enum class Lock { kNone, kPassword, kAes };

struct StreamCase {
  const Container* archive;
  Lock lock;
};

constexpr std::uint8_t kAes256 = 3;

constexpr std::size_t kPhraseBytes = 1000;

// A random phrase repeated, numbered: a block that misses or misplaces the
// content before it inflates wrongly.
std::string Phrased(std::size_t size) {
  const std::string phrase = RandomBytes(kPhraseBytes, 64);
  std::string content;
  while (content.size() < size) content += phrase + std::to_string(content.size());
  content.resize(size);
  return content;
}

// Half of it compresses well, half not at all.
std::string Mixed(std::size_t size) { return Phrased(size / 2) + RandomBytes(size - size / 2, 50); }

const char* PasswordOf(Lock lock) { return lock == Lock::kNone ? "" : "pw"; }

PayloadEncoding AesPlan(const std::string& salt) {
  PayloadEncoding plan;
  plan.cipher = PayloadCipher::kWinZipAes;
  plan.aesStrength = kAes256;
  plan.aesSalt = salt;
  return plan;
}

PayloadCoding CodingOf(const StreamCase& c, const std::string& content, bool stored) {
  EntryHeader header;
  header.encrypted = c.lock != Lock::kNone;
  header.crc32 = Crc32(content);
  header.flags = stored ? kEntryStored : 0;
  PayloadCoding coding = PlanOf(*c.archive, header);
  coding.originalSize = content.size();
  if (c.lock == Lock::kAes) {
    coding.cipher = PayloadCipher::kWinZipAes;
    coding.aesStrength = kAes256;
    coding.aesVendorVersion = 2;
  }
  return coding;
}

// Enciphered by the whole-buffer functions; AES has none, so its stage
// runs over the whole payload at once.
std::string WholeEncipher(const StreamCase& c, const std::string& payload, std::uint32_t crc) {
  if (c.lock == Lock::kNone) return payload;
  if (c.lock == Lock::kAes) {
    auto stage = MakeAesEncipher("pw", kAes256, RandomBytes(16, 51));
    std::string out;
    stage->Encipher(payload, out);
    stage->Finish(out);
    return out;
  }
  if (!c.archive->native) return ZipEncrypt(payload, "pw", crc);
  TCipher_Cast256 reference;
  reference.InitKey("pw");
  return reference.EncryptString(payload);
}


const StreamCase kStreamCases[] = {{&kNative, Lock::kNone}, {&kNative, Lock::kPassword}, {&kZip, Lock::kNone},
                                   {&kZip, Lock::kPassword}, {&kZip, Lock::kAes}};

class PayloadStreams : public ::testing::TestWithParam<std::tuple<StreamCase, std::size_t>> {};

TEST_P(PayloadStreams, BlocksDecodeInPiecesToTheContent) {
  const auto& [c, size] = GetParam();
  const std::string content = Mixed(size);
  const std::uint32_t crc = Crc32(content);
  const bool native = c.archive->native;
  PayloadEncoding encoding = PlanFor(*c.archive, PasswordOf(c.lock), crc);
  if (c.lock == Lock::kAes) encoding = AesPlan(RandomBytes(16, 51));
  CipherHolder cipher;
  const std::string stored = EncodeInBlocks(PasswordOf(c.lock), encoding, content, 52, 70000, cipher);

  // Deciphered whole, the blocks form one stream that zlib reads.
  if (c.lock != Lock::kAes) {
    std::string compressed = stored;
    if (c.lock == Lock::kPassword && native) {
      TCipher_Cast256 reference;
      reference.InitKey("pw");
      compressed = reference.DecryptString(stored);
    } else if (c.lock == Lock::kPassword) {
      compressed = ZipDecrypt(stored, "pw", crc);
    }
    EXPECT_TRUE(ovktest::ZlibInflate(compressed, native, size) == content);
  }

  for (const bool storedFlag : {false, true}) {
    const std::string payload = storedFlag ? WholeEncipher(c, content, crc) : stored;
    const auto decoded = DecodeInPieces(PasswordOf(c.lock), CodingOf(c, content, storedFlag), payload, 53, 70000);
    EXPECT_TRUE(decoded.verified) << storedFlag;
    EXPECT_TRUE(decoded.content == content) << storedFlag;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, PayloadStreams,
                         ::testing::Combine(::testing::ValuesIn(kStreamCases),
                                            ::testing::Values(0, 17, 300000)));

// Piece by piece, damage gets the whole-buffer verdict (AES, which has no
// whole-buffer path, is always refused), never beyond the recorded size;
// a wrong password or too much content stops the feeding early.
TEST(PayloadStream, DamageGetsTheWholeBufferVerdict) {
  const std::string content = std::string(20000, 'q') + RandomBytes(2000, 48);
  for (const StreamCase& c : kStreamCases) {
    if (c.lock == Lock::kNone) continue;
    PayloadEncoding encoding = PlanFor(*c.archive, "pw", Crc32(content));
    if (c.lock == Lock::kAes) encoding = AesPlan(RandomBytes(16, 54));
    CipherHolder cipher;
    const std::string stored = EncodeInBlocks("pw", encoding, content, 55, 3000, cipher);
    PayloadCoding coding = CodingOf(c, content, false);
    const auto verdict = [&](const std::string& password, const PayloadCoding& with, const std::string& bytes) {
      const auto d = DecodeInPieces(password, with, bytes, 56, 300);
      EXPECT_LE(d.size, with.originalSize);
      if (c.lock == Lock::kAes) return d.verified;
      std::string whole = bytes;
      CipherHolder wholeCipher;
      EXPECT_EQ(DecodePayload(password, with, whole, wholeCipher), d.verified);
      return d.verified;
    };
    EXPECT_FALSE(verdict("pW", coding, stored));
    EXPECT_FALSE(verdict("pw", coding, stored.substr(0, stored.size() / 2)));
    verdict("pw", coding, stored.substr(0, stored.size() - 1));
    for (std::size_t at = 0; at < stored.size(); at += 97) {
      std::string flipped = stored;
      flipped[at] ^= 0x04;
      EXPECT_FALSE(verdict("pw", coding, flipped) && c.lock == Lock::kAes) << at;
    }
    PayloadCoding small = coding;
    small.originalSize = content.size() - 1;
    EXPECT_FALSE(verdict("pw", small, stored));
    if (c.lock == Lock::kAes) {
      for (std::size_t at = stored.size() - kAesMacBytes; at < stored.size(); ++at) {
        std::string flipped = stored;
        flipped[at] ^= 0x40;
        EXPECT_FALSE(verdict("pw", coding, flipped)) << at;
      }
      EXPECT_GT(DecodeInPieces("pW", coding, stored, 57, 300).storedLeft, 0u) << "the verifier refuses";
    } else if (!c.archive->native) {
      small.originalSize = content.size();
      small.checkByte = static_cast<std::uint8_t>((coding.crc32 >> 24) ^ 1);
      EXPECT_GT(DecodeInPieces("pw", small, stored, 57, 300).storedLeft, 0u) << "the check byte refuses";
    }
  }
}

// Blocks of the engine's size compressed out of order, as threads finish
// them, and fed in order form one stream that zlib reads, larger than the
// content compressed whole by no more than a fresh start (the phrase coded
// again) for each block after the first.
TEST(PayloadStream, BlocksFromSeveralThreadsFormOneStream) {
  const std::string content = Phrased(5 * kDeflateBlockBytes + 12345);
  const std::size_t count = (content.size() + kDeflateBlockBytes - 1) / kDeflateBlockBytes;
  std::vector<std::string> blocks(count);
  std::size_t total = 0;
  for (std::size_t i = count; i-- > 0;) {
    blocks[i] = CompressBlock(content.substr(i * kDeflateBlockBytes, kDeflateBlockBytes), i + 1 == count, kLevelDefault);
    total += blocks[i].size();
  }
  EXPECT_LT(total, DeflateRaw(content, kLevelDefault).size() + (count - 1) * 2 * kPhraseBytes);
  for (const Container* archive : {&kNative, &kZip}) {
    CipherHolder cipher;
    PayloadEncoder encoder("", PlanFor(*archive, ""), cipher);
    std::string stored;
    for (std::size_t i = 0; i < count; ++i)
      encoder.FeedCompressed(std::string_view(content).substr(i * kDeflateBlockBytes, kDeflateBlockBytes), blocks[i],
                             stored);
    encoder.Finish(stored);
    EXPECT_TRUE(ovktest::ZlibInflate(stored, archive->native, content.size()) == content) << archive->native;
    EXPECT_EQ(encoder.Crc32(), Crc32(content));
  }
}

// An open-ended block ends wherever its last code does, at any bit of a
// byte: the block after it must still start where a decoder looks for it.
TEST(PayloadStream, BlocksJoinAtEveryBitOffset) {
  for (const CompressionLevel level : {kLevelNone, kLevelFastest, kLevelDefault, kLevelMaximum}) {
    for (std::size_t size = 0; size < 80; ++size) {
      const std::string first = RandomBytes(size, static_cast<unsigned>(size)).substr(0, size / 2) + Phrased(size / 2);
      const std::string second = Phrased(300);
      const std::string joined = CompressBlock(first, false, level) + CompressBlock(second, true, level);
      EXPECT_TRUE(ovktest::ZlibInflate(joined, false, first.size() + second.size()) == first + second)
          << "level " << level << ", size " << size;
    }
  }
}

// Deflated zeros inflate a thousandfold: one piece of stored bytes must
// still give a bounded amount of content per call.
TEST(PayloadStream, BombComesOutInBoundedPiecesAndStopsAtTheRecordedSize) {
  const std::uint64_t size = std::uint64_t{200} << 20;
  const std::string zeros(1u << 20, '\0');
  z_stream z{};
  ASSERT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string deflated(1u << 20, '\0');
  z.next_out = reinterpret_cast<Bytef*>(deflated.data());
  z.avail_out = static_cast<uInt>(deflated.size());
  uLong crc = crc32(0, nullptr, 0);
  for (std::uint64_t done = 0; done < size; done += zeros.size()) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    z.avail_in = static_cast<uInt>(zeros.size());
    const bool last = done + zeros.size() == size;
    ASSERT_EQ(deflate(&z, last ? Z_FINISH : Z_NO_FLUSH), last ? Z_STREAM_END : Z_OK);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(zeros.data()), static_cast<uInt>(zeros.size()));
  }
  deflated.resize(z.total_out);
  deflateEnd(&z);

  PayloadCoding coding;
  coding.crc32 = static_cast<std::uint32_t>(crc);
  coding.originalSize = size;
  const auto whole = DecodeInPieces("", coding, deflated, 58, 1u << 20, false);
  EXPECT_TRUE(whole.verified);
  EXPECT_EQ(whole.size, size);
  EXPECT_EQ(whole.crc, crc);
  EXPECT_LE(whole.largestCall, kDecodedPieceBytes);

  coding.originalSize = size / 2;
  const auto cut = DecodeInPieces("", coding, deflated, 59, 1000, false);
  EXPECT_FALSE(cut.verified);
  EXPECT_EQ(cut.size, size / 2);
  EXPECT_GT(cut.storedLeft, deflated.size() / 3);
}

}  // namespace
}  // namespace ovk
