#include "coding/Decompressor.h"

#include "coding/Inflater.h"
#include "coding/StoredCopy.h"

namespace ovk {

std::unique_ptr<Decompressor> MakeDecompressor(std::uint16_t method, bool zlibWrapped) {
  switch (method) {
    case 0: return std::make_unique<StoredCopy>();
    case 8: return std::make_unique<Inflater>(zlibWrapped);
    default: return nullptr;
  }
}

}  // namespace ovk
