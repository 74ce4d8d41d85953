#include "engine/format/PayloadReader.h"

#include <algorithm>

#include "coding/Payload.h"
#include "engine/Archive.h"
#include "engine/EntryPath.h"

namespace ovk {

namespace {

constexpr std::size_t kReadAhead = 16 * 1024;
// Stored bytes read from the file at a time while streaming.
constexpr std::size_t kStoredPiece = 1u << 20;

// The stored bytes run through the decoder as the caller asks for content;
// each call reads at most one stored piece.
class PayloadContent final : public EntryContent {
 public:
  PayloadContent(DataFile& file, std::uint64_t stored, const std::string& password, const PayloadCoding& coding,
                 CipherHolder& cipher)
      : file_(file),
        left_(stored),
        decoder_(password, coding, cipher),
        piece_(static_cast<std::size_t>(std::min<std::uint64_t>(stored, kStoredPiece)), '\0') {}

  bool Next(std::string& out) override {
    const std::size_t before = out.size();
    bool read = false;
    while (!ended_ && out.size() == before && !read) read = Step(out);
    return !ended_;
  }

  bool Verified() const override { return ended_ && verified_; }

 private:
  // One call of the decoder, or one read of stored bytes; true for a read.
  bool Step(std::string& out) {
    if (finishing_) {
      verified_ = decoder_.Finish(out);
      ended_ = !verified_ || !decoder_.MoreOutput();
      return false;
    }
    if (view_.empty() && !decoder_.MoreOutput()) {
      if (left_ == 0) {
        finishing_ = true;
        return false;
      }
      const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left_, piece_.size()));
      ReadBlock(file_, piece_.data(), n);
      left_ -= n;
      view_ = std::string_view(piece_.data(), n);
      return true;
    }
    if (!decoder_.Feed(view_, out)) {
      verified_ = false;
      ended_ = true;
    }
    return false;
  }

  DataFile& file_;
  std::uint64_t left_;
  PayloadDecoder decoder_;
  std::string piece_;
  std::string_view view_;
  bool finishing_ = false, ended_ = false, verified_ = false;
};

}  // namespace

PayloadReader::PayloadReader(DataFile& file) : file_(file), fileSize_(FileSize64(file)) {}

std::unique_ptr<EntryContent> ExtentContent(DataFile& file, const PayloadExtent& extent, const std::string& password,
                                            CipherHolder& cipher) {
  Seek64(file, extent.start);
  return std::make_unique<PayloadContent>(file, extent.size, password, extent.coding, cipher);
}

std::unique_ptr<EntryContent> PayloadReader::Content(const std::string& password, CipherHolder& cipher) {
  PayloadExtent extent;
  Extent(extent);
  return ExtentContent(file_, extent, password, cipher);
}

bool PayloadReader::Extent(PayloadExtent& extent) {
  // A lying size reads no more than the file holds.
  const std::uint64_t stored =
      std::min<std::uint64_t>(packedSize_, static_cast<std::uint64_t>(std::max<std::int64_t>(0, fileSize_ - payloadStart_)));
  extent = {payloadStart_, stored, Coding()};
  return true;
}

bool PayloadReader::Whole(WholePayload& payload) {
  payload.coding = Coding();
  if (!payload.coding.checked) return false;
  payload.stored = StoredBytes(packedSize_);
  return true;
}

// The payload buffer never asks for more than the file still holds, so a
// lying size cannot allocate beyond the archive's own size.
std::string PayloadReader::StoredBytes(std::uint64_t limit) {
  Seek64(file_, payloadStart_);
  const std::int64_t left = std::max<std::int64_t>(0, fileSize_ - payloadStart_);
  std::string data(static_cast<std::size_t>(std::min<std::uint64_t>(limit, static_cast<std::uint64_t>(left))), '\0');
  ReadBlock(file_, data.data(), data.size());
  return data;
}

void PayloadReader::Resume() {
  if (resumeAt_ >= 0) Seek64(file_, resumeAt_);
}

void PayloadReader::Found(std::uint64_t packedSize) {
  payloadStart_ = FilePos64(file_);
  packedSize_ = packedSize;
  resumeAt_ = PayloadEnd(payloadStart_, packedSize, fileSize_);
}

std::string PayloadReader::LinkTarget(const Entry& entry) {
  // Deflate makes no target bigger than this.
  constexpr std::uint64_t kLongestPacked = kLongestLinkTarget * 2 + 64;
  if (entry.encrypted || entry.packedSize > kLongestPacked || entry.originalSize > kLongestLinkTarget ||
      !entry.undecodable.empty())
    return "";
  std::string data = StoredBytes(packedSize_);
  CipherHolder cipher;
  if (!DecodePayload("", Coding(), data, cipher)) return "";
  return data;
}

std::string_view PayloadReader::Peek(std::int64_t position, std::size_t count) {
  const bool held = aheadStart_ >= 0 && position >= aheadStart_ &&
                    position - aheadStart_ + static_cast<std::int64_t>(count) <= static_cast<std::int64_t>(ahead_.size());
  if (!held) {
    ahead_.resize(std::max(count, kReadAhead));
    Seek64(file_, position);
    std::size_t got = 0;
    ReadBlock(file_, ahead_.data(), ahead_.size(), got);
    ahead_.resize(got);
    aheadStart_ = position;
  }
  const auto offset = static_cast<std::size_t>(position - aheadStart_);
  if (offset >= ahead_.size()) return {};
  return std::string_view(ahead_).substr(offset, count);
}

std::string_view PayloadReader::Take(std::int64_t position, std::size_t count) {
  const std::string_view bytes = Peek(position, count);
  if (bytes.size() < count) {
    aheadStart_ = -1;
    Seek64(file_, position);
    ahead_.resize(count);
    ReadBlock(file_, ahead_.data(), count);
    aheadStart_ = position;
    return ahead_;
  }
  return bytes;
}

}  // namespace ovk
