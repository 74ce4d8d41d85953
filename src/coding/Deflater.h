// Raw deflate by zlib, fed in pieces: the blocks of a stream compressed on
// several threads, each primed with the content before it.
#pragma once

#include <zlib.h>

#include <string>
#include <string_view>

#include "coding/Payload.h"

namespace ovk {

class Deflater {
 public:
  explicit Deflater(CompressionLevel level);
  ~Deflater();
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Primes the window with the content that comes before.
  void SetDictionary(std::string_view dictionary);
  // Appends whatever compressed bytes are ready.
  void Deflate(std::string_view in, std::string& out);
  // Appends everything so far, ending on a byte boundary without ending the stream.
  void Flush(std::string& out);
  // Appends the rest of the stream.
  void Finish(std::string& out);

 private:
  void Run(std::string_view in, int flush, std::string& out);

  z_stream z_{};
};

}  // namespace ovk
