#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include "common/TestUtil.h"
#include "support/FileUnit.h"

using namespace ovk;
using ovktest::TempDir;
using ovktest::WriteFile;

namespace {

struct Seen {
  EntryKind kind;
  std::uint64_t size;
  FileIdentity identity;
  std::int64_t modified;
};

// Every entry a listing reports, in order, with the final code.
std::vector<std::pair<std::string, Seen>> List(const std::string& pattern, int* endCode = nullptr) {
  std::vector<std::pair<std::string, Seen>> out;
  FolderEntry entry;
  int code = FindFirstEntry(pattern, entry);
  while (code == 0) {
    out.push_back({entry.name, {entry.kind, entry.size, entry.identity, entry.modified}});
    code = FindNextEntry(entry);
  }
  FindCloseEntry(entry);
  if (endCode) *endCode = code;
  return out;
}

std::vector<std::string> Names(const std::vector<std::pair<std::string, Seen>>& listed) {
  std::vector<std::string> names;
  for (const auto& item : listed) names.push_back(item.first);
  return names;
}

FileIdentity IdentityOfPath(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return {st.st_dev, st.st_ino};
}

class FolderListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir / "plain.txt", "12345");
    WriteFile(dir / "readonly.dat", "x");
    chmod((dir / "readonly.dat").c_str(), 0444);
    WriteFile(dir / ".hidden", "");
    ovktest::MakeDirs(dir / "sub");
    mkfifo((dir / "pipe").c_str(), 0644);
    symlink("plain.txt", (dir / "link-to-file").c_str());
    symlink("sub", (dir / "link-to-sub").c_str());
    symlink("nowhere", (dir / "broken").c_str());
    symlink(".", (dir / "loop").c_str());
  }
  TempDir dir;
};

TEST_F(FolderListingTest, KindsFollowWhatEachNameLeadsTo) {
  std::map<std::string, Seen> seen;
  for (const auto& [name, s] : List(dir.Path() + "\\*.*")) seen[name] = s;
  struct Case {
    const char* name;
    EntryKind kind;
  };
  for (const Case& c : {Case{".", EntryKind::kFolder}, Case{"..", EntryKind::kFolder},
                        Case{"plain.txt", EntryKind::kRegular}, Case{"readonly.dat", EntryKind::kRegular},
                        Case{".hidden", EntryKind::kRegular}, Case{"sub", EntryKind::kFolder},
                        Case{"pipe", EntryKind::kOther}, Case{"link-to-file", EntryKind::kRegular},
                        Case{"link-to-sub", EntryKind::kFolder}, Case{"broken", EntryKind::kLink},
                        Case{"loop", EntryKind::kFolder}}) {
    ASSERT_EQ(seen.count(c.name), 1u) << c.name;
    EXPECT_EQ(seen[c.name].kind, c.kind) << c.name;
  }
  EXPECT_EQ(seen.size(), 11u);
  EXPECT_EQ(seen["plain.txt"].size, 5u);
  EXPECT_EQ(seen["link-to-file"].size, 5u);
  EXPECT_EQ(seen["sub"].size, 0u);
  EXPECT_EQ(seen["pipe"].size, 0u);
  struct stat st {};
  ASSERT_EQ(stat((dir / "plain.txt").c_str(), &st), 0);
  EXPECT_EQ(seen["plain.txt"].modified, st.st_mtime);
}

TEST_F(FolderListingTest, LinksReportTheirTargetsIdentity) {
  std::map<std::string, Seen> seen;
  for (const auto& [name, s] : List(dir / "*")) seen[name] = s;
  EXPECT_EQ(seen["link-to-file"].identity, IdentityOfPath(dir / "plain.txt"));
  EXPECT_EQ(seen["link-to-sub"].identity, seen["sub"].identity);
  // A link back to the folder itself carries the folder's identity, so a
  // walker that remembers the folders it is in can refuse to enter it.
  EXPECT_EQ(seen["loop"].identity, IdentityOfPath(dir.Path()));
  EXPECT_EQ(seen["."].identity, IdentityOfPath(dir.Path()));
  EXPECT_NE(seen["plain.txt"].identity, seen["sub"].identity);
}

TEST_F(FolderListingTest, MasksFilterNamesAndEntriesComeSortedByBytes) {
  WriteFile(dir / "B.txt", "");
  WriteFile(dir / "a.txt", "");
  WriteFile(dir / "\xc3\xa9.txt", "");
  EXPECT_EQ(Names(List(dir / "*.txt")), (std::vector<std::string>{"B.txt", "a.txt", "plain.txt", "\xc3\xa9.txt"}));
  EXPECT_EQ(Names(List(dir / "plain.txt")), std::vector<std::string>{"plain.txt"});
  EXPECT_EQ(Names(List(dir / "?.txt")), (std::vector<std::string>{"B.txt", "a.txt"}));
}

TEST_F(FolderListingTest, FailuresReportPlatformCodes) {
  int code = 0;
  EXPECT_TRUE(List(dir / "nothing*", &code).empty());
  EXPECT_EQ(code, ENOENT);
  EXPECT_TRUE(List(dir / "missing/*.*", &code).empty());
  EXPECT_EQ(code, ENOENT);
  EXPECT_TRUE(List(dir / "plain.txt/*.*", &code).empty());
  EXPECT_EQ(code, ENOTDIR);
  // A normal listing ends with kNoMoreFiles too, and stays at the end.
  List(dir / "*", &code);
  EXPECT_EQ(code, kNoMoreFiles);

  FolderEntry entry;
  ASSERT_EQ(FindFirstEntry(dir / "plain.txt", entry), 0);
  EXPECT_EQ(FindNextEntry(entry), kNoMoreFiles);
  EXPECT_EQ(FindNextEntry(entry), kNoMoreFiles);
  FindCloseEntry(entry);
  FindCloseEntry(entry);  // a second close does nothing
  EXPECT_EQ(FindNextEntry(entry), kNoMoreFiles);
}

TEST_F(FolderListingTest, ASocketIsNeitherFileNorFolder) {
  const int s = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(s, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = dir / "sock";
  ASSERT_LT(path.size(), sizeof address.sun_path);
  path.copy(address.sun_path, path.size());
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const auto listed = List(dir / "sock");
  close(s);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].second.kind, EntryKind::kOther);
}

}  // namespace
