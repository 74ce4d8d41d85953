#include "coding/HuffmanTable.h"

#include <algorithm>
#include <array>

namespace ovk {
namespace {

using LengthCounts = std::array<unsigned, kMaxCodeLength + 1>;

unsigned Reverse(unsigned code, unsigned length) {
  unsigned reversed = 0;
  for (unsigned i = 0; i < length; ++i, code >>= 1) reversed = (reversed << 1) | (code & 1);
  return reversed;
}

// The first canonical code of each length.
LengthCounts FirstCodes(const LengthCounts& counts) {
  LengthCounts next{};
  unsigned code = 0;
  for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
    code = (code + counts[length - 1]) << 1;
    next[length] = code;
  }
  return next;
}

// Kraft's sum against the whole code space: what is left of it must be
// nothing (once negative, it stays so).
bool FitsCodeSpace(const LengthCounts& counts, bool allowSparse) {
  int left = 1;
  unsigned used = 0;
  for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
    left = 2 * left - static_cast<int>(counts[length]);
    used += counts[length];
  }
  return left == 0 || (allowSparse && used <= 1 && counts[1] == used);
}

}  // namespace

bool HuffmanTable::Build(const std::uint8_t* lengths, unsigned count, unsigned firstBits, bool allowSparse) {
  LengthCounts counts{};
  for (unsigned s = 0; s < count; ++s) ++counts[lengths[s]];
  counts[0] = 0;
  if (!FitsCodeSpace(counts, allowSparse)) return false;
  const std::size_t firstSize = std::size_t{1} << firstBits;
  firstBits_ = firstBits;
  firstMask_ = firstSize - 1;
  entries_.assign(firstSize, HuffmanEntry{});

  // The longest code under each first-step index sizes that index's second step.
  std::vector<std::uint8_t> longest(firstSize, 0);
  LengthCounts next = FirstCodes(counts);
  for (unsigned s = 0; s < count; ++s) {
    const unsigned length = lengths[s];
    if (length <= firstBits) continue;
    const unsigned index = Reverse(next[length]++, length) & static_cast<unsigned>(firstMask_);
    longest[index] = std::max<std::uint8_t>(longest[index], static_cast<std::uint8_t>(length));
  }

  next = FirstCodes(counts);
  for (unsigned s = 0; s < count; ++s) {
    const unsigned length = lengths[s];
    if (length == 0) continue;
    const unsigned reversed = Reverse(next[length]++, length);
    if (length > firstBits) {
      FillLongCode(s, length, reversed, longest);
      continue;
    }
    const HuffmanEntry entry{static_cast<std::uint16_t>(s), static_cast<std::uint8_t>(length), 0};
    for (std::size_t i = reversed; i < firstSize; i += std::size_t{1} << length) entries_[i] = entry;
  }
  return true;
}

void HuffmanTable::FillLongCode(unsigned symbol, unsigned length, unsigned reversed,
                                const std::vector<std::uint8_t>& longest) {
  const unsigned index = reversed & static_cast<unsigned>(firstMask_);
  if (!entries_[index].subBits) {
    const auto subBits = static_cast<std::uint8_t>(longest[index] - firstBits_);
    entries_[index] = {static_cast<std::uint16_t>(entries_.size()), 0, subBits};
    entries_.resize(entries_.size() + (std::size_t{1} << subBits));
  }
  const HuffmanEntry link = entries_[index];
  const HuffmanEntry entry{static_cast<std::uint16_t>(symbol), static_cast<std::uint8_t>(length), 0};
  for (std::size_t i = reversed >> firstBits_; i < (std::size_t{1} << link.subBits); i += std::size_t{1} << (length - firstBits_)) {
    entries_[link.value + i] = entry;
  }
}

}  // namespace ovk
