// Extracting a hostile archive, without and with a password: never crashes or
// hangs, never writes, chmods or stamps anything outside the destination
// folder, makes no link that leads outside it, and accounts for the same
// entries as testing and listing the archive do.
//
// The destination sits 90 folders deep in the scratch folder, so a stored
// name that climbs out with ".." (at most 85 levels fit in 255 bytes) still
// lands inside the scratch folder, where the walk below finds it.
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzScratch.h"
#include "engine/Archive.h"
#include "engine/ExtractFromArchive.h"
#include "engine/ListArchive.h"

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

// Mode and modification time of the scratch folder and of every folder of
// the chain down to the destination's parent, outermost first.
std::vector<std::string> ChainStamps() {
  std::vector<std::string> stamps;
  std::string level = ovkfuzz::ScratchRoot();
  for (int i = 0; i <= kDepth; ++i) {
    struct stat st {};
    lstat(level.c_str(), &st);
    stamps.push_back(std::to_string(st.st_mode) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
                     std::to_string(st.st_mtim.tv_nsec));
    level += "/d";
  }
  return stamps;
}

// Everything in the scratch folder must be the archive, a folder of the chain
// leading to the destination, or something inside the destination; no folder
// of the chain may change its mode or time, and a link inside the
// destination must lead inside it. Each folder of the chain is listed on its
// own (a recursive walk of the deep chain costs more than the extraction).
void RequireNothingOutsideDestination(const std::string& archive, const std::vector<std::string>& stampsBefore) {
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
  ovkfuzz::Require(ChainStamps() == stampsBefore, "extraction changed a folder outside the destination");
  const fs::path root = fs::canonical(Destination(), ec);
  for (auto it = fs::recursive_directory_iterator(Destination(), ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_symlink(ec))
      ovkfuzz::Require(ovkfuzz::LeadsInside(it->path(), root), "extraction made a link leading outside: " + it->path().string());
  }
}

// True when the walk went through every entry: nothing ended it early.
bool WalkedEveryEntry(const ovk::OperationReport& report) {
  return !report.cancelled && std::all_of(report.failures.begin(), report.failures.end(), [](const auto& f) {
           return f.kind == ovk::FailureKind::kRefused || f.kind == ovk::FailureKind::kUnsupported;
         });
}

// Every listed entry was written (or verified) or is named in a failure.
void RequireListedAccounted(const std::vector<std::string>& listed, const ovk::OperationReport& report,
                            const char* what) {
  std::vector<std::string> left = listed;
  for (const ovk::EntryFailure& f : report.failures) {
    const auto at = std::find(left.begin(), left.end(), f.entry);
    if (at != left.end()) left.erase(at);
  }
  ovkfuzz::Require(report.entriesDone == left.size(),
                   std::string(what) + " neither handled nor reported some listed entry, or handled one twice");
}

std::vector<std::string> FailureLines(const ovk::OperationReport& report) {
  std::vector<std::string> lines = report.Lines();
  std::sort(lines.begin(), lines.end());
  return lines;
}

// Listing, testing and extracting see the same entries: when neither walk
// was ended early, each accounts for every listed entry, and extraction
// reports every entry that testing reports, in the same words (it may
// report more: the file system refuses what a test never writes). The
// listing has the password too, which an enciphered list of entries needs.
void RequireSameEntries(const std::string& archive, const std::string& password, const ovk::OperationReport& extracted,
                        const ovk::OperationReport& tested) {
  ovk::ListRequest request{archive};
  request.password = password;
  const ovk::ListResult listing = ovk::ListArchive(request, ovk::SilentObserver());
  const bool listedWhole = std::none_of(listing.problems.begin(), listing.problems.end(), [](const std::string& p) {
    return p.starts_with("reading the archive failed");
  });
  if (!listedWhole || !WalkedEveryEntry(extracted) || !WalkedEveryEntry(tested)) return;
  std::vector<std::string> listed;
  for (const ovk::Entry& entry : listing.entries) listed.push_back(entry.name);
  RequireListedAccounted(listed, extracted, "extraction");
  RequireListedAccounted(listed, tested, "a test");
  const std::vector<std::string> inExtract = FailureLines(extracted), inTest = FailureLines(tested);
  ovkfuzz::Require(std::includes(inExtract.begin(), inExtract.end(), inTest.begin(), inTest.end()),
                   "a test reported an entry that extraction did not");
}

ovk::OperationReport Run(const std::string& archive, const std::string& password, bool testOnly) {
  ovk::ExtractRequest request;
  request.archive = archive;
  request.destination = Destination();
  request.password = password;
  request.testOnly = testOnly;
  const ovk::OperationReport report = ovk::ExtractFromArchive(request, ovk::SilentObserver());
  const int status = report.ExitStatus();
  ovkfuzz::Require(status >= 0 && status <= 3, "exit status out of range");
  ovkfuzz::Require((status == 0) == report.failures.empty(), "a failure without a status, or a status without a named failure");
  return report;
}

void ExtractOnce(const std::string& archive, const std::string& password) {
  std::error_code ec;
  fs::create_directories(Destination(), ec);
  const std::vector<std::string> stamps = ChainStamps();
  const ovk::OperationReport extracted = Run(archive, password, false);
  RequireNothingOutsideDestination(archive, stamps);
  RequireSameEntries(archive, password, extracted, Run(archive, password, true));
  fs::remove_all(Destination(), ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string archive = ovkfuzz::WriteScratchFile("archive.bin", data, size);
  ExtractOnce(archive, "");
  ExtractOnce(archive, "secret");  // the archive is overwritten by the next input
  return 0;
}
