#include "ui/MainForm.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
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
#include <algorithm>

#include <malloc.h>
#include <cerrno>
#include <cstdlib>

#include "engine/AddToArchive.h"
#include "engine/Archive.h"
#include "engine/DeleteFromArchive.h"
#include "engine/EntryPath.h"
#include "engine/ExtractFromArchive.h"
#include "engine/ListArchive.h"
#include "engine/RepairArchive.h"
#include "engine/format/Registry.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"
#include "ui/AddFormUnit.h"
#include "ui/CommandLine.h"
#include "ui/ExtListView.h"
#include "ui/ExtractFormUnit.h"
#include "ui/PasswordPrompt.h"
#include "ui/ProgressForm.h"
#include "ui/UiHelpers.h"

namespace ovk {

const char* const kArchiveFilter =
    "ZIP files (*.zip)|*.zip|OVK files (*.ovk)|*.ovk|RQF files (*.rqf)|*.rqf|All files (*.*)|*.*";

namespace {

constexpr int kTimerPeriodMs = 1000;

// The format that marks a drag out of a window's own list.
const QString kOwnDragFormat = QStringLiteral("application/x-ovkview-drag-source");

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
  ProgressForm = new TProgressForm(this);
  Timer = new QTimer(this);
  Timer->setInterval(kTimerPeriodMs);
  connect(Timer, &QTimer::timeout, this, &TOVKForm::TimerTimer);
  OpenFile = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
  FormCreate();
  Timer->start();
  ExtractForm = new TExtractForm(Settings, [this] { return !SelectedRows().empty(); }, this);
  AddForm = new TAddForm(Settings, this);
  Options = ReadArchiveOptions(Registry);
}

TOVKForm::~TOVKForm() { RemovePrivateFolder(); }

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
  TestItem = MakeAction(ActionsItem, QStringLiteral("Test"), QKeySequence());
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
  connect(SettingsItem, &QAction::triggered, this, &TOVKForm::SettingsItemClick);
  connect(ViewItem, &QAction::triggered, this, &TOVKForm::ViewItemClick);
  connect(TestItem, &QAction::triggered, this, &TOVKForm::TestEntries);
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
  connect(FileList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { SelectionChanged = true; });
  connect(FileList, &TExtListViewManagement::RightButtonPressed, this, &TOVKForm::FileListMouseDown);
  connect(FileList, &QAbstractItemView::doubleClicked, this, &TOVKForm::ViewItemClick);
  FileList->DragData = [this] { return DragOutData(); };
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
  // Tar and 7z are made too, by the suffix of the name given.
  filters.insert(filters.size() - 1,
                 QStringLiteral("Tar archives (*.tar *.tar.gz *.tgz *.tar.bz2 *.tbz2 *.tar.xz *.txz *.tar.zst *.tzst)"));
  filters.insert(filters.size() - 1, QStringLiteral("7z archives (*.7z)"));
  // Archives of the other formats are opened to be read, never made.
  QStringList openFilters = filters;
  openFilters.insert(openFilters.size() - 1,
                     QStringLiteral("Other archives (*.tar *.tgz *.tar.* *.7z *.7z.001 *.rar *.iso *.cpio *.deb "
                                    "*.rpm *.a *.cab *.lzh *.lha *.xar *.warc *.gz *.bz2 *.xz *.lzma *.zst *.lz4 *.lz)"));
  FileDialog->setNameFilters(openFilters);
  FileDialog->selectNameFilter(openFilters.first());
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
  // Listed from the event loop, so that the window shows before the listing.
  QMetaObject::invokeMethod(this, [this] { LoadArchive(params_[1], false); }, Qt::QueuedConnection);
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
  WriteArchiveOptions(Registry, Options);
}

void TOVKForm::LoadArchive(const std::string& name, bool asNew) {
  if (name.empty() || Job) return;
  ArchiveName = name;
  UpdateTitle();
  TotalOriginalSize = 0;
  FileList->Model()->Clear();
  UpdateStatus(false);
  if (asNew) return;
  ListResult listed;
  const ListRequest request{name};
  EntryModel* model = FileList->Model();
  // A Cancel pressed while the list still filled counts even when the
  // reading had just ended.
  bool cancelPressed = false;
  // Rows show as the engine reads them, in archive order until sorted at the end.
  const auto fill = [this, model, &cancelPressed](ArchiveJob& job) {
    connect(&job, &ArchiveJob::EntriesListed, this, [model, &job] {
      const std::vector<Entry> batch = job.TakeListed();
      model->AppendEntries(batch.data(), batch.size());
    });
    connect(&job, &ArchiveJob::Done, this, [&cancelPressed, &job] { cancelPressed = job.Cancelling(); });
  };
  const bool listedAll = RunJob(QStringLiteral("Opening ") + FromUtf8(NamePart(name)),
                                [&listed, request](OperationObserver& observer) { listed = ListArchive(request, observer); },
                                fill);
  // A cancelled or failed listing shows nothing rather than part of the archive.
  if (!listedAll || listed.cancelled || cancelPressed || !listed.refusal.empty() || listed.openError) {
    model->Clear();
    if (listedAll && !listed.refusal.empty())
      ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), FromUtf8(name + ": " + listed.refusal), {});
    // A name not there yet is an archive the next add makes.
    if (listedAll && listed.openError && listed.openError.code != ENOENT)
      ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), FromUtf8(listed.openError.Text()), {});
    return;
  }
  for (const Entry& entry : listed.entries) TotalOriginalSize += entry.originalSize;
  // The result is the whole truth; what arrived on the way is kept when it is all of it.
  if (static_cast<std::size_t>(model->rowCount()) != listed.entries.size()) model->SetEntries(std::move(listed.entries));
  // Not held through the sort, which needs room of its own: what the job's
  // thread freed goes back to the system, not only to its own heap.
  std::vector<Entry>().swap(listed.entries);
  malloc_trim(0);
  FileList->SortNow();
  UpdateStatus(false);
  // The complete entries are listed all the same; the next add rebuilds the directory.
  if (DirectoryLostByAdd(ArchiveName))
    ShowMessage(QMessageBox::Warning, QStringLiteral("Warning"),
                FromUtf8(ArchiveName + ": " + kDirectoryLostText + "; adding a file rebuilds it, as does `ovk repair " +
                         ArchiveName + "`"),
                {});
  else if (!listed.problems.empty())
    ShowMessage(QMessageBox::Warning, QStringLiteral("Warning"),
                QStringLiteral("This archive is damaged; these entries cannot be read:"), listed.problems);
}

bool TOVKForm::RunJob(const QString& caption, ArchiveJob::Work work,
                      const std::function<void(ArchiveJob&)>& prepare) {
  if (Job) return false;
  Job = std::make_unique<ArchiveJob>(std::move(work));
  if (prepare) prepare(*Job);
  UpdateCommands();
  ProgressForm->Follow(Job.get(), caption);
  Job->Start();
  Job->Wait();
  const std::string error = Job->Error();
  Job.reset();
  UpdateCommands();
  if (closing_) return false;
  if (error.empty()) return true;
  ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), FromUtf8(error), {});
  return false;
}

std::string TOVKForm::PrivateFolder() {
  if (!privateFolder_.empty()) return privateFolder_;
  std::string pattern = ToUtf8(QDir::tempPath()) + "/ovkview-XXXXXX";
  // mkdtemp gives mode 0700: the entries may be private.
  if (mkdtemp(pattern.data())) return privateFolder_ = pattern;
  ShowMessage(QMessageBox::Critical, QStringLiteral("Error"),
              FromUtf8("Cannot make a temporary folder: " + IoReasonText(errno)), {});
  return {};
}

void TOVKForm::RemovePrivateFolder() {
  if (privateFolder_.empty()) return;
  QDir(FromUtf8(privateFolder_)).removeRecursively();
  privateFolder_.clear();
}

QStringList TOVKForm::ExtractForOpening(const std::vector<int>& rows) {
  if (rows.empty()) return {};
  const std::string folder = PrivateFolder();
  if (folder.empty()) return {};
  ExtractRequest request = ExtractionOf(rows, ExtractForm->Password());
  request.destination = folder;
  OperationReport report;
  if (!RunExtraction(QStringLiteral("Extracting"), request, report)) return {};
  ShowExtractReport(report);
  if (report.cancelled || !report.failures.empty()) return {};
  QStringList paths;
  for (int row : rows) {
    const EntryPath path = EntryPathOf(EntryFullName(row));
    if (path.kind == EntryPathKind::kFile) paths << FromUtf8(folder + "/" + PlatformPath(path.relative));
  }
  return paths;
}

bool TOVKForm::StopJobToClose() {
  QMessageBox question(QMessageBox::Question, QStringLiteral("Question"),
                       QStringLiteral("An operation on the archive is still running. Stop it and close the window?"),
                       QMessageBox::Yes | QMessageBox::No, this);
  question.setWindowModality(Qt::ApplicationModal);
  // The job may have ended while the question was open.
  if (question.exec() != QMessageBox::Yes) return false;
  closing_ = true;
  Job->Cancel();
  Job->Wait();
  return true;
}

void TOVKForm::UpdateTitle() {
  QString caption = BaseTitle + QStringLiteral(" - ") + FromUtf8(NamePart(ArchiveName));
  QGuiApplication::setApplicationDisplayName(caption);
  setWindowTitle(QGuiApplication::applicationDisplayName());
}

std::vector<int> TOVKForm::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : FileList->selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TOVKForm::UpdateStatus(bool countSelection) {
  long long count = 0;
  long double sum = 0;
  if (countSelection) {
    for (int row : SelectedRows()) {
      ++count;
      sum += FileList->Model()->At(row).originalSize;
    }
  }
  StatusPanel0->setText(QStringLiteral("Selected %1 file(s), %2 kB").arg(count).arg(KiloBytesText(sum)));
  StatusPanel1->setText(QStringLiteral("Total %1 file(s), %2 kB")
                            .arg(FileList->Model()->rowCount())
                            .arg(KiloBytesText(TotalOriginalSize)));
  UpdateCommands();
}

void TOVKForm::UpdateCommands() {
  // A second job would replace the archive or the list under the first.
  const bool idle = !Job;
  NewItem->setEnabled(idle);
  OpenItem->setEnabled(idle);
  DeleteButton->setEnabled(idle && FileList->selectionModel()->hasSelection());
  AddButton->setEnabled(idle && !ArchiveName.empty());
  ExtractButton->setEnabled(AddButton->isEnabled());
  DeleteItem->setEnabled(DeleteButton->isEnabled());
  ViewItem->setEnabled(DeleteButton->isEnabled());
  AddItem->setEnabled(AddButton->isEnabled());
  ExtractItem->setEnabled(AddButton->isEnabled());
  TestItem->setEnabled(AddButton->isEnabled());
}

std::string TOVKForm::EntryFullName(int row) const { return FileList->Model()->At(row).name; }

std::vector<std::string> TOVKForm::SelectionOf(const std::vector<int>& rows) const {
  std::vector<std::string> names;
  for (int row : rows) names.push_back(ConvertPathSeparators(EntryFullName(row), true));
  return names;
}

void TOVKForm::AddItems(const std::string& sources, bool recurse) {
  if (ArchiveName.empty()) return;
  AddRequest request;
  request.archive = ArchiveName;
  request.sources = SplitList(sources, ';');
  request.recurse = recurse;
  request.password = AddForm->Password();
  // An archive that cannot hold AES entries enciphers its own way whatever the choice says.
  request.aes = Options.aes && !ArchiveCannot(ArchiveName, Capability::kAes);
  request.level = Options.level;
  OperationReport report;
  if (!RunJob(QStringLiteral("Adding"),
              [&report, request](OperationObserver& observer) { report = AddToArchive(request, observer); }))
    return;
  if (TellCancelled(report, QStringLiteral("Adding"))) return;
  LoadArchive(ArchiveName, false);
  if (!report.failures.empty())
    ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), QStringLiteral("These files were not added:"),
                report.Lines());
}

void TOVKForm::ExtractEntries(const std::string& folder, const std::string& password,
                              bool selectedOnly) {
  ExtractRequest request = ExtractionOf(selectedOnly ? SelectedRows() : std::vector<int>(), password);
  request.destination = folder;
  OperationReport report;
  if (RunExtraction(QStringLiteral("Extracting"), request, report)) ShowExtractReport(report);
}

void TOVKForm::TestEntries() {
  ExtractRequest request = ExtractionOf(SelectedRows(), ExtractForm->Password());
  request.testOnly = true;
  OperationReport report;
  if (RunExtraction(QStringLiteral("Testing"), request, report)) ShowTestReport(report);
}

ExtractRequest TOVKForm::ExtractionOf(const std::vector<int>& rows, const std::string& password) const {
  ExtractRequest request;
  request.archive = ArchiveName;
  request.selection = SelectionOf(rows);
  request.password = password;
  request.restorePermissions = Options.restorePermissions;
  return request;
}

bool TOVKForm::RunExtraction(const QString& caption, ExtractRequest& request, OperationReport& report) {
  do {
    if (!RunJob(caption, [&report, request](OperationObserver& observer) {
          report = ExtractFromArchive(request, observer);
        }))
      return false;
  } while (!report.cancelled && report.ExitStatus() == kExitNoPassword && AskExtractPassword(request.password));
  return true;
}

bool TOVKForm::AskExtractPassword(std::string& password) {
  if (!AskPassword(this, FromUtf8(NamePart(ArchiveName)), password)) return false;
  // As a password typed in either dialog is offered by the other.
  ExtractForm->SetPassword(password);
  AddForm->SetPassword(password);
  return true;
}

void TOVKForm::ShowMessage(QMessageBox::Icon icon, const QString& caption, const QString& text,
                           const std::vector<std::string>& details) {
  QMessageBox box(icon, caption, text, QMessageBox::Ok, this);
  box.setWindowModality(Qt::ApplicationModal);
  if (!details.empty()) box.setInformativeText(FromUtf8(FirstLines(details, kListedFailures)));
  box.exec();
}

bool TOVKForm::TellCancelled(const OperationReport& report, const QString& work) {
  if (!report.cancelled) return false;
  ShowMessage(QMessageBox::Information, QStringLiteral("Information"),
              work + QStringLiteral(" cancelled; the archive is unchanged."), {});
  return true;
}

void TOVKForm::ShowExtractReport(const OperationReport& report) {
  if (report.cancelled)
    ShowMessage(QMessageBox::Information, QStringLiteral("Information"),
                QStringLiteral("Extraction cancelled; %1 file(s) were written whole.").arg(report.entriesDone),
                report.Lines());
  else
    ShowExtractFailures(report);
}

void TOVKForm::ShowTestReport(const OperationReport& report) {
  if (report.cancelled)
    ShowMessage(QMessageBox::Information, QStringLiteral("Information"), QStringLiteral("Testing cancelled."), {});
  else if (report.ExitStatus() == kExitOk)
    ShowMessage(QMessageBox::Information, QStringLiteral("Information"),
                QStringLiteral("%1 entries verified, no errors.").arg(report.entriesDone), {});
  else
    ShowExtractFailures(report);
}

void TOVKForm::ShowExtractFailures(const OperationReport& report) {
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
  // The choice may have been changed and cancelled since, or changed in Settings.
  AddForm->SetUseAes(Options.aes);
  bool confirmed = AddForm->exec() == QDialog::Accepted;
  ExtractForm->SetPassword(AddForm->Password());
  if (!confirmed) return;
  Options.aes = AddForm->UseAes();
  AddItems(AddForm->SourceText(), AddForm->IncludeSubfolders());
}

void TOVKForm::ExtractItemClick() {
  bool confirmed = ExtractForm->exec() == QDialog::Accepted;
  AddForm->SetPassword(ExtractForm->Password());
  if (confirmed)
    ExtractEntries(ExtractForm->FolderText(), ExtractForm->Password(), ExtractForm->SelectedOnly());
}

void TOVKForm::SettingsItemClick() {
  TSettingsForm dialog(Options, this);
  if (dialog.exec() != QDialog::Accepted) return;
  Options = dialog.Chosen();
  // Kept at once, so that a window opened meanwhile starts from them.
  WriteArchiveOptions(Registry, Options);
}

void TOVKForm::ViewItemClick() {
  for (const QString& path : ExtractForOpening(SelectedRows())) OpenFile(path);
}

std::unique_ptr<QMimeData> TOVKForm::DragOutData() {
  const QStringList paths = ExtractForOpening(SelectedRows());
  if (paths.isEmpty()) return nullptr;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  auto data = std::make_unique<QMimeData>();
  data->setUrls(urls);
  data->setData(kOwnDragFormat, OwnDragMark());
  return data;
}

QByteArray TOVKForm::OwnDragMark() const {
  return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
         QByteArray::number(reinterpret_cast<quintptr>(this));
}

bool TOVKForm::TakesDrop(const QMimeData* data) const {
  return !Job && data->hasUrls() && data->data(kOwnDragFormat) != OwnDragMark();
}

void TOVKForm::DeleteItemClick() {
  std::vector<int> rows = SelectedRows();
  if (Job || rows.empty()) return;
  QMessageBox question(QMessageBox::Question, QStringLiteral("Question"),
                       QStringLiteral("Are you sure to delete the selected file(s)?"),
                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
  question.setWindowModality(Qt::ApplicationModal);
  if (question.exec() != QMessageBox::Yes) return;
  const DeleteRequest request{ArchiveName, SelectionOf(rows)};
  OperationReport report;
  if (!RunJob(QStringLiteral("Deleting"),
              [&report, request](OperationObserver& observer) { report = DeleteFromArchive(request, observer); }))
    return;
  if (TellCancelled(report, QStringLiteral("Deleting"))) return;
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
  if (!list.empty()) AddItems(list, true);
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
  switch (event->key()) {
    case Qt::Key_Delete:
      DeleteItemClick();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      ViewItemClick();
      return true;
    default:
      return false;
  }
}

void TOVKForm::closeEvent(QCloseEvent* event) {
  // A second close while the job is stopping would ask again, nested.
  if (Job && (Job->Cancelling() || !StopJobToClose())) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TOVKForm::FormClose() {
  StoreWindowSettings();
  RemovePrivateFolder();
}

void TOVKForm::dragEnterEvent(QDragEnterEvent* event) {
  if (TakesDrop(event->mimeData())) event->acceptProposedAction();
}

void TOVKForm::dropEvent(QDropEvent* event) {
  if (!TakesDrop(event->mimeData())) {
    event->ignore();
    return;
  }
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  event->acceptProposedAction();
  WMDropFiles(paths);
}

}  // namespace ovk
