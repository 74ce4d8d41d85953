// The window driven as a user would: listing, status texts, enabled
// commands, sorting, the command line.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "engine/ListArchive.h"
#include "support/DosTime.h"
#include "ui/ExtListView.h"
#include "ui/ShellIcons.h"
#include "ui/UiTestUtil.h"

using namespace ovktest;
using ovk::TOVKForm;

namespace {

struct Commands {
  bool add, del, extract;
};

Commands Enabled(const TOVKForm& f) {
  EXPECT_EQ(f.AddItem->isEnabled(), f.AddButton->isEnabled());
  EXPECT_EQ(f.ExtractItem->isEnabled(), f.AddButton->isEnabled());
  EXPECT_EQ(f.ExtractButton->isEnabled(), f.AddButton->isEnabled());
  EXPECT_EQ(f.DeleteItem->isEnabled(), f.DeleteButton->isEnabled());
  EXPECT_EQ(f.ViewItem->isEnabled(), f.DeleteButton->isEnabled());
  for (QAction* always : {f.NewItem, f.OpenItem, f.ExitItem, f.SettingsItem}) EXPECT_TRUE(always->isEnabled());
  return {f.AddButton->isEnabled(), f.DeleteButton->isEnabled(), f.ExtractButton->isEnabled()};
}

class MainWindow : public testing::Test {
 protected:
  SettingsHome home;
  TempDir work;
};

TEST_F(MainWindow, MenusShortcutsToolbarAndColumns) {
  auto form = MakeForm();
  EXPECT_EQ(form->windowTitle(), "OVK Viewer");
  EXPECT_EQ(form->FileItem->title(), "File");
  EXPECT_EQ(form->ActionsItem->title(), "Actions");
  EXPECT_EQ(form->OptionsItem->title(), "Options");
  const std::pair<QAction*, std::pair<const char*, const char*>> items[] = {
      {form->NewItem, {"New Archive...", "Ctrl+N"}}, {form->OpenItem, {"Open Archive...", "Ctrl+O"}},
      {form->ExitItem, {"Exit", "Alt+X"}},           {form->AddItem, {"Add...", "Ctrl+A"}},
      {form->DeleteItem, {"Delete...", "Ctrl+D"}},   {form->ExtractItem, {"Extract...", "Ctrl+E"}},
      {form->ViewItem, {"View...", ""}},             {form->SettingsItem, {"Settings...", ""}},
  };
  for (const auto& [action, texts] : items) {
    EXPECT_EQ(action->text(), texts.first);
    EXPECT_EQ(action->shortcut().toString(), texts.second) << texts.first;
  }
  EXPECT_EQ(form->AddButton->text(), "Add");
  EXPECT_EQ(form->DeleteButton->text(), "Delete");
  EXPECT_EQ(form->ExtractButton->text(), "Extract");
  EXPECT_EQ(form->AddButton->size(), QSize(58, 54));
  const char* titles[] = {"Name", "Path", "Original", "Packed", "Time"};
  const int widths[] = {260, 240, 100, 100, 100};
  for (int i = 0; i < ovk::kColumnCount; ++i) {
    EXPECT_EQ(form->FileList->model()->headerData(i, Qt::Horizontal).toString(), titles[i]);
    EXPECT_EQ(form->FileList->columnWidth(i), widths[i]);
  }
  EXPECT_EQ(form->FileList->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(form->FileList->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(form->FileList->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(form->StatusPanel0->width(), 400);
  EXPECT_EQ(form->StatusPanel0->text(), "Selected 0 file(s), 0 kB");
  EXPECT_EQ(form->StatusPanel1->text(), "Total 0 file(s), 0 kB");
  Commands c = Enabled(*form);
  EXPECT_FALSE(c.add || c.del || c.extract) << "no archive: only New, Open, Exit, Settings";
}

TEST_F(MainWindow, ListsRowsWithMarksGroupedSizesAndTimes) {
  OVK_REQUIRE_TOOL("zip");
  std::string archive = work / "sample.zip";
  MakeSampleZip(archive, work / "src");
  auto form = MakeForm({"ovkview", archive});
  EXPECT_EQ(form->windowTitle(), "OVK Viewer - sample.zip");
  EXPECT_EQ(Column(*form, ovk::kNameColumn), (std::vector<std::string>{"*b.txt", "a.txt", "c.dat"}));
  EXPECT_EQ(Column(*form, ovk::kPathColumn), (std::vector<std::string>{"docs/", "", "docs/"}));
  EXPECT_EQ(Column(*form, ovk::kOriginalColumn), (std::vector<std::string>{"600", "1,000", "1,234,567"}));
  EXPECT_EQ(Column(*form, ovk::kTimeColumn),
            (std::vector<std::string>{"2020-01-02 03:04", "2019-05-04 12:30", "2018-07-08 09:10"}));
  // The packed sizes are the engine's, grouped the same way.
  const QModelIndex big = Cell(*form, RowNamed(*form, "c.dat"), ovk::kPackedColumn);
  QString packed = big.data().toString();
  EXPECT_TRUE(packed.contains(',')) << packed.toStdString();
  EXPECT_EQ(big.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight, Qt::AlignRight);
  for (const ovk::Entry& entry : ovk::ListArchive(ovk::ListRequest{archive}, ovk::SilentObserver()).entries) {
    QString shown;
    for (int row = 0; row < RowCount(*form); ++row)
      if (form->EntryFullName(row) == entry.name) shown = Cell(*form, row, ovk::kPackedColumn).data().toString();
    EXPECT_EQ(shown, QLocale().toString(static_cast<qulonglong>(entry.packedSize))) << entry.name;
  }
  EXPECT_EQ(form->EntryFullName(RowNamed(*form, "*b.txt")), "docs/b.txt");
  // 1000 + 600 + 1234567 = 1236167 bytes = 1207.2 kB
  EXPECT_EQ(form->StatusPanel1->text(), "Total 3 file(s), 1,207 kB");
  EXPECT_EQ(form->StatusPanel0->text(), "Selected 0 file(s), 0 kB");
  Commands c = Enabled(*form);
  EXPECT_TRUE(c.add && c.extract);
  EXPECT_FALSE(c.del);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindow, EntryTimesShowTheLocalMinuteOfTheYearsDosDatesHold) {
  EXPECT_EQ(ovk::FormatEntryTime(-1), "") << "no time";
  const std::pair<ovk::DosFields, const char*> cases[] = {
      {{2019, 5, 4, 12, 30, 10}, "2019-05-04 12:30"},
      {{1980, 1, 1, 0, 0, 0}, "1980-01-01 00:00"},
      {{2107, 12, 31, 23, 59, 58}, "2107-12-31 23:59"},
  };
  for (const auto& [fields, shown] : cases)
    EXPECT_EQ(ovk::FormatEntryTime(ovk::DosToUnixTime(ovk::EncodeDosTime(fields))), shown) << shown;
  EXPECT_EQ(ovk::FormatEntryTime(ovk::DosToUnixTime(ovk::EncodeDosTime({1980, 1, 1, 0, 0, 0})) - 1), "")
      << "before 1980";
}

TEST_F(MainWindow, SelectionStatusIsDeferredToTheTimerAndRoundsHalvesToEven) {
  OVK_REQUIRE_TOOL("zip");
  std::string src = work / "src";
  const std::pair<const char*, int> files[] = {{"s512", 512}, {"s600", 600}, {"s1000", 1000},
                                               {"s1536", 1536}, {"s2560", 2560}};
  std::vector<std::string> names;
  for (auto [name, size] : files) {
    MakeSizedFile(src + "/" + name, static_cast<std::size_t>(size), "202001010000.00");
    names.push_back(name);
  }
  std::string archive = work / "sizes.zip";
  ZipFiles(archive, src, names);
  auto form = MakeForm({"ovkview", archive});

  // The real timer: nothing is counted until it has run.
  form->FileList->clearSelection();
  for (const char* name : {"s1000", "s600"}) Select(*form, RowNamed(*form, name));
  EXPECT_EQ(form->StatusPanel0->text(), "Selected 0 file(s), 0 kB");
  EXPECT_FALSE(form->DeleteButton->isEnabled());
  for (int waited = 0; waited < 2500 && form->StatusPanel0->text().startsWith("Selected 0"); waited += 50) Pump(50);
  EXPECT_EQ(form->StatusPanel0->text(), "Selected 2 file(s), 2 kB") << "1600 / 1024 = 1.56";
  EXPECT_TRUE(Enabled(*form).del);

  const std::pair<std::vector<QString>, const char*> cases[] = {
      {{"s1536"}, "Selected 1 file(s), 2 kB"},
      {{"s2560"}, "Selected 1 file(s), 2 kB"},
      {{"s512"}, "Selected 1 file(s), 0 kB"},
      {{"s512", "s1536"}, "Selected 2 file(s), 2 kB"},
      {{"s512", "s600", "s1000", "s1536", "s2560"}, "Selected 5 file(s), 6 kB"},
      {{}, "Selected 0 file(s), 0 kB"},
  };
  for (const auto& [selected, text] : cases) {
    SelectNames(*form, selected);
    EXPECT_EQ(form->StatusPanel0->text(), text);
    EXPECT_EQ(Enabled(*form).del, !selected.empty());
  }
  EXPECT_EQ(form->StatusPanel1->text(), "Total 5 file(s), 6 kB") << "6208 bytes";
}

TEST_F(MainWindow, HeaderClicksSortEachColumnBothWays) {
  OVK_REQUIRE_TOOL("zip");
  std::string src = work / "src";
  // Name, path, size and time orders all differ; 9 < 10 < 100 only as numbers.
  MakeSizedFile(src + "/x/a.txt", 100, "201901010000.00");
  MakeSizedFile(src + "/b.txt", 9, "202101010000.00");
  MakeSizedFile(src + "/docs/c.txt", 10, "202001010000.00");
  std::string archive = work / "sort.zip";
  CommandResult zipped = ovktest::Run("cd " + Quote(src) + " && zip -q -0 -X " + Quote(archive) + " x/a.txt b.txt docs/c.txt");
  ASSERT_EQ(zipped.exitCode, 0) << zipped.output;
  auto form = MakeForm({"ovkview", archive});
  form->show();
  Pump();
  QHeaderView* header = form->FileList->header();
  auto click = [&](int column) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
  };
  using Names = std::vector<std::string>;
  const std::pair<int, Names> ascending[] = {
      {ovk::kPathColumn, {"b.txt", "c.txt", "a.txt"}},
      {ovk::kOriginalColumn, {"b.txt", "c.txt", "a.txt"}},
      {ovk::kPackedColumn, {"b.txt", "c.txt", "a.txt"}},
      {ovk::kTimeColumn, {"a.txt", "c.txt", "b.txt"}},
      {ovk::kNameColumn, {"a.txt", "b.txt", "c.txt"}},
  };
  EXPECT_EQ(Column(*form, ovk::kNameColumn), (Names{"a.txt", "b.txt", "c.txt"})) << "first start: Name ascending";
  // The selection stays with its entry whatever row it moves to.
  SelectNames(*form, {"c.txt"});
  auto selected = [&] {
    Names stored;
    for (int row : form->SelectedRows()) stored.push_back(form->EntryFullName(row));
    return stored;
  };
  for (const auto& [column, names] : ascending) {
    click(column);
    EXPECT_EQ(selected(), Names{"docs/c.txt"}) << "column " << column;
    EXPECT_EQ(form->FileList->SortColumn(), column);
    EXPECT_TRUE(form->FileList->SortAscending());
    EXPECT_EQ(header->sortIndicatorSection(), column);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(Column(*form, ovk::kNameColumn), names) << "column " << column << " ascending";
    click(column);
    EXPECT_FALSE(form->FileList->SortAscending());
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(Column(*form, ovk::kNameColumn), Names(names.rbegin(), names.rend()))
        << "column " << column << " descending";
  }
  // A new listing keeps the current order.
  click(ovk::kOriginalColumn);
  form->LoadArchive(archive, false);
  EXPECT_EQ(Column(*form, ovk::kNameColumn), (Names{"b.txt", "c.txt", "a.txt"}));
}

TEST_F(MainWindow, CommandLineOpensAnArchiveAndIgnoresSwitches) {
  std::string missing = work / "nothere.zip";
  auto form = MakeForm({"ovkview", missing});
  EXPECT_EQ(form->windowTitle(), "OVK Viewer - nothere.zip");
  EXPECT_EQ(RowCount(*form), 0);
  EXPECT_EQ(form->ArchiveName, missing);
  EXPECT_TRUE(Enabled(*form).add);
  EXPECT_FALSE(Exists(missing)) << "opening creates nothing";
  for (const char* param : {"-x", "/help", "-", "/", "-c", "/C"}) {
    auto other = MakeForm({"ovkview", param});
    EXPECT_EQ(other->ArchiveName, "") << param;
    EXPECT_EQ(other->windowTitle(), "OVK Viewer") << param;
  }
  auto none = MakeForm({"ovkview"});
  EXPECT_EQ(none->ArchiveName, "");
}

TEST_F(MainWindow, IconsAreLookedUpOncePerExtensionAndListing) {
  OVK_REQUIRE_TOOL("zip");
  std::string src = work / "src";
  for (const char* name : {"a.txt", "b.txt", "c.doc"}) MakeSizedFile(src + "/" + name, 10, "202001010000.00");
  std::string archive = work / "icons.zip";
  ZipFiles(archive, src, {"a.txt", "b.txt", "c.doc"});
  auto form = MakeForm({"ovkview", archive});
  const ovk::EntryModel& model = *form->FileList->Model();
  EXPECT_EQ(model.Images().Count(), 2);
  ASSERT_TRUE(model.Icons());
  EXPECT_EQ(model.Icons()->count(".txt"), 1u);
  EXPECT_EQ(model.Icons()->count(".doc"), 1u);
  EXPECT_FALSE(Cell(*form, RowNamed(*form, "c.doc"), ovk::kNameColumn).data(Qt::DecorationRole).value<QIcon>().isNull());
  form->LoadArchive(archive, false);
  EXPECT_EQ(model.Images().Count(), 2) << "each listing starts its own images";
  std::unique_ptr<ovk::IconCache> cache;
  ovk::ImageList images;
  EXPECT_EQ(ovk::GetFileIcon(cache, images, ""), 0);
  EXPECT_EQ(ovk::GetFileIcon(cache, images, ""), 0);
  EXPECT_EQ(images.Count(), 1);
}

// Icons come from the desktop's theme by the MIME type of the name, else the
// type's generic icon; a type the theme lacks gets the built-in file icon.
// (The offscreen platform names no theme; a desktop names its own.)
TEST(FileTypeIcons, ThemeByMimeTypeThenGenericThenBuiltIn) {
  const QString theme = QIcon::themeName();
  const QStringList paths = QIcon::themeSearchPaths();
  QIcon::setThemeSearchPaths({"/usr/share/icons"});
  QIcon::setThemeName("Adwaita");
  const struct {
    const char* theme;
    const char* extension;
    const char* icon;  // "": the built-in one
  } cases[] = {{"Adwaita", ".html", "text-html"},         {"Adwaita", ".txt", "text-x-generic"},
               {"Adwaita", ".png", "image-x-generic"},    {"Adwaita", ".mp3", "audio-x-generic"},
               {"Adwaita", ".zzq", "application-x-generic"}, {"no-such-theme", ".txt", ""}};
  const bool installed = QIcon::hasThemeIcon("text-x-generic");
  for (const auto& c : cases) {
    if (!installed) break;
    QIcon::setThemeName(c.theme);
    const QIcon icon = ovk::FileTypeIcon(c.extension);
    EXPECT_EQ(icon.name().toStdString(), c.icon) << c.extension;
    EXPECT_FALSE(icon.isNull()) << c.extension;
  }
  QIcon::setThemeName(theme);
  QIcon::setThemeSearchPaths(paths);
  if (!installed) GTEST_SKIP() << "no Adwaita icon theme";
}

TEST_F(MainWindow, MenuShortcutsWorkWhileTheListHasTheFocus) {
  auto form = MakeForm({"ovkview", work / "new.zip"});
  form->show();
  const std::pair<QKeyCombination, const char*> keys[] = {
      {Qt::CTRL | Qt::Key_A, "Add"}, {Qt::CTRL | Qt::Key_E, "Extract Files"}};
  for (const auto& [key, caption] : keys) {
    QString seen;
    form->activateWindow();
    form->FileList->setFocus();
    Pump(20);
    WhenModal(
        [&](QWidget* modal) {
          seen = modal->windowTitle();
          static_cast<QDialog*>(modal)->reject();
        },
        [&] {
          QTest::keyClick(form->FileList, key.key(), key.keyboardModifiers());
          Pump(50);
        });
    EXPECT_EQ(seen, caption) << caption;
  }
}

TEST_F(MainWindow, RightButtonPopsTheActionsMenu) {
  auto form = MakeForm();
  form->show();
  bool popped = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (QApplication::activePopupWidget() == form->ActionsItem) {
      popped = true;
      form->ActionsItem->close();
    }
  });
  poll.start(10);
  QTest::mousePress(form->FileList->viewport(), Qt::RightButton, {}, QPoint(20, 20));
  poll.stop();
  EXPECT_TRUE(popped);
}

}  // namespace
