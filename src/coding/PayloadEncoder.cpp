#include "coding/PayloadEncoder.h"

#include "coding/Crc32.h"
#include "coding/Payload.h"

namespace ovk {
namespace {

std::unique_ptr<EncipherStage> MakeEncipher(const std::string& password, const PayloadEncoding& encoding,
                                            CipherHolder& cipher) {
  if (password.empty()) return nullptr;
  if (encoding.archive.kind == kKindNative) return MakeCastEncipher(HeldCipher(cipher, password));
  if (encoding.aesStrength != 0) return MakeAesEncipher(password, encoding.aesStrength, encoding.aesSalt);
  return MakeZipEncipher(password, encoding.zipCrc32);
}

}  // namespace

PayloadEncoder::PayloadEncoder(const std::string& password, const PayloadEncoding& encoding,
                               CipherHolder& cipher)
    : zlibWrapped_(encoding.archive.kind == kKindNative),
      level_(encoding.level),
      stage_(MakeEncipher(password, encoding, cipher)) {}

PayloadEncoder::~PayloadEncoder() = default;

void PayloadEncoder::Feed(std::string_view content, std::string& out) {
  crc_ = Crc32Update(crc_, content.data(), content.size());
  std::string& target = stage_ ? compressed_ : out;
  if (deflater_) {
    deflater_->Deflate(content, target);
  } else {
    pending_.append(content);
    if (pending_.size() <= kWholeCompressionBytes) return;
    deflater_ = std::make_unique<Deflater>(level_, zlibWrapped_);
    deflater_->Deflate(pending_, target);
    std::string().swap(pending_);
  }
  Emit(out);
}

void PayloadEncoder::Finish(std::string& out) {
  std::string& target = stage_ ? compressed_ : out;
  if (deflater_)
    deflater_->Finish(target);
  else
    target.append(zlibWrapped_ ? CompressString(pending_, level_) : DeflateRaw(pending_, level_));
  Emit(out);
  if (stage_) stage_->Finish(out);
}

void PayloadEncoder::Emit(std::string& out) {
  if (!stage_) return;
  stage_->Encipher(compressed_, out);
  compressed_.clear();
}

}  // namespace ovk
