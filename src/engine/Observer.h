// How a front end follows a running archive operation and stops it: the
// operation calls the observer from its own thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ovk {

struct Entry;

struct ProgressSnapshot {
  std::uint64_t bytesDone = 0;
  std::uint64_t bytesTotal = 0;
  std::uint64_t entriesDone = 0;
  std::uint64_t entriesTotal = 0;
  std::string currentEntry;  // "/" between folders
};

class OperationObserver {
 public:
  virtual ~OperationObserver() = default;
  // Called as the work advances (between pieces of data, so often).
  virtual void Progress(const ProgressSnapshot& /*snapshot*/) {}
  // Polled between pieces; true stops the operation at the next point where
  // everything it leaves is whole.
  virtual bool CancelRequested() { return false; }
  // Another program holds the archive; the operation waits for it.
  virtual void Waiting(const std::string& /*archive*/) {}
  // A listing hands out its entries as it reads them: entries[from..] are
  // new since the last call. The listing's result still holds them all.
  virtual void EntriesListed(const std::vector<Entry>& /*entries*/, std::size_t /*from*/) {}
  // A listing asked not to keep its entries gives them away instead.
  virtual void EntriesGiven(std::vector<Entry>&& entries) { EntriesListed(entries, 0); }
};

// For callers that only want the result.
inline OperationObserver& SilentObserver() {
  static OperationObserver silent;
  return silent;
}

}  // namespace ovk
