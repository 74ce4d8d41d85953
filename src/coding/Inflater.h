// Method 8: deflate data inflated by zlib, raw (ZIP) or in a zlib stream
// (the native container).
#pragma once

#include <zlib.h>

#include "coding/Decompressor.h"

namespace ovk {

class Inflater : public Decompressor {
 public:
  explicit Inflater(bool zlibWrapped);
  ~Inflater() override;
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  StreamStatus Decode(std::string_view& in, std::string& out, std::size_t maxOut) override;
  bool HasEndMarker() const override { return true; }

 private:
  z_stream z_{};
};

}  // namespace ovk
