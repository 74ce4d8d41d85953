// Changing an archive without adding files: renaming entries, an empty
// folder entry, the comment; and what the window reads of one: its summary,
// a flat extraction, the suggested destination.
#include <gtest/gtest.h>

#include "ArchiveBytes.h"
#include "WriteTestUtil.h"
#include "common/TestUtil.h"
#include "engine/AddFolderEntry.h"
#include "engine/ArchiveComment.h"
#include "engine/ArchiveSummary.h"
#include "engine/ExtractFromArchive.h"
#include "engine/ExtractHere.h"
#include "engine/ListArchive.h"
#include "engine/RenameInArchive.h"
#include "support/FileUnit.h"

namespace ovktest {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

const FileTree kContent = {{"a.txt", "alpha\n"}, {"docs/b.txt", std::string(3000, 'b')}, {"docs/in/c.txt", "c"}};

// A stored entry whose sizes its ZIP64 fields hold.
ZipEntryFields Zip64Entry(const std::string& name, const std::string& content) {
  ZipEntryFields e = ZipEntry(name, content, true);
  e.localExtra = e.centralExtra = Zip64Extra({content.size(), content.size()});
  e.compressedSize = e.uncompressedSize = 0xFFFFFFFF;
  return e;
}

// The same three files in an archive of the format ("zip" with a stored, a
// deflated, a traditionally enciphered entry, and besides them an AES
// enciphered one and one with ZIP64 sizes).
std::string MakeArchive(const TempDir& dir, const std::string& format) {
  const std::string archive = dir / ("old." + format);
  if (format == "zip") {
    WriteFile(archive, BuildZip({ZipEntry("a.txt", kContent.at("a.txt"), true),
                                 ZipEntry("docs/b.txt", kContent.at("docs/b.txt")),
                                 ZipCryptoEntry("docs/in/c.txt", "c", "pw", false),
                                 AesEntry("secret.txt", "s", "pw", 2, false), Zip64Entry("z64.txt", "zz")}));
    return archive;
  }
  for (const auto& [name, content] : kContent) WriteFile(dir / ("src/" + name), content);
  AddOptions o;
  o.format = format;
  EXPECT_TRUE(Add(archive, dir / "src/*", o));
  return archive;
}

FileTree Extracted(const std::string& archive, const std::string& folder) {
  const Extraction x = ExtractAll(archive, folder, "pw");
  EXPECT_TRUE(x.ok) << (x.lines.empty() ? "" : x.lines.front());
  FileTree tree = ReadTree(folder);
  for (const auto& [name, content] : {std::pair{"secret.txt", "s"}, std::pair{"z64.txt", "zz"}}) {
    if (tree.count(name) != 0) {
      EXPECT_EQ(tree[name], content);
    }
    tree.erase(name);
  }
  return tree;
}

// The stored bytes behind each local header, in file order.
std::vector<std::string> Payloads(const std::string& zip) {
  std::vector<std::string> payloads;
  for (std::size_t at = 0; Field32(zip, at) == 0x04034B50;) {
    const std::size_t start = at + 30 + Field16(zip, at + 26) + Field16(zip, at + 28);
    const std::uint32_t size = Field32(zip, at + 18);
    // ZIP64: the packed size is the field's second value.
    payloads.push_back(zip.substr(start, size != 0xFFFFFFFF ? size : Field32(zip, start - 8)));
    at = start + payloads.back().size();
  }
  return payloads;
}

ovk::OperationReport Rename(const std::string& archive, const Pairs& pairs) {
  return ovk::RenameInArchive(ovk::RenameRequest{archive, pairs}, ovk::SilentObserver());
}

TEST(ArchiveEditTest, RenamesKeepEveryByteButTheNamesAndRefuseWhatCannotStand) {
  struct Case {
    std::string label;
    Pairs pairs;
    FileTree expected;  // empty: refused, the archive unchanged
  };
  const std::vector<Case> cases = {
      {"a file into a new folder, not ASCII", {{"a.txt", "new/á b.txt"}},
       {{"new/á b.txt", "alpha\n"}, {"docs/b.txt", kContent.at("docs/b.txt")}, {"docs/in/c.txt", "c"}}},
      {"a folder with all it holds", {{"docs/", "papers"}},
       {{"a.txt", "alpha\n"}, {"papers/b.txt", kContent.at("docs/b.txt")}, {"papers/in/c.txt", "c"}}},
      {"two names swapped", {{"a.txt", "docs/b.txt"}, {"docs/b.txt", "a.txt"}},
       {{"docs/b.txt", "alpha\n"}, {"a.txt", kContent.at("docs/b.txt")}, {"docs/in/c.txt", "c"}}},
      {"taken", {{"a.txt", "docs/b.txt"}}, {}},
      {"a folder's name", {{"a.txt", "docs"}}, {}},
      {"inside a file", {{"docs/b.txt", "a.txt/b.txt"}}, {}},
      {"climbing", {{"a.txt", "../a.txt"}}, {}},
      {"absolute", {{"a.txt", "/tmp/a.txt"}}, {}},
      {"empty", {{"a.txt", ""}}, {}},
      {"not in the archive", {{"nope.txt", "x.txt"}}, {}},
      {"one good, one bad", {{"a.txt", "z.txt"}, {"nope.txt", "y.txt"}}, {}},
  };
  for (const std::string format : {"zip", "tar.gz", "7z"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(format + ": " + c.label);
      TempDir dir;
      const std::string archive = MakeArchive(dir, format);
      const std::string before = ReadFile(archive);
      const ovk::OperationReport report = Rename(archive, c.pairs);
      if (c.expected.empty()) {
        EXPECT_FALSE(report.failures.empty());
        EXPECT_EQ(ReadFile(archive), before);
        continue;
      }
      ASSERT_TRUE(report.failures.empty()) << report.Lines().front();
      EXPECT_EQ(Extracted(archive, dir / "out"), c.expected);
      if (format == "zip") {
        EXPECT_EQ(Payloads(ReadFile(archive)), Payloads(before));
      }
    }
  }
}

TEST(ArchiveEditTest, NativeArchivesRefuseRenamingByName) {
  TempDir dir;
  WriteFile(dir / "src/a.txt", "a");
  AddOptions o;
  o.native = true;
  ASSERT_TRUE(Add(dir / "n.ovk", dir / "src", o));
  const std::string before = ReadFile(dir / "n.ovk");
  const ovk::OperationReport report = Rename(dir / "n.ovk", {{"a.txt", "b.txt"}});
  ASSERT_EQ(report.failures.size(), 1u);
  EXPECT_NE(report.failures[0].reason.find("renamed only in"), std::string::npos) << report.failures[0].reason;
  EXPECT_EQ(ReadFile(dir / "n.ovk"), before);
}

ovk::ListResult ListWithFolders(const std::string& archive) {
  return ovk::ListArchive(ovk::ListRequest{archive, true}, ovk::SilentObserver());
}

TEST(ArchiveEditTest, CommentIsSetReadAndClearedInZipOnly) {
  TempDir dir;
  const std::string zip = MakeArchive(dir, "zip");
  for (const std::string& comment : {std::string("first line\nsecond"), std::string(65535, 'c'), std::string()}) {
    ASSERT_TRUE(ovk::SetArchiveComment(zip, comment, ovk::SilentObserver()).failures.empty());
    EXPECT_EQ(ListWithFolders(zip).comment, comment);
    EXPECT_EQ(Extracted(zip, dir / ("out" + std::to_string(comment.size()))).size(), 3u);
  }
  const std::string tar = MakeArchive(dir, "tar.gz");
  for (const auto& [archive, comment] : {std::pair{zip, std::string(65536, 'c')}, std::pair{zip, std::string("PK\x05\x06")},
                                         std::pair{tar, std::string("hi")}}) {
    const std::string before = ReadFile(archive);
    EXPECT_FALSE(ovk::SetArchiveComment(archive, comment, ovk::SilentObserver()).failures.empty());
    EXPECT_EQ(ReadFile(archive), before);
  }
}

TEST(ArchiveEditTest, FolderEntriesAreAddedWhereTheFormatKeepsThem) {
  struct Case {
    std::string label, format, folder;
    bool added;
  };
  const std::vector<Case> cases = {
      {"zip", "zip", "new/sub", true},        {"tar.gz", "tar.gz", "new/sub/", true},
      {"7z", "7z", "new/", true},             {"taken by a folder", "zip", "docs/", false},
      {"taken by a file", "zip", "a.txt", false}, {"climbing", "zip", "../up/", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir dir;
    const std::string archive = MakeArchive(dir, c.format);
    const std::string before = ReadFile(archive);
    const ovk::OperationReport report = ovk::AddFolderEntry(archive, c.folder, ovk::SilentObserver());
    EXPECT_EQ(report.failures.empty(), c.added);
    if (!c.added) {
      EXPECT_EQ(ReadFile(archive), before);
      continue;
    }
    const ovk::ListResult listed = ListWithFolders(archive);
    const std::string wanted = c.folder.back() == '/' ? c.folder : c.folder + "/";
    EXPECT_TRUE(std::any_of(listed.entries.begin(), listed.entries.end(), [&](const ovk::Entry& e) {
      return e.name == wanted && e.type == ovk::EntryType::kFolder;
    }));
    ExtractAll(archive, dir / "out", "pw");
    EXPECT_TRUE(ovk::FolderExists(dir / ("out/" + wanted)));
  }
  TempDir dir;
  ASSERT_TRUE(ovk::AddFolderEntry(dir / "fresh.zip", "only/", ovk::SilentObserver()).failures.empty());
  EXPECT_EQ(EntryNames(dir / "fresh.zip").size(), 0u);  // files only
  EXPECT_EQ(ListWithFolders(dir / "fresh.zip").entries.size(), 1u);
  EXPECT_FALSE(ovk::AddFolderEntry(dir / "never.zip", "../up/", ovk::SilentObserver()).failures.empty());
  EXPECT_FALSE(Exists(dir / "never.zip"));
  WriteFile(dir / "src/a.txt", "a");
  AddOptions native;
  native.native = true;
  ASSERT_TRUE(Add(dir / "n.ovk", dir / "src", native));
  const std::string before = ReadFile(dir / "n.ovk");
  EXPECT_FALSE(ovk::AddFolderEntry(dir / "n.ovk", "only/", ovk::SilentObserver()).failures.empty());
  EXPECT_EQ(ReadFile(dir / "n.ovk"), before);
}

ZipLayout CommentedLayout(const std::string& comment) {
  ZipLayout layout;
  layout.comment = comment;
  return layout;
}

TEST(ArchiveEditTest, SummaryCountsImpliedFoldersMethodsAndCiphers) {
  TempDir dir;
  WriteFile(dir / "s.zip", BuildZip({ZipEntry("a/b/c.txt", "c"), ZipEntry("a/d.txt", "d", true), ZipEntry("e/", "", true),
                                     ZipCryptoEntry("f.txt", "f", "pw", true), AesEntry("g.txt", "g", "pw", 2, false)},
                                    CommentedLayout("note")));
  const ovk::ArchiveSummary zip = ovk::SummarizeArchive(dir / "s.zip", ListWithFolders(dir / "s.zip"));
  EXPECT_EQ(zip.format, "ZIP");
  EXPECT_EQ(zip.files, 4u);
  EXPECT_EQ(zip.folders, 3u);  // a, a/b, e
  EXPECT_EQ(zip.methods, (std::vector<std::string>{"Deflate", "Stored", "AES-256 Deflate"}));
  EXPECT_EQ(zip.ciphers, (std::vector<std::string>{"ZIP 2.0", "AES-256"}));
  EXPECT_EQ(zip.originalBytes, 4u);
  EXPECT_TRUE(zip.packedKnown);
  EXPECT_EQ(zip.archiveBytes, ReadFile(dir / "s.zip").size());
  EXPECT_GT(zip.archiveModified, 0);
  EXPECT_EQ(zip.comment, "note");
  EXPECT_TRUE(zip.commentEditable);
  const std::string tar = MakeArchive(dir, "tar.gz");
  const ovk::ArchiveSummary tarSummary = ovk::SummarizeArchive(tar, ListWithFolders(tar));
  EXPECT_EQ(tarSummary.files, 3u);
  EXPECT_EQ(tarSummary.folders, 2u);  // docs, docs/in
  EXPECT_FALSE(tarSummary.packedKnown);
  EXPECT_FALSE(tarSummary.commentEditable);
  const ovk::ArchiveSummary missing = ovk::SummarizeArchive(dir / "none.zip", ovk::ListResult{});
  EXPECT_EQ(missing.archiveModified, -1);
}

TEST(ArchiveEditTest, FlatExtractionReportsTheSecondOfOneName) {
  struct Case {
    bool overwrite;
    std::string kept;  // x.txt's content
  };
  for (const Case& c : {Case{true, "2"}, Case{false, "1"}}) {
    SCOPED_TRACE(c.overwrite);
    TempDir dir;
    WriteFile(dir / "f.zip", BuildZip({ZipEntry("a/x.txt", "1"), ZipEntry("b/x.txt", "2"), ZipEntry("c/", "", true),
                                       ZipEntry("c/d/y.txt", "3")}));
    ovk::ExtractRequest request;
    request.archive = dir / "f.zip";
    request.destination = dir / "out";
    request.overwrite = c.overwrite;
    request.keepFolders = false;
    const ovk::OperationReport report = ovk::ExtractFromArchive(request, ovk::SilentObserver());
    EXPECT_EQ(ReadTree(dir / "out"), (FileTree{{"x.txt", c.kept}, {"y.txt", "3"}}));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].entry, "b/x.txt");
    EXPECT_NE(report.failures[0].reason.find("a/x.txt"), std::string::npos);
  }
}

TEST(ArchiveEditTest, SuggestedDestination) {
  const auto entries = [](std::vector<std::string> names) {
    std::vector<ovk::Entry> list;
    for (const std::string& name : names) {
      list.emplace_back();
      list.back().name = name;
    }
    return list;
  };
  struct Case {
    std::string archive;
    std::vector<std::string> names;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"/home/u/p.zip", {"p/a.txt", "p/b/c.txt", "./p/"}, "/home/u"},
      {"/home/u/p.tar.gz", {"a.txt", "b/c.txt"}, "/home/u/p"},
      {"/home/u/one.7z", {"note.txt"}, "/home/u"},
      {"p.zip", {"x/", "y/"}, "./p"},
      {"/r.tgz", {"a", "b"}, "/r"},
      {"/home/u/e.zip", {}, "/home/u/e"},
  };
  for (const Case& c : cases) EXPECT_EQ(ovk::SuggestedDestination(c.archive, entries(c.names)), c.expected) << c.archive;
}

}  // namespace
}  // namespace ovktest
