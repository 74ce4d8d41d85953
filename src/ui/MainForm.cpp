#include "ui/MainForm.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "support/FileUnit.h"
#include "support/StringUnit.h"
#include "ui/AboutDialog.h"
#include "ui/AddFormUnit.h"
#include "ui/CommandLine.h"
#include "ui/EditWatcher.h"
#include "ui/EntryModel.h"
#include "ui/ExtListView.h"
#include "ui/ExtractFormUnit.h"
#include "ui/PasswordPrompt.h"
#include "ui/ProgressForm.h"
#include "ui/PropertiesDialog.h"
#include "ui/RecentArchives.h"
#include "ui/SettingsForm.h"
#include "ui/UiHelpers.h"

namespace ovk {

const char* const kArchiveFilter = QT_TRANSLATE_NOOP(
    "ovk::TOVKForm", "ZIP files (*.zip)|*.zip|OVK files (*.ovk)|*.ovk|RQF files (*.rqf)|*.rqf|All files (*.*)|*.*");

namespace {

// How long a save of an edited entry waits for a running job before asking again.
constexpr int kWriteBackRetryMs = 200;

// The format that marks a drag out of a window's own list.
const QString kOwnDragFormat = QStringLiteral("application/x-ovkview-drag-source");

QAction* MakeAction(QWidget* owner, QMenu* menu, const QString& caption, const QString& name,
                    const QList<QKeySequence>& shortcuts = {}) {
  auto* action = new QAction(caption, owner);
  action->setObjectName(name);
  action->setShortcuts(shortcuts);
  if (menu) menu->addAction(action);
  else owner->addAction(action);
  return action;
}

QToolButton* MakeToolButton(QToolBar* bar, const QString& caption, QStyle::StandardPixmap picture) {
  auto* button = new QToolButton(bar);
  button->setText(caption);
  button->setAccessibleName(caption);
  // The style derives the disabled image from the normal one.
  button->setIcon(bar->style()->standardIcon(picture));
  button->setIconSize(QSize(24, 24));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(true);
  // As wide as the caption needs in the user's language, never narrower.
  button->setFixedHeight(54);
  button->setMinimumWidth(58);
  bar->addWidget(button);
  return button;
}

QString KiloBytesText(long double bytes) {
  return QLocale().toString(static_cast<qlonglong>(RoundedKiloBytes(bytes)));
}

}  // namespace

TOVKForm::TOVKForm(const std::vector<std::string>& params, QWidget* parent)
    : QMainWindow(parent), params_(params), controller_(new ArchiveController(*this, this)) {
  setWindowTitle(QGuiApplication::applicationDisplayName());
  move(296, 157);
  resize(822, 497);
  setContextMenuPolicy(Qt::NoContextMenu);
  BuildMenus();
  BuildToolBar();
  BuildNavigation();
  BuildList();
  BuildStatusBar();
  BuildFileDialogs();
  progressForm_ = new TProgressForm(this);
  editWatcher_ = new EditWatcher(this);
  connect(editWatcher_, &EditWatcher::Saved, this, &TOVKForm::OfferWriteBack);
  // The window's own writes of a private copy are no saves of the user's.
  connect(controller_, &ArchiveController::PrivateCopiesRewritten, editWatcher_, [this](const QStringList& paths) {
    for (const QString& path : paths) editWatcher_->Forget(path);
  });
  OpenFile = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
  connect(controller_, &ArchiveController::BusyChanged, this, &TOVKForm::UpdateCommands);
  connect(controller_, &ArchiveController::Listed, this, [this] {
    fileList_->SortNow();
    fileList_->Filter()->Relisted();
    UpdateStatus();
  });
  setAcceptDrops(true);
  LoadWindowSettings();
  baseTitle_ = QGuiApplication::applicationDisplayName();
  ProcessCommandLine();
  extractForm_ = new TExtractForm(settings_, [this] { return fileList_->selectionModel()->hasSelection(); }, this);
  addForm_ = new TAddForm(settings_, this);
  controller_->options = ReadArchiveOptions(registry_);
  UpdateLocation();
  UpdateStatus();
}

TOVKForm::~TOVKForm() = default;

void TOVKForm::BuildMenus() {
  QMenu* fileMenu = menuBar()->addMenu(tr("&File"));
  newItem_ = MakeAction(this, fileMenu, tr("&New Archive..."), QStringLiteral("NewItem"), {QKeySequence(Qt::CTRL | Qt::Key_N)});
  openItem_ = MakeAction(this, fileMenu, tr("&Open Archive..."), QStringLiteral("OpenItem"), {QKeySequence(Qt::CTRL | Qt::Key_O)});
  recentMenu_ = fileMenu->addMenu(tr("Open &Recent"));
  recentMenu_->setObjectName(QStringLiteral("RecentMenu"));
  connect(recentMenu_, &QMenu::aboutToShow, this, &TOVKForm::FillRecentMenu);
  propertiesItem_ = MakeAction(this, fileMenu, tr("&Properties..."), QStringLiteral("PropertiesItem"),
                               {QKeySequence(Qt::ALT | Qt::Key_Return)});
  fileMenu->addSeparator();
  QAction* exitItem = MakeAction(this, fileMenu, tr("E&xit"), QStringLiteral("ExitItem"), {QKeySequence(Qt::ALT | Qt::Key_X)});

  actionsMenu_ = menuBar()->addMenu(tr("&Actions"));
  // Ctrl+A selects every row, as in every list; Add keeps its letter with Shift.
  addItem_ = MakeAction(this, actionsMenu_, tr("&Add..."), QStringLiteral("AddItem"),
                        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)});
  deleteItem_ = MakeAction(this, actionsMenu_, tr("&Delete..."), QStringLiteral("DeleteItem"), {QKeySequence(Qt::CTRL | Qt::Key_D)});
  extractItem_ = MakeAction(this, actionsMenu_, tr("E&xtract..."), QStringLiteral("ExtractItem"), {QKeySequence(Qt::CTRL | Qt::Key_E)});
  testItem_ = MakeAction(this, actionsMenu_, tr("&Test"), QStringLiteral("TestItem"));
  extractHereItem_ = MakeAction(this, actionsMenu_, tr("Extract &Here"), QStringLiteral("ExtractHereItem"));
  actionsMenu_->addSeparator();
  renameItem_ = MakeAction(this, actionsMenu_, tr("&Rename..."), QStringLiteral("RenameItem"), {QKeySequence(Qt::Key_F2)});
  newFolderItem_ = MakeAction(this, actionsMenu_, tr("&New Folder..."), QStringLiteral("NewFolderItem"),
                              {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)});
  actionsMenu_->addSeparator();
  viewItem_ = MakeAction(this, actionsMenu_, tr("&View..."), QStringLiteral("ViewItem"));
  selectAllItem_ = MakeAction(this, actionsMenu_, tr("Select A&ll"), QStringLiteral("SelectAllItem"), {QKeySequence::SelectAll});

  QMenu* optionsMenu = menuBar()->addMenu(tr("&Options"));
  QAction* settingsItem = MakeAction(this, optionsMenu, tr("&Settings..."), QStringLiteral("SettingsItem"));

  QMenu* helpMenu = menuBar()->addMenu(tr("&Help"));
  QAction* aboutItem = MakeAction(this, helpMenu, tr("&About..."), QStringLiteral("AboutItem"));

  connect(newItem_, &QAction::triggered, this, &TOVKForm::NewItemClick);
  connect(openItem_, &QAction::triggered, this, &TOVKForm::OpenItemClick);
  connect(exitItem, &QAction::triggered, this, &QWidget::close);
  connect(addItem_, &QAction::triggered, this, &TOVKForm::AddItemClick);
  connect(deleteItem_, &QAction::triggered, this, &TOVKForm::DeleteItemClick);
  connect(extractItem_, &QAction::triggered, this, &TOVKForm::ExtractItemClick);
  connect(extractHereItem_, &QAction::triggered, this, &TOVKForm::ExtractHereItemClick);
  connect(testItem_, &QAction::triggered, this, &TOVKForm::TestItemClick);
  connect(renameItem_, &QAction::triggered, this, &TOVKForm::RenameItemClick);
  connect(newFolderItem_, &QAction::triggered, this, &TOVKForm::NewFolderItemClick);
  connect(propertiesItem_, &QAction::triggered, this, &TOVKForm::PropertiesItemClick);
  connect(aboutItem, &QAction::triggered, this, [this] { AboutDialog(this).exec(); });
  connect(viewItem_, &QAction::triggered, this, &TOVKForm::ViewItemClick);
  connect(settingsItem, &QAction::triggered, this, &TOVKForm::SettingsItemClick);
  connect(selectAllItem_, &QAction::triggered, this, [this] { fileList_->selectAll(); });
}

void TOVKForm::BuildToolBar() {
  QToolBar* bar = addToolBar(tr("Commands"));
  bar->setMovable(false);
  bar->setFloatable(false);
  addButton_ = MakeToolButton(bar, tr("Add"), QStyle::SP_FileDialogNewFolder);
  deleteButton_ = MakeToolButton(bar, tr("Delete"), QStyle::SP_TrashIcon);
  extractButton_ = MakeToolButton(bar, tr("Extract"), QStyle::SP_DialogSaveButton);
  connect(addButton_, &QToolButton::clicked, this, &TOVKForm::AddItemClick);
  connect(deleteButton_, &QToolButton::clicked, this, &TOVKForm::DeleteItemClick);
  connect(extractButton_, &QToolButton::clicked, this, &TOVKForm::ExtractItemClick);
  auto* spacer = new QWidget(bar);
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  bar->addWidget(spacer);
  searchEdit_ = new QLineEdit(bar);
  searchEdit_->setObjectName(QStringLiteral("SearchEdit"));
  searchEdit_->setAccessibleName(tr("Search"));
  searchEdit_->setPlaceholderText(tr("Search (Ctrl+F)"));
  searchEdit_->setClearButtonEnabled(true);
  searchEdit_->setMaximumWidth(240);
  searchEdit_->installEventFilter(this);
  bar->addWidget(searchEdit_);
  QAction* findItem = MakeAction(this, nullptr, tr("Find"), QStringLiteral("FindItem"), {QKeySequence::Find});
  connect(findItem, &QAction::triggered, this, &TOVKForm::FocusSearch);
}

void TOVKForm::BuildNavigation() {
  // One folder's rows at a time keep a large archive's list short, and a
  // search across the folders is one flat filter over the same rows.
  addToolBarBreak();
  QToolBar* bar = addToolBar(tr("Location"));
  bar->setMovable(false);
  bar->setFloatable(false);
  backItem_ = MakeAction(this, nullptr, tr("Back"), QStringLiteral("BackItem"),
                         {QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::Key_Backspace)});
  upItem_ = MakeAction(this, nullptr, tr("Up"), QStringLiteral("UpItem"), {QKeySequence(Qt::ALT | Qt::Key_Up)});
  backItem_->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
  upItem_->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
  bar->addAction(backItem_);
  bar->addAction(upItem_);
  for (QAction* action : {backItem_, upItem_}) bar->widgetForAction(action)->setAccessibleName(action->text());
  locationEdit_ = new QLineEdit(bar);
  locationEdit_->setObjectName(QStringLiteral("LocationEdit"));
  locationEdit_->setAccessibleName(tr("Location"));
  bar->addWidget(locationEdit_);
  connect(locationEdit_, &QLineEdit::returnPressed, this, &TOVKForm::LocationTyped);
}

void TOVKForm::BuildList() {
  fileList_ = new TExtListViewManagement(controller_->Model(), this);
  fileList_->setAccessibleName(tr("Entries"));
  fileList_->setIconSize(QSize(16, 16));
  fileList_->setContextMenuPolicy(Qt::PreventContextMenu);
  fileList_->installEventFilter(this);
  setCentralWidget(fileList_);
  selectionTimer_ = new QTimer(this);
  selectionTimer_->setSingleShot(true);
  selectionTimer_->setInterval(0);
  connect(selectionTimer_, &QTimer::timeout, this, &TOVKForm::UpdateStatus);
  connect(fileList_->selectionModel(), &QItemSelectionModel::selectionChanged, selectionTimer_,
          qOverload<>(&QTimer::start));
  connect(fileList_, &TExtListViewManagement::RightButtonPressed, this,
          [this](const QPoint& at) { actionsMenu_->exec(at); });
  connect(fileList_, &QAbstractItemView::doubleClicked, this, &TOVKForm::Activate);
  connect(fileList_->Filter(), &FolderFilter::FolderChanged, this, &TOVKForm::UpdateLocation);
  connect(backItem_, &QAction::triggered, fileList_->Filter(), &FolderFilter::Back);
  connect(upItem_, &QAction::triggered, fileList_->Filter(), &FolderFilter::Up);
  connect(searchEdit_, &QLineEdit::textChanged, fileList_->Filter(), &FolderFilter::SetSearch);
  connect(searchEdit_, &QLineEdit::textChanged, this, &TOVKForm::UpdateLocation);
  fileList_->DragData = [this] { return DragOutData(); };
}

void TOVKForm::BuildStatusBar() {
  selectionPanel_ = new QLabel(this);
  selectionPanel_->setObjectName(QStringLiteral("SelectionPanel"));
  selectionPanel_->setFixedWidth(400);
  totalPanel_ = new QLabel(this);
  totalPanel_->setObjectName(QStringLiteral("TotalPanel"));
  totalPanel_->setMinimumWidth(50);
  statusBar()->addWidget(selectionPanel_);
  statusBar()->addWidget(totalPanel_, 1);
  statusBar()->setSizeGripEnabled(true);
}

void TOVKForm::BuildFileDialogs() {
  QStringList filters = QtNameFilters(tr(kArchiveFilter));
  fileDialog_ = new QFileDialog(this, tr("Open"));
  fileDialog_->setAcceptMode(QFileDialog::AcceptOpen);
  fileDialog_->setFileMode(QFileDialog::ExistingFile);
  // Tar and 7z are made too, by the suffix of the name given.
  filters.insert(filters.size() - 1,
                 tr("Tar archives (*.tar *.tar.gz *.tgz *.tar.bz2 *.tbz2 *.tar.xz *.txz *.tar.zst *.tzst)"));
  filters.insert(filters.size() - 1, tr("7z archives (*.7z)"));
  // Archives of the other formats are opened to be read, never made.
  QStringList openFilters = filters;
  openFilters.insert(openFilters.size() - 1,
                     tr("Other archives (*.tar *.tgz *.tar.* *.7z *.7z.001 *.rar *.iso *.cpio *.deb "
                        "*.rpm *.a *.cab *.lzh *.lha *.xar *.warc *.gz *.bz2 *.xz *.lzma *.zst *.lz4 *.lz)"));
  fileDialog_->setNameFilters(openFilters);
  fileDialog_->selectNameFilter(openFilters.first());
  saveDialog_ = new QFileDialog(this, tr("Save As"));
  saveDialog_->setAcceptMode(QFileDialog::AcceptSave);
  saveDialog_->setFileMode(QFileDialog::AnyFile);
  saveDialog_->setDefaultSuffix(QStringLiteral("zip"));
  saveDialog_->setOption(QFileDialog::DontConfirmOverwrite, true);
  saveDialog_->setNameFilters(filters);
  saveDialog_->selectNameFilter(filters.first());
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
  settings_.Clear();
  registry_.ReadBinary("Settings", settings_.Data(), WindowSettings::kSize);
  if (settings_.Height() == 0 || settings_.Maximized()) {
    setWindowState(Qt::WindowMaximized);
    return;
  }
  move(settings_.Left(), settings_.Top());
  resize(settings_.Width(), settings_.Height());
  setWindowState(Qt::WindowNoState);
}

void TOVKForm::StoreWindowSettings() {
  settings_.SetMaximized(isMaximized());
  settings_.SetBounds(x(), y(), width(), height());
  settings_.SetExtractFolder(extractForm_->FolderText());
  settings_.SetSubfoldersOff(!addForm_->IncludeSubfolders());
  settings_.SetSourceFolder(addForm_->StartFolder());
  registry_.WriteBinary("Settings", settings_.Data(), WindowSettings::kSize);
  WriteArchiveOptions(registry_, controller_->options);
}

void TOVKForm::LoadArchive(const std::string& name, bool asNew) {
  if (name.empty() || controller_->Busy()) return;
  RememberArchive(registry_, ToUtf8(QFileInfo(FromUtf8(name)).absoluteFilePath()));
  searchEdit_->clear();
  // The copies of the archive shown before are no longer this window's to write back.
  editWatcher_->Clear();
  // The archive's name shows while it is listed.
  controller_->Load(name, asNew);
}

void TOVKForm::FillRecentMenu() {
  recentMenu_->clear();
  for (const std::string& path : ReadRecentArchives(registry_)) {
    QAction* item = recentMenu_->addAction(FromUtf8(path));
    // A missing archive is shown, so the list keeps its places, but cannot be chosen.
    item->setEnabled(FileExistsByName(path) && !controller_->Busy());
    connect(item, &QAction::triggered, this, [this, path] { LoadArchive(path, false); });
  }
  if (recentMenu_->isEmpty()) recentMenu_->addAction(tr("No recent archives"))->setEnabled(false);
}

void TOVKForm::Follow(ArchiveJob& job, const QString& caption) {
  UpdateTitle();
  progressForm_->Follow(&job, caption);
}

void TOVKForm::UpdateTitle() {
  const std::string& name = controller_->ArchiveName();
  if (name.empty()) return;
  QGuiApplication::setApplicationDisplayName(tr("%1 - %2").arg(baseTitle_, FromUtf8(NamePart(name))));
  setWindowTitle(QGuiApplication::applicationDisplayName());
}

std::vector<int> TOVKForm::SelectedRows() const { return fileList_->SelectedRows(); }

void TOVKForm::UpdateStatus() {
  const EntryModel& model = *controller_->Model();
  long long count = 0;
  long double sum = 0;
  for (int row : model.Covered(SelectedRows())) {
    if (model.At(row).IsFolder()) continue;
    ++count;
    sum += model.At(row).originalSize;
  }
  selectionPanel_->setText(tr("Selected %1 file(s), %2 kB").arg(count).arg(KiloBytesText(sum)));
  totalPanel_->setText(tr("Total %1 file(s), %2 kB")
                           .arg(static_cast<qulonglong>(model.FileCount()))
                           .arg(KiloBytesText(model.FilesOriginal())));
  UpdateTitle();
  UpdateCommands();
}

void TOVKForm::UpdateCommands() {
  // A second job would replace the archive or the list under the first.
  const bool idle = !controller_->Busy();
  const bool open = idle && !controller_->ArchiveName().empty();
  const bool selected = idle && fileList_->selectionModel()->hasSelection();
  newItem_->setEnabled(idle);
  openItem_->setEnabled(idle);
  deleteButton_->setEnabled(selected);
  deleteItem_->setEnabled(selected);
  viewItem_->setEnabled(selected);
  // One row: a rename names a single entry or folder.
  renameItem_->setEnabled(selected && controller_->Can(Capability::kRename) &&
                          fileList_->selectionModel()->selectedRows().size() == 1);
  newFolderItem_->setEnabled(open && controller_->Can(Capability::kFolderEntries));
  for (QAction* action : {addItem_, extractItem_, testItem_, propertiesItem_}) action->setEnabled(open);
  // Nothing listed would only leave an empty folder beside the archive.
  extractHereItem_->setEnabled(open && controller_->Model()->rowCount() > 0);
  addButton_->setEnabled(open);
  extractButton_->setEnabled(open);
  backItem_->setEnabled(idle && fileList_->Filter()->CanGoBack());
  upItem_->setEnabled(idle && fileList_->Filter()->CanGoUp());
}

void TOVKForm::UpdateLocation() {
  const FolderFilter& filter = *fileList_->Filter();
  locationEdit_->setText(QStringLiteral("/") + FromUtf8(filter.Folder()));
  // A search shows every folder's matches, so no one folder is the place.
  locationEdit_->setEnabled(filter.Search().isEmpty());
  UpdateCommands();
}

void TOVKForm::LocationTyped() {
  if (!fileList_->Filter()->Open(ToUtf8(locationEdit_->text()))) {
    UpdateLocation();
    locationEdit_->selectAll();
    return;
  }
  fileList_->setFocus();
}

void TOVKForm::FocusSearch() {
  searchEdit_->setFocus(Qt::ShortcutFocusReason);
  searchEdit_->selectAll();
}

void TOVKForm::ShowMessage(QMessageBox::Icon icon, const QString& caption, const QString& text,
                           const std::vector<std::string>& details) {
  QMessageBox box(icon, caption, text, QMessageBox::Ok, this);
  box.setWindowModality(Qt::ApplicationModal);
  if (!details.empty()) box.setInformativeText(FirstLines(details, kListedFailures));
  box.exec();
}

bool TOVKForm::AskPassword(const QString& archiveName, std::string& password) {
  if (!ovk::AskPassword(this, archiveName, password)) return false;
  // As a password typed in either dialog is offered by the other.
  extractForm_->SetPassword(password);
  addForm_->SetPassword(password);
  return true;
}

void TOVKForm::NewItemClick() {
  if (saveDialog_->exec() != QDialog::Accepted || saveDialog_->selectedFiles().isEmpty()) return;
  LoadArchive(ToUtf8(saveDialog_->selectedFiles().first()), true);
}

void TOVKForm::OpenItemClick() {
  if (fileDialog_->exec() != QDialog::Accepted || fileDialog_->selectedFiles().isEmpty()) return;
  LoadArchive(ToUtf8(fileDialog_->selectedFiles().first()), false);
}

void TOVKForm::AddItemClick() {
  if (controller_->Busy() || controller_->ArchiveName().empty()) return;
  // The choice may have been changed and cancelled since, or changed in Settings.
  addForm_->SetUseAes(controller_->options.aes);
  const bool confirmed = addForm_->exec() == QDialog::Accepted;
  extractForm_->SetPassword(addForm_->Password());
  if (!confirmed) return;
  controller_->options.aes = addForm_->UseAes();
  controller_->Add(addForm_->Sources(), fileList_->Filter()->Folder(), addForm_->IncludeSubfolders(),
                   addForm_->Password());
}

void TOVKForm::ExtractItemClick() {
  if (controller_->Busy() || controller_->ArchiveName().empty()) return;
  extractForm_->SetSuggestion(FromUtf8(controller_->SuggestedFolder()));
  const bool confirmed = extractForm_->exec() == QDialog::Accepted;
  addForm_->SetPassword(extractForm_->Password());
  if (!confirmed) return;
  const std::string destination = extractForm_->FolderText();
  if (controller_->Extract(destination, extractForm_->SelectedOnly() ? SelectedRows() : std::vector<int>(),
                           extractForm_->Password(), extractForm_->KeepFolders()) &&
      extractForm_->OpenAfterwards())
    OpenFile(FromUtf8(destination));
}

void TOVKForm::ExtractHereItemClick() {
  const std::string made = controller_->ExtractHere(extractForm_->Password());
  if (made.empty()) return;
  // The Extract dialog's choice holds here too: opened, what went where needs no words.
  if (extractForm_->OpenAfterwards())
    OpenFile(FromUtf8(made));
  else
    ShowMessage(QMessageBox::Information, tr("Information"),
                tr("The archive's content was extracted to %1.").arg(FromUtf8(made)), {});
}

void TOVKForm::TestItemClick() { controller_->Test(SelectedRows(), extractForm_->Password()); }

bool TOVKForm::AskName(const QString& caption, const QString& label, const QString& objectName, QString& name) {
  QInputDialog dialog(this);
  dialog.setObjectName(objectName);
  dialog.setWindowTitle(caption);
  dialog.setLabelText(label);
  dialog.setTextValue(name);
  dialog.setWindowModality(Qt::ApplicationModal);
  if (dialog.exec() != QDialog::Accepted || dialog.textValue().isEmpty()) return false;
  name = dialog.textValue();
  return true;
}

void TOVKForm::RenameItemClick() {
  const std::vector<int> rows = SelectedRows();
  if (controller_->Busy() || rows.size() != 1 || !controller_->Can(Capability::kRename)) return;
  const QString oldName = RowName(controller_->Model()->At(rows.front()));
  QString name = oldName;
  if (!AskName(tr("Rename"), tr("New name of %1:").arg(oldName), QStringLiteral("RenameDialog"), name) ||
      name == oldName)
    return;
  const std::string renamed = controller_->Rename(rows.front(), ToUtf8(name));
  if (!renamed.empty()) SelectStored(renamed);
}

void TOVKForm::NewFolderItemClick() {
  if (controller_->Busy() || controller_->ArchiveName().empty()) return;
  QString name;
  if (!AskName(tr("New Folder"), tr("Name of the new folder:"), QStringLiteral("NewFolderDialog"), name)) return;
  const std::string folder = fileList_->Filter()->Folder();
  if (controller_->NewFolder(folder, ToUtf8(name))) SelectStored((folder.empty() ? "" : folder + "/") + ToUtf8(name));
}

void TOVKForm::SelectStored(const std::string& storedName) {
  const EntryModel& model = *controller_->Model();
  for (int row = 0; row < model.rowCount(); ++row) {
    const ListRow& shown = model.At(row);
    if ((shown.IsFolder() ? FolderKey(shown.name) : shown.name) != storedName) continue;
    const QModelIndex index = fileList_->Filter()->mapFromSource(model.index(row, 0));
    if (!index.isValid()) return;
    fileList_->setCurrentIndex(index);
    fileList_->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    fileList_->scrollTo(index);
    return;
  }
}

void TOVKForm::PropertiesItemClick() {
  ArchiveSummary summary;
  if (!controller_->Summarize(summary)) return;
  PropertiesDialog dialog(FromUtf8(NamePart(controller_->ArchiveName())), summary, this);
  if (dialog.exec() == QDialog::Accepted && dialog.CommentChanged()) controller_->SetComment(dialog.Comment());
}

void TOVKForm::SettingsItemClick() {
  TSettingsForm dialog(controller_->options, this);
  if (dialog.exec() != QDialog::Accepted) return;
  controller_->options = dialog.Chosen();
  // Kept at once, so that a window opened meanwhile starts from them.
  WriteArchiveOptions(registry_, controller_->options);
}

void TOVKForm::ViewItemClick() {
  for (const PrivateCopy& copy : controller_->ExtractForOpening(SelectedRows(), extractForm_->Password())) {
    if (!copy.folder) editWatcher_->Watch(FromUtf8(copy.storedName), copy.path);
    OpenFile(copy.path);
  }
}

void TOVKForm::OfferWriteBack(const QString& entryName, const QString& path) {
  if (controller_->Busy()) {
    // Another archive opened meanwhile has no such entry to update.
    QTimer::singleShot(kWriteBackRetryMs, this, [this, entryName, path, archive = controller_->ArchiveName()] {
      if (controller_->ArchiveName() == archive) OfferWriteBack(entryName, path);
    });
    return;
  }
  QMessageBox question(QMessageBox::Question, tr("Question"),
                       tr("The file %1 was changed. Update the archive?").arg(entryName),
                       QMessageBox::Yes | QMessageBox::No, this);
  question.setWindowModality(Qt::ApplicationModal);
  if (question.exec() == QMessageBox::Yes)
    controller_->WriteBack(ToUtf8(entryName), ToUtf8(path), extractForm_->Password());
}

void TOVKForm::Activate(const QModelIndex& index) {
  if (!index.isValid() || !controller_->Model()->At(fileList_->RowOf(index)).IsFolder()) {
    ViewItemClick();
    return;
  }
  const ListRow& row = controller_->Model()->At(fileList_->RowOf(index));
  // From a search's matches, too: the folder opens in the folder view.
  searchEdit_->clear();
  fileList_->Filter()->Open(FolderKey(row.name));
}

std::unique_ptr<QMimeData> TOVKForm::DragOutData() {
  const std::vector<PrivateCopy> copies = controller_->ExtractForOpening(SelectedRows(), extractForm_->Password());
  if (copies.empty()) return nullptr;
  QList<QUrl> urls;
  for (const PrivateCopy& copy : copies) urls << QUrl::fromLocalFile(copy.path);
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
  return !controller_->Busy() && data->hasUrls() && data->data(kOwnDragFormat) != OwnDragMark();
}

void TOVKForm::DeleteItemClick() {
  const std::vector<int> rows = SelectedRows();
  if (controller_->Busy() || rows.empty()) return;
  QMessageBox question(QMessageBox::Question, tr("Question"), tr("Are you sure to delete the selected file(s)?"),
                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
  question.setWindowModality(Qt::ApplicationModal);
  if (question.exec() == QMessageBox::Yes) controller_->Delete(rows);
}

bool TOVKForm::StopJobToClose() {
  QMessageBox question(QMessageBox::Question, tr("Question"),
                       tr("An operation on the archive is still running. Stop it and close the window?"),
                       QMessageBox::Yes | QMessageBox::No, this);
  question.setWindowModality(Qt::ApplicationModal);
  // The job may have ended while the question was open.
  return question.exec() == QMessageBox::Yes;
}

bool TOVKForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == fileList_ && ListKeyPress(key)) return true;
    if (watched == searchEdit_ && key->key() == Qt::Key_Escape) {
      searchEdit_->clear();
      fileList_->setFocus();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

bool TOVKForm::ListKeyPress(QKeyEvent* event) {
  // With or without modifier keys.
  switch (event->key()) {
    case Qt::Key_Delete:
      DeleteItemClick();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Activate(fileList_->currentIndex());
      return true;
    default:
      return false;
  }
}

void TOVKForm::closeEvent(QCloseEvent* event) {
  // A second close while the job is stopping would ask again, nested.
  ArchiveJob* job = controller_->Job();
  if (job && (job->Cancelling() || !StopJobToClose())) {
    event->ignore();
    return;
  }
  editWatcher_->Clear();
  controller_->Close();
  StoreWindowSettings();
  event->accept();
}

void TOVKForm::dragEnterEvent(QDragEnterEvent* event) {
  if (TakesDrop(event->mimeData())) event->acceptProposedAction();
}

void TOVKForm::dropEvent(QDropEvent* event) {
  if (!TakesDrop(event->mimeData())) {
    event->ignore();
    return;
  }
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths.push_back(ToUtf8(url.toLocalFile()));
  event->acceptProposedAction();
  controller_->Add(paths, fileList_->Filter()->Folder(), true, addForm_->Password());
}

}  // namespace ovk
