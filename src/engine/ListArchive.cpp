#include "engine/ListArchive.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>
#include <utility>

#include "engine/Archive.h"
#include "engine/format/Registry.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

// Every number prints as the 32-bit pattern read signed, as readers of the
// lines expect; a size of 4 GiB or more, which has no such pattern, whole.
std::string Signed(std::uint32_t value) { return std::to_string(static_cast<std::int32_t>(value)); }

std::string Size(std::uint64_t value) {
  return value > 0xFFFFFFFFu ? std::to_string(value) : Signed(static_cast<std::uint32_t>(value));
}

// The damage as reported: under the entry's name, else where it stands;
// the archive's own damage (no name, no place) alone.
std::string Problem(const Entry& entry, const Damage& damage) {
  const std::string text = DamageText(damage.kind);
  if (!entry.name.empty()) return entry.name + ": " + text;
  if (damage.offset < 0) return text;
  return "entry at offset " + std::to_string(damage.offset) + ": " + text;
}

void HandOut(const ListRequest& request, ListResult& result, OperationObserver& observer, std::size_t& handedOut) {
  if (handedOut == result.entries.size()) return;
  if (!request.keep) {
    const std::size_t batch = result.entries.size();
    observer.EntriesGiven(std::exchange(result.entries, {}));
    result.entries.reserve(batch);
    return;
  }
  observer.EntriesListed(result.entries, handedOut);
  handedOut = result.entries.size();
}

// Walks the archive, the reader seeking over every payload. A damaged entry is reported
// (and listed when its header could be read); the walk goes on past it.
void ListEntries(DataFile& file, const Format& format, const ListRequest& request, ListResult& result,
                 OperationObserver& observer) {
  const std::unique_ptr<Reader> reader = format.Read(file, request.archive, request.password);
  Entry entry;
  Damage damage;
  ProgressSnapshot progress;
  progress.bytesTotal = static_cast<std::uint64_t>(FileSize64(file));
  progress.entriesTotal = reader->EntriesKnown();
  // Filled without regrowing, which would hold the old array and the new at once.
  if (request.keep) result.entries.reserve(static_cast<std::size_t>(progress.entriesTotal));
  std::size_t handedOut = 0;
  result.comment = reader->Comment();
  while (reader->Next(entry, damage)) {
    if (damage.kind != EntryDamage::kNone)
      result.problems.push_back(Problem(entry, damage));
    result.locked = result.locked || damage.kind == EntryDamage::kListLocked ||
                    damage.kind == EntryDamage::kListWrongPassword;
    // Listed when its header tells its name and real sizes.
    const bool listable = !entry.name.empty() && damage.kind != EntryDamage::kNoLocalHeader;
    if (listable && (request.folders || entry.type != EntryType::kFolder)) result.entries.push_back(entry);
    // Asked rarely: a listing walks many small headers.
    if (++progress.entriesDone % 1024 == 0) {
      if ((result.cancelled = observer.CancelRequested())) return;
      progress.bytesDone = static_cast<std::uint64_t>(FilePos64(file));
      observer.Progress(progress);
      HandOut(request, result, observer, handedOut);
    }
  }
  HandOut(request, result, observer, handedOut);
}

// "%", ";" and control bytes as %XX, so that the name is one field of one
// line; every other byte as it is.
std::string EncodedName(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '%' || c == ';') encoded += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
    else encoded += c;
  }
  return encoded;
}

}  // namespace

ListResult ListArchive(const ListRequest& request, OperationObserver& observer) {
  ListResult result;
  DataFile file;
  if (IoError error = OpenExisting(file, request.archive, Access::kRead)) {
    error.what = "open archive";
    result.openError = std::move(error);
    return result;
  }
  FormatProblem problem;
  const Format* format = Identify(file, problem);
  try {
    if (!format) result.refusal = problem.Text();
    else {
      result.format = format->Name();
      ListEntries(file, *format, request, result, observer);
    }
  } catch (const EInOutError& e) {
    // A damaged archive keeps the entries read before the damage.
    result.problems.push_back("reading the archive failed: " + IoReasonText(e.Code()));
  } catch (const std::exception& e) {
    result.problems.push_back(std::string("reading the archive failed: ") + e.what());
  }
  return result;  // read only: the quiet close of the file can lose nothing
}

std::string ListingLine(const Entry& entry) {
  return EncodedName(ConvertPathSeparators(entry.name, true)) + ";" + Size(entry.packedSize) + ";" + Signed(entry.dosTime) +
         ";" + Size(entry.originalSize) + ";" + Signed(entry.rawFlags) + ";" + (entry.encrypted ? "1" : "0");
}

}  // namespace ovk
