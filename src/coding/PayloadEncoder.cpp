#include "coding/PayloadEncoder.h"

#include "coding/Crc32.h"
#include "coding/Payload.h"

namespace ovk {
namespace {

constexpr std::size_t kZlibHeaderBytes = 2;

}  // namespace

PayloadEncoder::PayloadEncoder(const std::string& password, const PayloadEncoding& encoding,
                               CipherHolder& cipher)
    : zlibWrapped_(encoding.zlibWrapped),
      level_(encoding.level),
      stage_(MakeEncipherStage(password, encoding, cipher)) {}

PayloadEncoder::~PayloadEncoder() = default;

void PayloadEncoder::FeedCompressed(std::string_view content, std::string_view block, std::string& out) {
  crc_ = Crc32Update(crc_, content.data(), content.size());
  std::string& target = stage_ ? compressed_ : out;
  if (zlibWrapped_) {
    // zlib's own header for the level: that of the empty stream.
    if (!inBlocks_) target.append(CompressString("", level_), 0, kZlibHeaderBytes);
    adler_ = adler32_z(adler_, reinterpret_cast<const Bytef*>(content.data()), content.size());
  }
  inBlocks_ = true;
  target.append(block);
  Emit(out);
}

void PayloadEncoder::Finish(std::string& out) {
  std::string& target = stage_ ? compressed_ : out;
  if (!inBlocks_) {
    target.append(zlibWrapped_ ? CompressString({}, level_) : DeflateRaw({}, level_));
  } else if (zlibWrapped_) {
    for (int shift = 24; shift >= 0; shift -= 8) target += static_cast<char>(adler_ >> shift);
  }
  Emit(out);
  if (stage_) stage_->Finish(out);
}

void PayloadEncoder::Emit(std::string& out) {
  if (!stage_) return;
  stage_->Encipher(compressed_, out);
  compressed_.clear();
}

}  // namespace ovk
