// The 522-byte settings record of the window and the two dialogs, kept byte
// for byte as it is stored (packed, little-endian).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace ovk {

class WindowSettings {
 public:
  static constexpr std::size_t kSize = 522;

  bool Maximized() const { return bytes_[kMaximized] != 0; }
  void SetMaximized(bool on) { bytes_[kMaximized] = on ? 1 : 0; }
  std::uint16_t Left() const { return Get16(kLeft); }
  std::uint16_t Top() const { return Get16(kTop); }
  std::uint16_t Height() const { return Get16(kHeight); }
  std::uint16_t Width() const { return Get16(kWidth); }
  // Each keeps the low 16 bits.
  void SetBounds(int left, int top, int width, int height);

  std::string ExtractFolder() const { return GetText(kExtractFolder); }
  void SetExtractFolder(const std::string& text) { SetText(kExtractFolder, text); }
  bool SubfoldersOff() const { return bytes_[kSubfoldersOff] == 1; }
  void SetSubfoldersOff(bool off) { bytes_[kSubfoldersOff] = off ? 1 : 0; }
  std::string SourceFolder() const { return GetText(kSourceFolder); }
  void SetSourceFolder(const std::string& text) { SetText(kSourceFolder, text); }

  std::uint8_t* Data() { return bytes_.data(); }
  const std::uint8_t* Data() const { return bytes_.data(); }
  void Clear() { bytes_.fill(0); }

 private:
  static constexpr std::size_t kMaximized = 0, kLeft = 1, kTop = 3, kHeight = 5, kWidth = 7,
                               kExtractFolder = 9, kSubfoldersOff = 265, kSourceFolder = 266;
  std::uint16_t Get16(std::size_t at) const;
  void Set16(std::size_t at, int value);
  // A length byte and up to 255 bytes; the bytes after the counted ones stay.
  std::string GetText(std::size_t at) const;
  void SetText(std::size_t at, const std::string& text);

  std::array<std::uint8_t, kSize> bytes_{};
};

}  // namespace ovk
