// Failures of the file layer as values: what was attempted, on which path,
// and why, with the exception that carries one where a caller's flow wants
// to unwind instead.
#pragma once

#include <stdexcept>
#include <string>

namespace ovk {

// Codes for failures the platform has no errno of its own for.
enum IoCode : int {
  kIoReadPastEnd = 100,
  kIoDiskFull = 101,
  kIoNotOpen = 103,
  kIoNotRegular = 104,  // a FIFO, socket or device where a file was wanted
};

// What a user reads for a failure code (an errno value or an IoCode):
// plain words, never a bare number.
std::string IoReasonText(int code);

// One failure of the file layer; code 0 means it did not fail.
struct IoError {
  std::string what;  // the action: "open", "create", "read", "write", ...
  std::string path;
  int code = 0;      // an errno value or an IoCode

  explicit operator bool() const { return code != 0; }
  // "cannot open x.zip: permission denied".
  std::string Text() const;
};

// The exception reads, writes and closes raise. Its what() is the reason
// alone, so that callers can name the archive or entry themselves.
class EInOutError : public std::runtime_error {
 public:
  explicit EInOutError(IoError error);
  int Code() const { return error_.code; }
  const IoError& Error() const { return error_; }

 private:
  IoError error_;
};

// Raises the error as EInOutError when it is one.
void ThrowIfFailed(const IoError& error);

}  // namespace ovk
