// Totals of the kill tests, printed at the end of the run.
#pragma once

namespace ovkhard {

struct KillCounts {
  int started = 0;  // processes started
  int killed = 0;   // of them, killed before they finished
  int losses = 0;   // archives that lost an entry (must stay 0)
};

KillCounts& KillTotals();

}  // namespace ovkhard
