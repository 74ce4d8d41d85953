// The window driven as a user would: listing, status texts, enabled
// commands, sorting, the command line.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QLineEdit>
#include <QMenuBar>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QSet>
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
  const bool add = Action(f, "AddItem")->isEnabled(), del = Action(f, "DeleteItem")->isEnabled();
  EXPECT_EQ(Action(f, "ExtractItem")->isEnabled(), add);
  EXPECT_EQ(Action(f, "TestItem")->isEnabled(), add);
  EXPECT_EQ(Action(f, "ViewItem")->isEnabled(), del);
  for (const char* always : {"NewItem", "OpenItem", "ExitItem", "SettingsItem"}) EXPECT_TRUE(Action(f, always)->isEnabled());
  return {add, del, Action(f, "ExtractItem")->isEnabled()};
}

// Every accessible name in the tree below the interface.
void AccessibleNames(QAccessibleInterface* node, QStringList& names) {
  if (!node) return;
  names << node->text(QAccessible::Name);
  for (int i = 0; i < node->childCount(); ++i) AccessibleNames(node->child(i), names);
}

class MainWindow : public testing::Test {
 protected:
  SettingsHome home;
  TempDir work;
};

TEST_F(MainWindow, MenusShortcutsMnemonicsAndAccessibleControls) {
  auto form = MakeForm();
  EXPECT_EQ(form->windowTitle(), "OVK Viewer");
  QStringList menus;
  for (QAction* menu : form->menuBar()->actions()) menus << menu->text();
  EXPECT_EQ(menus, (QStringList{"&File", "&Actions", "&Options", "&Help"}));
  const struct {
    const char* name;
    const char* text;
    const char* shortcuts;
  } items[] = {
      {"NewItem", "&New Archive...", "Ctrl+N"},      {"OpenItem", "&Open Archive...", "Ctrl+O"},
      {"ExitItem", "E&xit", "Alt+X"},                {"AddItem", "&Add...", "Ctrl+Shift+A"},
      {"DeleteItem", "&Delete...", "Ctrl+D"},        {"ExtractItem", "E&xtract...", "Ctrl+E"},
      {"TestItem", "&Test", ""},                     {"ViewItem", "&View...", ""},
      {"SelectAllItem", "Select A&ll", "Ctrl+A"},    {"SettingsItem", "&Settings...", ""},
      {"BackItem", "Back", "Alt+Left; Backspace"},   {"UpItem", "Up", "Alt+Up"},
      {"FindItem", "Find", "Ctrl+F"},                {"ExtractHereItem", "Extract &Here", ""},
      {"RenameItem", "&Rename...", "F2"},            {"NewFolderItem", "&New Folder...", "Ctrl+Shift+N"},
      {"PropertiesItem", "&Properties...", "Alt+Return"}, {"AboutItem", "&About...", ""},
  };
  for (const auto& item : items) {
    QAction* action = Action(*form, item.name);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), item.text);
    EXPECT_EQ(QKeySequence::listToString(action->shortcuts()), item.shortcuts) << item.name;
  }
  // Every menu item can be reached by its letter, which no other item of its menu shares.
  for (QAction* menu : form->menuBar()->actions()) {
    QSet<QChar> letters;
    for (QAction* item : menu->menu()->actions())
      if (!item->isSeparator()) {
        const qsizetype mark = item->text().indexOf('&');
        ASSERT_GE(mark, 0) << item->text().toStdString();
        const QChar letter = item->text().at(mark + 1).toLower();
        EXPECT_FALSE(letters.contains(letter)) << item->text().toStdString();
        letters.insert(letter);
      }
  }
  form->show();
  QStringList names;
  AccessibleNames(QAccessible::queryAccessibleInterface(form.get()), names);
  for (const char* control : {"Add", "Delete", "Extract", "Back", "Up", "Location", "Search", "Entries"})
    EXPECT_TRUE(names.contains(control)) << control;
  for (QToolButton* button : form->findChildren<QToolButton*>()) {
    if (button->text() == "Add" || button->text() == "Delete" || button->text() == "Extract") {
      EXPECT_EQ(button->height(), 54);
      EXPECT_GE(button->width(), 58);
      EXPECT_GE(button->width(), button->sizeHint().width()) << "caption cut: " << button->text().toStdString();
    }
  }
  const char* titles[] = {"Name", "Path", "Original", "Packed", "Time"};
  const int widths[] = {260, 240, 100, 100};
  for (int i = 0; i < ovk::kColumnCount; ++i) {
    EXPECT_EQ(List(*form)->model()->headerData(i, Qt::Horizontal).toString(), titles[i]);
    if (i < ovk::kTimeColumn) {
      EXPECT_EQ(List(*form)->columnWidth(i), widths[i]);
    }
  }
  EXPECT_GE(List(*form)->columnWidth(ovk::kTimeColumn),
            List(*form)->fontMetrics().horizontalAdvance("2019-05-04 12:30")) << "a time fits its column";
  EXPECT_EQ(List(*form)->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(List(*form)->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(List(*form)->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(form->findChild<QLabel*>("SelectionPanel")->width(), 400);
  EXPECT_EQ(SelectionText(*form), "Selected 0 file(s), 0 kB");
  EXPECT_EQ(TotalText(*form), "Total 0 file(s), 0 kB");
  Commands c = Enabled(*form);
  EXPECT_FALSE(c.add || c.del || c.extract) << "no archive: only New, Open, Exit, Settings";
}

TEST_F(MainWindow, ListsFoldersAndFilesWithMarksGroupedSizesAndTimes) {
  OVK_REQUIRE_TOOL("zip");
  std::string archive = work / "sample.zip";
  MakeSampleZip(archive, work / "src");
  auto form = MakeForm({"ovkview", archive});
  EXPECT_EQ(form->windowTitle(), "OVK Viewer - sample.zip");
  // The archive holds no folder entry: docs is made from the names.
  EXPECT_EQ(Column(*form, ovk::kNameColumn), (std::vector<std::string>{"docs", "a.txt"}));
  EXPECT_EQ(Column(*form, ovk::kOriginalColumn), (std::vector<std::string>{"1,235,167", "1,000"}))
      << "a folder shows the size of its content";
  EXPECT_EQ(Column(*form, ovk::kTimeColumn), (std::vector<std::string>{"", "2019-05-04 12:30"}));
  for (int column : {ovk::kOriginalColumn, ovk::kPackedColumn}) {
    EXPECT_EQ(Cell(*form, 1, column).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
              Qt::AlignRight);
    EXPECT_EQ(List(*form)->model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                  Qt::AlignRight,
              Qt::AlignRight);
  }
  form->show();
  form->activateWindow();
  Pump(20);
  Field(*form, "LocationEdit")->setText("/docs");
  QTest::keyClick(Field(*form, "LocationEdit"), Qt::Key_Return);
  EXPECT_EQ(Column(*form, ovk::kNameColumn), (std::vector<std::string>{"*b.txt", "c.dat"}));
  EXPECT_EQ(Column(*form, ovk::kPathColumn), (std::vector<std::string>{"docs/", "docs/"}));
  EXPECT_EQ(Column(*form, ovk::kTimeColumn), (std::vector<std::string>{"2020-01-02 03:04", "2018-07-08 09:10"}));
  // The packed sizes are the engine's, grouped the same way.
  const auto listed = ovk::ListArchive(ovk::ListRequest{archive}, ovk::SilentObserver()).entries;
  std::uint64_t packedDocs = 0;
  for (const ovk::Entry& entry : listed) {
    if (entry.name.rfind("docs/", 0) == 0) packedDocs += entry.packedSize;
    for (int row = 0; row < RowCount(*form); ++row)
      if (StoredName(*form, row) == entry.name) {
        EXPECT_EQ(Cell(*form, row, ovk::kPackedColumn).data().toString(),
                  QLocale().toString(static_cast<qulonglong>(entry.packedSize)))
            << entry.name;
      }
  }
  EXPECT_EQ(StoredName(*form, RowNamed(*form, "*b.txt")), "docs/b.txt");
  QTest::keyClick(List(*form), Qt::Key_Up, Qt::AltModifier);
  EXPECT_EQ(Cell(*form, 0, ovk::kPackedColumn).data().toString(), QLocale().toString(static_cast<qulonglong>(packedDocs)));
  // 1000 + 600 + 1234567 = 1236167 bytes = 1207.2 kB
  EXPECT_EQ(TotalText(*form), "Total 3 file(s), 1,207 kB");
  EXPECT_EQ(SelectionText(*form), "Selected 0 file(s), 0 kB");
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

TEST_F(MainWindow, SelectionStatusFollowsOnceAndRoundsHalvesToEven) {
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

  // Counted once the burst of changes is over, not at each of them.
  List(*form)->clearSelection();
  for (const char* name : {"s1000", "s600"}) Select(*form, RowNamed(*form, name));
  EXPECT_EQ(SelectionText(*form), "Selected 0 file(s), 0 kB");
  Pump();
  EXPECT_EQ(SelectionText(*form), "Selected 2 file(s), 2 kB") << "1600 / 1024 = 1.56";
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
    EXPECT_EQ(SelectionText(*form), text);
    EXPECT_EQ(Enabled(*form).del, !selected.empty());
  }
  EXPECT_EQ(TotalText(*form), "Total 5 file(s), 6 kB") << "6208 bytes";
}

TEST_F(MainWindow, HeaderClicksSortEachColumnBothWaysFoldersFirst) {
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
  QHeaderView* header = List(*form)->header();
  auto click = [&](int column) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
  };
  using Names = std::vector<std::string>;
  // The folder view: folders first both ways, by their content's size too.
  const std::pair<int, Names> folders[] = {
      {ovk::kOriginalColumn, {"docs", "x", "b.txt"}},
      {ovk::kNameColumn, {"docs", "x", "b.txt"}},
  };
  EXPECT_EQ(Column(*form, ovk::kNameColumn), (Names{"docs", "x", "b.txt"})) << "first start: Name ascending";
  for (const auto& [column, names] : folders) {
    click(column);
    if (!List(*form)->SortAscending()) click(column);
    EXPECT_EQ(Column(*form, ovk::kNameColumn), names) << "column " << column << " ascending";
    click(column);
    EXPECT_EQ(Column(*form, ovk::kNameColumn), (Names{names[1], names[0], "b.txt"})) << "column " << column << " descending";
  }
  // The matches of a search, every file of the archive.
  Field(*form, "SearchEdit")->setText(".txt");
  const std::pair<int, Names> ascending[] = {
      {ovk::kPathColumn, {"b.txt", "c.txt", "a.txt"}},
      {ovk::kOriginalColumn, {"b.txt", "c.txt", "a.txt"}},
      {ovk::kPackedColumn, {"b.txt", "c.txt", "a.txt"}},
      {ovk::kTimeColumn, {"a.txt", "c.txt", "b.txt"}},
      {ovk::kNameColumn, {"a.txt", "b.txt", "c.txt"}},
  };
  // The selection stays with its entry whatever row it moves to.
  SelectNames(*form, {"c.txt"});
  auto selected = [&] {
    Names stored;
    for (int row : SelectedRows(*form)) stored.push_back(List(*form)->Model()->At(row).name);
    return stored;
  };
  for (const auto& [column, names] : ascending) {
    click(column);
    EXPECT_EQ(selected(), Names{"docs/c.txt"}) << "column " << column;
    EXPECT_EQ(List(*form)->SortColumn(), column);
    EXPECT_TRUE(List(*form)->SortAscending());
    EXPECT_EQ(header->sortIndicatorSection(), column);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(Column(*form, ovk::kNameColumn), names) << "column " << column << " ascending";
    click(column);
    EXPECT_FALSE(List(*form)->SortAscending());
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(Column(*form, ovk::kNameColumn), Names(names.rbegin(), names.rend()))
        << "column " << column << " descending";
  }
  // A new listing keeps the current order.
  click(ovk::kOriginalColumn);
  form->LoadArchive(archive, false);
  Field(*form, "SearchEdit")->setText(".txt");
  EXPECT_EQ(Column(*form, ovk::kNameColumn), (Names{"b.txt", "c.txt", "a.txt"}));
}

TEST_F(MainWindow, CommandLineOpensAnArchiveAndIgnoresSwitches) {
  std::string missing = work / "nothere.zip";
  auto form = MakeForm({"ovkview", missing});
  EXPECT_EQ(form->windowTitle(), "OVK Viewer - nothere.zip");
  EXPECT_EQ(RowCount(*form), 0);
  EXPECT_EQ(form->Controller().ArchiveName(), missing);
  EXPECT_TRUE(Enabled(*form).add);
  EXPECT_FALSE(Exists(missing)) << "opening creates nothing";
  for (const char* param : {"-x", "/help", "-", "/", "-c", "/C"}) {
    auto other = MakeForm({"ovkview", param});
    EXPECT_EQ(other->Controller().ArchiveName(), "") << param;
    EXPECT_EQ(other->windowTitle(), "OVK Viewer") << param;
  }
  auto none = MakeForm({"ovkview"});
  EXPECT_EQ(none->Controller().ArchiveName(), "");
}

TEST_F(MainWindow, IconsAreLookedUpOncePerExtensionAndListing) {
  OVK_REQUIRE_TOOL("zip");
  std::string src = work / "src";
  for (const char* name : {"a.txt", "b.txt", "c.doc"}) MakeSizedFile(src + "/" + name, 10, "202001010000.00");
  std::string archive = work / "icons.zip";
  ZipFiles(archive, src, {"a.txt", "b.txt", "c.doc"});
  auto form = MakeForm({"ovkview", archive});
  const ovk::EntryModel& model = *form->Controller().Model();
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
      {Qt::CTRL | Qt::SHIFT | Qt::Key_A, "Add"}, {Qt::CTRL | Qt::Key_E, "Extract Files"}};
  for (const auto& [key, caption] : keys) {
    QString seen;
    form->activateWindow();
    List(*form)->setFocus();
    Pump(20);
    WhenModal(
        [&](QWidget* modal) {
          seen = modal->windowTitle();
          static_cast<QDialog*>(modal)->reject();
        },
        [&] {
          QTest::keyClick(List(*form), key.key(), key.keyboardModifiers());
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
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu && menu->actions().contains(Action(*form, "AddItem"))) {
      popped = true;
      menu->close();
    }
  });
  poll.start(10);
  QTest::mousePress(List(*form)->viewport(), Qt::RightButton, {}, QPoint(20, 20));
  poll.stop();
  EXPECT_TRUE(popped);
}

}  // namespace
