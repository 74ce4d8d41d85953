// Window placement, dialog fields and the list's columns and sort, kept in
// the settings file from one run to the next.
#include <gtest/gtest.h>

#include <QTest>
#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>

#include "ui/AddFormUnit.h"
#include "ui/AdvancedRegistry.h"
#include "ui/ExtListView.h"
#include "ui/ExtractFormUnit.h"
#include "ui/RegistryFile.h"
#include "ui/SettingsForm.h"
#include "ui/UiTestUtil.h"

using namespace ovktest;

namespace {

const std::string kKey = "HKEY_CURRENT_USER\\Software\\Halvora\\OVK";

ovk::RegistryFile StoredFile(const SettingsHome& home) {
  ovk::RegistryFile file;
  EXPECT_TRUE(file.Parse(ReadFile(home.SettingsFile())));
  return file;
}

void ExpectFirstRunState(const ovk::TOVKForm& form) {
  EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
  EXPECT_EQ(form.normalGeometry().topLeft(), QPoint(296, 157));
  EXPECT_EQ(form.normalGeometry().size(), QSize(822, 497));
  EXPECT_EQ(AddDialog(form)->StartFolder(), "");
  EXPECT_TRUE(AddDialog(form)->IncludeSubfolders());
  EXPECT_EQ(ExtractDialog(form)->FolderText(), "");
  EXPECT_EQ(List(form)->SortColumn(), ovk::kNameColumn);
  EXPECT_TRUE(List(form)->SortAscending());
  EXPECT_EQ(List(form)->columnWidth(0), 260);
}

TEST(PersistedSettings, FirstRunOpensMaximizedAndCloseWritesEveryKey) {
  SettingsHome home;
  auto form = MakeForm();
  ExpectFirstRunState(*form);
  form->show();
  CloseForm(form);
  ovk::RegistryFile file = StoredFile(home);
  const ovk::RegValue* settings = file.FindValue(kKey, "Settings");
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->type, ovk::RegType::Binary);
  ASSERT_EQ(settings->data.size(), 522u);
  EXPECT_EQ(settings->data[0], 1) << "maximized";
  EXPECT_EQ(file.FindValue(kKey + "\\Columns", "Sizes")->data.substr(0, 16), "260,240,100,100,") << "then the Time column's";
  EXPECT_EQ(file.FindValue(kKey + "\\Sort", "Ascending")->data, "1");
  EXPECT_EQ(file.FindValue(kKey + "\\Sort", "SortCol")->data, "0");
  EXPECT_EQ(file.FindValue(kKey + "\\ViewStyle", "ViewStyle")->data, "3");
  EXPECT_EQ(file.FindValue(kKey, "Password"), nullptr);
}

TEST(PersistedSettings, MalformedFileActsAsFirstRunAndIsReplacedOnClose) {
  SettingsHome home;
  WriteFile(home.SettingsFile(), "Windows Registry Editor Version 5.00\n[" + kKey +
                                     "]\n\"Settings\"=hex:00,58,02,\n[" + kKey + "\\Columns]\n\"Sizes\"=\"5,5\"\n");
  auto form = MakeForm();
  ExpectFirstRunState(*form);
  CloseForm(form);
  ovk::RegistryFile file = StoredFile(home);
  EXPECT_EQ(file.FindValue(kKey, "Settings")->data.size(), 522u);
  EXPECT_EQ(file.FindValue(kKey + "\\Columns", "Sizes")->data.substr(0, 16), "260,240,100,100,") << "then the Time column's";
}

TEST(PersistedSettings, NormalPlacementDialogFieldsColumnsAndSortSurviveARestart) {
  SettingsHome home;
  auto form = MakeForm();
  form->show();
  form->setWindowState(Qt::WindowNoState);
  form->move(100, 50);
  form->resize(800, 600);
  AddDialog(*form)->TakeChosenPaths({"/data/pics/a.jpg"});
  AddDialog(*form)->findChild<QCheckBox*>()->setChecked(false);
  AddDialog(*form)->SetPassword("never stored");
  ExtractDialog(*form)->SetSuggestion("/out/here");
  List(*form)->setColumnWidth(0, 300);
  List(*form)->setColumnWidth(3, 77);
  List(*form)->SetSort(ovk::kOriginalColumn, false);
  CloseForm(form);

  std::string data = StoredFile(home).FindValue(kKey, "Settings")->data;
  ASSERT_EQ(data.size(), 522u);
  auto u16 = [&](int at) { return static_cast<unsigned char>(data[at]) | static_cast<unsigned char>(data[at + 1]) << 8; };
  EXPECT_EQ(data[0], 0);
  EXPECT_EQ(u16(1), 100);
  EXPECT_EQ(u16(3), 50);
  EXPECT_EQ(u16(5), 600) << "height before width";
  EXPECT_EQ(u16(7), 800);
  EXPECT_EQ(data.substr(9, 10), std::string("\x09/out/here"));
  EXPECT_EQ(data[265], 1) << "subfolders off";
  EXPECT_EQ(data.substr(266, 12), std::string("\x0b/data/pics/"));
  EXPECT_EQ(ReadFile(home.SettingsFile()).find("never stored"), std::string::npos);

  auto again = MakeForm();
  EXPECT_FALSE(again->windowState() & Qt::WindowMaximized);
  EXPECT_EQ(again->pos(), QPoint(100, 50));
  EXPECT_EQ(again->size(), QSize(800, 600));
  EXPECT_EQ(AddDialog(*again)->StartFolder(), "/data/pics/") << "browsing starts where it last chose";
  EXPECT_FALSE(AddDialog(*again)->IncludeSubfolders());
  EXPECT_EQ(AddDialog(*again)->Password(), "");
  EXPECT_TRUE(AddDialog(*again)->Sources().empty());
  EXPECT_EQ(ExtractDialog(*again)->FolderText(), "/out/here");
  EXPECT_EQ(ExtractDialog(*again)->Password(), "");
  EXPECT_EQ(List(*again)->columnWidth(0), 300);
  EXPECT_EQ(List(*again)->columnWidth(3), 77);
  EXPECT_EQ(List(*again)->SortColumn(), ovk::kOriginalColumn);
  EXPECT_FALSE(List(*again)->SortAscending());
  EXPECT_EQ(List(*again)->header()->sortIndicatorSection(), ovk::kOriginalColumn);
  EXPECT_EQ(List(*again)->header()->sortIndicatorOrder(), Qt::DescendingOrder);
}

// Settings keeps its choices on OK only, stores them, and its encryption is
// the Add dialog's: changed in either, it is the one kept.
TEST(PersistedSettings, SettingsDialogChoicesAreKeptAndShareTheAddDialogsEncryption) {
  SettingsHome home;
  auto form = MakeForm();
  for (QPushButton* ovk::TSettingsForm::*button : {&ovk::TSettingsForm::CancelButton, &ovk::TSettingsForm::OKButton})
    WhenModal(
        [&](QWidget* modal) {
          auto* dialog = qobject_cast<ovk::TSettingsForm*>(modal);
          ASSERT_NE(dialog, nullptr);
          EXPECT_EQ(dialog->LevelChoice->currentText(), "Normal");
          EXPECT_TRUE(dialog->RestorePermissions->isChecked());
          dialog->EncryptionChoice->setCurrentIndex(1);
          dialog->LevelChoice->setCurrentText("Best");
          dialog->RestorePermissions->setChecked(false);
          (dialog->*button)->click();
        },
        [&] { Action(*form, "SettingsItem")->trigger(); });
  const ovk::RegistryFile file = StoredFile(home);
  EXPECT_EQ(file.FindValue(kKey + "\\Options", "Encryption")->data, "AES-256");
  EXPECT_EQ(file.FindValue(kKey + "\\Options", "Level")->data, "Best");
  EXPECT_EQ(file.FindValue(kKey + "\\Options", "RestorePermissions")->data, "0");

  TempDir work;
  auto again = MakeForm({"ovkview", work / "new.zip"});
  EXPECT_EQ(again->Controller().options.level, ovk::kLevelMaximum);
  EXPECT_FALSE(again->Controller().options.restorePermissions);
  WhenModal(
      [&](QWidget* modal) {
        auto* dialog = qobject_cast<ovk::TAddForm*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->UseAes()) << "the Add dialog starts from the setting";
        dialog->findChild<QComboBox*>()->setCurrentIndex(0);
        QTest::keyClick(dialog, Qt::Key_Return);
      },
      [&] { Action(*again, "AddItem")->trigger(); });
  EXPECT_FALSE(again->Controller().options.aes);
}

TEST(PersistedSettings, ClosingMaximizedRestartsMaximizedWhateverTheBounds) {
  SettingsHome home;
  auto form = MakeForm();
  form->show();
  ASSERT_TRUE(form->isMaximized());
  CloseForm(form);
  auto again = MakeForm();
  EXPECT_TRUE(again->windowState() & Qt::WindowMaximized);
}

TEST(PersistedSettings, OddValuesAreReadAsStored) {
  struct Case {
    const char* what;
    std::string values;
    bool maximized;
    QPoint pos;
    std::vector<int> widths;
    int sortColumn;
    bool ascending;
  } cases[] = {
      {"600-byte record ignored", "", true, {}, {260, 240, 100, 100, 100}, 0, true},
      {"9-byte record sets the placement only", "\"Settings\"=hex:00,0a,00,14,00,2c,01,90,01\n", false, {10, 20},
       {260, 240, 100, 100, 100}, 0, true},
      {"two widths, sort column above the range",
       "[" + kKey + "\\Columns]\n\"Sizes\"=\"300,200\"\n[" + kKey + "\\Sort]\n\"SortCol\"=\"9\"\n\"Ascending\"=\"0\"\n",
       true, {}, {300, 200, 100, 100, 100}, 4, false},
      {"negative sort column, odd sizes",
       "[" + kKey + "\\Columns]\n\"Sizes\"=\"x,150,,40,50,3,4\"\n[" + kKey + "\\Sort]\n\"SortCol\"=\"-3\"\n", true, {},
       {260, 150, 100, 40, 50}, 0, true},
  };
  // The 600-byte record: 600 "00," items.
  std::string big;
  for (int i = 0; i < 600; ++i) big += i ? ",00" : "00";
  cases[0].values = "\"Settings\"=hex:" + big + "\n";
  for (const Case& c : cases) {
    SettingsHome home;
    WriteFile(home.SettingsFile(), "Windows Registry Editor Version 5.00\n[" + kKey + "]\n" + c.values);
    auto form = MakeForm();
    EXPECT_EQ(static_cast<bool>(form->windowState() & Qt::WindowMaximized), c.maximized) << c.what;
    if (!c.maximized) {
      EXPECT_EQ(form->pos(), c.pos) << c.what;
      EXPECT_EQ(form->size(), QSize(400, 300)) << c.what;
    }
    for (int i = 0; i < ovk::kTimeColumn; ++i) EXPECT_EQ(List(*form)->columnWidth(i), c.widths[i]) << c.what << i;
    // A stored Time width never cuts a time off.
    EXPECT_GE(List(*form)->columnWidth(ovk::kTimeColumn),
              std::max(c.widths[ovk::kTimeColumn], List(*form)->fontMetrics().horizontalAdvance("2019-05-04 12:30")))
        << c.what;
    EXPECT_EQ(List(*form)->SortColumn(), c.sortColumn) << c.what;
    EXPECT_EQ(List(*form)->SortAscending(), c.ascending) << c.what;
    EXPECT_EQ(AddDialog(*form)->StartFolder(), "") << c.what;
    EXPECT_TRUE(AddDialog(*form)->IncludeSubfolders()) << c.what;
  }
}

}  // namespace
