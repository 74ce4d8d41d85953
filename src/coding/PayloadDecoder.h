// One entry's stored payload to its content, piece by piece: decipherment,
// decompression, the size limit and the CRC-32, in bounded memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "coding/Cipher.h"
#include "coding/CipherStage.h"
#include "coding/Decompressor.h"
#include "coding/PayloadCipher.h"

namespace ovk {

// The stages one entry's stored bytes go through to its content, as the
// entry's format describes them; the plan holds everything decoding needs.
struct PayloadCoding {
  std::uint16_t method = kMethodDeflate;  // the compression method; kMethodStored: none
  bool zlibWrapped = false;               // deflate data inside a zlib stream, else raw
  bool lzmaEndMarker = true;              // LZMA: the stream ends in a marker
  PayloadCipher cipher = PayloadCipher::kNone;
  std::uint8_t checkByte = 0;             // ZIP traditional: the password header's last byte
  std::uint8_t aesStrength = 0;           // WinZip AES: 1..3
  std::uint16_t aesVendorVersion = 0;     // WinZip AES: 1 (AE-1: CRC-32 checked) or 2 (AE-2: not)
  // The entry carries a CRC-32 and its original size, which then limits
  // what it may inflate to; without them any content is taken.
  bool checked = true;
  std::uint32_t crc32 = 0;
  std::uint64_t originalSize = 0;
};

// At most this much content comes out of one call, whatever the stored
// bytes inflate to.
constexpr std::size_t kDecodedPieceBytes = std::size_t{1} << 20;

class PayloadDecoder {
 public:
  PayloadDecoder(const std::string& password, const PayloadCoding& coding, CipherHolder& cipher);
  ~PayloadDecoder();
  PayloadDecoder(const PayloadDecoder&) = delete;
  PayloadDecoder& operator=(const PayloadDecoder&) = delete;

  // Takes the next stored bytes from the front of `stored` (advancing it)
  // and appends the content they give to out. Call again while stored is
  // not empty or MoreOutput(). False as soon as the entry can no longer
  // verify (stop feeding).
  bool Feed(std::string_view& stored, std::string& out);
  // After the last stored byte; call again while MoreOutput(). Once no
  // more output is due: true when the entry verified.
  bool Finish(std::string& out);
  // The last call stopped at its output bound with content still due.
  bool MoreOutput() const { return moreOutput_; }

 private:
  void Decipher(std::string_view stored);
  bool Decompress(std::string& out, std::size_t start);
  void Count(const std::string& out, std::size_t from);
  bool EndContent(bool damaged);
  bool ContentVerifies() const;
  bool Refuse();

  std::unique_ptr<DecipherStage> stage_;
  std::unique_ptr<Decompressor> decompressor_;
  std::uint32_t expectedCrc_;
  std::uint64_t limit_;
  bool checked_, crcChecked_;
  std::string plain_;  // deciphered, not yet decompressed (from plainAt_)
  std::size_t plainAt_ = 0;
  std::uint32_t crc_ = ~std::uint32_t{0};
  std::uint64_t produced_ = 0;
  bool mayHoldOutput_ = false, moreOutput_ = false;
  bool contentEnded_ = false, decoderEnded_ = false, damaged_ = false;
  bool stageFinished_ = false, authentic_ = true, refused_ = false;
};

}  // namespace ovk
