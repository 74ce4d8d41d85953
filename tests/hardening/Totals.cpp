// Prints the fault and kill totals of the whole run at its end.
#include <gtest/gtest.h>

#include <cstdio>

#include "FaultPlan.h"
#include "KillCounts.h"

namespace {

class TotalsPrinter : public ::testing::Environment {
 public:
  void TearDown() override {
    const auto& f = ovkhard::FaultTotals();
    if (f.tried > 0)
      std::printf("[ totals ] fault runs %d, faults fired %d, operations that still succeeded %d\n", f.tried,
                  f.injected, f.succeeded);
    const auto& k = ovkhard::KillTotals();
    if (k.started > 0)
      std::printf("[ totals ] processes started %d, killed mid-run %d, archives losing entries %d\n", k.started,
                  k.killed, k.losses);
  }
};

const auto* const kPrinter = ::testing::AddGlobalTestEnvironment(new TotalsPrinter);

}  // namespace
