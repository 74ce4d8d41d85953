#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/vfs.h>
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

// A folder on a different file system than the temporary folder, or "".
std::string OtherFileSystemFolder(const std::string& near) {
  struct stat a, b;
  if (stat(near.c_str(), &a) != 0 || stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev) return "";
  char pattern[] = "/dev/shm/ovkmove-XXXXXX";
  return mkdtemp(pattern) ? pattern : "";
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (const dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

class CrossDeviceMove : public ::testing::Test {
 protected:
  void SetUp() override {
    other_ = OtherFileSystemFolder(dir.Path());
    if (other_.empty()) GTEST_SKIP() << "no second file system (/dev/shm) to move across";
  }
  void TearDown() override {
    ClearFaults();
    if (!other_.empty()) ovktest::Run("rm -rf " + ovktest::Quote(other_));
  }
  TempDir dir;
  std::string other_;
};

TEST(MoveFileReplacing, RenamesAndReplacesOnOneFileSystem) {
  TempDir dir;
  WriteFile(dir / "old", "new content");
  WriteFile(dir / "target", "previous");
  EXPECT_TRUE(MoveFileReplacing(dir.Path() + "\\old", dir / "target"));
  EXPECT_EQ(ReadFile(dir / "target"), "new content");
  EXPECT_FALSE(Exists(dir / "old"));
  EXPECT_FALSE(MoveFileReplacing(dir / "old", dir / "target"));  // source gone
  EXPECT_EQ(ReadFile(dir / "target"), "new content");
  EXPECT_FALSE(MoveFileReplacing("", dir / "target"));
}

TEST_F(CrossDeviceMove, CopiesOverTheDestinationAndRemovesTheSource) {
  const std::string content = ovktest::RandomBytes(200000, 3);
  WriteFile(other_ + "/source", content);
  chmod((other_ + "/source").c_str(), 0640);
  WriteFile(dir / "dest", "old");
  EXPECT_TRUE(MoveFileReplacing(other_ + "/source", dir / "dest"));
  EXPECT_EQ(ReadFile(dir / "dest"), content);
  EXPECT_FALSE(Exists(other_ + "/source"));
  struct stat st;
  ASSERT_EQ(stat((dir / "dest").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"dest"});  // no temporary left
}

TEST_F(CrossDeviceMove, AFaultAtAnyStepLeavesTheDestinationWholeAndNoTemporary) {
  const std::string content = ovktest::RandomBytes(150000, 4);
  // Count the calls one successful move makes, then fail each in turn.
  WriteFile(other_ + "/source", content);
  ClearFaults();
  ASSERT_TRUE(MoveFileReplacing(other_ + "/source", dir / "dest"));
  struct Step {
    FaultOp op;
    int calls;
  };
  const std::vector<Step> steps = {{FaultOp::Open, FaultOpCount(FaultOp::Open)},
                                   {FaultOp::Read, FaultOpCount(FaultOp::Read)},
                                   {FaultOp::Write, FaultOpCount(FaultOp::Write)},
                                   {FaultOp::Rename, FaultOpCount(FaultOp::Rename)},
                                   {FaultOp::Fsync, FaultOpCount(FaultOp::Fsync)}};
  // Every call of the copy path matters: whichever fails, the move fails,
  // the destination keeps its old content and the source is kept.
  for (const Step& step : steps) {
    ASSERT_GT(step.calls, 0) << static_cast<int>(step.op);
    for (int nth = 1; nth <= step.calls; ++nth) {
      WriteFile(dir / "dest", "previous");
      WriteFile(other_ + "/source", content);
      ClearFaults();
      InjectFault(step.op, nth, EIO);
      EXPECT_FALSE(MoveFileReplacing(other_ + "/source", dir / "dest"))
          << "op " << static_cast<int>(step.op) << " call " << nth;
      ClearFaults();
      EXPECT_EQ(ReadFile(dir / "dest"), "previous") << "op " << static_cast<int>(step.op) << " call " << nth;
      EXPECT_EQ(ReadFile(other_ + "/source"), content);
      EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"dest"});
    }
  }

  // Disk full in the middle of the copy.
  WriteFile(dir / "dest", "previous");
  WriteFile(other_ + "/source", content);
  InjectDiskFull(1000);
  EXPECT_FALSE(MoveFileReplacing(other_ + "/source", dir / "dest"));
  ClearFaults();
  EXPECT_EQ(ReadFile(dir / "dest"), "previous");
  EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"dest"});
}

// In a folder others may write, the copy's temporary name can be taken over
// while the copy is written: what then holds the name never reaches the
// destination, and is not removed either.
TEST_F(CrossDeviceMove, ATemporaryNameTakenOverIsNeverMovedIntoPlace) {
  WriteFile(other_ + "/source", "the real content");
  WriteFile(dir / "dest", "previous");
  std::string taken;
  BeforeCall(FaultOp::Fsync, 1, [&] {
    for (const std::string& name : FolderNames(dir.Path())) {
      if (name != "dest") taken = dir / name;
    }
    WriteFile(dir / "planted", "planted");
    ASSERT_EQ(rename((dir / "planted").c_str(), taken.c_str()), 0);
  });
  EXPECT_FALSE(MoveFileReplacing(other_ + "/source", dir / "dest"));
  ASSERT_FALSE(taken.empty());
  EXPECT_EQ(ReadFile(dir / "dest"), "previous");
  EXPECT_EQ(ReadFile(taken), "planted");
  EXPECT_EQ(ReadFile(other_ + "/source"), "the real content");
}

// Its name comes from the system's random source, so that no one can take
// it beforehand.
TEST_F(CrossDeviceMove, TheTemporaryNameIsNotPredictable) {
  std::vector<std::string> seen;
  for (int i = 0; i < 2; ++i) {
    WriteFile(other_ + "/source", "x");
    BeforeCall(FaultOp::Fsync, 1, [&] { seen.push_back(FolderNames(dir.Path()).at(0)); });
    ASSERT_TRUE(MoveFileReplacing(other_ + "/source", dir / "dest"));
    ClearFaults();
  }
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_NE(seen[0], seen[1]);
  for (const std::string& name : seen) EXPECT_EQ(name.size(), std::string(".dest.ovk-01234567.tmp").size()) << name;
}

TEST_F(CrossDeviceMove, OnlyRegularFilesAreCopied) {
  ASSERT_EQ(mkfifo((other_ + "/pipe").c_str(), 0644), 0);
  EXPECT_FALSE(MoveFileReplacing(other_ + "/pipe", dir / "dest"));  // must not hang
  EXPECT_FALSE(Exists(dir / "dest"));
}

}  // namespace
