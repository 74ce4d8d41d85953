#include "ui/PackMode.h"

#include <cstdio>
#include <exception>

#include "engine/AddToArchive.h"
#include "engine/EngineMessages.h"
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

// Packs one item; false when the item or a file of it was skipped (said).
bool PackItem(const std::string& target, const std::string& item, bool append) {
  const bool mask = item.find_first_of("*?") != std::string::npos;
  if (!mask && !FileExistsByName(item, false) && !FolderExists(item, false)) {
    SaySkipped("skipped " + item + ": no such file or folder");
    return false;
  }
  int said = 0;
  EngineMessageHook = [&said](const std::string& text) {
    SaySkipped(text);
    ++said;
  };
  bool ok = false;
  try {
    ok = AddToArchive(target, item, append, "", "", true, 0, 0, false, "", false, kLevelDefault,
                      false, nullptr, 0, true);
  } catch (const std::exception& e) {
    SaySkipped("packing " + item + " into " + target + " stopped: " + e.what());
    ++said;
  }
  EngineMessageHook = nullptr;
  if (!ok && said == 0) SaySkipped("packing " + item + " into " + target + " failed");
  return ok && said == 0;
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
  bool skipped = false;
  for (std::size_t i = 2; i < params.size(); ++i) {
    skipped = !PackItem(target, ShortString(params[i]), i > 2) || skipped;
  }
  return skipped ? kSomethingSkipped : kAllPacked;
}

}  // namespace ovk
