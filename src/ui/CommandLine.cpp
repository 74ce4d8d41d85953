#include "ui/CommandLine.h"

#include "support/FileUnit.h"

namespace ovk {

bool IsSwitchParam(const std::string& param) {
  if (param.empty()) return false;
  if (param[0] == '-' || param == "/") return true;
  if (param[0] != '/') return false;
  return param.find('/', 1) == std::string::npos && !FileExistsByName(param) &&
         !FolderExists(param);
}

}  // namespace ovk
