// The Properties and About dialogs, read as a screen reader reads them.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>

#include "engine/ArchiveSummary.h"
#include "ui/AboutDialog.h"
#include "ui/AccessibleControls.h"
#include "ui/PropertiesDialog.h"

using namespace ovktest;

namespace {

QAccessibleInterface* Field(QWidget* dialog, const QString& name) {
  QAccessibleInterface* field = FindControl(dialog, QAccessible::EditableText, name);
  EXPECT_NE(field, nullptr) << name.toStdString();
  return field;
}

TEST(PropertiesDialog, ShowsTheSummaryInNamedReadOnlyFields) {
  ovk::ArchiveSummary zip;
  zip.format = "ZIP";
  zip.methods = {"Deflate", "Store"};
  zip.ciphers = {"ZIP 2.0", "AES-256"};
  zip.files = 1234;
  zip.folders = 2;
  zip.originalBytes = 1234567;
  zip.packedBytes = 456789;
  zip.archiveBytes = 460000;
  zip.archiveModified = 1700000000;
  ovk::ArchiveSummary tar;
  tar.format = "tar.gz";
  tar.methods = {"gzip"};
  tar.originalBytes = 5000;
  tar.packedKnown = false;
  tar.archiveBytes = 900;
  ovk::ArchiveSummary empty;
  empty.format = "ZIP";
  empty.packedBytes = 0;
  empty.archiveBytes = 22;
  // Packed bigger than original: stored entries with their headers.
  ovk::ArchiveSummary grown = empty;
  grown.originalBytes = 200;
  grown.packedBytes = 300;
  struct Case {
    const ovk::ArchiveSummary& summary;
    std::vector<std::pair<QString, QString>> fields;
  } cases[] = {
      {zip,
       {{"Format", "ZIP"},
        {"Methods", "Deflate, Store"},
        {"Encryption", "ZIP 2.0, AES-256"},
        {"Files", "1,234"},
        {"Folders", "2"},
        {"Original size", "1.18 MiB (1,234,567 bytes)"},
        {"Packed size", "446.08 KiB (456,789 bytes)"},
        {"Ratio", "37.0%"},
        {"Archive size", "449.22 KiB (460,000 bytes)"}}},
      {tar,
       {{"Format", "tar.gz"},
        {"Encryption", "None"},
        {"Packed size", "unknown"},
        {"Ratio", "-"},
        {"Archive size", "900 bytes"},
        {"Modified", "unknown"}}},
      {empty, {{"Files", "0"}, {"Original size", "0 bytes"}, {"Ratio", "-"}}},
      {grown, {{"Ratio", "150.0%"}}},
  };
  for (const Case& c : cases) {
    ovk::PropertiesDialog dialog("a.zip", c.summary);
    for (const auto& [name, text] : c.fields) {
      QAccessibleInterface* field = Field(&dialog, name);
      if (!field) continue;
      EXPECT_EQ(ValueOf(field), text) << name.toStdString();
      EXPECT_TRUE(IsReadOnly(field)) << name.toStdString();
    }
  }
  // The archive's time as the list shows times, in local time.
  ovk::PropertiesDialog dialog("a.zip", zip);
  EXPECT_TRUE(ValueOf(Field(&dialog, "Modified")).contains(QRegularExpression("^2023-11-1[45] ")))
      << ValueOf(Field(&dialog, "Modified")).toStdString();
}

TEST(PropertiesDialog, TheCommentIsEditableOnlyWhereTheFormatKeepsOne) {
  for (bool editable : {true, false}) {
    ovk::ArchiveSummary summary;
    summary.comment = "first line\nsecond line";
    summary.commentEditable = editable;
    ovk::PropertiesDialog dialog("a.zip", summary);
    dialog.show();
    QAccessibleInterface* comment = Field(&dialog, "Comment");
    ASSERT_NE(comment, nullptr);
    EXPECT_EQ(ValueOf(comment), "first line\nsecond line");
    EXPECT_EQ(IsReadOnly(comment), !editable);
    EXPECT_FALSE(dialog.CommentChanged());
    auto* edit = qobject_cast<QPlainTextEdit*>(comment->object());
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(edit, "!");
    EXPECT_EQ(dialog.CommentChanged(), editable);
    EXPECT_EQ(dialog.Comment(), editable ? "first line\nsecond line!" : "first line\nsecond line");
    // Undoing the edit by hand is no change.
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_FALSE(dialog.CommentChanged());
  }
}

TEST(AboutDialog, NamesTheProgramItsVersionAndEveryLibraryWithItsVersion) {
  ovk::AboutDialog about;
  EXPECT_NE(FindControl(&about, QAccessible::StaticText, "OVK Viewer"), nullptr);
  const QRegularExpression versionLine("^Version [0-9]+\\.[0-9]+\\.[0-9]+$");
  EXPECT_NE(FindControlWhere(&about, QAccessible::StaticText,
                             [&](const QString& name) { return versionLine.match(name).hasMatch(); }),
            nullptr);
  QAccessibleInterface* table = FindControl(&about, QAccessible::Table, "Libraries");
  ASSERT_NE(table, nullptr);
  ASSERT_NE(table->tableInterface(), nullptr);
  QAccessibleTableInterface* cells = table->tableInterface();
  std::vector<QString> names;
  for (int row = 0; row < cells->rowCount(); ++row) {
    names.push_back(cells->cellAt(row, 0)->text(QAccessible::Name));
    const QString shown = cells->cellAt(row, 1)->text(QAccessible::Name);
    EXPECT_TRUE(shown.contains(QRegularExpression("^[0-9]+\\.[0-9]+"))) << names.back().toStdString() << ": "
                                                                          << shown.toStdString();
    if (names.back() == "Qt") {
      EXPECT_EQ(shown, qVersion());
    }
  }
  EXPECT_EQ(names, (std::vector<QString>{"Qt", "zlib", "libdeflate", "libarchive", "liblzma", "libzstd", "libbz2",
                                         "OpenSSL libcrypto", "ISA-L"}));
}

}  // namespace
