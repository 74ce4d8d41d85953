// coding/Decompressor.h
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
// The decompressor of a ZIP method; null when not supported.
std::unique_ptr<Decompressor> MakeDecompressor(std::uint16_t method, bool zlibWrapped);
}  // namespace ovk
