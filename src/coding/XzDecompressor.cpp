// One .xz stream through liblzma; a second stream or padding after it is
// left to the caller.
#include <new>

#include "coding/LzmaState.h"
#include "coding/OtherMethods.h"

namespace ovk {
namespace {

class XzDecompressor final : public LibraryDecompressor {
 public:
  XzDecompressor() {
    if (lzma_stream_decoder(state_.Stream(), kMaxLzmaMemory, 0) != LZMA_OK) throw std::bad_alloc();
  }

 private:
  DecodeStep Step(std::string_view in, char* to, std::size_t room) override { return state_.Step(in, to, room); }

  LzmaState state_;
};

}  // namespace

std::unique_ptr<Decompressor> MakeXzDecompressor() { return std::make_unique<XzDecompressor>(); }

}  // namespace ovk
