// The watcher of files opened for editing: each way an editor saves is told
// once, and nothing else is. The waits are generous timeouts only.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <utility>
#include <vector>
#include <sys/stat.h>

#include "common/TestUtil.h"
#include "ui/EditWatcher.h"

using namespace ovktest;

namespace {

// Long enough for any delivery and settling on a loaded machine.
constexpr int kSignalWaitMs = 5000;
// How long a save already told is given to be told again, or a change
// that is no save to be told at all: several settling delays.
constexpr int kQuietWaitMs = 1200;

void WriteInPlace(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

void RenameOver(const std::string& path, const std::string& text) {
  WriteFile(path + ".new", text);
  ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
}

struct Fixture {
  TempDir dir;
  std::string path = dir / "edit/notes.txt";
  ovk::EditWatcher watcher;
  QSignalSpy saved{&watcher, &ovk::EditWatcher::Saved};
  Fixture() {
    WriteFile(path, "as extracted");
    watcher.Watch("docs/notes.txt", QString::fromStdString(path));
  }
};

// Runs each save, waits for the signals expected and then for quiet, and
// gives how many signals each fixture had.
std::vector<int> SavesAfter(const std::vector<std::pair<Fixture*, std::function<void()>>>& saves,
                            std::size_t expected) {
  for (const auto& [fixture, save] : saves) {
    fixture->saved.clear();
    save();
  }
  auto total = [&] {
    std::size_t sum = 0;
    for (const auto& item : saves) sum += static_cast<std::size_t>(item.first->saved.count());
    return sum;
  };
  (void)QTest::qWaitFor([&] { return total() >= expected; }, kSignalWaitMs);
  QTest::qWait(kQuietWaitMs);
  std::vector<int> counts;
  for (const auto& item : saves) counts.push_back(static_cast<int>(item.first->saved.count()));
  return counts;
}

int SavesAfter(Fixture& f, const std::function<void()>& save, int expected) {
  return SavesAfter({{&f, save}}, static_cast<std::size_t>(expected)).front();
}

TEST(EditWatcher, EachSaveIsToldOnceAndNothingElseIs) {
  struct Case {
    const char* what;
    std::function<void(Fixture&)> act;
    int saves;
  } cases[] = {
      {"write in place", [](Fixture& f) { WriteInPlace(f.path, "edited"); }, 1},
      {"rename over", [](Fixture& f) { RenameOver(f.path, "edited"); }, 1},
      {"a burst of writes",
       [](Fixture& f) {
         // Each write's events are delivered before the next write.
         for (int i = 0; i < 20; ++i) {
           WriteInPlace(f.path, std::string(static_cast<std::size_t>(i + 1) * 100, 'x'));
           QCoreApplication::processEvents();
         }
       },
       1},
      {"attributes only", [](Fixture& f) { chmod(f.path.c_str(), 0600); }, 0},
      {"deleted, not back", [](Fixture& f) { std::remove(f.path.c_str()); }, 0},
      {"a neighbour written", [](Fixture& f) { WriteFile(f.dir / "edit/other.txt", "x"); }, 0},
      {"forgotten",
       [](Fixture& f) {
         f.watcher.Forget(QString::fromStdString(f.path));
         WriteInPlace(f.path, "edited");
       },
       0},
      {"cleared",
       [](Fixture& f) {
         f.watcher.Clear();
         RenameOver(f.path, "edited");
       },
       0},
  };
  // Every case in a folder and watcher of its own, all waited for at once.
  std::vector<std::unique_ptr<Fixture>> fixtures;
  std::vector<std::pair<Fixture*, std::function<void()>>> saves;
  std::size_t expected = 0;
  for (const Case& c : cases) {
    fixtures.push_back(std::make_unique<Fixture>());
    Fixture* f = fixtures.back().get();
    saves.emplace_back(f, [f, &c] { c.act(*f); });
    expected += static_cast<std::size_t>(c.saves);
  }
  const std::vector<int> counts = SavesAfter(saves, expected);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    EXPECT_EQ(counts[i], c.saves) << c.what;
    if (c.saves == 0 || counts[i] == 0) continue;
    const QList<QVariant> args = fixtures[i]->saved.first();
    EXPECT_EQ(args.at(0).toString(), "docs/notes.txt") << c.what;
    EXPECT_EQ(args.at(1).toString().toStdString(), fixtures[i]->path) << c.what;
  }
}

// After a rename-over the file at the path is a new one; its next saves,
// either way, are told too.
TEST(EditWatcher, KeepsWatchingAfterARenameOver) {
  Fixture f;
  ASSERT_EQ(SavesAfter(f, [&] { RenameOver(f.path, "first"); }, 1), 1);
  EXPECT_EQ(SavesAfter(f, [&] { WriteInPlace(f.path, "second"); }, 1), 1);
  EXPECT_EQ(SavesAfter(f, [&] { RenameOver(f.path, "third"); }, 1), 1);
  // A file deleted and written anew later, as some editors save.
  EXPECT_EQ(SavesAfter(f, [&] { std::remove(f.path.c_str()); }, 0), 0);
  EXPECT_EQ(SavesAfter(f, [&] { WriteFile(f.path, "fourth"); }, 1), 1);
}

}  // namespace
