#include "engine/ExtractFromArchive.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <exception>
#include <map>
#include <set>
#include <utility>

#include "coding/Payload.h"
#include "engine/Archive.h"
#include "engine/CodingPool.h"
#include "engine/EntryPath.h"
#include "engine/ListArchive.h"
#include "engine/SavePool.h"
#include "engine/format/PayloadReader.h"
#include "engine/format/Registry.h"
#include "engine/Selection.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

// A folder entry made by the walk, given its time once its content is in.
struct MadeFolder {
  std::string entryName, outputName;
  FileStamp stamp;
};

struct ExtractRun {
  const ExtractRequest& request;
  std::string destination;  // ends in a separator
  SelectionSet selection;
  SelectionSet keep;
  OperationReport& report;
  OperationObserver& observer;
  ProgressSnapshot& progress;
  std::vector<MadeFolder>& folders;
  std::set<std::string>& writtenFolders;  // of the files and links written
  // Without folders: the entry each output name was first written for.
  std::map<std::string, std::string>& flatNames;
};

// Where below the destination an entry's path puts it: as it stands, or
// without folders its last component alone.
std::string Placed(const ExtractRun& run, const std::string& relative) {
  return run.request.keepFolders ? relative : relative.substr(relative.rfind('\\') + 1);
}

// With overwrite off an existing output file is replaced only when the keep
// list is given and does not name the entry.
bool MayWrite(const ExtractRun& run, const std::string& storedName, const std::string& outputName) {
  if (run.request.overwrite || !FileExistsByName(run.destination + outputName)) return true;
  return !run.keep.Empty() && !run.keep.Contains(storedName);
}

// The names a selection or keep list is matched against ("\" between
// folders, as the lists name them); listed only when there is one.
std::vector<std::string> ListedNames(const ExtractRequest& request) {
  std::vector<std::string> names;
  if (request.selection.empty() && request.keepList.empty()) return names;
  ListRequest listing{request.archive};
  listing.password = request.password;
  for (const Entry& entry : ListArchive(listing, SilentObserver()).entries)
    names.push_back(ConvertPathSeparators(entry.name, true));
  return names;
}

// Entries this small are read and decoded whole and written on the save
// pool's threads; larger ones (and zip bombs) stream in pieces.
constexpr std::uint64_t kWholePacked = 4u << 20;
constexpr std::uint64_t kWholeOriginal = 16u << 20;

// A name the file system cannot hold (a component over 255 bytes, or a path
// over the platform's limit) is refused whole rather than cut, so two long
// names can never land on one file.
bool NameFits(const ExtractRun& run, const std::string& outputName) {
  if (run.destination.size() + outputName.size() >= PATH_MAX) return false;
  std::size_t component = 0;
  for (const char c : outputName) {
    component = IsPathSeparator(c) ? 0 : component + 1;
    if (component > NAME_MAX) return false;
  }
  return true;
}

// A damaged entry is reported when it is wanted, and the walk goes on.
void ReportDamage(const ExtractRun& run, const Entry& entry, const Damage& damage) {
  switch (damage.kind) {
    case EntryDamage::kEmptyName:
      if (run.selection.Empty())
        run.report.Add("entry at offset " + std::to_string(damage.offset), FailureKind::kRefused,
                       DamageText(damage.kind));
      return;
    case EntryDamage::kSizesUnknown:
    case EntryDamage::kListEnciphered:
      run.report.Add(entry.name, FailureKind::kUnsupported, DamageText(damage.kind));
      return;
    case EntryDamage::kListLocked:
      run.report.Add(entry.name, FailureKind::kNoPassword, DamageText(damage.kind));
      return;
    case EntryDamage::kListWrongPassword:
      run.report.Add(entry.name, FailureKind::kCheckFailed, DamageText(damage.kind));
      return;
    default:
      // Overlapping entries too: the archive's records contradict its bytes.
      run.report.Add(entry.name, FailureKind::kDamaged, DamageText(damage.kind));
  }
}

const char kCheckFailedText[] = "checksum error: the data is damaged or the password is wrong";

// A failure to write a file: one that concerns only its name is reported and
// the walk goes on; any other ends it. False when the walk must end.
bool ReportWriteFailure(const ExtractRun& run, const std::string& entryName, int code) {
  run.report.Add(entryName, FailureEndsWalk(code) ? FailureKind::kNotWritten : FailureKind::kRefused,
                 IoReasonText(code));
  return !FailureEndsWalk(code);
}

// The entry's time and, where the archive records them and when asked, its
// read, write and execute bits, the owner always keeping write permission,
// as unzip restores them.
FileStamp StampOf(const ExtractRun& run, const Entry& entry) {
  FileStamp stamp;
  if (run.request.restorePermissions && entry.mode != 0) stamp.mode = (entry.mode & 0777) | 0200;
  stamp.modifiedTime = entry.modified;
  return stamp;
}

// A folder's owner keeps the right to enter it and to change its content.
FileStamp FolderStampOf(const ExtractRun& run, const Entry& entry) {
  FileStamp stamp = StampOf(run, entry);
  stamp.mode = stamp.mode == FileStamp{}.mode ? 0777 : stamp.mode | 0700;
  return stamp;
}

// A folder entry gives an empty folder too; its time and mode wait until the
// walk has written what goes in it. False when the walk must end.
bool MakeFolderEntry(const ExtractRun& run, const Entry& entry, const std::string& outputName,
                     SavePool& output, BeneathWriter& writer) {
  output.Settle(outputName);
  if (const int code = writer.MakeFolder(outputName); code != 0) return ReportWriteFailure(run, entry.name, code);
  run.folders.push_back({entry.name, outputName, FolderStampOf(run, entry)});
  return true;
}

// Only once every file is in: writing into a folder changes its time.
void StampFolders(const ExtractRun& run, BeneathWriter& writer) {
  for (const MadeFolder& folder : run.folders) {
    const int code = writer.StampFolder(folder.outputName, folder.stamp.mode, folder.stamp.modifiedTime);
    if (code != 0) ReportWriteFailure(run, folder.entryName, code);
  }
}

// A file that carries the content of a hard link set (cpio writes it with
// the set's last name) gets the earlier name, written empty, linked to it,
// when that name is wanted and stays below the destination.
void LinkEarlierName(const ExtractRun& run, const Entry& entry, const std::string& outputName, SavePool& output,
                     BeneathWriter& writer) {
  if (!run.selection.Empty() && !run.selection.Contains(ConvertPathSeparators(entry.linkTarget, true))) return;
  const EntryPath earlier = HardLinkTargetOf(entry.linkTarget);
  if (earlier.kind == EntryPathKind::kRefused) {
    run.report.Add(entry.name, FailureKind::kRefused, earlier.refusal);
    return;
  }
  const std::string placedEarlier = Placed(run, earlier.relative);
  // The earlier name's own (empty) file may still be on its way.
  output.Settle(placedEarlier);
  if (const int code = writer.MakeHardLink(placedEarlier, outputName); code != 0)
    ReportWriteFailure(run, entry.name, code);
}

// Checked content of a file entry: counted when testing, else handed to the
// save pool. False when the walk must end.
bool HandOver(const ExtractRun& run, SavePool& output, std::string data, const std::string& outputName,
              const Entry& entry) {
  if (run.request.testOnly) {
    ++run.report.entriesDone;
    return true;
  }
  return output.Save(std::move(data), outputName, entry.name, StampOf(run, entry));
}

// Decodes the entry's payload piece by piece. Content that stays small is
// gathered and handed to the save pool, so that the walk decodes the next
// entry while it is written; past that it streams straight into its file (or
// nowhere, when testing), memory bounded whatever the sizes. A file that
// carries a hard link set's content streams, as its link follows at once. A
// cancel stops within a piece and leaves no partial file. False when the walk
// must end.
bool StreamEntry(const ExtractRun& run, Reader& reader, DataFile& file, const Entry& entry, CipherHolder& cipher,
                 SavePool& output, BeneathWriter& writer, const std::string& outputName) {
  const bool testOnly = run.request.testOnly;
  bool streaming = testOnly || !entry.linkTarget.empty() || entry.originalSize > kWholeOriginal;
  FileBeneath out;
  // Nothing in flight may meet the name while it is written here.
  const auto begin = [&] {
    output.Settle(outputName);
    return writer.Begin(outputName, out);
  };
  if (streaming && !testOnly) {
    if (const int code = begin(); code != 0) return ReportWriteFailure(run, entry.name, code);
  }
  const std::unique_ptr<EntryContent> content = reader.Content(run.request.password, cipher);
  std::string data;  // all the content while gathered, else one piece
  int writeError = 0;
  bool more = true;
  while (more && writeError == 0) {
    if ((run.report.cancelled = run.observer.CancelRequested())) return false;
    if (streaming) data.clear();
    more = content->Next(data);
    if (!streaming && data.size() > kWholeOriginal) {
      if (const int code = begin(); code != 0) return ReportWriteFailure(run, entry.name, code);
      streaming = true;
    }
    if (streaming && !testOnly) writeError = out.Write(data.data(), data.size());
    // After the last piece the walk tells where the entry ended.
    if (more) run.progress.bytesDone = static_cast<std::uint64_t>(FilePos64(file));
    run.observer.Progress(run.progress);
  }
  if (writeError != 0) return ReportWriteFailure(run, entry.name, writeError);
  if (!content->Verified()) {
    run.report.Add(entry.name, FailureKind::kCheckFailed, kCheckFailedText);
    return true;
  }
  if (testOnly || !streaming) return HandOver(run, output, std::move(data), outputName, entry);
  const FileStamp stamp = StampOf(run, entry);
  if (const int code = out.Commit(stamp.mode, stamp.modifiedTime); code != 0)
    return ReportWriteFailure(run, entry.name, code);
  if (!entry.linkTarget.empty()) LinkEarlierName(run, entry, outputName, output, writer);
  ++run.report.entriesDone;
  return true;
}

// A file too large to hold whole, from a format that keeps its stored bytes
// in one place: read through a file of its own, decoded and written on the
// save pool's threads while the walk goes on. A cancel stops it within a
// piece and leaves no file. False when the walk must end.
bool StreamElsewhere(const ExtractRun& run, SavePool& output, const PayloadExtent& extent,
                     const std::string& outputName, const Entry& entry) {
  const std::string archive = run.request.archive, password = run.request.password;
  return output.Stream(outputName, entry.name, StampOf(run, entry), [archive, password, extent, &output](FileBeneath& out) {
    DataFile file;
    if (IoError error = OpenExisting(file, archive, Access::kRead)) throw EInOutError(std::move(error));
    CipherHolder none;
    const std::unique_ptr<EntryContent> content = ExtentContent(file, extent, password, none);
    std::string piece;
    for (bool more = true; more;) {
      if (output.Cancelled()) return kSaveCancelled;
      piece.clear();
      more = content->Next(piece);
      if (const int code = out.Write(piece.data(), piece.size()); code != 0) return code;
    }
    return content->Verified() ? 0 : kContentUnverified;
  });
}

// A link is made only where its target stays inside the destination; a test
// checks it the same way and makes nothing. False when the walk must end.
bool MakeLinkEntry(const ExtractRun& run, const Entry& entry, const std::string& outputName,
                   const std::string& target, SavePool& output, BeneathWriter& writer) {
  if (const std::string refusal = LinkTargetRefusal(outputName, target); !refusal.empty()) {
    run.report.Add(entry.name, FailureKind::kRefused, refusal);
    return true;
  }
  if (!run.request.testOnly) {
    output.Settle(outputName);
    if (const int code = writer.MakeLink(outputName, target); code != 0)
      return ReportWriteFailure(run, entry.name, code);
  }
  ++run.report.entriesDone;
  return true;
}

// A hard link is made only to a file this extraction can reach below the
// destination, normally the earlier entry of that name; a test makes
// nothing. False when the walk must end.
bool MakeHardLinkEntry(const ExtractRun& run, const Entry& entry, const std::string& outputName, SavePool& output,
                       BeneathWriter& writer) {
  const EntryPath target = HardLinkTargetOf(entry.linkTarget);
  if (target.kind == EntryPathKind::kRefused) {
    run.report.Add(entry.name, FailureKind::kRefused, target.refusal);
    return true;
  }
  if (!run.request.testOnly) {
    const std::string placedTarget = Placed(run, target.relative);
    output.Settle(placedTarget);
    output.Settle(outputName);
    const int code = writer.MakeHardLink(outputName, placedTarget);
    if (code == ENOENT || code == EPERM) {
      run.report.Add(entry.name, FailureKind::kRefused,
                     "its link target " + entry.linkTarget + " is no file extracted here");
      return true;
    }
    if (code != 0) return ReportWriteFailure(run, entry.name, code);
  }
  ++run.report.entriesDone;
  return true;
}

// What a device, FIFO or socket entry is called; null for any other entry.
const char* SpecialFileKind(EntryType type) {
  switch (type) {
    case EntryType::kDevice: return "a device";
    case EntryType::kFifo: return "a FIFO";
    case EntryType::kSocket: return "a socket";
    default: return nullptr;
  }
}

// The folder below the destination that holds the file ("" the destination).
std::string FolderOf(const std::string& outputName) {
  const std::size_t last = outputName.rfind('\\');
  return last == std::string::npos ? "" : outputName.substr(0, last);
}

// Without folders, an entry whose name an earlier one took: written over it
// as over an existing file, or not, and reported either way, so neither is
// lost unseen. False when it is not to be written.
bool TakeFlatName(const ExtractRun& run, const Entry& entry, const std::string& listedName,
                  const std::string& outputName, SavePool& output) {
  if (run.request.keepFolders || run.request.testOnly) return true;
  const auto [taken, fresh] = run.flatNames.emplace(outputName, entry.name);
  if (fresh) return true;
  // The earlier entry's file may still be on its way.
  output.Settle(outputName);
  const std::string earlier = taken->second;
  if (!MayWrite(run, listedName, outputName)) {
    run.report.Add(entry.name, FailureKind::kRefused, "not extracted: " + earlier + " was extracted under its name");
    return false;
  }
  run.report.Add(entry.name, FailureKind::kRefused, "written over " + earlier + ", extracted under the same name");
  taken->second = entry.name;
  return true;
}

// The entry's whole payload when it is small and its format offers it.
bool TakeWhole(Reader& reader, const Entry& entry, WholePayload& payload) {
  return entry.packedSize <= kWholePacked && entry.originalSize <= kWholeOriginal && reader.Whole(payload);
}

// One entry of the walk; false when the walk must end.
bool ExtractEntry(const ExtractRun& run, Reader& reader, DataFile& file, const Entry& entry, const Damage& damage,
                  CipherHolder& cipher, SavePool& output, BeneathWriter& writer) {
  // The lists name entries with "\" between folders.
  const std::string listedName = ConvertPathSeparators(entry.name, true);
  const bool wanted = run.selection.Empty() || run.selection.Contains(listedName);
  if (damage.kind != EntryDamage::kNone) {
    // Damage at no named entry may hide any entry, selected or not.
    if (wanted || entry.name.empty()) ReportDamage(run, entry, damage);
    return true;
  }
  // Comes before the selection: an enciphered entry stops the walk even
  // when it is not selected; one that cannot be decoded needs no password.
  if (entry.encrypted && run.request.password.empty() && entry.undecodable.empty()) {
    run.report.Add(entry.name, FailureKind::kNoPassword, "it is enciphered and no password was given");
    return false;
  }
  const EntryPath path = EntryPathOf(entry.name);
  if (!wanted || path.kind == EntryPathKind::kDestination) return true;
  if (path.kind == EntryPathKind::kRefused) {
    run.report.Add(entry.name, FailureKind::kRefused, path.refusal);
    return true;
  }
  // Devices and the like would give whoever reads the folder access to
  // the system; a test has nothing to check in them.
  if (const char* kind = SpecialFileKind(entry.type)) {
    if (run.request.testOnly) ++run.report.entriesDone;
    else run.report.Add(entry.name, FailureKind::kRefused, std::string("not extracted: ") + kind);
    return true;
  }
  const std::string outputName = Placed(run, path.relative);
  // A folder entry names no file, whatever data it carries.
  if (path.kind == EntryPathKind::kFolder) {
    return run.request.testOnly || !run.request.keepFolders || MakeFolderEntry(run, entry, outputName, output, writer);
  }
  if (!run.request.overwrite) output.Settle(outputName);
  if (!TakeFlatName(run, entry, listedName, outputName, output)) return true;
  if (!MayWrite(run, listedName, outputName)) return true;
  if (!entry.undecodable.empty()) {
    run.report.Add(entry.name, FailureKind::kUnsupported, entry.undecodable);
    return true;
  }
  if (!NameFits(run, outputName)) {
    run.report.Add(entry.name, FailureKind::kRefused, IoReasonText(ENAMETOOLONG));
    return true;
  }
  if (entry.type == EntryType::kHardLink) return MakeHardLinkEntry(run, entry, outputName, output, writer);
  const bool link = entry.type == EntryType::kSymbolicLink;
  WholePayload whole;
  const bool inMemory = TakeWhole(reader, entry, whole);
  // A format that streams its content tells a link's target in its header.
  if (link && !inMemory && entry.linkTarget.empty()) {
    run.report.Add(entry.name, FailureKind::kRefused, "its link target is too long for the file system");
    return true;
  }
  run.writtenFolders.insert(FolderOf(outputName));
  if (link && !inMemory) return MakeLinkEntry(run, entry, outputName, entry.linkTarget, output, writer);
  PayloadExtent extent;
  if (!inMemory && !link && !run.request.testOnly && entry.linkTarget.empty() && reader.Extent(extent) &&
      extent.coding.cipher != PayloadCipher::kCast256)
    return StreamElsewhere(run, output, extent, outputName, entry);
  if (!inMemory) return StreamEntry(run, reader, file, entry, cipher, output, writer, outputName);
  std::string& data = whole.stored;
  // Decoded where it is written, on the save pool's threads, unless it is a
  // link, a test, or enciphered with CAST-256, whose cipher the walk keeps
  // from entry to entry.
  if (!link && !run.request.testOnly && whole.coding.cipher != PayloadCipher::kCast256) {
    const std::string password = run.request.password;
    const PayloadCoding coding = whole.coding;
    const SaveDecode decode = [password, coding](std::string& content) {
      CipherHolder none;
      return DecodePayload(password, coding, content, none);
    };
    return output.Save(std::move(data), outputName, entry.name, StampOf(run, entry), decode,
                       static_cast<std::size_t>(entry.originalSize));
  }
  if (!DecodePayload(run.request.password, whole.coding, data, cipher)) {
    run.report.Add(entry.name, FailureKind::kCheckFailed, kCheckFailedText);
    return true;
  }
  if (link) return MakeLinkEntry(run, entry, outputName, data, output, writer);
  return HandOver(run, output, std::move(data), outputName, entry);
}

// A read of the archive that failed: a file that ends too early is damaged;
// any other failure is the system's.
void ReportReadFailure(const ExtractRun& run, const std::string& entryName, int code) {
  run.report.Add(entryName.empty() ? run.request.archive : entryName,
                 code == kIoReadPastEnd ? FailureKind::kDamaged : FailureKind::kNotWritten,
                 "reading the archive failed: " + IoReasonText(code));
}

// Entries are checked in order; a checked file is written on another thread
// while the next entry decodes. An entry that fails its check or is damaged
// is reported and the walk goes on; only a write failure of the destination
// as a whole, a missing password and a cancel end it, and no file is handed
// over after that.
void WalkEntries(const ExtractRun& run, Reader& reader, DataFile& file) {
  CipherHolder cipher;
  // One writer for the pool and the walk: each folder is entered once.
  BeneathWriter writer(run.destination);
  SavePool output(writer, CodingPool::Cores());
  Entry entry;
  Damage damage;
  ProgressSnapshot& progress = run.progress;
  progress.bytesTotal = static_cast<std::uint64_t>(FileSize64(file));
  progress.entriesTotal = reader.EntriesKnown();
  try {
    while (!(run.report.cancelled = run.observer.CancelRequested()) && reader.Next(entry, damage)) {
      progress.currentEntry = entry.name;
      run.observer.Progress(progress);
      if (!ExtractEntry(run, reader, file, entry, damage, cipher, output, writer)) break;
      progress.bytesDone = static_cast<std::uint64_t>(FilePos64(file));
      ++progress.entriesDone;
    }
  } catch (const EInOutError& e) {
    ReportReadFailure(run, entry.name, e.Code());
  }
  if (run.report.cancelled) output.Cancel();
  output.Finish();
  // What an extraction killed here before left behind.
  if (!run.request.testOnly) {
    run.writtenFolders.insert("");
    for (const std::string& folder : run.writtenFolders) writer.RemoveStaleParts(folder);
  }
  StampFolders(run, writer);
  run.report.entriesDone += output.Written();
  for (const SaveFailure& failure : output.Failures()) {
    if (failure.reading) ReportReadFailure(run, failure.entryName, failure.code);
    else if (failure.code == kContentUnverified) run.report.Add(failure.entryName, FailureKind::kCheckFailed, kCheckFailedText);
    else ReportWriteFailure(run, failure.entryName, failure.code);
  }
  progress.bytesDone = progress.bytesTotal;
  run.observer.Progress(progress);
}

// The extraction from an archive the format read.
void ExtractWith(const ExtractRequest& request, const Format& format, DataFile& file, OperationReport& report,
                 OperationObserver& observer) {
  ProgressSnapshot progress;
  std::vector<MadeFolder> folders;
  std::set<std::string> writtenFolders;
  std::map<std::string, std::string> flatNames;
  const std::vector<std::string> names = ListedNames(request);
  ExtractRun run{request, SetTrailingSeparator(request.destination, true, false), SelectionSet(request.selection, names),
                 SelectionSet(request.keepList, names), report, observer, progress, folders, writtenFolders, flatNames};
  if (!request.testOnly && !FolderExists(run.destination)) ForceFolders(run.destination);
  if (!request.testOnly && !FolderExists(run.destination)) {
    report.Add("", FailureKind::kNotWritten, "cannot create folder " + request.destination);
    return;
  }
  try {
    WalkEntries(run, *format.Read(file, request.archive, request.password), file);
  } catch (const EInOutError& e) {
    ReportReadFailure(run, "", e.Code());
  }
}

}  // namespace

OperationReport ExtractFromArchive(const ExtractRequest& request, OperationObserver& observer) {
  OperationReport report;
  if (request.archive.empty() || (request.destination.empty() && !request.testOnly)) {
    report.Add("", FailureKind::kNotWritten, "no archive or no destination folder given");
    return report;
  }
  DataFile file;
  if (!OpenArchiveForReading(file, request.archive)) {
    report.Add("", FailureKind::kNotWritten, "cannot open archive " + request.archive);
    return report;
  }
  // A file no format reads gets no destination folder either.
  FormatProblem problem;
  const Format* format = Identify(file, problem);
  if (format) ExtractWith(request, *format, file, report, observer);
  else report.Add(request.archive, FailureKind::kRefused, problem.Text());
  try {
    ThrowIfFailed(CloseDataFile(file));
  } catch (...) {
  }
  return report;
}

}  // namespace ovk
