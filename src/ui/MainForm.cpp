#include "ui/MainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "engine/AddToArchive.h"
#include "engine/DeleteFromArchive.h"
#include "engine/ExtractFromArchive.h"
#include "engine/ListArchive.h"
#include "engine/RepairArchive.h"
#include "support/DosTime.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"
#include "ui/AddFormUnit.h"
#include "ui/CommandLine.h"
#include "ui/ExtListView.h"
#include "ui/ExtractFormUnit.h"
#include "ui/UiHelpers.h"

namespace ovk {

const char* const kArchiveFilter =
    "ZIP files (*.zip)|*.zip|OVK files (*.ovk)|*.ovk|RQF files (*.rqf)|*.rqf|All files (*.*)|*.*";

namespace {

constexpr int kNormalFileAttributes = 128;
constexpr int kTimerPeriodMs = 1000;

QAction* MakeAction(QMenu* menu, const QString& caption, const QKeySequence& shortcut) {
  QAction* action = menu->addAction(caption);
  if (!shortcut.isEmpty()) action->setShortcut(shortcut);
  return action;
}

QToolButton* MakeToolButton(QToolBar* bar, const QString& caption, QStyle::StandardPixmap picture) {
  auto* button = new QToolButton(bar);
  button->setText(caption);
  // The style derives the disabled image from the normal one.
  button->setIcon(bar->style()->standardIcon(picture));
  button->setIconSize(QSize(24, 24));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(true);
  button->setFixedSize(58, 54);
  bar->addWidget(button);
  return button;
}

QString KiloBytesText(long double bytes) {
  return QLocale().toString(static_cast<qlonglong>(RoundedKiloBytes(bytes)));
}

}  // namespace

TOVKForm::TOVKForm(const std::vector<std::string>& params, QWidget* parent)
    : QMainWindow(parent), params_(params) {
  setWindowTitle(QGuiApplication::applicationDisplayName());
  move(296, 157);
  resize(822, 497);
  setContextMenuPolicy(Qt::NoContextMenu);
  BuildMenus();
  BuildToolBar();
  BuildList();
  BuildStatusBar();
  BuildFileDialogs();
  Timer = new QTimer(this);
  Timer->setInterval(kTimerPeriodMs);
  connect(Timer, &QTimer::timeout, this, &TOVKForm::TimerTimer);
  FormCreate();
  Timer->start();
  ExtractForm = new TExtractForm(Settings, [this] { return !SelectedRows().empty(); }, this);
  AddForm = new TAddForm(Settings, this);
}

TOVKForm::~TOVKForm() = default;

void TOVKForm::BuildMenus() {
  FileItem = menuBar()->addMenu(QStringLiteral("File"));
  NewItem = MakeAction(FileItem, QStringLiteral("New Archive..."), QKeySequence(Qt::CTRL | Qt::Key_N));
  OpenItem = MakeAction(FileItem, QStringLiteral("Open Archive..."), QKeySequence(Qt::CTRL | Qt::Key_O));
  FileItem->addSeparator();
  ExitItem = MakeAction(FileItem, QStringLiteral("Exit"), QKeySequence(Qt::ALT | Qt::Key_X));

  ActionsItem = menuBar()->addMenu(QStringLiteral("Actions"));
  AddItem = MakeAction(ActionsItem, QStringLiteral("Add..."), QKeySequence(Qt::CTRL | Qt::Key_A));
  DeleteItem = MakeAction(ActionsItem, QStringLiteral("Delete..."), QKeySequence(Qt::CTRL | Qt::Key_D));
  ExtractItem = MakeAction(ActionsItem, QStringLiteral("Extract..."), QKeySequence(Qt::CTRL | Qt::Key_E));
  ActionsItem->addSeparator();
  ViewItem = MakeAction(ActionsItem, QStringLiteral("View..."), QKeySequence());

  OptionsItem = menuBar()->addMenu(QStringLiteral("Options"));
  SettingsItem = MakeAction(OptionsItem, QStringLiteral("Settings..."), QKeySequence());

  connect(NewItem, &QAction::triggered, this, &TOVKForm::NewItemClick);
  connect(OpenItem, &QAction::triggered, this, &TOVKForm::OpenItemClick);
  connect(ExitItem, &QAction::triggered, this, &TOVKForm::ExitItemClick);
  connect(AddItem, &QAction::triggered, this, &TOVKForm::AddItemClick);
  connect(DeleteItem, &QAction::triggered, this, &TOVKForm::DeleteItemClick);
  connect(ExtractItem, &QAction::triggered, this, &TOVKForm::ExtractItemClick);
}

void TOVKForm::BuildToolBar() {
  ToolBar = addToolBar(QStringLiteral("Commands"));
  ToolBar->setMovable(false);
  ToolBar->setFloatable(false);
  AddButton = MakeToolButton(ToolBar, QStringLiteral("Add"), QStyle::SP_FileDialogNewFolder);
  DeleteButton = MakeToolButton(ToolBar, QStringLiteral("Delete"), QStyle::SP_TrashIcon);
  ExtractButton = MakeToolButton(ToolBar, QStringLiteral("Extract"), QStyle::SP_DialogSaveButton);
  connect(AddButton, &QToolButton::clicked, this, &TOVKForm::AddItemClick);
  connect(DeleteButton, &QToolButton::clicked, this, &TOVKForm::DeleteItemClick);
  connect(ExtractButton, &QToolButton::clicked, this, &TOVKForm::ExtractItemClick);
}

void TOVKForm::BuildList() {
  FileList = new TExtListViewManagement(this);
  FileList->setIconSize(QSize(16, 16));
  FileList->setContextMenuPolicy(Qt::PreventContextMenu);
  FileList->installEventFilter(this);
  setCentralWidget(FileList);
  connect(FileList, &QTreeWidget::itemSelectionChanged, this, [this] { SelectionChanged = true; });
  connect(FileList, &TExtListViewManagement::RightButtonPressed, this, &TOVKForm::FileListMouseDown);
}

void TOVKForm::BuildStatusBar() {
  StatusPanel0 = new QLabel(this);
  StatusPanel0->setFixedWidth(400);
  StatusPanel1 = new QLabel(this);
  StatusPanel1->setMinimumWidth(50);
  statusBar()->addWidget(StatusPanel0);
  statusBar()->addWidget(StatusPanel1, 1);
  statusBar()->setSizeGripEnabled(true);
}

void TOVKForm::BuildFileDialogs() {
  QStringList filters = QtNameFilters(QString::fromLatin1(kArchiveFilter));
  FileDialog = new QFileDialog(this, QStringLiteral("Open"));
  FileDialog->setAcceptMode(QFileDialog::AcceptOpen);
  FileDialog->setFileMode(QFileDialog::ExistingFile);
  FileDialog->setNameFilters(filters);
  FileDialog->selectNameFilter(filters.first());
  SaveDialog = new QFileDialog(this, QStringLiteral("Save As"));
  SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
  SaveDialog->setFileMode(QFileDialog::AnyFile);
  SaveDialog->setDefaultSuffix(QStringLiteral("zip"));
  SaveDialog->setOption(QFileDialog::DontConfirmOverwrite, true);
  SaveDialog->setNameFilters(filters);
  SaveDialog->selectNameFilter(filters.first());
}

void TOVKForm::FormCreate() {
  setAcceptDrops(true);
  TotalOriginalSize = 0;
  ArchiveName.clear();
  SelectionChanged = false;
  LoadWindowSettings();
  BaseTitle = QGuiApplication::applicationDisplayName();
  ProcessCommandLine();
  UpdateStatus(false);
}

void TOVKForm::ProcessCommandLine() {
  if (params_.size() < 2 || params_[1].empty()) return;
  // Switches (the pack switch was served before the window was made, and a
  // lone "-" or "/") start the window without an archive.
  if (IsSwitchParam(params_[1])) return;
  LoadArchive(params_[1], false);
}

void TOVKForm::LoadWindowSettings() {
  Settings.Clear();
  Registry.ReadBinary("Settings", Settings.Data(), WindowSettings::kSize);
  if (Settings.Height() == 0 || Settings.Maximized()) {
    setWindowState(Qt::WindowMaximized);
    return;
  }
  move(Settings.Left(), Settings.Top());
  resize(Settings.Width(), Settings.Height());
  setWindowState(Qt::WindowNoState);
}

void TOVKForm::StoreWindowSettings() {
  Settings.SetMaximized(isMaximized());
  Settings.SetBounds(x(), y(), width(), height());
  Settings.SetExtractFolder(ExtractForm->FolderText());
  Settings.SetSubfoldersOff(!AddForm->IncludeSubfolders());
  Settings.SetSourceFolder(FolderPart(AddForm->SourceText()));
  Registry.WriteBinary("Settings", Settings.Data(), WindowSettings::kSize);
}

void TOVKForm::LoadArchive(const std::string& name, bool asNew) {
  if (name.empty()) return;
  ArchiveName = name;
  UpdateTitle();
  Icons.reset();
  Images.Clear();
  TotalOriginalSize = 0;
  BusyCursor busy;
  FileList->setUpdatesEnabled(false);
  FileList->clear();
  std::vector<std::string> problems;
  if (!asNew) {
    ListResult listed = ListArchive(ListRequest{ArchiveName}, SilentObserver());
    for (const ListedEntry& entry : listed.entries) AddListingRow(entry);
    problems = std::move(listed.problems);
  }
  FileList->SortNow();
  FileList->setUpdatesEnabled(true);
  busy.Restore();
  UpdateStatus(false);
  // The complete entries are listed all the same; the next add rebuilds the directory.
  if (!asNew && DirectoryLostByAdd(ArchiveName))
    ShowMessage(QMessageBox::Warning, QStringLiteral("Warning"),
                FromUtf8(ArchiveName +
                         ": the archive's directory is missing (an add was interrupted); adding a file "
                         "rebuilds it, as does `ovk repair " + ArchiveName + "`"),
                {});
  else if (!problems.empty())
    ShowMessage(QMessageBox::Warning, QStringLiteral("Warning"),
                QStringLiteral("This archive is damaged; these entries cannot be read:"), problems);
}

void TOVKForm::AddListingRow(const ListedEntry& entry) {
  TotalOriginalSize += entry.originalSize;
  QLocale locale;
  auto* row = new TListRow(entry.name);
  QString name = FromUtf8(NamePart(entry.name));
  row->setText(kNameColumn, entry.encrypted ? QStringLiteral("*") + name : name);
  row->setText(kPathColumn, FromUtf8(FolderPart(entry.name)));
  row->setText(kOriginalColumn, locale.toString(static_cast<qulonglong>(entry.originalSize)));
  row->setText(kPackedColumn, locale.toString(static_cast<qulonglong>(entry.packedSize)));
  row->setTextAlignment(kPackedColumn, Qt::AlignRight | Qt::AlignVCenter);
  row->setText(kTimeColumn, FormatEntryTime(entry.time));
  int icon = GetFileIcon(Icons, Images, FromUtf8(ExtensionPart(entry.name)),
                         kNormalFileAttributes);
  row->setIcon(kNameColumn, Images.Icon(icon));
  FileList->addTopLevelItem(row);
}

void TOVKForm::UpdateTitle() {
  QString caption = BaseTitle + QStringLiteral(" - ") + FromUtf8(NamePart(ArchiveName));
  QGuiApplication::setApplicationDisplayName(caption);
  setWindowTitle(QGuiApplication::applicationDisplayName());
}

QString TOVKForm::FormatEntryTime(std::uint32_t time) {
  DosFields f{};
  if (time == 0 || !DecodeDosTime(time, f)) return QString();
  auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
  return QStringLiteral("%1-%2-%3 %4%5%6")
      .arg(f.year, 4, 10, QLatin1Char('0'))
      .arg(two(f.month), two(f.day), two(f.hour), QString(TimeSeparator(QLocale())), two(f.minute));
}

std::vector<QTreeWidgetItem*> TOVKForm::SelectedRows() const {
  std::vector<QTreeWidgetItem*> rows;
  for (int i = 0; i < FileList->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = FileList->topLevelItem(i);
    if (row->isSelected()) rows.push_back(row);
  }
  return rows;
}

void TOVKForm::UpdateStatus(bool countSelection) {
  long long count = 0;
  long double sum = 0;
  if (countSelection) {
    for (QTreeWidgetItem* row : SelectedRows()) {
      ++count;
      sum += RowOriginalSize(row);
    }
  }
  StatusPanel0->setText(QStringLiteral("Selected %1 file(s), %2 kB").arg(count).arg(KiloBytesText(sum)));
  StatusPanel1->setText(QStringLiteral("Total %1 file(s), %2 kB")
                            .arg(FileList->topLevelItemCount())
                            .arg(KiloBytesText(TotalOriginalSize)));
  UpdateCommands();
}

void TOVKForm::UpdateCommands() {
  DeleteButton->setEnabled(!SelectedRows().empty());
  AddButton->setEnabled(!ArchiveName.empty());
  ExtractButton->setEnabled(AddButton->isEnabled());
  DeleteItem->setEnabled(DeleteButton->isEnabled());
  ViewItem->setEnabled(DeleteButton->isEnabled());
  AddItem->setEnabled(AddButton->isEnabled());
  ExtractItem->setEnabled(AddButton->isEnabled());
}

std::int64_t TOVKForm::RowOriginalSize(const QTreeWidgetItem* row) const {
  QString text = row->text(kOriginalColumn);
  text.remove(QLocale().groupSeparator());
  return text.toLongLong();
}

std::string TOVKForm::EntryFullName(const QTreeWidgetItem* row) const {
  return static_cast<const TListRow*>(row)->StoredName();
}

void TOVKForm::AddItems(const std::string& sources, bool recurse) {
  if (ArchiveName.empty()) return;
  AddRequest request;
  request.archive = ArchiveName;
  request.sources = SplitList(sources, ';');
  request.recurse = recurse;
  request.password = AddForm->Password();
  OperationReport report;
  {
    BusyCursor busy;
    report = AddToArchive(request, SilentObserver());
  }
  LoadArchive(ArchiveName, false);
  if (!report.failures.empty())
    ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), QStringLiteral("These files were not added:"),
                report.Lines());
}

void TOVKForm::ExtractEntries(const std::string& folder, const std::string& password,
                              bool selectedOnly) {
  BusyCursor busy;
  try {
    std::string selection;
    if (selectedOnly)
      for (QTreeWidgetItem* row : SelectedRows()) selection += EntryFullName(row) + ";";
    ExtractRequest request;
    request.archive = ArchiveName;
    request.destination = folder;
    request.selection = selection;
    request.password = password;
    const OperationReport report = ExtractFromArchive(request, SilentObserver());
    busy.Restore();
    ShowExtractReport(report);
  } catch (const std::exception& e) {
    ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), QString::fromUtf8(e.what()), {});
  }
}

void TOVKForm::ShowMessage(QMessageBox::Icon icon, const QString& caption, const QString& text,
                           const std::vector<std::string>& details) {
  QMessageBox box(icon, caption, text, QMessageBox::Ok, this);
  box.setWindowModality(Qt::ApplicationModal);
  if (!details.empty()) box.setInformativeText(FromUtf8(FirstLines(details, kListedFailures)));
  box.exec();
}

void TOVKForm::ShowExtractReport(const OperationReport& report) {
  switch (report.ExitStatus()) {
    case kExitOk:
      return;
    case kExitNoPassword:
      ShowMessage(QMessageBox::Warning, QStringLiteral("Warning"),
                  QStringLiteral("File protected by password. Specify password in the extract dialog."), {});
      return;
    case kExitCheckFailed:
      ShowMessage(QMessageBox::Critical, QStringLiteral("Error"),
                  QStringLiteral("File extract checksum error. File probably corrupt or password incorrect."),
                  report.Lines());
      return;
    default:
      ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), QStringLiteral("These entries were not written:"),
                  report.Lines());
  }
}

void TOVKForm::NewItemClick() {
  if (SaveDialog->exec() != QDialog::Accepted || SaveDialog->selectedFiles().isEmpty()) return;
  LoadArchive(ToUtf8(SaveDialog->selectedFiles().first()), true);
}

void TOVKForm::OpenItemClick() {
  if (FileDialog->exec() != QDialog::Accepted || FileDialog->selectedFiles().isEmpty()) return;
  LoadArchive(ToUtf8(FileDialog->selectedFiles().first()), false);
}

void TOVKForm::ExitItemClick() { close(); }

void TOVKForm::AddItemClick() {
  bool confirmed = AddForm->exec() == QDialog::Accepted;
  ExtractForm->SetPassword(AddForm->Password());
  if (confirmed) AddItems(AddForm->SourceText(), AddForm->IncludeSubfolders());
}

void TOVKForm::ExtractItemClick() {
  bool confirmed = ExtractForm->exec() == QDialog::Accepted;
  AddForm->SetPassword(ExtractForm->Password());
  if (confirmed)
    ExtractEntries(ExtractForm->FolderText(), ExtractForm->Password(), ExtractForm->SelectedOnly());
}

void TOVKForm::DeleteItemClick() {
  std::vector<QTreeWidgetItem*> rows = SelectedRows();
  if (rows.empty()) return;
  QMessageBox question(QMessageBox::Question, QStringLiteral("Question"),
                       QStringLiteral("Are you sure to delete the selected file(s)?"),
                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
  question.setWindowModality(Qt::ApplicationModal);
  if (question.exec() != QMessageBox::Yes) return;
  std::string selection;
  for (QTreeWidgetItem* row : rows) selection += ";" + EntryFullName(row);
  OperationReport report;
  {
    BusyCursor busy;
    report = DeleteFromArchive(DeleteRequest{ArchiveName, selection}, SilentObserver());
  }
  if (report.failures.empty()) {
    LoadArchive(ArchiveName, false);
    return;
  }
  ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), QStringLiteral("Nothing was deleted:"), report.Lines());
}

void TOVKForm::FileListMouseDown(const QPoint& globalPos) { ActionsItem->exec(globalPos); }

void TOVKForm::TimerTimer() {
  Timer->stop();
  if (SelectionChanged) QCoreApplication::postEvent(this, new QEvent(kSelChangedEvent));
  SelectionChanged = false;
  Timer->start();
}

void TOVKForm::WMSelChanged() { UpdateStatus(true); }

void TOVKForm::WMDropFiles(const QStringList& paths) {
  std::string list;
  for (const QString& path : paths) list += ToUtf8(path) + ";";
  BusyCursor busy;
  try {
    if (!list.empty()) AddItems(list, true);
  } catch (const std::exception&) {
    // Dropped items that cannot be added are skipped silently.
  }
}

bool TOVKForm::event(QEvent* event) {
  if (event->type() == kSelChangedEvent) {
    WMSelChanged();
    return true;
  }
  return QMainWindow::event(event);
}

bool TOVKForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FileList && event->type() == QEvent::KeyPress &&
      FileListKeyDown(static_cast<QKeyEvent*>(event)))
    return true;
  return QMainWindow::eventFilter(watched, event);
}

bool TOVKForm::FileListKeyDown(QKeyEvent* event) {
  // With or without modifier keys.
  if (event->key() != Qt::Key_Delete) return false;
  DeleteItemClick();
  return true;
}

void TOVKForm::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TOVKForm::FormClose() { StoreWindowSettings(); }

void TOVKForm::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TOVKForm::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  event->acceptProposedAction();
  WMDropFiles(paths);
}

}  // namespace ovk
