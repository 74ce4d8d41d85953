// Every kind of ZIP archive the program writes, checked by the peers: each
// must test clean and extract byte-identical, names included, and unzip must
// give the files their modes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <future>

#include "WriteTestUtil.h"
#include "common/TestUtil.h"
#include "engine/AddSession.h"
#include "engine/DeleteFromArchive.h"
#include "engine/ExtractFromArchive.h"
#include "engine/ListArchive.h"

namespace ovktest {
namespace {

// Latin, CJK and a name outside the Basic Multilingual Plane; an executable
// and a private file; an empty file.
const FileTree kTree = {
    {"grüße/日本.txt", "umlauts and kanji\n"},
    {"emoji/\xF0\x9F\x98\x80 smile.txt", std::string(3000, 's')},
    {"plain.txt", "plain text, compressible compressible compressible\n"},
    {"run.sh", "#!/bin/sh\necho packed\n"},
    {"private.key", RandomBytes(700, 11)},
    {"empty.dat", ""},
};
const std::map<std::string, unsigned> kModes = {{"run.sh", 0755}, {"private.key", 0600}};

void MakeSource(const std::string& root) {
  for (const auto& [name, content] : kTree) WriteFile(root + "/" + name, content);
  for (const auto& [name, mode] : kModes) chmod((root + "/" + name).c_str(), mode);
}

struct Made {
  std::string archive;
  std::string password;
  FileTree expected;
};

using Maker = std::function<Made(const TempDir&, const std::string& password)>;

Made Created(const TempDir& dir, const std::string& password) {
  MakeSource(dir / "src");
  AddOptions o;
  o.password = password;
  EXPECT_TRUE(Add(dir / "a.zip", dir / "src", o));
  return {dir / "a.zip", password, kTree};
}

// A file beyond the whole-buffer threshold, compressed in blocks on the
// coding threads and enciphered as one stream.
Made CreatedWithALargeFile(const TempDir& dir, const std::string& password) {
  Made m = {dir / "a.zip", password, kTree};
  m.expected["large.bin"] = RandomBytes((1 << 20) + 77, 12) + std::string(ovk::kWholeCompressionBytes, 'l');
  MakeSource(dir / "src");
  WriteFile(dir / "src/large.bin", m.expected["large.bin"]);
  AddOptions o;
  o.password = password;
  EXPECT_TRUE(Add(m.archive, dir / "src", o));
  return m;
}

// An archive made by Python with a comment; the program appends to it.
Made Appended(const TempDir& dir, const std::string& password) {
  MakeSource(dir / "src");
  const CommandResult r = ovktest::Run(
      "python3 -c 'import sys,zipfile\n"
      "with zipfile.ZipFile(sys.argv[1], \"w\", zipfile.ZIP_DEFLATED) as z:\n"
      "    z.writestr(\"from-python.txt\", \"python wrote this\\n\" * 20)\n"
      "    z.comment = b\"an archive comment kept on append\"' " +
      Quote(dir / "a.zip"));
  EXPECT_EQ(r.exitCode, 0) << r.output;
  AddOptions o;
  o.password = password;
  EXPECT_TRUE(Add(dir / "a.zip", dir / "src/grüße", o));
  EXPECT_TRUE(Add(dir / "a.zip", dir / "src/*.*", [&] {
    AddOptions rest = o;
    rest.exclusions = "grüße\\*";
    return rest;
  }()));
  FileTree expected = kTree;
  for (const auto& [name, content] : kTree) {
    if (name.rfind("grüße/", 0) == 0) {
      expected.erase(name);
      expected[name.substr(std::string("grüße/").size())] = content;
    }
  }
  expected["from-python.txt"] = std::string();
  for (int i = 0; i < 20; ++i) expected["from-python.txt"] += "python wrote this\n";
  return {dir / "a.zip", password, expected};
}

Made AfterDeletion(const TempDir& dir, const std::string& password) {
  Made m = Created(dir, password);
  ovk::OperationReport report;
  EXPECT_TRUE(ovk::WriteArchiveWithout(m.archive, dir / "d.zip", {"plain.txt"}, report, ovk::SilentObserver()));
  m.archive = dir / "d.zip";
  m.expected.erase("plain.txt");
  return m;
}

// Every entry deleted: the end record alone. (Adding nothing to a new
// archive leaves no archive at all.)
Made Empty(const TempDir& dir, const std::string&) {
  WriteFile(dir / "one.txt", "one");
  EXPECT_TRUE(Add(dir / "a.zip", dir / "one.txt"));
  ovk::OperationReport report;
  EXPECT_TRUE(ovk::WriteArchiveWithout(dir / "a.zip", dir / "d.zip", {"one.txt"}, report, ovk::SilentObserver()));
  return {dir / "d.zip", "", {}};
}

struct Scenario {
  const char* label;
  Maker make;
  std::string password;
};

const Scenario kScenarios[] = {
    {"Created", Created, ""},
    {"CreatedWithPassword", Created, "pässwörd 1"},
    {"CreatedWithALargeFile", CreatedWithALargeFile, ""},
    {"CreatedWithALargeFileAndPassword", CreatedWithALargeFile, "secret"},
    {"Appended", Appended, ""},
    {"AppendedWithPassword", Appended, "secret"},
    {"AfterDeletion", AfterDeletion, ""},
    {"AfterDeletionWithPassword", AfterDeletion, "secret"},
    {"Empty", Empty, ""},
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.label; }

class PeersReadWhatWeWrite : public ::testing::TestWithParam<std::tuple<Scenario, Peer>> {};

TEST_P(PeersReadWhatWeWrite, TestsCleanAndExtractsIdentically) {
  const auto& [scenario, peer] = GetParam();
  if (!HaveTool(PeerTool(peer))) GTEST_SKIP() << PeerTool(peer) << " not installed";
  if (std::string(scenario.label).rfind("Appended", 0) == 0) OVK_REQUIRE_TOOL("python3");
  TempDir dir;
  const Made made = scenario.make(dir, scenario.password);
  EXPECT_EQ(PeerTest(peer, made.archive, made.password), "");
  const std::string out = dir / "out";
  EXPECT_EQ(PeerExtract(peer, made.archive, out, made.password), "");
  EXPECT_EQ(ReadTree(out), made.expected);
  if (peer != Peer::Unzip) return;
  // Info-ZIP unzip restores the modes the archive records.
  const auto modes = ReadModes(out);
  for (const auto& [name, mode] : kModes) {
    if (made.expected.count(name)) {
      EXPECT_EQ(modes.at(name), mode) << name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    All, PeersReadWhatWeWrite,
    ::testing::Combine(::testing::ValuesIn(kScenarios),
                       ::testing::Values(Peer::Unzip, Peer::SevenZip, Peer::Python)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).label) + "_" + PeerName(std::get<1>(info.param));
    });

// Entries of an archive as Python's zipfile counts them, or its complaint.
std::string PythonCount(const std::string& archive) {
  return ovktest::Run("python3 -c 'import sys,zipfile; print(len(zipfile.ZipFile(sys.argv[1]).infolist()))' " +
                      Quote(archive))
      .output;
}

// More entries than the classic end record counts: created, appended to
// and deleted from, the archive holds every entry for every peer.
TEST(ManyEntries, EveryPeerCountsThemAll) {
  OVK_REQUIRE_TOOL("python3");
  TempDir dir;
  const int files = 70000;
  MakeDirs(dir / "src");
  ASSERT_EQ(ovktest::Run("python3 -c 'import sys\nfor i in range(" + std::to_string(files) +
                         "): open(\"%s/f%05d\" % (sys.argv[1], i), \"w\").close()' " + Quote(dir / "src"))
                .exitCode,
            0);
  WriteFile(dir / "late/late.txt", "appended\n");
  const std::string archive = dir / "many.zip", deleted = dir / "deleted.zip";
  ASSERT_TRUE(Add(archive, dir / "src"));
  EXPECT_EQ(PythonCount(archive), std::to_string(files) + "\n");
  AddOptions append;
  ASSERT_TRUE(Add(archive, dir / "late", append));
  ovk::OperationReport report;
  ASSERT_TRUE(ovk::WriteArchiveWithout(archive, deleted, {"f00000", "f69999"}, report, ovk::SilentObserver()));
  EXPECT_EQ(PythonCount(archive), std::to_string(files + 1) + "\n");
  EXPECT_EQ(PythonCount(deleted), std::to_string(files - 1) + "\n");
  for (Peer peer : {Peer::Unzip, Peer::SevenZip}) {
    if (!HaveTool(PeerTool(peer))) continue;
    EXPECT_EQ(PeerTest(peer, archive), "") << PeerName(peer);
    EXPECT_EQ(PeerTest(peer, deleted), "") << PeerName(peer);
  }
}

// Two files compared piece by piece, never held whole.
bool SameContent(const std::string& a, const std::string& b) {
  std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
  std::string x(1 << 20, '\0'), y(1 << 20, '\0');
  while (first && second) {
    first.read(x.data(), static_cast<std::streamsize>(x.size()));
    second.read(y.data(), static_cast<std::streamsize>(y.size()));
    if (first.gcount() != second.gcount() || x.compare(0, first.gcount(), y, 0, second.gcount()) != 0) return false;
  }
  return first.eof() && second.eof();
}

// A file across the 4 GiB line gets its sizes in ZIP64 fields. Marks on
// both sides of the line catch sizes or data cut at 32 bits. The archive is
// made once for the tests that read it.
class LargeEntries : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    // The extraction writes the 4 GiB whole; a machine without the room
    // skips these tests rather than failing them.
    struct statvfs room {};
    roomy_ = statvfs(dir_->Path().c_str(), &room) == 0 &&
             static_cast<std::uint64_t>(room.f_bavail) * room.f_frsize > (std::uint64_t{12} << 30);
    if (!roomy_) return;
    WriteFile(Source(), "");
    ASSERT_EQ(truncate(Source().c_str(), kSize), 0);
    const int fd = open(Source().c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    for (const off_t at : {off_t{0}, off_t{0xFFFFFFF0ll}, kSize - 20})
      ASSERT_EQ(pwrite(fd, "a mark near the line", 20, at), 20);
    close(fd);
    AddOptions fast;
    fast.level = ovk::kLevelFastest;
    made_ = Add(Archive(), Source(), fast);
  }
  static void TearDownTestSuite() { delete dir_; }
  void SetUp() override {
    if (!roomy_) GTEST_SKIP() << "less than 12 GiB free for a 4 GiB entry";
    ASSERT_TRUE(made_);
  }

  static std::string Source() { return *dir_ / "src/big.img"; }
  static std::string Archive() { return *dir_ / "big.zip"; }

  static constexpr off_t kSize = 0x100000000ll + 4096;
  static inline TempDir* dir_ = nullptr;
  static inline bool made_ = false;
  static inline bool roomy_ = false;
};

// The peers test it side by side.
TEST_F(LargeEntries, EveryPeerTestsItClean) {
  std::vector<std::pair<Peer, std::future<std::string>>> checks;
  for (Peer peer : {Peer::Unzip, Peer::SevenZip, Peer::Python})
    if (HaveTool(PeerTool(peer)))
      checks.emplace_back(peer, std::async(std::launch::async, PeerTest, peer, Archive(), ""));
  for (auto& [peer, check] : checks) EXPECT_EQ(check.get(), "") << PeerName(peer);
}

TEST_F(LargeEntries, ListedWithItsSizeAndExtractedWhole) {
  const ovk::ListResult listed = ovk::ListArchive({Archive()}, ovk::SilentObserver());
  ASSERT_EQ(listed.entries.size(), 1u);
  EXPECT_EQ(listed.entries[0].originalSize, static_cast<std::uint64_t>(kSize));
  ovk::ExtractRequest extract;
  extract.archive = Archive();
  extract.destination = *dir_ / "out";
  EXPECT_EQ(ovk::ExtractFromArchive(extract, ovk::SilentObserver()).Lines(), std::vector<std::string>{});
  EXPECT_TRUE(SameContent(*dir_ / "out/big.img", Source()));
}

}  // namespace
}  // namespace ovktest
