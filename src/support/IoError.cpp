// The words a user reads for a file-system failure: the common causes in
// plain terms, the C library's text for the rest, never a bare number.
#include <cerrno>
#include <cstring>
#include <utility>

#include "support/IoError.h"
#include "support/StringUnit.h"

namespace ovk {

std::string IoReasonText(int code) {
  switch (code) {
    case EACCES:
    case EPERM: return "permission denied";
    case ENOSPC:
    case EDQUOT:
    case kIoDiskFull: return "no space left on device";
    case EROFS: return "read-only file system";
    case EISDIR: return "a folder is in the way";
    case ENOTDIR: return "a file is in the way of a folder";
    case ELOOP: return "its path runs through a symbolic link";
    case ENAMETOOLONG: return "its name is too long for the file system";
    case EIO: return "input/output error";
    case kIoReadPastEnd: return "the file ends too early";
    case kIoNotOpen: return "the file is not open";
    case kIoNotRegular: return "not a regular file";
    default: break;
  }
  std::string text = std::strerror(code);
  if (!text.empty()) text[0] = LowerAscii(text.substr(0, 1))[0];
  return text;
}

std::string IoError::Text() const { return "cannot " + what + " " + path + ": " + IoReasonText(code); }

EInOutError::EInOutError(IoError error) : std::runtime_error(IoReasonText(error.code)), error_(std::move(error)) {}

void ThrowIfFailed(const IoError& error) {
  if (error) throw EInOutError(error);
}

}  // namespace ovk
