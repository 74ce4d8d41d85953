// `ovk add`, `ovk delete` and `ovk repair`: round trips through the engine,
// the options, and report-and-continue on failures.
#include "cli/CliFixture.h"
#include "engine/ArchiveBytes.h"
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
  EXPECT_NE(table.out.find("* sub\\b.txt\n"), std::string::npos) << table.out;
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
  EXPECT_EQ(r.err, "ovk: no such file or folder: " + missing + "\novk: no file matches " + src_ + "/*.none\n");
  EXPECT_EQ(Names(archive_), std::vector<std::string>{"a.txt"});
}

TEST_F(AddCommandTest, EngineMessagesArePrintedAndFailTheSource) {
  WriteFile(dir_ / "afile", "a file where a folder should be");
  const OvkResult r = RunOvk({"add", dir_ / "afile/t.zip", src_});
  EXPECT_EQ(r.exitCode, 3);
  const auto lines = Lines(r.err);
  ASSERT_FALSE(lines.empty());
  for (const std::string& line : lines) EXPECT_EQ(line.rfind("ovk: Internal packer: ", 0), 0u) << line;
  EXPECT_NE(r.err.find("Can not open " + (dir_ / "afile/t.zip") + " for writing"), std::string::npos) << r.err;
}

TEST_F(AddCommandTest, AnExcludedFileIsNoFailureButSaid) {
  const OvkResult r = RunOvk({"add", "-x", "*.txt", archive_, src_ + "/a.txt"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find("nothing added from " + src_ + "/a.txt"), std::string::npos) << r.err;
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
  EXPECT_EQ(none.err, "ovk: no entry named nothere.txt in " + archive_ + "\n");
  EXPECT_EQ(ReadFile(archive_), bytes) << "archive rewritten although nothing matched";

  const OvkResult some = RunOvk({"delete", archive_, "a.txt", "nothere.txt"});
  EXPECT_EQ(some.exitCode, 3);
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
  EXPECT_EQ(refused.err, "ovk: Internal packer: Can not delete from " + odd +
                             ": its end record counts 7 entries, its central directory lists 4; the archive is "
                             "unchanged\n");
  EXPECT_TRUE(ReadFile(odd) == lying);
}

TEST_F(DeleteCommandTest, NativeAndMissingArchivesAreRefused) {
  const std::string native = dir_ / "t.ovk";
  Add({"--native", native, src_});
  const std::string bytes = ReadFile(native);
  const OvkResult r = RunOvk({"delete", native, "a.txt"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "ovk: cannot delete from " + native +
                       ": entries are deleted only from ZIP archives, this one is native\n");
  EXPECT_EQ(ReadFile(native), bytes);

  const std::string missing = dir_ / "missing.zip";
  const OvkResult m = RunOvk({"delete", missing, "a.txt"});
  EXPECT_EQ(m.exitCode, 3);
  EXPECT_EQ(m.err, "ovk: cannot open archive " + missing + ": No such file or directory\n");
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
                                                  {"extract", "-d", dir_ / "o", archive_},
                                                  {"delete", archive_, "a.txt"}}) {
    const OvkResult r = RunOvk(command);
    EXPECT_EQ(r.exitCode, 3) << command[0];
    EXPECT_EQ(r.err, said) << command[0];
  }
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
