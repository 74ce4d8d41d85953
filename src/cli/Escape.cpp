#include "cli/Escape.h"

#include <cstdio>

namespace ovk::cli {

std::string EscapeControls(const std::string& name) {
  std::string out;
  auto escape = [&](unsigned char c) {
    char text[5];
    std::snprintf(text, sizeof text, "\\x%02x", c);
    out += text;
  };
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    const bool c1 = c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(name[i + 1]) <= 0x9F;
    if (c < 0x20 || c == 0x7F) {
      escape(c);
    } else if (c1) {
      escape(c);
      escape(static_cast<unsigned char>(name[++i]));
    } else {
      out += name[i];
    }
  }
  return out;
}

}  // namespace ovk::cli
