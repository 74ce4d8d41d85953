#include "ui/PackMode.h"

#include <cstdio>

#include "engine/AddToArchive.h"
#include "support/FileUnit.h"
#include "support/Random.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

// The random suffix of a target that exists: a value in 0..65534.
constexpr std::uint32_t kSuffixRange = 65535;
constexpr int kAllPacked = 0;
constexpr int kSomethingSkipped = 1;

void SaySkipped(const std::string& text) { std::fprintf(stderr, "ovkview: %s\n", text.c_str()); }

// Packs the items that exist into the target; false when an item or a file
// of one was skipped (each said on its own line).
bool PackItems(const std::string& target, const std::vector<std::string>& items) {
  AddRequest request;
  request.archive = target;
  bool skipped = false;
  for (const std::string& item : items) {
    const bool mask = item.find_first_of("*?") != std::string::npos;
    if (!mask && !FileExistsByName(item, false) && !FolderExists(item, false)) {
      SaySkipped("skipped " + item + ": no such file or folder");
      skipped = true;
    } else {
      request.sources.push_back(item);
    }
  }
  if (request.sources.empty()) return false;
  const OperationReport report = AddToArchive(request, SilentObserver());
  for (const std::string& line : report.Lines()) SaySkipped("skipped " + line);
  return !skipped && report.failures.empty();
}

}  // namespace

bool IsPackSwitch(const std::string& param) {
  if (param.size() < 2 || (param[0] != '-' && param[0] != '/')) return false;
  return param[1] == 'c' || param[1] == 'C';
}

std::string PackTargetName(const std::string& source) {
  if (FolderExists(source, false)) return ShortString(SetTrailingSeparator(source, false, false) + ".zip");
  std::string name = NamePart(source);
  const std::size_t dot = LastCharPos('.', name);
  if (dot > 0) name.resize(dot - 1);
  return ShortString(FolderPart(source) + name + ".zip");
}

std::optional<int> PackFromCommandLine(const std::vector<std::string>& params) {
  if (params.size() < 3) return std::nullopt;
  std::string target = PackTargetName(ShortString(params[2]));
  // The suffixed name is not tested again.
  if (FileExistsByName(target, false)) {
    target = ShortString(target + std::to_string(RandomBelow(kSuffixRange)) + ".zip");
  }
  const std::vector<std::string> items(params.begin() + 2, params.end());
  return PackItems(target, items) ? kAllPacked : kSomethingSkipped;
}

}  // namespace ovk
