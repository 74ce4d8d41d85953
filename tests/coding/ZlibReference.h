// zlib itself as the reference reader of deflate data the tests make.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

namespace ovktest {

// Inflates a whole stream (zlib-wrapped or raw) expected to hold at most
// size bytes.
inline std::string ZlibInflate(const std::string& stream, bool zlibWrapped, std::size_t size) {
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, zlibWrapped ? 15 : -15), Z_OK);
  std::string out(size + 1, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = static_cast<uInt>(stream.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

}  // namespace ovktest
