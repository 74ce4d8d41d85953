#include "coding/LzmaState.h"

namespace ovk {

DecodeStep LzmaState::Step(std::string_view in, char* to, std::size_t room) {
  stream_.next_in = reinterpret_cast<const std::uint8_t*>(in.data());
  stream_.avail_in = in.size();
  stream_.next_out = reinterpret_cast<std::uint8_t*>(to);
  stream_.avail_out = room;
  const lzma_ret ret = lzma_code(&stream_, LZMA_RUN);
  DecodeStep step{in.size() - stream_.avail_in, room - stream_.avail_out, StreamStatus::kMore};
  // LZMA_BUF_ERROR only says that no progress was possible: more is needed.
  if (ret == LZMA_STREAM_END) step.status = StreamStatus::kEnd;
  else if (ret != LZMA_OK && ret != LZMA_BUF_ERROR) step.status = StreamStatus::kError;
  return step;
}

}  // namespace ovk
