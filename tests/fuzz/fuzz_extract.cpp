// Extracting a hostile archive, without and with a password: never crashes or
// hangs, and never writes anything outside the destination folder.
//
// The destination sits 90 folders deep in the scratch folder, so a stored
// name that climbs out with ".." (at most 85 levels fit in 255 bytes) still
// lands inside the scratch folder, where the walk below finds it.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzScratch.h"
#include "engine/ExtractFromArchive.h"

namespace fs = std::filesystem;

namespace {

constexpr int kDepth = 90;

const std::string& Destination() {
  static const std::string path = [] {
    std::string p = ovkfuzz::ScratchRoot();
    for (int i = 0; i < kDepth; ++i) p += "/d";
    return p + "/out";
  }();
  return path;
}

// Everything in the scratch folder must be the archive, a folder of the chain
// leading to the destination, or something inside the destination.
void RequireNothingOutsideDestination(const std::string& archive) {
  const fs::path destination(Destination());
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(ovkfuzz::ScratchRoot(), ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const fs::path& p = it->path();
    ovkfuzz::Require(!it->is_symlink(ec), "extraction made a symbolic link: " + p.string());
    if (p == archive) continue;
    const auto rel = p.lexically_relative(destination);
    if (!rel.empty() && *rel.begin() != "..") continue;  // inside the destination
    const auto up = destination.lexically_relative(p);
    const bool onChain = !up.empty() && *up.begin() != ".." && it->is_directory(ec);
    ovkfuzz::Require(onChain, "extraction wrote outside the destination: " + p.string());
  }
}

void ExtractOnce(const std::string& archive, const std::string& password) {
  std::int32_t code = -1;
  const bool ok = ovk::ExtractFromArchive(archive, Destination(), code, true, "", "", password, true);
  ovkfuzz::Require(code >= 0 && code <= 3, "result code out of range");
  ovkfuzz::Require(!ok || code == 0, "success reported with a failure code");
  RequireNothingOutsideDestination(archive);
  std::error_code ec;
  fs::remove_all(Destination(), ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string archive = ovkfuzz::WriteScratchFile("archive.bin", data, size);
  ExtractOnce(archive, "");
  ExtractOnce(archive, "secret");  // the archive is overwritten by the next input
  return 0;
}
