#include "ui/PackMode.h"

#include <cstdio>

#include "engine/AddToArchive.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

// Numbers tried for a target whose name is taken.
constexpr int kMostNumbers = 10000;
constexpr int kAllPacked = 0;
constexpr int kSomethingSkipped = 1;

void SaySkipped(const std::string& text) { std::fprintf(stderr, "ovkview: %s\n", text.c_str()); }

// Packs the items that exist into the target; false when an item or a file
// of one was skipped (each said on its own line).
bool PackItems(const std::string& target, const std::string& format, const std::vector<std::string>& items) {
  AddRequest request;
  request.archive = target;
  request.format = format;
  request.newArchiveOnly = true;
  bool skipped = false;
  for (const std::string& item : items) {
    const bool mask = item.find_first_of("*?") != std::string::npos;
    if (!mask && !FileExistsByName(item) && !FolderExists(item)) {
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

// A pack always makes a new archive: a taken name gets " (N)" before its
// suffix, N from 2 up, as a file manager names a copy, so that nothing is
// ever added to an archive or file the user already has. Empty when every
// number is taken.
std::string FreeTargetName(const std::string& target, const std::string& suffix) {
  const auto taken = [](const std::string& name) { return FileExistsByName(name) || FolderExists(name); };
  if (!taken(target)) return target;
  const std::string stem = target.substr(0, target.size() - suffix.size() - 1);
  for (int n = 2; n < kMostNumbers; ++n) {
    const std::string numbered = stem + " (" + std::to_string(n) + ")." + suffix;
    if (!taken(numbered)) return numbered;
  }
  return "";
}

}  // namespace

bool IsPackSwitch(const std::string& param) {
  if (param.size() < 2 || (param[0] != '-' && param[0] != '/')) return false;
  return param[1] == 'c' || param[1] == 'C';
}

std::string PackTargetName(const std::string& source, const std::string& suffix) {
  if (FolderExists(source)) return ShortString(SetTrailingSeparator(source, false, false) + "." + suffix);
  std::string name = NamePart(source);
  const std::size_t dot = LastCharPos('.', name);
  if (dot > 0) name.resize(dot - 1);
  return ShortString(FolderPart(source) + name + "." + suffix);
}

std::optional<int> PackFromCommandLine(const std::vector<std::string>& params) {
  std::size_t first = 2;
  std::string format;
  if (params.size() > 3 && params[2] == "--format") {
    format = params[3];
    first = 4;
  } else if (params.size() > 2 && params[2].rfind("--format=", 0) == 0) {
    format = params[2].substr(9);
    first = 3;
  }
  if (params.size() <= first) return std::nullopt;
  const std::string suffix = format.empty() ? "zip" : LowerAscii(format);
  const std::string target = FreeTargetName(PackTargetName(ShortString(params[first]), suffix), suffix);
  if (target.empty()) {
    SaySkipped("nothing packed: every name for the new archive is taken");
    return kSomethingSkipped;
  }
  const std::vector<std::string> items(params.begin() + static_cast<std::ptrdiff_t>(first), params.end());
  return PackItems(target, format, items) ? kAllPacked : kSomethingSkipped;
}

}  // namespace ovk
