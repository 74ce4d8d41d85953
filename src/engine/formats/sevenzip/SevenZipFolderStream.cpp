#include "engine/formats/sevenzip/SevenZipFolderStream.h"

#include <openssl/crypto.h>

#include <algorithm>

#include "coding/Crc32.h"
#include "coding/PayloadDecoder.h"
#include "coding/SevenZipCoders.h"

namespace ovk {

namespace {

constexpr std::size_t kPackedPiece = 1 << 20;
// What a joiner's input reads ahead at a time.
constexpr std::size_t kInputPiece = 64 * 1024;

// The coders after the cipher, which reads the packed stream itself.
std::vector<SevenZipCoder> Deciphered(const SevenZipChain& chain) {
  std::vector<SevenZipCoder> coders = chain.coders;
  if (!coders.empty() && IsSevenZipAes(coders.back())) coders.pop_back();
  return coders;
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

std::string Undecodable(const SevenZipFolder& folder) {
  if (!folder.refusal.empty()) return folder.refusal;
  for (const SevenZipChain& chain : folder.inputs) {
    if (std::string refusal = SevenZipChainRefusal(Deciphered(chain)); !refusal.empty()) return refusal;
  }
  return "";
}

std::unique_ptr<SevenZipChainStream> SevenZipChainStream::Open(JoinedVolumes& file, const SevenZipChain& chain,
                                                               SevenZipKeys& keys, std::string& refusal) {
  const std::vector<SevenZipCoder> coders = Deciphered(chain);
  const bool enciphered = coders.size() < chain.coders.size();
  SevenZipAesParams params;
  if (enciphered) {
    if (!ParseSevenZipAes(chain.coders.back().properties, params)) {
      refusal = "the properties of its AES-256 coder are damaged or ask for too many rounds";
      return nullptr;
    }
    if (!keys.HavePassword()) {
      refusal = "it is enciphered and no password was given";
      return nullptr;
    }
  }
  std::unique_ptr<Decompressor> decoder = MakeSevenZipDecoder(coders, refusal);
  if (!decoder) return nullptr;
  if (enciphered) decoder = MakeSevenZipDecipher(keys.Key(params), params.iv, std::move(decoder));
  return std::unique_ptr<SevenZipChainStream>(new SevenZipChainStream(file, chain, std::move(decoder)));
}

bool SevenZipChainStream::Refill() {
  if (packedRead_ >= chain_.packSize) return false;
  packed_.erase(0, used_);
  used_ = 0;
  const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(kPackedPiece, chain_.packSize - packedRead_));
  const std::size_t base = packed_.size();
  packed_.resize(base + take);
  file_.Read(chain_.packOffset + packedRead_, packed_.data() + base, take);
  packedRead_ += take;
  return true;
}

bool SevenZipChainStream::Read(std::string& out, std::size_t max) {
  // Padding past what the chain gives (a cipher's last block) is never content.
  max = static_cast<std::size_t>(std::min<std::uint64_t>(max, chain_.size - done_));
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
  if (done_ >= chain_.size) ended_ = true;
  return out.size() > start;
}

std::unique_ptr<SevenZipFolderStream> SevenZipFolderStream::Open(JoinedVolumes& file, const SevenZipFolder& folder,
                                                                 SevenZipKeys& keys, std::string& refusal) {
  refusal = folder.refusal;
  if (!refusal.empty()) return nullptr;
  std::unique_ptr<SevenZipFolderStream> stream(new SevenZipFolderStream(folder));
  for (const SevenZipChain& chain : folder.inputs) {
    stream->inputs_.push_back(SevenZipChainStream::Open(file, chain, keys, refusal));
    if (!stream->inputs_.back()) return nullptr;
  }
  if (!folder.joined) return stream;
  std::array<Bcj2Decoder::Input, 4> inputs;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    SevenZipChainStream* input = stream->inputs_[i].get();
    inputs[i] = [input](std::string& more) { return input->Read(more, kInputPiece); };
  }
  stream->joiner_ = std::make_unique<Bcj2Decoder>(std::move(inputs), folder.content.size);
  return stream;
}

bool SevenZipFolderStream::Read(std::string& out, std::size_t max) {
  max = static_cast<std::size_t>(std::min<std::uint64_t>(max, folder_.content.size - done_));
  if (ended_ || max == 0) return false;
  const std::size_t start = out.size();
  if (joiner_) ended_ = joiner_->Decode(out, max) != StreamStatus::kMore;
  else ended_ = !inputs_.front()->Read(out, max);
  done_ += out.size() - start;
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

std::string DecodeWholeFolder(JoinedVolumes& file, const SevenZipFolder& folder, SevenZipKeys& keys,
                              std::uint64_t limit) {
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
