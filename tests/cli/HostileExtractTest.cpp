// Extraction of hostile or damaged archives built byte by byte: nothing is
// written outside the destination or through a planted link, and every entry
// that is not written is named with its reason and reflected in the status.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/ArchiveBytes.h"
#include "cli/OvkRun.h"
#include "common/TestUtil.h"

namespace ovktest {
namespace {

struct HostileCase {
  const char* label;
  std::function<std::string()> archive;
  std::function<void(const std::string& dest, const std::string& outside)> plant;  // may be null
  std::vector<std::string> extra;       // options before the archive
  int status;
  std::vector<std::string> errLines;    // exactly these, in order, after "ovk: "
  std::vector<std::pair<std::string, std::string>> written;  // below the destination
  std::vector<std::string> absent;
  std::vector<std::pair<std::string, std::string>> links = {};  // below the destination: name, target
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.label; }

ZipEntryFields Enciphered(ZipEntryFields e, std::uint16_t method, std::uint16_t extraFlags = 0) {
  e.flags |= 0x0001 | extraFlags;
  e.method = method;
  return e;
}

ZipEntryFields LyingStored(const std::string& name) {
  ZipEntryFields e = ZipEntry(name, "0123456789", true);
  e.uncompressedSize = 5;
  return e;
}

std::string WithEmptyName() {
  ZipEntryFields empty = ZipEntry("", "nameless");
  return BuildZip({ZipEntry("a.txt", "a"), empty, ZipEntry("b.txt", "b")});
}

std::string PastTheEnd() {
  ZipEntryFields big = ZipEntry("big.txt", "payload");
  big.compressedSize = 0x7FFFFFF0;
  return BuildZip({ZipEntry("a.txt", "a"), big, ZipEntry("c.txt", "c")});
}

std::string MissingLocalHeader() {
  ZipEntryFields moved = ZipEntry("b.txt", "b");
  moved.centralOffset = 3;  // inside the first entry's header
  return BuildZip({ZipEntry("a.txt", "a"), moved, ZipEntry("c.txt", "c")});
}

std::string BehindAStub() {
  ZipLayout layout;
  layout.prefix = "#!/bin/sh\necho self-extracting\nexit 0\n";
  layout.offsetsIncludePrefix = false;
  return BuildZip({ZipEntry("a.txt", "from behind the stub"), ZipEntry("d/b.txt", "b")}, layout);
}

// The text with each "@" a NUL byte.
std::string Nul(std::string text) {
  for (char& c : text) c = c == '@' ? '\0' : c;
  return text;
}

ZipEntryFields WithMode(ZipEntryFields e, std::uint32_t unixMode) {
  e.externalAttributes = unixMode << 16;
  return e;
}

ZipEntryFields Link(const std::string& name, const std::string& target) {
  return WithMode(ZipEntry(name, target, true), 0120777);
}

const char kNulText[] = ": its name holds a NUL byte, which no file name can hold";
const char kNoFileText[] = ": the name names no file below the destination";

std::string Nested(int levels) {
  std::string name;
  for (int i = 0; i < levels; ++i) name += "d/";
  return name + "f";
}

class HostileExtractTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileExtractTest, WritesOnlyBelowAndReportsWhatItDidNotWrite) {
  const HostileCase& c = GetParam();
  TempDir dir;
  // Two levels deep, so that a climb of two still lands where the snapshot
  // looks; the snapshot holds every mode and time outside the destination.
  const std::string dest = dir / "top/dest", outside = dir / "outside";
  MakeDirs(dest);
  MakeDirs(outside);
  WriteFile(dir / "a.zip", c.archive());
  if (c.plant) c.plant(dest, outside);
  const std::string snapshot = "cd " + Quote(dir.Path()) +
                               " && find . -path ./top/dest -prune -o -printf '%p %m %T@\\n' | sort"
                               " && find outside -type f | sort | xargs -r cat";
  const std::string before = ovktest::Run(snapshot).output;
  std::vector<std::string> args = {"extract", "-d", dest};
  args.insert(args.end(), c.extra.begin(), c.extra.end());
  args.push_back(dir / "a.zip");
  const OvkResult r = RunOvk(args);
  EXPECT_EQ(r.exitCode, c.status) << r.err;
  std::vector<std::string> expected;
  for (const std::string& line : c.errLines) expected.push_back("ovk: " + line);
  EXPECT_EQ(Lines(r.err), expected);
  for (const auto& [name, content] : c.written) EXPECT_EQ(ReadFile(dest + "/" + name), content) << name;
  for (const std::string& name : c.absent) EXPECT_FALSE(Exists(dest + "/" + name)) << name;
  for (const auto& [name, target] : c.links) {
    char held[256] = {};
    EXPECT_EQ(readlink((dest + "/" + name).c_str(), held, sizeof held - 1), static_cast<ssize_t>(target.size())) << name;
    EXPECT_EQ(std::string(held), target) << name;
  }
  EXPECT_EQ(ovktest::Run(snapshot).output, before) << "nothing outside the destination changes";
  EXPECT_EQ(ovktest::Run("ls -A " + Quote(dest) + " | grep '^\\.ovk-'").output, "") << "a temporary file was left";
}

const std::string kLong(300, 'n');

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileExtractTest,
    ::testing::Values(
        HostileCase{"HardLinkIsReplacedNotWrittenThrough",
                    [] { return BuildZip({ZipEntry("victim.txt", "from the archive")}); },
                    [](const std::string& d, const std::string& o) {
                      WriteFile(o + "/f", "outside");
                      ASSERT_EQ(link((o + "/f").c_str(), (d + "/victim.txt").c_str()), 0);
                    },
                    {}, 0, {}, {{"victim.txt", "from the archive"}}, {}},
        HostileCase{"SymbolicLinkAmongTheFoldersIsSkipped",
                    [] { return BuildZip({ZipEntry("link/x.txt", "x"), ZipEntry("after.txt", "after")}); },
                    [](const std::string& d, const std::string& o) {
                      ASSERT_EQ(symlink(o.c_str(), (d + "/link").c_str()), 0);
                    },
                    {}, 3, {"link/x.txt: its path runs through a symbolic link"}, {{"after.txt", "after"}}, {}},
        HostileCase{"FolderInTheWayIsSkipped",
                    [] { return BuildZip({ZipEntry("a.txt", "a"), ZipEntry("b.txt", "b")}); },
                    [](const std::string& d, const std::string&) { MakeDirs(d + "/a.txt/inner"); },
                    {}, 3, {"a.txt: a folder is in the way"}, {{"b.txt", "b"}}, {}},
        HostileCase{"AesIsRefusedByName",
                    [] { return BuildZip({Enciphered(ZipEntry("a.txt", "aes"), 99), ZipEntry("b.txt", "b")}); },
                    nullptr, {"-p", "pw"}, 3, {"a.txt: AES encryption without its parameters is not supported"}, {{"b.txt", "b"}},
                    {"a.txt"}},
        HostileCase{"StrongEncryptionIsRefusedByName",
                    [] { return BuildZip({Enciphered(ZipEntry("a.txt", "strong"), 8, 0x0040)}); },
                    nullptr, {"-p", "pw"}, 3, {"a.txt: strong encryption is not supported"}, {}, {"a.txt"}},
        HostileCase{"OtherMethodsAreRefusedByName",
                    [] {
                      ZipEntryFields ppmd = ZipEntry("a.txt", "ppmd");
                      ppmd.method = 98;
                      ZipEntryFields odd = ZipEntry("b.txt", "odd");
                      odd.method = 77;
                      return BuildZip({ppmd, odd, ZipEntry("c.txt", "c")});
                    },
                    nullptr, {}, 3,
                    {"a.txt: compression method 98 (PPMd) is not supported",
                     "b.txt: compression method 77 is not supported"},
                    {{"c.txt", "c"}}, {"a.txt", "b.txt"}},
        HostileCase{"EmptyNameIsSkippedAndTheWalkGoesOn", WithEmptyName, nullptr, {}, 3,
                    {"entry at offset " + std::to_string(35 + ZipEntry("a.txt", "a").payload.size()) +
                     ": an entry with an empty name was skipped"},
                    {{"a.txt", "a"}, {"b.txt", "b"}}, {}},
        HostileCase{"DataPastTheEndIsDamage", PastTheEnd, nullptr, {}, 2,
                    {"big.txt: damaged: its data runs past the end of the archive"}, {{"a.txt", "a"}, {"c.txt", "c"}},
                    {"big.txt"}},
        HostileCase{"MissingLocalHeaderIsDamage", MissingLocalHeader, nullptr, {}, 2,
                    {"b.txt: damaged: no entry starts where the central directory says it does"},
                    {{"a.txt", "a"}, {"c.txt", "c"}}, {"b.txt"}},
        HostileCase{"StoredSizesThatDisagreeAreDamage",
                    [] { return BuildZip({LyingStored("s.txt")}); }, nullptr, {}, 2,
                    {"s.txt: damaged: its stored size differs from its original size"}, {}, {"s.txt"}},
        HostileCase{"ZipBehindAStubIsFoundByItsEndRecord", BehindAStub, nullptr, {}, 0, {},
                    {{"a.txt", "from behind the stub"}, {"d/b.txt", "b"}}, {}},
        HostileCase{"LongNamesAreWrittenWholeOrRefusedWhole",
                    [] {
                      return BuildZip({ZipEntry(Nested(1000), "deep"), ZipEntry(kLong + "a", "1"),
                                       ZipEntry(kLong + "b", "2"), ZipEntry("last", "3")});
                    },
                    nullptr, {}, 3,
                    {kLong + "a: its name is too long for the file system",
                     kLong + "b: its name is too long for the file system"},
                    {{Nested(1000), "deep"}, {"last", "3"}}, {kLong.substr(0, 255)}},
        HostileCase{"NulInAComponentIsRefusedByName",
                    [] { return BuildZip({ZipEntry(Nul("..@x/evil.txt"), "evil"), ZipEntry("after.txt", "after")}); },
                    nullptr, {}, 3, {"..\\x00x/evil.txt" + std::string(kNulText)}, {{"after.txt", "after"}},
                    {"x", "evil.txt"}},
        HostileCase{"NulChainsNeitherWriteNorStampOutside",
                    [] {
                      return BuildZip({ZipEntry(Nul("..@/..@/evil.txt"), "evil"),
                                       WithMode(ZipEntry(Nul("..@/"), "", true), 040700)});
                    },
                    nullptr, {}, 3,
                    {"..\\x00/..\\x00/evil.txt" + std::string(kNulText), "..\\x00/" + std::string(kNulText)}, {},
                    {"evil.txt"}},
        HostileCase{"NativeNameWithNulIsRefused",
                    [] {
                      return NativeHeader(3) + CodedNativeEntry(Nul("..@x\\evil.txt"), "evil") +
                             CodedNativeEntry("ok.txt", "ok");
                    },
                    nullptr, {}, 3, {"..\\x00x/evil.txt" + std::string(kNulText)}, {{"ok.txt", "ok"}}, {"x"}},
        HostileCase{"DotComponentsAreDropped",
                    [] { return BuildZip({ZipEntry("./docs/a.txt", "a"), ZipEntry("./", ""), ZipEntry("/b.txt", "b")}); },
                    nullptr, {}, 0, {}, {{"docs/a.txt", "a"}, {"b.txt", "b"}}, {}},
        HostileCase{"DotAndDotDotEntriesAreReported",
                    [] {
                      return BuildZip({ZipEntry(".", "dot"), ZipEntry("..", "up"), ZipEntry("../", ""),
                                       ZipEntry("a/..", "x"), ZipEntry("z.txt", "z")});
                    },
                    nullptr, {}, 3,
                    {"." + std::string(kNoFileText), ".." + std::string(kNoFileText),
                     "../" + std::string(kNoFileText), "a/.." + std::string(kNoFileText)},
                    {{"z.txt", "z"}}, {"a"}},
        HostileCase{"LinkInsideIsMadeAsLink",
                    [] {
                      return BuildZip({ZipEntry("a.txt", "a"), Link("l", "a.txt"), Link("sub/up", "../a.txt"),
                                       Link("sub/self", "./.")});
                    },
                    nullptr, {}, 0, {}, {{"l", "a"}, {"sub/up", "a"}},
                    {}, {{"l", "a.txt"}, {"sub/up", "../a.txt"}, {"sub/self", "./."}}},
        HostileCase{"LinksLeadingOutsideAreRefused",
                    [] {
                      return BuildZip({Link("up", "../../outside"), Link("abs", "/etc/passwd"),
                                       Link("sub/back", "d/../../.."), ZipEntry("up/x.txt", "x")});
                    },
                    nullptr, {}, 3,
                    {"up: its link target ../../outside leads outside the destination",
                     "abs: its link target /etc/passwd leads outside the destination",
                     "sub/back: its link target d/../../.. climbs back out of a folder it names, which may be "
                     "another link"},
                    {{"up/x.txt", "x"}}, {"abs", "sub/back"}},
        HostileCase{"FileThroughALinkTheArchiveMadeIsRefused",
                    [] { return BuildZip({ZipEntry("real/", ""), Link("l", "real"), ZipEntry("l/x.txt", "x")}); },
                    nullptr, {}, 3, {"l/x.txt: its path runs through a symbolic link"}, {}, {"real/x.txt"},
                    {{"l", "real"}}},
        HostileCase{"StalePartsOfAGoneProcessAreRemoved",
                    [] { return BuildZip({ZipEntry("sub/a.txt", "a")}); },
                    [](const std::string& d, const std::string&) {
                      // No process has a number above the kernel's largest, 2^22.
                      WriteFile(d + "/.ovk-4194305-7.part", "half");
                      WriteFile(d + "/sub/.ovk-4194305-8.part", "half");
                      WriteFile(d + "/sub/.ovk-1-0.part", "running");
                    },
                    {}, 0, {}, {{"sub/a.txt", "a"}, {"sub/.ovk-1-0.part", "running"}},
                    {".ovk-4194305-7.part", "sub/.ovk-4194305-8.part"}}),
    [](const auto& info) { return std::string(info.param.label); });

// Testing refuses a name as extracting does, in the same words; the listing
// shows the name escaped and where a link leads.
TEST(HostileTestAndList, NameTheEntriesExtractionRefuses) {
  TempDir dir;
  WriteFile(dir / "a.zip", BuildZip({ZipEntry(Nul("..@x/evil.txt"), "evil"), Link("l", "ok.txt"),
                                     Link("abs", "/etc/passwd"), ZipEntry("ok.txt", "ok")}));
  OvkResult r = RunOvk({"test", dir / "a.zip"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(Lines(r.err), (std::vector<std::string>{"ovk: ..\\x00x/evil.txt" + std::string(kNulText),
                                                    "ovk: abs: its link target /etc/passwd leads outside the destination"}));
  EXPECT_EQ(r.out, (dir / "a.zip") + ": 2 entries verified, 2 failed\n");
  r = RunOvk({"list", dir / "a.zip"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  for (const char* shown : {"  ..\\x00x/evil.txt\n", "  l -> ok.txt\n", "  abs -> /etc/passwd\n"})
    EXPECT_NE(r.out.find(shown), std::string::npos) << shown << " in " << r.out;
}

// What the table above asks of us, the mainstream extractors do as well: a
// planted hard link is replaced, and a ZIP behind a stub is read (7-Zip
// refuses such a ZIP outright).
TEST(HostileExtractPeers, PeersAgreeOnHardLinksAndStubs) {
  const struct {
    const char* tool;
    const char* command;  // %A archive, %D destination
    bool readsStub;
  } peers[] = {{"unzip", "unzip -o -q %A -d %D", true},
               {"bsdtar", "mkdir -p %D && bsdtar -xf %A -C %D", true},
               {"7zz", "7zz x -y -bd %A -o%D", false}};
  int ran = 0;
  for (const auto& p : peers) {
    if (!HaveTool(p.tool)) continue;
    ++ran;
    SCOPED_TRACE(p.tool);
    TempDir dir;
    auto run = [&](const std::string& archive, const std::string& dest) {
      std::string cmd = p.command;
      cmd.replace(cmd.find("%A"), 2, Quote(archive));
      for (std::size_t at; (at = cmd.find("%D")) != std::string::npos;) cmd.replace(at, 2, Quote(dest));
      return ovktest::Run(cmd + " 2>&1");
    };
    WriteFile(dir / "link.zip", BuildZip({ZipEntry("victim.txt", "from the archive")}));
    WriteFile(dir / "outside", "outside");
    MakeDirs(dir / "dest");
    ASSERT_EQ(link((dir / "outside").c_str(), (dir / "dest/victim.txt").c_str()), 0);
    run(dir / "link.zip", dir / "dest");
    EXPECT_EQ(ReadFile(dir / "outside"), "outside");
    EXPECT_EQ(ReadFile(dir / "dest/victim.txt"), "from the archive");
    if (!p.readsStub) continue;
    WriteFile(dir / "stub.zip", BehindAStub());
    run(dir / "stub.zip", dir / "stub");
    EXPECT_TRUE(Exists(dir / "stub/a.txt") && ReadFile(dir / "stub/a.txt") == "from behind the stub");
  }
  if (ran == 0) GTEST_SKIP() << "no peer installed";
}

// The listing goes on past damage too, names control bytes safely, and says
// the archive is damaged through its status.
TEST(HostileList, ListsPastDamageAndEscapesControlBytes) {
  TempDir dir;
  WriteFile(dir / "past.zip", PastTheEnd());
  OvkResult r = RunOvk({"list", "--raw", dir / "past.zip"});
  EXPECT_EQ(r.exitCode, 2);
  ASSERT_EQ(Lines(r.out).size(), 3u) << r.out;
  EXPECT_EQ(Lines(r.out)[2].substr(0, 6), "c.txt;");
  EXPECT_EQ(r.err, "ovk: " + (dir / "past.zip") + ": big.txt: damaged: its data runs past the end of the archive\n");
  WriteFile(dir / "ctl.zip", BuildZip({ZipEntry("red\x1b[31m\xC2\x9B;5%\n\x7F.txt", "x"),
                                       ZipEntry("invoice\xE2\x80\xAE" "fdp.exe", "y")}));
  r = RunOvk({"list", dir / "ctl.zip"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("red\\x1b[31m\\xc2\\x9b;5%\\x0a\\x7f.txt\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
  // A right-to-left override would show "invoiceexe.pdf".
  EXPECT_NE(r.out.find("invoice\\xe2\\x80\\xaefdp.exe\n"), std::string::npos) << r.out;
  // --raw: one line of six fields, every other byte as stored.
  r = RunOvk({"list", "--raw", dir / "ctl.zip"});
  EXPECT_EQ(r.out.substr(0, r.out.find(';') + 1), "red%1B[31m\xC2\x9B%3B5%25%0A%7F.txt;") << r.out;
  EXPECT_EQ(Lines(r.out).size(), 2u);
}

}  // namespace
}  // namespace ovktest
