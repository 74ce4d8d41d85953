// `ovk add`, `ovk delete` and `ovk repair`: round trips through the engine,
// the options, report-and-continue on failures, and runs on one archive at
// the same time.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <chrono>
#include <memory>
#include <thread>

#include "cli/CliFixture.h"
#include "engine/ArchiveBytes.h"
#include "support/ArchiveLock.h"
#include "support/ByteOrder.h"

namespace ovktest {
namespace {

class AddCommandTest : public CliFixture {
 protected:
  std::string archive_ = dir_ / "t.zip";
};

TEST_F(AddCommandTest, FolderRoundTripIsByteIdentical) {
  Add({archive_, src_});
  EXPECT_EQ(NameSet(archive_), allNames_);
  EXPECT_EQ(ReadFile(archive_).substr(0, 4), std::string("PK\x03\x04"));
  const OvkResult r = RunOvk({"extract", "-d", dir_ / "out", archive_});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const auto& [name, content] : files_) EXPECT_EQ(ReadFile(dir_ / "out/" + name), content) << name;
}

TEST_F(AddCommandTest, OptionsShapeWhatIsStored) {
  struct Case {
    std::vector<std::string> options;
    std::set<std::string> names;
  };
  const std::vector<Case> cases = {
      {{"--no-recurse"}, {"a.txt", "notes.log"}},
      {{"-x", "*.log"}, {"a.txt", "sub\\b.txt", "sub\\deeper\\c.txt"}},
      {{"-x", "*.LOG", "-x", "a.*"}, {"sub\\b.txt", "sub\\deeper\\c.txt"}},  // masks ignore case
      {{"-x", "sub/*"}, {"a.txt", "notes.log"}},                              // a path mask, either separator
      {{"-x", "sub\\deeper\\*", "--no-recurse"}, {"a.txt", "notes.log"}},
      {{"-x", "sub\\deeper\\*"}, {"a.txt", "notes.log", "sub\\b.txt", "sub\\run.log"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string archive = dir_ / ("case" + std::to_string(n++) + ".zip");
    std::vector<std::string> args = c.options;
    args.push_back(archive);
    args.push_back(src_);
    Add(args);
    EXPECT_EQ(NameSet(archive), c.names) << args[0] << " " << args[1];
    // The same options after the archive shape it the same way.
    const std::string after = dir_ / ("after" + std::to_string(n) + ".zip");
    args = {after, src_};
    args.insert(args.end(), c.options.begin(), c.options.end());
    Add(args);
    EXPECT_EQ(NameSet(after), c.names) << args[2];
  }
}

TEST_F(AddCommandTest, EachSourceAppendsAndAMaskSourceWorks) {
  Add({archive_, src_ + "/a.txt"});
  Add({archive_, src_ + "/sub/", src_ + "/*.log"});
  // A folder stores names relative to itself; a mask walks recursively.
  EXPECT_EQ(Names(archive_),
            (std::vector<std::string>{"a.txt", "b.txt", "deeper\\c.txt", "run.log", "notes.log", "sub\\run.log"}));
}

TEST_F(AddCommandTest, NativeWithPasswordRoundTrip) {
  const std::string archive = dir_ / "t.ovk";
  Add({"--native", "-p", "pw", archive, src_});
  EXPECT_EQ(ReadFile(archive).substr(0, 4), "KWTZ");
  EXPECT_EQ(NameSet(archive), allNames_);
  const OvkResult table = RunOvk({"list", archive});
  EXPECT_NE(table.out.find("* sub/b.txt\n"), std::string::npos) << table.out;
  EXPECT_EQ(RunOvk({"extract", "-d", dir_ / "o1", archive}).exitCode, 1);
  ASSERT_EQ(RunOvk({"extract", "-p", "pw", "-d", dir_ / "o2", archive}).exitCode, 0);
  EXPECT_EQ(ReadFile(dir_ / "o2/sub/deeper/c.txt"), files_.at("sub/deeper/c.txt"));
}

TEST_F(AddCommandTest, ZipWithPasswordNeedsIt) {
  Add({"-p", "pw", archive_, src_ + "/a.txt"});
  EXPECT_EQ(RunOvk({"extract", "-p", "nope", "-d", dir_ / "o", archive_}).exitCode, 2);
  ASSERT_EQ(RunOvk({"extract", "-p", "pw", "-d", dir_ / "o", archive_}).exitCode, 0);
  EXPECT_EQ(ReadFile(dir_ / "o/a.txt"), "alpha\n");
}

TEST_F(AddCommandTest, FailedSourcesAreReportedAndTheRestAdded) {
  const std::string missing = dir_ / "nothing";
  const OvkResult r = RunOvk({"add", archive_, missing, src_ + "/a.txt", src_ + "/*.none"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "ovk: no such file or folder: " + missing + "\novk: " + src_ + "/*.none: no file matches\n");
  EXPECT_EQ(Names(archive_), std::vector<std::string>{"a.txt"});
}

TEST_F(AddCommandTest, TheEnginesReasonIsPrintedAndFailsTheRun) {
  WriteFile(dir_ / "afile", "a file where a folder should be");
  const OvkResult r = RunOvk({"add", dir_ / "afile/t.zip", src_});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "ovk: " + (dir_ / "afile/t.zip") + ": cannot be opened for writing: a file is in the way of a folder\n");
}

TEST_F(AddCommandTest, AnExcludedFileIsNoFailureButSaid) {
  const OvkResult r = RunOvk({"add", "-x", "*.txt", archive_, src_ + "/a.txt"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find("nothing added from " + src_ + "/a.txt"), std::string::npos) << r.err;
}

// Both encryptions, on a small file and on one coded in pieces: the
// traditional one opens in unzip, AES-256 in 7-Zip and libarchive; each peer
// refuses a wrong password and ovk reads both back. AES is a ZIP choice.
TEST_F(AddCommandTest, EachEncryptionOpensInItsPeers) {
  const std::string large = RandomBytes(3 << 20, 5) + std::string(9 << 20, 'z');
  WriteFile(dir_ / "enc/large.bin", large);
  WriteFile(dir_ / "enc/small.txt", "small\n");
  struct Peer {
    const char* tool;
    std::string (*command)(const std::string& archive, const std::string& password, const std::string& out);
  };
  const Peer unzip{"unzip", [](const std::string& a, const std::string& p, const std::string& out) {
                     return "unzip -q -P " + Quote(p) + " -d " + Quote(out) + " " + Quote(a);
                   }};
  const Peer sevenZip{"7zz", [](const std::string& a, const std::string& p, const std::string& out) {
                        return "7zz x -y -p" + Quote(p) + " -o" + Quote(out) + " " + Quote(a);
                      }};
  const Peer bsdtar{"bsdtar", [](const std::string& a, const std::string& p, const std::string& out) {
                      return "mkdir -p " + Quote(out) + " && bsdtar -xf " + Quote(a) + " -C " + Quote(out) +
                             " --passphrase " + Quote(p);
                    }};
  struct Case {
    std::vector<std::string> options;
    std::vector<Peer> peers;
  };
  const std::vector<Case> cases = {{{}, {unzip, sevenZip}}, {{"--aes"}, {sevenZip, bsdtar}}};
  int n = 0;
  for (const Case& c : cases) {
    const std::string archive = dir_ / ("e" + std::to_string(n++) + ".zip");
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"-p", "pw", archive, dir_ / "enc"});
    Add(args);
    for (const Peer& peer : c.peers) {
      if (!HaveTool(peer.tool)) continue;
      const std::string out = dir_ / ("peer" + std::to_string(n++));
      EXPECT_NE(ovktest::Run(peer.command(archive, "wrong", out + "w")).exitCode, 0) << peer.tool << " " << archive;
      const CommandResult r = ovktest::Run(peer.command(archive, "pw", out));
      ASSERT_EQ(r.exitCode, 0) << peer.tool << " " << archive << ": " << r.output;
      EXPECT_TRUE(ReadFile(out + "/large.bin") == large) << peer.tool << " " << archive;
      EXPECT_EQ(ReadFile(out + "/small.txt"), "small\n") << peer.tool << " " << archive;
    }
    const std::string own = dir_ / ("own" + std::to_string(n++));
    EXPECT_EQ(RunOvk({"extract", "-p", "wrong", "-d", own + "w", archive}).exitCode, 2) << archive;
    ASSERT_EQ(RunOvk({"extract", "-p", "pw", "-d", own, archive}).exitCode, 0) << archive;
    EXPECT_TRUE(ReadFile(own + "/large.bin") == large) << archive;
  }
  const OvkResult native = RunOvk({"add", "--native", "--aes", "-p", "pw", dir_ / "n.ovk", dir_ / "enc"});
  EXPECT_EQ(native.exitCode, 3);
  EXPECT_NE(native.err.find("AES encryption is for ZIP archives"), std::string::npos) << native.err;
  EXPECT_FALSE(Exists(dir_ / "n.ovk"));
}

class DeleteCommandTest : public CliFixture {
 protected:
  void SetUp() override {
    CliFixture::SetUp();
    Add({archive_, src_});
    before_ = Names(archive_);
  }
  std::vector<std::string> Without(const std::set<std::string>& gone) const {
    std::vector<std::string> kept;
    for (const std::string& n : before_)
      if (!gone.count(n)) kept.push_back(n);
    return kept;
  }
  std::string archive_ = dir_ / "t.zip";
  std::vector<std::string> before_;
};

TEST_F(DeleteCommandTest, NamedEntriesGoTheRestStayInOrder) {
  const OvkResult r = RunOvk({"delete", archive_, "sub/b.txt", "SUB\\Deeper\\c.TXT"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Names(archive_), Without({"sub\\b.txt", "sub\\deeper\\c.txt"}));
  ASSERT_EQ(RunOvk({"extract", "-d", dir_ / "o", archive_}).exitCode, 0);
  EXPECT_EQ(ReadFile(dir_ / "o/sub/run.log"), files_.at("sub/run.log"));
}

TEST_F(DeleteCommandTest, KeptEntriesStayValidForPeers) {
  OVK_REQUIRE_TOOL("unzip");
  ASSERT_EQ(RunOvk({"delete", archive_, "a.txt"}).exitCode, 0);
  const CommandResult t = ovktest::Run("unzip -t " + Quote(archive_));
  EXPECT_EQ(t.exitCode, 0) << t.output;
}

TEST_F(DeleteCommandTest, UnknownNamesAreReported) {
  const std::string bytes = ReadFile(archive_);
  const OvkResult none = RunOvk({"delete", archive_, "nothere.txt"});
  EXPECT_EQ(none.exitCode, 3);
  EXPECT_EQ(none.err, "ovk: nothere.txt: no such entry in the archive\n");
  EXPECT_EQ(ReadFile(archive_), bytes) << "archive rewritten although nothing matched";

  const OvkResult some = RunOvk({"delete", archive_, "a.txt", "sub/nothere.txt"});
  EXPECT_EQ(some.exitCode, 3);
  EXPECT_EQ(some.err, "ovk: sub/nothere.txt: no such entry in the archive\n");
  EXPECT_EQ(Names(archive_), Without({"a.txt"}));
}

TEST_F(DeleteCommandTest, DeletingEveryEntryLeavesAnEmptyArchive) {
  std::vector<std::string> args = {"delete", archive_};
  args.insert(args.end(), before_.begin(), before_.end());
  ASSERT_EQ(RunOvk(args).exitCode, 0);
  EXPECT_TRUE(Names(archive_).empty());
}

// An archive whose directory does not account for every entry is left as
// it is, the engine's reason the one line said.
TEST_F(DeleteCommandTest, RefusalSaysWhy) {
  const std::string odd = dir_ / "odd.zip";
  ZipLayout layout;
  layout.entriesTotal = 7;
  const std::string lying = BuildZip(
      {ZipEntry("first.txt", "first"), ZipEntry("", "nameless"), ZipEntry("second.txt", "2"), ZipEntry("3", "3")},
      layout);
  WriteFile(odd, lying);
  const OvkResult refused = RunOvk({"delete", odd, "first.txt"});
  EXPECT_EQ(refused.exitCode, 3);
  EXPECT_EQ(refused.err, "ovk: " + odd +
                             ": cannot delete from it: its end record counts 7 entries, its central directory lists "
                             "4; the archive is unchanged\n");
  EXPECT_TRUE(ReadFile(odd) == lying);
}

TEST_F(DeleteCommandTest, NativeAndMissingArchivesAreRefused) {
  const std::string native = dir_ / "t.ovk";
  Add({"--native", native, src_});
  const std::string bytes = ReadFile(native);
  const OvkResult r = RunOvk({"delete", native, "a.txt"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "ovk: cannot delete from " + native +
                       ": entries are deleted only from ZIP, tar and 7z archives, this one is native\n");
  EXPECT_EQ(ReadFile(native), bytes);

  const std::string missing = dir_ / "missing.zip";
  const OvkResult m = RunOvk({"delete", missing, "a.txt"});
  EXPECT_EQ(m.exitCode, 3);
  EXPECT_EQ(m.err, "ovk: cannot open archive " + missing + ": no such file or directory\n");
}

// Only an archive the user may write is rewritten: not a read-only one (not
// even by root), nor another user's one in a folder anyone may write.
TEST_F(DeleteCommandTest, AnArchiveTheUserMayNotWriteIsRefused) {
  struct Case {
    mode_t mode;
    std::string runAs;
  };
  std::vector<Case> cases = {{0444, ""}};
  if (geteuid() == 0 && HaveTool("setpriv")) cases.push_back({0644, "setpriv --reuid=65534 --regid=65534 --clear-groups "});
  ASSERT_EQ(chmod(dir_.Path().c_str(), 0777), 0);
  for (const Case& c : cases) {
    ASSERT_EQ(chmod(archive_.c_str(), c.mode), 0);
    const std::string bytes = ReadFile(archive_);
    const CommandResult r =
        ovktest::Run(c.runAs + Quote(BuiltProgram("ovk")) + " delete " + Quote(archive_) + " a.txt");
    EXPECT_EQ(r.exitCode, 3) << c.runAs;
    EXPECT_EQ(r.output, "ovk: cannot delete from " + archive_ + ": the archive file is read-only for this user\n");
    EXPECT_EQ(ReadFile(archive_), bytes);
  }
}

// A link to nothing gets the archive where it points (as zip and a shell's
// redirection make the file there); a missing folder there is said.
TEST_F(AddCommandTest, ALinkToNothingGetsTheArchiveWhereItPoints) {
  ASSERT_EQ(symlink("made.zip", (dir_ / "l.zip").c_str()), 0);
  ASSERT_EQ(symlink("missing/x.zip", (dir_ / "m.zip").c_str()), 0);
  EXPECT_EQ(RunOvk({"add", dir_ / "l.zip", src_ + "/a.txt"}).exitCode, 0);
  EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "l.zip"));
  EXPECT_EQ(Names(dir_ / "made.zip"), std::vector<std::string>{"a.txt"});
  const OvkResult r = RunOvk({"add", dir_ / "m.zip", src_ + "/a.txt"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "ovk: " + (dir_ / "m.zip") + ": cannot be opened for writing: no such file or directory\n");
}

// Runs of `ovk` on one archive at the same time: each waits for the one
// before it, so no run's entries are lost and the archive stays whole.
class ConcurrentWritersTest : public CliFixture {
 protected:
  void SetUp() override {
    CliFixture::SetUp();
    for (int i = 0; i < 10; ++i) WriteFile(dir_ / ("gone/d" + std::to_string(i) + ".bin"), RandomBytes(200000, 50 + i));
  }

  // Starts every run at once; the number that exited with a failure.
  int RunTogether(const std::vector<std::vector<std::string>>& runs) {
    std::string script;
    for (const auto& args : runs) {
      script += "(" + Quote(BuiltProgram("ovk"));
      for (const std::string& arg : args) script += " " + Quote(arg);
      script += " >/dev/null 2>&1 || echo failed) & ";
    }
    return static_cast<int>(Lines(ovktest::Run(script + "wait").output).size());
  }

  // True once some process waits for a lock on the file (/proc/locks marks
  // waiters with "->").
  static bool SomeoneWaitsFor(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return false;
    const std::string inode = ":" + std::to_string(st.st_ino) + " ";
    for (const std::string& line : Lines(ReadFile("/proc/locks"))) {
      if (line.find("->") != std::string::npos && line.find(inode) != std::string::npos) return true;
    }
    return false;
  }

  // True once `ovk` (not the forked test before its exec) holds the file
  // open for reading and writing, as only the archive's lock opens it (the
  // checks before it read it).
  static bool HoldsOpenForWriting(pid_t pid, const std::string& path) {
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
    if (exe != std::filesystem::canonical(BuiltProgram("ovk"))) return false;
    for (const auto& e : std::filesystem::directory_iterator(fds, error)) {
      if (std::filesystem::read_symlink(e.path(), error) != path) continue;
      const std::string info = ReadFile("/proc/" + std::to_string(pid) + "/fdinfo/" + e.path().filename().string());
      const std::size_t at = info.find("flags:");
      if (at != std::string::npos && (std::stoi(info.substr(at + 6), nullptr, 8) & O_ACCMODE) == O_RDWR) return true;
    }
    return false;
  }

  std::string archive_ = dir_ / "t.zip";
};

// SIGTERM while a writer waits for the archive ends it with 130, the
// archive as it was.
TEST_F(ConcurrentWritersTest, SigtermEndsALockWait) {
  Add({archive_, src_ + "/a.txt"});
  const std::string bytes = ReadFile(archive_);
  const std::string ovk = BuiltProgram("ovk");
  for (std::vector<std::string> args : {std::vector<std::string>{"add", archive_, src_ + "/notes.log"},
                                        {"delete", archive_, "a.txt"}, {"repair", archive_}}) {
    const ovk::ArchiveLock lock(archive_, false, nullptr);
    ASSERT_EQ(lock.Error(), 0);
    args.insert(args.begin(), ovk);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      execv(argv[0], argv.data());
      _exit(127);
    }
    // Before it opens the archive to lock it, it may not have caught the signal yet.
    for (int i = 0; i < 4000 && !HoldsOpenForWriting(pid, archive_); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << args[1] << " status " << status;
    EXPECT_TRUE(ReadFile(archive_) == bytes) << args[1];
  }
}

// A run that finds the archive locked waits for it, and says so once when
// a terminal is there to read it.
TEST_F(ConcurrentWritersTest, AWaitingRunSaysSoOnATerminalOnly) {
  OVK_REQUIRE_TOOL("script");
  Add({archive_, src_ + "/a.txt"});
  const std::string ovk = Quote(BuiltProgram("ovk")) + " add " + Quote(archive_) + " ";
  const std::string notice = "ovk: waiting for another program using " + archive_;
  const std::pair<std::string, int> cases[] = {
      {"script -qec " + Quote(ovk + Quote(src_ + "/notes.log")) + " /dev/null", 1},
      {ovk + Quote(src_ + "/sub/b.txt"), 0},
  };
  for (const auto& [command, notices] : cases) {
    auto lock = std::make_unique<ovk::ArchiveLock>(archive_, false, nullptr);
    ASSERT_EQ(lock->Error(), 0);
    CommandResult r;
    std::thread run([&] { r = ovktest::Run(command); });
    for (int i = 0; i < 2000 && !SomeoneWaitsFor(archive_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    lock.reset();
    run.join();
    EXPECT_EQ(r.exitCode, 0) << r.output;
    int said = 0;
    for (std::size_t at = r.output.find(notice); at != std::string::npos; at = r.output.find(notice, at + 1)) ++said;
    EXPECT_EQ(said, notices) << r.output;
  }
}

TEST_F(ConcurrentWritersTest, EveryRunsEntriesArrive) {
  struct Case {
    const char* what;
    bool withBase;  // the fixture's tree and the files to delete are there first
    int adds;
    int deletes;
  };
  for (const Case& c : {Case{"parallel adds", false, 20, 0}, Case{"adds during deletes", true, 10, 10}}) {
    std::remove(archive_.c_str());
    if (c.withBase) Add({archive_, src_, dir_ / "gone"});
    std::set<std::string> expected = c.withBase ? allNames_ : std::set<std::string>{};
    std::vector<std::vector<std::string>> runs;
    for (int i = 0; i < std::max(c.adds, c.deletes); ++i) {
      const std::string name = "n" + std::to_string(i) + ".bin";
      if (i < c.deletes) runs.push_back({"delete", archive_, "d" + std::to_string(i) + ".bin"});
      if (i >= c.adds) continue;
      WriteFile(dir_ / ("new/" + name), RandomBytes(200000, i));
      runs.push_back({"add", archive_, dir_ / ("new/" + name)});
      expected.insert(name);
    }
    const int failed = RunTogether(runs);
    const std::set<std::string> present = NameSet(archive_);
    int lost = 0;
    for (const std::string& name : expected) lost += present.count(name) == 0;
    const int extra = static_cast<int>(present.size()) - (static_cast<int>(expected.size()) - lost);
    std::string peer = "skipped";
    if (HaveTool("unzip")) peer = ovktest::Run("unzip -tq " + Quote(archive_)).exitCode == 0 ? "passed" : "failed";
    std::printf("[ writers ] %s: %zu runs, %d failed, %d entries lost, %d left over, unzip -t %s\n", c.what,
                runs.size(), failed, lost, extra, peer.c_str());
    EXPECT_EQ(failed, 0) << c.what;
    EXPECT_EQ(lost, 0) << c.what;
    EXPECT_EQ(extra, 0) << c.what << ": deleted entries came back";
    EXPECT_NE(peer, "failed") << c.what;
  }
}

// An add killed while it wrote the new directory leaves the entries and a
// cut directory: list, extract and delete say so and point at the repair,
// which gives back a directory of every entry.
TEST_F(AddCommandTest, DirectoryLostByAnAddIsSaidAndRepaired) {
  Add({archive_, src_});
  const std::vector<std::string> names = Names(archive_);
  const std::string whole = ReadFile(archive_);
  const std::size_t directory = ovk::GetLE32(whole.data() + whole.size() - 6);
  WriteFile(archive_, whole.substr(0, directory + 20));
  const std::string said = "ovk: " + archive_ + ": the archive's directory is missing (an add was interrupted); " +
                           "run `ovk repair " + archive_ + "` to rebuild it\n";
  for (const std::vector<std::string>& command : {std::vector<std::string>{"list", archive_},
                                                  {"extract", "-d", dir_ / "o", archive_}}) {
    const OvkResult r = RunOvk(command);
    EXPECT_EQ(r.exitCode, 3) << command[0];
    EXPECT_EQ(r.err, said) << command[0];
  }
  // Deletion looks only once it holds the archive's lock, so that a
  // running add is not taken for damage.
  const OvkResult deleted = RunOvk({"delete", archive_, "a.txt"});
  EXPECT_EQ(deleted.exitCode, 3);
  EXPECT_EQ(deleted.err, "ovk: " + archive_ + ": the archive's directory is missing (an add was interrupted); " +
                             "a repair or the next add rebuilds it; the archive is unchanged\n");
  ASSERT_EQ(chmod(archive_.c_str(), 0444), 0);
  const OvkResult readOnly = RunOvk({"repair", archive_});
  EXPECT_EQ(readOnly.exitCode, 3);
  EXPECT_EQ(readOnly.err, "ovk: cannot repair " + archive_ + ": the archive file is read-only for this user; " +
                              "the archive is unchanged\n");
  ASSERT_EQ(chmod(archive_.c_str(), 0644), 0);
  const OvkResult repaired = RunOvk({"repair", archive_});
  EXPECT_EQ(repaired.exitCode, 0) << repaired.err;
  EXPECT_EQ(Names(archive_), names);
  ASSERT_EQ(RunOvk({"extract", "-d", dir_ / "o", archive_}).exitCode, 0);
  for (const auto& [name, content] : files_) EXPECT_EQ(ReadFile(dir_ / "o/" + name), content) << name;
  const OvkResult again = RunOvk({"repair", archive_});
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_EQ(again.err, "ovk: " + archive_ + ": the archive's directory is intact; nothing to repair\n");
}

}  // namespace
}  // namespace ovktest
