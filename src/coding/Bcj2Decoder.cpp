#include "coding/Bcj2Decoder.h"

namespace ovk {

namespace {

constexpr int kModelBits = 11;
constexpr std::uint16_t kModelTotal = 1 << kModelBits;
constexpr int kMoveBits = 5;
constexpr std::uint32_t kTop = 1u << 24;

// E8 (call), E9 (jump) and the two-byte conditional jumps 0F 80..8F.
bool IsBranch(std::uint8_t previous, std::uint8_t byte) {
  return (byte & 0xFE) == 0xE8 || (previous == 0x0F && (byte & 0xF0) == 0x80);
}

}  // namespace

Bcj2Decoder::Bcj2Decoder(std::array<Input, 4> inputs, std::uint64_t size) : size_(size) {
  for (std::size_t i = 0; i < inputs.size(); ++i) sources_[i].more = std::move(inputs[i]);
  probabilities_.fill(kModelTotal >> 1);
}

bool Bcj2Decoder::Take(Source& source, std::uint8_t& byte) {
  if (source.used == source.bytes.size()) {
    source.bytes.clear();
    source.used = 0;
    while (source.bytes.empty()) {
      if (!source.more(source.bytes)) return false;
    }
  }
  byte = static_cast<std::uint8_t>(source.bytes[source.used++]);
  return true;
}

bool Bcj2Decoder::StartRangeCoder() {
  for (int i = 0; i < 5; ++i) {
    std::uint8_t byte = 0;
    if (!Take(sources_[3], byte)) return false;
    code_ = (code_ << 8) | byte;
  }
  return started_ = true;
}

bool Bcj2Decoder::Bit(std::uint16_t& probability, bool& bit) {
  const std::uint32_t bound = (range_ >> kModelBits) * probability;
  bit = code_ >= bound;
  if (!bit) {
    range_ = bound;
    probability = static_cast<std::uint16_t>(probability + ((kModelTotal - probability) >> kMoveBits));
  } else {
    range_ -= bound;
    code_ -= bound;
    probability = static_cast<std::uint16_t>(probability - (probability >> kMoveBits));
  }
  if (range_ >= kTop) return true;
  std::uint8_t byte = 0;
  if (!Take(sources_[3], byte)) return false;
  range_ <<= 8;
  code_ = (code_ << 8) | byte;
  return true;
}

StreamStatus Bcj2Decoder::Decode(std::string& out, std::size_t max) {
  if (!started_ && !StartRangeCoder()) return StreamStatus::kError;
  for (std::size_t given = 0; given < max && done_ < size_; ++given, ++done_) {
    if (!pending_.empty()) {
      out.push_back(pending_.front());
      pending_.erase(0, 1);
      continue;
    }
    std::uint8_t byte = 0;
    if (!Take(sources_[0], byte)) return StreamStatus::kError;
    out.push_back(static_cast<char>(byte));
    const bool branch = IsBranch(previous_, byte);
    // A branch that ends the content carries no target.
    if (!branch || done_ + 1 == size_) {
      previous_ = byte;
      continue;
    }
    std::uint16_t& probability = probabilities_[byte == 0xE8 ? previous_ : byte == 0xE9 ? 256 : 257];
    bool converted = false;
    if (!Bit(probability, converted)) return StreamStatus::kError;
    if (!converted) {
      previous_ = byte;
      continue;
    }
    std::uint32_t target = 0;
    for (int i = 0; i < 4; ++i) {
      std::uint8_t part = 0;
      if (!Take(sources_[byte == 0xE8 ? 1 : 2], part)) return StreamStatus::kError;
      target = (target << 8) | part;
    }
    // Relative to the end of the 4-byte operand that follows.
    const std::uint32_t relative = target - static_cast<std::uint32_t>(done_ + 5);
    for (int i = 0; i < 4; ++i) pending_.push_back(static_cast<char>((relative >> (8 * i)) & 0xFF));
    previous_ = static_cast<std::uint8_t>(relative >> 24);
  }
  return done_ == size_ ? StreamStatus::kEnd : StreamStatus::kMore;
}

}  // namespace ovk
