#include "coding/LibraryDecompressor.h"

#include <algorithm>

namespace ovk {
namespace {

// The output grows a slice at a time, so a generous maxOut never allocates
// ahead of the data actually decoded.
constexpr std::size_t kSlice = 64 * 1024;

}  // namespace

StreamStatus LibraryDecompressor::Decode(std::string_view& in, std::string& out, std::size_t maxOut) {
  // A library is not called again after it failed or finished for good.
  if (last_ == StreamStatus::kError || (last_ == StreamStatus::kEnd && EndIsFinal())) return last_;
  std::size_t left = maxOut;
  for (;;) {
    const std::size_t room = std::min(left, kSlice);
    const std::size_t base = out.size();
    out.resize(base + room);
    DecodeStep step = Step(in, out.data() + base, room);
    // A library that claims more than it was given has lost its way: its
    // counts would carry reads and writes past the buffers.
    if (step.consumed > in.size() || step.produced > room) step = {in.size(), 0, StreamStatus::kError};
    out.resize(base + step.produced);
    in.remove_prefix(step.consumed);
    left -= step.produced;
    last_ = step.status;
    // A call that neither reads nor writes waits for more input or room.
    if (step.status != StreamStatus::kMore || (step.consumed == 0 && step.produced == 0)) return step.status;
  }
}

}  // namespace ovk
