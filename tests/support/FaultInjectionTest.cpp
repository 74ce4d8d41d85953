#include <gtest/gtest.h>

#include <cerrno>

#include "common/TestUtil.h"
#include "support/FaultInjection.h"
#include "support/FileUnit.h"

using namespace ovk;
using ovktest::TempDir;
using ovktest::WriteFile;

namespace {

class FaultInjection : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearFaults();
    WriteFile(dir / "f", "content");
  }
  void TearDown() override { ClearFaults(); }
  int OpenResult() {
    DataFile file;
    return OpenExisting(file, dir / "f", Access::kRead).code;
  }
  TempDir dir;
};

TEST_F(FaultInjection, CountsCallsSinceClear) {
  EXPECT_EQ(FaultOpCount(FaultOp::Open), 0);
  OpenResult();
  OpenResult();
  EXPECT_EQ(FaultOpCount(FaultOp::Open), 2);
  EXPECT_EQ(FaultOpCount(FaultOp::Write), 0);
  ClearFaults();
  EXPECT_EQ(FaultOpCount(FaultOp::Open), 0);
}

TEST_F(FaultInjection, TheNthCallFromArmingFailsOnce) {
  OpenResult();  // calls before arming do not count towards n
  InjectFault(FaultOp::Open, 3, EMFILE);
  EXPECT_EQ(OpenResult(), 0);
  EXPECT_EQ(OpenResult(), 0);
  EXPECT_EQ(OpenResult(), EMFILE);
  EXPECT_EQ(OpenResult(), 0);
  EXPECT_EQ(FaultOpCount(FaultOp::Open), 5);  // the failed call is counted too
}

TEST_F(FaultInjection, ClearDisarms) {
  InjectFault(FaultOp::Open, 1, EIO);
  InjectDiskFull(0);
  ClearFaults();
  EXPECT_EQ(OpenResult(), 0);
  EXPECT_TRUE(SaveStringToFile("written", dir / "g"));
}

TEST_F(FaultInjection, RenameAndFsyncFaultsReachTheirCallers) {
  WriteFile(dir / "a", "a");
  InjectFault(FaultOp::Rename, 1, EACCES);
  EXPECT_FALSE(MoveFileReplacing(dir / "a", dir / "b"));
  EXPECT_TRUE(MoveFileReplacing(dir / "a", dir / "b"));
  DataFile file;
  ASSERT_FALSE(OpenExisting(file, dir / "b", Access::kReadWrite));
  InjectFault(FaultOp::Fsync, 1, EROFS);
  try {
    FlushDataFile(file);
    ADD_FAILURE() << "no error raised";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Code(), EROFS);
  }
}

TEST_F(FaultInjection, DiskFullLetsExactlyTheGivenBytesThrough) {
  InjectDiskFull(4);
  EXPECT_THROW(SaveStringToFile("0123456789", dir / "g"), EInOutError);
  ClearFaults();
  EXPECT_EQ(ovktest::ReadFile(dir / "g"), "0123");
  InjectDiskFull(10);
  EXPECT_TRUE(SaveStringToFile("0123456789", dir / "h"));
  EXPECT_THROW(SaveStringToFile("x", dir / "i"), EInOutError);
}

// Large blocks reach the kernel in pieces of at most 1 MiB (much cheaper
// there than one huge write), whole and in order, also when the disk fills
// part way.
TEST_F(FaultInjection, LargeWritesGoOutInPiecesOfOneMebibyte) {
  const std::string data = ovktest::RandomBytes((3u << 20) + 5, 7);
  EXPECT_TRUE(SaveStringToFile(data, dir / "big"));
  EXPECT_EQ(FaultOpCount(FaultOp::Write), 4);
  EXPECT_TRUE(ovktest::ReadFile(dir / "big") == data);
  const std::size_t room = (3u << 19) + 3;
  InjectDiskFull(room);
  EXPECT_THROW(SaveStringToFile(data, dir / "full"), EInOutError);
  ClearFaults();
  EXPECT_TRUE(ovktest::ReadFile(dir / "full") == data.substr(0, room));
}

}  // namespace
