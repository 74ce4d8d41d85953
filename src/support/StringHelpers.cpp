// Byte-string helpers: trimming, lists, tokens, replacement, searches and
// the folder-part/name-part split of paths.
#include "support/StringUnit.h"

namespace ovk {

std::string ShortString(const std::string& text) {
  return text.size() <= kShortStringMax ? text : text.substr(0, kShortStringMax);
}

std::string Trim(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
  return text.substr(begin, end - begin);
}

std::string LowerAscii(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::vector<std::string> SplitList(const std::string& text, char separator) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(separator, start);
    if (end == std::string::npos) end = text.size();
    std::string item = Trim(text.substr(start, end - start));
    if (!item.empty()) items.push_back(std::move(item));
    start = end + 1;
  }
  return items;
}

std::string ExtractToken(const std::string& text, int index, char separator) {
  const std::string line = Trim(text);
  if (line.empty() || index < 0) return std::string();
  std::size_t start = 0;
  for (int k = 0; k < index; ++k) {
    const std::size_t sep = line.find(separator, start);
    if (sep == std::string::npos) return std::string();
    start = sep + 1;
  }
  std::size_t end = line.find(separator, start);
  if (end == std::string::npos) end = line.size();
  return Trim(line.substr(start, end - start));
}

std::string ReplaceAll(const std::string& text, const std::string& oldPattern, const std::string& newPattern) {
  if (oldPattern.empty() || text.empty()) return text;
  std::string out;
  std::size_t start = 0;
  for (std::size_t hit; (hit = text.find(oldPattern, start)) != std::string::npos; start = hit + oldPattern.size()) {
    out.append(text, start, hit - start);
    out += newPattern;
  }
  out.append(text, start, std::string::npos);
  return out;
}

std::size_t LastCharPos(char c, const std::string& text) {
  const std::size_t at = text.rfind(c);
  return at == std::string::npos ? 0 : at + 1;
}

std::size_t FindSubstring(const std::string& pattern, const std::string& text) {
  // The comparison ends at a zero byte of the pattern.
  const std::string wanted = pattern.substr(0, pattern.find('\0'));
  if (wanted.empty() || text.empty()) return 0;
  const std::size_t at = text.find(wanted);
  return at == std::string::npos ? 0 : at + 1;
}

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

namespace {
// One pass from the end: find_last_of searches its set for every byte.
std::size_t AfterLastSeparator(const std::string& path) {
  for (std::size_t at = path.size(); at > 0; --at)
    if (IsPathSeparator(path[at - 1])) return at;
  return 0;
}
}  // namespace

std::string FolderPart(const std::string& path) { return path.substr(0, AfterLastSeparator(path)); }

std::string NamePart(const std::string& path) { return path.substr(AfterLastSeparator(path)); }

std::string ExtensionPart(const std::string& path) {
  const std::string name = NamePart(path);
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace ovk
