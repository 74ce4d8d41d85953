#include "engine/format/Volumes.h"

#include <regex>

#include "support/FileUnit.h"

namespace ovk {

namespace {

// The volume numbered number, its digits as wide as the first's.
std::string Numbered(const std::string& head, std::size_t width, unsigned number, const std::string& tail) {
  std::string digits = std::to_string(number);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return head + digits + tail;
}

}  // namespace

std::vector<std::string> LaterVolumes(const std::string& firstPath) {
  static const std::regex split(R"((.*\.7z\.)(0*1)())", std::regex::icase);
  static const std::regex parts(R"((.*\.part)(0*1)(\.rar))", std::regex::icase);
  std::smatch match;
  std::vector<std::string> later;
  if (!std::regex_match(firstPath, match, split) && !std::regex_match(firstPath, match, parts)) return later;
  for (unsigned number = 2;; ++number) {
    const std::string next = Numbered(match[1], match[2].length(), number, match[3]);
    if (!FileExistsByName(next)) break;
    later.push_back(next);
  }
  return later;
}

}  // namespace ovk
