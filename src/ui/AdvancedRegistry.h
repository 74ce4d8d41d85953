// The settings store of the current user: registry keys and values kept in
// one file, $XDG_CONFIG_HOME/Halvora/OVK.reg (~/.config when unset). Every
// read loads the file anew and every write replaces it atomically, so a
// damaged or missing file only ever reads as "no key".
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace ovk {

class RegistryFile;

// The file all settings live in.
std::string SettingsFilePath();

class TAdvancedRegistry {
 public:
  enum RootKey {
    kClassesRoot = 0,
    kCurrentUser = 1,
    kLocalMachine = 2,
    kUsers = 3,
    kPerformanceData = 4,
    kCurrentConfig = 5,
    kDynData = 6,
  };

  int RegistryRootKey = kCurrentUser;
  std::string RegistryArea = "\\Software\\Halvora";
  std::string RegistrySection = "OVK";
  std::function<void(TAdvancedRegistry&)> OnError;

  // The full key, e.g. HKEY_CURRENT_USER\Software\Halvora\OVK, with an
  // optional subkey below it.
  std::string KeyPath(const std::string& subkey = "") const;

  // REG_BINARY (or untyped) value into the buffer: a missing key raises the
  // error event and gives true with the buffer untouched; a missing value
  // reads nothing; a larger or differently typed value raises the error
  // event and gives false. A shorter value leaves the rest of the buffer.
  bool ReadBinary(const std::string& name, void* buffer, std::size_t size);
  void WriteBinary(const std::string& name, const void* buffer, std::size_t size);

  // REG_SZ values of a subkey (empty = the key itself); false when the key
  // or the value is missing or of another type.
  bool ReadString(const std::string& subkey, const std::string& name, std::string& text);
  void WriteString(const std::string& subkey, const std::string& name, const std::string& text);

 private:
  void RaiseError();
  // The stored keys; empty when the file is missing, unreadable or malformed.
  void Load(RegistryFile& file) const;
  bool Save(const RegistryFile& file) const;
};

}  // namespace ovk
