// Delete, extract, add and drop through the window, with the boxes and
// dialogs answered as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <set>
#include <sys/stat.h>

#include "engine/AddToArchive.h"
#include "engine/ArchiveBytes.h"
#include "engine/ListArchive.h"
#include "support/ByteOrder.h"
#include "ui/AddFormUnit.h"
#include "ui/ExtListView.h"
#include "ui/AccessibleControls.h"
#include "ui/ExtractFormUnit.h"
#include "ui/UiTestUtil.h"

using namespace ovktest;
using ovk::TOVKForm;

namespace {

class WindowActions : public testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("zip")) GTEST_SKIP() << "zip not installed";
    archive = work / "sample.zip";
    MakeSampleZip(archive, work / "src");
    form = MakeForm({"ovkview", archive});
  }
  // Runs the Extract dialog with these answers.
  void ExtractThroughDialog(const std::string& folder, const QString& password, bool expectSelected) {
    WhenModal(
        [&](QWidget* modal) {
          auto* dialog = qobject_cast<ovk::TExtractForm*>(modal);
          ASSERT_NE(dialog, nullptr);
          EXPECT_EQ(dialog->SelectedOnly(), expectSelected);
          dialog->SetSuggestion(QString::fromStdString(folder));
          dialog->SetPassword(password.toStdString());
          dialog->accept();
        },
        [&] { Action(*form, "ExtractItem")->trigger(); });
  }

  SettingsHome home;
  TempDir work;
  std::string archive;
  std::unique_ptr<TOVKForm> form;
};

// Every file of the sample at once, through the search.
void ShowAllFiles(TOVKForm& form) { Field(form, "SearchEdit")->setText("."); }

void ShowFolder(TOVKForm& form, const char* path) {
  Field(form, "LocationEdit")->setText(path);
  QTest::keyClick(Field(form, "LocationEdit"), Qt::Key_Return);
}

// Fills the Add dialog and confirms or cancels it.
void AddThroughDialog(QWidget* modal, const QStringList& paths, const QString& password, bool confirm,
                      int encryption = 0) {
  auto* dialog = qobject_cast<ovk::TAddForm*>(modal);
  ASSERT_NE(dialog, nullptr);
  dialog->TakeChosenPaths(paths);
  dialog->findChild<QLineEdit*>()->setText(password);
  dialog->findChild<QComboBox*>()->setCurrentIndex(encryption);
  QTest::keyClick(dialog, confirm ? Qt::Key_Return : Qt::Key_Escape);
}

TEST_F(WindowActions, DeleteAsksAndOnlyYesDeletes) {
  std::string before = ReadFile(archive);
  // The Delete key with nothing selected asks nothing.
  SelectNames(*form, {});
  SeenBox none = AnswerBox(QMessageBox::Yes, [&] {
    QTest::keyClick(List(*form), Qt::Key_Delete);
    Pump(50);
  });
  EXPECT_FALSE(none.shown);
  for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Cancel}) {
    SelectNames(*form, {"a.txt"});
    SeenBox box = AnswerBox(answer, [&] { QTest::keyClick(List(*form), Qt::Key_Delete); });
    ASSERT_TRUE(box.shown);
    EXPECT_EQ(box.title, "Question");
    EXPECT_EQ(box.text, "Are you sure to delete the selected file(s)?");
    EXPECT_EQ(box.icon, QMessageBox::Question);
    EXPECT_EQ(box.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_EQ(RowCount(*form), 2);
  }
  ShowAllFiles(*form);
  SelectNames(*form, {"a.txt", "c.dat"});
  SeenBox yes = AnswerBox(QMessageBox::Yes, [&] { Action(*form, "DeleteItem")->trigger(); });
  EXPECT_TRUE(yes.shown);
  EXPECT_EQ(ListedNames(archive), std::vector<std::string>{"docs/b.txt"});
  EXPECT_EQ(Column(*form, ovk::kNameColumn), std::vector<std::string>{"*b.txt"});
  EXPECT_EQ(TotalText(*form), "Total 1 file(s), 1 kB");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// An archive an add left without a directory is listed as the walk finds
// it, and the window says what happened and what rebuilds the directory.
TEST_F(WindowActions, ArchiveWithoutDirectoryIsListedWithAWarning) {
  const std::string bytes = ReadFile(archive);
  WriteFile(archive, bytes.substr(0, ovk::GetLE32(bytes.data() + bytes.size() - 6)));
  const SeenBox box = AnswerBox(QMessageBox::Ok, [&] { form->LoadArchive(archive, false); });
  ASSERT_TRUE(box.shown);
  EXPECT_EQ(box.icon, QMessageBox::Warning);
  EXPECT_TRUE(box.text.contains("directory is missing (an add was interrupted)")) << box.text.toStdString();
  EXPECT_EQ(TotalText(*form), "Total 3 file(s), 1,207 kB");
  const SeenBox none = AnswerBox(QMessageBox::Ok, [&] { form->LoadArchive(archive, true); });
  EXPECT_FALSE(none.shown);
}

// An archive that cannot be read says why; a name not there yet is an
// archive still to be made, and says nothing.
TEST_F(WindowActions, AnArchiveThatCannotBeOpenedSaysWhy) {
  ovktest::MakeDirs(work / "folder.zip");
  const SeenBox box = AnswerBox(QMessageBox::Ok, [&] { form->LoadArchive(work / "folder.zip", false); });
  ASSERT_TRUE(box.shown);
  EXPECT_EQ(box.icon, QMessageBox::Critical);
  EXPECT_EQ(box.text.toStdString(), "cannot open archive " + work / "folder.zip" + ": a folder is in the way");
  EXPECT_EQ(RowCount(*form), 0);
  const SeenBox none = AnswerBox(QMessageBox::Ok, [&] { form->LoadArchive(work / "new.zip", false); });
  EXPECT_FALSE(none.shown);
}

TEST_F(WindowActions, DeletingFromANativeArchiveChangesNothingAndSaysWhy) {
  std::string native = work / "native.ovk";
  ovk::AddRequest request;
  request.archive = native;
  request.sources = {work / "src/a.txt"};
  request.createNative = true;
  ovk::AddToArchive(request, ovk::SilentObserver());
  ASSERT_EQ(ReadFile(native).substr(0, 4), "KWTZ");
  form->LoadArchive(native, false);
  ASSERT_EQ(RowCount(*form), 1);
  std::string before = ReadFile(native);
  SelectNames(*form, {"a.txt"});
  std::vector<QString> texts;
  WhenModal(
      [&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        texts.push_back(box->text() + "|" + box->informativeText());
        box->button(box->icon() == QMessageBox::Question ? QMessageBox::Yes : QMessageBox::Ok)->click();
      },
      [&] { Action(*form, "DeleteItem")->trigger(); });
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_TRUE(texts[1].startsWith("Nothing was deleted:|")) << texts[1].toStdString();
  EXPECT_TRUE(texts[1].contains("the archive is unchanged")) << texts[1].toStdString();
  EXPECT_EQ(ReadFile(native), before);
  EXPECT_EQ(RowCount(*form), 1);
}

TEST_F(WindowActions, ExtractAllOrOnlyTheSelectedRows) {
  std::string all = work / "all";
  SelectNames(*form, {});
  ExtractThroughDialog(all, "secret", false);
  EXPECT_EQ(ReadFile(all + "/a.txt"), ReadFile(work / "src/a.txt"));
  EXPECT_EQ(ReadFile(all + "/docs/b.txt"), ReadFile(work / "src/docs/b.txt"));
  EXPECT_EQ(ReadFile(all + "/docs/c.dat"), ReadFile(work / "src/docs/c.dat"));

  std::string some = work / "some";
  ShowAllFiles(*form);
  SelectNames(*form, {"c.dat", "a.txt"});
  ExtractThroughDialog(some, "secret", true);
  EXPECT_TRUE(Exists(some + "/a.txt"));
  EXPECT_TRUE(Exists(some + "/docs/c.dat"));
  EXPECT_FALSE(Exists(some + "/docs/b.txt"));
  EXPECT_EQ(RowCount(*form), 3) << "extracting does not list again";

  // "Selected files" turned off by hand extracts everything.
  std::string off = work / "off";
  WhenModal(
      [&](QWidget* modal) {
        auto* dialog = static_cast<ovk::TExtractForm*>(modal);
        dialog->SetSuggestion(QString::fromStdString(off));
        ovktest::Press(ovktest::FindControl(dialog, QAccessible::RadioButton, "All files"));
        dialog->accept();
      },
      [&] { Action(*form, "ExtractItem")->trigger(); });
  EXPECT_TRUE(Exists(off + "/docs/b.txt"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Answers the password prompt with typed ("" dismisses it), counting the
// prompts, and closes a message box after noting it.
std::function<void(QWidget*)> PromptThenBox(const std::string& typed, int& prompts, SeenBox& box) {
  return [&prompts, &box, typed](QWidget* modal) {
    if (auto* prompt = qobject_cast<QInputDialog*>(modal)) {
      ++prompts;
      EXPECT_EQ(prompt->textEchoMode(), QLineEdit::Password);
      prompt->setTextValue(QString::fromStdString(typed));
      typed.empty() ? prompt->reject() : prompt->accept();
      return;
    }
    auto* shown = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(shown, nullptr);
    box = {true, shown->windowTitle(), shown->text(), "", shown->icon(), shown->standardButtons()};
    shown->button(QMessageBox::Ok)->click();
  };
}

TEST_F(WindowActions, MissingPasswordsAreAskedForAndWrongOnesShowTheirBox) {
  // The password typed at the prompt ("" dismisses it), then the box shown.
  struct Case {
    std::string given, typed;
    const char *title, *text;
    QMessageBox::Icon icon;
  } cases[] = {
      {"", "", "Warning", "File protected by password. Specify password in the extract dialog.", QMessageBox::Warning},
      {"wrong", "", "Error", "File extract checksum error. File probably corrupt or password incorrect.",
       QMessageBox::Critical},
      {"", "wrong", "Error", "File extract checksum error. File probably corrupt or password incorrect.",
       QMessageBox::Critical},
      {"", "secret", "", "", QMessageBox::NoIcon},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string folder = work / ("out" + std::to_string(n++));
    int prompts = 0;
    SeenBox box;
    WhenModal(PromptThenBox(c.typed, prompts, box), [&] { form->Controller().Extract(folder, {}, c.given); });
    EXPECT_EQ(prompts, c.given.empty() ? 1 : 0) << "asked only without a password";
    EXPECT_EQ(box.shown, c.title[0] != 0) << c.typed;
    EXPECT_EQ(box.title, c.title);
    EXPECT_EQ(box.text, c.text);
    EXPECT_EQ(box.icon, c.icon);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
  // The typed password extracted everything and is offered by both dialogs.
  EXPECT_EQ(ReadFile(work / "out3/docs/b.txt"), ReadFile(work / "src/docs/b.txt"));
  EXPECT_EQ(ExtractDialog(*form)->Password(), "secret");
  EXPECT_EQ(AddDialog(*form)->Password(), "secret");
}

// Test sits after Extract, checks everything or the selection, asks for a
// missing password as extraction does, and always says how it went.
TEST_F(WindowActions, TestChecksTheEntriesAndSaysHowItWent) {
  const QList<QAction*> menu = qobject_cast<QMenu*>(Action(*form, "ExtractItem")->associatedObjects().first())->actions();
  EXPECT_EQ(menu.indexOf(Action(*form, "TestItem")), menu.indexOf(Action(*form, "ExtractItem")) + 1);
  EXPECT_FALSE(Action(*MakeForm(), "TestItem")->isEnabled()) << "no archive open";
  SelectNames(*form, {});
  int prompts = 0;
  SeenBox box;
  WhenModal(PromptThenBox("secret", prompts, box), [&] { Action(*form, "TestItem")->trigger(); });
  EXPECT_EQ(prompts, 1);
  EXPECT_EQ(box.icon, QMessageBox::Information);
  EXPECT_EQ(box.text, "3 entries verified, no errors.");
  SelectNames(*form, {"a.txt"});
  EXPECT_EQ(AnswerBox(QMessageBox::Ok, [&] { Action(*form, "TestItem")->trigger(); }).text, "1 entries verified, no errors.");

  std::string bytes = ReadFile(archive);
  bytes[bytes.size() / 2] ^= 0x55;
  WriteFile(archive, bytes);
  SelectNames(*form, {});
  box = AnswerBox(QMessageBox::Ok, [&] { Action(*form, "TestItem")->trigger(); });
  EXPECT_EQ(box.text, "File extract checksum error. File probably corrupt or password incorrect.");
  EXPECT_TRUE(box.informative.startsWith("docs/c.dat: ")) << box.informative.toStdString();
}

// Entries behind a damaged one are still listed, and the damage is shown.
TEST_F(WindowActions, ADamagedEntryIsShownAndTheRestListed) {
  ZipEntryFields big = ZipEntry("big.txt", "payload");
  big.compressedSize = 0x7FFFFFF0;
  WriteFile(work / "damaged.zip", BuildZip({ZipEntry("a.txt", "a"), big, ZipEntry("c.txt", "c")}));
  SeenBox box = AnswerBox(QMessageBox::Ok, [&] { form->LoadArchive(work / "damaged.zip", false); });
  EXPECT_EQ(box.text, "This archive is damaged; these entries cannot be read:");
  EXPECT_EQ(box.informative, "big.txt: damaged: its data runs past the end of the archive");
  EXPECT_EQ(RowCount(*form), 3);
  EXPECT_GE(RowNamed(*form, "c.txt"), 0);
}

// Nothing is made up of a file no format reads: the list empties.
TEST_F(WindowActions, AFileNoFormatReadsIsRefused) {
  form->LoadArchive(archive, false);
  ASSERT_GT(RowCount(*form), 0);
  WriteFile(work / "text.zip", "just some text\n");
  const SeenBox box = AnswerBox(QMessageBox::Ok, [&] { form->LoadArchive(work / "text.zip", false); });
  EXPECT_EQ(box.icon, QMessageBox::Critical);
  EXPECT_EQ(box.text.toStdString(), (work / "text.zip") + ": not an archive this program can read");
  EXPECT_EQ(RowCount(*form), 0);
}

TEST_F(WindowActions, NewArchiveThenAddThroughTheDialogMakesAZip) {
  std::string target = work / "made.ovk";
  WhenModal(
      [&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        ChooseFile(dialog, target);
      },
      [&] { Action(*form, "NewItem")->trigger(); });
  EXPECT_EQ(form->windowTitle(), "OVK Viewer - made.ovk");
  EXPECT_EQ(RowCount(*form), 0);
  EXPECT_FALSE(Exists(target)) << "a new archive comes into being with the first add";
  WhenModal(
      [&](QWidget* modal) {
        AddThroughDialog(modal, {QString::fromStdString(work / "src/a.txt"), QString::fromStdString(work / "src/docs")},
                         "", true);
      },
      [&] { Action(*form, "AddItem")->trigger(); });
  ASSERT_TRUE(Exists(target));
  EXPECT_EQ(ReadFile(target).substr(0, 2), "PK") << "every new archive is a ZIP archive";
  std::vector<std::string> names = ListedNames(target);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "docs/b.txt", "docs/c.dat"}));
  EXPECT_EQ(Column(*form, ovk::kNameColumn), (std::vector<std::string>{"docs", "a.txt"}));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// AES-256 chosen in the Add dialog enciphers the new entries as WinZip AE-2,
// and the choice is kept with the other settings.
TEST_F(WindowActions, AesChosenInTheAddDialogIsUsedAndKept) {
  WriteFile(work / "new.txt", "enciphered with AES");
  WhenModal([&](QWidget* modal) { AddThroughDialog(modal, {QString::fromStdString(work / "new.txt")}, "pw", true, 1); },
            [&] { Action(*form, "AddItem")->trigger(); });
  EXPECT_NE(ReadFile(archive).find(std::string("\x01\x99\x07\x00\x02\x00" "AE\x03", 9)), std::string::npos)
      << "an AE-2, AES-256 extra field";
  EXPECT_EQ(ExtractAll(archive, work / "out", "pw", {"new.txt"}).code, 0);
  EXPECT_EQ(ReadFile(work / "out/new.txt"), "enciphered with AES");
  CloseForm(form);
  EXPECT_TRUE(MakeForm()->Controller().options.aes);
}

// The compression level goes to every add and the permission choice to
// every extraction.
TEST_F(WindowActions, LevelAndPermissionChoicesReachTheEngine) {
  MakeSizedFile(work / "text.txt", 400000, "202001010000.00");
  auto packedWith = [&](ovk::CompressionLevel level, const std::string& name) {
    form->LoadArchive(work / name, true);
    form->Controller().options.level = level;
    form->Controller().Add({work / "text.txt"}, "", false, "");
    return ovk::ListArchive(ovk::ListRequest{work / name}, ovk::SilentObserver()).entries.at(0).packedSize;
  };
  EXPECT_LT(packedWith(ovk::kLevelMaximum, "best.zip"), packedWith(ovk::kLevelFastest, "fast.zip"));

  WriteFile(work / "tool/run.sh", "#!/bin/sh\n");
  ASSERT_EQ(chmod((work / "tool/run.sh").c_str(), 0755), 0);
  ZipFiles(work / "tool.zip", work / "tool", {"run.sh"});
  form->LoadArchive(work / "tool.zip", false);
  for (bool restore : {true, false}) {
    const std::string folder = work / (restore ? "restored" : "plain");
    form->Controller().options.restorePermissions = restore;
    form->Controller().Extract(folder, {}, "");
    struct stat written {};
    ASSERT_EQ(stat((folder + "/run.sh").c_str(), &written), 0);
    EXPECT_EQ((written.st_mode & S_IXUSR) != 0, restore);
  }
}

// View and Enter extract the selected entries into one private folder and
// hand each file to the opener; a failed extraction is shown and opens
// nothing; the folder goes with the window.
TEST_F(WindowActions, ViewOpensExtractedEntriesFromAPrivateFolder) {
  std::vector<std::string> opened;
  form->OpenFile = [&](const QString& path) { opened.push_back(path.toStdString()); };
  ExtractDialog(*form)->SetPassword("wrong");
  ShowAllFiles(*form);
  SelectNames(*form, {"a.txt", "*b.txt"});
  SeenBox box = AnswerBox(QMessageBox::Ok, [&] { Action(*form, "ViewItem")->trigger(); });
  EXPECT_EQ(box.text, "File extract checksum error. File probably corrupt or password incorrect.");
  EXPECT_TRUE(opened.empty());

  ExtractDialog(*form)->SetPassword("secret");
  Action(*form, "ViewItem")->trigger();
  SelectNames(*form, {"c.dat"});
  QTest::keyClick(List(*form), Qt::Key_Return);
  ASSERT_EQ(opened.size(), 3u);
  std::sort(opened.begin(), opened.end());
  const std::string folder = opened[0].substr(0, opened[0].size() - std::string("/a.txt").size());
  EXPECT_EQ(folder.rfind(QDir::tempPath().toStdString() + "/ovkview-", 0), 0u) << folder;
  EXPECT_EQ(opened[1], folder + "/docs/b.txt");
  EXPECT_EQ(opened[2], folder + "/docs/c.dat") << "one folder per window";
  for (const char* name : {"a.txt", "docs/b.txt", "docs/c.dat"})
    EXPECT_EQ(ReadFile(folder + "/" + name), ReadFile(work / ("src/" + std::string(name))));
  struct stat made {};
  ASSERT_EQ(stat(folder.c_str(), &made), 0);
  EXPECT_EQ(made.st_mode & 07777, 0700u);
  CloseForm(form);
  EXPECT_FALSE(Exists(folder));
}

TEST_F(WindowActions, OpenChoosesAnArchiveByItsContents) {
  std::string renamed = work / "really-a-zip.rqf";
  WriteFile(renamed, ReadFile(archive));
  WhenModal(
      [&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->nameFilters().first(), "ZIP files (*.zip)");
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        ChooseFile(dialog, renamed);
      },
      [&] { Action(*form, "OpenItem")->trigger(); });
  EXPECT_EQ(form->Controller().ArchiveName(), renamed);
  EXPECT_EQ(TotalText(*form), "Total 3 file(s), 1,207 kB");
}

TEST_F(WindowActions, DroppedFoldersAreAddedWithTheirSubfolders) {
  std::string dropped = work / "drop";
  MakeSizedFile(dropped + "/top.txt", 20, "202001010000.00");
  MakeSizedFile(dropped + "/deep/er/low.txt", 30, "202001010000.00");
  auto drop = [&](TOVKForm& target) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dropped))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &event);
  };
  drop(*form);
  std::vector<std::string> names = ListedNames(archive);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "docs/b.txt", "docs/c.dat", "drop/deep/er/low.txt", "drop/top.txt"}))
      << "a dropped folder keeps its name";
  EXPECT_EQ(Column(*form, ovk::kNameColumn), (std::vector<std::string>{"docs", "drop", "a.txt"}));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  auto empty = MakeForm();
  drop(*empty);
  EXPECT_EQ(RowCount(*empty), 0) << "no archive named: nothing happens";
  EXPECT_EQ(empty->Controller().ArchiveName(), "");
}

// A drag out of the list carries the selected entries as files extracted
// for it; the window does not take its own drag as files to add, another
// window does.
TEST_F(WindowActions, DraggedRowsCarryExtractedFilesThatTheirOwnWindowIgnores) {
  EXPECT_TRUE(Cell(*form, 0, ovk::kNameColumn).flags() & Qt::ItemIsDragEnabled);
  // The enciphered entry behind them needs the password all the same.
  ExtractDialog(*form)->SetPassword("secret");
  ShowFolder(*form, "/docs");
  SelectNames(*form, {"c.dat"});
  std::unique_ptr<QMimeData> data = List(*form)->DragData();
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(data->urls().size(), 1);
  EXPECT_TRUE(data->urls()[0].isLocalFile());
  EXPECT_EQ(ReadFile(data->urls()[0].toLocalFile().toStdString()), ReadFile(work / "src/docs/c.dat"));

  const std::string before = ReadFile(archive);
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form.get(), &enter);
  EXPECT_FALSE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form.get(), &drop);
  EXPECT_EQ(ReadFile(archive), before);
  auto other = MakeForm({"ovkview", archive});
  QApplication::sendEvent(other.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
}

TEST_F(WindowActions, PasswordsPassBetweenTheDialogsAfterEitherResult) {
  WhenModal(
      [&](QWidget* modal) {
        auto* dialog = static_cast<ovk::TExtractForm*>(modal);
        dialog->SetPassword("typed in extract");
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
      },
      [&] { Action(*form, "ExtractItem")->trigger(); });
  EXPECT_EQ(AddDialog(*form)->Password(), "typed in extract");
  EXPECT_EQ(ExtractDialog(*form)->Password(), "typed in extract");
  std::string before = ReadFile(archive);
  WhenModal([&](QWidget* modal) { AddThroughDialog(modal, {QString::fromStdString(work / "src/a.txt")}, "typed in add", false); },
            [&] { Action(*form, "AddItem")->trigger(); });
  EXPECT_EQ(ExtractDialog(*form)->Password(), "typed in add");
  EXPECT_EQ(ReadFile(archive), before) << "Cancel adds nothing";
}

}  // namespace

// A 7z whose list of entries is enciphered asks for the password as it
// opens, again after a wrong one, and lists with the right one, which both
// dialogs then offer for the extraction.
TEST_F(WindowActions, AnEncipheredListAsksForThePasswordAsItOpens) {
  OVK_REQUIRE_TOOL("7zz");
  const std::string locked = work / "locked.7z";
  ASSERT_EQ(ovktest::Run("cd " + Quote(work / "src") + " && 7zz a -bso0 -psecret -mhe=on " + Quote(locked) +
                         " a.txt docs").exitCode, 0);
  const std::vector<std::string> answers = {"wrong", "secret"};
  std::size_t prompts = 0;
  WhenModal(
      [&](QWidget* modal) {
        auto* prompt = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(prompt, nullptr) << modal->windowTitle().toStdString();
        if (prompts == answers.size()) return prompt->reject();
        prompt->setTextValue(QString::fromStdString(answers[prompts++]));
        prompt->accept();
      },
      [&] { form->LoadArchive(locked, false); });
  EXPECT_EQ(prompts, 2u);
  std::set<std::string> shown;
  for (int row = 0; row < RowCount(*form); ++row) shown.insert(StoredName(*form, row));
  EXPECT_EQ(shown, (std::set<std::string>{"a.txt", "docs/"})) << "the top level of the archive";
  EXPECT_EQ(ExtractDialog(*form)->Password(), "secret");
  EXPECT_TRUE(form->Controller().Extract(work / "out", {}, ExtractDialog(*form)->Password(), true));
  EXPECT_EQ(ReadFile(work / "out/docs/c.dat"), ReadFile(work / "src/docs/c.dat"));
}
