// The temporary files writers keep beside an archive, and the removal of
// those a killed run left behind.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "support/ArchiveTemps.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"
#include "support/SysCalls.h"
#include "support/SystemRandom.h"

namespace ovk {

namespace {

constexpr std::size_t kLongestName = 255;
constexpr char kMarker[] = ".ovk-";
constexpr char kSuffix[] = ".tmp";
constexpr std::size_t kDigits = 8;
// "." + marker + digits + suffix around the archive's name.
constexpr std::size_t kAddedLength = 1 + sizeof kMarker - 1 + kDigits + sizeof kSuffix - 1;

// ".NAME.ovk-": the archive's name is cut so that the whole name still fits.
std::string TempPrefix(const std::string& archivePath) {
  return "." + NamePart(archivePath).substr(0, kLongestName - kAddedLength) + kMarker;
}

std::string FolderOf(const std::string& archivePath) {
  const std::string folder = PlatformPath(FolderPart(archivePath));
  return folder.empty() ? "./" : folder;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

bool IsTempName(const std::string& name, const std::string& prefix) {
  if (name.size() != prefix.size() + kDigits + sizeof kSuffix - 1) return false;
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  for (std::size_t i = 0; i < kDigits; ++i) {
    if (!IsHexDigit(name[prefix.size() + i])) return false;
  }
  return name.compare(prefix.size() + kDigits, std::string::npos, kSuffix) == 0;
}

}  // namespace

IoError CreateArchiveTemp(const std::string& archivePath, DataFile& temp) {
  const std::string start = FolderOf(archivePath) + TempPrefix(archivePath);
  IoError failure{"create a temporary file for", archivePath, EEXIST};
  for (int attempt = 0; attempt < 100 && failure.code == EEXIST; ++attempt) {
    std::string path;
    try {
      path = start + SystemRandomHex(kDigits) + kSuffix;
    } catch (const std::system_error& e) {
      failure.code = e.code().value();
      break;
    }
    const int fd = sys::Open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      temp.name = path;
      temp.access = Access::kReadWrite;
      temp.fd = fd;
      temp.position = -1;
      return {};
    }
    failure.code = errno;
  }
  return failure;
}

bool StillNamed(const DataFile& temp) {
  struct stat held;
  struct stat named;
  return fstat(temp.fd, &held) == 0 && lstat(temp.name.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

int ReplaceWithTemp(DataFile& temp, const std::string& archivePath) {
  if (!StillNamed(temp)) return EEXIST;
  if (sys::Rename(temp.name.c_str(), PlatformPath(archivePath).c_str()) != 0) return errno;
  ThrowIfFailed(CloseDataFile(temp));
  return 0;
}

void DiscardArchiveTemp(DataFile& temp) {
  if (temp.fd < 0) return;
  if (StillNamed(temp)) unlink(temp.name.c_str());
  (void)CloseDataFile(temp);
}

void RemoveArchiveTemps(const std::string& archivePath) {
  const std::string folder = FolderOf(archivePath);
  const std::string prefix = TempPrefix(archivePath);
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* d = readdir(dir)) {
    const std::string path = folder + d->d_name;
    struct stat st;
    if (IsTempName(d->d_name, prefix) && lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      unlink(path.c_str());
    }
  }
  closedir(dir);
}

}  // namespace ovk
