#include "FaultPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "HardeningUtil.h"

namespace ovkhard {

namespace {

using ovk::FaultOp;

constexpr FaultOp kOps[] = {FaultOp::Open, FaultOp::Read, FaultOp::Write, FaultOp::Rename, FaultOp::Fsync};

const char* OpName(FaultOp op) {
  switch (op) {
    case FaultOp::Open: return "open";
    case FaultOp::Read: return "read";
    case FaultOp::Write: return "write";
    case FaultOp::Rename: return "rename";
    case FaultOp::Fsync: return "fsync";
  }
  return "?";
}

std::vector<int> ErrnosFor(FaultOp op) {
  switch (op) {
    case FaultOp::Open: return {EACCES, EMFILE};
    case FaultOp::Read: return {EIO};
    case FaultOp::Write: return {EIO, ENOSPC};
    case FaultOp::Rename: return {EXDEV, EACCES};
    case FaultOp::Fsync: return {EIO};
  }
  return {};
}

// 1..count, or at most cap values spread over it with both ends included.
std::vector<int> Positions(int count, int cap) {
  std::vector<int> positions;
  for (int i = 0; i < std::min(count, cap); ++i) {
    const int n = count <= cap ? i + 1 : 1 + static_cast<int>(static_cast<long long>(i) * (count - 1) / (cap - 1));
    if (positions.empty() || positions.back() != n) positions.push_back(n);
  }
  return positions;
}

// The first bytes one by one (headers), then a spread up to the bound.
std::vector<std::uint64_t> ByteLimits(std::uint64_t bound, int cap) {
  std::vector<std::uint64_t> limits;
  for (std::uint64_t b = 0; b < 8 && b < bound; ++b) limits.push_back(b);
  for (int i = 1; i <= cap; ++i) limits.push_back(8 + (bound > 8 ? (bound - 8) * i / cap : 0));
  limits.erase(std::unique(limits.begin(), limits.end()), limits.end());
  return limits;
}

}  // namespace

std::string Fault::Describe() const {
  char text[128];
  if (diskFull) std::snprintf(text, sizeof text, "disk full after %llu bytes", static_cast<unsigned long long>(bytesLeft));
  else std::snprintf(text, sizeof text, "%s call %d fails with %s", OpName(op), nth, std::strerror(errnoValue));
  return text;
}

FaultRunCounts& FaultTotals() {
  static FaultRunCounts totals;
  return totals;
}

FaultRunCounts RunUnderFaults(const std::string& name, const FaultScenario& scenario) {
  const int cap = Scaled(40);
  FaultRunCounts counts;
  int calls[std::size(kOps)] = {};
  {
    SCOPED_TRACE(name + ", clean run");
    scenario.reset();
    ovk::ClearFaults();
    const bool ok = scenario.operation();
    for (std::size_t k = 0; k < std::size(kOps); ++k) calls[k] = ovk::FaultOpCount(kOps[k]);
    ovk::ClearFaults();
    EXPECT_TRUE(ok);
    scenario.check(ok, Fault{});
  }
  const std::uint64_t written = scenario.bytesWritten();
  auto runOne = [&](const Fault& fault, const std::function<void()>& arm, const std::function<bool()>& fired) {
    SCOPED_TRACE(name + ", " + fault.Describe());
    scenario.reset();
    ovk::ClearFaults();
    arm();
    const bool ok = scenario.operation();
    const bool hit = fired();
    ovk::ClearFaults();
    ++counts.tried;
    counts.injected += hit;
    counts.succeeded += ok;
    scenario.check(ok, fault);
  };
  for (std::size_t k = 0; k < std::size(kOps); ++k) {
    for (int nth : Positions(calls[k], cap)) {
      for (int error : ErrnosFor(kOps[k])) {
        const Fault fault{false, kOps[k], nth, error, 0};
        runOne(fault, [&] { ovk::InjectFault(fault.op, nth, error); },
               [&] { return ovk::FaultOpCount(fault.op) >= nth; });
      }
    }
  }
  for (std::uint64_t bytes : ByteLimits(written, cap)) {
    Fault fault;
    fault.diskFull = true;
    fault.bytesLeft = bytes;
    runOne(fault, [&] { ovk::InjectDiskFull(bytes); }, [&] { return bytes < written; });
  }
  std::printf("[ faults ] %s: %d runs, %d faults fired, %d still succeeded (a clean run: "
              "open %d, read %d, write %d, rename %d, fsync %d calls, %llu bytes written)\n",
              name.c_str(), counts.tried, counts.injected, counts.succeeded, calls[0], calls[1], calls[2],
              calls[3], calls[4], static_cast<unsigned long long>(written));
  FaultTotals().tried += counts.tried;
  FaultTotals().injected += counts.injected;
  FaultTotals().succeeded += counts.succeeded;
  return counts;
}

}  // namespace ovkhard
