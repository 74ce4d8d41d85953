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
  void TearDown() override { ClearFaults(); }
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

TEST_F(DataFileTest, OpenExistingHonoursTheAccess) {
  WriteFile(dir / "f", "hello");
  struct Case {
    Access access;
    bool canRead, canWrite;
  };
  for (const Case& c : {Case{Access::kRead, true, false}, Case{Access::kWrite, false, true},
                        Case{Access::kReadWrite, true, true}}) {
    DataFile file;
    ASSERT_FALSE(OpenExisting(file, dir / "f", c.access));
    char buffer[5];
    EXPECT_EQ(RaisedCode([&] { ReadBlock(file, buffer, 1); }), c.canRead ? 0 : kIoNotOpen);
    Seek64(file, 0);
    EXPECT_EQ(RaisedCode([&] { WriteBlock(file, "H", 1); }), c.canWrite ? 0 : kIoNotOpen);
    EXPECT_FALSE(CloseDataFile(file));
    EXPECT_FALSE(file.IsOpen());
  }
  EXPECT_EQ(ReadFile(dir / "f"), "Hello");
}

TEST_F(DataFileTest, OpenFailuresSayWhatWhereAndWhy) {
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0644), 0);
  struct Case {
    std::string path;
    bool create;
    int code;
    std::string text;
  };
  for (const Case& c : {Case{dir / "missing", false, ENOENT, "cannot open " + dir / "missing" + ": no such file or directory"},
                        Case{dir.Path(), false, EISDIR, "cannot open " + dir.Path() + ": a folder is in the way"},
                        // A FIFO would block the open forever if it waited for a writer.
                        Case{dir / "pipe", false, kIoNotRegular, "cannot open " + dir / "pipe" + ": not a regular file"},
                        Case{dir / "pipe", true, kIoNotRegular, "cannot create " + dir / "pipe" + ": not a regular file"}}) {
    DataFile file;
    const IoError error = c.create ? CreateOrTruncate(file, c.path) : OpenExisting(file, c.path, Access::kRead);
    EXPECT_EQ(error.code, c.code) << c.path;
    EXPECT_EQ(error.Text(), c.text);
    EXPECT_FALSE(file.IsOpen());
  }
}

TEST_F(DataFileTest, ANameTooLongFailsAndLeavesNoEarlierFileInUse) {
  WriteFile(dir / "first", "first");
  DataFile file;
  ASSERT_FALSE(OpenExisting(file, dir / "first", Access::kReadWrite));
  for (const std::string& tooLong : {std::string(PATH_MAX, 'n'), dir / std::string(NAME_MAX + 1, 'c')}) {
    EXPECT_EQ(OpenExisting(file, tooLong, Access::kReadWrite).code, ENAMETOOLONG);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(RaisedCode([&] { WriteBlock(file, "x", 1); }), kIoNotOpen);
    ASSERT_FALSE(OpenExisting(file, dir / "first", Access::kReadWrite));
    EXPECT_EQ(CreateOrTruncate(file, tooLong).code, ENAMETOOLONG);
    EXPECT_FALSE(file.IsOpen());
  }
  EXPECT_EQ(ReadFile(dir / "first"), "first");
}

TEST_F(DataFileTest, BackslashesReachThePlatformAsSlashes) {
  WriteFile(dir / "sub/file", "x");
  DataFile file;
  ASSERT_FALSE(OpenExisting(file, dir.Path() + "\\sub\\file", Access::kRead));
  EXPECT_EQ(FileSize64(file), 1);
}

TEST_F(DataFileTest, ReadBlockShortReadRaisesOnlyWithoutCount) {
  WriteFile(dir / "f", "abcdef");
  DataFile file;
  ASSERT_FALSE(OpenExisting(file, dir / "f", Access::kRead));
  char buffer[16] = {};
  std::size_t got = 99;
  ReadBlock(file, buffer, 4, got);
  EXPECT_EQ(got, 4u);
  ReadBlock(file, buffer, 10, got);  // only "ef" left
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(std::string(buffer, 2), "ef");
  Seek64(file, 3);
  EXPECT_EQ(RaisedCode([&] { ReadBlock(file, buffer, 4); }), kIoReadPastEnd);
  Seek64(file, 3);
  EXPECT_EQ(RaisedCode([&] { ReadBlock(file, buffer, 3); }), 0);
  EXPECT_EQ(std::string(buffer, 3), "def");
}

TEST_F(DataFileTest, PositionsSizesAndTruncation) {
  DataFile file;
  ASSERT_FALSE(CreateOrTruncate(file, dir / "f"));
  WriteBlock(file, "0123456789ab", 12);
  EXPECT_EQ(FileSize64(file), 12);
  EXPECT_EQ(FilePos64(file), 12);
  TruncateDataFile(file, 8);
  FlushDataFile(file);
  EXPECT_FALSE(CloseDataFile(file));
  EXPECT_EQ(ReadFile(dir / "f"), "01234567");
  ASSERT_FALSE(CreateOrTruncate(file, dir / "f"));  // empties it
  EXPECT_EQ(FileSize64(file), 0);

  // Beyond 4 GiB positions stay exact (sparse file).
  DataFile big;
  ASSERT_FALSE(CreateOrTruncate(big, dir / "big"));
  const std::int64_t far = (std::int64_t{1} << 32) + 5;
  Seek64(big, far);
  WriteBlock(big, "z", 1);
  EXPECT_EQ(FileSize64(big), far + 1);
  EXPECT_EQ(FilePos64(big), far + 1);
}

TEST_F(DataFileTest, EveryCallOnAClosedFileFailsAsNotOpen) {
  DataFile file;
  char buffer[1];
  for (const auto& call : std::vector<std::function<void()>>{
           [&] { ReadBlock(file, buffer, 1); }, [&] { WriteBlock(file, buffer, 1); }, [&] { FlushDataFile(file); },
           [&] { Seek64(file, 0); }, [&] { FilePos64(file); }, [&] { FileSize64(file); },
           [&] { TruncateDataFile(file, 0); }}) {
    EXPECT_EQ(RaisedCode(call), kIoNotOpen);
  }
  EXPECT_EQ(CloseDataFile(file).code, kIoNotOpen);
  EXPECT_EQ(IdentityOf(file), FileIdentity{});
  EXPECT_EQ(FileMode(file), 0u);
}

TEST_F(DataFileTest, IdentityAndModeDescribeTheOpenFile) {
  WriteFile(dir / "f", "x");
  ASSERT_EQ(chmod((dir / "f").c_str(), 0750), 0);
  ASSERT_EQ(symlink("f", (dir / "link").c_str()), 0);
  DataFile a, b;
  ASSERT_FALSE(OpenExisting(a, dir / "f", Access::kRead));
  ASSERT_FALSE(OpenExisting(b, dir / "link", Access::kRead));
  struct stat st;
  ASSERT_EQ(stat((dir / "f").c_str(), &st), 0);
  EXPECT_EQ(IdentityOf(a), (FileIdentity{st.st_dev, st.st_ino}));
  EXPECT_EQ(IdentityOf(a), IdentityOf(b));
  EXPECT_EQ(FileMode(a), static_cast<std::uint32_t>(S_IFREG | 0750));
}

TEST_F(DataFileTest, FailedCallsRaiseTheirCauseWithTheFileNamed) {
  DataFile file;
  ASSERT_FALSE(CreateOrTruncate(file, dir / "f"));
  InjectDiskFull(3);
  EXPECT_EQ(RaisedCode([&] { WriteBlock(file, "abcdef", 6); }), kIoDiskFull);
  EXPECT_EQ(RaisedCode([&] { WriteBlock(file, "g", 1); }), kIoDiskFull);
  ClearFaults();
  EXPECT_EQ(FileSize64(file), 3);
  InjectFault(FaultOp::Write, 1, EIO);
  try {
    WriteBlock(file, "h", 1);
    ADD_FAILURE() << "the armed write did not fail";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Error().Text(), "cannot write " + dir / "f" + ": input/output error");
    EXPECT_STREQ(e.what(), "input/output error");
  }
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
    ASSERT_FALSE(CreateOrTruncate(file, dir / "f"));
    fd = file.fd;
  }
  EXPECT_EQ(fcntl(fd, F_GETFD), -1);
}

}  // namespace
