#include "ui/UiTestUtil.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QAction>
#include <QTimer>
#include <cstdlib>

#include "engine/ListArchive.h"
#include "ui/AddFormUnit.h"
#include "ui/ExtListView.h"
#include "ui/ExtractFormUnit.h"
#include "ui/ProgressForm.h"

namespace ovktest {

SettingsHome::SettingsHome() {
  if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
    old_ = old;
    hadOld_ = true;
  }
  setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
}

SettingsHome::~SettingsHome() {
  if (hadOld_)
    setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

std::string SettingsHome::SettingsFile() const { return dir / "Halvora/OVK.reg"; }

std::unique_ptr<ovk::TOVKForm> MakeForm(const std::vector<std::string>& params) {
  QApplication::setApplicationDisplayName(QStringLiteral("OVK Viewer"));
  auto form = std::make_unique<ovk::TOVKForm>(params);
  // The command line's archive is listed from the event loop.
  QCoreApplication::sendPostedEvents(form.get(), QEvent::MetaCall);
  return form;
}

void CloseForm(std::unique_ptr<ovk::TOVKForm>& form) {
  form->close();
  form.reset();
}

void Pump(int ms) {
  QElapsedTimer clock;
  clock.start();
  do {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  } while (clock.elapsed() < ms);
}

void WhenModal(const std::function<void(QWidget*)>& handler, const std::function<void()>& action) {
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    // A file dialog may still be settling its folder and ignore the first
    // accept, so a modal window still open is handled again.
    if (modal && modal->isVisible()) handler(modal);
  });
  poll.start();
  action();
  poll.stop();
}

void ChooseFile(QFileDialog* dialog, const std::string& path) {
  auto* nameEdit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(nameEdit, nullptr) << "the toolkit's own file dialog";
  nameEdit->setText(QString::fromStdString(path));
  static_cast<QDialog*>(dialog)->accept();
}

SeenBox AnswerBox(QMessageBox::StandardButton answer, const std::function<void()>& action) {
  SeenBox seen;
  WhenModal(
      [&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) {
          ADD_FAILURE() << "unexpected modal window " << modal->windowTitle().toStdString();
          modal->close();
          return;
        }
        seen.shown = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.informative = box->informativeText();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        box->button(answer)->click();
      },
      action);
  return seen;
}

ovk::TExtListViewManagement* List(const ovk::TOVKForm& form) {
  return form.findChild<ovk::TExtListViewManagement*>();
}

QAction* Action(const ovk::TOVKForm& form, const char* objectName) {
  auto* action = form.findChild<QAction*>(QString::fromLatin1(objectName));
  EXPECT_NE(action, nullptr) << objectName;
  return action;
}

QString Panel(const ovk::TOVKForm& form, const char* objectName) {
  auto* label = form.findChild<QLabel*>(QString::fromLatin1(objectName));
  EXPECT_NE(label, nullptr) << objectName;
  return label ? label->text() : QString();
}

QString SelectionText(const ovk::TOVKForm& form) { return Panel(form, "SelectionPanel"); }
QString TotalText(const ovk::TOVKForm& form) { return Panel(form, "TotalPanel"); }

QLineEdit* Field(const ovk::TOVKForm& form, const char* objectName) {
  auto* edit = form.findChild<QLineEdit*>(QString::fromLatin1(objectName));
  EXPECT_NE(edit, nullptr) << objectName;
  return edit;
}

ovk::TAddForm* AddDialog(const ovk::TOVKForm& form) { return form.findChild<ovk::TAddForm*>(); }
ovk::TExtractForm* ExtractDialog(const ovk::TOVKForm& form) { return form.findChild<ovk::TExtractForm*>(); }
ovk::TProgressForm* Progress(const ovk::TOVKForm& form) { return form.findChild<ovk::TProgressForm*>(); }

QModelIndex Cell(const ovk::TOVKForm& form, int row, int column) { return List(form)->model()->index(row, column); }

int RowCount(const ovk::TOVKForm& form) { return List(form)->model()->rowCount(); }

std::vector<std::string> Column(const ovk::TOVKForm& form, int column) {
  std::vector<std::string> texts;
  for (int row = 0; row < RowCount(form); ++row) texts.push_back(Cell(form, row, column).data().toString().toStdString());
  return texts;
}

int RowNamed(const ovk::TOVKForm& form, const QString& name) {
  for (int row = 0; row < RowCount(form); ++row)
    if (Cell(form, row, ovk::kNameColumn).data().toString() == name) return row;
  return -1;
}

std::string StoredName(const ovk::TOVKForm& form, int row) {
  return List(form)->Model()->At(List(form)->RowOf(Cell(form, row, 0))).name;
}

void Select(ovk::TOVKForm& form, int row) {
  List(form)->selectionModel()->select(Cell(form, row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void SelectNames(ovk::TOVKForm& form, const std::vector<QString>& names) {
  List(form)->clearSelection();
  for (const QString& name : names) {
    const int row = RowNamed(form, name);
    ASSERT_GE(row, 0) << name.toStdString();
    Select(form, row);
  }
  Pump();
}

std::vector<int> SelectedRows(const ovk::TOVKForm& form) { return List(form)->SelectedRows(); }

void ZipFiles(const std::string& archive, const std::string& folder,
              const std::vector<std::string>& files, const std::string& password) {
  std::string command = "cd " + Quote(folder) + " && zip -q -X ";
  if (!password.empty()) command += "-P " + Quote(password) + " ";
  command += Quote(archive);
  for (const std::string& f : files) command += " " + Quote(f);
  CommandResult result = Run(command);
  ASSERT_EQ(result.exitCode, 0) << result.output;
}

void MakeSizedFile(const std::string& path, std::size_t size, const std::string& stamp) {
  std::string text;
  while (text.size() < size) text += "line " + std::to_string(text.size()) + "\n";
  text.resize(size);
  WriteFile(path, text);
  CommandResult touched = Run("touch -t " + stamp + " " + Quote(path));
  ASSERT_EQ(touched.exitCode, 0) << touched.output;
}

void MakeSampleZip(const std::string& archive, const std::string& folder) {
  MakeSizedFile(folder + "/a.txt", 1000, "201905041230.10");
  MakeSizedFile(folder + "/docs/c.dat", 1234567, "201807080910.00");
  MakeSizedFile(folder + "/docs/b.txt", 600, "202001020304.00");
  ZipFiles(archive, folder, {"a.txt", "docs/c.dat"});
  ZipFiles(archive, folder, {"docs/b.txt"}, "secret");
}

std::vector<std::string> ListedNames(const std::string& archive) {
  std::vector<std::string> names;
  for (const ovk::Entry& entry : ovk::ListArchive(ovk::ListRequest{archive}, ovk::SilentObserver()).entries)
    names.push_back(entry.name);
  return names;
}

}  // namespace ovktest
