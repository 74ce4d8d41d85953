// zstd frames through libzstd. Its default window limit (128 MiB) stands, so
// a frame cannot make it reserve more than that.
#include <zstd.h>

#include <new>

#include "coding/LibraryDecompressor.h"
#include "coding/OtherMethods.h"

namespace ovk {
namespace {

class ZstdDecompressor final : public LibraryDecompressor {
 public:
  ZstdDecompressor() : context_(ZSTD_createDCtx()) {
    if (!context_) throw std::bad_alloc();
  }
  ~ZstdDecompressor() override { ZSTD_freeDCtx(context_); }

 private:
  DecodeStep Step(std::string_view in, char* to, std::size_t room) override {
    if (in.empty() && atFrameEnd_) return {0, 0, StreamStatus::kEnd};
    ZSTD_inBuffer input{in.data(), in.size(), 0};
    ZSTD_outBuffer output{to, room, 0};
    const std::size_t ret = ZSTD_decompressStream(context_, &output, &input);
    if (ZSTD_isError(ret)) return {input.pos, output.pos, StreamStatus::kError};
    // 0: a frame is complete and flushed; reading nothing leaves us where we were.
    atFrameEnd_ = ret == 0 || (atFrameEnd_ && input.pos == 0);
    const bool end = atFrameEnd_ && input.pos == in.size();
    return {input.pos, output.pos, end ? StreamStatus::kEnd : StreamStatus::kMore};
  }
  bool EndIsFinal() const override { return false; }

  ZSTD_DCtx* context_;
  bool atFrameEnd_ = false;
};

}  // namespace

std::unique_ptr<Decompressor> MakeZstdDecompressor() { return std::make_unique<ZstdDecompressor>(); }

}  // namespace ovk
