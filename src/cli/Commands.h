// The sub-commands of `ovk`. Each takes the arguments after its own name
// and returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace ovk::cli {

enum ExitStatus : int {
  kExitOk = 0,
  kExitNoPassword = 1,
  kExitCheckFailed = 2,
  kExitFailed = 3,
  kExitUsage = 64,
};

using Args = std::vector<std::string>;

int RunList(const Args& args);
int RunExtract(const Args& args);
int RunAdd(const Args& args);
int RunDelete(const Args& args);
int RunRepair(const Args& args);

// Prints "ovk: " + text on stderr.
void Warn(const std::string& text);
// Warn, then returns status.
int Fail(int status, const std::string& text);

}  // namespace ovk::cli
