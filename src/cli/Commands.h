// The sub-commands of `ovk`. Each takes the arguments after its own name
// and returns the process exit status.
#pragma once

#include <string>
#include <vector>

#include "engine/OperationReport.h"

namespace ovk::cli {

// The engine's statuses (0 to 3), and the usage error.
using ovk::kExitCheckFailed;
using ovk::kExitFailed;
using ovk::kExitNoPassword;
using ovk::kExitOk;
constexpr int kExitUsage = 64;

using Args = std::vector<std::string>;

int RunList(const Args& args);
int RunExtract(const Args& args);
int RunTest(const Args& args);
int RunAdd(const Args& args);
int RunDelete(const Args& args);
int RunRepair(const Args& args);
int RunRename(const Args& args);
int RunComment(const Args& args);

// Prints "ovk: " + text on stderr.
void Warn(const std::string& text);
// Warn, then returns status.
int Fail(int status, const std::string& text);

}  // namespace ovk::cli
