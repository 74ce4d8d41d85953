// Single saves below a root: where a file may land, what is refused and why,
// and that an existing name is replaced, never written into.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/TestUtil.h"
#include "support/FaultInjection.h"
#include "support/FileUnit.h"

using namespace ovk;
using ovktest::Exists;
using ovktest::ReadFile;
using ovktest::TempDir;
using ovktest::WriteFile;

namespace {

int Save(const std::string& data, const std::string& root, const std::string& relative, std::uint32_t mode = 0666) {
  return BeneathWriter(root).Save(data, relative, mode);
}

// Names in a folder other than "." and "..": a failed save leaves no
// temporary file behind.
int CountNames(const std::string& folder) {
  int count = 0;
  DIR* d = opendir(folder.c_str());
  while (dirent* e = readdir(d)) count += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
  closedir(d);
  return count;
}

class SaveBeneath : public ::testing::Test {
 protected:
  void SetUp() override {
    root = dir / "root";
    outside = dir / "outside";
    ovktest::MakeDirs(root);
    ovktest::MakeDirs(outside);
  }
  void TearDown() override { ClearFaults(); }
  TempDir dir;
  std::string root, outside;
};

TEST_F(SaveBeneath, WritesAndMakesTheFoldersOfTheName) {
  EXPECT_EQ(Save("data", root, "a\\b/c\\file.txt"), 0);
  EXPECT_EQ(ReadFile(root + "/a/b/c/file.txt"), "data");
  EXPECT_EQ(Save("", root, "a\\b/c\\file.txt"), 0);  // replaces
  EXPECT_EQ(ReadFile(root + "/a/b/c/file.txt"), "");
  EXPECT_EQ(Save("top", root + "/", "top.txt"), 0);
  EXPECT_EQ(ReadFile(root + "/top.txt"), "top");
  EXPECT_EQ(Save("x", dir / "new-root", "f"), 0);  // a missing root is made
  EXPECT_EQ(ReadFile(dir / "new-root/f"), "x");
}

TEST_F(SaveBeneath, RefusesWhatCannotLandBelowTheRootWithItsReason) {
  ASSERT_EQ(symlink(outside.c_str(), (root + "/link").c_str()), 0);
  WriteFile(root + "/plain", "keep");
  ovktest::MakeDirs(root + "/taken/inner");
  const struct {
    const char* name;
    int code;
  } cases[] = {
      {"..\\evil", EINVAL}, {"a/../../evil", EINVAL}, {"..", EINVAL}, {"", EINVAL}, {"/", EINVAL},
      {"link/file", ELOOP}, {"link\\deeper\\file", ELOOP},  // never through a link among the folders
      {"plain/file", ENOTDIR},                               // a file where a folder is needed
      {"taken", EISDIR},                                     // a folder at the name is kept
  };
  for (const auto& c : cases) EXPECT_EQ(Save("x", root, c.name), c.code) << c.name;
  EXPECT_FALSE(Exists(dir / "evil"));
  EXPECT_EQ(CountNames(outside), 0);
  EXPECT_EQ(ReadFile(root + "/plain"), "keep");
  EXPECT_TRUE(Exists(root + "/taken/inner"));
}

TEST_F(SaveBeneath, ReplacesWhateverHoldsTheNameWithoutWritingIntoIt) {
  WriteFile(outside + "/victim", "untouched");
  WriteFile(outside + "/hard", "untouched too");
  ASSERT_EQ(symlink((outside + "/victim").c_str(), (root + "/name").c_str()), 0);
  ASSERT_EQ(symlink((outside + "/created").c_str(), (root + "/dangling").c_str()), 0);
  ASSERT_EQ(link((outside + "/hard").c_str(), (root + "/hardlink").c_str()), 0);
  ASSERT_EQ(mkfifo((root + "/pipe").c_str(), 0644), 0);
  WriteFile(root + "/plain", "old");
  for (const char* name : {"name", "dangling", "hardlink", "pipe", "plain"}) {
    EXPECT_EQ(Save("fresh", root, name, 0755), 0) << name;
    struct stat st;
    ASSERT_EQ(lstat((root + "/" + name).c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode)) << name;
    EXPECT_EQ(st.st_nlink, 1u) << name;
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0755 & ~mask) << name;
    EXPECT_EQ(ReadFile(root + "/" + name), "fresh");
  }
  EXPECT_EQ(ReadFile(outside + "/victim"), "untouched");
  EXPECT_EQ(ReadFile(outside + "/hard"), "untouched too");
  EXPECT_FALSE(Exists(outside + "/created"));
}

TEST_F(SaveBeneath, TheRootItselfMayBeALink) {
  ASSERT_EQ(symlink(outside.c_str(), (dir / "root-link").c_str()), 0);
  EXPECT_EQ(Save("via link", dir / "root-link", "sub/f"), 0);
  EXPECT_EQ(ReadFile(outside + "/sub/f"), "via link");
}

// A failed write leaves the old file as it was and no partial file.
TEST_F(SaveBeneath, FailuresKeepTheOldFileAndLeaveNothingBehind) {
  WriteFile(root + "/f", "old content");
  InjectDiskFull(2);
  EXPECT_EQ(Save("new and longer content", root, "f"), kIoDiskFull);
  ClearFaults();
  EXPECT_EQ(ReadFile(root + "/f"), "old content");
  InjectFault(FaultOp::Open, 2, EACCES);  // root, then the file
  EXPECT_EQ(Save("x", root, "g"), EACCES);
  EXPECT_FALSE(Exists(root + "/g"));
  EXPECT_EQ(CountNames(root), 1);
}

}  // namespace
