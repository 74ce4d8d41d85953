// Opening a file no format reads: one message says so, and the list is
// emptied rather than left showing the archive open before; a tar lists.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QStringList>

#include "engine/ArchiveBytes.h"
#include "ui/EntryModel.h"
#include "ui/UiTestUtil.h"

using namespace ovktest;

namespace {

TEST(ForeignFile, OneMessageAndAnEmptyList) {
  SettingsHome home;
  TempDir work;
  const std::string zip = work / "real.zip";
  WriteFile(zip, BuildZip({ZipEntry("a.txt", "alpha")}));
  WriteFile(work / "notes.txt", "Shopping: bread, milk, a new archive tool.\n");
  WriteFile(work / "noise.bin", RandomBytes(8192, 3));
  const std::vector<std::string> files = {"notes.txt", "noise.bin"};
  auto form = MakeForm({"ovkview", zip});
  for (const std::string& name : files) {
    SCOPED_TRACE(name);
    form->LoadArchive(zip, false);
    ASSERT_EQ(RowCount(*form), 1);
    QStringList texts;
    WhenModal(
        [&](QWidget* modal) {
          auto* box = qobject_cast<QMessageBox*>(modal);
          ASSERT_NE(box, nullptr) << modal->windowTitle().toStdString();
          texts.push_back(box->text() + "\n" + box->informativeText());
          box->buttons().front()->click();
        },
        [&] { form->LoadArchive(work / name, false); });
    EXPECT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts.join("\n").contains("not an archive this program can read")) << texts.join("\n").toStdString();
    EXPECT_EQ(RowCount(*form), 0);
  }
  // A tar is no foreign file: the window lists it.
  if (HaveTool("tar") &&
      ovktest::Run("tar -cf " + Quote(work / "a.tar") + " -C " + Quote(work.Path()) + " notes.txt").exitCode == 0) {
    form->LoadArchive(work / "a.tar", false);
    EXPECT_EQ(RowCount(*form), 1);
    // tar tells no packed size: the cell stays empty, never 0.
    EXPECT_EQ(Column(*form, ovk::kPackedColumn), std::vector<std::string>{""});
  }
  CloseForm(form);
}

}  // namespace
