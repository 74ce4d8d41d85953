// One .xz stream made piece by piece by liblzma's threaded encoder, in
// blocks small enough that its threads' memory stays bounded: each block
// records its sizes, so that threaded decoders decode it on threads too.
#pragma once

#include <lzma.h>

#include <string>
#include <string_view>

namespace ovk {

class XzCompressor {
 public:
  // Throws std::bad_alloc when liblzma cannot set up its encoder.
  explicit XzCompressor(unsigned threads);
  ~XzCompressor();
  XzCompressor(const XzCompressor&) = delete;
  XzCompressor& operator=(const XzCompressor&) = delete;

  // Appends whatever compressed bytes are ready.
  void Compress(std::string_view in, std::string& out);
  // Appends the rest of the stream.
  void Finish(std::string& out);

 private:
  void Run(std::string_view in, lzma_action action, std::string& out);

  lzma_stream stream_ = LZMA_STREAM_INIT;
};

}  // namespace ovk
