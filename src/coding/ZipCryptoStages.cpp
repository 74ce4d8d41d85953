// Traditional ZIP encryption piece by piece: the header first, then the
// keystream runs on over every following byte.
#include <algorithm>

#include "coding/CipherStage.h"
#include "coding/ZipCrypto.h"

namespace ovk {
namespace {

class ZipDecipher : public DecipherStage {
 public:
  ZipDecipher(const std::string& password, std::uint8_t checkByte) : checkByte_(checkByte) {
    InitKeys(keys_, password);
  }

  StreamStatus Decipher(std::string_view stored, std::string& out) override {
    if (refused_) return StreamStatus::kEnd;
    const std::size_t take = std::min(stored.size(), kZipCipherHeaderBytes - header_.size());
    header_.append(stored.substr(0, take));
    stored.remove_prefix(take);
    if (header_.size() < kZipCipherHeaderBytes) return StreamStatus::kMore;
    if (!headerChecked_ && !CheckHeader()) return StreamStatus::kEnd;
    const std::size_t at = out.size();
    out.append(stored);
    ZipDecipherBytes(keys_, out.data() + at, stored.size());
    return StreamStatus::kMore;
  }

  bool Finish(std::string&) override { return true; }

 private:
  bool CheckHeader() {
    ZipDecipherBytes(keys_, header_.data(), header_.size());
    headerChecked_ = true;
    refused_ = static_cast<std::uint8_t>(header_.back()) != checkByte_;
    return !refused_;
  }

  ZipKeys keys_;
  std::uint8_t checkByte_;
  std::string header_;
  bool headerChecked_ = false, refused_ = false;
};

class ZipEncipher : public EncipherStage {
 public:
  ZipEncipher(const std::string& password, std::uint32_t crc) : header_(MakeEncryptionHeader(crc)) {
    InitKeys(keys_, password);
  }

  void Encipher(std::string_view plain, std::string& out) override {
    const std::size_t at = out.size();
    out.append(header_).append(plain);
    header_.clear();
    ZipEncipherBytes(keys_, out.data() + at, out.size() - at);
  }

  void Finish(std::string& out) override { Encipher({}, out); }

 private:
  ZipKeys keys_;
  std::string header_;  // until it has gone out in front of the data
};

}  // namespace

std::unique_ptr<DecipherStage> MakeZipDecipher(const std::string& password, std::uint8_t checkByte) {
  return std::make_unique<ZipDecipher>(password, checkByte);
}

std::unique_ptr<EncipherStage> MakeZipEncipher(const std::string& password, std::uint32_t crc) {
  return std::make_unique<ZipEncipher>(password, crc);
}

}  // namespace ovk
