// Archives of the formats read through libarchive, made by their own tools:
// `ovk extract` gives back the tree that went in (contents, links, empty
// folders, times, execute bits), `ovk list` names it, and add and delete
// refuse them and leave them byte for byte as they were. Files of no format
// stay refused, and a new archive named for a format this program does not
// write is refused by its name instead of becoming a ZIP under that name.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "cli/OvkRun.h"
#include "common/TestUtil.h"

namespace ovktest {
namespace {

// The source tree, every item dated 2020-09-13: a.txt, run.sh (executable),
// sub/b.txt, the empty folder empty and the link link -> a.txt; a sparse
// file holes.bin when asked for.
const char kTree[] = "a.txt run.sh sub sub/b.txt empty link";
const char kFlat[] = "a.txt run.sh";

struct FormatCase {
  std::string label, name;  // the archive's file name
  std::vector<std::string> tools;
  std::string script;       // run in the source folder, writes "$OUT"
  std::string format;       // as the refusals name it
  std::string items;        // what the extraction must give back, as made
  std::string extracted{};  // what it gives instead, "name=source" (bare data, a .deb's members)
  std::string password{};   // every command is given it with -p
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.label; }

std::string Tar(const std::string& options, const std::string& filter) {
  return "tar " + options + " -cf - " + kTree + (filter.empty() ? "" : " | " + filter) + " > \"$OUT\"";
}

// 7z enciphered under "secret" with 7zz's further options.
std::string SevenZipAes(const std::string& options) {
  return "7zz a -bso0 -bsp0 -snl -psecret " + options + " \"$OUT\" " + kTree;
}

// An image with Rock Ridge and Joliet names of a folder holding the tree.
std::string Image(const std::string& maker) {
  return "mkdir image && cp -a a.txt run.sh sub empty link image/ && " + maker + " -quiet -R -J -o \"$OUT\" image";
}

const std::vector<FormatCase>& FormatCases() {
  static const std::vector<FormatCase> cases = {
      {"GnuTar", "a.tar", {"tar"}, Tar("--format=gnu", ""), "tar", kTree},
      {"Ustar", "a.tar", {"tar"}, Tar("--format=ustar", ""), "tar", kTree},
      {"Pax", "a.tar", {"tar"}, Tar("--format=pax", ""), "tar", kTree},
      {"SparseGnuTar", "s.tar", {"tar"}, "tar --sparse -cf \"$OUT\" holes.bin a.txt", "tar", "holes.bin a.txt"},
      {"Bsdtar", "a.tar", {"bsdtar"}, std::string("bsdtar -cf \"$OUT\" ") + kTree, "tar", kTree},
      {"TarGz", "a.tar.gz", {"tar", "gzip"}, Tar("", "gzip"), "tar.gz", kTree},
      // Two gzip members and a tape's zero padding after them, as pigz and
      // blocked tape writers leave them.
      {"TarGzMembersAndPadding", "m.tar.gz", {"tar", "gzip"},
       Tar("", "cat") + "; head -c 3000 \"$OUT\" | gzip > \"$OUT.gz\" && tail -c +3001 \"$OUT\" | gzip -9 >> \"$OUT.gz\""
       " && head -c 1024 /dev/zero >> \"$OUT.gz\" && mv \"$OUT.gz\" \"$OUT\"", "tar.gz", kTree},
      {"TarBz2", "a.tar.bz2", {"tar", "bzip2"}, Tar("", "bzip2"), "tar.bz2", kTree},
      {"TarXz", "a.tar.xz", {"tar", "xz"}, Tar("", "xz"), "tar.xz", kTree},
      // Blocks that record their sizes, as threaded xz writes them, in two
      // streams, each followed by the padding xz allows.
      {"TarXzBlocksAndStreams", "b.tar.xz", {"tar", "xz"},
       Tar("", "cat") + "; head -c 5000 \"$OUT\" | xz -T2 --block-size=2KiB > \"$OUT.xz\" && "
       "printf '\\0\\0\\0\\0' >> \"$OUT.xz\" && tail -c +5001 \"$OUT\" | xz -T2 --block-size=2KiB >> \"$OUT.xz\""
       " && head -c 1024 /dev/zero >> \"$OUT.xz\" && mv \"$OUT.xz\" \"$OUT\"", "tar.xz", kTree},
      {"TarLzma", "a.tar.lzma", {"tar", "xz"}, Tar("", "xz --format=lzma"), "tar.lzma", kTree},
      {"TarZst", "a.tar.zst", {"tar", "zstd"}, Tar("", "zstd -q"), "tar.zst", kTree},
      // Two frames, as pzstd and appending writers leave them.
      {"TarZstFrames", "f.tar.zst", {"tar", "zstd"},
       Tar("", "cat") + "; head -c 3000 \"$OUT\" | zstd -q > \"$OUT.zst\" && tail -c +3001 \"$OUT\" | zstd -q -19 >> \"$OUT.zst\""
       " && mv \"$OUT.zst\" \"$OUT\"", "tar.zst", kTree},
      {"TarLz4", "a.tar.lz4", {"tar", "lz4"}, Tar("", "lz4 -q"), "tar.lz4", kTree},
      {"TarLzip", "a.tar.lz", {"tar", "lzip"}, Tar("", "lzip"), "tar.lz", kTree},
      {"Cpio", "a.cpio", {"cpio"}, std::string("printf '%s\\n' ") + kTree + " | cpio -o -H newc --quiet > \"$OUT\"",
       "cpio", kTree},
      {"SevenZip", "a.7z", {"7zz"}, std::string("7zz a -bso0 -bsp0 -snl \"$OUT\" ") + kTree, "7z", kTree},
      // Enciphered: read by the program's own reader, its list of entries
      // too; each of the coders 7-Zip offers that it decodes.
      {"SevenZipAes", "a.7z", {"7zz"}, SevenZipAes(""), "enciphered 7z", kTree, "", "secret"},
      {"SevenZipAesList", "a.7z", {"7zz"}, SevenZipAes("-mhe=on"), "enciphered 7z", kTree, "", "secret"},
      {"SevenZipAesLzmaFolderPerFile", "a.7z", {"7zz"}, SevenZipAes("-m0=LZMA -ms=off -mhe=on"), "enciphered 7z",
       kTree, "", "secret"},
      {"SevenZipAesDeflate", "a.7z", {"7zz"}, SevenZipAes("-m0=Deflate"), "enciphered 7z", kTree, "", "secret"},
      {"SevenZipAesBzip2", "a.7z", {"7zz"}, SevenZipAes("-m0=BZip2"), "enciphered 7z", kTree, "", "secret"},
      {"SevenZipAesCopy", "a.7z", {"7zz"}, SevenZipAes("-m0=Copy"), "enciphered 7z", kTree, "", "secret"},
      {"SevenZipAesDeltaFilter", "a.7z", {"7zz"}, SevenZipAes("-mf=Delta:4"), "enciphered 7z", kTree, "", "secret"},
      {"Iso", "a.iso", {"xorriso"}, Image("xorriso -as mkisofs"), "ISO 9660", kTree},
      {"IsoGenisoimage", "a.iso", {"genisoimage"}, Image("genisoimage"), "ISO 9660", kTree},
      {"CpioHardLinks", "h.cpio", {"cpio"},
       "ln a.txt twin.txt && printf 'a.txt\\ntwin.txt\\n' | cpio -o -H newc --quiet > \"$OUT\"", "cpio",
       "a.txt twin.txt"},
      {"TarHardLinks", "h.tar", {"tar"}, "ln a.txt twin.txt && tar -cf \"$OUT\" a.txt twin.txt", "tar",
       "a.txt twin.txt"},
      // A ZIP inside is a tar's member, not a ZIP behind a stub.
      {"TarHoldingAZip", "z.tar", {"tar", "zip"}, "zip -q -X inner.zip a.txt && tar -cf \"$OUT\" inner.zip", "tar",
       "inner.zip"},
      {"Xar", "a.xar", {"bsdtar"}, std::string("bsdtar --format=xar -cf \"$OUT\" ") + kTree, "xar", kTree},
      {"Warc", "a.warc", {"bsdtar"}, "bsdtar --format=warc -cf \"$OUT\" a.txt", "WARC", "a.txt"},
      {"Ar", "a.a", {"ar"}, std::string("ar rcU \"$OUT\" ") + kFlat, "ar", kFlat},
      {"Deb", "a.deb", {"ar", "tar", "gzip"},
       "printf '2.0\\n' > debian-binary && tar -czf data.tar.gz a.txt sub && "
       "ar rcU \"$OUT\" debian-binary data.tar.gz", "ar", "debian-binary data.tar.gz"},
      {"Gzip", "a.txt.gz", {"gzip"}, "gzip -c a.txt > \"$OUT\"", "gzip", "", "a.txt=a.txt"},
      {"Bzip2", "a.txt.bz2", {"bzip2"}, "bzip2 -c a.txt > \"$OUT\"", "bzip2", "", "a.txt=a.txt"},
      {"Xz", "a.txt.xz", {"xz"}, "xz -c a.txt > \"$OUT\"", "xz", "", "a.txt=a.txt"},
      {"Zstd", "a.txt.zst", {"zstd"}, "zstd -q -c a.txt > \"$OUT\"", "zstd", "", "a.txt=a.txt"},
      {"Lz4", "a.txt.lz4", {"lz4"}, "lz4 -q -c a.txt > \"$OUT\"", "lz4", "", "a.txt=a.txt"},
      {"GzipNoSuffix", "packed", {"gzip"}, "gzip -c run.sh > \"$OUT\"", "gzip", "", "packed.out=run.sh"},
      // Its size unknown until it ends, and more than is kept in memory.
      {"GzipLarge", "big.txt.gz", {"gzip"}, "seq 1 3000000 > big.txt && gzip -1 -c big.txt > \"$OUT\"", "gzip", "",
       "big.txt=big.txt"},
  };
  return cases;
}

// Per item: its kind, permission bits, time and content (a link: where it
// leads; its own time cannot be given), one line each.
std::string Snapshot(const std::string& root, const std::string& items) {
  const std::string script =
      "import os, sys, hashlib\n"
      "os.chdir(sys.argv[1])\n"
      "for p in sys.argv[2:]:\n"
      "  s = os.lstat(p)\n"
      "  if os.path.islink(p): print(p, 'link', os.readlink(p))\n"
      "  elif os.path.isdir(p): print(p, 'dir', oct(s.st_mode & 0o777), int(s.st_mtime))\n"
      "  else: print(p, 'file', oct(s.st_mode & 0o777), int(s.st_mtime),"
      " hashlib.sha1(open(p, 'rb').read()).hexdigest())\n";
  return ovktest::Run("python3 -c " + Quote(script) + " " + Quote(root) + " " + items + " 2>&1").output;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::set<std::string> NamesIn(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) names.insert(e.path().filename().string());
  return names;
}

// The source tree of kTree, and holes.bin, in the folder src.
void MakeTree(const std::string& src) {
  const std::string tree =
      "mkdir -p sub empty && printf 'alpha\\n' > a.txt && printf 'beta\\n' > sub/b.txt && "
      "printf '#!/bin/sh\\necho run\\n' > run.sh && chmod 755 run.sh && ln -s a.txt link && "
      "truncate -s 3M holes.bin && printf 'middle' | dd of=holes.bin bs=1 seek=1500000 conv=notrunc status=none && "
      "touch -h -d @1600000000 a.txt run.sh sub/b.txt sub empty link holes.bin";
  MakeDirs(src);
  ASSERT_EQ(ovktest::Run("cd " + Quote(src) + " && " + tree).exitCode, 0);
}

// The formats this program writes besides its own.
bool Written(const std::string& format) {
  for (const char* written : {"tar", "tar.gz", "tar.bz2", "tar.xz", "tar.zst", "7z"}) {
    if (format == written) return true;
  }
  return false;
}

class OtherFormatTest : public ::testing::TestWithParam<FormatCase> {
 protected:
  void SetUp() override {
    MakeTree(src_);
    MakeDirs(folder_);
  }

  // False when a tool is missing.
  bool Make(const FormatCase& c) {
    for (const std::string& tool : c.tools) {
      if (!HaveTool(tool)) return false;
    }
    const CommandResult made = ovktest::Run("cd " + Quote(src_) + " && OUT=" + Quote(path_) + " && " + c.script + " 2>&1");
    EXPECT_EQ(made.exitCode, 0) << c.script << "\n" << made.output;
    return true;
  }

  TempDir dir_;
  std::string src_ = dir_ / "src";
  std::string folder_ = dir_ / "archive";
  std::string out_ = dir_ / "out";
  std::string path_ = folder_ + "/" + GetParam().name;
};

TEST_P(OtherFormatTest, ExtractsWhatWentInAndRefusesChanges) {
  const FormatCase& c = GetParam();
  if (!Make(c)) GTEST_SKIP() << "needs " << testing::PrintToString(c.tools);
  ASSERT_FALSE(HasFailure()) << "the archive could not be made";
  const std::string before = ReadFile(path_);

  const auto with = [&c](std::vector<std::string> args) {
    if (!c.password.empty()) args.insert(args.begin() + 1, {"-p", c.password});
    return args;
  };
  OvkResult r = RunOvk(with({"extract", "-d", out_, path_}));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Snapshot(out_, c.items), Snapshot(src_, c.items));
  std::set<std::string> expected;
  for (const std::string& item : Words(c.items)) {
    if (item.find('/') == std::string::npos) expected.insert(item);
  }
  const std::size_t equals = c.extracted.find('=');
  const std::string bare = c.extracted.substr(0, equals);
  if (!c.extracted.empty()) {
    EXPECT_EQ(ReadFile(out_ + "/" + bare), ReadFile(src_ + "/" + c.extracted.substr(equals + 1)));
    expected.insert(bare);
  }
  EXPECT_EQ(NamesIn(out_), expected) << "nothing else is extracted";

  r = RunOvk(with({"list", path_}));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find(c.extracted.empty() ? Words(c.items)[0] : bare), std::string::npos) << r.out;
  r = RunOvk(with({"test", path_}));
  EXPECT_EQ(r.exitCode, 0) << r.err;

  EXPECT_EQ(NamesIn(folder_), std::set<std::string>{c.name}) << "nothing is left beside it";
  if (Written(c.format)) {
    // What the other tool wrote is copied through whole when an entry goes.
    std::vector<std::string> kept = Words(c.items);
    if (kept.empty()) return;
    const std::string gone = kept.back();
    kept.pop_back();
    r = RunOvk({"delete", path_, gone});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string keptItems;
    for (const std::string& item : kept) keptItems += item + " ";
    r = RunOvk({"extract", "-d", dir_ / "kept", path_});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Snapshot(dir_ / "kept", keptItems), Snapshot(src_, keptItems));
    EXPECT_FALSE(Exists(dir_ / ("kept/" + gone)));
    EXPECT_EQ(NamesIn(folder_), std::set<std::string>{c.name}) << "no temporary file is left beside it";
    return;
  }
  r = RunOvk({"add", path_, src_ + "/a.txt"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("entries are added only to native, ZIP, tar and 7z archives, this one is " + c.format),
            std::string::npos)
      << r.err;
  r = RunOvk({"delete", path_, "a.txt"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("this one is " + c.format), std::string::npos) << r.err;
  EXPECT_TRUE(ReadFile(path_) == before) << "the archive was changed";
  EXPECT_EQ(NamesIn(folder_), std::set<std::string>{c.name}) << "nothing is left beside it";
}

INSTANTIATE_TEST_SUITE_P(Formats, OtherFormatTest, ::testing::ValuesIn(FormatCases()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return info.param.label; });

// `tar -C dir .` stores "./", "./a.txt", ...: listed, selected and extracted
// by the names users know, the root folder no entry.
TEST(DotFolderTar, NamesLoseTheirDotFolder) {
  OVK_REQUIRE_TOOL("tar");
  TempDir dir;
  WriteFile(dir / "src/a.txt", "alpha\n");
  WriteFile(dir / "src/sub/b.txt", "beta\n");
  ASSERT_EQ(ovktest::Run("tar -C " + Quote(dir / "src") + " -cf " + Quote(dir / "d.tar") + " .").exitCode, 0);
  OvkResult r = RunOvk({"list", "--json", dir / "d.tar"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* name : {"\"a.txt\"", "\"sub/\"", "\"sub/b.txt\""})
    EXPECT_NE(r.out.find("\"name\": " + std::string(name)), std::string::npos) << name << "\n" << r.out;
  EXPECT_EQ(r.out.find("./"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("packedSize"), std::string::npos) << "tar does not tell it\n" << r.out;
  // The table shows an untold packed size as "-", not as 0.
  r = RunOvk({"list", dir / "d.tar"});
  EXPECT_TRUE(std::regex_search(r.out, std::regex("\n +6 +- +[-0-9: ]+ +a\\.txt\n"))) << r.out;
  r = RunOvk({"extract", "-d", dir / "out", dir / "d.tar", "sub/b.txt"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(dir / "out/sub/b.txt"), "beta\n");
  EXPECT_FALSE(Exists(dir / "out/a.txt"));
  // Deleting by that name deletes the entry, never reports a miss as done.
  r = RunOvk({"delete", dir / "d.tar", "a.txt"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = RunOvk({"list", "--json", dir / "d.tar"});
  EXPECT_EQ(r.out.find("\"a.txt\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"sub/b.txt\""), std::string::npos) << r.out;
}

// What libarchive cannot give whole is reported by name with the status
// the ZIP reader would give; what it can is still extracted.
const std::string kGivePassword = "give the password with -p PASSWORD (or -p - to read it from standard input)";
const std::string kCheckFailed = "checksum error: the data is damaged or the password is wrong";

struct TroubleCase {
  std::string label;
  std::vector<std::string> tools;
  std::string script;   // in a folder holding a.txt and big.bin, writes files named *.arc*
  std::string archive;  // the one opened
  int status;
  std::vector<std::string> errLines;  // after "ovk: "
  std::vector<std::string> extracted;
  std::string password{};  // given to the extraction with -p
};

void PrintTo(const TroubleCase& c, std::ostream* os) { *os << c.label; }

class OtherFormatTroubleTest : public ::testing::TestWithParam<TroubleCase> {};

TEST_P(OtherFormatTroubleTest, IsReportedByName) {
  const TroubleCase& c = GetParam();
  for (const std::string& tool : c.tools) {
    if (!HaveTool(tool)) GTEST_SKIP() << "needs " << tool;
  }
  TempDir dir;
  WriteFile(dir / "a.txt", "alpha\n");
  WriteFile(dir / "big.bin", RandomBytes(300000, 7));
  ASSERT_EQ(ovktest::Run("cd " + Quote(dir.Path()) + " && " + c.script).exitCode, 0) << c.script;
  std::vector<std::string> args = {"extract", "-d", dir / "out", dir / c.archive};
  if (!c.password.empty()) args.insert(args.begin() + 1, {"-p", c.password});
  const OvkResult r = RunOvk(args);
  EXPECT_EQ(r.exitCode, c.status) << r.err;
  std::vector<std::string> expected;
  for (const std::string& line : c.errLines) expected.push_back("ovk: " + line);
  EXPECT_EQ(Lines(r.err), expected);
  for (const std::string& name : c.extracted) EXPECT_EQ(ReadFile(dir / ("out/" + name)), ReadFile(dir / name)) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Archives, OtherFormatTroubleTest,
    ::testing::Values(
        TroubleCase{"SplitSevenZipOpensFromItsFirstPart", {"7zz"}, "7zz a -bso0 -v100k x.arc.7z big.bin a.txt",
                    "x.arc.7z.001", 0, {}, {"big.bin", "a.txt"}},
        TroubleCase{"CutTarGzKeepsWhatCameBefore", {"tar", "gzip"},
                    "tar -cf - a.txt big.bin | gzip -1 | head -c 200000 > cut.arc.tgz", "cut.arc.tgz", 2,
                    {"big.bin: checksum error: the data is damaged or the password is wrong",
                     "damaged: the archive cannot be read past this point"},
                    {"a.txt"}},
        TroubleCase{"CutTarXzKeepsWhatCameBefore", {"tar", "xz"},
                    "tar -cf - a.txt big.bin | xz -T2 --block-size=64KiB | head -c 200000 > cut.arc.txz",
                    "cut.arc.txz", 2,
                    {"big.bin: checksum error: the data is damaged or the password is wrong",
                     "damaged: the archive cannot be read past this point"},
                    {"a.txt"}},
        TroubleCase{"DamagedTarXzKeepsWhatCameBefore", {"tar", "xz"},
                    "tar -cf - a.txt big.bin | xz > bad.arc.txz && "
                    "printf X | dd of=bad.arc.txz bs=1 seek=150000 conv=notrunc status=none",
                    "bad.arc.txz", 2,
                    {"big.bin: checksum error: the data is damaged or the password is wrong",
                     "damaged: the archive cannot be read past this point"},
                    {"a.txt"}},
        TroubleCase{"EncipheredSevenZipWithoutPasswordSaysSo", {"7zz"}, "7zz a -bso0 -psecret x.arc.7z a.txt",
                    "x.arc.7z", 1, {"a.txt: enciphered; " + kGivePassword}, {}},
        TroubleCase{"SevenZipWithEncipheredListWithoutPasswordSaysSo", {"7zz"},
                    "7zz a -bso0 -psecret -mhe=on x.arc.7z a.txt", "x.arc.7z", 1,
                    {"its list of entries is enciphered; " + kGivePassword}, {}},
        // A link's target too: it is made only from content that checks out.
        TroubleCase{"SevenZipWrongPasswordFailsEachCheck", {"7zz"},
                    "ln -s a.txt link && 7zz a -bso0 -snl -psecret x.arc.7z a.txt big.bin link", "x.arc.7z", 2,
                    {"a.txt: " + kCheckFailed, "big.bin: " + kCheckFailed, "link: " + kCheckFailed}, {}, "wrong"},
        TroubleCase{"SevenZipWrongPasswordOpensNoList", {"7zz"}, "7zz a -bso0 -psecret -mhe=on x.arc.7z a.txt",
                    "x.arc.7z", 2,
                    {"its list of entries does not decipher: the password is wrong or the archive is damaged"}, {},
                    "wrong"},
        // A byte of the packed stream changed: the folder decodes to other bytes or fails.
        TroubleCase{"DamagedSevenZipAesFailsItsCheck", {"7zz"},
                    "7zz a -bso0 -psecret -ms=off x.arc.7z a.txt big.bin && "
                    "printf X | dd of=x.arc.7z bs=1 seek=200 conv=notrunc status=none",
                    "x.arc.7z", 2, {"big.bin: " + kCheckFailed}, {"a.txt"}, "secret"},
        TroubleCase{"SplitSevenZipAesOpensFromItsFirstPart", {"7zz"},
                    "7zz a -bso0 -psecret -mhe=on -v100k x.arc.7z big.bin a.txt", "x.arc.7z.001", 0, {},
                    {"big.bin", "a.txt"}, "secret"},
        TroubleCase{"SevenZipAesPpmdIsRefusedByName", {"7zz"}, "7zz a -bso0 -psecret -m0=PPMd x.arc.7z a.txt",
                    "x.arc.7z", 3, {"a.txt: this program cannot decode its PPMD coder"}, {}, "secret"},
        // BCJ2's four streams, each enciphered, from an executable (calls
        // and jumps to convert) and random bytes (many a false one).
        TroubleCase{"SevenZipAesBcj2JoinsItsStreams", {"7zz"},
                    "cp /bin/ls ls.bin && 7zz a -bso0 -psecret -mhe=on -mf=BCJ2 x.arc.7z ls.bin big.bin a.txt",
                    "x.arc.7z", 0, {}, {"ls.bin", "big.bin", "a.txt"}, "secret"},
        // Branch filters before a compressor liblzma does not run.
        TroubleCase{"SevenZipAesBcjBeforeBzip2", {"7zz"},
                    "cp /bin/ls ls.bin && 7zz a -bso0 -psecret -m0=BZip2 x.arc.7z ls.bin a.txt", "x.arc.7z", 0, {},
                    {"ls.bin", "a.txt"}, "secret"}),
    [](const ::testing::TestParamInfo<TroubleCase>& info) { return info.param.label; });

struct NonArchive {
  const char* label;
  std::string content;
};

class NonArchiveTest : public ::testing::TestWithParam<NonArchive> {};

TEST_P(NonArchiveTest, EveryCommandRefusesIt) {
  TempDir dir;
  const std::string path = dir / "file";
  WriteFile(path, GetParam().content);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"list", path}, {"extract", "-d", dir / "out", path}, {"test", path}, {"delete", path, "a"}}) {
    const OvkResult r = RunOvk(args);
    EXPECT_EQ(r.exitCode, 3) << args[0];
    EXPECT_NE(r.err.find("ovk: " + path + ": not an archive this program can read"), std::string::npos) << r.err;
  }
  EXPECT_EQ(ReadFile(path), GetParam().content);
  EXPECT_FALSE(Exists(dir / "out"));
}

INSTANTIATE_TEST_SUITE_P(Files, NonArchiveTest,
                         ::testing::Values(NonArchive{"Text", "Shopping: bread, milk, a new archive tool.\n"},
                                           NonArchive{"MtreeLookalike", "bread type=file size=3\nmilk mode=0644\n"},
                                           NonArchive{"MtreeSigned", "#mtree\n/etc/passwd type=file\n"},
                                           NonArchive{"RandomBytes", RandomBytes(64 << 10, 21)},
                                           NonArchive{"Empty", ""}),
                         [](const ::testing::TestParamInfo<NonArchive>& info) { return info.param.label; });

class CreateByNameTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CreateByNameTest, AFormatThisProgramDoesNotWriteIsRefusedByName) {
  TempDir dir;
  WriteFile(dir / "a.txt", "alpha\n");
  MakeDirs(dir / "new");
  const std::string archive = dir / ("new/new." + GetParam());
  const OvkResult r = RunOvk({"add", archive, dir / "a.txt"});
  EXPECT_EQ(r.exitCode, 3) << r.err;
  EXPECT_NE(r.err.find(archive + ": cannot create it: this program writes ZIP, native, tar (.tar, .tar.gz, .tar.bz2, "
                                 ".tar.xz, .tar.zst) and 7z archives only"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(NamesIn(dir / "new"), std::set<std::string>{}) << "no file is made";
}

INSTANTIATE_TEST_SUITE_P(Extensions, CreateByNameTest,
                         ::testing::Values("gz", "xz", "iso", "cpio", "deb", "rar", "tar.lz4"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string label;
                           for (char c : info.param) label += c == '.' ? '_' : c;
                           return label;
                         });

// An archive `ovk add` writes in a format other tools own.
struct WrittenCase {
  std::string label, name;               // the archive's file name
  std::vector<std::string> addOptions;   // before the archive
  std::string format;                    // as the refusals name it
  std::vector<std::string> readers;      // commands that extract "$ARC" into "$OUT"
  std::vector<std::string> tools;
};

void PrintTo(const WrittenCase& c, std::ostream* os) { *os << c.label; }

const std::string kGnuTar = "tar -xf \"$ARC\" -C \"$OUT\"";
const std::string kBsdtar = "bsdtar -xf \"$ARC\" -C \"$OUT\"";
const std::string k7zz = "7zz x -snl -bso0 -bsp0 -o\"$OUT\" \"$ARC\"";

class WrittenFormatTest : public ::testing::TestWithParam<WrittenCase> {
 protected:
  void SetUp() override {
    for (const std::string& tool : GetParam().tools) {
      if (!HaveTool(tool)) GTEST_SKIP() << "needs " << tool;
    }
    MakeTree(src_);
    ASSERT_EQ(ovktest::Run("rm " + Quote(src_ + "/holes.bin")).exitCode, 0);
    MakeDirs(folder_);
  }

  // Every peer extracts items as they are in the source, and not absent.
  void ExpectPeersRead(const std::string& items, const std::string& absent = "") {
    const std::string expected = Snapshot(src_, items);
    for (const std::string& reader : GetParam().readers) {
      const std::string out = dir_ / ("peer" + std::to_string(++extractions_));
      MakeDirs(out);
      const CommandResult r =
          ovktest::Run("ARC=" + Quote(path_) + " OUT=" + Quote(out) + " && " + reader + " 2>&1");
      EXPECT_EQ(r.exitCode, 0) << reader << "\n" << r.output;
      EXPECT_EQ(Snapshot(out, items), expected) << reader;
      if (!absent.empty()) {
        EXPECT_FALSE(Exists(out + "/" + absent)) << reader;
      }
    }
  }

  TempDir dir_;
  std::string src_ = dir_ / "src";
  std::string folder_ = dir_ / "archive";
  std::string path_ = folder_ + "/" + GetParam().name;
  int extractions_ = 0;
};

TEST_P(WrittenFormatTest, PeersReadWhatWentInAndEachChange) {
  const WrittenCase& c = GetParam();
  std::vector<std::string> add = {"add"};
  add.insert(add.end(), c.addOptions.begin(), c.addOptions.end());
  OvkResult r = RunOvk([&] {
    std::vector<std::string> args = add;
    args.insert(args.end(), {"-p", "secret", path_, src_});
    return args;
  }());
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "ovk: " + path_ + ": " + c.format + " archives cannot be enciphered; nothing was added\n");
  EXPECT_EQ(NamesIn(folder_), std::set<std::string>{}) << "no file is made";

  add.insert(add.end(), {path_, src_});
  r = RunOvk(add);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  struct stat made {};
  ASSERT_EQ(stat(path_.c_str(), &made), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(made.st_mode & 0777, 0666 & ~mask) << "a new archive is made as any new file is";
  ExpectPeersRead(kTree);

  WriteFile(dir_ / "more.txt", "more\n");
  r = RunOvk({"add", path_, dir_ / "more.txt"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = RunOvk({"delete", path_, "sub/b.txt"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  ASSERT_EQ(ovktest::Run("cp -p " + Quote(dir_ / "more.txt") + " " + Quote(src_)).exitCode, 0);
  ExpectPeersRead("a.txt run.sh sub empty link more.txt", "sub/b.txt");
  r = RunOvk({"list", path_});
  EXPECT_NE(r.out.find("more.txt"), std::string::npos) << r.out;
  EXPECT_EQ(NamesIn(folder_), std::set<std::string>{c.name}) << "no temporary file is left beside it";
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WrittenFormatTest,
    ::testing::Values(WrittenCase{"Tar", "a.tar", {}, "tar", {kGnuTar, kBsdtar}, {"tar", "bsdtar"}},
                      WrittenCase{"TarGz", "a.tgz", {}, "tar.gz", {kGnuTar, kBsdtar}, {"tar", "bsdtar", "gzip"}},
                      WrittenCase{"TarBz2", "a.tar.bz2", {}, "tar.bz2", {kGnuTar, kBsdtar}, {"tar", "bsdtar", "bzip2"}},
                      WrittenCase{"TarXz", "a.txz", {}, "tar.xz", {kGnuTar, kBsdtar}, {"tar", "bsdtar", "xz"}},
                      WrittenCase{"TarZst", "a.tar.zst", {}, "tar.zst", {kGnuTar, kBsdtar}, {"tar", "bsdtar", "zstd"}},
                      WrittenCase{"SevenZip", "a.7z", {}, "7z", {k7zz, kBsdtar}, {"7zz", "bsdtar"}},
                      WrittenCase{"FormatOptionOverridesTheName", "a.zip", {"--format", "tar.xz"}, "tar.xz",
                                  {kGnuTar, kBsdtar}, {"tar", "bsdtar", "xz"}}),
    [](const ::testing::TestParamInfo<WrittenCase>& info) { return info.param.label; });

// A kill at any moment of an add to a tar.gz leaves the old archive byte
// for byte, or the new one whole.
TEST(WrittenFormatKill, LeavesTheOldArchiveOrTheNewOne) {
  for (const char* tool : {"tar", "gzip", "timeout"}) {
    if (!HaveTool(tool)) GTEST_SKIP() << "needs " << tool;
  }
  TempDir dir;
  WriteFile(dir / "a.txt", "alpha\n");
  WriteFile(dir / "big.bin", RandomBytes(24 << 20, 5));
  const std::string archive = dir / "k.tar.gz";
  ASSERT_EQ(RunOvk({"add", archive, dir / "a.txt"}).exitCode, 0);
  const std::string before = ReadFile(archive);
  bool sawOld = false, sawNew = false;
  for (const char* delay : {"0.05", "0.3", "0.8", "30"}) {
    const CommandResult killed = ovktest::Run("timeout -s KILL " + std::string(delay) + " " +
                                              Quote(BuiltProgram("ovk")) + " add " + Quote(archive) + " " +
                                              Quote(dir / "big.bin") + " 2>&1");
    if (ReadFile(archive) == before) {
      sawOld = true;
      continue;
    }
    const CommandResult listed = ovktest::Run("tar -tzf " + Quote(archive) + " 2>&1");
    EXPECT_EQ(listed.exitCode, 0) << delay << "\n" << listed.output;
    EXPECT_EQ(listed.output, "a.txt\nbig.bin\n") << delay << "\n" << killed.output;
    sawNew = true;
    break;
  }
  EXPECT_TRUE(sawNew) << "the last run is not killed";
  EXPECT_TRUE(sawOld) << "the first run is killed before it replaces the archive";
}

// A tar.gz of many compressed blocks, compressible and random, is one gzip
// stream to every reader (this program's too), and no larger than gzip -6
// makes of the same tar.
TEST(WrittenTarGz, ManyBlocksReadAsOneStream) {
  for (const char* tool : {"tar", "gzip", "bsdtar", "python3"}) {
    if (!HaveTool(tool)) GTEST_SKIP() << "needs " << tool;
  }
  TempDir dir;
  std::string text;
  for (int line = 0; text.size() < (5 << 20); ++line) text += "line " + std::to_string(line * 7919 % 100003) + " of the log\n";
  WriteFile(dir / "src/text.log", text);
  WriteFile(dir / "src/noise.bin", RandomBytes((3 << 20) + 123, 9));
  WriteFile(dir / "src/small.txt", "small\n");
  const std::string items = "text.log noise.bin small.txt", archive = dir / "m.tar.gz";
  const OvkResult added = RunOvk({"add", archive, dir / "src"});
  ASSERT_EQ(added.exitCode, 0) << added.err;
  const CommandResult tested = ovktest::Run("gzip -t " + Quote(archive) + " 2>&1");
  EXPECT_EQ(tested.exitCode, 0) << tested.output;
  const CommandResult sizes =
      ovktest::Run("gzip -dc " + Quote(archive) + " | gzip -6 | wc -c && wc -c < " + Quote(archive));
  std::istringstream counts(sizes.output);
  double gzip6 = 0, ours = 0;
  counts >> gzip6 >> ours;
  EXPECT_GT(ours, 0);
  EXPECT_LE(ours, 1.02 * gzip6);

  const std::string expected = Snapshot(dir / "src", items);
  const std::string readers[] = {"tar -xzf \"$ARC\" -C \"$OUT\"", "bsdtar -xf \"$ARC\" -C \"$OUT\"",
                                 "python3 -c 'import sys, tarfile; tarfile.open(sys.argv[1]).extractall(sys.argv[2])' "
                                 "\"$ARC\" \"$OUT\"",
                                 Quote(BuiltProgram("ovk")) + " extract -d \"$OUT\" \"$ARC\""};
  int n = 0;
  for (const std::string& reader : readers) {
    const std::string out = dir / ("out" + std::to_string(++n));
    MakeDirs(out);
    const CommandResult r = ovktest::Run("ARC=" + Quote(archive) + " OUT=" + Quote(out) + " && " + reader + " 2>&1");
    EXPECT_EQ(r.exitCode, 0) << reader << "\n" << r.output;
    EXPECT_EQ(Snapshot(out, items), expected) << reader;
  }
}

// Names outside ASCII reach the peers as they are on the disk: UTF-8, and
// in tar also bytes that are no UTF-8 (7z keeps only Unicode names).
TEST(WrittenFormatNames, KeepTheirBytes) {
  if (!HaveTool("bsdtar")) GTEST_SKIP() << "needs bsdtar";
  const std::string unicode = "\xc3\xbcn\xc3\xaf.txt", bytes = "bad\xffname";
  const std::pair<std::string, std::set<std::string>> cases[] = {{"n.tar", {unicode, bytes}}, {"n.7z", {unicode}}};
  for (const auto& [name, names] : cases) {
    TempDir dir;
    for (const std::string& file : names) WriteFile(dir / ("src/" + file), file);
    const OvkResult r = RunOvk({"add", dir / name, dir / "src"});
    EXPECT_EQ(r.exitCode, 0) << name << "\n" << r.err;
    MakeDirs(dir / "out");
    EXPECT_EQ(ovktest::Run("bsdtar -xf " + Quote(dir / name) + " -C " + Quote(dir / "out")).exitCode, 0) << name;
    EXPECT_EQ(NamesIn(dir / "out"), names) << name;
    for (const std::string& file : names) EXPECT_EQ(ReadFile(dir / ("out/" + file)), file) << name;
  }
}

}  // namespace
}  // namespace ovktest
