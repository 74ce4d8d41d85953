#include "coding/Deflater.h"

#include <algorithm>
#include <climits>
#include <new>
#include <stdexcept>

namespace ovk {
namespace {

constexpr int kMaxWindowBits = 15;
constexpr int kMemLevel = 8;
constexpr std::size_t kOutputStep = 64 * 1024;

}  // namespace

Deflater::Deflater(CompressionLevel level) {
  // Negative window bits: no zlib header or trailer.
  const int init = deflateInit2(&z_, ZlibLevel(level), Z_DEFLATED, -kMaxWindowBits, kMemLevel, Z_DEFAULT_STRATEGY);
  if (init == Z_MEM_ERROR) throw std::bad_alloc();
  if (init != Z_OK) throw std::runtime_error("zlib deflateInit failed");
}

Deflater::~Deflater() { deflateEnd(&z_); }

void Deflater::SetDictionary(std::string_view dictionary) {
  if (deflateSetDictionary(&z_, reinterpret_cast<const Bytef*>(dictionary.data()),
                           static_cast<uInt>(dictionary.size())) != Z_OK)
    throw std::runtime_error("zlib deflateSetDictionary failed");
}

void Deflater::Deflate(std::string_view in, std::string& out) { Run(in, Z_NO_FLUSH, out); }

void Deflater::Flush(std::string& out) { Run({}, Z_SYNC_FLUSH, out); }

void Deflater::Finish(std::string& out) { Run({}, Z_FINISH, out); }

// Runs until zlib has taken all of `in` and written what the flush asks for.
void Deflater::Run(std::string_view in, int flush, std::string& out) {
  for (;;) {
    const auto slice = static_cast<uInt>(std::min<std::size_t>(in.size(), UINT_MAX));
    const std::size_t before = out.size();
    out.resize(before + kOutputStep);
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z_.avail_in = slice;
    z_.next_out = reinterpret_cast<Bytef*>(out.data() + before);
    z_.avail_out = static_cast<uInt>(kOutputStep);
    const int ret = deflate(&z_, slice == in.size() ? flush : Z_NO_FLUSH);
    out.resize(before + kOutputStep - z_.avail_out);
    in.remove_prefix(slice - z_.avail_in);
    if (ret == Z_STREAM_END) return;
    if (ret != Z_OK && ret != Z_BUF_ERROR) throw std::runtime_error("zlib deflate failed");
    if (in.empty() && flush != Z_FINISH && z_.avail_out > 0) return;
  }
}

}  // namespace ovk
