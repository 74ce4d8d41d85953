#include "FuzzScratch.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace ovkfuzz {
namespace {

std::string MakeRoot() {
  std::string pattern = (fs::temp_directory_path() / "ovkfuzz-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    std::abort();
  }
  return pattern;
}

struct Root {
  std::string path = MakeRoot();
  ~Root() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

}  // namespace

const std::string& ScratchRoot() {
  static Root root;
  return root.path;
}

std::string WriteScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
  std::string path = ScratchRoot() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  Require(static_cast<bool>(out), "cannot write the scratch file " + path);
  return path;
}

void ClearScratch() {
  std::error_code ec;
  for (const auto& item : fs::directory_iterator(ScratchRoot(), ec)) fs::remove_all(item.path(), ec);
}

void Require(bool condition, const std::string& what) {
  if (condition) return;
  std::fprintf(stderr, "FINDING: %s\n", what.c_str());
  std::abort();
}

bool LeadsInside(const std::filesystem::path& link, const std::filesystem::path& root) {
  std::error_code ec;
  fs::path resolved = fs::weakly_canonical(link, ec);
  if (ec) resolved = (link.parent_path() / fs::read_symlink(link, ec)).lexically_normal();
  const fs::path inside = resolved.lexically_relative(root);
  return !inside.empty() && *inside.begin() != "..";
}

}  // namespace ovkfuzz
