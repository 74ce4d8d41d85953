#include "coding/Decompressor.h"

#include "coding/Inflater.h"
#include "coding/OtherMethods.h"
#include "coding/StoredCopy.h"

namespace ovk {

std::unique_ptr<Decompressor> MakeDecompressor(std::uint16_t method, bool zlibWrapped, bool endMarker,
                                               std::uint64_t originalSize) {
  switch (method) {
    case 0: return std::make_unique<StoredCopy>();
    case 8: return std::make_unique<Inflater>(zlibWrapped);
    case 9: return MakeDeflate64Decompressor();
    case 12: return MakeBzip2Decompressor();
    case 14: return MakeLzmaDecompressor(endMarker, originalSize);
    case 93: return MakeZstdDecompressor();
    case 95: return MakeXzDecompressor();
    default: return nullptr;
  }
}

}  // namespace ovk
