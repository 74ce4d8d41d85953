// Whole-string deflate helpers. Compression and inflation to a known size go
// through libdeflate (whole buffers, markedly faster); zlib writes only the
// empty stream, whose layout is its own. A size that data of its length can
// never inflate to is refused before anything is allocated.
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <new>
#include <stdexcept>

#include "coding/Payload.h"

namespace ovk {
namespace {

constexpr std::size_t kGrain = 256;
// Deflate codes at best two bits (a length and a distance code) for 258 bytes.
constexpr std::uint64_t kDeflateMaxRatio = 1032;
constexpr std::uint64_t kDeflateBoundSlack = 1024;

std::size_t RoundUpToGrain(std::size_t n) { return (n + kGrain - 1) / kGrain * kGrain; }

// zlib's default level is 6; libdeflate's level 0 writes stored blocks.
int LibdeflateLevel(CompressionLevel level) {
  const int zlibLevel = ZlibLevel(level);
  return zlibLevel == Z_DEFAULT_COMPRESSION ? 6 : zlibLevel;
}

struct CompressorFree {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
struct DecompressorFree {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// One compressor per level and thread: making one costs more than coding a
// small file, and a compressor must not be shared between threads.
libdeflate_compressor& Compressor(CompressionLevel level) {
  thread_local std::unique_ptr<libdeflate_compressor, CompressorFree> held[kLevelMaximum + 1];
  auto& slot = held[level >= kLevelNone && level <= kLevelMaximum ? level : kLevelDefault];
  if (!slot) slot.reset(libdeflate_alloc_compressor(LibdeflateLevel(level)));
  if (!slot) throw std::bad_alloc();
  return *slot;
}

libdeflate_decompressor& WholeDecompressor() {
  thread_local std::unique_ptr<libdeflate_decompressor, DecompressorFree> held;
  if (!held) held.reset(libdeflate_alloc_decompressor());
  if (!held) throw std::bad_alloc();
  return *held;
}

using CompressCall = std::size_t (*)(libdeflate_compressor*, const void*, std::size_t, void*, std::size_t);
using BoundCall = std::size_t (*)(libdeflate_compressor*, std::size_t);

std::string LibdeflateCompress(const std::string& data, CompressionLevel level, CompressCall compress,
                               BoundCall bound) {
  libdeflate_compressor& c = Compressor(level);
  std::string out(bound(&c, data.size()), '\0');
  const std::size_t produced = compress(&c, data.data(), data.size(), out.data(), out.size());
  if (produced == 0) throw std::runtime_error("libdeflate compression failed");
  out.resize(produced);
  return out;
}

// Releases the zlib state however the helper is left.
struct DeflateState {
  z_stream z{};
  ~DeflateState() { deflateEnd(&z); }
};

// zlib counts in 32-bit units; longer input is handed over in slices.
void FeedInput(z_stream& z, const std::string& data, std::size_t& fed) {
  if (z.avail_in > 0 || fed == data.size()) return;
  const std::size_t slice = std::min<std::size_t>(data.size() - fed, UINT_MAX);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + fed));
  z.avail_in = static_cast<uInt>(slice);
  fed += slice;
}

std::size_t Produced(const z_stream& z, const std::string& out) {
  return static_cast<std::size_t>(reinterpret_cast<const char*>(z.next_out) - out.data());
}

// Points zlib at the free part of the buffer after the produced bytes.
void PointOutput(z_stream& z, std::string& out, std::size_t produced) {
  z.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
  z.avail_out = static_cast<uInt>(std::min<std::size_t>(out.size() - produced, UINT_MAX));
}

// Gives zlib free output space when it has none, growing the buffer
// geometrically (linear total cost).
void MakeRoom(z_stream& z, std::string& out) {
  if (z.avail_out > 0) return;
  const std::size_t produced = Produced(z, out);
  if (produced == out.size()) out.resize(produced + std::max(produced, kGrain));
  PointOutput(z, out, produced);
}

std::uint64_t NaturalInflateBound(std::size_t inputLength) {
  const std::uint64_t n = inputLength;
  if (n > (~std::uint64_t{0} - kDeflateBoundSlack) / kDeflateMaxRatio) return ~std::uint64_t{0};
  return n * kDeflateMaxRatio + kDeflateBoundSlack;
}

// zlib's own stream: used for empty content, whose designed layout is zlib's
// (libdeflate codes the empty block differently).
std::string ZlibCompressString(const std::string& data, CompressionLevel level) {
  DeflateState state;
  z_stream& z = state.z;
  const int init = deflateInit(&z, ZlibLevel(level));
  if (init == Z_MEM_ERROR) throw std::bad_alloc();
  if (init != Z_OK) throw std::runtime_error("zlib deflateInit failed");
  std::string out(RoundUpToGrain(data.size() + data.size() / 10 + 12), '\0');
  PointOutput(z, out, 0);
  std::size_t fed = 0;
  for (;;) {
    FeedInput(z, data, fed);
    const int ret = deflate(&z, fed == data.size() ? Z_FINISH : Z_NO_FLUSH);
    if (ret == Z_STREAM_END) break;
    if (ret != Z_OK && ret != Z_BUF_ERROR) throw std::runtime_error("zlib deflate failed");
    MakeRoom(z, out);
  }
  out.resize(Produced(z, out));
  return out;
}

}  // namespace

int ZlibLevel(CompressionLevel level) {
  switch (level) {
    case kLevelNone: return 0;
    case kLevelFastest: return 1;
    case kLevelMaximum: return 9;
    default: return Z_DEFAULT_COMPRESSION;
  }
}

std::string CompressString(const std::string& data, CompressionLevel level) {
  if (data.empty()) return ZlibCompressString(data, level);
  return LibdeflateCompress(data, level, libdeflate_zlib_compress, libdeflate_zlib_compress_bound);
}

std::string DeflateRaw(const std::string& data, CompressionLevel level) {
  if (!data.empty()) {
    return LibdeflateCompress(data, level, libdeflate_deflate_compress, libdeflate_deflate_compress_bound);
  }
  // zlib's stream without the 2-byte header and the 4-byte Adler-32 trailer.
  const std::string stream = ZlibCompressString(data, level);
  return stream.substr(2, stream.size() - 6);
}

std::string GzipMember(const std::string& data, CompressionLevel level) {
  return LibdeflateCompress(data, level, libdeflate_gzip_compress, libdeflate_gzip_compress_bound);
}

bool InflateToKnownSize(const std::string& data, bool zlibWrapped, std::uint64_t size, std::string& out) {
  // A lying size must not allocate more than the data could ever inflate to.
  if (size > NaturalInflateBound(data.size()) || size > SIZE_MAX) return false;
  std::string result(static_cast<std::size_t>(size), '\0');
  libdeflate_decompressor& d = WholeDecompressor();
  // Without an out count libdeflate succeeds only when exactly size bytes came out.
  const libdeflate_result r =
      zlibWrapped ? libdeflate_zlib_decompress(&d, data.data(), data.size(), result.data(), result.size(), nullptr)
                  : libdeflate_deflate_decompress(&d, data.data(), data.size(), result.data(), result.size(), nullptr);
  if (r != LIBDEFLATE_SUCCESS) return false;
  out = std::move(result);
  return true;
}

}  // namespace ovk
