#include <gtest/gtest.h>

#include "common/TestUtil.h"
#include "support/StringUnit.h"

using namespace ovk;
using ovktest::FromHex;
using ovktest::ToHex;

namespace {

std::u16string Units(std::initializer_list<char16_t> units) { return std::u16string(units); }

struct DecodeCase {
  const char* bytesHex;
  std::u16string units;
};

class Utf8ToWideCases : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Utf8ToWideCases, DecodesEachForm) {
  EXPECT_EQ(Utf8ToWide(FromHex(GetParam().bytesHex)), GetParam().units) << GetParam().bytesHex;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Utf8ToWideCases,
    ::testing::Values(DecodeCase{"", u""}, DecodeCase{"41c3a9e282ac", Units({0x41, 0xE9, 0x20AC})},
                      DecodeCase{"41c3", Units({0x41})},                  // cut-short character dropped
                      DecodeCase{"41e282", Units({0x41})},                // cut-short 3-byte character
                      DecodeCase{"418042", Units({0x41, 0x02})},          // stray continuation swallows 42
                      DecodeCase{"eda0bdedb880", Units({0xD83D, 0xDE00})},  // 3+3-byte surrogates
                      DecodeCase{"efbbbf41", Units({0xFEFF, 0x41})},      // BOM kept
                      DecodeCase{"f09f9880", Units({0xD83D, 0xDE00})},    // 4-byte -> pair
                      DecodeCase{"f48fbfbf", Units({0xDBFF, 0xDFFF})},    // U+10FFFF
                      // A lead F0 without three continuation bytes keeps the 3-byte reading.
                      DecodeCase{"f0414243", Units({0x0042, 0x43})},
                      // F5 is not a 4-byte lead: 3 bytes, then the 4th starts the next character.
                      DecodeCase{"f5808041", Units({0x5000, 0x41})},
                      // An overlong 4-byte form keeps the legacy reading; its 4th byte then
                      // starts a 3-byte character that runs past the end.
                      DecodeCase{"f08fbfbf", Units({0x03FF})}));

TEST(WideToUtf8, EncodesPairsAsFourBytes) {
  EXPECT_EQ(ToHex(WideToUtf8(Units({0x41, 0xE9, 0x20AC}))), "41c3a9e282ac");
  EXPECT_EQ(ToHex(WideToUtf8(Units({0x7F, 0x80, 0x7FF, 0x800, 0xFFFF}))), "7fc280dfbfe0a080efbfbf");
  EXPECT_EQ(ToHex(WideToUtf8(Units({0xD83D, 0xDE00}))), "f09f9880");
  EXPECT_EQ(ToHex(WideToUtf8(Units({0xD83D}))), "eda0bd");        // lone high
  EXPECT_EQ(ToHex(WideToUtf8(Units({0xDE00, 0xD83D}))), "edb880eda0bd");  // reversed: two lone ones
  EXPECT_EQ(WideToUtf8(u""), "");
}

TEST(WideToUtf8, RoundTripIsLosslessForEveryUnitSequence) {
  std::uint32_t seed = 7;
  const auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 2000; ++round) {
    std::u16string text;
    const int length = static_cast<int>(next() % 8);
    for (int i = 0; i < length; ++i) {
      // Bias towards surrogates and range edges, where the encodings differ.
      static constexpr char16_t kInteresting[] = {0x0, 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xD800,
                                                  0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFF};
      text.push_back(next() % 2 ? kInteresting[next() % 12] : static_cast<char16_t>(next() >> 16));
    }
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text) << ToHex(WideToUtf8(text));
  }
}

TEST(Utf8ToWide, RealUtf8NamesComeBackByteIdentical) {
  for (const char* name : {"plain.txt", "caf\xc3\xa9", "\xe6\x97\xa5\xe6\x9c\xac.doc", "\xf0\x9f\x98\x80 smile",
                           "mix\xf4\x8f\xbf\xbf\xc3\xa9"}) {
    EXPECT_EQ(WideToUtf8(Utf8ToWide(name)), name);
  }
}

TEST(IsValidUtf8, AcceptsOnlyWellFormedText) {
  struct Case {
    const char* hex;
    bool valid;
  };
  for (const Case& c : {Case{"", true}, Case{"41", true}, Case{"c3a9", true}, Case{"e282ac", true},
                        Case{"f09f9880", true}, Case{"f48fbfbf", true}, Case{"80", false}, Case{"c3", false},
                        Case{"c0af", false}, Case{"e08080", false}, Case{"eda080", false},
                        Case{"f4908080", false}, Case{"f5808080", false}, Case{"c341", false},
                        Case{"e9", false}}) {
    EXPECT_EQ(IsValidUtf8(FromHex(c.hex)), c.valid) << c.hex;
  }
}

TEST(Windows1252ToUtf8, UsesTheCodePageTable) {
  struct Case {
    const char* in;
    const char* outHex;
  };
  for (const Case& c : {Case{"41", "41"}, Case{"80", "e282ac"}, Case{"8a", "c5a0"}, Case{"99", "e284a2"},
                        Case{"9f", "c5b8"}, Case{"81", "c281"}, Case{"9d", "c29d"}, Case{"a0", "c2a0"},
                        Case{"e9", "c3a9"}, Case{"ff", "c3bf"}, Case{"4d8e6c6c6572", "4dc5bd6c6c6572"}}) {
    EXPECT_EQ(ToHex(Windows1252ToUtf8(FromHex(c.in))), c.outHex) << c.in;
  }
}

TEST(HasCharClass, ClassesStopAtZeroByte) {
  struct Case {
    std::string text;
    int charClass;
    bool expected;
  };
  const std::string high = "ab\xc3\xa9";
  const std::string control = "ab\tc";
  const std::string hiddenHigh = std::string("ab\0\xc3", 4);
  for (const Case& c : {Case{high, 0, true}, Case{high, 1, false}, Case{high, 2, true}, Case{control, 0, false},
                        Case{control, 1, true}, Case{control, 2, true}, Case{hiddenHigh, 0, false},
                        Case{hiddenHigh, 2, false}, Case{high, 3, false}, Case{control, -1, false},
                        Case{"", 2, false}}) {
    EXPECT_EQ(HasCharClass(c.text, c.charClass), c.expected) << ToHex(c.text) << " class " << c.charClass;
  }
}

}  // namespace
