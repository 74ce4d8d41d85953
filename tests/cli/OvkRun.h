// Running the built `ovk` with its output streams kept apart.
#pragma once

#include <string>
#include <vector>

namespace ovktest {

struct OvkResult {
  int exitCode = -1;
  std::string out;  // stdout
  std::string err;  // stderr
};

// Runs `ovk ARGS...` in the folder cwd (the test's own when empty).
OvkResult RunOvk(const std::vector<std::string>& args, const std::string& cwd = "");

// The lines of a text, each without its "\n".
std::vector<std::string> Lines(const std::string& text);

}  // namespace ovktest
