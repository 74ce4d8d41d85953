#include "engine/formats/sevenzip/SevenZipFolderStream.h"

#include <openssl/crypto.h>

#include <algorithm>

#include "coding/Crc32.h"
#include "coding/PayloadDecoder.h"
#include "coding/SevenZipCoders.h"

namespace ovk {

namespace {

constexpr std::size_t kPackedPiece = 1 << 20;

// The coders after the cipher, which reads the packed stream itself.
std::vector<SevenZipCoder> Deciphered(const SevenZipFolder& folder) {
  std::vector<SevenZipCoder> chain = folder.chain;
  if (!chain.empty() && IsSevenZipAes(chain.back())) chain.pop_back();
  return chain;
}

}  // namespace

SevenZipKeys::~SevenZipKeys() {
  OPENSSL_cleanse(password_.data(), password_.size());
  for (auto& [params, key] : keys_) OPENSSL_cleanse(key.data(), key.size());
}

const std::string& SevenZipKeys::Key(const SevenZipAesParams& params) {
  std::string& key = keys_[std::to_string(params.cyclesPower) + ":" + params.salt];
  if (key.empty()) key = SevenZipAesKey(password_, params);
  return key;
}

bool Enciphered(const SevenZipFolder& folder) { return folder.enciphered; }

std::string Undecodable(const SevenZipFolder& folder) {
  return folder.refusal.empty() ? SevenZipChainRefusal(Deciphered(folder)) : folder.refusal;
}

std::unique_ptr<SevenZipFolderStream> SevenZipFolderStream::Open(DataFile& file, const SevenZipFolder& folder,
                                                                 SevenZipKeys& keys, std::string& refusal) {
  refusal = folder.refusal;
  if (!refusal.empty()) return nullptr;
  const std::vector<SevenZipCoder> chain = Deciphered(folder);
  const bool enciphered = chain.size() < folder.chain.size();
  SevenZipAesParams params;
  if (enciphered) {
    if (!ParseSevenZipAes(folder.chain.back().properties, params)) {
      refusal = "the properties of its AES-256 coder are damaged or ask for too many rounds";
      return nullptr;
    }
    if (!keys.HavePassword()) {
      refusal = "it is enciphered and no password was given";
      return nullptr;
    }
  }
  std::unique_ptr<Decompressor> decoder = MakeSevenZipDecoder(chain, refusal);
  if (!decoder) return nullptr;
  if (enciphered) decoder = MakeSevenZipDecipher(keys.Key(params), params.iv, std::move(decoder));
  return std::unique_ptr<SevenZipFolderStream>(new SevenZipFolderStream(file, folder, std::move(decoder)));
}

bool SevenZipFolderStream::Refill() {
  if (packedRead_ >= folder_.packSize) return false;
  packed_.erase(0, used_);
  used_ = 0;
  const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(kPackedPiece, folder_.packSize - packedRead_));
  const std::size_t base = packed_.size();
  packed_.resize(base + take);
  Seek64(file_, static_cast<std::int64_t>(folder_.packOffset + packedRead_));
  ReadBlock(file_, packed_.data() + base, take);
  packedRead_ += take;
  return true;
}

bool SevenZipFolderStream::Read(std::string& out, std::size_t max) {
  // Padding past the content (a cipher's last block) is never content.
  max = static_cast<std::size_t>(std::min<std::uint64_t>(max, folder_.content.size - done_));
  const std::size_t start = out.size();
  while (!ended_ && out.size() - start < max) {
    std::string_view pending(packed_.data() + used_, packed_.size() - used_);
    const std::size_t before = pending.size(), made = out.size();
    const StreamStatus status = decoder_->Decode(pending, out, max - (out.size() - start));
    used_ += before - pending.size();
    const bool moved = pending.size() != before || out.size() != made;
    if (status == StreamStatus::kError) failed_ = ended_ = true;
    else if (status == StreamStatus::kEnd) ended_ = true;
    else if (!moved && !Refill()) ended_ = true;
  }
  done_ += out.size() - start;
  if (done_ >= folder_.content.size) ended_ = true;
  return out.size() > start;
}

bool SevenZipFolderStream::SkipTo(std::uint64_t offset) {
  std::string dropped;
  while (done_ < offset) {
    dropped.clear();
    if (!Read(dropped, static_cast<std::size_t>(std::min<std::uint64_t>(kDecodedPieceBytes, offset - done_)))) return false;
  }
  return true;
}

std::string DecodeWholeFolder(DataFile& file, const SevenZipFolder& folder, SevenZipKeys& keys, std::uint64_t limit) {
  if (folder.content.size > limit) throw SevenZipDamage("the header is larger than any archive needs");
  std::string refusal;
  const std::unique_ptr<SevenZipFolderStream> stream = SevenZipFolderStream::Open(file, folder, keys, refusal);
  if (!stream) throw SevenZipDamage(refusal);
  std::string content;
  while (stream->Read(content, kDecodedPieceBytes)) {
  }
  if (content.size() != folder.content.size || (folder.content.crcKnown && Crc32(content) != folder.content.crc))
    throw SevenZipDamage("the header does not decode");
  return content;
}

}  // namespace ovk
