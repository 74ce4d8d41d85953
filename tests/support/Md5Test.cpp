#include <gtest/gtest.h>

#include "common/TestUtil.h"
#include "support/WMD5.h"

using namespace ovk;

namespace {

TEST(MD5, ReferenceVectors) {
  struct Case {
    std::string input;
    const char* digest;
  };
  std::string eighty;
  for (int i = 0; i < 8; ++i) eighty += "1234567890";
  for (const Case& c : {Case{"", "d41d8cd98f00b204e9800998ecf8427e"}, Case{"abc", "900150983cd24fb0d6963f7d28e17f72"},
                        Case{eighty, "57edf4a22be3c955ac49da2e2107b67a"},
                        Case{"-12345678942", "e0fe632b5d0932bae77a4921a8a98bee"},
                        // RFC 1321 test suite entries not in the shared table.
                        Case{"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
                        Case{"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"}}) {
    EXPECT_EQ(MD5Hex(c.input), c.digest) << c.input;
  }
}

TEST(MD5, PiecewiseUpdatesEqualOneUpdate) {
  // Lengths around the 56- and 64-byte padding boundaries.
  for (std::size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
    const std::string data = ovktest::RandomBytes(length, static_cast<unsigned>(length));
    WMD5 pieces;
    for (std::size_t at = 0; at < data.size(); at += 7) pieces.Update(data.data() + at, std::min<std::size_t>(7, data.size() - at));
    const auto digest = pieces.Final();
    std::string hex = ovktest::ToHex(std::string(digest.begin(), digest.end()));
    EXPECT_EQ(hex, MD5Hex(data)) << length;
  }
}

}  // namespace
