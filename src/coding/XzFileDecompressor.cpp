// The streams of an .xz file through liblzma's threaded decoder, each
// started afresh where the one before ended: liblzma's own joining of
// streams needs to be told where the input ends, which a decoder fed piece
// by piece cannot know.
#include "coding/XzFileDecompressor.h"

#include <string>
#include <string_view>

#include "coding/LzmaState.h"
#include "coding/OtherMethods.h"

namespace ovk {
namespace {

constexpr std::string_view kStreamMagic("\xfd" "7zXZ\0", 6);
// What the threads' block buffers may take before decoding falls back to
// one thread: a stream of huge blocks costs no more than a single-threaded
// decoder does.
constexpr std::uint64_t kThreadedMemory = std::uint64_t{48} << 20;

class XzFileDecompressor final : public LibraryDecompressor {
 public:
  explicit XzFileDecompressor(unsigned threads) : threads_(threads) { started_ = StartStream(); }

 private:
  DecodeStep Step(std::string_view in, char* to, std::size_t room) override {
    if (!started_) return {0, 0, StreamStatus::kError};
    if (!inStream_) return Between(in, to, room);
    DecodeStep step = state_.Step(in, to, room);
    if (step.status == StreamStatus::kEnd) {
      inStream_ = false;
      // More input may bring padding and another stream.
      step.status = step.consumed == in.size() ? StreamStatus::kEnd : StreamStatus::kMore;
    }
    return step;
  }
  bool EndIsFinal() const override { return false; }

  // After a stream: zero padding, then another stream's magic (perhaps
  // split between pieces, its start kept meanwhile) or the end.
  DecodeStep Between(std::string_view in, char* to, std::size_t room) {
    std::size_t used = 0;
    if (magic_.empty()) {
      while (used < in.size() && in[used] == '\0') ++used;
    }
    while (used < in.size() && magic_.size() < kStreamMagic.size() && in[used] == kStreamMagic[magic_.size()])
      magic_ += in[used++];
    if (magic_.size() < kStreamMagic.size()) {
      // Anything but padding or a magic's start ends the file's streams.
      if (used < in.size()) magic_.clear();
      return {used, 0, StreamStatus::kEnd};
    }
    if (!StartStream()) return {used, 0, StreamStatus::kError};
    const std::string magic = std::move(magic_);
    magic_.clear();
    // The magic read so far goes to the new stream's decoder first.
    const DecodeStep fed = state_.Step(magic, to, room);
    if (fed.status == StreamStatus::kError || fed.consumed != magic.size()) return {used, 0, StreamStatus::kError};
    return {used, fed.produced, StreamStatus::kMore};
  }

  bool StartStream() {
    lzma_mt options{};
    options.threads = threads_;
    options.memlimit_threading = kThreadedMemory;
    options.memlimit_stop = kMaxLzmaMemory;
    inStream_ = lzma_stream_decoder_mt(state_.Stream(), &options) == LZMA_OK;
    return inStream_;
  }

  const unsigned threads_;
  LzmaState state_;
  std::string magic_;  // the start of the next stream's magic, read
  bool started_ = false, inStream_ = false;
};

}  // namespace

std::unique_ptr<Decompressor> MakeXzFileDecompressor(unsigned threads) {
  return std::make_unique<XzFileDecompressor>(threads);
}

}  // namespace ovk
