// Rows keep the entry's stored name byte for byte: names with ";", names
// that are not UTF-8 and names outside the Basic Multilingual Plane.
#include <gtest/gtest.h>

#include <QLabel>
#include <algorithm>

#include "engine/AddToArchive.h"
#include "engine/ArchiveBytes.h"
#include "ui/ExtListView.h"
#include "ui/UiTestUtil.h"

using namespace ovktest;

namespace {

const std::string kSemicolon = "a;b.txt";
const std::string kNotUtf8 = "caf\xe9\xff.bin";
const std::string kEmoji = "\xF0\x9F\x98\x80.txt";

class StoredNames : public testing::TestWithParam<bool> {};

TEST_P(StoredNames, RowsShowTheirOwnFieldsAndActOnTheirOwnEntries) {
  SettingsHome home;
  TempDir work;
  std::string src = work / "src";
  MakeSizedFile(src + "/" + kSemicolon, 333, "202001010000.00");
  MakeSizedFile(src + "/" + kNotUtf8, 444, "202001010000.00");
  MakeSizedFile(src + "/" + kEmoji, 555, "202001010000.00");
  bool native = GetParam();
  std::string archive = work / (native ? "names.ovk" : "names.zip");
  ovk::AddRequest request;
  request.archive = archive;
  request.sources = {src + "/*"};
  request.recurse = false;
  request.createNative = native;
  ASSERT_TRUE(ovk::AddToArchive(request, ovk::SilentObserver()).failures.empty());
  std::vector<std::string> listed = ListedNames(archive);
  ASSERT_EQ(listed.size(), 3u);

  auto form = MakeForm({"ovkview", archive});
  ASSERT_EQ(RowCount(*form), 3);
  std::vector<std::string> fromRows;
  for (int row = 0; row < 3; ++row) fromRows.push_back(StoredName(*form, row));
  std::sort(fromRows.begin(), fromRows.end());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(fromRows, listed) << "every row gives back its stored name";

  const int semicolon = RowNamed(*form, QString::fromStdString(kSemicolon));
  ASSERT_GE(semicolon, 0) << "the ';' does not shift the fields";
  EXPECT_EQ(Cell(*form, semicolon, ovk::kOriginalColumn).data().toString(), "333");
  EXPECT_EQ(Cell(*form, semicolon, ovk::kTimeColumn).data().toString(), "2020-01-01 00:00");
  const int emoji = RowNamed(*form, QString::fromUtf8(kEmoji.c_str()));
  ASSERT_GE(emoji, 0) << "shown as the character it is";
  EXPECT_EQ(Cell(*form, emoji, ovk::kOriginalColumn).data().toString(), "555");
  EXPECT_EQ(TotalText(*form), "Total 3 file(s), 1 kB");

  // Extracting one selected row writes exactly that entry.
  for (const std::string& name : {kEmoji, std::string()}) {
    std::string wanted;
    List(*form)->clearSelection();
    for (int row = 0; row < 3; ++row) {
      std::string stored = StoredName(*form, row);
      bool pick = name.empty() ? stored != kEmoji && stored != kSemicolon : stored == name;
      if (pick) {
        Select(*form, row);
        wanted = stored;
      }
    }
    ASSERT_FALSE(wanted.empty());
    std::string out = work / ("out" + std::to_string(name.size()));
    form->Controller().Extract(out, SelectedRows(*form), "");
    CommandResult files = ovktest::Run("cd " + Quote(out) + " && ls -A");
    EXPECT_EQ(files.output, wanted + "\n");
  }

  if (!native) {
    // Deleting the non-UTF-8 entry removes that one and no other.
    std::string doomed;
    List(*form)->clearSelection();
    for (int row = 0; row < 3; ++row) {
      std::string stored = StoredName(*form, row);
      if (stored != kEmoji && stored != kSemicolon) {
        Select(*form, row);
        doomed = stored;
      }
    }
    AnswerBox(QMessageBox::Yes, [&] { Action(*form, "DeleteItem")->trigger(); });
    std::vector<std::string> left = ListedNames(archive);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{kSemicolon, kEmoji}));
    EXPECT_EQ(RowCount(*form), 2);
  }
}

INSTANTIATE_TEST_SUITE_P(BothContainers, StoredNames, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Native" : "Zip"; });

// A row's entry is deleted alone whatever its name holds: not the entries
// the parts around a ";" or its name without blanks would name.
TEST(StoredNamesDelete, TheRowsEntryAloneIsDeleted) {
  SettingsHome home;
  TempDir work;
  const std::vector<std::string> names = {"notes", "notes;important.doc", "important.doc", "x", " x "};
  std::vector<ZipEntryFields> entries;
  for (const std::string& name : names) entries.push_back(ZipEntry(name, name));
  const std::string archive = work / "s.zip";
  WriteFile(archive, BuildZip(entries));
  auto form = MakeForm({"ovkview", archive});
  SelectNames(*form, {"notes;important.doc", " x "});
  const SeenBox box = AnswerBox(QMessageBox::Yes, [&] { Action(*form, "DeleteItem")->trigger(); });
  EXPECT_TRUE(box.shown);
  EXPECT_EQ(ListedNames(archive), (std::vector<std::string>{"notes", "important.doc", "x"}));
  EXPECT_EQ(RowCount(*form), 3);
}

TEST(PackSwitch, PacksWithoutADisplay) {
  TempDir work;
  MakeSizedFile(work / "report.txt", 100, "202001010000.00");
  MakeSizedFile(work / "pics/p.jpg", 50, "202001010000.00");
  std::string program = BuiltProgram("ovkview");
  CommandResult packed = ovktest::Run("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + Quote(program) + " /C " +
                             Quote(work / "report.txt") + " " + Quote(work / "pics"));
  EXPECT_EQ(packed.exitCode, 0) << packed.output;
  EXPECT_EQ(packed.output, "") << "nothing is written to any output";
  ASSERT_TRUE(Exists(work / "report.zip"));
  std::vector<std::string> names = ListedNames(work / "report.zip");
  EXPECT_EQ(names.size(), 2u);
  // An absolute path is no switch: it opens the window, which packs nothing.
  CommandResult opened = ovktest::Run("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen timeout 2 " +
                             Quote(program) + " " + Quote(work / "report.zip") + " extra");
  EXPECT_EQ(opened.exitCode, 124) << "the window ran until stopped";
  EXPECT_EQ(ovktest::Run("ls " + Quote(work.Path()) + " | grep -c zip").output, "1\n");
}

}  // namespace
