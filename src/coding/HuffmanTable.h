// A canonical prefix code as deflate sends it (each code's first bit in the
// least significant position), decoded by one table step, or two for codes
// longer than the first step's bits.
#pragma once

#include <cstdint>
#include <vector>

namespace ovk {

constexpr unsigned kMaxCodeLength = 15;

struct HuffmanEntry {
  std::uint16_t value = 0;   // the symbol, or where a second step starts
  std::uint8_t length = 0;   // bits of the code; 0 where the bits start no code
  std::uint8_t subBits = 0;  // nonzero: the second step is indexed by this many further bits
};

class HuffmanTable {
 public:
  // Builds the code of symbols 0..count-1 from their code lengths (0: unused,
  // at most kMaxCodeLength). False when the lengths over-subscribe the code
  // space, or leave part of it unused; with allowSparse a code of no symbol,
  // or of one symbol with a 1-bit code, is accepted.
  bool Build(const std::uint8_t* lengths, unsigned count, unsigned firstBits, bool allowSparse);

  // The code starting at the low bits of `bits` (bits beyond those held may
  // be anything: a code is only taken when its length is within those held).
  HuffmanEntry Lookup(std::uint64_t bits) const {
    HuffmanEntry e = entries_[bits & firstMask_];
    if (e.subBits) e = entries_[e.value + ((bits >> firstBits_) & ((1u << e.subBits) - 1))];
    return e;
  }

 private:
  void FillLongCode(unsigned symbol, unsigned length, unsigned reversed, const std::vector<std::uint8_t>& longest);

  std::vector<HuffmanEntry> entries_;
  unsigned firstBits_ = 0;
  std::uint64_t firstMask_ = 0;
};

}  // namespace ovk
