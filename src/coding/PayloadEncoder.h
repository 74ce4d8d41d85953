// One large entry's content to its stored payload, piece by piece: CRC-32,
// the deflate blocks the caller compressed on its own threads (see
// BlockDeflate.h), encipherment.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "coding/Cipher.h"
#include "coding/CipherStage.h"
#include "coding/Payload.h"

namespace ovk {

class PayloadEncoder {
 public:
  // Codes as the plan says.
  PayloadEncoder(const std::string& password, const PayloadEncoding& encoding, CipherHolder& cipher);
  ~PayloadEncoder();
  PayloadEncoder(const PayloadEncoder&) = delete;
  PayloadEncoder& operator=(const PayloadEncoder&) = delete;

  // The next content and its block from CompressBlock, in order; appends the
  // stored bytes that are ready.
  void FeedCompressed(std::string_view content, std::string_view block, std::string& out);
  // Appends the rest of the stored payload (that of empty content when no
  // block came).
  void Finish(std::string& out);
  // The CRC-32 of the content fed so far.
  std::uint32_t Crc32() const { return ~crc_; }

 private:
  void Emit(std::string& out);

  bool zlibWrapped_;
  CompressionLevel level_;
  std::unique_ptr<EncipherStage> stage_;
  std::string compressed_;  // not yet enciphered
  std::uint32_t crc_ = ~std::uint32_t{0};
  bool inBlocks_ = false;
  uLong adler_ = adler32(0, nullptr, 0);  // the zlib stream's trailer
};

}  // namespace ovk
