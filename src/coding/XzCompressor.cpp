#include "coding/XzCompressor.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace ovk {

namespace {

// xz's default level with a quarter of its dictionary, in blocks twice
// that size: a thread's encoder then needs about a quarter of the memory,
// for output some 10-15% larger than a single-threaded `xz -6` writes.
constexpr std::uint32_t kDictionaryBytes = 2u << 20;
constexpr std::uint64_t kBlockBytes = 4u << 20;
// What the encoder may take, as liblzma reckons it; fewer threads when
// more would need more.
constexpr std::uint64_t kMemoryBudget = std::uint64_t{80} << 20;
constexpr std::size_t kOutPiece = 64 * 1024;

}  // namespace

XzCompressor::XzCompressor(unsigned threads) {
  lzma_options_lzma lzma2{};
  if (lzma_lzma_preset(&lzma2, LZMA_PRESET_DEFAULT)) throw std::bad_alloc();
  lzma2.dict_size = kDictionaryBytes;
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &lzma2}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_mt options{};
  options.block_size = kBlockBytes;
  options.filters = filters;
  options.check = LZMA_CHECK_CRC64;
  for (options.threads = std::max(1u, threads);
       options.threads > 1 && lzma_stream_encoder_mt_memusage(&options) > kMemoryBudget; --options.threads) {
  }
  if (lzma_stream_encoder_mt(&stream_, &options) != LZMA_OK) throw std::bad_alloc();
}

XzCompressor::~XzCompressor() { lzma_end(&stream_); }

void XzCompressor::Compress(std::string_view in, std::string& out) { Run(in, LZMA_RUN, out); }

void XzCompressor::Finish(std::string& out) { Run({}, LZMA_FINISH, out); }

void XzCompressor::Run(std::string_view in, lzma_action action, std::string& out) {
  stream_.next_in = reinterpret_cast<const std::uint8_t*>(in.data());
  stream_.avail_in = in.size();
  for (;;) {
    const std::size_t base = out.size();
    out.resize(base + kOutPiece);
    stream_.next_out = reinterpret_cast<std::uint8_t*>(out.data() + base);
    stream_.avail_out = kOutPiece;
    const lzma_ret ret = lzma_code(&stream_, action);
    out.resize(base + kOutPiece - stream_.avail_out);
    if (ret == LZMA_STREAM_END) return;
    if (ret == LZMA_MEM_ERROR) throw std::bad_alloc();
    if (ret != LZMA_OK) throw std::runtime_error("the xz encoder failed");
    // Everything taken, and nothing more to hand out until more comes.
    if (action == LZMA_RUN && stream_.avail_in == 0 && stream_.avail_out != 0) return;
  }
}

}  // namespace ovk
