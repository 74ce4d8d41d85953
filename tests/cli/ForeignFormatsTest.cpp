// Files of other formats, made by their own tools: every command refuses
// them with one message and leaves them byte for byte as they were, and a
// new archive named for a format this program does not write is refused by
// its name instead of becoming a ZIP under that name.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "cli/OvkRun.h"
#include "common/TestUtil.h"

namespace ovktest {
namespace {

const char kForeign[] = ": not an archive this program can read";

// A shell line run in the source folder that writes the file "$OUT", and
// the programs it needs.
struct Maker {
  std::vector<std::string> tools;
  std::string script;
};

struct ForeignFile {
  std::string label;
  std::string name;
  std::vector<Maker> makers;  // the first whose tools are all installed; none: content is the file
  std::string content{};
  bool addable = true;  // adding to an empty file may make a ZIP of it
};

const std::vector<ForeignFile>& ForeignFiles() {
  static const std::vector<ForeignFile> files = {
      {"Tar", "a.tar", {{{"tar"}, R"(tar -cf "$OUT" a.txt sub)"}}},
      {"TarGz", "a.tar.gz", {{{"tar", "gzip"}, R"(tar -cf - a.txt sub | gzip > "$OUT")"}}},
      {"TarXz", "a.tar.xz", {{{"tar", "xz"}, R"(tar -cf - a.txt sub | xz > "$OUT")"}}},
      {"SevenZip", "a.7z", {{{"7zz"}, R"(7zz a -bso0 -bsp0 "$OUT" a.txt sub)"}}},
      {"Cpio", "a.cpio",
       {{{"cpio"}, R"(find a.txt sub | cpio -o -H newc --quiet > "$OUT")"},
        {{"bsdtar"}, R"(bsdtar --format=cpio -cf "$OUT" a.txt sub)"}}},
      {"Iso", "a.iso",
       {{{"xorriso"}, R"(xorriso -as mkisofs -quiet -o "$OUT" a.txt sub)"},
        {{"genisoimage"}, R"(genisoimage -quiet -o "$OUT" a.txt sub)"},
        {{"bsdtar"}, R"(bsdtar --format=iso9660 -cf "$OUT" a.txt sub)"}}},
      {"Deb", "a.deb",
       {{{"ar", "tar", "gzip"},
         R"(printf '2.0\n' > debian-binary && tar -czf data.tar.gz a.txt sub &&)"
         R"( ar rc "$OUT" debian-binary data.tar.gz)"}}},
      {"Text", "notes.txt", {}, "Shopping: bread, milk, a new archive tool.\n"},
      {"RandomBytes", "noise.bin", {}, RandomBytes(64 << 10, 21)},
      {"Empty", "empty", {}, "", false},
  };
  return files;
}

// A command's arguments; @file, @out and @source stand for the foreign
// file, the extraction folder and a file to add.
struct Command {
  std::string label;
  std::vector<std::string> args;
  bool adds = false;
};

const std::vector<Command> kCommands = {
    {"List", {"list", "@file"}},
    {"Extract", {"extract", "-d", "@out", "@file"}},
    {"Test", {"test", "@file"}},
    {"Add", {"add", "@file", "@source"}, true},
    {"Delete", {"delete", "@file", "a.txt"}},
    {"Repair", {"repair", "@file"}},
};

struct Case {
  ForeignFile file;
  Command command;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.command.label << " " << c.file.name; }

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (const ForeignFile& file : ForeignFiles())
    for (const Command& command : kCommands)
      if (file.addable || !command.adds) cases.push_back({file, command});
  return cases;
}

std::set<std::string> NamesIn(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) names.insert(e.path().filename().string());
  return names;
}

// "cpio or bsdtar", for a skipped row.
std::string Tools(const ForeignFile& file) {
  std::string text;
  for (const Maker& maker : file.makers) {
    if (!text.empty()) text += " or ";
    for (std::size_t i = 0; i < maker.tools.size(); ++i) text += (i ? "+" : "") + maker.tools[i];
  }
  return text;
}

class ForeignFileTest : public ::testing::TestWithParam<Case> {
 protected:
  // Makes the foreign file in its own folder; false when no maker's tools
  // are installed.
  bool Make(const ForeignFile& file) {
    WriteFile(src_ + "/a.txt", "alpha\n");
    WriteFile(src_ + "/sub/b.txt", "beta\n");
    MakeDirs(folder_);
    if (file.makers.empty()) {
      WriteFile(path_, file.content);
      return true;
    }
    for (const Maker& maker : file.makers) {
      bool installed = true;
      for (const std::string& tool : maker.tools) installed = installed && HaveTool(tool);
      if (!installed) continue;
      const CommandResult made = ovktest::Run("cd " + Quote(src_) + " && OUT=" + Quote(path_) + " && " + maker.script);
      EXPECT_EQ(made.exitCode, 0) << maker.script << "\n" << made.output;
      return true;
    }
    return false;
  }

  TempDir dir_;
  std::string src_ = dir_ / "src";
  std::string folder_ = dir_ / "archive";
  std::string out_ = dir_ / "out";
  std::string path_ = folder_ + "/" + GetParam().file.name;
};

TEST_P(ForeignFileTest, IsRefusedAndLeftAsItWas) {
  const auto& [file, command] = GetParam();
  if (!Make(file)) GTEST_SKIP() << "needs " << Tools(file);
  ASSERT_FALSE(HasFailure()) << "the file could not be made";
  const std::string before = ReadFile(path_);
  std::vector<std::string> args;
  for (const std::string& arg : command.args)
    args.push_back(arg == "@file" ? path_ : arg == "@out" ? out_ : arg == "@source" ? src_ + "/a.txt" : arg);

  const OvkResult r = RunOvk(args);
  EXPECT_EQ(r.exitCode, 3) << r.err;
  EXPECT_NE(r.err.find("ovk: " + path_ + kForeign), std::string::npos) << r.err;
  const std::string after = ReadFile(path_);
  EXPECT_EQ(after.size(), before.size());
  EXPECT_TRUE(after == before) << "the file was changed";
  EXPECT_EQ(NamesIn(folder_), std::set<std::string>{file.name}) << "nothing is left beside it";
  EXPECT_EQ(NamesIn(out_), std::set<std::string>{}) << "nothing is extracted";
}

INSTANTIATE_TEST_SUITE_P(Formats, ForeignFileTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return info.param.file.label + info.param.command.label;
                         });

class CreateByNameTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CreateByNameTest, AFormatThisProgramDoesNotWriteIsRefusedByName) {
  TempDir dir;
  WriteFile(dir / "a.txt", "alpha\n");
  MakeDirs(dir / "new");
  const std::string archive = dir / ("new/new." + GetParam());
  const OvkResult r = RunOvk({"add", archive, dir / "a.txt"});
  EXPECT_EQ(r.exitCode, 3) << r.err;
  EXPECT_NE(r.err.find(archive + ": cannot create it: this program writes ZIP and native archives only"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(NamesIn(dir / "new"), std::set<std::string>{}) << "no file is made";
}

INSTANTIATE_TEST_SUITE_P(Extensions, CreateByNameTest,
                         ::testing::Values("tar", "tar.gz", "tgz", "tar.bz2", "tar.xz", "tar.zst", "7z", "gz", "iso",
                                           "cpio", "deb"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string label;
                           for (char c : info.param) label += c == '.' ? '_' : c;
                           return label;
                         });

}  // namespace
}  // namespace ovktest
