#include "disc/gui/DiscWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenuBar>
#include <QMimeData>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include "core/gui/QtText.h"

namespace quill::disc {
using gui::Text;
using gui::Utf8;

namespace {

constexpr int kKeyRole = Qt::UserRole;

QIcon IconFor(const std::string& key) {
  QStyle* style = QApplication::style();
  if (key == "CD") return style->standardIcon(QStyle::SP_DriveCDIcon);
  if (key == "OPENFOLDER") return style->standardIcon(QStyle::SP_DirOpenIcon);
  if (key == "FILE") return style->standardIcon(QStyle::SP_FileIcon);
  return style->standardIcon(QStyle::SP_DirClosedIcon);
}

std::string KeyOf(const QTreeWidgetItem* item) {
  return item == nullptr ? std::string() : Utf8(item->data(0, kKeyRole).toString());
}

struct CheckBoxSpec {
  DiscCheck box;
  const char* name;
  const char* caption;
  bool checked;
  const char* tip;
};

constexpr CheckBoxSpec kChecks[] = {
    {DiscCheck::AutoVerify, "chkAutoVerify", "Auto-Verify Data", false, ""},
    {DiscCheck::UseMode2XA, "chkUseMode2XA", "Mode2XA (CD Only)", false,
     "Please see help file for details on Mode2XA"},
    {DiscCheck::CacheImage, "chkCacheImage", "Cache Image", false,
     "Not needed for DVD formats...Use for CDR/W only."},
    {DiscCheck::TestWrite, "chkTestWrite", "Test Write", false, "Not valid for DVD formats."},
    {DiscCheck::FinalizeDisc, "chkFinalizeDisc", "Finalize Disc", false,
     "Not valid for DVD+RW and DVD-RAM formats."},
    {DiscCheck::UseBufferProtect, "chkUseBufferProtect", "Use Buffer Protection", false,
     "Eliminates buffer underrun problems."},
    {DiscCheck::DiscAtOnce, "chkDiscAtOnce", "Disc-At-Once", false,
     "Eliminates buffer underrun problems."},
    {DiscCheck::UseFileDates, "chkUseFileDates", "Use File Dates", true, ""},
};

constexpr std::pair<FileMenuEntry, const char*> kFileEntries[] = {
    {FileMenuEntry::ClearAll, "Clear All Items"},
    {FileMenuEntry::Separator1, ""},
    {FileMenuEntry::RemoveFolder, "Remove Folder"},
    {FileMenuEntry::RenameFolder, "Rename Folder"},
    {FileMenuEntry::RemoveFile, "Remove File"},
    {FileMenuEntry::RenameFile, "Rename File"},
    {FileMenuEntry::Separator4, ""},
    {FileMenuEntry::Exit, "Exit"},
};

}  // namespace

DiscWindow::DiscWindow(DiscEngine& engine, QWidget* parent) : QDialog(parent), engine_(engine) {
  setObjectName("frmMaindvdwrite");
  setWindowTitle(kDiscWindowCaption);
  setModal(true);
  BuildControls();
  BuildMenus();
  resize(760, 560);
}

DiscWindow::~DiscWindow() {
  poll_.stop();
  if (busyCursor_) QApplication::restoreOverrideCursor();
}

void DiscWindow::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  lblImageFileTitle = new QLabel("Drag and Drop Files or Folders", this);
  tvwFolders = new QTreeWidget(this);
  tvwFolders->setObjectName("tvwFolders");
  tvwFolders->setHeaderHidden(true);
  lvwImageFiles = new QTreeWidget(this);
  lvwImageFiles->setObjectName("lvwImageFiles");
  lvwImageFiles->setRootIsDecorated(false);
  lvwImageFiles->setHeaderLabels({"File Name", "Size", "Date"});
  for (QTreeWidget* view : {tvwFolders, lvwImageFiles}) {
    view->setAcceptDrops(true);
    view->viewport()->setAcceptDrops(true);
    view->viewport()->installEventFilter(this);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  }
  auto* split = new QSplitter(this);
  split->addWidget(tvwFolders);
  split->addWidget(lvwImageFiles);
  split->setStretchFactor(1, 2);

  auto* grid = new QGridLayout;
  txtVolIdentifier = new QLineEdit("New Disc", this);
  txtVolIdentifier->setObjectName("txtVolIdentifier");
  txtVolIdentifier->setMaxLength(32);
  cboVolumeType = new QComboBox(this);
  cboVolumeType->setObjectName("cboVolumeType");
  lblVolumeTypeNote = new QLabel(this);
  lblVolumeTypeNote->setWordWrap(true);
  cboDevices = new QComboBox(this);
  cboDevices->setObjectName("cboDevices");
  cboWriteSpeed = new QComboBox(this);
  cboWriteSpeed->setObjectName("cboWriteSpeed");
  grid->addWidget(new QLabel("Volume ID:", this), 0, 0);
  grid->addWidget(txtVolIdentifier, 0, 1);
  grid->addWidget(new QLabel("Volume Type:", this), 0, 2);
  grid->addWidget(cboVolumeType, 0, 3);
  grid->addWidget(lblVolumeTypeNote, 1, 0, 1, 4);
  grid->addWidget(new QLabel("Device:", this), 2, 0);
  grid->addWidget(cboDevices, 2, 1);
  grid->addWidget(new QLabel("Write Speed:", this), 2, 2);
  grid->addWidget(cboWriteSpeed, 2, 3);

  auto* boxes = new QGridLayout;
  int index = 0;
  for (const auto& check : kChecks) {
    auto* box = new QCheckBox(check.caption, this);
    box->setObjectName(check.name);
    box->setChecked(check.checked);
    if (*check.tip != '\0') box->setToolTip(check.tip);
    checks[check.box] = box;
    boxes->addWidget(box, index / 4, index % 4);
    ++index;
  }

  cmdWriteDisc = new QPushButton("&Write Disc", this);
  cmdWriteDisc->setObjectName("cmdWriteDisc");
  cmdCancel = new QPushButton("&Cancel", this);
  cmdCancel->setObjectName("cmdCancel");
  prgTotalProgress = new QProgressBar(this);
  prgTotalProgress->setObjectName("prgTotalProgress");
  prgTotalProgress->setRange(0, 100);
  prgTotalProgress->setValue(0);
  auto* actions = new QHBoxLayout;
  actions->addWidget(prgTotalProgress, 1);
  actions->addWidget(cmdWriteDisc);
  actions->addWidget(cmdCancel);

  sbrStatus = new QStatusBar(this);
  sbrStatus->setObjectName("sbrStatus");
  sbrStatus->setSizeGripEnabled(false);
  for (std::size_t panel = 0; panel < panels.size(); ++panel) {
    panels[panel] = new QLabel(this);
    sbrStatus->addWidget(panels[panel], panel == 0 ? 2 : 1);
  }

  layout->addWidget(lblImageFileTitle);
  layout->addWidget(split, 1);
  layout->addLayout(grid);
  layout->addLayout(boxes);
  layout->addLayout(actions);
  layout->addWidget(sbrStatus);
}

void DiscWindow::BuildMenus() {
  auto* bar = new QMenuBar(this);
  mnuFile = bar->addMenu("&File");
  mnuFile->setObjectName("mnuFile");
  for (const auto& [entry, caption] : kFileEntries) {
    QAction* action = (*caption == '\0') ? mnuFile->addSeparator() : mnuFile->addAction(caption);
    fileActions[entry] = action;
  }
  mnuDevice = bar->addMenu("&Device");
  mnuDevice->setObjectName("mnuDevice");
  mnuDeviceEject = mnuDevice->addAction("Eject");
  mnuDeviceCloseTray = mnuDevice->addAction("Close Tray");
  mnuDeviceEraseDisc = mnuDevice->addAction("Erase Disc...");
  layout()->setMenuBar(bar);
}

void DiscWindow::Connect() {
  ImageViewLogic& image = logic_->image();
  connect(fileActions[FileMenuEntry::ClearAll], &QAction::triggered, this,
          [&image] { image.ClearImage(); });
  connect(fileActions[FileMenuEntry::RemoveFolder], &QAction::triggered, this,
          [&image] { image.RemoveFolder(); });
  connect(fileActions[FileMenuEntry::RenameFolder], &QAction::triggered, this,
          [&image] { image.StartFolderRename(); });
  connect(fileActions[FileMenuEntry::RemoveFile], &QAction::triggered, this,
          [&image] { image.RemoveFile(); });
  connect(fileActions[FileMenuEntry::RenameFile], &QAction::triggered, this,
          [&image] { image.StartFileRename(); });
  connect(fileActions[FileMenuEntry::Exit], &QAction::triggered, this, [this] { logic_->Exit(); });
  connect(mnuDeviceEject, &QAction::triggered, this, [this] { logic_->EjectMedium(); });
  connect(mnuDeviceCloseTray, &QAction::triggered, this, [this] { logic_->CloseTray(); });
  connect(mnuDeviceEraseDisc, &QAction::triggered, this, [this] { logic_->OpenEraseDialog(); });

  connect(tvwFolders, &QTreeWidget::itemClicked, this,
          [&image](QTreeWidgetItem* item) { image.TreeNodeClicked(KeyOf(item)); });
  connect(tvwFolders, &QTreeWidget::currentItemChanged, this, [this] { ShowSelectedIcons(); });
  connect(tvwFolders, &QWidget::customContextMenuRequested, this,
          [&image] { image.TreeRightClicked(); });
  connect(lvwImageFiles, &QWidget::customContextMenuRequested, this,
          [&image] { image.ListRightClicked(); });
  connect(tvwFolders, &QTreeWidget::itemChanged, this, [this, &image](QTreeWidgetItem* item) {
    if (editingNode_.empty() || KeyOf(item) != editingNode_) return;
    const std::string key = editingNode_;
    editingNode_.clear();
    image.FinishFolderRename(key, Utf8(item->text(0)));
  });
  connect(lvwImageFiles, &QTreeWidget::itemChanged, this, [this, &image](QTreeWidgetItem* item) {
    if (editingRow_.empty() || KeyOf(item) != editingRow_) return;
    const std::string key = editingRow_;
    editingRow_.clear();
    image.FinishFileRename(key, Utf8(item->text(0)));
  });
  connect(txtVolIdentifier, &QLineEdit::textChanged, this,
          [&image] { image.VolumeIdentifierChanged(); });
  connect(cboVolumeType, &QComboBox::activated, this, [&image] { image.VolumeTypeChosen(); });
  connect(cboDevices, &QComboBox::activated, this, [this] { logic_->DriveSelected(); });
  connect(checks[DiscCheck::UseFileDates], &QCheckBox::clicked, this,
          [this] { logic_->UseFileDatesClicked(); });
  connect(cmdWriteDisc, &QPushButton::clicked, this, [this] { logic_->WriteDisc(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { logic_->CancelWrite(); });
  connect(&poll_, &QTimer::timeout, this, [this] { engine_.Poll(); });
}

bool DiscWindow::Attach(DiscWindowLogic& logic) {
  logic_ = &logic;
  Connect();
  poll_.start(100);
  return logic.Start();
}

QTreeWidgetItem* DiscWindow::TreeItem(const std::string& key) const {
  const auto found = nodes_.find(key);
  return found == nodes_.end() ? nullptr : found->second;
}

void DiscWindow::ShowSelectedIcons() {
  for (const auto& [key, item] : nodes_) {
    if (key == "\\") continue;
    item->setIcon(0, IconFor(item == tvwFolders->currentItem() ? "OPENFOLDER" : "CLOSEDFOLDER"));
  }
}

void DiscWindow::ClearTree() {
  const QSignalBlocker block(tvwFolders);
  tvwFolders->clear();
  nodes_.clear();
}

void DiscWindow::AddTreeNode(const std::string& parentKey, const std::string& key,
                             const std::string& text, const std::string& icon) {
  const QSignalBlocker block(tvwFolders);
  if (TreeItem(key) != nullptr) return;
  QTreeWidgetItem* parent = TreeItem(parentKey);
  auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tvwFolders);
  item->setText(0, Text(text));
  item->setData(0, kKeyRole, Text(key));
  item->setIcon(0, IconFor(icon));
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  nodes_[key] = item;
}

void DiscWindow::RemoveTreeNode(const std::string& key) {
  QTreeWidgetItem* item = TreeItem(key);
  if (item == nullptr) return;
  const QSignalBlocker block(tvwFolders);
  for (auto it = nodes_.begin(); it != nodes_.end();)
    it = (it->first == key || it->first.rfind(key + "\\", 0) == 0) ? nodes_.erase(it) : ++it;
  delete item;
}

void DiscWindow::RekeyTreeNode(const std::string& oldKey, const std::string& newKey) {
  const QSignalBlocker block(tvwFolders);
  std::map<std::string, QTreeWidgetItem*> moved;
  for (auto it = nodes_.begin(); it != nodes_.end();) {
    if (it->first == oldKey || it->first.rfind(oldKey + "\\", 0) == 0) {
      const std::string key = newKey + it->first.substr(oldKey.size());
      it->second->setData(0, kKeyRole, Text(key));
      moved[key] = it->second;
      it = nodes_.erase(it);
    } else {
      ++it;
    }
  }
  nodes_.insert(moved.begin(), moved.end());
}

void DiscWindow::SetTreeNodeText(const std::string& key, const std::string& text) {
  const QSignalBlocker block(tvwFolders);
  if (QTreeWidgetItem* item = TreeItem(key)) item->setText(0, Text(text));
}

bool DiscWindow::HasTreeNode(const std::string& key) const {
  return TreeItem(key) != nullptr;
}

void DiscWindow::ExpandTreeNode(const std::string& key) {
  if (QTreeWidgetItem* item = TreeItem(key)) item->setExpanded(true);
}

std::optional<std::string> DiscWindow::SelectedTreeKey() const {
  const QTreeWidgetItem* item = tvwFolders->currentItem();
  if (item == nullptr || !item->isSelected()) return std::nullopt;
  return KeyOf(item);
}

void DiscWindow::EditTreeNode(const std::string& key) {
  QTreeWidgetItem* item = TreeItem(key);
  if (item == nullptr || !logic_->image().MayRenameFolder(key)) return;
  editingNode_ = key;
  tvwFolders->editItem(item, 0);
}

void DiscWindow::ClearList() {
  const QSignalBlocker block(lvwImageFiles);
  lvwImageFiles->clear();
}

void DiscWindow::AddListRow(const std::string& key, const std::string& name,
                            const std::string& size, const std::string& date) {
  const QSignalBlocker block(lvwImageFiles);
  auto* item = new QTreeWidgetItem(lvwImageFiles, {Text(name), Text(size), Text(date)});
  item->setData(0, kKeyRole, Text(key));
  item->setIcon(0, IconFor("FILE"));
  item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  item->setFlags(item->flags() | Qt::ItemIsEditable);
}

std::optional<std::string> DiscWindow::SelectedListKey() const {
  const QTreeWidgetItem* item = lvwImageFiles->currentItem();
  if (item == nullptr || !item->isSelected()) return std::nullopt;
  return KeyOf(item);
}

void DiscWindow::EditListRow(const std::string& key) {
  for (int row = 0; row < lvwImageFiles->topLevelItemCount(); ++row) {
    QTreeWidgetItem* item = lvwImageFiles->topLevelItem(row);
    if (KeyOf(item) != key) continue;
    editingRow_ = key;
    lvwImageFiles->editItem(item, 0);
    return;
  }
}

void DiscWindow::SetStatusPanel(int panel, const std::string& text) {
  if (panel >= 1 && panel <= 3) panels[static_cast<std::size_t>(panel - 1)]->setText(Text(text));
}

void DiscWindow::SetVolumeIdentifier(const std::string& text) {
  txtVolIdentifier->setText(Text(text));
}

std::string DiscWindow::VolumeIdentifier() const {
  return Utf8(txtVolIdentifier->text());
}

void DiscWindow::SetVolumeTypes(const std::vector<std::string>& items, int selected) {
  const QSignalBlocker block(cboVolumeType);
  cboVolumeType->clear();
  for (const auto& item : items) cboVolumeType->addItem(Text(item));
  cboVolumeType->setCurrentIndex(selected);
}

int DiscWindow::SelectedVolumeType() const {
  return cboVolumeType->currentIndex();
}

void DiscWindow::SetVolumeTypeNote(const std::string& text) {
  lblVolumeTypeNote->setText(Text(text));
  lblVolumeTypeNote->setVisible(!text.empty());
}

void DiscWindow::PopupFileMenu(const std::vector<FileMenuEntry>& visible) {
  for (auto& [entry, action] : fileActions)
    action->setVisible(std::find(visible.begin(), visible.end(), entry) != visible.end());
  mnuFile->exec(QCursor::pos());
  for (auto& [entry, action] : fileActions) action->setVisible(true);
}

void DiscWindow::SetBusyCursor(bool busy) {
  if (busy == busyCursor_) return;
  busyCursor_ = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void DiscWindow::Yield() {
  // Repaints and timers only: a click or a key taken here would act in the middle of the
  // change that yields (a drop while a folder is being added; Ctrl+D again while the window
  // starts, opening a second disc window over the first).
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void DiscWindow::SetDevices(const std::vector<ComboEntry>& entries) {
  const QSignalBlocker block(cboDevices);
  cboDevices->clear();
  for (const auto& entry : entries) cboDevices->addItem(Text(entry.text), entry.data);
}

int DiscWindow::SelectedDevice() const {
  return cboDevices->currentIndex() < 0 ? -1 : cboDevices->currentData().toInt();
}

void DiscWindow::SelectDevice(int index) {
  const QSignalBlocker block(cboDevices);
  cboDevices->setCurrentIndex(index);
}

void DiscWindow::SetSpeeds(const std::vector<ComboEntry>& entries) {
  cboWriteSpeed->clear();
  for (const auto& entry : entries) cboWriteSpeed->addItem(Text(entry.text), entry.data);
}

int DiscWindow::SelectedSpeed() const {
  return cboWriteSpeed->currentIndex() < 0 ? 0 : cboWriteSpeed->currentData().toInt();
}

void DiscWindow::SelectSpeed(int index) {
  cboWriteSpeed->setCurrentIndex(index);
}

bool DiscWindow::IsChecked(DiscCheck box) const {
  return checks.at(box)->isChecked();
}

void DiscWindow::SetChecked(DiscCheck box, bool checked) {
  checks.at(box)->setChecked(checked);
}

void DiscWindow::SetEnabled(DiscControl control, bool enabled) {
  switch (control) {
    case DiscControl::FileMenu:
      return mnuFile->menuAction()->setEnabled(enabled);
    case DiscControl::DeviceMenu:
      return mnuDevice->menuAction()->setEnabled(enabled);
    case DiscControl::Devices:
      return cboDevices->setEnabled(enabled);
    case DiscControl::WriteSpeed:
      return cboWriteSpeed->setEnabled(enabled);
    case DiscControl::ImageFiles:
      return lvwImageFiles->setEnabled(enabled);
    case DiscControl::Folders:
      return tvwFolders->setEnabled(enabled);
    case DiscControl::WriteDisc:
      return cmdWriteDisc->setEnabled(enabled);
    case DiscControl::CacheImage:
      return checks[DiscCheck::CacheImage]->setEnabled(enabled);
    case DiscControl::FinalizeDisc:
      return checks[DiscCheck::FinalizeDisc]->setEnabled(enabled);
    case DiscControl::TestWrite:
      return checks[DiscCheck::TestWrite]->setEnabled(enabled);
    case DiscControl::VolumeType:
      return cboVolumeType->setEnabled(enabled);
    case DiscControl::VolumeIdentifier:
      return txtVolIdentifier->setEnabled(enabled);
    case DiscControl::UseMode2XA:
      return checks[DiscCheck::UseMode2XA]->setEnabled(enabled);
    case DiscControl::AutoVerify:
      return checks[DiscCheck::AutoVerify]->setEnabled(enabled);
    case DiscControl::UseFileDates:
      return checks[DiscCheck::UseFileDates]->setEnabled(enabled);
    case DiscControl::DiscAtOnce:
      return checks[DiscCheck::DiscAtOnce]->setEnabled(enabled);
    case DiscControl::UseBufferProtect:
      return checks[DiscCheck::UseBufferProtect]->setEnabled(enabled);
    case DiscControl::Cancel:
      return cmdCancel->setEnabled(enabled);
  }
}

void DiscWindow::SetProgress(int percent) {
  prgTotalProgress->setValue(percent);
}

void DiscWindow::Close() {
  close();
}

void DiscWindow::closeEvent(QCloseEvent* event) {
  if (logic_ != nullptr && !logic_->CanClose()) return event->ignore();
  poll_.stop();
  QDialog::closeEvent(event);
}

void DiscWindow::reject() {
  if (logic_ == nullptr || logic_->CanClose()) QDialog::reject();
}

bool DiscWindow::eventFilter(QObject* watched, QEvent* event) {
  const bool onViews = watched == tvwFolders->viewport() || watched == lvwImageFiles->viewport();
  if (!onViews || logic_ == nullptr) return QDialog::eventFilter(watched, event);
  if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
    auto* drag = static_cast<QDragMoveEvent*>(event);
    // Only a drop that carries a file list is taken.
    if (drag->mimeData()->hasUrls())
      drag->acceptProposedAction();
    else
      drag->ignore();
    return true;
  }
  if (event->type() == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    std::vector<std::string> paths;
    for (const QUrl& url : drop->mimeData()->urls())
      if (url.isLocalFile()) paths.push_back(Utf8(url.toLocalFile()));
    if (paths.empty()) return drop->ignore(), true;
    drop->acceptProposedAction();
    logic_->image().DropFiles(paths);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace quill::disc
