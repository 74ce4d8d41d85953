// UTF-8 <-> UTF-16 at the window's boundary, and the byte-class test.
#include "support/StringUnit.h"

#include <cstdint>

namespace ovk {

namespace {

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// A well-formed 4-byte sequence at text[i] (lead F0-F4, three continuation
// bytes, a code point above the BMP) as its code point; 0 when it is not one.
// Anything else keeps the legacy 3-byte reading so old names decode as before.
std::uint32_t FourByteCodePoint(const std::string& text, std::size_t i) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  if (b0 < 0xF0 || b0 > 0xF4 || text.size() - i < 4) return 0;
  const auto b1 = static_cast<unsigned char>(text[i + 1]);
  const auto b2 = static_cast<unsigned char>(text[i + 2]);
  const auto b3 = static_cast<unsigned char>(text[i + 3]);
  if (!IsContinuation(b1) || !IsContinuation(b2) || !IsContinuation(b3)) return 0;
  const std::uint32_t cp = ((b0 & 0x07u) << 18) | ((b1 & 0x3Fu) << 12) | ((b2 & 0x3Fu) << 6) | (b3 & 0x3Fu);
  return (cp >= 0x10000 && cp <= 0x10FFFF) ? cp : 0;
}

}  // namespace

std::u16string Utf8ToWide(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
    } else if ((b & 0x20) == 0) {
      if (n - i < 2) break;  // an incomplete character ends the text
      out.push_back(static_cast<char16_t>(((b & 0x1F) << 6) | (text[i + 1] & 0x3F)));
      i += 2;
    } else if (const std::uint32_t cp = FourByteCodePoint(text, i)) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
      i += 4;
    } else {
      if (n - i < 3) break;
      out.push_back(static_cast<char16_t>(((b & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F)));
      i += 3;
    }
  }
  return out;
}

std::string WideToUtf8(const std::u16string& text) {
  std::string out(text.size() * 3, '\0');
  std::size_t o = 0;
  auto put = [&](std::uint32_t b) { out[o++] = static_cast<char>(b); };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::uint32_t w = text[i];
    if (w <= 0x7F) {
      put(w);
    } else if (w <= 0x7FF) {
      put(0xC0 | (w >> 6));
      put(0x80 | (w & 0x3F));
    } else if (w >= 0xD800 && w <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
               text[i + 1] <= 0xDFFF) {
      const std::uint32_t cp = 0x10000 + ((w - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
      put(0xF0 | (cp >> 18));
      put(0x80 | ((cp >> 12) & 0x3F));
      put(0x80 | ((cp >> 6) & 0x3F));
      put(0x80 | (cp & 0x3F));
    } else {
      put(0xE0 | (w >> 12));
      put(0x80 | ((w >> 6) & 0x3F));
      put(0x80 | (w & 0x3F));
    }
  }
  out.resize(o);
  return out;
}

bool HasCharClass(const std::string& text, int charClass) {
  if (charClass < 0 || charClass > 2) return false;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b == 0) break;
    if ((charClass != 1 && b >= 0x80) || (charClass != 0 && b < 0x20)) return true;
  }
  return false;
}

bool IsValidUtf8(const std::string& text) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::size_t length;
    std::uint32_t cp;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      cp = b & 0x07;
    } else {
      return false;
    }
    if (n - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if (!IsContinuation(c)) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

}  // namespace ovk
