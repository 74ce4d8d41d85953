// The Add and Extract dialogs on their own: texts, sizes, echo, tab order,
// keys and browsing.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
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

// The dialog's buttons, not those of the file dialogs it owns.
QList<QPushButton*> OwnButtons(QDialog& dialog) {
  QList<QPushButton*> own;
  for (QPushButton* button : dialog.findChildren<QPushButton*>())
    if (button->window() == &dialog) own << button;
  return own;
}

void ExpectStarEcho(QLineEdit* edit) {
  EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
  EXPECT_EQ(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit), '*');
}

TEST(Dialogs, AddDialogLayoutAndTheSettingsItReads) {
  ovk::WindowSettings settings;
  ovk::TAddForm add(settings);
  EXPECT_EQ(add.windowTitle(), "Add");
  EXPECT_EQ(add.minimumSize(), add.maximumSize()) << "not resizable";
  QStringList buttons;
  for (QPushButton* button : OwnButtons(add)) buttons << button->text();
  EXPECT_EQ(buttons, (QStringList{"Add &Files...", "Add F&older...", "&Remove", "OK", "Cancel"}));
  QPushButton* ok = OwnButtons(add)[3];
  EXPECT_TRUE(ok->isDefault());
  ExpectStarEcho(add.findChild<QLineEdit*>());
  auto* sources = add.findChild<QListWidget*>();
  ASSERT_NE(sources, nullptr);
  EXPECT_EQ(TabChain(sources).size(), 9u) << "list, three buttons, subfolders, password, encryption, OK, Cancel";
  EXPECT_FALSE(add.UseAes()) << "the traditional encryption is the default";
  EXPECT_TRUE(add.IncludeSubfolders());
  EXPECT_EQ(add.StartFolder(), "");

  settings.SetSourceFolder("/data/pics/");
  settings.SetSubfoldersOff(true);
  ovk::TAddForm stored(settings);
  EXPECT_EQ(stored.StartFolder(), "/data/pics/");
  EXPECT_FALSE(stored.IncludeSubfolders());
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
      {&add, add.findChild<QListWidget*>(), Qt::Key_Return, QDialog::Accepted},
      {&add, add.findChild<QCheckBox*>(), Qt::Key_Enter, QDialog::Accepted},
      {&add, add.findChild<QLineEdit*>(), Qt::Key_Escape, QDialog::Rejected},
  };
  for (const Case& c : cases) {
    c.dialog->show();
    c.dialog->setResult(-1);
    QTest::keyClick(c.field, c.key);
    EXPECT_EQ(c.dialog->result(), c.result) << c.dialog->windowTitle().toStdString() << " key " << c.key;
    EXPECT_FALSE(c.dialog->isVisible());
  }
}

// Browsing lists files and folders, each once, from any folder, and
// starts again where it last chose; Remove takes the chosen ones off.
TEST(Dialogs, BrowsingListsTheChosenFilesAndFolders) {
  TempDir dir;
  WriteFile(dir / "pics/a.jpg", "x");
  WriteFile(dir / "pics/b.jpg", "y");
  ovk::WindowSettings settings;
  ovk::TAddForm add(settings);
  auto buttons = OwnButtons(add);
  WhenModal(
      [&](QWidget* modal) {
        auto* files = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(files, nullptr);
        EXPECT_EQ(files->fileMode(), QFileDialog::ExistingFiles);
        ChooseFile(files, "\"a.jpg\" \"b.jpg\"");
      },
      [&] {
        add.TakeChosenPaths({QString::fromStdString(dir / "pics/a.jpg")});
        buttons[0]->click();
      });
  WhenModal(
      [&](QWidget* modal) {
        auto* folders = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(folders, nullptr);
        EXPECT_EQ(folders->fileMode(), QFileDialog::Directory);
        EXPECT_EQ(folders->directory().absolutePath().toStdString(), dir / "pics") << "starts where it last chose";
        ChooseFile(folders, dir / "pics");
      },
      [&] { buttons[1]->click(); });
  EXPECT_EQ(add.Sources(), (std::vector<std::string>{dir / "pics/a.jpg", dir / "pics/b.jpg", dir / "pics"}));
  WhenModal([&](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); }, [&] { buttons[1]->click(); });
  EXPECT_EQ(add.Sources().size(), 3u) << "cancel adds nothing";
  auto* list = add.findChild<QListWidget*>();
  list->item(0)->setSelected(true);
  list->item(2)->setSelected(true);
  buttons[2]->click();
  EXPECT_EQ(add.Sources(), (std::vector<std::string>{dir / "pics/b.jpg"}));

}

}  // namespace
