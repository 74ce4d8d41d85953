// The option parser the sub-commands share: options first, in any order,
// then the positional arguments; "--" or the first non-option ends options.
#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace ovk::cli {

struct KnownOption {
  const char* name;  // "-p", "--raw", ...
  bool takesValue;
};

struct ParsedOptions {
  std::map<std::string, std::vector<std::string>> given;  // a flag gets one empty value
  Args positional;
  bool help = false;  // "--help" or "-h" was among the options

  bool Has(const std::string& name) const { return given.count(name) != 0; }
  // The last value given for the option, or fallback when it is absent.
  std::string Last(const std::string& name, const std::string& fallback = "") const;
  std::vector<std::string> All(const std::string& name) const;
};

// Empty on success, otherwise the text of the usage error.
std::string ParseOptions(const Args& args, std::initializer_list<KnownOption> known,
                         ParsedOptions& out);

// Parses for a sub-command. False when the command is already done: after
// --help (status 0) or on a usage error (status 64, reported).
bool ParseCommandOptions(const Args& args, std::initializer_list<KnownOption> known,
                         ParsedOptions& out, int& status);

// Prints the usage text on stdout (for --help).
void PrintUsage();
// A usage error: one line on stderr, exit status 64.
int UsageError(const std::string& text);

}  // namespace ovk::cli
