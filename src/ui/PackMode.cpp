#include "ui/PackMode.h"

#include "engine/AddToArchive.h"
#include "support/FileUnit.h"
#include "support/Random.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

// The random suffix of a target that exists: a value in 0..65534.
constexpr std::uint32_t kSuffixRange = 65535;

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

bool PackFromCommandLine(const std::vector<std::string>& params) {
  if (params.size() < 3) return false;
  std::string target = PackTargetName(ShortString(params[2]));
  // The suffixed name is not tested again.
  if (FileExistsByName(target, false)) {
    target = ShortString(target + std::to_string(RandomBelow(kSuffixRange)) + ".zip");
  }
  try {
    for (std::size_t i = 2; i < params.size(); ++i) {
      AddToArchive(target, ShortString(params[i]), i > 2, "", "", true, 0, 0, false, "", false,
                   kLevelDefault, false, nullptr, 0, true);
    }
  } catch (...) {
    // An error ends the packing silently; the process still exits with 0.
  }
  return true;
}

}  // namespace ovk
