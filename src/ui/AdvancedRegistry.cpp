#include "ui/AdvancedRegistry.h"

#include <cstdlib>
#include <cstring>

#include "engine/DeleteFromArchive.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"
#include "ui/RegistryFile.h"

namespace ovk {

namespace {

const char* const kRootNames[] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

std::string ReadWholeFile(const std::string& path) {
  DataFile file;
  if (OpenExisting(file, path, Access::kRead)) return {};
  std::string data(static_cast<std::size_t>(FileSize64(file)), '\0');
  ReadBlock(file, data.data(), data.size());
  return data;
}

}  // namespace

std::string SettingsFilePath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config && config[0] == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home ? home : "") + "/.config";
  }
  return base + "/Halvora/OVK.reg";
}

std::string TAdvancedRegistry::KeyPath(const std::string& subkey) const {
  int root = RegistryRootKey >= 0 && RegistryRootKey <= kDynData ? RegistryRootKey : kCurrentUser;
  std::string path = std::string(kRootNames[root]);
  if (!RegistryArea.empty() && RegistryArea[0] != '\\') path += "\\";
  path += RegistryArea + "\\" + RegistrySection;
  return subkey.empty() ? path : path + "\\" + subkey;
}

void TAdvancedRegistry::RaiseError() {
  if (OnError) OnError(*this);
}

void TAdvancedRegistry::Load(RegistryFile& file) const {
  try {
    file.Parse(ReadWholeFile(SettingsFilePath()));
  } catch (const std::exception&) {
    file.Parse("");
  }
}

bool TAdvancedRegistry::Save(const RegistryFile& file) const {
  std::string path = SettingsFilePath();
  std::string folder = FolderPart(path);
  if (!FolderExists(folder) && !ForceFolders(folder)) return false;
  std::string temp;
  std::string text = file.Serialize();
  try {
    temp = path + "." + MakeTempName();
    DataFile out;
    if (CreateOrTruncate(out, temp)) return false;
    WriteBlock(out, text.data(), text.size());
    FlushDataFile(out);
    ThrowIfFailed(CloseDataFile(out));
  } catch (const std::exception&) {
    if (!temp.empty()) DeleteFileByName(temp);
    return false;
  }
  if (MoveFileReplacing(temp, path)) return true;
  DeleteFileByName(temp);
  return false;
}

bool TAdvancedRegistry::ReadBinary(const std::string& name, void* buffer, std::size_t size) {
  RegistryFile file;
  Load(file);
  std::string key = KeyPath();
  if (!file.KeyExists(key)) {
    RaiseError();
    return true;
  }
  const RegValue* value = file.FindValue(key, name);
  if (!value) return true;
  if ((value->type != RegType::Binary && value->type != RegType::None) || value->data.size() > size) {
    RaiseError();
    return false;
  }
  std::memcpy(buffer, value->data.data(), value->data.size());
  return true;
}

void TAdvancedRegistry::WriteBinary(const std::string& name, const void* buffer, std::size_t size) {
  RegistryFile file;
  Load(file);
  file.SetValue(KeyPath(), RegValue{name, RegType::Binary, 0,
                                    std::string(static_cast<const char*>(buffer), size)});
  if (!Save(file)) RaiseError();
}

bool TAdvancedRegistry::ReadString(const std::string& subkey, const std::string& name,
                                   std::string& text) {
  RegistryFile file;
  Load(file);
  const RegValue* value = file.FindValue(KeyPath(subkey), name);
  if (!value || value->type != RegType::String) return false;
  text = value->data;
  return true;
}

void TAdvancedRegistry::WriteString(const std::string& subkey, const std::string& name,
                                    const std::string& text) {
  RegistryFile file;
  Load(file);
  file.SetValue(KeyPath(subkey), RegValue{name, RegType::String, 0, text});
  if (!Save(file)) RaiseError();
}

}  // namespace ovk
