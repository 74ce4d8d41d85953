// The streaming decoders of the other ZIP methods against the payloads the
// peers write, under any split of the input and any output bound, and on
// truncated, damaged and hostile input.
#include <gtest/gtest.h>
#include <lzma.h>
#include <zlib.h>

#include <cstring>
#include <functional>
#include <random>

#include "coding/GzipDecompressor.h"
#include "coding/LibraryDecompressor.h"
#include "coding/OtherMethods.h"
#include "coding/Payload.h"
#include "coding/XzFileDecompressor.h"
#include "common/TestUtil.h"
#include "support/ByteOrder.h"

namespace ovk {
namespace {

using ovktest::Quote;
using ovktest::RandomBytes;

std::string Words(std::size_t length, unsigned seed) {
  static const char* const kWords[] = {"archive ", "window ", "stream ", "deflate ", "entry ", "the ", "of ",
                                       "header\n", "bzip2 ", "a ",      "zstd ",    "offset "};
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < length) s += kWords[rng() % std::size(kWords)];
  return s.substr(0, length);
}

// Long runs, repeats 40-60 KiB back, stored stretches next to text.
const std::pair<const char*, std::string> kContents[] = {
    {"text", Words(1000000, 1)},
    {"runs", std::string(4u << 20, 'a') + Words(2000, 2)},
    {"far", [] {
       const std::string a = RandomBytes(40000, 3), b = RandomBytes(20000, 4);
       return a + b + a + b + a;
     }()},
    {"mixed", RandomBytes(100000, 5) + Words(200000, 6)},
};

struct Decoded {
  std::string out;
  StreamStatus status = StreamStatus::kMore;
  std::size_t left = 0;  // input not consumed
};

// Feeds `data` in pieces and asks for bounded output as a streaming caller
// would (seed 0: everything at once), never past `cap` bytes in all; an end
// met before all of it was given may be a member's, so it goes on. Every
// call must keep to its bound.
Decoded Feed(Decompressor& d, const std::string& data, unsigned seed, std::size_t cap = SIZE_MAX) {
  std::mt19937 rng(seed);
  Decoded r;
  std::size_t begin = 0, end = 0;
  for (;;) {
    if (seed == 0) end = data.size();
    else if (end < data.size()) end += std::min<std::size_t>(data.size() - end, rng() % 4 ? rng() % 40 : rng() % 70000);
    std::string_view in(data.data() + begin, end - begin);
    const std::size_t room = seed == 0 ? SIZE_MAX : rng() % 4 ? rng() % 300 : rng() % 300000;
    const std::size_t maxOut = std::min(room, cap - r.out.size());
    const std::size_t before = r.out.size(), inBefore = in.size();
    r.status = d.Decode(in, r.out, maxOut);
    EXPECT_LE(r.out.size() - before, maxOut);
    begin = static_cast<std::size_t>(in.data() - data.data());
    r.left = data.size() - begin;
    const bool stalled = in.size() == inBefore && r.out.size() == before && maxOut > 0;
    const bool ended = r.status == StreamStatus::kError || (r.status == StreamStatus::kEnd && end == data.size());
    if (ended || r.out.size() == cap || (stalled && end == data.size())) return r;
  }
}

struct Payload {
  std::string data;
  std::uint16_t method = 0;
  std::uint16_t flags = 0;
  std::uint64_t size = 0;
};

// The first entry of a ZIP: flags at 6, method at 8, sizes at 18 and 22,
// name and extra lengths at 26 and 28, data after them.
Payload FirstEntry(const std::string& zip) {
  Payload p;
  if (zip.size() < 30 || GetLE32(zip.data()) != 0x04034b50) return p;
  p.flags = GetLE16(zip.data() + 6);
  p.method = GetLE16(zip.data() + 8);
  p.size = GetLE32(zip.data() + 22);
  p.data = zip.substr(30 + GetLE16(zip.data() + 26) + GetLE16(zip.data() + 28), GetLE32(zip.data() + 18));
  return p;
}

struct Peer {
  const char* name;
  const char* tool;
  const char* command;  // $IN and $OUT name the content and what the peer writes
  int zipMethod;        // -1: the peer writes the bare stream
  std::function<std::unique_ptr<Decompressor>(const Payload&)> make;
  bool keepsTrailer = true;  // bytes after the stream are left unread
};

void PrintTo(const Peer& peer, std::ostream* os) { *os << peer.name; }

std::unique_ptr<Decompressor> Lzma(const Payload& p) { return MakeLzmaDecompressor(p.flags & 2, p.size); }
std::unique_ptr<Decompressor> Bzip2(const Payload&) { return MakeBzip2Decompressor(); }
std::unique_ptr<Decompressor> Xz(const Payload&) { return MakeXzDecompressor(); }
std::unique_ptr<Decompressor> Zstd(const Payload&) { return MakeZstdDecompressor(); }
std::unique_ptr<Decompressor> Deflate64(const Payload&) { return MakeDeflate64Decompressor(); }
std::unique_ptr<Decompressor> Gzip(const Payload&) { return MakeGzipDecompressor(); }
std::unique_ptr<Decompressor> XzFile(const Payload&) { return MakeXzFileDecompressor(2); }

const char kPythonZip[] = "python3 -c \"import zipfile,sys; zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_%s)"
                          ".write(sys.argv[2],'f')\" $OUT $IN";

std::string Command(const std::string& pattern, const std::string& in, const std::string& out) {
  std::string c = pattern;
  for (const auto& [key, value] : {std::pair{"$IN", in}, std::pair{"$OUT", out}}) {
    for (std::size_t at; (at = c.find(key)) != std::string::npos;) c.replace(at, std::strlen(key), Quote(value));
  }
  return c;
}

const Peer kPeers[] = {
    {"SevenZipDeflate64", "7zz", "7zz a -tzip -mm=Deflate64 $OUT $IN", 9, Deflate64},
    {"SevenZipBzip2", "7zz", "7zz a -tzip -mm=BZip2 $OUT $IN", 12, Bzip2},
    {"ZipBzip2", "zip", "zip -q -j -Z bzip2 $OUT $IN", 12, Bzip2},
    {"PythonBzip2", "python3", "", 12, Bzip2},
    {"SevenZipLzma", "7zz", "7zz a -tzip -mm=LZMA $OUT $IN", 14, Lzma},
    {"SevenZipLzmaNoEndMarker", "7zz", "7zz a -tzip -mm=LZMA:eos=off $OUT $IN", 14, Lzma},
    {"PythonLzma", "python3", "", 14, Lzma},
    {"SevenZipXz", "7zz", "7zz a -tzip -mm=XZ $OUT $IN", 95, Xz},
    {"XzTool", "xz", "xz -c $IN > $OUT", -1, Xz},
    {"ZstdTool", "zstd", "zstd -q -c $IN > $OUT", -1, Zstd, false},
    {"ZstdTwoFrames", "zstd", "head -c 1000 $IN | zstd -q -c > $OUT && tail -c +1001 $IN | zstd -q -c >> $OUT", -1,
     Zstd, false},
    {"GzipTool", "gzip", "gzip -c $IN > $OUT", -1, Gzip},
    {"GzipTwoMembers", "gzip", "head -c 1000 $IN | gzip -c > $OUT && tail -c +1001 $IN | gzip -9 -c >> $OUT", -1,
     Gzip},
    // Blocks that record their sizes are decoded on threads; a stream of
    // one block on one.
    {"XzFileBlocks", "xz", "xz -T2 --block-size=100KiB -c $IN > $OUT", -1, XzFile},
    {"XzFileStreamsAndPadding", "xz",
     "head -c 1000 $IN | xz -c > $OUT && printf '\\0\\0\\0\\0' >> $OUT && "
     "tail -c +1001 $IN | xz -T2 --block-size=100KiB -c >> $OUT",
     -1, XzFile},
};

std::string PeerCommand(const Peer& peer) {
  if (*peer.command) return peer.command;
  char python[256];
  std::snprintf(python, sizeof python, kPythonZip, peer.zipMethod == 12 ? "BZIP2" : "LZMA");
  return python;
}

class PeerPayloads : public testing::TestWithParam<Peer> {};

TEST_P(PeerPayloads, DecodeToTheContentUnderAnySplit) {
  const Peer& peer = GetParam();
  if (!ovktest::HaveTool(peer.tool)) GTEST_SKIP() << peer.tool << " not installed";
  for (const auto& [name, content] : kContents) {
    SCOPED_TRACE(name);
    ovktest::TempDir dir;
    ovktest::WriteFile(dir / "content", content);
    const auto run = ovktest::Run(Command(PeerCommand(peer), dir / "content", dir / "packed.zip"));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::string packed = ovktest::ReadFile(dir / "packed.zip");
    Payload p{packed, 0, 0, content.size()};
    if (peer.zipMethod >= 0) p = FirstEntry(packed);
    ASSERT_EQ(p.method, peer.zipMethod < 0 ? 0 : peer.zipMethod) << "the peer chose another method";
    ASSERT_EQ(p.size, content.size());

    for (unsigned seed = 0; seed < 4; ++seed) {
      const Decoded d = Feed(*peer.make(p), p.data, seed);
      EXPECT_EQ(d.status, StreamStatus::kEnd) << seed;
      EXPECT_TRUE(d.out == content) << "seed " << seed << ": " << d.out.size() << " of " << content.size();
      EXPECT_EQ(d.left, 0u) << seed;
    }
    {
      // Room for exactly the content, then none: a caller stopping at the
      // recorded size still sees the end.
      const auto d = peer.make(p);
      std::string_view in(p.data);
      std::string out;
      StreamStatus status = d->Decode(in, out, content.size());
      if (status == StreamStatus::kMore) status = d->Decode(in, out, 0);
      EXPECT_EQ(status, StreamStatus::kEnd);
      EXPECT_EQ(out.size(), content.size());
    }
    if (peer.keepsTrailer) {
      const std::string trailer = RandomBytes(100, 11);
      const Decoded d = Feed(*peer.make(p), p.data + trailer, 7);
      EXPECT_EQ(d.status, StreamStatus::kEnd);
      EXPECT_EQ(d.left, trailer.size());
    }
    // Cut short: the decoder waits for more, having given a prefix only.
    const std::string cut = p.data.substr(0, p.data.size() * 2 / 3);
    const Decoded c = Feed(*peer.make(p), cut, 5);
    EXPECT_EQ(c.status, StreamStatus::kMore);
    EXPECT_TRUE(content.compare(0, c.out.size(), c.out) == 0);
    // Damaged anywhere: whatever comes out, bounded and without overruns.
    for (unsigned seed = 0; seed < 8; ++seed) {
      std::string damaged = p.data;
      damaged[std::mt19937(seed)() % damaged.size()] ^= static_cast<char>(1 << (seed % 8));
      Feed(*peer.make(p), damaged, seed + 1, 2 * content.size());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Peers, PeerPayloads, testing::ValuesIn(kPeers),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Deflate64, SevenZipReachesBeyondDeflatesWindow) {
  OVK_REQUIRE_TOOL("7zz");
  ovktest::TempDir dir;
  const std::string& far = kContents[2].second;
  ovktest::WriteFile(dir / "content", far);
  ASSERT_EQ(ovktest::Run(Command(kPeers[0].command, dir / "content", dir / "packed.zip")).exitCode, 0);
  // Random data repeats only 40-60 KiB back, beyond a 32 KiB window: so the
  // decoded peer streams above hold distance codes 30 and 31.
  EXPECT_LT(FirstEntry(ovktest::ReadFile(dir / "packed.zip")).data.size(), far.size() / 2);
}

std::string ZlibRawDeflate(const std::string& data, int level, int strategy) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TEST(Deflate64, ReadsZlibsDeflateWithoutLength258) {
  // Length 258 is the one code Deflate64 reads otherwise; random words and
  // random bytes never repeat that far.
  const std::string contents[] = {"", "x", Words(200000, 7), RandomBytes(70000, 8) + Words(50000, 9)};
  const std::pair<int, int> settings[] = {{0, Z_DEFAULT_STRATEGY}, {1, Z_DEFAULT_STRATEGY}, {9, Z_DEFAULT_STRATEGY},
                                          {6, Z_FIXED},            {6, Z_HUFFMAN_ONLY}};
  for (const std::string& content : contents) {
    for (const auto& [level, strategy] : settings) {
      const std::string stream = ZlibRawDeflate(content, level, strategy);
      for (unsigned seed = 0; seed < 3; ++seed) {
        const Decoded d = Feed(*MakeDeflate64Decompressor(), stream, seed);
        EXPECT_EQ(d.status, StreamStatus::kEnd) << level << "/" << strategy << "/" << seed;
        EXPECT_TRUE(d.out == content) << content.size() << " at " << level << "/" << strategy << "/" << seed;
      }
    }
  }
}

// Deflate bits, first bit lowest; Huffman codes go most significant bit first.
struct Bits {
  std::string bytes;
  unsigned used = 8;
  Bits& Put(std::uint32_t value, unsigned n) {
    for (unsigned i = 0; i < n; ++i) {
      if (used == 8) bytes.push_back('\0'), used = 0;
      bytes.back() = static_cast<char>(bytes.back() | (((value >> i) & 1) << used++));
    }
    return *this;
  }
  Bits& Code(std::uint32_t code, unsigned n) {
    while (n--) Put(code >> n, 1);
    return *this;
  }
  Bits& Fixed(unsigned symbol) {
    if (symbol < 144) return Code(0x30 + symbol, 8);
    if (symbol < 256) return Code(0x190 + symbol - 144, 9);
    if (symbol < 280) return Code(symbol - 256, 7);
    return Code(0xC0 + symbol - 280, 8);
  }
  // Non-final stored blocks of at most 65535 bytes each.
  Bits& Stored(const std::string& data) {
    for (std::size_t at = 0; at < data.size(); at += 65535) {
      const std::string piece = data.substr(at, 65535);
      Put(0, 1).Put(0, 2);
      used = 8;
      Put(static_cast<std::uint32_t>(piece.size()), 16).Put(~static_cast<std::uint32_t>(piece.size()), 16);
      bytes += piece;
    }
    return *this;
  }
  Bits& FinalFixed() { return Put(1, 1).Put(1, 2); }
};

TEST(Deflate64, HandMadeStreams) {
  const std::string r = RandomBytes(70000, 10);
  Bits dynamicOversubscribed = Bits().Put(1, 1).Put(2, 2).Put(0, 5).Put(0, 5).Put(15, 4);
  for (int i = 0; i < 19; ++i) dynamicOversubscribed.Put(1, 3);
  // Code-length code of symbols 0 and 16, a bit each (16 is the first sent).
  const auto dynamicStart = [] { return Bits().Put(1, 1).Put(2, 2).Put(0, 5).Put(0, 5).Put(0, 4).Put(1, 3).Put(0, 6).Put(1, 3); };
  Bits noEndOfBlock = dynamicStart();
  for (int i = 0; i < 258; ++i) noEndOfBlock.Code(0, 1);
  struct Case {
    const char* name;
    std::string stream;
    StreamStatus status;
    std::string out;
  };
  const Case cases[] = {
      {"empty", Bits().FinalFixed().Fixed(256).bytes, StreamStatus::kEnd, ""},
      // 7-Zip never writes matches over 257 bytes: length code 285 is made here.
      {"code 285 with 16 extra bits", Bits().FinalFixed().Fixed('x').Fixed(285).Put(1000, 16).Code(0, 5).Fixed(285)
           .Put(65535, 16).Code(0, 5).Fixed(256).bytes,
       StreamStatus::kEnd, std::string(1 + 1003 + 65538, 'x')},
      {"distance codes 31 and 30",
       Bits().Stored(r).FinalFixed().Fixed(257).Code(31, 5).Put(16383, 14).Fixed(257).Code(30, 5).Put(7231, 14)
           .Fixed(256).bytes,
       StreamStatus::kEnd, r + r.substr(70000 - 65536, 3) + r.substr(70003 - 40000, 3)},
      {"distance beyond the data", Bits().FinalFixed().Fixed('a').Fixed(257).Code(1, 5).bytes, StreamStatus::kError, "a"},
      {"farther than the stored data", Bits().Stored(r.substr(0, 40000)).FinalFixed().Fixed(257).Code(30, 5)
           .Put(40001 - 32769, 14).bytes, StreamStatus::kError, r.substr(0, 40000)},
      {"block type 3", Bits().Put(1, 1).Put(3, 2).bytes, StreamStatus::kError, ""},
      {"stored length check", Bits().Put(1, 1).Put(0, 2).Put(0, 5).Put(5, 16).Put(5, 16).bytes, StreamStatus::kError, ""},
      {"length code 286", Bits().FinalFixed().Fixed('a').Fixed(286).bytes, StreamStatus::kError, "a"},
      {"too many length codes", Bits().Put(1, 1).Put(2, 2).Put(30, 5).Put(0, 9).bytes, StreamStatus::kError, ""},
      {"over-subscribed code", dynamicOversubscribed.bytes, StreamStatus::kError, ""},
      {"repeat before any length", dynamicStart().Code(1, 1).Put(0, 2).bytes, StreamStatus::kError, ""},
      {"no end-of-block code", noEndOfBlock.bytes, StreamStatus::kError, ""},
  };
  // Bytes after the stream take decoding through the fast loop too, and are
  // left unread.
  const std::string after(40, '\xff');
  for (const Case& c : cases) {
    for (unsigned seed = 0; seed < 6; ++seed) {
      const std::string& trailer = seed % 2 ? after : "";
      const Decoded d = Feed(*MakeDeflate64Decompressor(), c.stream + trailer, seed / 2);
      EXPECT_EQ(d.status, c.status) << c.name << " " << seed;
      EXPECT_TRUE(d.out == c.out) << c.name << " " << seed << ": " << d.out.size();
      if (c.status == StreamStatus::kEnd) {
        EXPECT_EQ(d.left, trailer.size()) << c.name << " " << seed;
      }
    }
  }
}

// An .xz stream whose block header asks for the LZMA2 dictionary of this
// size code (bits 1-5: power of two, bit 0: times 1.5), its CRC-32 redone.
std::string XzWithDictionary(const std::string& content, std::uint8_t sizeCode) {
  // The streaming encoder leaves the sizes out of the block header.
  lzma_stream s = LZMA_STREAM_INIT;
  EXPECT_EQ(lzma_easy_encoder(&s, 1, LZMA_CHECK_CRC64), LZMA_OK);
  std::string xz(content.size() + 1024, '\0');
  s.next_in = reinterpret_cast<const std::uint8_t*>(content.data());
  s.avail_in = content.size();
  s.next_out = reinterpret_cast<std::uint8_t*>(xz.data());
  s.avail_out = xz.size();
  EXPECT_EQ(lzma_code(&s, LZMA_FINISH), LZMA_STREAM_END);
  xz.resize(s.total_out);
  lzma_end(&s);
  // The block header follows the 12-byte stream header: its size, flags,
  // the LZMA2 filter's id and properties size, then the dictionary code.
  constexpr std::size_t kBlock = 12;
  EXPECT_EQ(xz.substr(kBlock + 1, 3), std::string("\0\x21\x01", 3));
  xz[kBlock + 4] = static_cast<char>(sizeCode);
  const std::size_t crcAt = kBlock + (static_cast<std::uint8_t>(xz[kBlock]) + 1) * 4 - 4;
  std::string crc;
  PutLE32(crc, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(xz.data() + kBlock), crcAt - kBlock)));
  return xz.replace(crcAt, 4, crc);
}

// A member's CRC-32 or size that does not match its content fails the stream.
TEST(OtherMethods, GzipTrailerMismatchFails) {
  OVK_REQUIRE_TOOL("gzip");
  ovktest::TempDir dir;
  const std::string content = Words(5000, 3);
  ovktest::WriteFile(dir / "content", content);
  ASSERT_EQ(ovktest::Run("gzip -c " + Quote(dir / "content") + " > " + Quote(dir / "c.gz")).exitCode, 0);
  const std::string gz = ovktest::ReadFile(dir / "c.gz");
  for (const std::size_t fromEnd : {8u, 1u}) {  // the CRC-32's first byte, the size's last
    std::string damaged = gz;
    damaged[damaged.size() - fromEnd] ^= 1;
    EXPECT_EQ(Feed(*MakeGzipDecompressor(), damaged, 0).status, StreamStatus::kError) << fromEnd;
  }
}

// A member that ends while ISA-L still holds bytes read in earlier calls
// (its bit buffer, filled ahead, then output room running out) must give
// them back within the input of the call at hand: tiny rooms and pieces put
// every member end and stored block at every such point.
TEST(OtherMethods, GzipMemberEndsWithTinyRoomsAndPieces) {
  const std::string a = RandomBytes(3000, 12) + Words(2000, 13), b = Words(1500, 14) + RandomBytes(700, 15);
  const std::string gz = GzipMember(a, kLevelDefault) + GzipMember(b, kLevelNone);
  for (std::size_t piece = 1; piece <= 9; piece += 4) {
    for (std::size_t room = 1; room <= 7; room += 3) {
      const std::unique_ptr<Decompressor> d = MakeGzipDecompressor();
      std::string out;
      // What was given and not used stays in front of the next piece, as a
      // streaming caller keeps it.
      std::size_t begin = 0, end = 0;
      bool moved = true;
      StreamStatus status = StreamStatus::kMore;
      while (status != StreamStatus::kError && !(status == StreamStatus::kEnd && begin == gz.size())) {
        if (end - begin < piece || !moved) end = std::min(gz.size(), end + piece);
        std::string_view in(gz.data() + begin, end - begin);
        const std::size_t had = out.size();
        status = d->Decode(in, out, room);
        const auto used = static_cast<std::ptrdiff_t>(in.data() - gz.data()) - static_cast<std::ptrdiff_t>(begin);
        ASSERT_GE(used, 0) << "input given back before the call's own";
        ASSERT_LE(out.size(), a.size() + b.size());
        begin += static_cast<std::size_t>(used);
        moved = used > 0 || out.size() > had;
        ASSERT_FALSE(!moved && end == gz.size()) << "stalled at " << begin << ", " << piece << "/" << room;
      }
      EXPECT_EQ(status, StreamStatus::kEnd) << piece << "/" << room;
      EXPECT_TRUE(out == a + b) << piece << "/" << room;
    }
  }
}

// A stored block whose lengths disagree, right after a member header that
// names a file: ISA-L fails it and leaves its input count wrapped.
TEST(OtherMethods, GzipDamagedStoredBlockFailsWithinBounds) {
  const std::string gz("\x1f\x8b\x08\x08Pu\x03\x14\x04\x00\x08\x00\x83\xc4\x08\x00\x8a]\xff\x01\x00\x00\xb1" "d\\\0\0\0",
                       28);
  for (const unsigned seed : {0u, 1u, 2u, 3u}) {
    const Decoded d = Feed(*MakeGzipDecompressor(), gz, seed);
    EXPECT_EQ(d.status, StreamStatus::kError) << seed;
    EXPECT_LE(d.left, gz.size()) << seed;
  }
}

// Whatever a library reports, the shared loop never moves past the input it
// gave or keeps more output than the room it gave.
TEST(OtherMethods, LibraryOvercountIsAnError) {
  class Liar final : public LibraryDecompressor {
   public:
    explicit Liar(DecodeStep step) : step_(step) {}

   private:
    DecodeStep Step(std::string_view, char*, std::size_t) override { return step_; }
    DecodeStep step_;
  };
  const std::string data(100, 'x');
  for (const DecodeStep lie : {DecodeStep{101, 0, StreamStatus::kMore}, DecodeStep{0, 70000, StreamStatus::kMore},
                               DecodeStep{SIZE_MAX, 0, StreamStatus::kEnd}}) {
    Liar liar(lie);
    std::string_view in(data);
    std::string out;
    EXPECT_EQ(liar.Decode(in, out, 1000), StreamStatus::kError);
    EXPECT_TRUE(in.empty());
    EXPECT_TRUE(out.empty());
  }
}

TEST(OtherMethods, DictionariesBeyondTheLimitFail) {
  const std::string content = Words(5000, 12);
  EXPECT_EQ(Feed(*MakeXzDecompressor(), XzWithDictionary(content, 24), 0).out, content);  // 16 MiB
  EXPECT_EQ(Feed(*MakeXzDecompressor(), XzWithDictionary(content, 40), 0).status, StreamStatus::kError);  // 4 GiB
  // 4 GiB asked for in LZMA: refused, unless the entry's size caps it.
  const std::string lzma("\x10\x02\x05\x00\x5d\xff\xff\xff\xff\0\0\0\0\0", 14);
  EXPECT_EQ(Feed(*MakeLzmaDecompressor(true, UINT64_MAX), lzma, 0).status, StreamStatus::kError);
  EXPECT_EQ(Feed(*MakeLzmaDecompressor(true, 5000), lzma, 0).status, StreamStatus::kMore);
  EXPECT_EQ(Feed(*MakeLzmaDecompressor(false, 5000), lzma, 0).status, StreamStatus::kMore);
}

TEST(OtherMethods, HostileBytesStayWithinBounds) {
  // Each decoder's own magic first, so that the junk reaches its decoding.
  const std::pair<std::function<std::unique_ptr<Decompressor>()>, std::string> decoders[] = {
      {MakeBzip2Decompressor, "BZh9"},
      {[] { return MakeLzmaDecompressor(true, 0); }, std::string("\x10\x02\x05\x00\x5d\x00\x00\x01\x00", 9)},
      {[] { return MakeLzmaDecompressor(false, 100000); }, std::string("\x10\x02\x05\x00\x5d\x00\x00\x01\x00", 9)},
      {MakeXzDecompressor, std::string("\xfd" "7zXZ\0\0\4\xe6\xd6\xb4\x46", 12)},
      {MakeZstdDecompressor, "\x28\xb5\x2f\xfd"},
      {MakeDeflate64Decompressor, ""},
      {MakeGzipDecompressor, std::string("\x1f\x8b\x08\x00\0\0\0\0\0\3", 10)},
      {[] { return MakeXzFileDecompressor(2); }, std::string("\xfd" "7zXZ\0\0\4\xe6\xd6\xb4\x46", 12)},
  };
  for (const auto& [make, magic] : decoders) {
    for (unsigned seed = 0; seed < 300; ++seed) {
      const std::string junk = magic + RandomBytes(1 + seed * 7 % 3000, seed);
      const Decoded d = Feed(*make(), junk, seed % 3, 1u << 20);
      EXPECT_LE(d.out.size(), 1u << 20);
    }
  }
}

}  // namespace
}  // namespace ovk
