// BCJ2, 7-Zip's x86 branch converter that keeps call and jump targets in
// streams of their own: the main stream's bytes, with each marked call or
// jump (a range-coded bit says which are converted) taking its absolute
// target, big-endian, from the call or the jump stream, made relative again.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "coding/Decompressor.h"

namespace ovk {

class Bcj2Decoder {
 public:
  // Each input appends its next bytes to the string it is given; false once
  // it has none left. In order: main, call, jump, range coder.
  using Input = std::function<bool(std::string&)>;

  // size: the content's; no call or jump is read for a byte at its end.
  Bcj2Decoder(std::array<Input, 4> inputs, std::uint64_t size);

  // Appends at most max bytes; kEnd once size bytes were given, kError
  // when an input ends early.
  StreamStatus Decode(std::string& out, std::size_t max);

 private:
  // One input's bytes, taken as they are needed.
  struct Source {
    Input more;
    std::string bytes;
    std::size_t used = 0;
  };
  bool Take(Source& source, std::uint8_t& byte);
  bool Bit(std::uint16_t& probability, bool& bit);
  bool StartRangeCoder();

  std::array<Source, 4> sources_;
  const std::uint64_t size_;
  std::uint64_t done_ = 0;
  std::array<std::uint16_t, 258> probabilities_;
  std::uint32_t range_ = 0xFFFFFFFF, code_ = 0;
  bool started_ = false;
  std::uint8_t previous_ = 0;
  std::string pending_;  // a converted target's bytes not yet given
};

}  // namespace ovk
