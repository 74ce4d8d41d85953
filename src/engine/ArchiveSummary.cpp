#include "engine/ArchiveSummary.h"

#include <algorithm>
#include <set>

#include "engine/Archive.h"
#include "engine/EntryPath.h"
#include "engine/format/Registry.h"
#include "support/FileUnit.h"

namespace ovk {

namespace {

void AddDistinct(std::vector<std::string>& list, const std::string& item) {
  if (!item.empty() && std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

// The folders an entry is or lies in, as extraction would make them.
void AddFolders(const Entry& entry, std::set<std::string>& folders) {
  const EntryPath path = EntryPathOf(ConvertPathSeparators(entry.name, true));
  if (path.kind != EntryPathKind::kFile && path.kind != EntryPathKind::kFolder) return;
  for (std::size_t cut = path.relative.find('\\'); cut != std::string::npos; cut = path.relative.find('\\', cut + 1))
    folders.insert(path.relative.substr(0, cut));
  if (path.kind == EntryPathKind::kFolder) folders.insert(path.relative);
}

bool IsFileOrLink(EntryType type) {
  return type == EntryType::kFile || type == EntryType::kSymbolicLink || type == EntryType::kHardLink;
}

// The archive file's size and time, and whether its format keeps a comment.
void ReadArchiveFile(const std::string& archivePath, ArchiveSummary& summary) {
  DataFile file;
  if (OpenExisting(file, archivePath, Access::kRead)) return;
  try {
    summary.archiveBytes = static_cast<std::uint64_t>(FileSize64(file));
    summary.archiveModified = FileModifiedTime(file);
    FormatProblem problem;
    const Format* format = Identify(file, problem);
    summary.commentEditable = format && format->Can(Capability::kComment);
  } catch (const EInOutError&) {
    // Left at what was read.
  }
}

}  // namespace

ArchiveSummary SummarizeArchive(const std::string& archivePath, const ListResult& listed) {
  ArchiveSummary summary;
  summary.format = listed.format;
  summary.comment = listed.comment;
  std::set<std::string> folders;
  for (const Entry& entry : listed.entries) {
    AddFolders(entry, folders);
    if (entry.encrypted) AddDistinct(summary.ciphers, entry.cipher);
    if (!IsFileOrLink(entry.type)) continue;
    ++summary.files;
    AddDistinct(summary.methods, entry.method);
    summary.originalBytes += entry.originalSize;
    summary.packedBytes += entry.packedSize;
    summary.packedKnown = summary.packedKnown && entry.packedKnown;
  }
  summary.folders = folders.size();
  ReadArchiveFile(archivePath, summary);
  return summary;
}

}  // namespace ovk
