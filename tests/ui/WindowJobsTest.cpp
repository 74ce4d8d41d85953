// Jobs in the window: the event loop keeps running while the engine works,
// the progress window comes late, commands wait, and a cancel or a close
// leaves whole files and a true account.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <dirent.h>

#include <algorithm>

#include "support/ArchiveLock.h"
#include "ui/ExtListView.h"
#include "ui/ProgressForm.h"
#include "ui/UiTestUtil.h"

using namespace ovktest;

namespace {

constexpr int kBigFiles = 300;

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* e = readdir(dir))
      if (e->d_name[0] != '.') names.push_back(e->d_name);
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Calls tick every 20 ms while action runs and counts the calls that came
// while a job was running: none would come if the job held the event loop.
struct Ticker {
  int ticksDuringJob = 0;
  void Run(const ovk::TOVKForm& form, const std::function<void()>& tick, const std::function<void()>& action) {
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (form.Controller().Job()) ++ticksDuringJob;
      tick();
    });
    timer.start();
    action();
  }
};

class WindowJobs : public testing::Test {
 protected:
  // Some 300 MB of incompressible files, stored, made once for the suite.
  static void SetUpTestSuite() {
    if (!HaveTool("zip")) return;
    big = new TempDir;
    const std::string block = RandomBytes(1 << 20, 7);
    for (int i = 0; i < kBigFiles; ++i) WriteFile(*big / ("src/f" + std::to_string(i)), std::to_string(i) + block);
    CommandResult zipped = ovktest::Run("cd " + Quote(*big / "src") + " && zip -0 -q -X ../big.zip *");
    ASSERT_EQ(zipped.exitCode, 0) << zipped.output;
  }
  static void TearDownTestSuite() {
    delete big;
    big = nullptr;
  }
  void SetUp() override {
    if (!big) GTEST_SKIP() << "zip not installed";
    form = MakeForm({"ovkview", *big / "big.zip"});
    ASSERT_EQ(RowCount(*form), kBigFiles);
    form->show();
    Pump();
  }
  // Every file in folder is whole: equal to its source.
  static void ExpectWholeFiles(const std::string& folder, std::size_t count) {
    const std::vector<std::string> names = FilesIn(folder);
    EXPECT_EQ(names.size(), count);
    for (const std::string& name : names)
      EXPECT_TRUE(ReadFile(folder + "/" + name) == ReadFile(*big / ("src/" + name))) << name;
  }

  static TempDir* big;
  SettingsHome home;
  TempDir work;
  std::unique_ptr<ovk::TOVKForm> form;
};

TempDir* WindowJobs::big = nullptr;

TEST_F(WindowJobs, ExtractionKeepsTheWindowRunningWithProgressLateAndCommandsWaiting) {
  QElapsedTimer clock;
  qint64 dialogAt = -1;
  bool checkedCommands = false;
  Ticker ticker;
  ticker.Run(
      *form,
      [&] {
        if (dialogAt < 0 && Progress(*form)->isVisible()) dialogAt = clock.elapsed();
        if (!form->Controller().Job() || checkedCommands) return;
        checkedCommands = true;
        for (const char* name : {"AddItem", "ExtractItem", "NewItem", "OpenItem", "TestItem", "BackItem"})
          EXPECT_FALSE(Action(*form, name)->isEnabled()) << name;
        for (QToolButton* button : form->findChildren<QToolButton*>())
          if (!button->text().isEmpty() && button->isVisible()) {
            EXPECT_FALSE(button->isEnabled()) << button->text().toStdString();
          }
        EXPECT_TRUE(Action(*form, "ExitItem")->isEnabled());
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(work / "src"))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        EXPECT_FALSE(enter.isAccepted()) << "no drop while a job runs";
      },
      [&] {
        clock.start();
        form->Controller().Extract(work / "out", {}, "");
      });
  EXPECT_GE(ticker.ticksDuringJob, 2) << "the event loop ran while the files were written";
  EXPECT_TRUE(checkedCommands);
  // The show timer is precise: it never fires before its delay.
  EXPECT_TRUE(dialogAt < 0 || dialogAt >= ovk::TProgressForm::kShowDelayMs) << dialogAt;
  RecordProperty("extractionMs", static_cast<int>(clock.elapsed()));
  EXPECT_FALSE(Progress(*form)->isVisible()) << "gone with the job";
  EXPECT_TRUE(Action(*form, "AddItem")->isEnabled() && Action(*form, "OpenItem")->isEnabled());
  ExpectWholeFiles(work / "out", kBigFiles);

  // One selected file is extracted alone (whether its short job shows the
  // progress window depends on the machine's speed: the bench's to judge).
  SelectNames(*form, {"f1"});
  form->Controller().Extract(work / "one", SelectedRows(*form), "");
  ExpectWholeFiles(work / "one", 1);
}

TEST_F(WindowJobs, CancelStopsExtractionWithWholeFilesAndSaysHowMany) {
  QTimer cancel;
  QObject::connect(&cancel, &QTimer::timeout, [&] {
    // Pressed (shown or not yet) once a tenth of the files are out.
    if (form->Controller().Job() && form->Controller().Job()->Latest().entriesDone >= kBigFiles / 10 &&
        Progress(*form)->CancelButton->isEnabled()) {
      EXPECT_GT(Progress(*form)->Bar->value(), 0) << "the bar moves by bytes";
      Progress(*form)->CancelButton->click();
    }
  });
  cancel.start(5);
  const SeenBox box = AnswerBox(QMessageBox::Ok, [&] { form->Controller().Extract(work / "out", {}, ""); });
  ASSERT_TRUE(box.shown);
  const QRegularExpressionMatch count =
      QRegularExpression("^Extraction cancelled; (\\d+) file\\(s\\) were written whole\\.$").match(box.text);
  ASSERT_TRUE(count.hasMatch()) << box.text.toStdString();
  const std::size_t written = count.captured(1).toULong();
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, static_cast<std::size_t>(kBigFiles));
  ExpectWholeFiles(work / "out", written);
}

// Another program holds the archive: the add waits, so the job lasts as
// long as the test wants, and stops waiting when told to.
TEST_F(WindowJobs, AWaitingAddShowsProgressLateAndClosingAsksFirst) {
  const std::string archive = work / "small.zip";
  WriteFile(work / "one/a.txt", "a");
  ZipFiles(archive, work / "one", {"a.txt"});
  form->LoadArchive(archive, false);
  const std::string before = ReadFile(archive);
  auto holder = std::make_unique<ovk::ArchiveLock>(archive, false, [] {});
  ASSERT_EQ(holder->Error(), 0);

  QElapsedTimer clock;
  qint64 dialogAt = -1;
  int asked = 0;
  bool reported = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (dialogAt < 0 && Progress(*form)->isVisible()) {
      dialogAt = clock.elapsed();
      EXPECT_TRUE(Progress(*form)->EntryLabel->text().startsWith("Waiting for another program"));
    }
    if (dialogAt >= 0 && form->isVisible() && !QApplication::activeModalWidget()) form->close();
  });
  watch.start(20);
  // The other program lets go only if the job could not stop waiting (a
  // timer of its own: the watch's is busy in the close until the job ends).
  QElapsedTimer stopping;
  bool forced = false;
  QTimer release;
  QObject::connect(&release, &QTimer::timeout, [&] {
    if (!form->Controller().Job() || !form->Controller().Job()->Cancelling()) return;
    if (!stopping.isValid()) stopping.start();
    if (stopping.elapsed() > 5000 && holder) {
      forced = true;
      holder.reset();
    }
  });
  release.start(20);
  WhenModal(
      [&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        if (box->icon() != QMessageBox::Question) {
          reported = true;
          box->close();
          return;
        }
        EXPECT_TRUE(box->text().contains("Stop it and close the window?")) << box->text().toStdString();
        // No the first time: the job goes on and the window stays.
        box->button(++asked == 1 ? QMessageBox::No : QMessageBox::Yes)->click();
      },
      [&] {
        clock.start();
        form->Controller().Add({work / "one"}, "", true, "");
      });
  EXPECT_GE(dialogAt, ovk::TProgressForm::kShowDelayMs);
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(reported) << "a closed window reports nothing";
  EXPECT_FALSE(forced) << "the job stopped only when the other program let go";
  EXPECT_EQ(form->Controller().Job(), nullptr);
  EXPECT_TRUE(ReadFile(archive) == before) << "the stopped add left the archive as it was";
}

TEST_F(WindowJobs, CancelledAddLeavesTheArchiveByteForByteAndTheListAsItWas) {
  const std::string archive = work / "copy.zip";
  MakeSampleZip(archive, work / "sample");
  form->LoadArchive(archive, false);
  const std::string before = ReadFile(archive);
  const std::vector<std::string> names = Column(*form, ovk::kNameColumn);
  QTimer cancel;
  QObject::connect(&cancel, &QTimer::timeout, [&] {
    if (form->Controller().Job() && form->Controller().Job()->Latest().entriesDone >= kBigFiles / 10 && Progress(*form)->CancelButton->isEnabled())
      Progress(*form)->CancelButton->click();
  });
  cancel.start(5);
  const SeenBox box = AnswerBox(QMessageBox::Ok, [&] { form->Controller().Add({*big / "src"}, "", true, ""); });
  EXPECT_EQ(box.text, "Adding cancelled; the archive is unchanged.");
  EXPECT_TRUE(ReadFile(archive) == before);
  EXPECT_EQ(FilesIn(work.Path()), (std::vector<std::string>{"copy.zip", "sample"})) << "no temporary file left";
  EXPECT_EQ(Column(*form, ovk::kNameColumn), names);
}

// A listing fills the list as it reads and ends with every entry or,
// cancelled, none. (Its speed is measured by the bench.)
TEST(WindowListing, ManyEntriesListInOrderAndACancelShowsNone) {
  OVK_REQUIRE_TOOL("python3");
  SettingsHome home;
  TempDir work;
  const std::string archive = work / "many.zip";
  const CommandResult made = ovktest::Run(
      "python3 -c \"import zipfile\nwith zipfile.ZipFile('" + archive + "', 'w') as z:\n"
      "  for i in range(100000): z.writestr('d%03d/f%06d.txt' % (i % 500, i), str(i))\"");
  ASSERT_EQ(made.exitCode, 0) << made.output;
  auto form = MakeForm();
  form->show();
  // Rows inserted while the job still runs: the list fills as the archive
  // is read (the batches come before the job's end, however busy the machine).
  int firstRows = 0;
  bool cancelFirst = true;
  QObject::connect(List(*form)->Model(), &QAbstractItemModel::rowsInserted, [&] {
    if (!form->Controller().Job()) return;
    if (firstRows == 0) firstRows = RowCount(*form);
    if (cancelFirst) Progress(*form)->CancelButton->click();
  });
  form->LoadArchive(archive, false);
  EXPECT_GT(firstRows, 0);
  EXPECT_EQ(RowCount(*form), 0) << "a cancelled listing shows nothing";
  EXPECT_EQ(TotalText(*form), "Total 0 file(s), 0 kB");

  firstRows = 0;
  cancelFirst = false;
  form->LoadArchive(archive, false);
  EXPECT_GT(firstRows, 0) << "the list fills as the archive is read";
  EXPECT_EQ(TotalText(*form).left(21), "Total 100000 file(s),");
  ASSERT_EQ(RowCount(*form), 500) << "one row per folder";
  EXPECT_EQ(Cell(*form, 499, ovk::kNameColumn).data().toString(), "d499");
  Field(*form, "LocationEdit")->setText("/d499");
  QTest::keyClick(Field(*form, "LocationEdit"), Qt::Key_Return);
  ASSERT_EQ(RowCount(*form), 200);
  EXPECT_EQ(Cell(*form, 0, ovk::kNameColumn).data().toString(), "f000499.txt");
  EXPECT_EQ(Cell(*form, 199, ovk::kPathColumn).data().toString(), "d499/");
}

}  // namespace
