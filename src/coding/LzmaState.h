// One liblzma decoder, released with it; shared by the LZMA and xz methods.
#pragma once

#include <lzma.h>

#include <string_view>

#include "coding/LibraryDecompressor.h"

namespace ovk {

class LzmaState {
 public:
  LzmaState() = default;
  LzmaState(const LzmaState&) = delete;
  LzmaState& operator=(const LzmaState&) = delete;
  ~LzmaState() { lzma_end(&stream_); }

  // For the decoder's initialisation call.
  lzma_stream* Stream() { return &stream_; }
  // One lzma_code call from `in` into at most `room` bytes at `to`.
  DecodeStep Step(std::string_view in, char* to, std::size_t room);

 private:
  lzma_stream stream_ = LZMA_STREAM_INIT;
};

}  // namespace ovk
