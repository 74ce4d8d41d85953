// Extraction of hostile tar archives made with Python's tarfile: nothing is
// written outside the destination, every entry that is refused is named
// with its reason, and the status says so.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "cli/OvkRun.h"
#include "common/TestUtil.h"

namespace ovktest {
namespace {

struct HostileTar {
  const char* label;
  std::string members;                // Python lines calling add(name, data, type, link, mode)
  int status;
  std::vector<std::string> errLines;  // exactly these, after "ovk: "
  std::vector<std::pair<std::string, std::string>> written;  // below the destination
  std::vector<std::string> absent;    // below the destination
};

void PrintTo(const HostileTar& c, std::ostream* os) { *os << c.label; }

const char kMaker[] =
    "import io, sys, tarfile\n"
    "t = tarfile.open(sys.argv[1], 'w', format=tarfile.GNU_FORMAT)\n"
    "def add(name, data=b'', type=tarfile.REGTYPE, link='', mode=0o644):\n"
    "  i = tarfile.TarInfo(name)\n"
    "  i.type, i.linkname, i.mode, i.size, i.mtime = type, link, mode, len(data), 1600000000\n"
    "  t.addfile(i, io.BytesIO(data))\n"
    "R, S, H, C, F = tarfile.REGTYPE, tarfile.SYMTYPE, tarfile.LNKTYPE, tarfile.CHRTYPE, tarfile.FIFOTYPE\n";

const std::vector<HostileTar>& Cases() {
  static const std::vector<HostileTar> cases = {
      {"ClimbingAndAbsoluteNamesLandInside",
       "add('../up.txt', b'up')\nadd('/abs/root.txt', b'root')\nadd('a/../../b.txt', b'b')", 0, {},
       {{"up.txt", "up"}, {"abs/root.txt", "root"}, {"a/b.txt", "b"}}, {}},
      {"LinksLeavingAreRefused",
       "add('out', type=S, link='../outside')\nadd('abs', type=S, link='/etc')\n"
       "add('hard', type=H, link='../outside/victim.txt')\nadd('hardabs', type=H, link='/etc/passwd')",
       3,
       {"out: its link target ../outside leads outside the destination",
        "abs: its link target /etc leads outside the destination",
        "hard: its link target ../outside/victim.txt leads outside the destination",
        "hardabs: its link target /etc/passwd leads outside the destination"},
       {}, {"out", "abs", "hard", "hardabs"}},
      {"AFileThroughALinkIsRefused",
       "add('sub/keep.txt', b'keep')\nadd('d', type=S, link='sub')\nadd('d/x.txt', b'through')\n"
       "add('d/keep.txt', b'replaced')",
       3,
       {"d/x.txt: its path runs through a symbolic link", "d/keep.txt: its path runs through a symbolic link"},
       {{"sub/keep.txt", "keep"}}, {"sub/x.txt"}},
      {"AHardLinkThroughALinkIsRefused",
       "add('sub/keep.txt', b'keep')\nadd('d', type=S, link='sub')\nadd('h', type=H, link='d/keep.txt')", 3,
       {"h: its path runs through a symbolic link"}, {{"sub/keep.txt", "keep"}}, {"h"}},
      {"HardLinkInsideSharesTheFile",
       "add('a.txt', b'alpha')\nadd('sub/same.txt', type=H, link='a.txt')\nadd('gone', type=H, link='never.txt')",
       3, {"gone: its link target never.txt is no file extracted here"}, {{"a.txt", "alpha"}, {"sub/same.txt", "alpha"}},
       {"gone"}},
      {"DevicesAndFifosAreNotMade",
       "add('tty', type=C)\nadd('pipe', type=F)\nadd('after.txt', b'after')", 3,
       {"tty: not extracted: a device", "pipe: not extracted: a FIFO"}, {{"after.txt", "after"}}, {"tty", "pipe"}},
      {"SetUserIdBitsAreDropped", "add('su', b'#!/bin/sh\\n', mode=0o6755)", 0, {}, {{"su", "#!/bin/sh\n"}}, {}},
  };
  return cases;
}

class HostileTarTest : public ::testing::TestWithParam<HostileTar> {};

TEST_P(HostileTarTest, WritesOnlyBelowAndNamesWhatItRefused) {
  if (!HaveTool("python3")) GTEST_SKIP() << "needs python3";
  const HostileTar& c = GetParam();
  TempDir dir;
  const std::string archive = dir / "hostile.tar", dest = dir / "dest";
  WriteFile(dir / "outside/victim.txt", "outside");
  const CommandResult made =
      ovktest::Run("python3 -c " + Quote(std::string(kMaker) + c.members + "\nt.close()\n") + " " + Quote(archive) + " 2>&1");
  ASSERT_EQ(made.exitCode, 0) << made.output;
  const std::string snapshot = "cd " + Quote(dir.Path()) + " && find . -path ./dest -prune -o -print | sort";
  const std::string before = ovktest::Run(snapshot).output;

  const OvkResult r = RunOvk({"extract", "-d", dest, archive});
  EXPECT_EQ(r.exitCode, c.status) << r.err;
  std::vector<std::string> expected;
  for (const std::string& line : c.errLines) expected.push_back("ovk: " + line);
  EXPECT_EQ(Lines(r.err), expected);
  for (const auto& [name, content] : c.written) EXPECT_EQ(ReadFile(dest + "/" + name), content) << name;
  for (const std::string& name : c.absent) {
    struct stat st;
    EXPECT_NE(lstat((dest + "/" + name).c_str(), &st), 0) << name << " was made";
  }
  EXPECT_EQ(ovktest::Run(snapshot).output, before) << "nothing outside the destination changes";
  EXPECT_EQ(ReadFile(dir / "outside/victim.txt"), "outside");
  // No set-user-ID, set-group-ID or sticky bit on anything made.
  EXPECT_EQ(ovktest::Run("find " + Quote(dest) + " -perm /7000").output, "");
}

INSTANTIATE_TEST_SUITE_P(Tars, HostileTarTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<HostileTar>& info) { return info.param.label; });

TEST(HostileTar, AHardLinkIsOneFileWithItsTarget) {
  if (!HaveTool("python3")) GTEST_SKIP() << "needs python3";
  TempDir dir;
  const std::string members = "add('a.txt', b'alpha', mode=0o755)\nadd('b.txt', type=H, link='a.txt')";
  ASSERT_EQ(ovktest::Run("python3 -c " + Quote(std::string(kMaker) + members + "\nt.close()\n") + " " + Quote(dir / "h.tar"))
                .exitCode,
            0);
  const OvkResult r = RunOvk({"extract", "-d", dir / "dest", dir / "h.tar"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  struct stat a, b;
  ASSERT_EQ(stat((dir / "dest/a.txt").c_str(), &a), 0);
  ASSERT_EQ(stat((dir / "dest/b.txt").c_str(), &b), 0);
  EXPECT_EQ(a.st_ino, b.st_ino);
  EXPECT_EQ(a.st_mode & 0777, 0755u);
}

}  // namespace
}  // namespace ovktest
