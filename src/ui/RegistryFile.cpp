#include "ui/RegistryFile.h"

#include <cstdint>
#include <cstdio>

#include "support/StringUnit.h"

namespace ovk {

namespace {

constexpr const char* kHeader5 = "Windows Registry Editor Version 5.00";
constexpr const char* kHeader4 = "REGEDIT4";
constexpr std::size_t kHexLineWidth = 77;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Reads a quoted text with \\ and \" escapes starting at s[pos] == '"';
// pos ends after the closing quote.
bool ReadQuoted(const std::string& s, std::size_t& pos, std::string& out) {
  if (pos >= s.size() || s[pos] != '"') return false;
  out.clear();
  for (++pos; pos < s.size(); ++pos) {
    char c = s[pos];
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c == '\\') {
      if (++pos >= s.size()) return false;
      c = s[pos];
      if (c != '\\' && c != '"') return false;
    }
    out += c;
  }
  return false;
}

bool ReadHexBytes(const std::string& s, std::string& out) {
  out.clear();
  std::string list = TrimBlanks(s);
  if (list.empty()) return true;
  for (const std::string& raw : SplitList(list, ',')) {
    std::string item = TrimBlanks(raw);
    if (item.size() != 2 || HexDigit(item[0]) < 0 || HexDigit(item[1]) < 0) return false;
    out += static_cast<char>(HexDigit(item[0]) * 16 + HexDigit(item[1]));
  }
  // SplitList drops empty items; a doubled or trailing comma is not well formed.
  std::size_t commas = 0;
  for (char c : list) commas += c == ',';
  return commas + 1 == out.size();
}

bool ParseData(const std::string& text, RegValue& value) {
  std::string s = TrimBlanks(text);
  if (!s.empty() && s[0] == '"') {
    std::size_t pos = 0;
    if (!ReadQuoted(s, pos, value.data) || pos != s.size()) return false;
    value.type = RegType::String;
    return true;
  }
  if (s.rfind("dword:", 0) == 0) {
    std::string digits = s.substr(6);
    if (digits.size() != 8) return false;
    std::uint32_t v = 0;
    for (char c : digits) {
      if (HexDigit(c) < 0) return false;
      v = v * 16 + static_cast<std::uint32_t>(HexDigit(c));
    }
    value.type = RegType::DWord;
    value.data.clear();
    for (int i = 0; i < 4; ++i) value.data += static_cast<char>((v >> (8 * i)) & 0xFF);
    return true;
  }
  if (s.rfind("hex:", 0) == 0) {
    value.type = RegType::Binary;
    return ReadHexBytes(s.substr(4), value.data);
  }
  if (s.rfind("hex(", 0) == 0) {
    std::size_t close = s.find("):", 4);
    if (close == std::string::npos || close == 4 || close > 12) return false;
    int n = 0;
    for (std::size_t i = 4; i < close; ++i) {
      if (HexDigit(s[i]) < 0) return false;
      n = n * 16 + HexDigit(s[i]);
    }
    value.hexType = n;
    value.type = n == 0 ? RegType::None : n == 3 ? RegType::Binary : RegType::Other;
    return ReadHexBytes(s.substr(close + 2), value.data);
  }
  return false;
}

bool ParseValueLine(const std::string& line, RegValue& value) {
  std::size_t pos = 0;
  if (line[0] == '@') {
    value.name.clear();
    pos = 1;
  } else if (!ReadQuoted(line, pos, value.name)) {
    return false;
  }
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  if (pos >= line.size() || line[pos] != '=') return false;
  return ParseData(line.substr(pos + 1), value);
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string HexList(const std::string& prefix, const std::string& bytes) {
  std::string out, line = prefix;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char item[4];
    std::snprintf(item, sizeof item, "%02x", static_cast<unsigned char>(bytes[i]));
    line += item;
    if (i + 1 < bytes.size()) {
      line += ',';
      if (line.size() >= kHexLineWidth) {
        out += line + "\\\n";
        line = "  ";
      }
    }
  }
  return out + line;
}

std::string SerializeValue(const RegValue& v) {
  std::string name = v.name.empty() ? "@" : Quote(v.name);
  switch (v.type) {
    case RegType::String:
      return name + "=" + Quote(v.data);
    case RegType::DWord: {
      std::uint32_t n = 0;
      for (std::size_t i = 0; i < 4 && i < v.data.size(); ++i)
        n |= static_cast<std::uint32_t>(static_cast<unsigned char>(v.data[i])) << (8 * i);
      char text[16];
      std::snprintf(text, sizeof text, "dword:%08x", n);
      return name + "=" + text;
    }
    case RegType::Binary:
      return HexList(name + "=hex:", v.data);
    case RegType::None:
    case RegType::Other: {
      char prefix[16];
      std::snprintf(prefix, sizeof prefix, "=hex(%x):", v.hexType);
      return HexList(name + prefix, v.data);
    }
  }
  return name;
}

// Physical lines joined where a line ends in "\" (hex lists wrap that way).
std::vector<std::string> LogicalLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  bool continued = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = continued ? current + TrimBlanks(line) : line;
    std::string trimmed = TrimBlanks(line);
    continued = !trimmed.empty() && trimmed.back() == '\\' && trimmed[0] != '[' && trimmed[0] != ';'
                && trimmed.find("=hex") != std::string::npos;
    if (continued) {
      current = trimmed.substr(0, trimmed.size() - 1);
    } else {
      lines.push_back(line);
    }
    start = end + 1;
  }
  if (continued) lines.push_back(current);
  return lines;
}

}  // namespace

bool RegistryFile::Parse(const std::string& input) {
  keys_.clear();
  std::string text = input.rfind("\xEF\xBB\xBF", 0) == 0 ? input.substr(3) : input;
  bool headerSeen = false;
  RegKey* key = nullptr;
  for (const std::string& raw : LogicalLines(text)) {
    std::string line = TrimBlanks(raw);
    if (line.empty() || line[0] == ';') continue;
    if (!headerSeen) {
      headerSeen = line == kHeader5 || line == kHeader4;
      if (!headerSeen) break;
      continue;
    }
    if (line[0] == '[') {
      if (line.back() != ']' || line.size() < 3 || line[1] == '-') {
        headerSeen = false;
        break;
      }
      std::string path = line.substr(1, line.size() - 2);
      key = FindKey(path);
      if (!key) {
        keys_.push_back(RegKey{path, {}});
        key = &keys_.back();
      }
      continue;
    }
    RegValue value;
    if (!key || !ParseValueLine(line, value)) {
      headerSeen = false;
      break;
    }
    SetValue(key->path, value);
    key = FindKey(key->path);
  }
  if (!headerSeen) keys_.clear();
  return headerSeen;
}

std::string RegistryFile::Serialize() const {
  std::string out = std::string(kHeader5) + "\n";
  for (const RegKey& key : keys_) {
    out += "\n[" + key.path + "]\n";
    for (const RegValue& v : key.values) out += SerializeValue(v) + "\n";
  }
  return out;
}

const RegKey* RegistryFile::FindKey(const std::string& path) const {
  std::string wanted = LowerAscii(path);
  for (const RegKey& key : keys_)
    if (LowerAscii(key.path) == wanted) return &key;
  return nullptr;
}

RegKey* RegistryFile::FindKey(const std::string& path) {
  return const_cast<RegKey*>(static_cast<const RegistryFile*>(this)->FindKey(path));
}

bool RegistryFile::KeyExists(const std::string& path) const {
  std::string prefix = LowerAscii(path) + "\\";
  for (const RegKey& key : keys_) {
    std::string k = LowerAscii(key.path);
    if (k + "\\" == prefix || k.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

const RegValue* RegistryFile::FindValue(const std::string& path, const std::string& name) const {
  const RegKey* key = FindKey(path);
  if (!key) return nullptr;
  std::string wanted = LowerAscii(name);
  for (const RegValue& v : key->values)
    if (LowerAscii(v.name) == wanted) return &v;
  return nullptr;
}

void RegistryFile::SetValue(const std::string& path, const RegValue& value) {
  RegKey* key = FindKey(path);
  if (!key) {
    keys_.push_back(RegKey{path, {}});
    key = &keys_.back();
  }
  std::string wanted = LowerAscii(value.name);
  for (RegValue& v : key->values) {
    if (LowerAscii(v.name) == wanted) {
      v = value;
      return;
    }
  }
  key->values.push_back(value);
}

}  // namespace ovk
