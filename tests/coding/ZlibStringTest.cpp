// The deflate helpers: streams zlib reads at each level, zlib's own layout
// for empty content, and inflation piece by piece that ends where the stream
// ends and never beyond the room given.
#include <gtest/gtest.h>
#include <zlib.h>

#include "coding/Decompressor.h"
#include "coding/Payload.h"
#include "common/TestUtil.h"

namespace ovk {
namespace {

using ovktest::FromHex;
using ovktest::RandomBytes;
using ovktest::ToHex;

std::string Text(std::size_t length) {
  std::string s;
  while (s.size() < length) s += "the quick brown fox jumps over the lazy dog " + std::to_string(s.size());
  return s.substr(0, length);
}

// zlib's compress2 is deflateInit at the level plus a finishing deflate.
std::string ZlibCompress(const std::string& data, int level) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                      reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()), level),
            Z_OK);
  out.resize(size);
  return out;
}

// Raw inflate by zlib itself, as the reference for DeflateRaw.
std::string ZlibInflateRaw(const std::string& raw, std::size_t expected) {
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
  std::string out(expected + 1, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

// The designed zlib level of each CompressionLevel.
const std::pair<CompressionLevel, int> kLevels[] = {
    {kLevelNone, 0}, {kLevelFastest, 1}, {kLevelDefault, Z_DEFAULT_COMPRESSION}, {kLevelMaximum, 9}};

// zlib's own one-shot inflate, as the peer that must read every stream.
std::string ZlibUncompress(const std::string& stream, std::size_t expected) {
  std::string out(expected + 1, '\0');
  uLongf size = static_cast<uLongf>(out.size());
  EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                       reinterpret_cast<const Bytef*>(stream.data()), static_cast<uLong>(stream.size())),
            Z_OK);
  out.resize(size);
  return out;
}

TEST(ZlibString, StreamsAtEachLevelAreReadByZlib) {
  for (const std::string& data : {std::string(), std::string("x"), Text(100000), RandomBytes(70000, 31)}) {
    for (const auto& [level, zlibLevel] : kLevels) {
      const std::string stream = CompressString(data, level);
      // The header's level hint is zlib's for the same level.
      EXPECT_EQ(stream.substr(0, 2), ZlibCompress(data, zlibLevel).substr(0, 2)) << data.size() << " at " << level;
      EXPECT_EQ(ZlibUncompress(stream, data.size()), data) << data.size() << " at " << level;
      const std::string raw = DeflateRaw(data, level);
      EXPECT_EQ(ZlibInflateRaw(raw, data.size()), data);
      // Level none writes stored blocks only: the first block's type is 00.
      if (level == kLevelNone) {
        EXPECT_EQ(static_cast<std::uint8_t>(raw[0]) & 0x06, 0) << data.size();
      }
    }
  }
  // Text shrinks at every compressing level, and most at the maximum.
  const std::string text = Text(100000);
  EXPECT_LT(DeflateRaw(text, kLevelMaximum).size(), DeflateRaw(text, kLevelFastest).size());
  EXPECT_LT(DeflateRaw(text, kLevelFastest).size(), text.size() / 4);
}

TEST(ZlibString, EmptyContentKeepsZlibsLayout) {
  for (const auto& [level, zlibLevel] : kLevels) {
    EXPECT_EQ(CompressString("", level), ZlibCompress("", zlibLevel)) << level;
  }
  EXPECT_EQ(ToHex(CompressString("", kLevelDefault)), "789c030000000001");
  EXPECT_EQ(ToHex(DeflateRaw("", kLevelDefault)), "0300");
}

TEST(ZlibString, InflateToKnownSizeTakesOnlyTheExactSize) {
  const std::string data = Text(5000);
  const std::string stream = CompressString(data, kLevelDefault);
  const std::string raw = DeflateRaw(data, kLevelDefault);
  std::string damaged = stream;
  damaged[damaged.size() - 1] ^= 1;  // Adler-32 trailer
  struct Case {
    const char* name;
    const std::string& input;
    bool zlibWrapped;
    std::uint64_t size;
    bool taken;
  };
  const Case cases[] = {
      {"zlib exact", stream, true, data.size(), true},
      {"raw exact", raw, false, data.size(), true},
      {"zlib shorter", stream, true, data.size() + 1, false},
      {"raw longer", raw, false, data.size() - 1, false},
      {"raw as zlib", raw, true, data.size(), false},
      {"bad trailer", damaged, true, data.size(), false},
      {"cut", raw.substr(0, raw.size() / 2), false, data.size(), false},
      {"lying size", stream, true, std::uint64_t{1} << 40, false},
  };
  for (const Case& c : cases) {
    std::string out = "kept";
    EXPECT_EQ(InflateToKnownSize(c.input, c.zlibWrapped, c.size, out), c.taken) << c.name;
    EXPECT_EQ(out, c.taken ? data : "kept") << c.name;
  }
  std::string out = "kept";
  EXPECT_TRUE(InflateToKnownSize(DeflateRaw("", kLevelDefault), false, 0, out));
  EXPECT_EQ(out, "");
}

// All of a stream through one inflater, as much as it gives; status says
// how it ended.
std::string InflateAll(std::string_view in, bool zlibWrapped, StreamStatus& status) {
  auto inflater = MakeDecompressor(8, zlibWrapped);
  std::string out;
  for (;;) {
    const std::size_t before = out.size();
    status = inflater->Decode(in, out, 1u << 20);
    if (status != StreamStatus::kMore || (in.empty() && out.size() == before)) return out;
  }
}

TEST(ZlibString, LargeOutputsAreComplete) {
  // Near deflate's best ratio, many output steps from little input.
  const std::string zeros(64u << 20, '\0');
  const std::string stream = CompressString(zeros, kLevelMaximum);
  StreamStatus status;
  EXPECT_TRUE(InflateAll(stream, true, status) == zeros);
  EXPECT_EQ(status, StreamStatus::kEnd);
  EXPECT_TRUE(InflateAll(DeflateRaw(zeros, kLevelMaximum), false, status) == zeros);
  EXPECT_EQ(status, StreamStatus::kEnd);
  const std::string mixed = Text(3u << 20) + RandomBytes(1u << 20, 32);
  EXPECT_TRUE(InflateAll(CompressString(mixed, kLevelDefault), true, status) == mixed);
}

struct Damage {
  const char* name;
  std::string stream;
  bool allDataBeforeDamage;  // the damage is past the last data byte
};

std::string WithPresetDictionary(const std::string& data) {
  z_stream z{};
  deflateInit(&z, Z_DEFAULT_COMPRESSION);
  const std::string dictionary = "dictionary words";
  deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(dictionary.data()),
                       static_cast<uInt>(dictionary.size()));
  std::string out(1024, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TEST(ZlibString, DamagedStreamsEndAsFailures) {
  const std::string data = Text(3000);
  const std::string good = CompressString(data, kLevelDefault);
  std::string flipped = good;
  flipped[good.size() / 2] ^= 0x10;
  std::string badTrailer = good;
  badTrailer.back() ^= 0x01;
  const Damage cases[] = {
      {"truncated", good.substr(0, good.size() / 2), false},
      {"no trailer", good.substr(0, good.size() - 4), true},
      {"bad trailer", badTrailer, true},
      {"bit flipped", flipped, false},
      {"random bytes", RandomBytes(5000, 34), false},
      {"header only", good.substr(0, 2), false},
      {"preset dictionary", WithPresetDictionary(data), false},
      {"empty", "", false},
  };
  for (const auto& c : cases) {
    StreamStatus status;
    const std::string out = InflateAll(c.stream, true, status);
    EXPECT_NE(status, StreamStatus::kEnd) << c.name;
    EXPECT_LE(out.size(), data.size()) << c.name;
    // Whatever was produced before the damage comes out.
    EXPECT_EQ(out == data, c.allDataBeforeDamage) << c.name;
  }
}

TEST(ZlibString, RandomInputNeverCrashesOrOverruns) {
  for (unsigned seed = 0; seed < 300; ++seed) {
    std::string junk = RandomBytes(1 + seed % 200, seed);
    if (seed % 2) junk = "\x78\x9C" + junk;  // get past the header check
    for (const bool wrapped : {false, true}) {
      std::string_view in = junk;
      std::string out;
      MakeDecompressor(8, wrapped)->Decode(in, out, 4096);
      EXPECT_LE(out.size(), 4096u);
    }
  }
}

// Small output rooms and input pieces: the content comes out whole, the
// end is seen exactly where it is and the bytes after it stay unread; a
// cut stream never reaches its end.
TEST(Decompressor, EndsExactlyAtTheStreamsEnd) {
  const std::string content = Text(200000);
  const std::string after = "next record";
  for (const bool wrapped : {false, true}) {
    const std::string stream = wrapped ? CompressString(content, kLevelDefault) : DeflateRaw(content, kLevelDefault);
    for (const std::size_t cut : {std::size_t{0}, std::size_t{1}, stream.size() / 2}) {
      auto d = MakeDecompressor(8, wrapped);
      ASSERT_TRUE(d);
      EXPECT_TRUE(d->HasEndMarker());
      const std::string input = cut ? stream.substr(0, stream.size() - cut) : stream + after;
      std::string out;
      StreamStatus status = StreamStatus::kMore;
      std::string_view rest = input;
      for (;;) {
        std::string_view piece = rest.substr(0, 999);
        const std::size_t offered = piece.size(), before = out.size();
        status = d->Decode(piece, out, 4000);
        EXPECT_LE(out.size() - before, 4000u);
        rest.remove_prefix(offered - piece.size());
        if (status != StreamStatus::kMore || (offered == 0 && out.size() == before)) break;
      }
      if (cut) {
        EXPECT_EQ(status, StreamStatus::kMore) << wrapped << cut;
        EXPECT_TRUE(content.starts_with(out));
      } else {
        EXPECT_EQ(status, StreamStatus::kEnd) << wrapped;
        EXPECT_TRUE(out == content);
        EXPECT_EQ(rest, after);
      }
    }
  }
  auto stored = MakeDecompressor(0, false);
  EXPECT_FALSE(stored->HasEndMarker());
  std::string_view in = "abcdef";
  std::string out;
  EXPECT_EQ(stored->Decode(in, out, 4), StreamStatus::kMore);
  EXPECT_EQ(out, "abcd");
  EXPECT_EQ(in, "ef");
  EXPECT_FALSE(MakeDecompressor(1, false));  // shrinking is not supported
}

}  // namespace
}  // namespace ovk
