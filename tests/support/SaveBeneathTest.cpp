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
  EXPECT_TRUE(SaveStringToFileBeneath("data", root, "a\\b/c\\file.txt"));
  EXPECT_EQ(ReadFile(root + "/a/b/c/file.txt"), "data");
  EXPECT_TRUE(SaveStringToFileBeneath("", root, "a\\b/c\\file.txt"));  // truncates
  EXPECT_EQ(ReadFile(root + "/a/b/c/file.txt"), "");
  EXPECT_TRUE(SaveStringToFileBeneath("top", root + "/", "top.txt"));
  EXPECT_EQ(ReadFile(root + "/top.txt"), "top");
  EXPECT_TRUE(SaveStringToFileBeneath("x", dir / "new-root", "f"));  // a missing root is made
  EXPECT_EQ(ReadFile(dir / "new-root/f"), "x");
}

TEST_F(SaveBeneath, RefusesNamesThatClimbOutOrAreEmpty) {
  for (const char* name : {"..\\evil", "a/../../evil", "..", "", "/", "a/.."}) {
    EXPECT_FALSE(SaveStringToFileBeneath("x", root, name)) << name;
  }
  EXPECT_FALSE(Exists(dir / "evil"));
}

TEST_F(SaveBeneath, NeverFollowsALinkAmongTheFolders) {
  ASSERT_EQ(symlink(outside.c_str(), (root + "/link").c_str()), 0);
  EXPECT_FALSE(SaveStringToFileBeneath("x", root, "link/file"));
  EXPECT_FALSE(SaveStringToFileBeneath("x", root, "link\\deeper\\file"));
  EXPECT_FALSE(Exists(outside + "/file"));
  EXPECT_FALSE(Exists(outside + "/deeper"));
  // A file where a folder is needed fails too.
  WriteFile(root + "/plain", "keep");
  EXPECT_FALSE(SaveStringToFileBeneath("x", root, "plain/file"));
  EXPECT_EQ(ReadFile(root + "/plain"), "keep");
}

TEST_F(SaveBeneath, ReplacesALinkOrFifoAtTheFinalName) {
  WriteFile(outside + "/victim", "untouched");
  ASSERT_EQ(symlink((outside + "/victim").c_str(), (root + "/name").c_str()), 0);
  ASSERT_EQ(symlink((outside + "/created").c_str(), (root + "/dangling").c_str()), 0);
  ASSERT_EQ(mkfifo((root + "/pipe").c_str(), 0644), 0);
  for (const char* name : {"name", "dangling", "pipe"}) {
    EXPECT_TRUE(SaveStringToFileBeneath("fresh", root, name)) << name;
    struct stat st;
    ASSERT_EQ(lstat((root + "/" + name).c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode)) << name;
    EXPECT_EQ(ReadFile(root + "/" + name), "fresh");
  }
  EXPECT_EQ(ReadFile(outside + "/victim"), "untouched");
  EXPECT_FALSE(Exists(outside + "/created"));
}

TEST_F(SaveBeneath, AFolderAtTheFinalNameIsKept) {
  ovktest::MakeDirs(root + "/taken/inner");
  EXPECT_FALSE(SaveStringToFileBeneath("x", root, "taken"));
  EXPECT_TRUE(Exists(root + "/taken/inner"));
}

TEST_F(SaveBeneath, TheRootItselfMayBeALink) {
  ASSERT_EQ(symlink(outside.c_str(), (dir / "root-link").c_str()), 0);
  EXPECT_TRUE(SaveStringToFileBeneath("via link", dir / "root-link", "sub/f"));
  EXPECT_EQ(ReadFile(outside + "/sub/f"), "via link");
}

TEST_F(SaveBeneath, WriteFailuresRaiseLikeSaveStringToFile) {
  InjectDiskFull(2);
  try {
    SaveStringToFileBeneath("too long", root, "f");
    ADD_FAILURE() << "no error raised";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Code(), kIoDiskFull);
  }
  ClearFaults();
  InjectFault(FaultOp::Open, 2, EACCES);  // root, then the file
  EXPECT_FALSE(SaveStringToFileBeneath("x", root, "g"));
  EXPECT_FALSE(Exists(root + "/g"));
}

}  // namespace
