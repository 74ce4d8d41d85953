// `ovk add` and `ovk delete` killed with SIGKILL at random moments: the
// archive afterwards is the old one or the finished new one (deletion), or
// a readable one that still holds every old entry (appending).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <fcntl.h>

#include <chrono>
#include <functional>
#include <map>
#include <thread>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "HardeningUtil.h"
#include "KillCounts.h"
#include "common/TestUtil.h"
#include "engine/Archive.h"
#include "engine/formats/zip/ZipFormat.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace ovkhard {

KillCounts& KillTotals() {
  static KillCounts totals;
  return totals;
}

namespace {

pid_t Spawn(const std::vector<std::string>& argv) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 1);
    dup2(quiet, 2);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  return pid;
}

// Runs the program to its end; its exit status (-1 when it did not exit).
int RunToEnd(const std::vector<std::string>& argv) {
  int status = 0;
  waitpid(Spawn(argv), &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Starts the program, kills it after the delay; true when the kill came
// before the program had finished.
bool RunAndKill(const std::vector<std::string>& argv, Clock::duration delay) {
  const pid_t pid = Spawn(argv);
  std::this_thread::sleep_for(delay);
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// Kill delays drawn below a bound that starts a little past one unkilled
// run and shrinks to any delay a run outlived: however loaded the machine,
// the kills keep landing mid-run, so the count of those is no measure of
// the machine's speed.
class KillDelays {
 public:
  KillDelays(Clock::duration run, int percentOfRun)
      : bound_(std::chrono::duration_cast<std::chrono::microseconds>(run).count() * percentOfRun / 100) {}
  std::chrono::microseconds Next(std::mt19937& random) {
    last_ = std::uniform_int_distribution<long long>(0, std::max(1LL, bound_))(random);
    return std::chrono::microseconds(last_);
  }
  void RunOutlived() { bound_ = std::min(bound_, last_); }

 private:
  long long bound_;
  long long last_ = 0;
};

// Runs argv under kills until `wanted` of them landed mid-run (or four times
// as many runs were started); check looks at the archive after each run.
// The runs started.
int KillUntil(int wanted, const std::vector<std::string>& argv, KillDelays& delays, std::mt19937& random,
              const std::function<void()>& reset, const std::function<void(int)>& check, int& killed) {
  int runs = 0;
  for (; killed < wanted && runs < 4 * wanted; ++runs) {
    reset();
    if (RunAndKill(argv, delays.Next(random))) ++killed;
    else delays.RunOutlived();
    check(runs);
  }
  return runs;
}

bool HasZipDirectory(const std::string& archive) {
  ovk::DataFile file;
  if (!ovk::OpenArchiveForReading(file, archive)) return false;
  std::int64_t first = 0;
  const bool found = ovk::LocateZipDirectory(file, first) >= 0;
  EXPECT_FALSE(ovk::CloseDataFile(file));
  return found;
}

std::vector<std::string> Selection(const std::map<std::string, std::string>& files) {
  std::vector<std::string> s;
  for (const auto& [name, data] : files) s.push_back(name);
  return s;
}

class KillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ovktest::MakeDirs(privateTmp_);
    if (!ovktest::Exists(ovk_)) GTEST_SKIP() << "ovk not built";
  }

  // Milliseconds of one run to its end, with the archive reset before it.
  Clock::duration TimeRun(const std::function<void()>& reset, const std::vector<std::string>& argv) {
    reset();
    const auto start = Clock::now();
    EXPECT_EQ(RunToEnd(argv), 0);
    return Clock::now() - start;
  }

  ovktest::TempDir dir_;
  const std::string ovk_ = ovktest::BuiltProgram("ovk");
  const std::string privateTmp_ = dir_ / "tmp";
  std::mt19937 random_{20261208};
};

TEST_F(KillTest, KilledAppendKeepsEveryOldEntry) {
  for (int i = 0; i < 4; ++i) ovktest::WriteFile(dir_ / ("old/o" + std::to_string(i) + ".bin"), ovktest::RandomBytes(30000, i));
  ovktest::WriteFile(dir_ / "old/notes.txt", std::string(40000, 'n'));
  for (int i = 0; i < 6; ++i) ovktest::WriteFile(dir_ / ("big/b" + std::to_string(i) + ".bin"), ovktest::RandomBytes(700000, 10 + i));
  ovktest::WriteFile(dir_ / "big/text.txt", std::string(1000000, 't'));
  ovktest::WriteFile(dir_ / "late/late.txt", "added after the kill\n");
  const std::string base = dir_ / "base.zip";
  const std::string archive = dir_ / "work/archive.zip";
  ovktest::MakeDirs(dir_ / "work");
  ScopedTmpdir tmp(privateTmp_);
  ASSERT_EQ(RunToEnd({ovk_, "add", base, dir_ / "old"}), 0);
  const ArchiveContent old = ReadArchive(base);
  ASSERT_EQ(old.files.size(), 5u);
  const std::vector<std::string> oldNames = Selection(old.files);

  const auto reset = [&] { fs::copy_file(base, archive, fs::copy_options::overwrite_existing); };
  const std::vector<std::string> argv = {ovk_, "add", archive, dir_ / "big"};
  const auto full = TimeRun(reset, argv);
  ASSERT_EQ(ReadArchive(archive).files.size(), 12u);

  const int wanted = Scaled(200);
  int killed = 0, losses = 0, withoutDirectory = 0;
  KillDelays delays(full, 110);
  const int kills = KillUntil(wanted, argv, delays, random_, reset, [&](int i) {
    const ArchiveContent now = ReadArchive(archive, "", oldNames);
    // Appending replaces the old directory: killed in between, the archive
    // has no end record until the next complete append. Our reader walks the
    // local headers and still finds everything; the next append gives the
    // directory back, for the tools that start from the end record.
    std::string missing;
    if (!HoldsAll(now, old, missing)) {
      ++losses;
      ADD_FAILURE() << "kill " << i << " lost " << missing << " (listed " << now.listedEntries << ", code "
                    << now.code << ")";
    }
    if (!HasZipDirectory(archive)) {
      ++withoutDirectory;
      // Every other one is rebuilt by `ovk repair` first, the rest by the add.
      if (withoutDirectory % 2 == 0) {
        EXPECT_EQ(RunToEnd({ovk_, "repair", archive}), 0) << "kill " << i;
        EXPECT_TRUE(HasZipDirectory(archive)) << "kill " << i;
      }
      EXPECT_EQ(RunToEnd({ovk_, "add", archive, dir_ / "late"}), 0);
      const ArchiveContent repaired = ReadArchive(archive);
      EXPECT_TRUE(HasZipDirectory(archive)) << "kill " << i;
      EXPECT_TRUE(HoldsAll(repaired, old, missing)) << "kill " << i << " repair lost " << missing;
      EXPECT_EQ(repaired.files.count("late.txt"), 1u) << "kill " << i;
      if (withoutDirectory % 10 == 1 && ovktest::HaveTool("python3")) {
        EXPECT_EQ(ovktest::Run("python3 -c 'import sys,zipfile; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)' " +
                               ovktest::Quote(archive)).exitCode, 0) << "kill " << i;
      }
    }
  }, killed);
  std::printf("[  kills ] append: %d runs of %lld ms, %d killed mid-run, %d lost an old entry, "
              "%d left without an end record (each repaired by ovk repair or the next add)\n",
              kills, static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(full).count()),
              killed, losses, withoutDirectory);
  KillTotals().started += kills;
  KillTotals().killed += killed;
  KillTotals().losses += losses;
  EXPECT_EQ(losses, 0);
  EXPECT_EQ(killed, wanted) << "the kills did not land during the runs";
}

TEST_F(KillTest, KilledDeletionLeavesTheOldOrTheNewArchive) {
  for (int i = 0; i < 30; ++i) ovktest::WriteFile(dir_ / ("src/f" + std::to_string(i) + ".bin"), ovktest::RandomBytes(500000, 100 + i));
  const std::string base = dir_ / "base.zip";
  const std::string work = dir_ / "work";
  const std::string archive = work + "/archive.zip";
  ovktest::MakeDirs(work);
  ASSERT_EQ(RunToEnd({ovk_, "add", base, dir_ / "src"}), 0);
  const std::string before = ovktest::ReadFile(base);
  const auto reset = [&] { fs::copy_file(base, archive, fs::copy_options::overwrite_existing); };
  const std::vector<std::string> argv = {ovk_, "delete", archive, "f3.bin", "f17.bin", "f29.bin"};
  ScopedTmpdir tmp(privateTmp_);
  const Clock::duration full = TimeRun(reset, argv);
  const std::string after = ovktest::ReadFile(archive);
  ASSERT_NE(after, before);
  ASSERT_EQ(ReadArchive(archive).files.size(), 27u);

  const int wanted = Scaled(150);
  int killed = 0, losses = 0, leftovers = 0, keptOld = 0, gotNew = 0;
  // The range starts past the end of an unkilled run, so kills also land
  // around the final move.
  KillDelays delays(full, 130);
  const int kills = KillUntil(wanted, argv, delays, random_, reset, [&](int i) {
    const std::string now = ovktest::ReadFile(archive);
    keptOld += now == before;
    gotNew += now == after;
    if (now != before && now != after) {
      ++losses;
      ADD_FAILURE() << "kill " << i << " left an archive that is neither the old nor the new one";
    }
    // A killed run cannot remove its temporary file: it stays private (or,
    // killed in the moment between taking the archive's permissions and the
    // rename, as open as the archive itself), and the next run on the
    // archive removes it, so there is never more than one.
    const fs::perms archiveMode = fs::status(archive).permissions();
    int here = 0;
    for (const auto& item : fs::directory_iterator(work)) {
      if (item.path() == archive) continue;
      ++here;
      const fs::perms mode = item.status().permissions();
      EXPECT_TRUE(mode == (fs::perms::owner_read | fs::perms::owner_write) || mode == archiveMode) << item.path();
    }
    EXPECT_LE(here, 1) << "kill " << i;
    leftovers += here;
  }, killed);
  TimeRun(reset, argv);
  EXPECT_EQ(std::distance(fs::directory_iterator(work), fs::directory_iterator()), 1) << "a finished run left a file";
  EXPECT_EQ(CountEntries(privateTmp_), 0u) << "the temporary folder was used";
  std::printf("[  kills ] delete: %d runs of %lld ms, %d killed mid-run; archive afterwards old %d, new %d, "
              "damaged %d; %d temporary files left by killed runs, each removed by the next run\n",
              kills, static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(full).count()),
              killed, keptOld, gotNew, losses, leftovers);
  KillTotals().started += kills;
  KillTotals().killed += killed;
  KillTotals().losses += losses;
  EXPECT_EQ(losses, 0);
  EXPECT_EQ(killed, wanted) << "the kills did not land during the runs";
}

}  // namespace
}  // namespace ovkhard
