#include "HardeningUtil.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "common/TestUtil.h"
#include "engine/ArchiveBytes.h"
#include "engine/ExtractFromArchive.h"
#include "engine/ListArchive.h"

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
#define OVK_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OVK_UNDER_ASAN 1
#endif
#endif

namespace ovkhard {

int SlowdownFactor() {
#ifdef OVK_UNDER_ASAN
  return 4;
#else
  return 1;
#endif
}

int Scaled(int count) { return std::max(1, count / SlowdownFactor()); }

ArchiveContent ReadArchive(const std::string& archive, const std::string& password,
                           const std::vector<std::string>& selection) {
  ArchiveContent content;
  const ovktest::Listing listing = ovktest::ListFile(archive);
  content.listed = listing.ok;
  content.listedEntries = listing.lines.size();
  ovktest::TempDir out;
  const ovktest::Extraction x = ovktest::ExtractAll(archive, out.Path(), password, selection);
  content.extracted = x.ok;
  content.code = x.code;
  for (auto& [path, data] : FilesBelow(out.Path())) {
    std::string stored = path;
    std::replace(stored.begin(), stored.end(), '/', '\\');
    content.files[stored] = std::move(data);
  }
  return content;
}

bool HoldsAll(const ArchiveContent& now, const ArchiveContent& old, std::string& missing) {
  for (const auto& [name, data] : old.files) {
    const auto found = now.files.find(name);
    if (found == now.files.end() || found->second != data) {
      missing = name;
      return false;
    }
  }
  return true;
}

std::map<std::string, std::string> FilesBelow(const std::string& folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_regular_file(ec)) {
      files[it->path().lexically_relative(folder).string()] = ovktest::ReadFile(it->path().string());
    }
  }
  return files;
}

std::size_t CountEntries(const std::string& folder) {
  std::error_code ec;
  std::size_t n = 0;
  for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) ++n;
  return n;
}

ScopedTmpdir::ScopedTmpdir(const std::string& folder) {
  if (const char* old = std::getenv("TMPDIR")) {
    had_ = true;
    old_ = old;
  }
  setenv("TMPDIR", folder.c_str(), 1);
}

ScopedTmpdir::~ScopedTmpdir() {
  if (had_) setenv("TMPDIR", old_.c_str(), 1);
  else unsetenv("TMPDIR");
}

ForeignFolder::ForeignFolder(const std::string& near) {
  struct stat shm, here;
  if (stat("/dev/shm", &shm) == 0 && stat(near.c_str(), &here) == 0 && shm.st_dev != here.st_dev &&
      access("/dev/shm", W_OK) == 0) {
    std::string pattern = "/dev/shm/ovkhard-XXXXXX";
    if (mkdtemp(pattern.data())) {
      path_ = pattern;
      other_ = true;
      return;
    }
  }
  path_ = near + "/foreign";
  fs::create_directories(path_);
}

ForeignFolder::~ForeignFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

}  // namespace ovkhard
