// The cipher family: chaining in TCipher, the block transform in
// TCipher_Cast256. Keyed from a password through SHA-1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "coding/Hash.h"

namespace ovk {

class ECipherException : public std::runtime_error {
 public:
  ECipherException(int code, const std::string& message)
      : std::runtime_error(message), errorCode(code) {}
  int errorCode;
};

// Bit of the state flags set while the cipher holds a key.
constexpr int kCipherFlagKeyed = 9;
// Error code of a buffer operation on an unkeyed cipher.
constexpr int kCipherErrorNotKeyed = 3;

class TCipher {
 public:
  virtual ~TCipher();

  // The virtual operations, in the order of the family's table.
  virtual void SetFlag(int bit, bool on);
  virtual void GetSizes(int& blockSize, int& maxKeySize, int& keyScheduleSize) const = 0;
  virtual void EncryptBlock(std::uint8_t* block);
  virtual void DecryptBlock(std::uint8_t* block);
  virtual void Init(const void* key, int length, const std::uint8_t* iv) = 0;
  virtual void ResetChain();
  virtual void Wipe();

  void InitKey(const std::string& password, const std::uint8_t* iv = nullptr);
  void EncryptBuffer(const void* source, void* dest, std::size_t length);
  void DecryptBuffer(const void* source, void* dest, std::size_t length);
  std::string EncryptString(const std::string& data);
  std::string DecryptString(const std::string& data);

  bool Keyed() const { return (flags_ >> kCipherFlagKeyed) & 1; }
  const std::uint8_t* IV() const { return iv_.data(); }
  virtual const char* ClassName() const = 0;

 protected:
  TCipher() = default;
  // Allocates the blocks from GetSizes and wipes; called by derived constructors.
  void Setup();
  THash& Hash();
  // Raises ECipherException when no key is set.
  void RequireKey() const;
  // The partial last block of either direction: XOR with E(F), then F ^= E(F).
  void EncipherTail(const std::uint8_t* source, std::uint8_t* dest, std::size_t length);

  std::unique_ptr<THash> hash_;
  int maxKeySize_ = 0, blockSize_ = 0, keyScheduleSize_ = 0;
  std::vector<std::uint8_t> scratch_, iv_, chain_;
  std::vector<std::uint32_t> keySchedule_;  // keyScheduleSize_ bytes as 32-bit words
  std::uint32_t flags_ = 0;
};

class TCipher_Cast256 : public TCipher {
 public:
  TCipher_Cast256();
  void GetSizes(int& blockSize, int& maxKeySize, int& keyScheduleSize) const override;
  void EncryptBlock(std::uint8_t* block) override;
  void DecryptBlock(std::uint8_t* block) override;
  void Init(const void* key, int length, const std::uint8_t* iv) override;
  const char* ClassName() const override { return "TCipher_Cast256"; }
};

// The operation's cipher, made at its first enciphered native entry.
using CipherHolder = std::unique_ptr<TCipher_Cast256>;

}  // namespace ovk
