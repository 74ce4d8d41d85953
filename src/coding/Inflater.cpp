// zlib counts in 32-bit units and the output grows in steps, so a caller's
// large room is never allocated before the data proves to fill it.
#include "coding/Inflater.h"

#include <algorithm>
#include <climits>
#include <new>
#include <stdexcept>

namespace ovk {
namespace {

constexpr std::size_t kOutputStep = 256 * 1024;
constexpr int kMaxWindowBits = 15;

}  // namespace

Inflater::Inflater(bool zlibWrapped) {
  const int init = inflateInit2(&z_, zlibWrapped ? kMaxWindowBits : -kMaxWindowBits);
  if (init == Z_MEM_ERROR) throw std::bad_alloc();
  if (init != Z_OK) throw std::runtime_error("zlib inflateInit failed");
}

Inflater::~Inflater() { inflateEnd(&z_); }

StreamStatus Inflater::Decode(std::string_view& in, std::string& out, std::size_t maxOut) {
  for (;;) {
    const auto inSlice = static_cast<uInt>(std::min<std::size_t>(in.size(), UINT_MAX));
    const auto room = static_cast<uInt>(std::min(maxOut, kOutputStep));
    const std::size_t before = out.size();
    out.resize(before + room);
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z_.avail_in = inSlice;
    z_.next_out = reinterpret_cast<Bytef*>(out.data() + before);
    z_.avail_out = room;
    const int ret = room == 0 ? Z_BUF_ERROR : inflate(&z_, Z_NO_FLUSH);
    const std::size_t produced = room - z_.avail_out;
    out.resize(before + produced);
    in.remove_prefix(inSlice - z_.avail_in);
    maxOut -= produced;
    if (ret == Z_STREAM_END) return StreamStatus::kEnd;
    if (ret == Z_MEM_ERROR) throw std::bad_alloc();
    // A preset-dictionary request is as undecodable as corrupt data.
    if (ret != Z_OK && ret != Z_BUF_ERROR) return StreamStatus::kError;
    if (maxOut == 0 || (in.empty() && produced < room)) return StreamStatus::kMore;
  }
}

}  // namespace ovk
