// The list as folders: rows made from the names, moving between folders by
// keys, mouse and the location field, searching across folders, a folder's
// selection standing for everything below it, adding where the user is,
// and the recent archives.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <cstdio>

#include "engine/ArchiveBytes.h"
#include "engine/ListArchive.h"
#include "ui/AddFormUnit.h"
#include "ui/AdvancedRegistry.h"
#include "ui/ExtListView.h"
#include "ui/RecentArchives.h"
#include "ui/UiTestUtil.h"

using namespace ovktest;
using Names = std::vector<std::string>;

namespace {

class FolderView : public testing::Test {
 protected:
  std::unique_ptr<ovk::TOVKForm> Open(const std::vector<ZipEntryFields>& entries) {
    archive = work / "a.zip";
    WriteFile(archive, BuildZip(entries));
    auto form = MakeForm({"ovkview", archive});
    form->show();
    form->activateWindow();
    Pump(20);
    return form;
  }
  static Names Shown(const ovk::TOVKForm& form) { return Column(form, ovk::kNameColumn); }
  static std::string Location(const ovk::TOVKForm& form) { return Field(form, "LocationEdit")->text().toStdString(); }
  static void Focus(ovk::TOVKForm& form, const QString& name) {
    List(form)->setCurrentIndex(Cell(form, RowNamed(form, name), 0));
    List(form)->setFocus();
  }

  SettingsHome home;
  TempDir work;
  std::string archive;
};

// With or without entries of their own, folders show once each, before the
// files, and open and close by keys, mouse and typed location.
TEST_F(FolderView, FoldersOpenByEnterDoubleClickLocationAndGoBackAndUp) {
  const std::vector<ZipEntryFields> implied = {ZipEntry("top.txt", "t"), ZipEntry("d1/d2/deep.txt", "dd"),
                                               ZipEntry("d1/mid.txt", "m")};
  std::vector<ZipEntryFields> withEntries = {ZipEntry("d1/", ""), ZipEntry("d1/d2/", "")};
  withEntries.insert(withEntries.end(), implied.begin(), implied.end());
  for (const auto& entries : {implied, withEntries}) {
    auto form = Open(entries);
    EXPECT_EQ(Shown(*form), (Names{"d1", "top.txt"}));
    EXPECT_EQ(Location(*form), "/");
    EXPECT_EQ(TotalText(*form), "Total 3 file(s), 0 kB") << "folders are not counted as files";
    Focus(*form, "d1");
    QTest::keyClick(List(*form), Qt::Key_Return);
    EXPECT_EQ(Shown(*form), (Names{"d2", "mid.txt"}));
    EXPECT_EQ(Location(*form), "/d1");
    EXPECT_EQ(Cell(*form, 0, ovk::kOriginalColumn).data().toString(), "2");
    Pump();
    const QRect d2 = List(*form)->visualRect(Cell(*form, 0, 0));
    // A double-click follows a press of its own, as the mouse gives them.
    QTest::mousePress(List(*form)->viewport(), Qt::LeftButton, {}, d2.center());
    QTest::mouseDClick(List(*form)->viewport(), Qt::LeftButton, {}, d2.center());
    EXPECT_EQ(Shown(*form), Names{"deep.txt"});
    EXPECT_EQ(Location(*form), "/d1/d2");
    QTest::keyClick(List(*form), Qt::Key_Backspace);
    EXPECT_EQ(Location(*form), "/d1") << "back";
    QTest::keyClick(List(*form), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(Location(*form), "/") << "back again";
    EXPECT_FALSE(Action(*form, "BackItem")->isEnabled());
    EXPECT_FALSE(Action(*form, "UpItem")->isEnabled());
    QLineEdit* location = Field(*form, "LocationEdit");
    location->setText("/d1/d2/");
    QTest::keyClick(location, Qt::Key_Return);
    EXPECT_EQ(Shown(*form), Names{"deep.txt"});
    QTest::keyClick(List(*form), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(Location(*form), "/d1") << "up";
    location->setText("/nowhere");
    QTest::keyClick(location, Qt::Key_Return);
    EXPECT_EQ(Location(*form), "/d1") << "a folder the archive lacks leaves the view";
    EXPECT_EQ(Shown(*form), (Names{"d2", "mid.txt"}));
  }
}

// A folder first shown after the order changed shows in that order; so does
// one shown again after another change.
TEST_F(FolderView, AFolderShownLaterFollowsTheOrder) {
  auto form = Open({ZipEntry("d/a.txt", "a"), ZipEntry("d/c.txt", "c"), ZipEntry("d/b.txt", "b")});
  List(*form)->SetSort(ovk::kNameColumn, false);
  Focus(*form, "d");
  QTest::keyClick(List(*form), Qt::Key_Return);
  EXPECT_EQ(Shown(*form), (Names{"c.txt", "b.txt", "a.txt"}));
  QTest::keyClick(List(*form), Qt::Key_Backspace);
  List(*form)->SetSort(ovk::kNameColumn, true);
  QTest::keyClick(List(*form), Qt::Key_Left, Qt::AltModifier);
  QLineEdit* location = Field(*form, "LocationEdit");
  location->setText("/d");
  QTest::keyClick(location, Qt::Key_Return);
  EXPECT_EQ(Shown(*form), (Names{"a.txt", "b.txt", "c.txt"}));
}

TEST_F(FolderView, SearchMatchesNamesInEveryFolderUntilEscape) {
  auto form = Open({ZipEntry("Notes.txt", "n"), ZipEntry("a/b/old-notes.md", "o"), ZipEntry("a/other.txt", "x"),
                    ZipEntry("notes/readme", "r")});
  QTest::keyClick(List(*form), Qt::Key_F, Qt::ControlModifier);
  QLineEdit* search = Field(*form, "SearchEdit");
  EXPECT_TRUE(search->hasFocus()) << "Ctrl+F";
  QTest::keyClicks(search, "NOTES");
  Names shown = Shown(*form);
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, (Names{"Notes.txt", "notes", "old-notes.md"}));
  EXPECT_EQ(Cell(*form, RowNamed(*form, "old-notes.md"), ovk::kPathColumn).data().toString(), "a/b/");
  QTest::keyClick(search, Qt::Key_Escape);
  EXPECT_EQ(search->text(), "");
  EXPECT_EQ(Shown(*form), (Names{"a", "notes", "Notes.txt"}));
  EXPECT_TRUE(List(*form)->hasFocus());
}

// A folder's row stands for every entry below it, the folder's own entry
// too; names holding mask characters select only themselves.
TEST_F(FolderView, ASelectedFolderIsItsWholeSubtree) {
  const std::vector<ZipEntryFields> entries = {
      ZipEntry("m/", ""), ZipEntry("m/x*.txt", "1"), ZipEntry("m/s/x?.txt", "22"), ZipEntry("mx/xy.txt", "333"),
      ZipEntry("xy.txt", "4444"), ZipEntry("x*.txt", "55555")};
  auto form = Open(entries);
  SelectNames(*form, {"m"});
  EXPECT_EQ(SelectionText(*form), "Selected 2 file(s), 0 kB");
  form->Controller().Extract(work / "out", SelectedRows(*form), "");
  EXPECT_EQ(ovktest::Run("cd " + Quote(work / "out") + " && find . -type f | sort").output,
            "./m/s/x?.txt\n./m/x*.txt\n");
  for (const Names& picked : {Names{"m"}, Names{"x*.txt", "mx"}}) {
    form = Open(entries);
    std::vector<QString> names;
    for (const std::string& name : picked) names.push_back(QString::fromStdString(name));
    SelectNames(*form, names);
    EXPECT_TRUE(AnswerBox(QMessageBox::Yes, [&] { QTest::keyClick(List(*form), Qt::Key_Delete); }).shown);
    ovk::ListRequest request{archive};
    request.folders = true;
    Names left;
    for (const ovk::Entry& entry : ovk::ListArchive(request, ovk::SilentObserver()).entries) left.push_back(entry.name);
    EXPECT_EQ(left, picked.size() == 1 ? (Names{"mx/xy.txt", "xy.txt", "x*.txt"})
                                       : (Names{"m/", "m/x*.txt", "m/s/x?.txt", "xy.txt"}));
  }
}

TEST_F(FolderView, CtrlASelectsEveryShownRow) {
  auto form = Open({ZipEntry("a.txt", "a"), ZipEntry("b.txt", "b"), ZipEntry("d/c.txt", "c")});
  List(*form)->setFocus();
  QTest::keyClick(List(*form), Qt::Key_A, Qt::ControlModifier);
  Pump();
  EXPECT_EQ(SelectedRows(*form).size(), 3u);
  EXPECT_EQ(SelectionText(*form), "Selected 3 file(s), 0 kB") << "d counts its file";
}

// Added files and folders go into the folder shown; a folder keeps its own
// name, its subfolders walked or not as asked; a drop does the same.
TEST_F(FolderView, AddsGoIntoTheFolderShownAndFoldersKeepTheirNames) {
  MakeSizedFile(work / "in1/x", 5, "202001010000.00");
  MakeSizedFile(work / "in1/sub/y", 5, "202001010000.00");
  MakeSizedFile(work / "f.txt", 5, "202001010000.00");
  // A file is added alone, not as a mask over its folder's subfolders.
  MakeSizedFile(work / "other/f.txt", 5, "202001010000.00");
  MakeSizedFile(work / "dropped/z", 5, "202001010000.00");
  const struct {
    bool subfolders;
    Names added;
  } cases[] = {{true, {"d/f.txt", "d/in1/sub/y", "d/in1/x"}}, {false, {"d/f.txt", "d/in1/x"}}};
  for (const auto& c : cases) {
    auto form = Open({ZipEntry("d/old.txt", "o")});
    Focus(*form, "d");
    QTest::keyClick(List(*form), Qt::Key_Return);
    WhenModal(
        [&](QWidget* modal) {
          auto* dialog = qobject_cast<ovk::TAddForm*>(modal);
          ASSERT_NE(dialog, nullptr);
          dialog->TakeChosenPaths({QString::fromStdString(work / "f.txt"), QString::fromStdString(work / "in1")});
          dialog->findChild<QCheckBox*>()->setChecked(c.subfolders);
          QTest::keyClick(dialog, Qt::Key_Return);
        },
        [&] { Action(*form, "AddItem")->trigger(); });
    Names listed = ListedNames(archive);
    listed.erase(std::remove(listed.begin(), listed.end(), "d/old.txt"), listed.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, c.added);
    EXPECT_EQ(Location(*form), "/d") << "the folder stays shown";
    EXPECT_GE(RowNamed(*form, "in1"), 0);

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(work / "dropped"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &drop);
    listed = ListedNames(archive);
    EXPECT_NE(std::find(listed.begin(), listed.end(), "d/dropped/z"), listed.end());
  }
}

// Most recent first, each once, at most ten; a missing archive is shown but
// cannot be chosen.
TEST_F(FolderView, OpenRecentListsTheLastTenArchives) {
  std::vector<std::string> paths;
  for (int i = 0; i < 12; ++i) {
    paths.push_back(work / ("r" + std::to_string(i) + ".zip"));
    WriteFile(paths.back(), BuildZip({ZipEntry("a", "a")}));
  }
  auto form = MakeForm();
  for (const std::string& path : paths) form->LoadArchive(path, false);
  form->LoadArchive(paths[5], false);
  std::remove(paths[11].c_str());
  auto* recent = form->findChild<QMenu*>("RecentMenu");
  ASSERT_NE(recent, nullptr);
  emit recent->aboutToShow();
  QStringList shown;
  for (QAction* item : recent->actions()) shown << item->text();
  QStringList expected{QString::fromStdString(paths[5])};
  for (int i = 11; i >= 2; --i)
    if (i != 5) expected << QString::fromStdString(paths[static_cast<std::size_t>(i)]);
  EXPECT_EQ(shown, expected);
  EXPECT_FALSE(recent->actions()[1]->isEnabled()) << "r11.zip is gone";
  recent->actions()[2]->trigger();
  EXPECT_EQ(form->Controller().ArchiveName(), paths[10]);
  ovk::TAdvancedRegistry registry;
  EXPECT_EQ(ovk::ReadRecentArchives(registry).front(), paths[10]) << "kept in the settings file";
}

}  // namespace
