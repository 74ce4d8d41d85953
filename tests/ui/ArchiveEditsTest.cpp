// Editing the archive through the window (rename, new folder, the comment,
// an opened entry written back) and where extraction puts the files, driven
// through the actions and keys with the dialogs answered as a user would.
#include <gtest/gtest.h>

#include <algorithm>

#include <QInputDialog>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include "engine/AddToArchive.h"
#include "engine/ArchiveBytes.h"
#include "engine/ListArchive.h"
#include "support/StringUnit.h"
#include "ui/AboutDialog.h"
#include "ui/AccessibleControls.h"
#include "ui/ExtListView.h"
#include "ui/ExtractFormUnit.h"
#include "ui/PropertiesDialog.h"
#include "ui/UiTestUtil.h"

using namespace ovktest;
using Names = std::vector<std::string>;

namespace {

class ArchiveEdits : public testing::Test {
 protected:
  void Open(const Names& names, const std::string& name = "x.zip") {
    archive = work / name;
    std::vector<ZipEntryFields> entries;
    for (const std::string& entry : names) entries.push_back(ZipEntry(entry, "content of " + entry));
    WriteFile(archive, BuildZip(entries));
    form = MakeForm({"ovkview", archive});
    form->OpenFile = [this](const QString& path) { opened.push_back(path.toStdString()); };
    form->show();
    form->activateWindow();
    Pump(20);
  }
  // Runs action; a name dialog is answered with name, and the first
  // message box is recorded and confirmed.
  SeenBox Answering(const QString& name, const std::function<void()>& action) {
    SeenBox box;
    WhenModal(
        [&](QWidget* modal) {
          if (auto* input = qobject_cast<QInputDialog*>(modal)) {
            input->setTextValue(name);
            input->accept();
          } else if (auto* message = qobject_cast<QMessageBox*>(modal); message && !box.shown) {
            box.shown = true;
            box.text = message->text();
            box.informative = message->informativeText();
            message->buttons().front()->click();
          }
        },
        action);
    return box;
  }
  // Shortcuts reach an active window only, which a closed dialog leaves to the toolkit.
  void Focus(const QString& name) {
    form->activateWindow();
    Pump();
    SelectNames(*form, {name});
    List(*form)->setCurrentIndex(Cell(*form, RowNamed(*form, name), 0));
    List(*form)->setFocus();
  }
  // The names the engine lists, folder entries too.
  Names Stored() const {
    Names names;
    for (const ovk::Entry& entry : ovk::ListArchive({archive, true}, ovk::SilentObserver()).entries)
      names.push_back(entry.name);
    return names;
  }
  Names Shown() const { return Column(*form, ovk::kNameColumn); }
  Names SelectedNames() const {
    Names names;
    for (int row : SelectedRows(*form)) names.push_back(form->Controller().Model()->At(row).name);
    return names;
  }

  SettingsHome home;
  TempDir work;
  std::string archive;
  std::unique_ptr<ovk::TOVKForm> form;
  Names opened;
};

// F2 renames one file, or a folder with everything below it; the renamed
// row stays selected. A taken name is refused in the engine's words and
// leaves the archive as it was.
TEST_F(ArchiveEdits, F2RenamesAFileOrAFolderAndRefusesATakenName) {
  struct Case {
    QString row, newName;
    Names listed;
    std::string selected;  // empty: refused
  } cases[] = {
      {"a.txt", "z.txt", {"z.txt", "docs/b.txt", "docs/c.dat"}, "z.txt"},
      {"docs", "papers", {"z.txt", "papers/b.txt", "papers/c.dat"}, "papers"},
      {"z.txt", "papers", {"z.txt", "papers/b.txt", "papers/c.dat"}, ""},
  };
  Open({"a.txt", "docs/b.txt", "docs/c.dat"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row.toStdString());
    const std::string before = ReadFile(archive);
    Focus(c.row);
    ASSERT_TRUE(Action(*form, "RenameItem")->isEnabled());
    const SeenBox box = Answering(c.newName, [&] { QTest::keyClick(List(*form), Qt::Key_F2); });
    EXPECT_EQ(ListedNames(archive), c.listed);
    if (c.selected.empty()) {
      EXPECT_EQ(box.text, "Nothing was renamed:");
      EXPECT_TRUE(box.informative.contains("papers")) << box.informative.toStdString();
      EXPECT_EQ(ReadFile(archive), before);
      continue;
    }
    EXPECT_FALSE(box.shown) << box.text.toStdString();
    EXPECT_EQ(SelectedNames(), Names{c.selected});
  }
  // Not for two rows at once.
  SelectNames(*form, {"papers", "z.txt"});
  EXPECT_FALSE(Action(*form, "RenameItem")->isEnabled());
}

// New Folder adds an empty folder entry in the folder shown.
TEST_F(ArchiveEdits, NewFolderIsAddedInTheFolderShown) {
  Open({"a.txt", "docs/b.txt"});
  Focus("docs");
  QTest::keyClick(List(*form), Qt::Key_Return);
  ASSERT_EQ(Shown(), Names{"b.txt"});
  const SeenBox box = Answering("fresh", [&] {
    QTest::keyClick(List(*form), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
  });
  EXPECT_FALSE(box.shown) << box.text.toStdString();
  EXPECT_EQ(Stored(), (Names{"a.txt", "docs/b.txt", "docs/fresh/"}));
  EXPECT_EQ(Shown(), (Names{"fresh", "b.txt"}));
}

// A format that can neither rename nor keep folder entries offers neither.
TEST_F(ArchiveEdits, RenameAndNewFolderAreOffWhereTheFormatCannot) {
  WriteFile(work / "a.txt", "alpha");
  ovk::AddRequest request;
  request.archive = work / "n.ovk";
  request.sources = {work / "a.txt"};
  request.createNative = true;
  ASSERT_TRUE(ovk::AddToArchive(request, ovk::SilentObserver()).failures.empty());
  form = MakeForm({"ovkview", work / "n.ovk"});
  SelectNames(*form, {"a.txt"});
  EXPECT_TRUE(Action(*form, "ViewItem")->isEnabled());
  EXPECT_FALSE(Action(*form, "RenameItem")->isEnabled());
  EXPECT_FALSE(Action(*form, "NewFolderItem")->isEnabled());
}

// The dialog proposes the archive's folder for a lone top-level item and a
// folder named after the archive for several; keeping folders off writes
// the files flat; opening afterwards hands the destination to the opener.
TEST_F(ArchiveEdits, ExtractDialogSuggestsKeepsFoldersAndOpensAfterwards) {
  struct Case {
    Names entries;
    std::string suggested;  // below work
    bool keepFolders, openAfterwards;
    Names written;          // below the destination
  } cases[] = {
      {{"proj/a.txt", "proj/sub/b.txt"}, "", true, false, {"proj/a.txt", "proj/sub/b.txt"}},
      {{"a.txt", "sub/b.txt"}, "/x", false, true, {"a.txt", "b.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.suggested);
    Open(c.entries);
    opened.clear();
    QString suggestion;
    WhenModal(
        [&](QWidget* modal) {
          auto* dialog = qobject_cast<ovk::TExtractForm*>(modal);
          if (!dialog) return;
          suggestion = QString::fromStdString(dialog->FolderText());
          if (dialog->KeepFolders() != c.keepFolders)
            Press(FindControl(dialog, QAccessible::CheckBox, "Keep folder structure"));
          if (dialog->OpenAfterwards() != c.openAfterwards)
            Press(FindControl(dialog, QAccessible::CheckBox, "Open the destination afterwards"));
          dialog->accept();
        },
        [&] { Action(*form, "ExtractItem")->trigger(); });
    const std::string destination = work.Path() + c.suggested;
    EXPECT_EQ(suggestion.toStdString(), destination);
    for (const std::string& name : c.written)
      EXPECT_EQ(ReadFile(destination + "/" + name), "content of " + c.entries[&name - c.written.data()]) << name;
    EXPECT_EQ(opened, c.openAfterwards ? Names{destination} : Names{});
    CloseForm(form);
  }
}

// Extract Here puts a lone top-level item beside the archive and anything
// else in a new folder named after it, never over what is there, and says
// where (or opens it, when the Extract dialog's choice says so).
TEST_F(ArchiveEdits, ExtractHerePlacesAsTheEngineChooses) {
  struct Case {
    Names entries;
    bool openAfterwards;
    std::string made;  // below work
  } cases[] = {
      {{"proj/a.txt", "proj/b.txt"}, false, "/proj"},
      {{"a.txt", "b.txt"}, false, "/x"},
      {{"a.txt", "b.txt"}, true, "/x (2)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.made);
    Open(c.entries);
    opened.clear();
    if (ExtractDialog(*form)->OpenAfterwards() != c.openAfterwards)
      Press(FindControl(ExtractDialog(*form), QAccessible::CheckBox, "Open the destination afterwards"));
    const SeenBox box = Answering({}, [&] { Action(*form, "ExtractHereItem")->trigger(); });
    const std::string made = work.Path() + c.made;
    EXPECT_EQ(ReadFile(made + "/" + ovk::NamePart(c.entries[1])), "content of " + c.entries[1]);
    if (c.openAfterwards) {
      EXPECT_EQ(opened, Names{made});
      EXPECT_FALSE(box.shown);
    } else {
      EXPECT_EQ(box.text.toStdString(), "The archive's content was extracted to " + made + ".");
    }
    CloseForm(form);
  }
}

// An entry opened by View, saved by its editor, goes back into the archive
// in place of the old one when the user says Yes and stays as it was on
// No; the list is read anew.
TEST_F(ArchiveEdits, ASavedEntryIsWrittenBackOnYesOnly) {
  Open({"a.txt", "docs/b.txt"});
  Focus("docs");
  QTest::keyClick(List(*form), Qt::Key_Return);
  Focus("b.txt");
  QTest::keyClick(List(*form), Qt::Key_Return);
  ASSERT_EQ(opened.size(), 1u);
  const std::string copy = opened.front();
  for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
    const std::string before = ReadFile(archive);
    const std::string edited = answer == QMessageBox::Yes ? "saved with yes" : "saved with no";
    QString asked;
    WhenModal(
        [&](QWidget* modal) {
          auto* box = qobject_cast<QMessageBox*>(modal);
          if (!box || !asked.isEmpty()) return;
          asked = box->text();
          box->button(answer)->click();
        },
        [&] {
          WriteFile(copy, edited);
          EXPECT_TRUE(QTest::qWaitFor([&] { return !asked.isEmpty() && !form->Controller().Busy(); }, 5000));
        });
    EXPECT_EQ(asked, "The file docs/b.txt was changed. Update the archive?");
    if (answer == QMessageBox::No) {
      EXPECT_EQ(ReadFile(archive), before);
      continue;
    }
    // It takes the old entry's place: one entry of the name, the newest.
    const Names stored = Stored();
    EXPECT_EQ(std::count(stored.begin(), stored.end(), "docs/b.txt"), 1);
    form->Controller().Extract(work / "check", {}, "");
    EXPECT_EQ(ReadFile(work / "check/docs/b.txt"), edited);
    EXPECT_EQ(Field(*form, "LocationEdit")->text(), "/docs") << "listed anew in the same folder";
  }
  // A drag out writes the copy anew, which is no save of the user's.
  Focus("b.txt");
  const SeenBox again = AnswerBox(QMessageBox::No, [&] {
    ASSERT_NE(List(*form)->DragData(), nullptr);
    Pump(700);
  });
  EXPECT_FALSE(again.shown) << again.text.toStdString();
}

// Properties counts what the archive holds; a comment typed there is stored
// in the ZIP.
TEST_F(ArchiveEdits, PropertiesShowsCountsAndStoresAnEditedComment) {
  Open({"a.txt", "docs/b.txt", "docs/c.dat"});
  QString files, folders;
  WhenModal(
      [&](QWidget* modal) {
        auto* dialog = qobject_cast<ovk::PropertiesDialog*>(modal);
        if (!dialog) return;
        files = ValueOf(FindControl(dialog, QAccessible::EditableText, "Files"));
        folders = ValueOf(FindControl(dialog, QAccessible::EditableText, "Folders"));
        TypeInto(FindControl(dialog, QAccessible::EditableText, "Comment"), "Kept for the records.");
        Press(FindControl(dialog, QAccessible::Button, "OK"));
      },
      [&] { QTest::keyClick(List(*form), Qt::Key_Return, Qt::AltModifier); });
  EXPECT_EQ(files, "3");
  EXPECT_EQ(folders, "1");
  EXPECT_EQ(ovk::ListArchive({archive}, ovk::SilentObserver()).comment, "Kept for the records.");
  EXPECT_EQ(RowCount(*form), 2) << "listed anew";
}

TEST_F(ArchiveEdits, AboutOpensFromTheHelpMenu) {
  Open({"a.txt"});
  bool shown = false;
  WhenModal(
      [&](QWidget* modal) {
        shown = shown || qobject_cast<ovk::AboutDialog*>(modal) != nullptr;
        static_cast<QDialog*>(modal)->reject();
      },
      [&] { Action(*form, "AboutItem")->trigger(); });
  EXPECT_TRUE(shown);
}

}  // namespace
