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
// leading to the destination, or something inside the destination; nothing
// anywhere may be a symbolic link. Each folder of the chain is listed on its
// own (a recursive walk of the deep chain costs more than the extraction).
void RequireNothingOutsideDestination(const std::string& archive) {
  std::error_code ec;
  std::string level = ovkfuzz::ScratchRoot();
  for (int i = 0; i <= kDepth; ++i) {
    const char* expected = i < kDepth ? "d" : "out";
    for (auto it = fs::directory_iterator(level, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
      if (it->path() == archive) continue;
      ovkfuzz::Require(it->path().filename() == expected && !it->is_symlink(ec) && it->is_directory(ec),
                       "extraction wrote outside the destination: " + it->path().string());
    }
    level += std::string("/") + expected;
  }
  for (auto it = fs::recursive_directory_iterator(Destination(), ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    ovkfuzz::Require(!it->is_symlink(ec), "extraction made a symbolic link: " + it->path().string());
  }
}

void ExtractOnce(const std::string& archive, const std::string& password) {
  ovk::ExtractRequest request;
  request.archive = archive;
  request.destination = Destination();
  request.password = password;
  const ovk::OperationReport report = ovk::ExtractFromArchive(request, ovk::SilentObserver());
  const int status = report.ExitStatus();
  ovkfuzz::Require(status >= 0 && status <= 3, "exit status out of range");
  ovkfuzz::Require((status == 0) == report.failures.empty(), "a failure without a status, or a status without a named failure");
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
