// The settings store's file: keys and typed values in the text format of a
// registry export ("Windows Registry Editor Version 5.00", [key] sections,
// "name"="text" and "name"=hex:.. lines). Plain C++ so it can be tested
// without a window.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ovk {

enum class RegType { None, Binary, String, DWord, Other };

struct RegValue {
  std::string name;
  RegType type = RegType::None;
  int hexType = 0;    // the N of hex(N): for Other
  std::string data;   // raw bytes (Binary/None/Other/DWord little-endian) or the text (String)
};

struct RegKey {
  std::string path;  // e.g. HKEY_CURRENT_USER\Software\Halvora\OVK
  std::vector<RegValue> values;
};

class RegistryFile {
 public:
  // Replaces the contents with the parsed text; false (and empty) when the
  // text is not a well-formed export.
  bool Parse(const std::string& text);
  std::string Serialize() const;

  // Key paths compare without regard to ASCII case, as registry keys do.
  // A key also exists when only keys below it are written down.
  bool KeyExists(const std::string& path) const;
  const RegValue* FindValue(const std::string& path, const std::string& name) const;
  // Creates the key when needed and replaces a value of the same name.
  void SetValue(const std::string& path, const RegValue& value);

  const std::vector<RegKey>& Keys() const { return keys_; }

 private:
  RegKey* FindKey(const std::string& path);
  const RegKey* FindKey(const std::string& path) const;
  std::vector<RegKey> keys_;
};

}  // namespace ovk
