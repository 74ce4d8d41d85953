#include "cli/Escape.h"

#include <cstdio>

namespace ovk::cli {

namespace {

// Bytes of the control character at i: C0 and DEL, the UTF-8 form of C1,
// and the bidirectional marks and overrides, which can make a name show an
// extension it does not have. 0 when none starts there.
std::size_t ControlLength(const std::string& text, std::size_t i) {
  const auto at = [&](std::size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0; };
  const unsigned char c = at(i);
  if (c < 0x20 || c == 0x7F) return 1;
  if (c == 0xC2 && at(i + 1) >= 0x80 && at(i + 1) <= 0x9F) return 2;
  if (c == 0xD8 && at(i + 1) == 0x9C) return 2;  // U+061C
  if (c != 0xE2) return 0;
  const unsigned char b = at(i + 1), d = at(i + 2);
  const bool marks = b == 0x80 && (d == 0x8E || d == 0x8F || (d >= 0xAA && d <= 0xAE));  // U+200E/F, U+202A-E
  const bool isolates = b == 0x81 && d >= 0xA6 && d <= 0xA9;                           // U+2066-9
  return marks || isolates ? 3 : 0;
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

// Bytes of the character shown at i: an escape, else one UTF-8 character.
std::size_t ShownLength(const std::string& text, std::size_t i) {
  if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && IsHex(text[i + 2]) && IsHex(text[i + 3]))
    return 4;
  std::size_t n = 1;
  while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
  return n;
}

}  // namespace

std::string EscapeControls(const std::string& name) {
  std::string out;
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t control = ControlLength(name, i);
    if (control == 0) {
      out += name[i++];
      continue;
    }
    for (const std::size_t end = i + control; i < end; ++i) {
      char text[5];
      std::snprintf(text, sizeof text, "\\x%02x", static_cast<unsigned char>(name[i]));
      out += text;
    }
  }
  return out;
}

std::string FitColumns(const std::string& escaped, std::size_t columns) {
  std::size_t i = 0, shown = 0;
  while (i < escaped.size()) {
    const std::size_t length = ShownLength(escaped, i);
    const std::size_t width = length == 4 && escaped[i] == '\\' ? 4 : 1;
    if (shown + width > columns) break;
    shown += width;
    i += length;
  }
  return escaped.substr(0, i);
}

}  // namespace ovk::cli
