#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include "common/TestUtil.h"
#include "support/DosTime.h"
#include "support/FileUnit.h"

using namespace ovk;
using ovktest::TempDir;
using ovktest::WriteFile;

namespace {

struct Seen {
  std::uint32_t attributes;
  std::uint64_t size;
  FileIdentity identity;
  std::uint32_t time;
};

// Every entry a listing reports, in order, with the final code.
std::vector<std::pair<std::string, Seen>> List(const std::string& pattern, std::uint32_t wanted, int* endCode = nullptr) {
  std::vector<std::pair<std::string, Seen>> out;
  FolderEntry entry;
  int code = FindFirstEntry(pattern, wanted, entry);
  while (code == 0) {
    out.push_back({entry.name, {entry.attributes, entry.size, entry.identity, entry.time}});
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

TEST_F(FolderListingTest, AttributesFollowTheMapping) {
  std::map<std::string, Seen> seen;
  for (const auto& [name, s] : List(dir.Path() + "\\*.*", kAttrAny)) seen[name] = s;
  struct Case {
    const char* name;
    std::uint32_t attributes;
  };
  for (const Case& c : {Case{".", kAttrFolder}, Case{"..", kAttrFolder}, Case{"plain.txt", kAttrArchive},
                        Case{"readonly.dat", kAttrArchive | kAttrReadOnly}, Case{".hidden", kAttrArchive | kAttrHidden},
                        Case{"sub", kAttrFolder}, Case{"pipe", kAttrSystem}, Case{"link-to-file", kAttrArchive},
                        Case{"link-to-sub", kAttrFolder}, Case{"broken", kAttrSystem}, Case{"loop", kAttrFolder}}) {
    ASSERT_EQ(seen.count(c.name), 1u) << c.name;
    EXPECT_EQ(seen[c.name].attributes, c.attributes) << c.name;
  }
  EXPECT_EQ(seen.size(), 11u);
  EXPECT_EQ(seen["plain.txt"].size, 5u);
  EXPECT_EQ(seen["link-to-file"].size, 5u);
  EXPECT_EQ(seen["sub"].size, 0u);
  EXPECT_EQ(seen["pipe"].size, 0u);
  struct stat st {};
  ASSERT_EQ(stat((dir / "plain.txt").c_str(), &st), 0);
  EXPECT_EQ(seen["plain.txt"].time, UnixToDosTime(st.st_mtime));
  EXPECT_NE(seen["plain.txt"].time, 0u);
}

TEST_F(FolderListingTest, LinksReportTheirTargetsIdentity) {
  std::map<std::string, Seen> seen;
  for (const auto& [name, s] : List(dir / "*", kAttrAny)) seen[name] = s;
  EXPECT_EQ(seen["link-to-file"].identity, IdentityOfPath(dir / "plain.txt"));
  EXPECT_EQ(seen["link-to-sub"].identity, seen["sub"].identity);
  // A link back to the folder itself carries the folder's identity, so a
  // walker that remembers the folders it is in can refuse to enter it.
  EXPECT_EQ(seen["loop"].identity, IdentityOfPath(dir.Path()));
  EXPECT_EQ(seen["."].identity, IdentityOfPath(dir.Path()));
  EXPECT_NE(seen["plain.txt"].identity, seen["sub"].identity);
}

TEST_F(FolderListingTest, WantedAttributesSelectEntries) {
  struct Case {
    std::uint32_t wanted;
    std::vector<std::string> names;
  };
  for (const Case& c : {
           Case{0, {"link-to-file", "plain.txt", "readonly.dat"}},
           Case{kAttrHidden, {".hidden", "link-to-file", "plain.txt", "readonly.dat"}},
           Case{kAttrSystem, {"broken", "link-to-file", "pipe", "plain.txt", "readonly.dat"}},
           Case{kAttrFolder, {".", "..", "link-to-file", "link-to-sub", "loop", "plain.txt", "readonly.dat", "sub"}},
           Case{kAttrReadOnly | kAttrArchive, {"link-to-file", "plain.txt", "readonly.dat"}},
       }) {
    EXPECT_EQ(Names(List(dir.Path() + "/*.*", c.wanted)), c.names) << c.wanted;
  }
}

TEST_F(FolderListingTest, MasksFilterNamesAndEntriesComeSortedByBytes) {
  WriteFile(dir / "B.txt", "");
  WriteFile(dir / "a.txt", "");
  WriteFile(dir / "\xc3\xa9.txt", "");
  EXPECT_EQ(Names(List(dir / "*.txt", 0)), (std::vector<std::string>{"B.txt", "a.txt", "plain.txt", "\xc3\xa9.txt"}));
  EXPECT_EQ(Names(List(dir / "plain.txt", kAttrAny)), std::vector<std::string>{"plain.txt"});
  EXPECT_EQ(Names(List(dir / "?.txt", 0)), (std::vector<std::string>{"B.txt", "a.txt"}));
}

TEST_F(FolderListingTest, FailuresReportPlatformCodes) {
  int code = 0;
  EXPECT_TRUE(List(dir / "nothing*", kAttrAny, &code).empty());
  EXPECT_EQ(code, ENOENT);
  EXPECT_TRUE(List(dir / "missing/*.*", kAttrAny, &code).empty());
  EXPECT_EQ(code, ENOENT);
  EXPECT_TRUE(List(dir / "plain.txt/*.*", kAttrAny, &code).empty());
  EXPECT_EQ(code, ENOTDIR);
  // Names match, but every one is excluded: the end code.
  EXPECT_TRUE(List(dir / "sub", 0, &code).empty());
  EXPECT_EQ(code, kNoMoreFiles);
  // A normal listing ends with 18 too, and stays at the end.
  List(dir / "*", kAttrAny, &code);
  EXPECT_EQ(code, kNoMoreFiles);

  FolderEntry entry;
  ASSERT_EQ(FindFirstEntry(dir / "plain.txt", 0, entry), 0);
  EXPECT_EQ(FindNextEntry(entry), kNoMoreFiles);
  EXPECT_EQ(FindNextEntry(entry), kNoMoreFiles);
  FindCloseEntry(entry);
  FindCloseEntry(entry);  // a second close does nothing
  EXPECT_EQ(FindNextEntry(entry), kNoMoreFiles);
}

TEST_F(FolderListingTest, ASocketIsASystemEntry) {
  const int s = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(s, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = dir / "sock";
  ASSERT_LT(path.size(), sizeof address.sun_path);
  path.copy(address.sun_path, path.size());
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const auto listed = List(dir / "sock", kAttrAny);
  close(s);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].second.attributes, kAttrSystem);
}

}  // namespace
