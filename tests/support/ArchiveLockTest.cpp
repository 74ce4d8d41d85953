// The archive lock: a waiter takes its turn on the file the name holds when
// the turn comes, and the temporary files of killed runs go.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "common/TestUtil.h"
#include "support/ArchiveLock.h"
#include "support/ArchiveTemps.h"

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

TEST(ArchiveLockTest, AWaiterLocksWhatTheNameHoldsWhenItsTurnComes) {
  struct Case {
    bool replaced;  // else removed while the waiter waits
    bool create;
    int error;
  };
  for (const Case& c : {Case{true, false, 0}, Case{false, false, ENOENT}, Case{false, true, 0}}) {
    TempDir dir;
    const std::string archive = dir / "a.zip";
    WriteFile(archive, "old");
    auto holder = std::make_unique<ArchiveLock>(archive, false, nullptr);
    std::atomic<int> waits{0};
    std::thread waiter([&] {
      const ArchiveLock lock(archive, c.create, [&] { ++waits; });
      EXPECT_EQ(lock.Error(), c.error);
      if (c.error != 0) return;
      EXPECT_TRUE(LockedByOthers(archive));
      EXPECT_EQ(ReadFile(archive), c.replaced ? "new" : "");
      EXPECT_EQ(lock.Created(), !c.replaced);
    });
    for (int i = 0; i < 1000 && waits == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (c.replaced) {
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

// A link to nothing ends the lock at once: one that may create makes the
// file where the link points and keeps the link; a missing folder there, a
// loop of links or no leave to create are said.
TEST(ArchiveLockTest, ALinkToNothingEnds) {
  struct Case {
    const char* target;
    bool create;
    int error;
  };
  for (const Case& c : {Case{"made.zip", true, 0}, Case{"made.zip", false, ENOENT}, Case{"missing/x.zip", true, ENOENT},
                        Case{"a.zip", true, ELOOP}}) {
    TempDir dir;
    ASSERT_EQ(symlink(c.target, (dir / "a.zip").c_str()), 0);
    const ArchiveLock lock(dir / "a.zip", c.create, nullptr);
    EXPECT_EQ(lock.Error(), c.error) << c.target << " " << c.create;
    EXPECT_TRUE(fs::is_symlink(dir / "a.zip"));
    EXPECT_EQ(fs::is_regular_file(dir / "made.zip"), c.error == 0);
    if (c.error == 0) {
      EXPECT_EQ(lock.Target(), fs::canonical(dir / "made.zip").string());
    }
  }
}

// Temporary files are private and named after their archive (cut to fit a
// long name); the next holder of the lock removes those, and only those.
TEST(ArchiveLockTest, TakingTheLockRemovesLeftTemporaryFiles) {
  TempDir dir;
  const std::vector<std::string> others = {".a.zip.ovk-0123456.tmp", ".a.zip.ovk-0123456g.tmp",
                                           "a.zip.ovk-01234567.tmp", ".b.zip.ovk-01234567.tmp"};
  for (const std::string& other : others) WriteFile(dir / other, "not ours");
  for (const std::string& name : {std::string("a.zip"), std::string(250, 'n') + ".zip"}) {
    WriteFile(dir / name, "archive");
    DataFile first, second;
    ASSERT_FALSE(CreateArchiveTemp(dir / name, first) || CreateArchiveTemp(dir / name, second));
    const std::string temp = first.name;
    ASSERT_NE(temp, second.name);
    struct stat st;
    ASSERT_EQ(stat(temp.c_str(), &st), 0) << temp;
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(fs::path(temp).parent_path(), fs::path(dir.Path()));
    ASSERT_EQ(ArchiveLock(dir / name, false, nullptr).Error(), 0);
    std::size_t left = 0;
    for (const auto& e : fs::directory_iterator(dir.Path())) left += e.path().filename().string().find(".ovk-") != std::string::npos;
    EXPECT_EQ(left, others.size()) << name;
  }
}

}  // namespace
