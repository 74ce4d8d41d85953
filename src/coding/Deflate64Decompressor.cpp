// Deflate64: deflate's blocks and codes, with a 64 KiB window, distance
// codes 30 and 31, and length code 285 taking 16 extra bits.
//
// Decoded bytes go into a window buffer that keeps the last 64 KiB behind the
// bytes of the current span; once the span is full the history slides to the
// front, so memory stays fixed whatever the stream's size. Input is read a
// byte at a time, only as far as the current item needs, except in the fast
// loop, which hands back the whole bytes it read ahead: the bytes after the
// stream's end stay in the caller's input.
#include <algorithm>
#include <cstring>
#include <vector>

#include "coding/Deflate64Codes.h"
#include "coding/OtherMethods.h"
#include "support/ByteOrder.h"

namespace ovk {
namespace {

constexpr std::size_t kWindow = 64 * 1024;
constexpr std::size_t kSpan = 256 * 1024;

// The fast loop reads up to two 8-byte words per length and distance.
constexpr std::ptrdiff_t kFastInput = 16;

std::uint32_t LowBits(std::uint64_t bits, unsigned n) {
  return static_cast<std::uint32_t>(bits & ((std::uint64_t{1} << n) - 1));
}

// Copies a match forward byte by byte where it overlaps itself (a repeating
// pattern), in one move where it does not.
void CopyMatch(std::uint8_t* to, std::size_t distance, std::size_t length) {
  const std::uint8_t* from = to - distance;
  if (distance >= length) {
    std::memcpy(to, from, length);
  } else if (distance == 1) {
    std::memset(to, *from, length);
  } else {
    for (std::size_t i = 0; i < length; ++i) to[i] = from[i];
  }
}

enum class Stage {
  kBlockHeader,
  kStoredLengths,
  kStored,
  kTableSizes,
  kCodeLengthCodes,
  kCodeLengths,
  kLiteralOrLength,
  kDistance,
  kCopy,
  kEnd,
  kError,
};

class Deflate64Decompressor final : public Decompressor {
 public:
  Deflate64Decompressor() : window_(kWindow + kSpan) {}

  StreamStatus Decode(std::string_view& in, std::string& out, std::size_t maxOut) override;
  bool HasEndMarker() const override { return true; }

 private:
  // Decodes until the input runs out, the window reaches `limit`, or the
  // stream ends or fails.
  StreamStatus Run(std::string_view& in, std::size_t limit);
  // Each stage's step: false when it waits for input or room (bytes read
  // meanwhile wait in the bit reader); true when it moved on (to kError too).
  bool BlockHeader(std::string_view& in);
  bool StoredLengths(std::string_view& in);
  bool Stored(std::string_view& in, std::size_t limit);
  bool TableSizes(std::string_view& in);
  bool CodeLengthCode(std::string_view& in);
  bool CodeLength(std::string_view& in);
  bool LiteralOrLength(std::string_view& in, std::size_t limit);
  bool Distance(std::string_view& in);
  bool Copy(std::size_t limit);
  void Fast(std::string_view& in, std::size_t limit);

  bool Fail() {
    stage_ = Stage::kError;
    return true;
  }
  void EndBlock() { stage_ = finalBlock_ ? Stage::kEnd : Stage::kBlockHeader; }
  void Slide();

  // The bit reader: bits_ holds bitCount_ bits, the oldest lowest, none above.
  bool Need(std::string_view& in, unsigned n);
  bool PeekCode(std::string_view& in, const HuffmanTable& table, HuffmanEntry& entry);
  std::uint32_t Take(unsigned n);

  std::vector<std::uint8_t> window_;
  std::size_t pos_ = 0;
  std::uint64_t produced_ = 0;  // all bytes decoded, to refuse distances beyond them

  std::uint64_t bits_ = 0;
  unsigned bitCount_ = 0;

  Stage stage_ = Stage::kBlockHeader;
  bool finalBlock_ = false;
  std::uint32_t storedLeft_ = 0;

  unsigned litLenCount_ = 0;
  unsigned distanceCount_ = 0;
  unsigned codeLengthCount_ = 0;
  unsigned lengthsRead_ = 0;
  std::uint8_t codeLengthLengths_[kCodeLengthCodes] = {};
  std::uint8_t lengths_[kMaxLitLenCodes + kMaxDistanceCodes] = {};
  HuffmanTable codeLengthTable_;
  HuffmanTable litLenTable_;
  HuffmanTable distanceTable_;
  const HuffmanTable* litLenCode_ = nullptr;
  const HuffmanTable* distanceCode_ = nullptr;

  std::uint32_t copyLeft_ = 0;
  std::uint32_t copyDistance_ = 0;
};

StreamStatus Deflate64Decompressor::Decode(std::string_view& in, std::string& out, std::size_t maxOut) {
  std::size_t left = maxOut;
  for (;;) {
    if (pos_ == window_.size()) Slide();
    const std::size_t start = pos_;
    const StreamStatus status = Run(in, pos_ + std::min(left, window_.size() - pos_));
    out.append(reinterpret_cast<const char*>(window_.data() + start), pos_ - start);
    left -= pos_ - start;
    // Only a full window stops a caller who still has room.
    if (status != StreamStatus::kMore || pos_ < window_.size() || left == 0) return status;
  }
}

void Deflate64Decompressor::Slide() {
  std::memmove(window_.data(), window_.data() + pos_ - kWindow, kWindow);
  pos_ = kWindow;
}

StreamStatus Deflate64Decompressor::Run(std::string_view& in, std::size_t limit) {
  for (;;) {
    bool moved = false;
    switch (stage_) {
      case Stage::kBlockHeader: moved = BlockHeader(in); break;
      case Stage::kStoredLengths: moved = StoredLengths(in); break;
      case Stage::kStored: moved = Stored(in, limit); break;
      case Stage::kTableSizes: moved = TableSizes(in); break;
      case Stage::kCodeLengthCodes: moved = CodeLengthCode(in); break;
      case Stage::kCodeLengths: moved = CodeLength(in); break;
      case Stage::kLiteralOrLength: moved = LiteralOrLength(in, limit); break;
      case Stage::kDistance: moved = Distance(in); break;
      case Stage::kCopy: moved = Copy(limit); break;
      case Stage::kEnd: return StreamStatus::kEnd;
      case Stage::kError: return StreamStatus::kError;
    }
    if (!moved) return StreamStatus::kMore;
  }
}

bool Deflate64Decompressor::Need(std::string_view& in, unsigned n) {
  while (bitCount_ < n) {
    if (in.empty()) return false;
    bits_ |= std::uint64_t{static_cast<std::uint8_t>(in.front())} << bitCount_;
    bitCount_ += 8;
    in.remove_prefix(1);
  }
  return true;
}

std::uint32_t Deflate64Decompressor::Take(unsigned n) {
  const std::uint32_t value = LowBits(bits_, n);
  bits_ >>= n;
  bitCount_ -= n;
  return value;
}

// Finds the next code, reading a byte at a time until it is complete; false
// when the input runs out first. An entry of length 0 means invalid bits.
bool Deflate64Decompressor::PeekCode(std::string_view& in, const HuffmanTable& table, HuffmanEntry& entry) {
  for (;;) {
    entry = table.Lookup(bits_);
    if (entry.length != 0 ? entry.length <= bitCount_ : bitCount_ >= kMaxCodeLength) return true;
    if (!Need(in, bitCount_ + 8)) return false;
  }
}

bool Deflate64Decompressor::BlockHeader(std::string_view& in) {
  if (!Need(in, 3)) return false;
  finalBlock_ = Take(1) != 0;
  switch (Take(2)) {
    case 0:
      Take(bitCount_ % 8);  // stored data starts at a byte boundary
      stage_ = Stage::kStoredLengths;
      return true;
    case 1:
      litLenCode_ = &FixedBlockCodes().litLen;
      distanceCode_ = &FixedBlockCodes().distance;
      stage_ = Stage::kLiteralOrLength;
      return true;
    case 2:
      stage_ = Stage::kTableSizes;
      return true;
    default:
      return Fail();
  }
}

bool Deflate64Decompressor::StoredLengths(std::string_view& in) {
  if (!Need(in, 32)) return false;
  const std::uint32_t length = Take(16);
  if (length != (~Take(16) & 0xFFFF)) return Fail();
  storedLeft_ = length;
  stage_ = Stage::kStored;
  return true;
}

// The bit reader is empty here: the lengths ended on a byte boundary and
// were read no further.
bool Deflate64Decompressor::Stored(std::string_view& in, std::size_t limit) {
  if (storedLeft_ == 0) {
    EndBlock();
    return true;
  }
  const std::size_t n = std::min({std::size_t{storedLeft_}, in.size(), limit - pos_});
  if (n == 0) return false;
  std::memcpy(window_.data() + pos_, in.data(), n);
  in.remove_prefix(n);
  pos_ += n;
  produced_ += n;
  storedLeft_ -= static_cast<std::uint32_t>(n);
  return true;
}

bool Deflate64Decompressor::TableSizes(std::string_view& in) {
  if (!Need(in, 14)) return false;
  litLenCount_ = Take(5) + kFirstLength;
  distanceCount_ = Take(5) + 1;
  codeLengthCount_ = Take(4) + 4;
  if (litLenCount_ > kMaxLitLenCodes) return Fail();
  std::fill(std::begin(codeLengthLengths_), std::end(codeLengthLengths_), 0);
  lengthsRead_ = 0;
  stage_ = Stage::kCodeLengthCodes;
  return true;
}

bool Deflate64Decompressor::CodeLengthCode(std::string_view& in) {
  if (lengthsRead_ == codeLengthCount_) {
    if (!codeLengthTable_.Build(codeLengthLengths_, kCodeLengthCodes, kCodeLengthFirstBits, false)) return Fail();
    lengthsRead_ = 0;
    stage_ = Stage::kCodeLengths;
    return true;
  }
  if (!Need(in, 3)) return false;
  codeLengthLengths_[kCodeLengthOrder[lengthsRead_++]] = static_cast<std::uint8_t>(Take(3));
  return true;
}

bool Deflate64Decompressor::CodeLength(std::string_view& in) {
  const unsigned total = litLenCount_ + distanceCount_;
  if (lengthsRead_ == total) {
    if (lengths_[kEndOfBlock] == 0) return Fail();
    if (!litLenTable_.Build(lengths_, litLenCount_, kLitLenFirstBits, true) ||
        !distanceTable_.Build(lengths_ + litLenCount_, distanceCount_, kDistanceFirstBits, true)) {
      return Fail();
    }
    litLenCode_ = &litLenTable_;
    distanceCode_ = &distanceTable_;
    stage_ = Stage::kLiteralOrLength;
    return true;
  }
  HuffmanEntry e;
  if (!PeekCode(in, codeLengthTable_, e)) return false;
  if (e.length == 0) return Fail();
  if (e.value < 16) {
    Take(e.length);
    lengths_[lengthsRead_++] = static_cast<std::uint8_t>(e.value);
    return true;
  }
  const CodeRange repeat = kRepeatRanges[e.value - 16];
  if (!Need(in, e.length + repeat.extraBits)) return false;
  Take(e.length);
  const unsigned count = repeat.base + Take(repeat.extraBits);
  if (e.value == 16 && lengthsRead_ == 0) return Fail();
  if (count > total - lengthsRead_) return Fail();
  const std::uint8_t value = e.value == 16 ? lengths_[lengthsRead_ - 1] : 0;
  std::fill(lengths_ + lengthsRead_, lengths_ + lengthsRead_ + count, value);
  lengthsRead_ += count;
  return true;
}

bool Deflate64Decompressor::LiteralOrLength(std::string_view& in, std::size_t limit) {
  if (static_cast<std::ptrdiff_t>(in.size()) >= kFastInput && pos_ < limit) {
    Fast(in, limit);
    return true;
  }
  HuffmanEntry e;
  if (!PeekCode(in, *litLenCode_, e)) return false;
  if (e.length == 0) return Fail();
  if (e.value < kEndOfBlock) {
    if (pos_ == limit) return false;
    Take(e.length);
    window_[pos_++] = static_cast<std::uint8_t>(e.value);
    ++produced_;
    return true;
  }
  if (e.value == kEndOfBlock) {
    Take(e.length);
    EndBlock();
    return true;
  }
  if (e.value - kFirstLength >= std::size(kLengthRanges)) return Fail();
  const CodeRange length = kLengthRanges[e.value - kFirstLength];
  if (!Need(in, e.length + length.extraBits)) return false;
  Take(e.length);
  copyLeft_ = length.base + Take(length.extraBits);
  stage_ = Stage::kDistance;
  return true;
}

bool Deflate64Decompressor::Distance(std::string_view& in) {
  HuffmanEntry e;
  if (!PeekCode(in, *distanceCode_, e)) return false;
  if (e.length == 0) return Fail();
  const CodeRange distance = kDistanceRanges[e.value];
  if (!Need(in, e.length + distance.extraBits)) return false;
  Take(e.length);
  copyDistance_ = distance.base + Take(distance.extraBits);
  if (copyDistance_ > produced_) return Fail();
  stage_ = Stage::kCopy;
  return true;
}

bool Deflate64Decompressor::Copy(std::size_t limit) {
  const std::size_t n = std::min<std::size_t>(copyLeft_, limit - pos_);
  if (n == 0) return false;
  CopyMatch(window_.data() + pos_, copyDistance_, n);
  pos_ += n;
  produced_ += n;
  copyLeft_ -= static_cast<std::uint32_t>(n);
  if (copyLeft_ == 0) stage_ = Stage::kLiteralOrLength;
  return true;
}

// The same steps as LiteralOrLength, Distance and Copy while at least
// kFastInput bytes are left, refilling the bit buffer a word at a time: with
// 56 or more bits held, any code and its extra bits are present.
void Deflate64Decompressor::Fast(std::string_view& in, std::size_t limit) {
  const auto* const first = reinterpret_cast<const std::uint8_t*>(in.data());
  const std::uint8_t* p = first;
  const std::uint8_t* const end = first + in.size();
  std::uint64_t bits = bits_;
  unsigned count = bitCount_;
  std::uint8_t* const w = window_.data();
  std::size_t pos = pos_;
  const std::uint64_t producedBefore = produced_ - pos_;
  const HuffmanTable& litLenCode = *litLenCode_;
  const HuffmanTable& distanceCode = *distanceCode_;
  const auto refill = [&] {
    bits |= GetLE64(p) << count;
    p += (63 - count) >> 3;
    count |= 56;
  };
  const auto take = [&](unsigned n) {
    const std::uint32_t value = LowBits(bits, n);
    bits >>= n;
    count -= n;
    return value;
  };

  while (end - p >= kFastInput && pos < limit) {
    refill();
    HuffmanEntry e = litLenCode.Lookup(bits);
    if (e.length == 0) {
      Fail();
      break;
    }
    take(e.length);
    if (e.value < kEndOfBlock) {
      w[pos++] = static_cast<std::uint8_t>(e.value);
      continue;
    }
    if (e.value == kEndOfBlock) {
      EndBlock();
      break;
    }
    if (e.value - kFirstLength >= std::size(kLengthRanges)) {
      Fail();
      break;
    }
    const CodeRange lengthRange = kLengthRanges[e.value - kFirstLength];
    const std::uint32_t length = lengthRange.base + take(lengthRange.extraBits);
    refill();
    e = distanceCode.Lookup(bits);
    if (e.length == 0) {
      Fail();
      break;
    }
    take(e.length);
    const CodeRange distanceRange = kDistanceRanges[e.value];
    const std::uint32_t distance = distanceRange.base + take(distanceRange.extraBits);
    if (distance > producedBefore + pos) {
      Fail();
      break;
    }
    const std::size_t n = std::min<std::size_t>(length, limit - pos);
    CopyMatch(w + pos, distance, n);
    pos += n;
    if (n < length) {
      copyLeft_ = static_cast<std::uint32_t>(length - n);
      copyDistance_ = distance;
      stage_ = Stage::kCopy;
      break;
    }
  }

  produced_ += pos - pos_;
  pos_ = pos;
  // Hand back the whole bytes read ahead; what stays is less than a byte.
  const std::size_t ahead = std::min<std::size_t>(count / 8, p - first);
  p -= ahead;
  count -= static_cast<unsigned>(8 * ahead);
  bits_ = bits & ((std::uint64_t{1} << count) - 1);
  bitCount_ = count;
  in.remove_prefix(static_cast<std::size_t>(p - first));
}

}  // namespace

std::unique_ptr<Decompressor> MakeDeflate64Decompressor() { return std::make_unique<Deflate64Decompressor>(); }

}  // namespace ovk
