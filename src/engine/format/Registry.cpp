#include "engine/format/Registry.h"

#include <array>
#include <string_view>
#include <vector>

#include "support/StringUnit.h"

namespace ovk {

namespace {

// Enough for every format's magic.
constexpr std::size_t kHeadBytes = 64;

// The formats that can do more than read, for the sentence that names them
// (tar stands for tar under every filter).
std::array<const Format*, 5> Formats() {
  return {&NativeMagicFormat(), &ZipArchiveFormat(), &HeaderlessNativeFormat(), LibarchiveWrittenFormat("tar"),
          LibarchiveWrittenFormat("7z")};
}

// The suffixes of the formats libarchive writes here, longest first where
// one ends another, and the format each names.
struct WrittenSuffix {
  std::string_view suffix, format;
};
constexpr WrittenSuffix kWrittenSuffixes[] = {
    {".tar.gz", "tar.gz"},   {".tgz", "tar.gz"},  {".tar.bz2", "tar.bz2"}, {".tbz2", "tar.bz2"},
    {".tar.xz", "tar.xz"},   {".txz", "tar.xz"},  {".tar.zst", "tar.zst"}, {".tzst", "tar.zst"},
    {".tar", "tar"},         {".7z", "7z"}};

// Suffixes of archive and compression formats this program does not write;
// a new archive so named would mislead every other tool.
constexpr std::string_view kForeignSuffixes[] = {".gz",  ".bz2", ".xz",   ".zst", ".lz4", ".rar", ".iso",
                                                 ".cpio", ".deb", ".rpm", ".a",   ".ar",  ".cab", ".lzh",
                                                 ".lha", ".xar"};

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
    case Capability::kDecipher: return "enciphered entries are read only in";
    case Capability::kAes: return "AES encryption is for";
    case Capability::kComment: return "a comment is kept only in";
    case Capability::kRepair: return "a lost directory is rebuilt only in";
    case Capability::kInPlace: return "entries are written in place only in";
    case Capability::kFolderEntries: return "empty folders are kept only in";
  }
  return "";
}

// The formats with a signature first (7z where it is enciphered, which
// libarchive cannot read); then libarchive's, named by what it finds (ZIP
// stays with the program's own reader, asked before it); then ZIP behind a
// stub, found by a search of the whole file, which a tar holding a ZIP
// would pass too; the headerless layout, which any file might pass for,
// last.
const Format* Recognised(DataFile& file, std::string_view head) {
  for (const Format* format : {&NativeMagicFormat(), &ZipArchiveFormat(), &EncipheredSevenZipFormat()}) {
    if (format->Bid(file, head)) return format;
  }
  if (const Format* format = LibarchiveFormatOf(file)) return format;
  if (ZipArchiveFormat().BidBySearch(file)) return &ZipArchiveFormat();
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
    case FormatRefusal::kCannotCreate:
      return "cannot create it: this program writes ZIP, native, tar (.tar, .tar.gz, .tar.bz2, .tar.xz, .tar.zst) "
             "and 7z archives only";
    case FormatRefusal::kUnknownFormat:
      return "cannot create it: the formats this program writes are zip, native, tar, tar.gz, tar.bz2, tar.xz, "
             "tar.zst and 7z";
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

const Format* FormatForNewArchive(const std::string& path, const std::string& asked, FormatProblem& problem) {
  problem = {};
  if (!asked.empty()) {
    const std::string lowered = LowerAscii(asked);
    if (lowered == "zip") return &ZipArchiveFormat();
    if (lowered == "native") return &NativeMagicFormat();
    if (const Format* format = LibarchiveWrittenFormat(lowered)) return format;
    problem.refusal = FormatRefusal::kUnknownFormat;
    return nullptr;
  }
  const std::string name = LowerAscii(NamePart(path));
  for (const WrittenSuffix& written : kWrittenSuffixes) {
    if (EndsWith(name, written.suffix)) return LibarchiveWrittenFormat(std::string(written.format));
  }
  for (const std::string_view suffix : kForeignSuffixes) {
    if (!EndsWith(name, suffix)) continue;
    problem.refusal = FormatRefusal::kCannotCreate;
    return nullptr;
  }
  return &ZipArchiveFormat();
}

std::string CannotText(const Format& format, Capability capability) {
  std::vector<std::string_view> names;
  for (const Format* other : Formats()) {
    if (other->Can(capability)) names.push_back(other->Name());
  }
  if (names.empty()) return "this program cannot do that with any archive";
  std::string able(names.front());
  for (std::size_t i = 1; i < names.size(); ++i) able += (i + 1 == names.size() ? " and " : ", ") + std::string(names[i]);
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
