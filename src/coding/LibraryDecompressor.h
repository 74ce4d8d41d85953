// The decode loop shared by the decompressors built on a library that codes
// from one buffer into another: it hands the library bounded slices of the
// caller's output and stops when the library can go no further.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "coding/Decompressor.h"

namespace ovk {

// What one library call did.
struct DecodeStep {
  std::size_t consumed = 0;
  std::size_t produced = 0;
  StreamStatus status = StreamStatus::kMore;
};

class LibraryDecompressor : public Decompressor {
 public:
  LibraryDecompressor() = default;
  LibraryDecompressor(const LibraryDecompressor&) = delete;
  LibraryDecompressor& operator=(const LibraryDecompressor&) = delete;

  StreamStatus Decode(std::string_view& in, std::string& out, std::size_t maxOut) final;
  bool HasEndMarker() const override { return true; }

 protected:
  // One library call from `in` into at most `room` bytes at `to`.
  virtual DecodeStep Step(std::string_view in, char* to, std::size_t room) = 0;
  // False when the library goes on after an end (zstd's next frame).
  virtual bool EndIsFinal() const { return true; }

 private:
  StreamStatus last_ = StreamStatus::kMore;
};

}  // namespace ovk
