// Running one archive operation under every planned fault of the file layer:
// each call of each kind failing in turn (with the errors that call meets in
// practice), and the disk filling up after a spread of byte counts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "support/FaultInjection.h"

namespace ovkhard {

struct Fault {
  bool diskFull = false;
  ovk::FaultOp op = ovk::FaultOp::Open;
  int nth = 0;            // which call of op fails (1-based)
  int errnoValue = 0;
  std::uint64_t bytesLeft = 0;  // disk full: bytes that still fit
  std::string Describe() const;
};

struct FaultRunCounts {
  int tried = 0;      // runs under a fault
  int injected = 0;   // runs in which the armed fault actually fired
  int succeeded = 0;  // runs whose operation reported success all the same
};

// The whole test program's totals, printed at its end.
FaultRunCounts& FaultTotals();

struct FaultScenario {
  std::function<void()> reset;      // puts the files back as before the operation
  std::function<bool()> operation;  // the operation under test; its result
  // Verifies the state after one run (the faults are cleared by then).
  std::function<void(bool result, const Fault& fault)> check;
  // The bytes a clean run wrote, measured right after it (from file sizes).
  std::function<std::uint64_t()> bytesWritten;
};

// A clean run first (checked too, and it must succeed), then one run per fault.
FaultRunCounts RunUnderFaults(const std::string& name, const FaultScenario& scenario);

}  // namespace ovkhard
