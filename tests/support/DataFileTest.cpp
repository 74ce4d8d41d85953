#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <functional>

#include "common/TestUtil.h"
#include "support/FaultInjection.h"
#include "support/FileUnit.h"

using namespace ovk;
using ovktest::ReadFile;
using ovktest::TempDir;
using ovktest::WriteFile;

namespace {

class DataFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingIoError();
    FileOpenMode = 2;
  }
  void TearDown() override {
    ClearFaults();
    FileOpenMode = 2;
  }
  TempDir dir;
};

int RaisedCode(const std::function<void()>& action) {
  try {
    action();
  } catch (const EInOutError& e) {
    return e.Code();
  }
  return 0;
}

TEST_F(DataFileTest, OpenExistingHonoursTheAccessMode) {
  WriteFile(dir / "f", "hello");
  struct Case {
    std::uint8_t mode;
    FileState state;
    bool canRead, canWrite;
  };
  for (const Case& c : {Case{0, FileState::Input, true, false}, Case{1, FileState::Output, false, true},
                        Case{2, FileState::InOut, true, true}, Case{3, FileState::InOut, true, true},
                        Case{4, FileState::Input, true, false}}) {  // only the low two bits count
    DataFile file;
    AssignFileName(file, dir / "f");
    FileOpenMode = c.mode;
    OpenExisting(file);
    ASSERT_EQ(PendingIoError(), 0);
    EXPECT_EQ(file.state, c.state);
    char buffer[5];
    EXPECT_EQ(RaisedCode([&] { ReadBlock(file, buffer, 1); }), c.canRead ? 0 : kIoNotOpen) << int(c.mode);
    Seek64(file, 0);
    EXPECT_EQ(RaisedCode([&] { WriteBlock(file, "H", 1); }), c.canWrite ? 0 : kIoNotOpen) << int(c.mode);
    CloseDataFile(file);
    EXPECT_EQ(file.state, FileState::Closed);
  }
  EXPECT_EQ(ReadFile(dir / "f"), "Hello");
}

TEST_F(DataFileTest, OpenFailuresLeaveTheirCodeAndNeverRaise) {
  DataFile unbound;
  OpenExisting(unbound);
  EXPECT_EQ(PendingIoError(), kIoNotAssigned);
  EXPECT_EQ(PendingIoError(), 0);  // read-and-clear

  DataFile missing;
  AssignFileName(missing, dir / "missing");
  OpenExisting(missing);
  EXPECT_EQ(PendingIoError(), ENOENT);
  EXPECT_EQ(missing.state, FileState::Closed);

  DataFile folder;
  AssignFileName(folder, dir.Path());
  FileOpenMode = 0;
  OpenExisting(folder);
  EXPECT_EQ(PendingIoError(), EISDIR);
  EXPECT_EQ(folder.fd, -1);
}

TEST_F(DataFileTest, FifosAreRefusedWithoutBlocking) {
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0644), 0);
  for (std::uint8_t mode : {0, 1, 2}) {
    DataFile file;
    AssignFileName(file, dir / "pipe");
    FileOpenMode = mode;
    OpenExisting(file);  // would hang forever if it waited for a writer
    const int code = PendingIoError();
    EXPECT_TRUE(code == EINVAL || code == ENXIO) << code;
    EXPECT_EQ(file.state, FileState::Closed);
  }
  DataFile created;
  AssignFileName(created, dir / "pipe");
  CreateOrTruncate(created);
  EXPECT_EQ(PendingIoError(), EINVAL);
}

TEST_F(DataFileTest, BackslashesReachThePlatformAsSlashes) {
  WriteFile(dir / "sub/file", "x");
  DataFile file;
  AssignFileName(file, dir.Path() + "\\sub\\file");
  FileOpenMode = 0;
  OpenExisting(file);
  EXPECT_EQ(PendingIoError(), 0);
  EXPECT_EQ(FileSize64(file), 1);
}

TEST_F(DataFileTest, OverlongNamesAreNotBound) {
  const std::string tooLong(PATH_MAX, 'n');
  DataFile fresh;
  AssignFileName(fresh, tooLong);
  EXPECT_EQ(fresh.state, FileState::Unbound);
  CreateOrTruncate(fresh);
  EXPECT_EQ(PendingIoError(), kIoNotAssigned);

  // A long name the platform accepts binds and works.
  std::string deep = dir.Path();
  while (deep.size() < 600) deep += "/" + std::string(60, 'd');
  ASSERT_TRUE(ForceFolders(deep));
  DataFile longName;
  AssignFileName(longName, deep + "/file");
  CreateOrTruncate(longName);
  EXPECT_EQ(PendingIoError(), 0);

  // A bound file keeps its old name when a longer one is refused.
  AssignFileName(longName, tooLong);
  EXPECT_EQ(longName.name, deep + "/file");
}

TEST_F(DataFileTest, ReadBlockShortReadRaises100OnlyWithoutCount) {
  WriteFile(dir / "f", "abcdef");
  DataFile file;
  AssignFileName(file, dir / "f");
  FileOpenMode = 0;
  OpenExisting(file);
  ASSERT_EQ(PendingIoError(), 0);
  char buffer[16] = {};
  std::size_t got = 99;
  ReadBlock(file, buffer, 4, got);
  EXPECT_EQ(got, 4u);
  ReadBlock(file, buffer, 10, got);  // only "ef" left
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(std::string(buffer, 2), "ef");
  ReadBlock(file, buffer, 10, got);
  EXPECT_EQ(got, 0u);
  EXPECT_TRUE(AtEndOfFile(file));
  EXPECT_EQ(RaisedCode([&] { ReadBlock(file, buffer, 1); }), kIoReadPastEnd);
  Seek64(file, 3);
  EXPECT_EQ(RaisedCode([&] { ReadBlock(file, buffer, 4); }), kIoReadPastEnd);
  Seek64(file, 3);
  EXPECT_EQ(RaisedCode([&] { ReadBlock(file, buffer, 3); }), 0);
  EXPECT_EQ(std::string(buffer, 3), "def");
}

TEST_F(DataFileTest, PositionsAndSizesCountRecords) {
  DataFile file;
  AssignFileName(file, dir / "f");
  CreateOrTruncate(file, 4);
  ASSERT_EQ(PendingIoError(), 0);
  WriteBlock(file, "0123456789ab", 3);  // three records of four bytes
  EXPECT_EQ(FileSize64(file), 3);
  EXPECT_EQ(FilePos64(file), 3);
  EXPECT_TRUE(AtEndOfFile(file));
  Seek64(file, 1);
  EXPECT_EQ(PendingIoError(), 0);
  EXPECT_FALSE(AtEndOfFile(file));
  char buffer[4];
  ReadBlock(file, buffer, 1);
  EXPECT_EQ(std::string(buffer, 4), "4567");
  TruncateDataFile(file, 2);
  EXPECT_EQ(FileSize64(file), 2);
  FlushDataFile(file);
  CloseDataFile(file);
  EXPECT_EQ(ReadFile(dir / "f"), "01234567");

  // Beyond 4 GiB positions stay exact (sparse file).
  DataFile big;
  AssignFileName(big, dir / "big");
  CreateOrTruncate(big);
  const std::int64_t far = (std::int64_t{1} << 32) + 5;
  Seek64(big, far);
  WriteBlock(big, "z", 1);
  EXPECT_EQ(FileSize64(big), far + 1);
  EXPECT_EQ(FilePos64(big), far + 1);
}

TEST_F(DataFileTest, OperationsOnAClosedFileReport103) {
  DataFile file;
  AssignFileName(file, dir / "f");
  char buffer[1];
  EXPECT_EQ(RaisedCode([&] { ReadBlock(file, buffer, 1); }), kIoNotOpen);
  EXPECT_EQ(RaisedCode([&] { WriteBlock(file, buffer, 1); }), kIoNotOpen);
  EXPECT_EQ(RaisedCode([&] { CloseDataFile(file); }), kIoNotOpen);
  EXPECT_EQ(RaisedCode([&] { FlushDataFile(file); }), kIoNotOpen);
  EXPECT_EQ(FileSize64(file), -1);
  EXPECT_EQ(PendingIoError(), kIoNotOpen);
  Seek64(file, 0);
  EXPECT_EQ(PendingIoError(), kIoNotOpen);
  EXPECT_EQ(IdentityOf(file), FileIdentity{});
  EXPECT_EQ(FileMode(file), 0u);
}

TEST_F(DataFileTest, CreateOrTruncateEmptiesAnExistingFile) {
  WriteFile(dir / "f", "old content");
  DataFile file;
  AssignFileName(file, dir / "f");
  CreateOrTruncate(file);
  ASSERT_EQ(PendingIoError(), 0);
  EXPECT_EQ(file.state, FileState::InOut);
  EXPECT_EQ(FileSize64(file), 0);
  CloseDataFile(file);
}

TEST_F(DataFileTest, IdentityAndModeDescribeTheOpenFile) {
  WriteFile(dir / "f", "x");
  ASSERT_EQ(chmod((dir / "f").c_str(), 0750), 0);
  ASSERT_EQ(symlink("f", (dir / "link").c_str()), 0);
  DataFile a, b;
  AssignFileName(a, dir / "f");
  AssignFileName(b, dir / "link");
  FileOpenMode = 0;
  OpenExisting(a);
  OpenExisting(b);
  ASSERT_EQ(PendingIoError(), 0);
  struct stat st;
  ASSERT_EQ(stat((dir / "f").c_str(), &st), 0);
  EXPECT_EQ(IdentityOf(a), (FileIdentity{st.st_dev, st.st_ino}));
  EXPECT_EQ(IdentityOf(a), IdentityOf(b));
  EXPECT_EQ(FileMode(a), static_cast<std::uint32_t>(S_IFREG | 0750));
}

TEST_F(DataFileTest, ShortWritesRaiseDiskFull) {
  DataFile file;
  AssignFileName(file, dir / "f");
  CreateOrTruncate(file);
  InjectDiskFull(3);
  EXPECT_EQ(RaisedCode([&] { WriteBlock(file, "abcdef", 6); }), kIoDiskFull);
  EXPECT_EQ(RaisedCode([&] { WriteBlock(file, "g", 1); }), kIoDiskFull);
  ClearFaults();
  EXPECT_EQ(FileSize64(file), 3);
  InjectFault(FaultOp::Write, 1, EIO);
  EXPECT_EQ(RaisedCode([&] { WriteBlock(file, "h", 1); }), EIO);
  EXPECT_EQ(RaisedCode([&] { WriteBlock(file, "h", 1); }), 0);  // only the armed call fails
  InjectFault(FaultOp::Read, 1, EIO);
  Seek64(file, 0);
  char buffer[2];
  std::size_t got = 0;
  EXPECT_EQ(RaisedCode([&] { ReadBlock(file, buffer, 2, got); }), EIO);
  InjectFault(FaultOp::Fsync, 1, EIO);
  EXPECT_EQ(RaisedCode([&] { FlushDataFile(file); }), EIO);
}

TEST_F(DataFileTest, DestructorClosesAnOpenFile) {
  int fd;
  {
    DataFile file;
    AssignFileName(file, dir / "f");
    CreateOrTruncate(file);
    fd = file.fd;
    ASSERT_GE(fd, 0);
  }
  EXPECT_EQ(fcntl(fd, F_GETFD), -1);
}

}  // namespace
