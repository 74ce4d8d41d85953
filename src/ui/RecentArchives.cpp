#include "ui/RecentArchives.h"

#include <algorithm>

#include "ui/AdvancedRegistry.h"

namespace ovk {

namespace {

const char kRecentKey[] = "Recent";

std::string ValueName(std::size_t index) { return "File" + std::to_string(index); }

}  // namespace

std::vector<std::string> ReadRecentArchives(TAdvancedRegistry& registry) {
  std::vector<std::string> paths;
  std::string path;
  for (std::size_t i = 0; i < kRecentArchives && registry.ReadString(kRecentKey, ValueName(i), path); ++i)
    if (!path.empty()) paths.push_back(path);
  return paths;
}

void RememberArchive(TAdvancedRegistry& registry, const std::string& path) {
  std::vector<std::string> paths = ReadRecentArchives(registry);
  paths.erase(std::remove(paths.begin(), paths.end(), path), paths.end());
  paths.insert(paths.begin(), path);
  if (paths.size() > kRecentArchives) paths.resize(kRecentArchives);
  for (std::size_t i = 0; i < paths.size(); ++i) registry.WriteString(kRecentKey, ValueName(i), paths[i]);
}

}  // namespace ovk
