// What an archive operation could not do, entry by entry: which entry, why
// in words, and the exit status it implies, so that every front end reports
// the same thing without guessing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ovk {

enum class FailureKind : std::uint8_t {
  kNoPassword,    // an enciphered entry and no password
  kCheckFailed,   // wrong password or damaged data: the content did not verify
  kDamaged,       // the archive's records contradict its bytes
  kUnsupported,   // a method or encryption this program cannot decode
  kNotWritten,    // the file system refused the file
  kRefused,       // refused for safety or because the name cannot be stored
};

struct EntryFailure {
  std::string entry;   // the name as stored, "/" between folders
  FailureKind kind = FailureKind::kNotWritten;
  std::string reason;  // in words, e.g. "permission denied"
};

// Exit statuses shared by every front end.
enum ExitStatus : int {
  kExitOk = 0,
  kExitNoPassword = 1,
  kExitCheckFailed = 2,
  kExitFailed = 3,
};

struct OperationReport {
  std::vector<EntryFailure> failures;
  std::vector<std::string> notes;  // worth telling, but no failure
  std::uint64_t entriesDone = 0;  // written, or verified when testing
  bool cancelled = false;         // stopped by the observer; what is done stays

  void Add(const std::string& storedName, FailureKind kind, const std::string& reason);
  // 2 when a check failed or data is damaged, else 1 when a password was
  // missing, else 3 when anything failed, else 0.
  int ExitStatus() const;
  // "name: reason" (the reason alone for a failure of no one entry), one
  // line per failure.
  std::vector<std::string> Lines() const;
};

}  // namespace ovk
