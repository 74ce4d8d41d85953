// BCJ2 as 7-Zip's decoder reads it: a converted call takes its target from
// the call stream, made relative to the end of its operand; a branch byte
// that ends the content reads nothing more; a stream that ends early fails.
#include <gtest/gtest.h>

#include <utility>

#include "coding/Bcj2Decoder.h"

namespace {

struct Bcj2Case {
  const char* label;
  std::string main, call, rangeCoder;
  std::uint64_t size;
  ovk::StreamStatus status;
  std::string content;  // when it ends
};

ovk::Bcj2Decoder::Input From(std::string bytes) {
  return [bytes, given = false](std::string& out) mutable {
    if (std::exchange(given, true) || bytes.empty()) return false;
    out += bytes;
    return true;
  };
}

TEST(Bcj2Decoder, ConvertsWhatTheRangeCoderMarks) {
  const std::string zeros(5, '\0'), ones = std::string("\0\xFF\xFF\xFF\xFF", 5);
  const Bcj2Case cases[] = {
      {"an unconverted call", "\xE8\x01\x02\x03\x04", "", zeros, 5, ovk::StreamStatus::kEnd, "\xE8\x01\x02\x03\x04"},
      {"a converted call", "\xE8\x90", std::string("\0\0\x10\0", 4), ones, 6, ovk::StreamStatus::kEnd,
       std::string("\xE8\xFB\x0F\0\0\x90", 6)},
      {"a branch that ends the content", "\x90\xE8", "", ones, 2, ovk::StreamStatus::kEnd, "\x90\xE8"},
      {"a converted call without its target", "\xE8\x90", "", ones, 6, ovk::StreamStatus::kError, ""},
      {"a range coder shorter than its start", "\x90", "", "\0\0", 1, ovk::StreamStatus::kError, ""},
      {"a main stream shorter than the content", "\x90", "", zeros, 4, ovk::StreamStatus::kError, ""},
  };
  for (const Bcj2Case& c : cases) {
    ovk::Bcj2Decoder decoder({From(c.main), From(c.call), From(""), From(c.rangeCoder)}, c.size);
    std::string out;
    // One byte per call: a target's bytes are handed out across calls.
    ovk::StreamStatus status = ovk::StreamStatus::kMore;
    while (status == ovk::StreamStatus::kMore) status = decoder.Decode(out, 1);
    EXPECT_EQ(status, c.status) << c.label;
    if (c.status == ovk::StreamStatus::kEnd) {
      EXPECT_EQ(out, c.content) << c.label;
    }
  }
}

}  // namespace
