// Windows-1252 (the Western code page of ZIP tools on the original desktop)
// decoded into UTF-8, for ZIP names stored without the UTF-8 flag.
#include "support/StringUnit.h"

#include <cstdint>

namespace ovk {

namespace {

// 0x80-0x9F; the five bytes the code page leaves undefined (81 8D 8F 90 9D)
// keep their Latin-1 value, as the WHATWG encoding standard decodes them.
constexpr std::uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

std::string Windows1252ToUtf8(const std::string& text) {
  std::u16string wide;
  wide.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    wide.push_back(b >= 0x80 && b <= 0x9F ? kHighControls[b - 0x80] : b);
  }
  return WideToUtf8(wide);
}

}  // namespace ovk
