// Shared helpers of the test programs: temporary folders, whole-file I/O,
// running programs (ours and the peers) and finding them.
#pragma once

#include <string>
#include <vector>

namespace ovktest {

// A fresh folder under the temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  // Path() + "/" + relative
  std::string operator/(const std::string& relative) const;

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);  // makes parent folders
std::string ReadFile(const std::string& path);                      // throws when unreadable
bool Exists(const std::string& path);
void MakeDirs(const std::string& path);

struct CommandResult {
  int exitCode = -1;   // -1 when the program did not exit normally
  std::string output;  // stdout and stderr together
};
// Runs a shell command line, capturing its output.
CommandResult Run(const std::string& commandLine);
// Single-quotes a word for the shell.
std::string Quote(const std::string& word);
// True when the program is on PATH.
bool HaveTool(const std::string& program);
// Path of one of our built programs ("ovk", "ovkview").
std::string BuiltProgram(const std::string& name);
// Deterministic pseudo-random bytes (for incompressible test data).
std::string RandomBytes(std::size_t length, unsigned seed);
// Hex of bytes, lower case; and back.
std::string ToHex(const std::string& bytes);
std::string FromHex(const std::string& hex);

}  // namespace ovktest

// Skips the current test when a peer tool is missing.
#define OVK_REQUIRE_TOOL(tool)                                  \
  do {                                                          \
    if (!::ovktest::HaveTool(tool)) GTEST_SKIP() << tool " not installed"; \
  } while (0)
