// Which format reads a file, asked of the formats by content in a fixed
// order; which one a new archive gets, by its name; and the one message for
// what a format cannot do.
#pragma once

#include <cstdint>
#include <string>

#include "engine/format/Format.h"
#include "support/FileUnit.h"

namespace ovk {

// Why no format was found for a file.
enum class FormatRefusal : std::uint8_t {
  kNone,
  kNotArchive,   // no format reads its content
  kCannotOpen,   // the file cannot be opened for reading
  kCannotRead,   // reading it failed
  kCannotCreate,  // a new archive's name asks for a format this program does not write
  kUnknownFormat  // the format asked for by name is none this program writes
};

struct FormatProblem {
  FormatRefusal refusal = FormatRefusal::kNone;
  int code = 0;  // kCannotOpen, kCannotRead: the system's error

  explicit operator bool() const { return refusal != FormatRefusal::kNone; }
  // In words, for "PATH: ..." ("not an archive this program can read").
  std::string Text() const;
};

// The first format that bids for the open file, in this order: the native
// container with its magic, ZIP, enciphered 7z, the formats libarchive
// reads, ZIP behind a stub, the headerless native layout. Null, with the problem set, when none does. The file is
// left at its start.
const Format* Identify(DataFile& file, FormatProblem& problem);
const Format* Identify(const std::string& path, FormatProblem& problem);

// The format of an archive to be made under path: the one asked for by name
// ("zip", "native", "tar.gz", ...) when asked is not empty; else the one its
// suffix names (".tar.gz", ".tgz", ".7z", ...), ZIP for any other, unless
// it is the suffix of a format this program cannot write (".rar", ".gz",
// ...). Null with the problem set when it cannot be made.
const Format* FormatForNewArchive(const std::string& path, const std::string& asked, FormatProblem& problem);

// Why the format cannot do that, in words: "entries are deleted only from
// ZIP archives, this one is native".
std::string CannotText(const Format& format, Capability capability);

// The format of the file at path when it can do that; else null, with why
// not in words in refusal (the file's problem, or CannotText).
const Format* CapableFormat(const std::string& path, Capability capability, std::string& refusal);

// True when a format reads the file and cannot do that; false also when
// the file is missing or no format reads it.
bool ArchiveCannot(const std::string& path, Capability capability);

}  // namespace ovk
