// One compression method's decoder, fed piece by piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ovk {

enum class StreamStatus { kMore, kEnd, kError };

class Decompressor {
 public:
  virtual ~Decompressor() = default;
  // Decodes from `in` (advancing it past the bytes consumed) and appends at
  // most maxOut bytes to `out`. kEnd once the stream's end is reached (bytes
  // after it are left in `in`), kError on corrupt data, else kMore (it needs
  // more input, or more room).
  virtual StreamStatus Decode(std::string_view& in, std::string& out, std::size_t maxOut) = 0;
  // True when the method marks its own end (then a stream that stops before
  // its end is incomplete). Raw deflate does; stored data does not.
  virtual bool HasEndMarker() const = 0;
};

// The decompressor of a ZIP method (the native container's zlib stream with
// zlibWrapped true); null when not supported. LZMA also needs whether its
// stream carries an end marker (ZIP flag bit 1) and, without one, the
// original size at which it ends.
std::unique_ptr<Decompressor> MakeDecompressor(std::uint16_t method, bool zlibWrapped, bool endMarker = true,
                                               std::uint64_t originalSize = UINT64_MAX);

}  // namespace ovk
