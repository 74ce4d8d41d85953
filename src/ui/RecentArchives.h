// The archives opened last, most recent first, kept in the settings store.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace ovk {

class TAdvancedRegistry;

constexpr std::size_t kRecentArchives = 10;

std::vector<std::string> ReadRecentArchives(TAdvancedRegistry& registry);
// Puts the path first, once, and keeps the first kRecentArchives.
void RememberArchive(TAdvancedRegistry& registry, const std::string& path);

}  // namespace ovk
