// bzip2 through libbz2, in its fast (not the small-memory) mode.
#include <bzlib.h>

#include <algorithm>
#include <climits>
#include <new>

#include "coding/LibraryDecompressor.h"
#include "coding/OtherMethods.h"

namespace ovk {
namespace {

unsigned CountFor(std::size_t n) { return static_cast<unsigned>(std::min<std::size_t>(n, UINT_MAX)); }

class Bzip2Decompressor final : public LibraryDecompressor {
 public:
  Bzip2Decompressor() {
    if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) throw std::bad_alloc();
  }
  ~Bzip2Decompressor() override { BZ2_bzDecompressEnd(&stream_); }

 private:
  DecodeStep Step(std::string_view in, char* to, std::size_t room) override {
    const unsigned inCount = CountFor(in.size());
    const unsigned outCount = CountFor(room);
    stream_.next_in = const_cast<char*>(in.data());
    stream_.avail_in = inCount;
    stream_.next_out = to;
    stream_.avail_out = outCount;
    const int ret = BZ2_bzDecompress(&stream_);
    DecodeStep step{inCount - stream_.avail_in, outCount - stream_.avail_out, StreamStatus::kMore};
    if (ret == BZ_STREAM_END) step.status = StreamStatus::kEnd;
    else if (ret != BZ_OK) step.status = StreamStatus::kError;
    return step;
  }

  bz_stream stream_{};
};

}  // namespace

std::unique_ptr<Decompressor> MakeBzip2Decompressor() { return std::make_unique<Bzip2Decompressor>(); }

}  // namespace ovk
