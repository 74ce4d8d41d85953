// Appending a small file to a hostile existing archive, with or without a
// password (the first byte decides), then listing the result.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FuzzScratch.h"
#include "engine/AddToArchive.h"
#include "engine/ListArchive.h"

namespace {

// The source lives outside the scratch folder, which is emptied per input.
struct Source {
  std::string folder = ovkfuzz::ScratchRoot() + "-src";
  std::string path = folder + "/new.txt";
  Source() {
    std::filesystem::create_directories(folder);
    std::ofstream(path, std::ios::binary) << "a small file added to a fuzzed archive\n";
  }
  ~Source() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Source source;
  const std::string archive = ovkfuzz::WriteScratchFile("archive.bin", data, size);
  const std::string password = (size > 0 && (data[0] & 1)) ? "secret" : "";
  ovk::AddRequest request;
  request.archive = archive;
  request.sources = {source.path};
  request.recurse = false;
  request.password = password;
  ovk::AddToArchive(request, ovk::SilentObserver());
  ovkfuzz::Require(!ovk::ListArchive(ovk::ListRequest{archive}, ovk::SilentObserver()).openError,
                   "the archive cannot be listed after adding");
  ovkfuzz::ClearScratch();
  return 0;
}
