// `ovk extract`: exit statuses with their messages, named entries, folders.
#include "cli/CliFixture.h"
#include "engine/ArchiveBytes.h"

namespace ovktest {
namespace {

const char kNoPassword[] =
    "ovk: a.txt: enciphered; give the password with -p PASSWORD (or -p - to read it from standard input)\n";
// A wrong password fails every entry's check, each reported.
const char kCheckFailed[] =
    "ovk: a.txt: checksum error: the data is damaged or the password is wrong\n"
    "ovk: notes.log: checksum error: the data is damaged or the password is wrong\n"
    "ovk: sub/b.txt: checksum error: the data is damaged or the password is wrong\n"
    "ovk: sub/deeper/c.txt: checksum error: the data is damaged or the password is wrong\n"
    "ovk: sub/run.log: checksum error: the data is damaged or the password is wrong\n";

class ExtractCommandTest : public CliFixture {
 protected:
  void SetUp() override {
    CliFixture::SetUp();
    Add({plain_, src_});
    Add({"-p", "secret", zipEnc_, src_});
    Add({"--native", "-p", "secret", nativeEnc_, src_});
    Add({"--native", nativePlain_, src_});
    // Cut inside the first entry's header: the walk raises a read error.
    WriteFile(damaged_, ReadFile(nativePlain_).substr(0, 30));
  }

  std::string plain_ = dir_ / "plain.zip";
  std::string zipEnc_ = dir_ / "enc.zip";
  std::string nativeEnc_ = dir_ / "enc.ovk";
  std::string nativePlain_ = dir_ / "plain.ovk";
  std::string damaged_ = dir_ / "damaged.ovk";
  std::string out_ = dir_ / "out";
};

TEST_F(ExtractCommandTest, ExitStatusesAndTheirMessages) {
  struct Case {
    std::string label, archive;
    std::vector<std::string> extra;  // options before the archive
    int exitCode;
    std::string err;
  };
  const std::string missing = dir_ / "missing.zip";
  const std::vector<Case> cases = {
      {"plain zip", plain_, {}, 0, ""},
      {"zip, right password", zipEnc_, {"-p", "secret"}, 0, ""},
      {"native, right password", nativeEnc_, {"-p", "secret"}, 0, ""},
      {"zip, no password", zipEnc_, {}, 1, kNoPassword},
      {"native, no password", nativeEnc_, {}, 1, kNoPassword},
      {"zip, wrong password", zipEnc_, {"-p", "wrong"}, 2, kCheckFailed},
      {"native, wrong password", nativeEnc_, {"-p", "wrong"}, 2, kCheckFailed},
      {"missing archive", missing, {}, 3, "ovk: cannot open archive " + missing + ": no such file or directory\n"},
      {"damaged archive", damaged_, {}, 2,
       "ovk: a.txt: reading the archive failed: the file ends too early\n"},
  };
  // `ovk test` judges exactly as extraction does, and writes nothing.
  for (const Case& c : cases) {
    for (const std::string command : {"test", "extract"}) {
      std::vector<std::string> args = {command, "-d", out_ + "/" + c.label};
      if (command == "test") args.erase(args.begin() + 1, args.end());
      args.insert(args.end(), c.extra.begin(), c.extra.end());
      args.push_back(c.archive);
      const OvkResult r = RunOvk(args, dir_.Path());
      EXPECT_EQ(r.exitCode, c.exitCode) << command << " " << c.label << ": " << r.err;
      EXPECT_EQ(r.err, c.err) << command << " " << c.label;
      if (command == "test") {
        EXPECT_FALSE(Exists(out_ + "/" + c.label)) << c.label;
        if (c.exitCode == 0) {
          EXPECT_EQ(r.out, c.archive + ": " + std::to_string(files_.size()) + " entries verified, 0 failed\n");
        }
      } else if (c.exitCode == 0) {
        for (const auto& [name, content] : files_)
          EXPECT_EQ(ReadFile(out_ + "/" + c.label + "/" + name), content) << c.label << " " << name;
      }
    }
  }
}

// The password need not be on the command line: "-p -" reads it from the
// first line of standard input, and without -p a terminal is asked.
TEST_F(ExtractCommandTest, PasswordFromStandardInputOrTheTerminal) {
  const std::string ovk = Quote(BuiltProgram("ovk"));
  const CommandResult piped =
      ovktest::Run("printf 'secret\\n' | " + ovk + " extract -p - -d " + Quote(out_ + "/piped") + " " + Quote(zipEnc_));
  EXPECT_EQ(piped.exitCode, 0) << piped.output;
  EXPECT_EQ(ReadFile(out_ + "/piped/a.txt"), files_.at("a.txt"));
  EXPECT_EQ(ovktest::Run("printf '' | " + ovk + " test -p - " + Quote(zipEnc_)).exitCode, 64);
  if (!HaveTool("script")) return;
  const CommandResult asked = ovktest::Run("printf 'secret\\n' | script -qec " +
                                           Quote(ovk + " extract -q -d " + Quote(out_ + "/asked") + " " + Quote(zipEnc_)) +
                                           " /dev/null");
  EXPECT_NE(asked.output.find("Password for " + zipEnc_ + ": "), std::string::npos) << asked.output;
  EXPECT_EQ(ReadFile(out_ + "/asked/a.txt"), files_.at("a.txt"));
  // Without a terminal nothing is asked: the entry is reported, exit 1.
  EXPECT_EQ(RunOvk({"test", zipEnc_}).exitCode, 1);
}

// Ctrl-C at the password prompt ends the run with status 130 and leaves the
// terminal echoing again (python3's pty module plays the terminal).
TEST_F(ExtractCommandTest, CtrlCAtThePasswordPromptRestoresEcho) {
  OVK_REQUIRE_TOOL("python3");
  const char script[] = R"(
import os, pty, select, sys, termios, time
pid, fd = pty.fork()
if pid == 0:
    os.execv(sys.argv[1], [sys.argv[1], "test", sys.argv[2]])
shown, deadline = b"", time.monotonic() + 60
while b"Password" not in shown and time.monotonic() < deadline:
    if select.select([fd], [], [], 1)[0]:
        shown += os.read(fd, 1024)
echo = lambda: bool(termios.tcgetattr(fd)[3] & termios.ECHO)
asked = echo()
os.write(fd, b"\x03")
status = os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1])
print(b"Password" in shown, asked, echo(), status)
)";
  WriteFile(dir_ / "prompt.py", script);
  const CommandResult r =
      ovktest::Run("python3 " + Quote(dir_ / "prompt.py") + " " + Quote(BuiltProgram("ovk")) + " " + Quote(zipEnc_));
  EXPECT_EQ(r.output, "True False True 130\n") << "asked, echo while asked, echo after, status";
}

// On a terminal a progress line is drawn (and cleared); Ctrl-C stops the
// run with status 130, and every file it wrote is whole.
TEST_F(ExtractCommandTest, ProgressOnATerminalAndCtrlCStopsCleanly) {
  OVK_REQUIRE_TOOL("script");
  OVK_REQUIRE_TOOL("python3");
  const std::string many = dir_ / "many.zip";
  ASSERT_EQ(ovktest::Run("python3 -c \"import zipfile; z = zipfile.ZipFile('" + many +
                         "', 'w'); [z.writestr('d%d/f%05d' % (i % 50, i), 'content %05d' % i) for i in range(40000)]\"")
                .exitCode,
            0);
  const std::string ovk = Quote(BuiltProgram("ovk"));
  // The line names the entry at hand with its control bytes escaped.
  const std::string hostile = dir_ / "hostile.zip";
  WriteFile(hostile, BuildZip({ZipEntry("evil\x1b[2J.txt", "e"), ZipEntry("other.txt", "o")}));
  for (const std::string command : {" test ", " delete "}) {
    const std::string args = command + Quote(hostile) + (command == " delete " ? " other.txt" : "");
    const CommandResult shown = ovktest::Run("script -qec " + Quote(ovk + args) + " /dev/null");
    EXPECT_EQ(shown.exitCode, 0) << command << shown.output;
    EXPECT_NE(shown.output.find("% "), std::string::npos) << shown.output;
    EXPECT_NE(shown.output.find("\r\033[K"), std::string::npos);
    EXPECT_NE(shown.output.find("evil\\x1b[2J.txt"), std::string::npos) << command << shown.output;
    EXPECT_EQ(shown.output.find("evil\x1b"), std::string::npos) << command;
  }
  EXPECT_EQ(RunOvk({"test", plain_}).err, "") << "no progress line without a terminal";

  // Ctrl-C once the first files are written (a slow build takes longer to
  // get there), long before the last.
  const CommandResult stopped = ovktest::Run(
      "cd " + Quote(dir_.Path()) + " && (" + ovk + " extract -q -d out " + Quote(many) +
      " & pid=$!; for i in $(seq 400); do [ -n \"$(find out -type f -name 'f*' 2>/dev/null | head -n 1)\" ] && break; "
      "sleep 0.05; done; kill -INT $pid; wait $pid; echo status $?)");
  EXPECT_NE(stopped.output.find("status 130"), std::string::npos) << stopped.output;
  EXPECT_NE(stopped.output.find("extract stopped; "), std::string::npos);
  const CommandResult files = ovktest::Run("cd " + Quote(out_) + " && find . -type f | wc -l");
  const int written = std::stoi(files.output);
  EXPECT_GT(written, 0);
  EXPECT_LT(written, 40000) << "the run was meant to be stopped midway";
  EXPECT_EQ(ovktest::Run("cd " + Quote(out_) + " && find . -type f -name '.ovk-*'").output, "");
  EXPECT_EQ(ovktest::Run("cd " + Quote(out_) + " && for f in d*/f*; do "
                         "[ \"$(cat $f)\" = \"content ${f##*/f}\" ] || echo broken $f; done").output,
            "");
}

TEST_F(ExtractCommandTest, FolderThatCannotBeMadeIsReported) {
  WriteFile(dir_ / "afile", "in the way");
  const std::string folder = dir_ / "afile/sub";
  const OvkResult r = RunOvk({"extract", "-d", folder, plain_});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "ovk: cannot create folder " + folder + "\n");
}

class ExtractNamedTest : public ExtractCommandTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(ExtractNamedTest, EitherSeparatorAndAnyLetterCaseSelect) {
  const OvkResult r = RunOvk({"extract", "-d", out_, plain_, GetParam(), "a.txt"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(out_ + "/sub/deeper/c.txt"), files_.at("sub/deeper/c.txt"));
  EXPECT_EQ(ReadFile(out_ + "/a.txt"), files_.at("a.txt"));
  EXPECT_FALSE(Exists(out_ + "/sub/b.txt"));
  EXPECT_FALSE(Exists(out_ + "/notes.log"));
}

INSTANTIATE_TEST_SUITE_P(Forms, ExtractNamedTest,
                         ::testing::Values("sub/deeper/c.txt", "sub\\deeper\\c.txt", "SUB/Deeper\\C.TXT"));

TEST_F(ExtractCommandTest, UnknownNameIsReportedAndTheOthersStillExtracted) {
  const OvkResult r = RunOvk({"extract", "-d", out_, plain_, "sub/b.txt", "sub/nothere.txt"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "ovk: no entry named sub/nothere.txt in " + plain_ + "\n");
  EXPECT_EQ(ReadFile(out_ + "/sub/b.txt"), "beta\n");
  EXPECT_FALSE(Exists(out_ + "/a.txt"));
}

TEST_F(ExtractCommandTest, OnlyUnknownNamesExtractNothing) {
  const OvkResult r = RunOvk({"extract", "-d", out_, plain_, "x.txt", "y.txt"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(Lines(r.err).size(), 2u) << r.err;
  EXPECT_FALSE(Exists(out_));
}

TEST_F(ExtractCommandTest, DefaultFolderIsTheCurrentOneAndFilesAreReplaced) {
  WriteFile(out_ + "/a.txt", "old content that is longer than the new one");
  const OvkResult r = RunOvk({"extract", plain_}, out_);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const auto& [name, content] : files_) EXPECT_EQ(ReadFile(out_ + "/" + name), content) << name;
}

TEST_F(ExtractCommandTest, PeerArchiveWithSemicolonNameAndPassword) {
  OVK_REQUIRE_TOOL("zip");
  WriteFile(dir_ / "peer/x;y.txt", "semicolon\n");
  const std::string archive = dir_ / "peer.zip";
  ASSERT_EQ(ovktest::Run("cd " + Quote(dir_ / "peer") + " && zip -q -P pw " + Quote(archive) + " 'x;y.txt'").exitCode, 0);
  EXPECT_EQ(Names(archive), std::vector<std::string>{"x;y.txt"});
  const OvkResult r = RunOvk({"extract", "-p", "pw", "-d", out_, archive});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(out_ + "/x;y.txt"), "semicolon\n");
}

}  // namespace
}  // namespace ovktest

namespace ovktest {
namespace {

// Times and permission bits come out as unzip restores them from the same
// archives: Info-ZIP's (extended timestamps), Python's (DOS times only) and
// ours, packed in one time zone and extracted in another. Folders get their
// times after their content. Set-user-ID is never restored, and the owner
// always keeps write access.
TEST(ExtractStampsTest, TimesAndModesAsUnzipRestoresThem) {
  OVK_REQUIRE_TOOL("unzip");
  OVK_REQUIRE_TOOL("zip");
  OVK_REQUIRE_TOOL("python3");
  TempDir dir;
  const struct {
    const char* name;
    const char* mode;
    const char* time;
  } files[] = {{"run.sh", "755", "201905041230.10"}, {"notes.txt", "640", "202001020304.06"},
               {"suid", "4755", "201807080910.00"}, {"frozen.txt", "444", "202112312359.58"},
               {"sub/deep.txt", "600", "201701020304.08"}, {"sub", "750", "201602030405.06"}};
  for (const auto& f : files) {
    if (std::string(f.name) != "sub") WriteFile(dir / ("src/" + std::string(f.name)), f.name);
    ASSERT_EQ(ovktest::Run("cd " + Quote(dir / "src") + " && chmod " + f.mode + " " + f.name + " && TZ=UTC touch -t " +
                           f.time + " " + f.name)
                  .exitCode,
              0);
  }
  const std::string ovk = Quote(BuiltProgram("ovk"));
  ASSERT_EQ(ovktest::Run("cd " + Quote(dir / "src") + " && zip -q -r " + Quote(dir / "info.zip") + " *").exitCode, 0);
  ASSERT_EQ(ovktest::Run("cd " + Quote(dir / "src") + " && python3 -c \"import zipfile,glob; z=zipfile.ZipFile('" +
                         dir / "py.zip" + "','w'); [z.write(n) for n in sorted(glob.glob('**', recursive=True))]\"")
                .exitCode,
            0);
  ASSERT_EQ(ovktest::Run("TZ=UTC " + ovk + " add " + Quote(dir / "ours.zip") + " " + Quote(dir / "src")).exitCode, 0);
  const std::string stat = "stat -c '%n %a %Y' ";
  const std::string zone = "umask 022 && TZ=Asia/Tokyo ";
  for (const std::string archive : {"info.zip", "py.zip", "ours.zip"}) {
    SCOPED_TRACE(archive);
    const std::string ours = dir / ("ours-" + archive), theirs = dir / ("unzip-" + archive);
    ASSERT_EQ(ovktest::Run(zone + ovk + " extract -q -d " + Quote(ours) + " " + Quote(dir / archive)).exitCode, 0);
    ASSERT_EQ(ovktest::Run(zone + "unzip -q " + Quote(dir / archive) + " -d " + Quote(theirs)).exitCode, 0);
    // Our archives hold no folder entries, so the folder's time is the time of extraction.
    const bool folderEntry = archive != "ours.zip";
    for (const std::string name : {"run.sh", "notes.txt", "suid", "sub/deep.txt", "sub"}) {
      if (name == "sub" && !folderEntry) continue;
      EXPECT_EQ(ovktest::Run("cd " + Quote(ours) + " && " + stat + name).output,
                ovktest::Run("cd " + Quote(theirs) + " && " + stat + name).output);
    }
    EXPECT_EQ(ovktest::Run("cd " + Quote(ours) + " && stat -c '%a' suid frozen.txt").output, "755\n644\n");
    // Only the extended timestamp survives the change of zone exactly.
    if (archive != "py.zip") {
      EXPECT_EQ(ovktest::Run("cd " + Quote(ours) + " && stat -c '%Y' run.sh sub/deep.txt").output,
                ovktest::Run("cd " + Quote(dir / "src") + " && stat -c '%Y' run.sh sub/deep.txt").output);
    }
  }
}

}  // namespace
}  // namespace ovktest
