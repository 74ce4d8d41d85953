// gzip members through ISA-L's inflater, which decodes several times faster
// than zlib on the same stream. The member headers are read here: ISA-L's
// own header reading fails on some splits of its input into small pieces,
// its inflation and trailer check do not.
#include "coding/GzipDecompressor.h"

#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <cstdint>

#include "coding/LibraryDecompressor.h"

namespace ovk {
namespace {

constexpr std::uint8_t kFlagHeaderCrc = 0x02, kFlagExtra = 0x04, kFlagName = 0x08, kFlagComment = 0x10;
constexpr std::size_t kFixedHeaderBytes = 10;

// Reads a member header byte by byte, so that a header of any length and
// any split of it costs no buffering beyond its fixed part.
class GzipHeader {
 public:
  enum class Step { kMore, kDone, kBad };

  // Takes bytes from the front of in until the header ends.
  Step Read(std::string_view& in) {
    while (!in.empty()) {
      const auto byte = static_cast<std::uint8_t>(in.front());
      in.remove_prefix(1);
      if (const Step step = Take(byte); step != Step::kMore) return step;
    }
    return Step::kMore;
  }

 private:
  Step Take(std::uint8_t byte) {
    if (fixed_.size() < kFixedHeaderBytes) {
      fixed_ += static_cast<char>(byte);
      if (fixed_.size() < kFixedHeaderBytes) return Step::kMore;
      flags_ = static_cast<std::uint8_t>(fixed_[3]);
      // Magic, deflate, and no flag this reader does not know.
      if (fixed_.compare(0, 3, "\x1f\x8b\x08") != 0 || (flags_ & 0xE0) != 0) return Step::kBad;
      extraLeft_ = (flags_ & kFlagExtra) ? -2 : 0;
      headerCrcLeft_ = (flags_ & kFlagHeaderCrc) ? 2 : 0;
      return Settled();
    }
    if (extraLeft_ < 0) {  // the extra field's 16-bit length, low byte first
      extraLength_ |= static_cast<long>(byte) << (extraLeft_ == -2 ? 0 : 8);
      if (++extraLeft_ == 0) extraLeft_ = extraLength_;
    } else if (extraLeft_ > 0) --extraLeft_;
    else if (flags_ & kFlagName) {
      if (byte == 0) flags_ &= ~kFlagName;
    } else if (flags_ & kFlagComment) {
      if (byte == 0) flags_ &= ~kFlagComment;
    } else --headerCrcLeft_;
    return Settled();
  }

  Step Settled() const {
    const bool done = extraLeft_ == 0 && !(flags_ & (kFlagName | kFlagComment)) && headerCrcLeft_ == 0;
    return done ? Step::kDone : Step::kMore;
  }

  std::string fixed_;
  std::uint8_t flags_ = 0;
  long extraLeft_ = 0;  // -2, -1: its length still to read
  long extraLength_ = 0;
  int headerCrcLeft_ = 0;
};

class GzipDecompressor final : public LibraryDecompressor {
 public:
  GzipDecompressor() { Restart(); }

 private:
  DecodeStep Step(std::string_view in, char* to, std::size_t room) override {
    if (betweenMembers_) {
      // Another member follows only where its magic does; anything else
      // (a tape's zero padding, say) is left after the stream.
      if (in.empty() || (in.size() == 1 && in[0] == '\x1f')) return {0, 0, StreamStatus::kEnd};
      if (in.compare(0, 2, "\x1f\x8b") != 0) return {0, 0, StreamStatus::kEnd};
      Restart();
    }
    const std::size_t whole = in.size();
    if (inHeader_) {
      const GzipHeader::Step step = header_.Read(in);
      if (step == GzipHeader::Step::kBad) return {whole - in.size(), 0, StreamStatus::kError};
      inHeader_ = step == GzipHeader::Step::kMore;
      if (inHeader_) return {whole, 0, StreamStatus::kMore};
    }
    const std::size_t headerBytes = whole - in.size();
    const auto given = static_cast<std::uint32_t>(std::min<std::size_t>(in.size(), UINT32_MAX));
    const auto space = static_cast<std::uint32_t>(std::min<std::size_t>(room, UINT32_MAX));
    state_.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(in.data()));
    state_.avail_in = given;
    state_.next_out = reinterpret_cast<std::uint8_t*>(to);
    state_.avail_out = space;
    const int ret = isal_inflate(&state_);
    // Positive values report where it stopped (input used up), not damage.
    // After damage ISA-L's counters are not to be trusted (a stored block
    // whose lengths disagree leaves avail_in wrapped): the piece is spent.
    if (ret < 0 || ret == ISAL_NEED_DICT) return {whole, 0, StreamStatus::kError};
    const std::size_t consumed = headerBytes + given - state_.avail_in, produced = space - state_.avail_out;
    betweenMembers_ = state_.block_state == ISAL_BLOCK_FINISH;
    // A member's end is the stream's when nothing is left to start another.
    const bool end = betweenMembers_ && state_.avail_in == 0 && given == in.size();
    return {consumed, produced, end ? StreamStatus::kEnd : StreamStatus::kMore};
  }
  bool EndIsFinal() const override { return false; }

  void Restart() {
    isal_inflate_init(&state_);
    // Deflate data, then the CRC-32 and size it checks.
    state_.crc_flag = ISAL_GZIP_NO_HDR_VER;
    header_ = GzipHeader();
    inHeader_ = true;
    betweenMembers_ = false;
  }

  inflate_state state_{};
  GzipHeader header_;
  bool inHeader_ = true;
  bool betweenMembers_ = false;
};

}  // namespace

std::unique_ptr<Decompressor> MakeGzipDecompressor() { return std::make_unique<GzipDecompressor>(); }

}  // namespace ovk
