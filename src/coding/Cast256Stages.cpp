// The native chaining piece by piece: whole blocks as soon as they are
// complete, the partial last block only at the end, so the bytes are those
// of the whole-buffer transform over the entire payload.
#include "coding/CipherStage.h"

namespace ovk {
namespace {

using Transform = void (TCipher::*)(const void*, void*, std::size_t);

class CastChain {
 public:
  CastChain(TCipher_Cast256& cipher, Transform transform) : cipher_(cipher), transform_(transform) {
    int maxKeySize = 0, keyScheduleSize = 0;
    cipher_.GetSizes(blockSize_, maxKeySize, keyScheduleSize);
    // Whoever used the operation's cipher last, every entry starts at the IV.
    cipher_.ResetChain();
  }

  // Appends the transform of the whole blocks so far; keeps the partial rest.
  void Blocks(std::string_view in, std::string& out) {
    const std::size_t at = out.size();
    out.append(pending_).append(in);
    const std::size_t whole = (out.size() - at) / blockSize_ * blockSize_;
    pending_.assign(out, at + whole);
    out.resize(at + whole);
    (cipher_.*transform_)(out.data() + at, out.data() + at, whole);
  }

  void Tail(std::string& out) {
    const std::size_t at = out.size();
    out.append(pending_);
    (cipher_.*transform_)(out.data() + at, out.data() + at, pending_.size());
    pending_.clear();
    cipher_.ResetChain();
  }

 private:
  TCipher_Cast256& cipher_;
  Transform transform_;
  int blockSize_ = 0;
  std::string pending_;
};

class CastDecipher : public DecipherStage {
 public:
  explicit CastDecipher(TCipher_Cast256& cipher) : chain_(cipher, &TCipher::DecryptBuffer) {}
  StreamStatus Decipher(std::string_view stored, std::string& out) override {
    chain_.Blocks(stored, out);
    return StreamStatus::kMore;
  }
  bool Finish(std::string& out) override {
    chain_.Tail(out);
    return true;
  }

 private:
  CastChain chain_;
};

class CastEncipher : public EncipherStage {
 public:
  explicit CastEncipher(TCipher_Cast256& cipher) : chain_(cipher, &TCipher::EncryptBuffer) {}
  void Encipher(std::string_view plain, std::string& out) override { chain_.Blocks(plain, out); }
  void Finish(std::string& out) override { chain_.Tail(out); }

 private:
  CastChain chain_;
};

}  // namespace

TCipher_Cast256& HeldCipher(CipherHolder& cipher, const std::string& password) {
  if (!cipher) {
    auto made = std::make_unique<TCipher_Cast256>();
    made->InitKey(password);
    cipher = std::move(made);
  }
  return *cipher;
}

std::unique_ptr<DecipherStage> MakeCastDecipher(TCipher_Cast256& cipher) {
  return std::make_unique<CastDecipher>(cipher);
}

std::unique_ptr<EncipherStage> MakeCastEncipher(TCipher_Cast256& cipher) {
  return std::make_unique<CastEncipher>(cipher);
}

}  // namespace ovk
