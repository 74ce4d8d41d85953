// The temporary and system folders.
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "support/FileUnit.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

std::string TemporaryFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  if (tmpdir != nullptr && *tmpdir != '\0' && FolderExists(tmpdir)) return tmpdir;
  return FolderExists("/tmp") ? "/tmp" : std::string();
}

std::string ProgramFolder() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer) return std::string();
  return FolderPart(std::string(buffer, static_cast<std::size_t>(n)));
}

}  // namespace

std::string GetSpecialFolder(int kind, bool noFallback) {
  std::string folder;
  switch (kind) {
    case 0:
      folder = TemporaryFolder();
      break;
    case 1:
      folder = "/";
      break;
    case 2:
      folder = FolderExists("/usr/bin") ? "/usr/bin" : "/bin";
      break;
    default:
      break;
  }
  if (folder.empty() && !noFallback) folder = ProgramFolder();
  // One trailing "/" (the native separator; every caller accepts both).
  if (!folder.empty() && !IsPathSeparator(folder.back())) folder.push_back('/');
  return folder;
}

std::string GetTempFolder(bool noFallback) { return GetSpecialFolder(0, noFallback); }

}  // namespace ovk
