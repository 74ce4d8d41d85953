// ZIP archives made at test time by other programs list with the names,
// sizes and times Python's zipfile reads from them, and extract
// byte-identical; passwords give the designed codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <vector>

#include "ArchiveBytes.h"
#include "common/TestUtil.h"
#include "support/DosTime.h"

namespace ovktest {
namespace {

struct PeerCase {
  const char* label;
  const char* tool;
  // Run in the source folder; OUT is the archive's path.
  const char* command;
  const char* password = "";
};

std::ostream& operator<<(std::ostream& os, const PeerCase& c) { return os << c.label; }

// The files every peer packs (relative path -> content).
std::map<std::string, std::string> SourceFiles() {
  std::string text;
  for (int i = 0; i < 4000; ++i) text += "line " + std::to_string(i) + " of a compressible text\n";
  return {{"a.txt", "hello world\n"},
          {"docs/sub/r.bin", RandomBytes(20000, 11)},
          {"docs/big.txt", text},
          {"docs/empty.txt", ""},
          {"gr\xC3\xBC\xC3\x9F" "e.txt", "umlaut name\n"}};
}

const char* kPythonWriter =
    "import os,sys,zipfile\n"
    "z=zipfile.ZipFile(sys.argv[1],'w',int(sys.argv[2]))\n"
    "for root,dirs,files in sorted(os.walk('.')):\n"
    "  for f in sorted(files): z.write(os.path.join(root,f)[2:])\n"
    "z.close()\n";

// name;compressed;original;DOS time for every file entry, as zipfile sees it.
const char* kPythonLister =
    "import sys,zipfile\n"
    "sys.stdout.reconfigure(encoding='utf-8')\n"
    "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
    "  if i.is_dir(): continue\n"
    "  d=i.date_time\n"
    // zipfile reads unflagged names as code page 437; they are UTF-8 here.
    "  n=i.filename if i.flag_bits&0x800 else i.filename.encode('cp437').decode('utf-8')\n"
    "  t=((d[0]-1980)<<25)|(d[1]<<21)|(d[2]<<16)|(d[3]<<11)|(d[4]<<5)|(d[5]//2)\n"
    "  print('%s;%d;%d;%d' % (n.replace('/','\\\\'), i.compress_size, i.file_size, t - (1<<32 if t>=1<<31 else 0)))\n";

class ZipPeersReadTest : public ::testing::TestWithParam<PeerCase> {
 protected:
  void SetUp() override {
    if (!HaveTool(GetParam().tool)) GTEST_SKIP() << GetParam().tool << " not installed";
    OVK_REQUIRE_TOOL("python3");
    for (const auto& [name, content] : SourceFiles()) {
      WriteFile(dir_ / ("src/" + name), content);
      // An even number of seconds: DOS times hold two-second steps.
      ASSERT_EQ(ovktest::Run("touch -d '2021-03-04 05:06:08' " + Quote(dir_ / ("src/" + name))).exitCode, 0);
    }
    WriteFile(dir_ / "writer.py", kPythonWriter);
    WriteFile(dir_ / "lister.py", kPythonLister);
    archive_ = dir_ / "peer.zip";
    std::string command = GetParam().command;
    for (auto at = command.find("OUT"); at != std::string::npos; at = command.find("OUT", at))
      command.replace(at, 3, Quote(archive_));
    const CommandResult made = ovktest::Run("cd " + Quote(dir_ / "src") + " && " + command);
    ASSERT_EQ(made.exitCode, 0) << made.output;
  }

  // Our listing without the flags and encrypted fields, checked separately.
  std::vector<std::string> ListedEntries(std::vector<std::string>* encryptedFields = nullptr) {
    const Listing l = ListFile(archive_);
    EXPECT_TRUE(l.ok);
    std::vector<std::string> out;
    for (const std::string& line : l.lines) {
      // The name may hold ";" itself: the five numbers are taken from the right.
      std::vector<std::string> f;  // encrypted, flags, original, time, packed
      std::string rest = line;
      for (int i = 0; i < 5; ++i) {
        const auto at = rest.rfind(';');
        f.push_back(rest.substr(at + 1));
        rest.resize(at);
      }
      if (encryptedFields) encryptedFields->push_back(f[0]);
      out.push_back(rest + ";" + f[4] + ";" + f[2] + ";" + f[3]);  // as the lister prints it
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  std::vector<std::string> PythonEntries() {
    const CommandResult r = ovktest::Run("python3 " + Quote(dir_ / "lister.py") + " " + Quote(archive_));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    std::vector<std::string> out;
    std::stringstream ss(r.output);
    for (std::string line; std::getline(ss, line);) out.push_back(line);
    std::sort(out.begin(), out.end());
    return out;
  }

  TempDir dir_;
  std::string archive_;
};

TEST_P(ZipPeersReadTest, ListsTheNamesSizesAndTimesTheArchiveHolds) {
  std::vector<std::string> encrypted;
  const std::vector<std::string> ours = ListedEntries(&encrypted);
  EXPECT_EQ(ours, PythonEntries());
  const std::string expectedTime = std::to_string(static_cast<std::int32_t>(ovk::EncodeDosTime({2021, 3, 4, 5, 6, 8})));
  for (const std::string& line : ours) {
    if (line.rfind("META-INF", 0) == 0 || line.rfind("-;", 0) == 0) continue;  // written by the tool itself
    EXPECT_EQ(line.substr(line.rfind(';') + 1), expectedTime) << line;
  }
  for (const std::string& e : encrypted) EXPECT_EQ(e, *GetParam().password ? "1" : "0");
}

TEST_P(ZipPeersReadTest, ExtractsEveryFileByteIdentical) {
  const Extraction x = ExtractAll(archive_, dir_ / "out", GetParam().password);
  ASSERT_TRUE(x.ok) << "code " << x.code;
  EXPECT_EQ(x.code, 0);
  for (const auto& [name, content] : SourceFiles()) EXPECT_EQ(ReadFile(dir_ / ("out/" + name)), content) << name;
}

TEST_P(ZipPeersReadTest, PasswordCodes) {
  if (!*GetParam().password) {
    EXPECT_TRUE(ExtractAll(archive_, dir_ / "any", "not needed").ok);
    return;
  }
  Extraction x = ExtractAll(archive_, dir_ / "none");
  EXPECT_FALSE(x.ok);
  EXPECT_EQ(x.code, 1);
  x = ExtractAll(archive_, dir_ / "wrong", "wrong password");
  EXPECT_FALSE(x.ok);
  EXPECT_EQ(x.code, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Peers, ZipPeersReadTest,
    ::testing::Values(
        PeerCase{"InfoZipFolders", "zip", "zip -q -r OUT ."},
        PeerCase{"InfoZipPassword", "zip", "zip -q -r -e -P secret OUT .", "secret"},
        PeerCase{"InfoZipStored", "zip", "zip -q -r -0 OUT ."},
        PeerCase{"InfoZipComment", "zip", "zip -q -r OUT . && echo 'an archive comment' | zip -q -z OUT"},
        PeerCase{"InfoZipPipe", "zip", "cat docs/big.txt | zip -q OUT - && zip -q -r OUT ."},
        PeerCase{"SevenZipDeflate", "7zz", "7zz a -tzip -mm=Deflate OUT . >/dev/null"},
        PeerCase{"SevenZipZipCrypto", "7zz", "7zz a -tzip -mem=ZipCrypto -psecret OUT . >/dev/null", "secret"},
        PeerCase{"Bsdtar", "bsdtar", "bsdtar --format zip -cf OUT ."},
        PeerCase{"PythonStored", "python3", "python3 ../writer.py OUT 0"},
        PeerCase{"PythonDeflated", "python3", "python3 ../writer.py OUT 8"},
        PeerCase{"Jar", "jar", "jar cf OUT ."}),
    [](const ::testing::TestParamInfo<PeerCase>& info) { return std::string(info.param.label); });

// The entry packed from a pipe is named "-" and holds what the pipe gave.
TEST(ZipPeersRead, InfoZipFromAPipe) {
  OVK_REQUIRE_TOOL("zip");
  TempDir dir;
  ASSERT_EQ(ovktest::Run("echo x | zip -q " + Quote(dir / "p.zip") + " -").exitCode, 0);
  const Listing l = ListFile(dir / "p.zip");
  ASSERT_EQ(l.lines.size(), 1u);
  EXPECT_EQ(l.lines[0].substr(0, 2), "-;");
  ASSERT_TRUE(ExtractAll(dir / "p.zip", dir / "out").ok);
  EXPECT_EQ(ReadFile(dir / "out/-"), "x\n");
}

}  // namespace
}  // namespace ovktest
