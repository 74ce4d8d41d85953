#include "cli/OvkRun.h"

#include <sstream>

#include "common/TestUtil.h"

namespace ovktest {

OvkResult RunOvk(const std::vector<std::string>& args, const std::string& cwd) {
  TempDir scratch;
  const std::string errFile = scratch / "stderr";
  std::string command = "(";
  if (!cwd.empty()) command += "cd " + Quote(cwd) + " && ";
  command += Quote(BuiltProgram("ovk"));
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " 2>" + Quote(errFile) + ")";
  const CommandResult run = Run(command);
  OvkResult result;
  result.exitCode = run.exitCode;
  result.out = run.output;
  result.err = Exists(errFile) ? ReadFile(errFile) : "";
  return result;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace ovktest
