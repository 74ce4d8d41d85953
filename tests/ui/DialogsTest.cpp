// The Add dialog on its own: texts, sizes, echo, tab order,
// keys and browsing.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include "ui/AddFormUnit.h"
#include "ui/UiTestUtil.h"
#include "ui/WindowSettings.h"

using namespace ovktest;

namespace {

// Widgets the Tab key visits, in order, from the first.
std::vector<QWidget*> TabChain(QWidget* first) {
  std::vector<QWidget*> chain{first};
  for (QWidget* w = first->nextInFocusChain(); w != first; w = w->nextInFocusChain())
    if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled()) chain.push_back(w);
  return chain;
}

void ExpectStarEcho(QLineEdit* edit) {
  EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
  EXPECT_EQ(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit), '*');
}

TEST(Dialogs, AddDialogLayoutAndTheSettingsItReads) {
  ovk::WindowSettings settings;
  ovk::TAddForm add(settings);
  EXPECT_EQ(add.windowTitle(), "Add");
  EXPECT_EQ(add.size(), QSize(387, 194));
  EXPECT_EQ(add.minimumSize(), add.maximumSize()) << "not resizable";
  EXPECT_EQ(add.SourceBox->title(), "Source");
  EXPECT_EQ(add.SourceLabel->text(), "Source:");
  EXPECT_EQ(add.SourceEdit->width(), 289);
  EXPECT_EQ(add.BrowseButton->text(), "...");
  EXPECT_EQ(add.BrowseButton->size(), QSize(20, 20));
  EXPECT_EQ(add.OptionsBox->title(), "Options");
  EXPECT_EQ(add.SubFolders->text(), "Include subfolders");
  EXPECT_EQ(add.PassBox->title(), "Password Protection");
  EXPECT_EQ(add.PassL->text(), "Password:");
  EXPECT_EQ(add.OKButton->text(), "OK");
  EXPECT_TRUE(add.OKButton->isDefault());
  EXPECT_EQ(add.CancelButton->text(), "Cancel");
  ExpectStarEcho(add.PassEdit);
  EXPECT_EQ(TabChain(add.SourceEdit),
            (std::vector<QWidget*>{add.SourceEdit, add.BrowseButton, add.SubFolders, add.PassEdit,
                                   add.EncryptionChoice, add.OKButton, add.CancelButton}));
  EXPECT_FALSE(add.UseAes()) << "the traditional encryption is the default";
  EXPECT_TRUE(add.SubFolders->isChecked());
  EXPECT_EQ(add.SourceEdit->text(), "");

  settings.SetSourceFolder("/data/pics");
  settings.SetSubfoldersOff(true);
  ovk::TAddForm stored(settings);
  EXPECT_EQ(stored.SourceEdit->text(), "/data/pics/") << "a trailing separator ensured";
  EXPECT_FALSE(stored.SubFolders->isChecked());
}

TEST(Dialogs, EscapeCancelsAndEnterConfirmsFromAnyField) {
  ovk::WindowSettings settings;
  ovk::TAddForm add(settings);
  struct Case {
    QDialog* dialog;
    QWidget* field;
    Qt::Key key;
    int result;
  } cases[] = {
      {&add, add.SourceEdit, Qt::Key_Return, QDialog::Accepted},
      {&add, add.SubFolders, Qt::Key_Enter, QDialog::Accepted},
      {&add, add.PassEdit, Qt::Key_Escape, QDialog::Rejected},
  };
  for (const Case& c : cases) {
    c.dialog->show();
    c.dialog->setResult(-1);
    QTest::keyClick(c.field, c.key);
    EXPECT_EQ(c.dialog->result(), c.result) << c.dialog->windowTitle().toStdString() << " key " << c.key;
    EXPECT_FALSE(c.dialog->isVisible());
  }
}

TEST(Dialogs, BrowsingPutsTheChosenPathIntoTheField) {
  TempDir dir;
  WriteFile(dir / "pics/a.jpg", "x");
  ovk::WindowSettings settings;
  ovk::TAddForm add(settings);
  add.TakeChosenPath(QString::fromStdString(dir / "pics"));
  EXPECT_EQ(add.SourceEdit->text().toStdString(), dir / "pics/") << "a folder gets a trailing separator";
  add.TakeChosenPath(QString::fromStdString(dir / "pics/a.jpg"));
  EXPECT_EQ(add.SourceEdit->text().toStdString(), dir / "pics/a.jpg");

  WhenModal([&](QWidget* modal) { ChooseFile(qobject_cast<QFileDialog*>(modal), dir / "pics/a.jpg"); },
            [&] { add.BrowseButton->click(); });
  EXPECT_EQ(add.SourceEdit->text().toStdString(), dir / "pics/a.jpg");
  WhenModal([&](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); }, [&] { add.BrowseButton->click(); });
  EXPECT_EQ(add.SourceEdit->text().toStdString(), dir / "pics/a.jpg") << "cancel leaves the field";
}

}  // namespace
