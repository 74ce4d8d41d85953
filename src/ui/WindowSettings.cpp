#include "ui/WindowSettings.h"

#include "support/ByteOrder.h"
#include "support/StringUnit.h"

namespace ovk {

std::uint16_t WindowSettings::Get16(std::size_t at) const { return GetLE16(&bytes_[at]); }

void WindowSettings::Set16(std::size_t at, int value) {
  auto v = static_cast<std::uint16_t>(value & 0xFFFF);
  bytes_[at] = static_cast<std::uint8_t>(v & 0xFF);
  bytes_[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void WindowSettings::SetBounds(int left, int top, int width, int height) {
  Set16(kLeft, left);
  Set16(kTop, top);
  Set16(kHeight, height);
  Set16(kWidth, width);
}

std::string WindowSettings::GetText(std::size_t at) const {
  return std::string(reinterpret_cast<const char*>(&bytes_[at + 1]), bytes_[at]);
}

void WindowSettings::SetText(std::size_t at, const std::string& text) {
  std::string cut = ShortString(text);
  bytes_[at] = static_cast<std::uint8_t>(cut.size());
  for (std::size_t i = 0; i < cut.size(); ++i) bytes_[at + 1 + i] = static_cast<std::uint8_t>(cut[i]);
}

}  // namespace ovk
