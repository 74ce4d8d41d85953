// One entry's content to its stored payload, piece by piece: CRC-32,
// compression, encipherment. Content that ends within the whole-buffer
// threshold comes out exactly as the whole-buffer path makes it.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "coding/Cipher.h"
#include "coding/CipherStage.h"
#include "coding/Deflater.h"
#include "coding/Payload.h"

namespace ovk {

// Content up to this size is compressed in one piece by libdeflate.
constexpr std::size_t kWholeCompressionBytes = std::size_t{8} << 20;

class PayloadEncoder {
 public:
  // Codes as the plan says.
  PayloadEncoder(const std::string& password, const PayloadEncoding& encoding, CipherHolder& cipher);
  ~PayloadEncoder();
  PayloadEncoder(const PayloadEncoder&) = delete;
  PayloadEncoder& operator=(const PayloadEncoder&) = delete;

  // Appends the stored bytes that are ready.
  void Feed(std::string_view content, std::string& out);
  // Instead of Feed, for content the caller compressed in blocks on its own
  // threads: the next content and its block from CompressBlock, in order.
  void FeedCompressed(std::string_view content, std::string_view block, std::string& out);
  // Appends the rest of the stored payload.
  void Finish(std::string& out);
  // The CRC-32 of the content fed so far.
  std::uint32_t Crc32() const { return ~crc_; }

 private:
  void Emit(std::string& out);

  bool zlibWrapped_;
  CompressionLevel level_;
  std::unique_ptr<EncipherStage> stage_;
  std::unique_ptr<Deflater> deflater_;  // once the content outgrows the threshold
  std::string pending_;                 // content until then
  std::string compressed_;              // not yet enciphered
  std::uint32_t crc_ = ~std::uint32_t{0};
  bool inBlocks_ = false;
  uLong adler_ = adler32(0, nullptr, 0);  // the zlib stream's trailer, in blocks
};

}  // namespace ovk
