#include "coding/Deflate64Codes.h"

#include <algorithm>

namespace ovk {

const FixedCodes& FixedBlockCodes() {
  static const FixedCodes codes = [] {
    std::uint8_t lengths[288];
    std::fill(lengths, lengths + 144, 8);
    std::fill(lengths + 144, lengths + 256, 9);
    std::fill(lengths + 256, lengths + 280, 7);
    std::fill(lengths + 280, lengths + 288, 8);
    FixedCodes c;
    c.litLen.Build(lengths, 288, kLitLenFirstBits, false);
    std::fill(lengths, lengths + kMaxDistanceCodes, 5);
    c.distance.Build(lengths, kMaxDistanceCodes, kDistanceFirstBits, false);
    return c;
  }();
  return codes;
}

}  // namespace ovk
