// Packing source files as the next entries of the archive: read in the
// walk's order, compressed on the coding threads, enciphered and written in
// the walk's order again, so the archive is byte for byte a one-by-one run's.
#include <algorithm>
#include <cerrno>
#include <exception>
#include <string>

#include "engine/AddSession.h"
#include "engine/Archive.h"
#include "engine/EngineMessages.h"
#include "support/DosTime.h"

namespace ovk {

namespace {

constexpr std::uint32_t kModeTypeMask = 0170000;
constexpr std::uint32_t kModeRegular = 0100000;
// Content bytes the files in flight may hold together.
constexpr std::uint64_t kPendingBudget = 16u << 20;
// A name cut to fit would store several files under one name.
std::string NameTooLongText(const AddSession& s, const std::string& storedName) {
  return "its stored name is " + std::to_string(storedName.size()) + " bytes long, the " +
         std::string(s.format->Name()) + " format holds names of at most " +
         std::to_string(s.writer->LongestName()) + " bytes";
}

// The largest content, rounded up to whole GiB, as a refusal names it.
std::string LimitText(std::uint64_t largest) { return std::to_string((largest >> 30) + 1) + " GiB"; }

void WriteEntry(AddSession& s, const PendingFile& f, const EntrySizes& sizes) {
  const auto position = static_cast<std::uint64_t>(FilePos64(s.archive));
  const std::string header = s.writer->HeaderBytes(f.entry, sizes, position);
  WriteBlock(s.archive, header.data(), header.size());
  if (!f.data.empty()) WriteBlock(s.archive, f.data.data(), f.data.size());
  s.writer->Written(f.entry, sizes, position);
}

// The open source's checks and content (a large one is only noted: it is
// read when its turn comes); what fails here is reported when the file's
// turn to be written comes.
void ReadOpenSource(const AddSession& s, DataFile& source, PendingFile& f) {
  f.entry.mode = FileMode(source);
  f.entry.modifiedTime = FileModifiedTime(source);
  const std::int64_t size = FileSize64(source);
  if ((f.entry.mode & kModeTypeMask) != kModeRegular) {
    f.refusal = OpenFailureText(EINVAL);
    return;
  }
  if (static_cast<std::uint64_t>(size) > s.writer->LargestContent()) {
    f.refusal = "larger than " + LimitText(s.writer->LargestContent()) + ", which this archive cannot hold";
    return;
  }
  f.entry.header.time = UnixToDosTime(static_cast<std::time_t>(f.entry.modifiedTime));
  f.entry.header.originalSize = static_cast<std::uint32_t>(std::min<std::int64_t>(size, 0xFFFFFFFF));
  f.entry.header.flags = 0;
  f.size = static_cast<std::uint64_t>(size);
  f.streamed = f.size > kWholeCompressionBytes;
  if (f.streamed) {
    ThrowIfFailed(CloseDataFile(source));
    return;
  }
  f.data.resize(static_cast<std::size_t>(size));
  if (size > 0) ReadBlock(source, f.data.data(), f.data.size());
  ThrowIfFailed(CloseDataFile(source));
}

void WriteOldestPending(AddSession& s);

// Memory stays bounded: a few files in flight, holding together no more than
// the budget (a file held whole is smaller than it).
void MakeRoom(AddSession& s, std::uint64_t weight) {
  const std::size_t most = CodingPool::Cores() + 1;
  while (!s.pending.empty() && (s.pending.size() >= most || s.pendingBytes + weight > kPendingBudget)) {
    WriteOldestPending(s);
  }
}

void ReadSource(AddSession& s, PendingFile& f) {
  DataFile source;
  const int openError = OpenExisting(source, f.fullPath, Access::kRead).code;
  if (openError != 0) f.refusal = OpenFailureText(openError);
  // A file read when written holds no content while it waits.
  const std::int64_t size = openError == 0 ? FileSize64(source) : 0;
  const bool held = size <= static_cast<std::int64_t>(kWholeCompressionBytes);
  f.weight = held ? static_cast<std::uint64_t>(std::max<std::int64_t>(size, 0)) : 0;
  MakeRoom(s, f.weight);
  if (openError != 0) return;
  try {
    ReadOpenSource(s, source, f);
  } catch (const std::exception&) {
    f.failure = std::current_exception();
  }
}

// The last steps of packing a file, in the walk's order: encipherment (which
// draws from the operation's cipher or random source) and the write.
void WriteCoded(AddSession& s, PendingFile& f) {
  if (f.failure) std::rethrow_exception(f.failure);
  if (f.streamed) {
    s.writer->ReleaseOldEnd();
    WriteStreamedEntry(s, f);
  } else {
    f.coded.get();
    EncipherPayload(s.choices.password, f.plan, f.entry.header, f.data, s.cipher);
    const EntrySizes sizes{f.entry.header.originalSize, f.data.size(), false};
    if (!s.writer->Fits(sizes)) throw EntryTooLarge();
    s.writer->ReleaseOldEnd();
    WriteEntry(s, f, sizes);
  }
  if (s.move) DeleteFileByName(f.fullPath);
}

void WritePending(AddSession& s, PendingFile& f) {
  bool added = false;
  if (!f.refusal.empty()) {
    s.report->Add(f.fullPath, FailureKind::kRefused, f.refusal);
  } else {
    const std::int64_t entryStart = FilePos64(s.archive);
    const std::size_t mark = s.writer->Mark();
    try {
      WriteCoded(s, f);
      added = true;
    } catch (const AddCancelled&) {
      throw;
    } catch (const EInOutError& e) {
      s.report->Add(f.fullPath, FailureKind::kNotWritten, IoReasonText(e.Code()));
      CutArchiveBack(s, entryStart, mark);
    } catch (const std::exception& e) {
      s.report->Add(f.fullPath, FailureKind::kNotWritten, e.what());
      CutArchiveBack(s, entryStart, mark);
    }
  }
  if (added) {
    ++s.added;
    s.completeEnd = FilePos64(s.archive);
    s.completeMark = s.writer->Mark();
  }
  s.progress.bytesDone += f.size - f.progressed;
  ++s.progress.entriesDone;
  s.progress.currentEntry = ConvertPathSeparators(f.entry.storedName, false);
  s.observer->Progress(s.progress);
}

void WriteOldestPending(AddSession& s) {
  std::unique_ptr<PendingFile> f = std::move(s.pending.front());
  s.pending.pop_front();
  s.pendingBytes -= f->weight;
  try {
    WritePending(s, *f);
  } catch (...) {
    s.writeEscaped = true;
    throw;
  }
}

}  // namespace

void CutArchiveBack(AddSession& s, std::int64_t end, std::size_t mark) {
  s.writer->CutBack(mark);
  if (FilePos64(s.archive) == end) return;  // nothing of the entry reached the file
  TruncateDataFile(s.archive, end);
  Seek64(s.archive, end);
}

void FinishPendingFiles(AddSession& s) {
  while (!s.pending.empty()) WriteOldestPending(s);
}

void AddOneFile(AddSession& s, const std::string& fullPath, const std::string& storedName) {
  if (s.whole) {
    AddWholeFile(s, fullPath, storedName);
    return;
  }
  if (s.observer->CancelRequested()) throw AddCancelled();
  auto f = std::make_unique<PendingFile>();
  f->fullPath = fullPath;
  f->entry.storedName = storedName;
  if (storedName.size() > s.writer->LongestName()) f->refusal = NameTooLongText(s, storedName);
  try {
    if (f->refusal.empty()) ReadSource(s, *f);
  } catch (...) {
    // What escapes here escaped a sequential run after the earlier files.
    if (!s.writeEscaped) FinishPendingFiles(s);
    throw;
  }
  if (f->refusal.empty() && !f->failure && !f->streamed) {
    if (!s.pool) s.pool = std::make_unique<CodingPool>(CodingPool::Cores());
    PendingFile* p = f.get();
    p->plan = s.writer->Plan();
    p->coded = s.pool->Run([p] { CompressPayload(p->plan, p->entry.header, p->data); });
  }
  s.pendingBytes += f->weight;
  s.pending.push_back(std::move(f));
}

}  // namespace ovk
