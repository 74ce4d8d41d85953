// Fault injection for tests: makes one chosen file-layer call fail, or lets
// only a few more bytes reach the disk, so that every caller's failure path
// can be exercised. Off unless a test arms it; each call costs one
// uncontended lock. Process-wide, safe on several threads.
#pragma once

#include <cstdint>
#include <functional>

namespace ovk {

enum class FaultOp { Open, Read, Write, Rename, Fsync };

// The nth call (1-based, counted from now) of op fails with errnoValue.
// One pending fault per op; arming again replaces it.
void InjectFault(FaultOp op, int nth, int errnoValue);
// Just before the nth call of op (counted as for InjectFault) does its work,
// action runs once: what another process might do at that moment. One
// pending action per op.
void BeforeCall(FaultOp op, int nth, std::function<void()> action);
// From now on only bytesLeft more bytes are written: the write that reaches
// the limit is cut short, every later one fails with ENOSPC.
void InjectDiskFull(std::uint64_t bytesLeft);
// Disarms everything and restarts the counts.
void ClearFaults();
// Calls of op seen since the last ClearFaults (failed ones included).
int FaultOpCount(FaultOp op);

}  // namespace ovk
