// The archive lock: a waiter takes its turn on the file the name holds when
// the turn comes, the temporary files of killed runs go, and a file this
// process may not write is refused.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <memory>
#include <regex>
#include <thread>

#include "common/TestUtil.h"
#include "support/ArchiveLock.h"
#include "support/FileUnit.h"

using namespace ovk;
using ovktest::ReadFile;
using ovktest::TempDir;
using ovktest::WriteFile;
namespace fs = std::filesystem;

namespace {

// True when another open of the path cannot take the lock now.
bool LockedByOthers(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY);
  const bool busy = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0;
  if (fd >= 0) close(fd);
  return busy;
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// What the holder does to the archive while another waits for it.
enum class Meanwhile { Replaced, Removed };

struct WaitCase {
  Meanwhile meanwhile;
  bool create;
  int error;
  std::string content;  // of the locked file once the waiter has it
};

TEST(ArchiveLockTest, AWaiterLocksWhatTheNameHoldsWhenItsTurnComes) {
  const WaitCase cases[] = {
      {Meanwhile::Replaced, false, 0, "new"},
      {Meanwhile::Removed, false, ENOENT, ""},
      {Meanwhile::Removed, true, 0, ""},
  };
  for (const WaitCase& c : cases) {
    TempDir dir;
    const std::string archive = dir / "a.zip";
    WriteFile(archive, "old");
    auto holder = std::make_unique<ArchiveLock>(archive, false, nullptr);
    ASSERT_EQ(holder->Error(), 0);
    std::atomic<int> waits{0};
    std::thread waiter([&] {
      const ArchiveLock lock(archive, c.create, [&] { ++waits; });
      EXPECT_EQ(lock.Error(), c.error);
      if (c.error != 0) return;
      EXPECT_TRUE(LockedByOthers(archive));
      EXPECT_EQ(ReadFile(archive), c.content);
      EXPECT_EQ(lock.Created(), c.meanwhile == Meanwhile::Removed);
    });
    for (int i = 0; i < 500 && waits == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(waits, 1);
    if (c.meanwhile == Meanwhile::Replaced) {
      WriteFile(dir / "new", "new");
      fs::rename(dir / "new", archive);
    } else {
      fs::remove(archive);
    }
    holder.reset();
    waiter.join();
    EXPECT_EQ(waits, 1);
  }
}

// The temporary files are private and named after their archive; the next
// lock holder removes those, and only those.
TEST(ArchiveLockTest, TakingTheLockRemovesLeftTemporaryFiles) {
  TempDir dir;
  const std::string longName = std::string(250, 'n') + ".zip";
  for (const std::string& name : {std::string("a.zip"), longName}) {
    const std::string archive = dir / name;
    WriteFile(archive, "archive");
    const std::string first = CreateArchiveTemp(archive);
    const std::string second = CreateArchiveTemp(archive);
    ASSERT_FALSE(first.empty());
    ASSERT_NE(first, second);
    struct stat st;
    ASSERT_EQ(stat(first.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(fs::path(first).parent_path(), fs::path(dir.Path()));
    EXPECT_TRUE(std::regex_match(fs::path(first).filename().string(),
                                 std::regex(R"(\.(a\.zip|n+)\.ovk-[0-9a-f]{8}\.tmp)")));
    EXPECT_LE(fs::path(first).filename().string().size(), 255u);
  }
  const std::vector<std::string> others = {".a.zip.ovk-0123456.tmp", ".a.zip.ovk-0123456g.tmp", "a.zip.ovk-01234567.tmp",
                                           ".b.zip.ovk-01234567.tmp", ".a.zip.ovk-01234567.tmpx"};
  for (const std::string& other : others) WriteFile(dir / other, "not ours");
  const ArchiveLock lock(dir / "a.zip", false, nullptr);
  ASSERT_EQ(lock.Error(), 0);
  const ArchiveLock longLock(dir / longName, false, nullptr);
  ASSERT_EQ(longLock.Error(), 0);
  std::vector<std::string> expected = others;
  expected.push_back("a.zip");
  expected.push_back(longName);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(dir.Path()), expected);
}

// Root, whom the kernel lets write anything, is refused a file without any
// write bit, as every other user is.
TEST(ArchiveLockTest, AFileWithoutWriteBitsIsRefused) {
  TempDir dir;
  const std::pair<mode_t, int> cases[] = {{0644, 0}, {0200, 0}, {0444, EACCES}, {0400, EACCES}};
  for (const auto& [mode, error] : cases) {
    const std::string archive = dir / "a.zip";
    WriteFile(archive, "archive");
    ASSERT_EQ(chmod(archive.c_str(), mode), 0);
    EXPECT_EQ(WriteAccessError(archive), error) << std::oct << mode;
    EXPECT_EQ(ArchiveLock(archive, true, nullptr).Error(), error) << std::oct << mode;
    fs::remove(archive);
  }
  EXPECT_EQ(WriteAccessError(dir / "missing"), ENOENT);
  EXPECT_EQ(ArchiveLock(dir / "missing", false, nullptr).Error(), ENOENT);
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
  EXPECT_EQ(ArchiveLock(dir / "fifo", true, nullptr).Error(), EINVAL);
}

}  // namespace
