#include "engine/OperationReport.h"

#include <algorithm>

#include "engine/Archive.h"

namespace ovk {

void OperationReport::Add(const std::string& storedName, FailureKind kind, const std::string& reason) {
  failures.push_back({ConvertPathSeparators(storedName, false), kind, reason});
}

int OperationReport::ExitStatus() const {
  auto any = [&](std::initializer_list<FailureKind> kinds) {
    return std::any_of(failures.begin(), failures.end(), [&](const EntryFailure& f) {
      return std::find(kinds.begin(), kinds.end(), f.kind) != kinds.end();
    });
  };
  if (any({FailureKind::kCheckFailed, FailureKind::kDamaged})) return kExitCheckFailed;
  if (any({FailureKind::kNoPassword})) return kExitNoPassword;
  return failures.empty() ? kExitOk : kExitFailed;
}

std::vector<std::string> OperationReport::Lines() const {
  std::vector<std::string> lines;
  for (const EntryFailure& f : failures) lines.push_back(f.entry.empty() ? f.reason : f.entry + ": " + f.reason);
  return lines;
}

}  // namespace ovk
