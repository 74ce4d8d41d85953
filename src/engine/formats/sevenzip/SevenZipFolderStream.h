// A 7z folder's content decoded from its packed streams, piece by piece,
// and the keys its AES coders need, made once per salt from the password.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "coding/Bcj2Decoder.h"
#include "coding/Decompressor.h"
#include "coding/SevenZipAes.h"
#include "engine/formats/sevenzip/JoinedVolumes.h"
#include "engine/formats/sevenzip/SevenZipHeader.h"

namespace ovk {

// Each key costs 2^19 hashes or so; folders mostly share one salt.
class SevenZipKeys {
 public:
  explicit SevenZipKeys(std::string password) : password_(std::move(password)) {}
  ~SevenZipKeys();
  SevenZipKeys(const SevenZipKeys&) = delete;
  SevenZipKeys& operator=(const SevenZipKeys&) = delete;

  bool HavePassword() const { return !password_.empty(); }
  const std::string& Key(const SevenZipAesParams& params);

 private:
  std::string password_;
  std::map<std::string, std::string> keys_;  // by round count and salt
};

// Why this program cannot decode the folder, whatever the password; empty
// when it can.
std::string Undecodable(const SevenZipFolder& folder);

// What one chain gives, decoded from its packed stream.
class SevenZipChainStream {
 public:
  // Null, with why in refusal, when the chain cannot be decoded here (an
  // enciphered one without a password among them).
  static std::unique_ptr<SevenZipChainStream> Open(JoinedVolumes& file, const SevenZipChain& chain,
                                                  SevenZipKeys& keys, std::string& refusal);

  // Appends at most max bytes; false once nothing more comes: at its end,
  // or where it fails to decode (Failed()).
  bool Read(std::string& out, std::size_t max);
  bool Failed() const { return failed_; }

 private:
  SevenZipChainStream(JoinedVolumes& file, const SevenZipChain& chain, std::unique_ptr<Decompressor> decoder)
      : file_(file), chain_(chain), decoder_(std::move(decoder)) {}
  // More packed bytes; false when the packed stream is used up.
  bool Refill();

  JoinedVolumes& file_;
  const SevenZipChain& chain_;
  std::unique_ptr<Decompressor> decoder_;
  std::string packed_;  // read, from used_ on not yet decoded
  std::size_t used_ = 0;
  std::uint64_t packedRead_ = 0, done_ = 0;
  bool ended_ = false, failed_ = false;
};

class SevenZipFolderStream {
 public:
  // Null, with why in refusal, when the folder cannot be decoded here.
  static std::unique_ptr<SevenZipFolderStream> Open(JoinedVolumes& file, const SevenZipFolder& folder,
                                                   SevenZipKeys& keys, std::string& refusal);

  // Appends at most max bytes of the content; false once nothing more
  // comes: at its end, or where it fails to decode.
  bool Read(std::string& out, std::size_t max);
  // Reads and drops content up to offset; false when it ends before.
  bool SkipTo(std::uint64_t offset);
  std::uint64_t Done() const { return done_; }

 private:
  explicit SevenZipFolderStream(const SevenZipFolder& folder) : folder_(folder) {}

  const SevenZipFolder& folder_;
  std::vector<std::unique_ptr<SevenZipChainStream>> inputs_;
  std::unique_ptr<Bcj2Decoder> joiner_;  // a joined folder's
  std::uint64_t done_ = 0;
  bool ended_ = false;
};

// The whole content of a folder of at most limit bytes (a header), checked
// against its CRC where one is kept; raises SevenZipDamage when it fails.
std::string DecodeWholeFolder(JoinedVolumes& file, const SevenZipFolder& folder, SevenZipKeys& keys,
                              std::uint64_t limit);

}  // namespace ovk
