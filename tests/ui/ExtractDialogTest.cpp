// The Extract dialog on its own, worked through its accessible controls
// and keys as a user or a screen reader would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTest>

#include "ui/AccessibleControls.h"
#include "ui/ExtractFormUnit.h"
#include "ui/UiTestUtil.h"
#include "ui/WindowSettings.h"

using namespace ovktest;

namespace {

QAccessibleInterface* Control(QWidget* dialog, QAccessible::Role role, const QString& name) {
  QAccessibleInterface* control = FindControl(dialog, role, name);
  EXPECT_NE(control, nullptr) << name.toStdString();
  return control;
}
QAccessibleInterface* Field(QWidget* dialog, const QString& name) {
  return Control(dialog, QAccessible::EditableText, name);
}
QAccessibleInterface* Button(QWidget* dialog, const QString& name) {
  return Control(dialog, QAccessible::Button, name);
}
QAccessibleInterface* Check(QWidget* dialog, const QString& name) {
  return Control(dialog, QAccessible::CheckBox, name);
}
QAccessibleInterface* Radio(QWidget* dialog, const QString& name) {
  return Control(dialog, QAccessible::RadioButton, name);
}

void ShowActive(QWidget* dialog) {
  dialog->show();
  dialog->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
}

TEST(ExtractDialog, StartsFromTheStoredFolderAndTakesTheCallersSuggestion) {
  SettingsHome home;
  ovk::WindowSettings settings;
  settings.SetExtractFolder("/out");
  bool hasSelection = true;
  ovk::TExtractForm extract(settings, [&] { return hasSelection; });
  EXPECT_EQ(ValueOf(Field(&extract, "Destination")), "/out");
  extract.SetSuggestion("/home/u/photos");
  EXPECT_EQ(extract.FolderText(), "/home/u/photos");
  EXPECT_TRUE(extract.KeepFolders());
  EXPECT_TRUE(IsChecked(Check(&extract, "Keep folder structure")));
  EXPECT_FALSE(extract.OpenAfterwards());

  // The password reads back in full but is never shown or announced.
  extract.SetPassword("s3cret");
  EXPECT_EQ(extract.Password(), "s3cret");
  EXPECT_EQ(ValueOf(Field(&extract, "Password")), "******");

  // All or selected follows the main list at every showing; the user may
  // still change it.
  ShowActive(&extract);
  EXPECT_TRUE(extract.SelectedOnly());
  EXPECT_TRUE(IsChecked(Radio(&extract, "Selected files")));
  Press(Radio(&extract, "All files"));
  EXPECT_FALSE(extract.SelectedOnly());
  extract.hide();
  hasSelection = false;
  ShowActive(&extract);
  EXPECT_FALSE(extract.SelectedOnly());
  extract.hide();
  hasSelection = true;
  ShowActive(&extract);
  EXPECT_TRUE(extract.SelectedOnly());
  Press(Check(&extract, "Keep folder structure"));
  EXPECT_FALSE(extract.KeepFolders());
}

TEST(ExtractDialog, LabelMnemonicsMoveTheFocusToTheirFields) {
  SettingsHome home;
  ovk::WindowSettings settings;
  ovk::TExtractForm extract(settings, [] { return false; });
  ShowActive(&extract);
  struct Case {
    Qt::Key key;
    const char* field;
  } cases[] = {{Qt::Key_P, "Password"}, {Qt::Key_D, "Destination"}};
  for (const Case& c : cases) {
    QTest::keyClick(&extract, c.key, Qt::AltModifier);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->accessibleName(), c.field);
  }
}

TEST(ExtractDialog, NoConfirmingWithoutADestination) {
  SettingsHome home;
  ovk::WindowSettings settings;
  ovk::TExtractForm extract(settings, [] { return false; });
  ShowActive(&extract);
  QAccessibleInterface* destination = Field(&extract, "Destination");
  struct Case {
    QString text;
    bool confirms;
  } cases[] = {{"", false}, {"   ", false}, {"/out", true}};
  for (const Case& c : cases) {
    TypeInto(destination, c.text);
    EXPECT_EQ(IsEnabled(Button(&extract, "OK")), c.confirms) << c.text.toStdString();
    extract.setResult(-1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(extract.result(), c.confirms ? QDialog::Accepted : -1) << c.text.toStdString();
    EXPECT_EQ(extract.isVisible(), !c.confirms);
  }
  // Escape cancels from any field.
  ShowActive(&extract);
  QTest::keyClick(extract.focusWidget(), Qt::Key_Escape);
  EXPECT_EQ(extract.result(), QDialog::Rejected);
}

TEST(ExtractDialog, OpenAfterwardsIsRememberedWhenConfirmed) {
  SettingsHome home;
  ovk::WindowSettings settings;
  settings.SetExtractFolder("/out");
  struct Case {
    bool press;      // toggle the box
    bool confirm;    // OK, else Cancel
    bool remembered; // what the next dialog starts with
  } cases[] = {{true, false, false}, {true, true, true}, {false, true, true}, {true, true, false}};
  for (const Case& c : cases) {
    ovk::TExtractForm extract(settings, [] { return false; });
    ShowActive(&extract);
    if (c.press) Press(Check(&extract, "Open the destination afterwards"));
    Press(Button(&extract, c.confirm ? "OK" : "Cancel"));
    EXPECT_FALSE(extract.isVisible());
    ovk::TExtractForm next(settings, [] { return false; });
    EXPECT_EQ(next.OpenAfterwards(), c.remembered) << c.press << c.confirm;
  }
}

TEST(ExtractDialog, BrowsingStartsAtTheFieldsFolderAndTakesTheChosenOne) {
  SettingsHome home;
  TempDir dir;
  WriteFile(dir / "pics/a.jpg", "x");
  ovk::WindowSettings settings;
  settings.SetExtractFolder(dir.Path());
  ovk::TExtractForm extract(settings, [] { return false; });
  WhenModal(
      [&](QWidget* modal) {
        auto* folders = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(folders, nullptr);
        EXPECT_EQ(folders->windowTitle(), "Extract folder to");
        EXPECT_EQ(folders->directory().absolutePath().toStdString(), dir.Path()) << "starts at the field's folder";
        ChooseFile(folders, dir / "pics");
      },
      [&] { Press(Button(&extract, "Browse for the destination")); });
  EXPECT_EQ(extract.FolderText(), dir / "pics");
  WhenModal([&](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); },
            [&] { Press(Button(&extract, "Browse for the destination")); });
  EXPECT_EQ(extract.FolderText(), dir / "pics") << "cancel leaves the field";
}

}  // namespace
