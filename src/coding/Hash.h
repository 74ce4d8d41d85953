// Message digests used by the cipher family.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ovk {

class THash {
 public:
  virtual ~THash() = default;
  virtual void Init() = 0;
  virtual void Calc(const void* data, std::size_t length) = 0;
  virtual void Done() = 0;
  virtual std::uint8_t* DigestKey() = 0;  // valid after Done
  virtual int DigestKeySize() const = 0;
};

// SHA-1 (FIPS 180-1).
class THash_SHA1 : public THash {
 public:
  THash_SHA1() { Init(); }
  void Init() override;
  void Calc(const void* data, std::size_t length) override;
  void Done() override;
  std::uint8_t* DigestKey() override { return digest_.data(); }
  int DigestKeySize() const override { return 20; }

 private:
  void Transform(const std::uint8_t block[64]);
  std::uint32_t state_[5];
  std::uint64_t length_ = 0;
  std::uint8_t buffer_[64];
  std::array<std::uint8_t, 20> digest_{};
};

}  // namespace ovk
