// The verdict rules of decoding. Where the entry carries a CRC-32 it
// decides, whatever happened to the stream around it (a damaged trailer, a
// missing end, data beyond the end), except that content beyond the
// recorded size is refused as soon as it appears. AE-2 entries carry no
// CRC-32: their authentication code decides, and the stream must be whole.
#include "coding/PayloadDecoder.h"

#include <algorithm>

#include "coding/Crc32.h"
#include "coding/Payload.h"

namespace ovk {
namespace {

constexpr std::uint16_t kAesVendorNoCrc = 2;
// Stored bytes deciphered at a time, so that one large piece costs no more
// memory than the piece itself.
constexpr std::size_t kStoredSlice = std::size_t{1} << 20;

std::unique_ptr<DecipherStage> MakeDecipher(const std::string& password, const PayloadCoding& coding,
                                            CipherHolder& cipher) {
  switch (coding.cipher) {
    case PayloadCipher::kNone: break;
    case PayloadCipher::kCast256: return MakeCastDecipher(HeldCipher(cipher, password));
    case PayloadCipher::kPkwareTraditional: return MakeZipDecipher(password, coding.checkByte);
    case PayloadCipher::kWinZipAes: return MakeAesDecipher(password, coding.aesStrength);
  }
  return nullptr;
}

std::unique_ptr<Decompressor> MakeEntryDecompressor(const PayloadCoding& coding) {
  return MakeDecompressor(coding.method, coding.zlibWrapped, coding.lzmaEndMarker, coding.originalSize);
}

}  // namespace

PayloadDecoder::PayloadDecoder(const std::string& password, const PayloadCoding& coding, CipherHolder& cipher)
    : stage_(MakeDecipher(password, coding, cipher)),
      decompressor_(MakeEntryDecompressor(coding)),
      expectedCrc_(coding.crc32),
      // Stored content is as long as its stored bytes: only inflation is limited.
      limit_(coding.checked && coding.method != kMethodStored ? coding.originalSize : kNoSizeLimit),
      checked_(coding.checked),
      crcChecked_(checked_ &&
                  !(coding.cipher == PayloadCipher::kWinZipAes && coding.aesVendorVersion == kAesVendorNoCrc)),
      refused_(!decompressor_) {}

PayloadDecoder::~PayloadDecoder() = default;

bool PayloadDecoder::Feed(std::string_view& stored, std::string& out) {
  moreOutput_ = false;
  const std::size_t start = out.size();
  while (!refused_) {
    if (!Decompress(out, start)) return false;
    if (moreOutput_ || stored.empty()) return true;
    const std::string_view slice = stored.substr(0, kStoredSlice);
    stored.remove_prefix(slice.size());
    Decipher(slice);
  }
  return false;
}

bool PayloadDecoder::Finish(std::string& out) {
  moreOutput_ = false;
  if (refused_) return false;
  if (!stageFinished_) {
    stageFinished_ = true;
    plain_.erase(0, plainAt_);
    plainAt_ = 0;
    authentic_ = !stage_ || stage_->Finish(plain_);
  }
  if (!Decompress(out, out.size())) return false;
  return moreOutput_ || (authentic_ && ContentVerifies());
}

void PayloadDecoder::Decipher(std::string_view stored) {
  plain_.erase(0, plainAt_);
  plainAt_ = 0;
  if (!stage_) {
    plain_.append(stored);
  } else {
    const StreamStatus status = stage_->Decipher(stored, plain_);
    if (status == StreamStatus::kError) Refuse();
    // No more content comes: it is what was decoded so far (nothing).
    if (status == StreamStatus::kEnd && !contentEnded_) EndContent(false);
  }
  // The stored bytes after the content's end still go through the stage
  // (they may be authenticated) but give no content.
  if (contentEnded_) plain_.clear();
}

bool PayloadDecoder::Decompress(std::string& out, std::size_t start) {
  while (!refused_ && !contentEnded_ && (plainAt_ < plain_.size() || mayHoldOutput_)) {
    const std::size_t room = kDecodedPieceBytes - (out.size() - start);
    if (room == 0) {
      moreOutput_ = true;
      return true;
    }
    // Room for one byte beyond the limit tells "would exceed" from "reached".
    const std::uint64_t limitRoom = limit_ == kNoSizeLimit ? limit_ : limit_ - produced_ + 1;
    const auto maxOut = static_cast<std::size_t>(std::min<std::uint64_t>(room, limitRoom));
    std::string_view in = std::string_view(plain_).substr(plainAt_);
    const std::size_t before = out.size();
    const StreamStatus status = decompressor_->Decode(in, out, maxOut);
    plainAt_ = plain_.size() - in.size();
    mayHoldOutput_ = out.size() - before == maxOut;
    Count(out, before);
    if (produced_ > limit_) {
      out.resize(out.size() - static_cast<std::size_t>(produced_ - limit_));
      return Refuse();
    }
    if (status != StreamStatus::kMore) {
      decoderEnded_ = status == StreamStatus::kEnd;
      if (!EndContent(status == StreamStatus::kError)) return false;
    }
  }
  return !refused_;
}

void PayloadDecoder::Count(const std::string& out, std::size_t from) {
  crc_ = Crc32Update(crc_, out.data() + from, out.size() - from);
  produced_ += out.size() - from;
}

// The content is complete: where its verdict is already known to be a
// refusal, the entry is refused at once.
bool PayloadDecoder::EndContent(bool damaged) {
  contentEnded_ = true;
  damaged_ = damaged;
  plain_.clear();
  plainAt_ = 0;
  return ContentVerifies() || Refuse();
}

bool PayloadDecoder::ContentVerifies() const {
  if (produced_ > limit_) return false;
  if (!checked_) return true;
  if (crcChecked_) return ~crc_ == expectedCrc_;
  return !damaged_ && (decoderEnded_ || !decompressor_->HasEndMarker());
}

bool PayloadDecoder::Refuse() {
  refused_ = true;
  return false;
}

}  // namespace ovk
