// Single-call file-system operations: existence, age, folders, deleting,
// and writing a whole file from a string.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "support/FileUnit.h"
#include "support/StringUnit.h"

namespace ovk {

// Any existing non-folder: callers use this to avoid overwriting files.
bool FileExistsByName(const std::string& name) {
  struct stat st;
  return !name.empty() && stat(PlatformPath(name).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& name) {
  struct stat st;
  return !name.empty() && stat(PlatformPath(name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolder(const std::string& name) {
  return !name.empty() && mkdir(PlatformPath(name).c_str(), 0777) == 0;
}

namespace {

// Makes p's missing parents, then p. Each step works on a strictly shorter
// prefix, so it ends on any input; the root and empty text are never made.
void CreateFolderChain(std::string p) {
  while (!p.empty() && IsPathSeparator(p.back())) p.pop_back();
  if (p.empty() || FolderExists(p)) return;
  const std::string parent = FolderPart(p);
  if (!parent.empty()) CreateFolderChain(parent);
  CreateFolder(p);  // the caller's final existence test decides
}

}  // namespace

bool ForceFolders(const std::string& path) {
  if (FolderExists(path)) return true;
  CreateFolderChain(path);
  return FolderExists(path);
}

bool DeleteFileByName(const std::string& name) {
  return !name.empty() && unlink(PlatformPath(name).c_str()) == 0;
}

IoError CopyPermissions(const DataFile& from, const DataFile& to) {
  if (!from.IsOpen() || !to.IsOpen()) return {"give permissions to", to.name, kIoNotOpen};
  struct stat st;
  if (fstat(from.fd, &st) != 0) return {"read the permissions of", from.name, errno};
  // The owner first: a change of owner clears the set-id bits fchmod then restores.
  if ((geteuid() == 0 && fchown(to.fd, st.st_uid, st.st_gid) != 0) || fchmod(to.fd, st.st_mode & 07777) != 0)
    return {"give permissions to", to.name, errno};
  return {};
}

int WriteAccessError(const std::string& name) {
  const std::string path = PlatformPath(name);
  struct stat st;
  if (name.empty() || stat(path.c_str(), &st) != 0) return name.empty() ? ENOENT : errno;
  if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return errno;
  if (geteuid() == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return EACCES;
  return 0;
}


bool SaveStringToFile(const std::string& data, const std::string& path) {
  if (path.empty()) return false;
  DataFile file;
  if (CreateOrTruncate(file, path)) {
    ForceFolders(FolderPart(path));
    if (CreateOrTruncate(file, path)) return false;
  }
  if (!data.empty()) WriteBlock(file, data.data(), data.size());
  ThrowIfFailed(CloseDataFile(file));
  return true;
}

std::string SetTrailingSeparator(const std::string& path, bool withSeparator, bool slashesToBackslashes) {
  if (path.empty()) return path;
  std::string out = slashesToBackslashes ? ReplaceAll(path, "/", "\\") : path;
  if (!IsPathSeparator(out.back())) out.push_back('\\');
  if (!withSeparator) out.pop_back();
  return out;
}

}  // namespace ovk
