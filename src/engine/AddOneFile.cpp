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
#include "coding/CipherStage.h"
#include "coding/PayloadEncoder.h"
#include "coding/WinZipAes.h"
#include "support/DosTime.h"
#include "support/SystemRandom.h"

namespace ovk {

namespace {

// The native container's sizes are 32-bit and its packed size is signed.
constexpr std::int64_t kLargestNativeSource = 0x7FFFFFFF;
constexpr std::uint32_t kModeTypeMask = 0170000;
constexpr std::uint32_t kModeRegular = 0100000;
// Content bytes the files in flight may hold together.
constexpr std::uint64_t kPendingBudget = 16u << 20;
// Bytes of the name field: one length byte in the native container, 16 bits in ZIP.
constexpr std::size_t kLongestNativeName = 0xFF;
constexpr std::size_t kLongestZipName = 0xFFFF;

std::size_t LongestName(const ArchiveInfo& info) {
  return info.kind == kKindNative ? kLongestNativeName : kLongestZipName;
}

// A name cut to fit would store several files under one name.
std::string NameTooLongText(const AddSession& s, const std::string& storedName) {
  return "its stored name is " + std::to_string(storedName.size()) + " bytes long, the " +
         (s.info.kind == kKindNative ? "native container" : "ZIP format") + " holds names of at most " +
         std::to_string(LongestName(s.info)) + " bytes";
}

void WriteEntry(AddSession& s, const PendingFile& f) {
  const auto packedSize = static_cast<std::uint32_t>(f.data.size());
  if (s.info.kind == kKindNative) {
    const std::string bytes = NativeEntryHeaderBytes(f.storedName, f.header, packedSize);
    WriteBlock(s.archive, bytes.data(), bytes.size());
  } else {
    WriteZipLocalHeader(s.archive, f.storedName, f.header, packedSize, &s.directory, NewEntryAttributes(s, f));
  }
  if (!f.data.empty()) WriteBlock(s.archive, f.data.data(), f.data.size());
}

// The open source's checks and content (a large one is only noted: it is
// read when its turn comes); what fails here is reported when the file's
// turn to be written comes.
void ReadOpenSource(const AddSession& s, DataFile& source, PendingFile& f) {
  f.mode = FileMode(source);
  f.modifiedTime = FileModifiedTime(source);
  const std::int64_t size = FileSize64(source);
  if ((f.mode & kModeTypeMask) != kModeRegular) {
    f.refusal = OpenFailureText(EINVAL);
    return;
  }
  if (s.info.kind == kKindNative && size > kLargestNativeSource) {
    f.refusal = "larger than 2 GiB, which this archive cannot hold";
    return;
  }
  f.header.time = UnixToDosTime(static_cast<std::time_t>(f.modifiedTime));
  f.header.originalSize = static_cast<std::uint32_t>(std::min<std::int64_t>(size, 0xFFFFFFFF));
  f.header.flags = 0;
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

void EncipherAes(const AddSession& s, std::string& payload) {
  const auto stage = MakeAesEncipher(s.password, kAesStrength256, NewAesSalt());
  std::string out;
  stage->Encipher(payload, out);
  stage->Finish(out);
  payload.swap(out);
}

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
    CutOldDirectory(s);
    WriteStreamedEntry(s, f);
  } else {
    f.coded.get();
    if (WritesAes(s)) {
      EncipherAes(s, f.data);
    } else {
      EncipherPayload(s.password, s.info, f.header, f.data, s.cipher);
    }
    if (static_cast<std::int64_t>(f.data.size()) > kLargestNativeSource) throw EntryTooLarge();
    CutOldDirectory(s);
    WriteEntry(s, f);
  }
  if (s.move) DeleteFileByName(f.fullPath);
}

void WritePending(AddSession& s, PendingFile& f) {
  bool added = false;
  if (!f.refusal.empty()) {
    s.report->Add(f.fullPath, FailureKind::kRefused, f.refusal);
  } else {
    const std::int64_t entryStart = FilePos64(s.archive);
    const std::size_t directorySize = s.directory.size();
    try {
      WriteCoded(s, f);
      added = true;
    } catch (const AddCancelled&) {
      throw;
    } catch (const EInOutError& e) {
      s.report->Add(f.fullPath, FailureKind::kNotWritten, IoReasonText(e.Code()));
      CutArchiveBack(s, entryStart, directorySize);
    } catch (const std::exception& e) {
      s.report->Add(f.fullPath, FailureKind::kNotWritten, e.what());
      CutArchiveBack(s, entryStart, directorySize);
    }
  }
  if (added) {
    ++s.added;
    s.completeEnd = FilePos64(s.archive);
    s.completeDirectorySize = s.directory.size();
  }
  s.progress.bytesDone += f.size - f.progressed;
  ++s.progress.entriesDone;
  s.progress.currentEntry = ConvertPathSeparators(f.storedName, false);
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

std::string NewAesSalt() { return SystemRandomBytes(AesSaltLength(kAesStrength256)); }

// Unix host and the file's mode, so Unix peers keep names and permissions.
ZipEntryAttributes NewEntryAttributes(const AddSession& s, const PendingFile& f) {
  ZipEntryAttributes attributes;
  attributes.versionMadeBy = kUnixVersionMadeBy;
  attributes.externalAttributes = (f.mode & 0xFFFF) << 16;
  attributes.modifiedTime = f.modifiedTime;
  if (WritesAes(s)) attributes.aesStrength = kAesStrength256;
  return attributes;
}

// A run killed after the cut leaves nothing behind the entries it wrote but
// their own bytes (the next append tells the complete ones by their extent),
// and one killed earlier leaves the archive as it was.
void CutOldDirectory(AddSession& s) {
  if (!s.oldDirectoryOnFile) return;
  TruncateDataFile(s.archive, FilePos64(s.archive));
  s.oldDirectoryOnFile = false;
}

void CutArchiveBack(AddSession& s, std::int64_t end, std::size_t directorySize) {
  s.directory.resize(directorySize);
  if (FilePos64(s.archive) == end) return;  // nothing of the entry reached the file
  TruncateDataFile(s.archive, end);
  Seek64(s.archive, end);
}

void FinishPendingFiles(AddSession& s) {
  while (!s.pending.empty()) WriteOldestPending(s);
}

void AddOneFile(AddSession& s, const std::string& fullPath, const std::string& storedName) {
  if (s.observer->CancelRequested()) throw AddCancelled();
  auto f = std::make_unique<PendingFile>();
  f->fullPath = fullPath;
  f->storedName = storedName;
  if (storedName.size() > LongestName(s.info)) f->refusal = NameTooLongText(s, storedName);
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
    p->coded = s.pool->Run([&s, p] { CompressPayload(s.password, s.info, p->header, p->data, s.level); });
  }
  s.pendingBytes += f->weight;
  s.pending.push_back(std::move(f));
}

}  // namespace ovk
