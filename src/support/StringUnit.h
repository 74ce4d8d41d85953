// Byte-string helpers shared by every layer: UTF-8/UTF-16 conversion, masks,
// ";"-separated lists, searching and the folder-part/name-part split.
// All routines work on bytes; positions returned are 1-based, 0 = not found.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace ovk {

// The longest entry name (and short-string argument) the containers hold.
constexpr std::size_t kShortStringMax = 255;

// Cuts text to at most kShortStringMax bytes.
std::string ShortString(const std::string& text);

// UTF-8 bytes -> UTF-16 units, lossless for every string WideToUtf8 makes
// (4-byte sequences decode to surrogate pairs).
std::u16string Utf8ToWide(const std::string& text);
// UTF-16 units -> UTF-8 bytes; a valid surrogate pair becomes one 4-byte
// sequence, a lone surrogate its own 3-byte form.
std::string WideToUtf8(const std::u16string& text);

// class 0: a byte >= 0x80; 1: a byte < 0x20; 2: either. Stops at a zero byte.
bool HasCharClass(const std::string& text, int charClass);

// True when the bytes form valid UTF-8.
bool IsValidUtf8(const std::string& text);
// Windows-1252 bytes -> UTF-8 (for ZIP names stored without the UTF-8 flag).
std::string Windows1252ToUtf8(const std::string& text);

// "*" any run of bytes, "?" one byte; without wildcards plain equality.
bool MaskMatch(const std::string& name, const std::string& mask);
bool WildcardMatch(const char* name, const char* mask);

// Bytes <= 0x20 removed at both ends.
std::string Trim(const std::string& text);
// ASCII letters A-Z lower-cased, every other byte unchanged.
std::string LowerAscii(const std::string& text);

std::vector<std::string> SplitList(const std::string& text, char separator);
std::string ExtractToken(const std::string& text, int index, char separator);
std::string ReplaceAll(const std::string& text, const std::string& oldPattern,
                       const std::string& newPattern);
std::size_t LastCharPos(char c, const std::string& text);
std::size_t FindSubstring(const std::string& pattern, const std::string& text);

// True for "\" and "/", the two folder separators the system accepts.
bool IsPathSeparator(char c);
// Everything up to and including the last "\" or "/" (empty when none).
std::string FolderPart(const std::string& path);
// Everything after the last "\" or "/".
std::string NamePart(const std::string& path);
// The name part's text from its last "." on (dot included), or empty.
std::string ExtensionPart(const std::string& path);

}  // namespace ovk
