#include "engine/format/Registry.h"

#include <array>
#include <string_view>

#include "support/StringUnit.h"

namespace ovk {

namespace {

// Enough for every format's magic.
constexpr std::size_t kHeadBytes = 64;

// The formats that can do more than read, for the sentence that names them.
std::array<const Format*, 3> Formats() {
  return {&NativeMagicFormat(), &ZipArchiveFormat(), &HeaderlessNativeFormat()};
}

// Suffixes of archive and compression formats this program does not write;
// a new archive so named would mislead every other tool.
constexpr std::string_view kForeignSuffixes[] = {
    ".tar", ".tar.gz", ".tgz",  ".tar.bz2", ".tbz2", ".tar.xz", ".txz", ".tar.zst", ".tzst", ".gz",
    ".bz2", ".xz",     ".zst",  ".lz4",     ".7z",   ".rar",    ".iso", ".cpio",    ".deb",  ".rpm",
    ".a",   ".ar",     ".cab",  ".lzh",     ".lha",  ".xar"};

bool EndsWith(const std::string& text, std::string_view suffix) {
  return text.size() > suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Per capability: what the sentence says is done only in the formats that can.
std::string_view OnlyIn(Capability capability) {
  switch (capability) {
    case Capability::kAppend: return "entries are added only to";
    case Capability::kDelete: return "entries are deleted only from";
    case Capability::kRename: return "entries are renamed only in";
    case Capability::kPasswords: return "entries are enciphered only in";
    case Capability::kAes: return "AES encryption is for";
    case Capability::kComment: return "a comment is kept only in";
    case Capability::kRepair: return "a lost directory is rebuilt only in";
  }
  return "";
}

// The formats with a signature first; then libarchive's, named by what it
// finds (ZIP stays with the program's own reader, asked before it); the
// headerless layout, which any file might pass for, last.
const Format* Recognised(DataFile& file, std::string_view head) {
  for (const Format* format : {&NativeMagicFormat(), &ZipArchiveFormat()}) {
    if (format->Bid(file, head)) return format;
  }
  if (const Format* format = LibarchiveFormatOf(file)) return format;
  const Format& headerless = HeaderlessNativeFormat();
  return headerless.Bid(file, head) ? &headerless : nullptr;
}

}  // namespace

std::string FormatProblem::Text() const {
  switch (refusal) {
    case FormatRefusal::kNone: break;
    case FormatRefusal::kNotArchive: return "not an archive this program can read";
    case FormatRefusal::kCannotOpen: return "cannot be opened: " + IoReasonText(code);
    case FormatRefusal::kCannotRead: return "cannot be read: " + IoReasonText(code);
    case FormatRefusal::kCannotCreate: return "cannot create it: this program writes ZIP and native archives only";
  }
  return "";
}

const Format* Identify(DataFile& file, FormatProblem& problem) {
  problem = {};
  try {
    std::string head(kHeadBytes, '\0');
    std::size_t got = 0;
    Seek64(file, 0);
    ReadBlock(file, head.data(), head.size(), got);
    head.resize(got);
    if (const Format* format = Recognised(file, head)) {
      Seek64(file, 0);
      return format;
    }
    problem.refusal = FormatRefusal::kNotArchive;
  } catch (const EInOutError& e) {
    problem = {FormatRefusal::kCannotRead, e.Code()};
  }
  Seek64(file, 0);
  return nullptr;
}

const Format* Identify(const std::string& path, FormatProblem& problem) {
  DataFile file;
  if (const IoError error = OpenExisting(file, path, Access::kRead)) {
    problem = {FormatRefusal::kCannotOpen, error.code};
    return nullptr;
  }
  return Identify(file, problem);  // read only: the close can lose nothing
}

const Format* FormatForNewArchive(const std::string& path, bool native, FormatProblem& problem) {
  problem = {};
  const std::string name = LowerAscii(NamePart(path));
  for (const std::string_view suffix : kForeignSuffixes) {
    if (!EndsWith(name, suffix)) continue;
    problem.refusal = FormatRefusal::kCannotCreate;
    return nullptr;
  }
  return native ? &NativeMagicFormat() : &ZipArchiveFormat();
}

std::string CannotText(const Format& format, Capability capability) {
  std::string able;
  for (const Format* other : Formats()) {
    if (!other->Can(capability)) continue;
    able += (able.empty() ? "" : " and ") + std::string(other->Name());
  }
  if (able.empty()) return "this program cannot do that with any archive";
  return std::string(OnlyIn(capability)) + " " + able + " archives, this one is " + std::string(format.Name());
}

const Format* CapableFormat(const std::string& path, Capability capability, std::string& refusal) {
  FormatProblem problem;
  const Format* format = Identify(path, problem);
  if (!format) refusal = problem.Text();
  else if (!format->Can(capability)) refusal = CannotText(*format, capability);
  else return format;
  return nullptr;
}

bool ArchiveCannot(const std::string& path, Capability capability) {
  FormatProblem problem;
  const Format* format = Identify(path, problem);
  return format && !format->Can(capability);
}

}  // namespace ovk
