// Method 0: the stored bytes are the content.
#pragma once

#include "coding/Decompressor.h"

namespace ovk {

class StoredCopy : public Decompressor {
 public:
  StreamStatus Decode(std::string_view& in, std::string& out, std::size_t maxOut) override;
  bool HasEndMarker() const override { return false; }
};

}  // namespace ovk
