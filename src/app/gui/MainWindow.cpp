#include "app/gui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPalette>
#include <QVBoxLayout>

#include "app/gui/GuiThread.h"
#include "archive/Descriptor.h"
#include "core/AppTitle.h"
#include "core/gui/QtText.h"

namespace quill::app {
using gui::Caption;
using gui::Text;
using gui::Utf8;
using gui::WithoutCr;
namespace {}  // namespace

// ---- the pages -----------------------------------------------------------------------

BackupPageWidgets::BackupPageWidgets(MainWindow& window)
    : ForwardedProgress(window), window_(window) {}
void BackupPageWidgets::SetItemEnabled(std::size_t i, bool on) {
  return OnGui([&] { window_.backupitem.SetEnabled(i, on); });
}
bool BackupPageWidgets::ItemEnabled(std::size_t i) {
  return OnGui([&] { return window_.backupitem.Enabled(i); });
}
void BackupPageWidgets::SetItemChecked(std::size_t i, bool on) {
  return OnGui([&] { window_.backupitem.SetChecked(i, on); });
}
bool BackupPageWidgets::ItemChecked(std::size_t i) {
  return OnGui([&] { return window_.backupitem.Checked(i); });
}
void BackupPageWidgets::SetTargetFileText(const std::string& text) {
  return OnGui([&] { window_.txtTargetFile->setText(Text(text)); });
}
std::string BackupPageWidgets::TargetFileText() {
  return OnGui([&] { return Utf8(window_.txtTargetFile->text()); });
}
std::string BackupPageWidgets::SourceUser() {
  return OnGui([&] { return Utf8(window_.cbSource->currentText()); });
}
bool BackupPageWidgets::ProtectChecked() {
  return OnGui([&] { return window_.ifprotect->isChecked(); });
}
std::string BackupPageWidgets::Password() {
  return OnGui([&] { return Utf8(window_.txtPassword->text()); });
}
std::string BackupPageWidgets::Password2() {
  return OnGui([&] { return Utf8(window_.txtPassword2->text()); });
}
std::string BackupPageWidgets::AttachInfo() {
  return OnGui([&] {
    // The description's line breaks are CR LF, as the descriptor keeps them.
    return Utf8(window_.txtAttachInfo->toPlainText().replace("\n", "\r\n"));
  });
}

RestorePageWidgets::RestorePageWidgets(MainWindow& window)
    : ForwardedProgress(window), window_(window) {}
void RestorePageWidgets::SetItemEnabled(std::size_t i, bool on) {
  return OnGui([&] { window_.restoreitem.SetEnabled(i, on); });
}
bool RestorePageWidgets::ItemEnabled(std::size_t i) {
  return OnGui([&] { return window_.restoreitem.Enabled(i); });
}
void RestorePageWidgets::SetItemChecked(std::size_t i, bool on) {
  return OnGui([&] { window_.restoreitem.SetChecked(i, on); });
}
bool RestorePageWidgets::ItemChecked(std::size_t i) {
  return OnGui([&] { return window_.restoreitem.Checked(i); });
}
void RestorePageWidgets::SetSourceFileText(const std::string& text) {
  return OnGui([&] { window_.txtSourceFile->setText(Text(text)); });
}
void RestorePageWidgets::SetFileInfoText(const std::string& text) {
  return OnGui([&] { window_.txtFileInfo->setPlainText(WithoutCr(text)); });
}
void RestorePageWidgets::SetBackupInfoText(const std::string& text) {
  return OnGui([&] { window_.txtPOBinfo->setPlainText(WithoutCr(text)); });
}
std::string RestorePageWidgets::TargetUser() {
  return OnGui([&] { return Utf8(window_.cbTarget->currentText()); });
}

// ---- the window ----------------------------------------------------------------------

MainWindow::MainWindow() : backupView_(*this), restoreView_(*this) {
  setWindowTitle(kMainCaption);
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  SSTab1 = new QTabWidget(central);
  SSTab1->addTab(BuildBackupPage(), "Backup");
  SSTab1->addTab(BuildRestorePage(), "Restore");
  SSTab1->addTab(BuildLogPage(), "Logs");
  SSTab1->addTab(BuildAboutPage(), "About");
  layout->addWidget(SSTab1);
  layout->addWidget(BuildProgressPanel());
  auto* buttons = new QHBoxLayout;
  cmdAbout = new QPushButton("About", central);
  cmdApply = new QPushButton("Backup Now", central);
  cmdQuit = new QPushButton("Quit", central);
  cmdApply->setDefault(true);
  buttons->addWidget(cmdAbout);
  buttons->addStretch();
  buttons->addWidget(cmdApply);
  buttons->addWidget(cmdQuit);
  layout->addLayout(buttons);
  setCentralWidget(central);
  BuildMenus();
  SetPasswordBoxes(false);
  resize(720, 620);
}

QWidget* MainWindow::BuildBackupPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  Frame1 = new QGroupBox("What", page);
  auto* what = new QGridLayout(Frame1);
  cbSource = new QComboBox(Frame1);
  what->addWidget(new QLabel("User to Backup", Frame1), 0, 0);
  what->addWidget(cbSource, 0, 1);
  what->addWidget(new QLabel("Items to backup", Frame1), 1, 0, 1, 2);
  for (std::size_t i = 0; i < core::kItemCount; ++i) {
    backupitem.boxes[i] = new QCheckBox(Caption(core::kItems[i].caption), Frame1);
    what->addWidget(backupitem.boxes[i], 2 + static_cast<int>(i / 2), static_cast<int>(i % 2));
  }
  Frame1->setContextMenuPolicy(Qt::CustomContextMenu);
  layout->addWidget(Frame1);

  auto* where = new QGroupBox("Where", page);
  auto* form = new QGridLayout(where);
  txtTargetFile = new QLineEdit(where);
  cmdTargetFile = new QPushButton("Browse...", where);
  txtAttachInfo = new QPlainTextEdit(where);
  txtAttachInfo->setMaximumHeight(60);
  form->addWidget(new QLabel("Choose a Backup Filename", where), 0, 0, 1, 2);
  form->addWidget(txtTargetFile, 1, 0);
  form->addWidget(cmdTargetFile, 1, 1);
  form->addWidget(new QLabel("Description", where), 2, 0, 1, 2);
  form->addWidget(txtAttachInfo, 3, 0, 1, 2);
  layout->addWidget(where);

  auto* security = new QGroupBox("Security", page);
  auto* secure = new QFormLayout(security);
  ifprotect = new QCheckBox("Protect backup file with password", security);
  txtPassword = new QLineEdit(security);
  txtPassword2 = new QLineEdit(security);
  txtPassword->setEchoMode(QLineEdit::Password);
  txtPassword2->setEchoMode(QLineEdit::Password);
  secure->addRow(ifprotect);
  secure->addRow("Password:", txtPassword);
  secure->addRow("Retype Password:", txtPassword2);
  layout->addWidget(security);
  return page;
}

QWidget* MainWindow::BuildRestorePage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* where = new QGroupBox("Where", page);
  auto* form = new QGridLayout(where);
  txtSourceFile = new QLineEdit(where);
  txtSourceFile->setReadOnly(true);
  cmdSourceFile = new QPushButton("Browse...", where);
  txtPOBinfo = new QPlainTextEdit(where);
  txtFileInfo = new QPlainTextEdit(where);
  for (QPlainTextEdit* box : {txtPOBinfo, txtFileInfo}) {
    box->setReadOnly(true);
    box->setMaximumHeight(60);
  }
  form->addWidget(new QLabel("Choose a Backup File to Restore From", where), 0, 0, 1, 2);
  form->addWidget(txtSourceFile, 1, 0);
  form->addWidget(cmdSourceFile, 1, 1);
  form->addWidget(txtPOBinfo, 2, 0, 1, 2);
  form->addWidget(new QLabel("Description", where), 3, 0, 1, 2);
  form->addWidget(txtFileInfo, 4, 0, 1, 2);
  layout->addWidget(where);

  Frame4 = new QGroupBox("What", page);
  auto* what = new QGridLayout(Frame4);
  cbTarget = new QComboBox(Frame4);
  what->addWidget(new QLabel("Restore to User", Frame4), 0, 0);
  what->addWidget(cbTarget, 0, 1);
  what->addWidget(new QLabel("Items to restore", Frame4), 1, 0, 1, 2);
  for (std::size_t i = 0; i < core::kItemCount; ++i) {
    restoreitem.boxes[i] = new QCheckBox(Caption(core::kItems[i].caption), Frame4);
    restoreitem.boxes[i]->setEnabled(false);
    what->addWidget(restoreitem.boxes[i], 2 + static_cast<int>(i / 2), static_cast<int>(i % 2));
  }
  Frame4->setContextMenuPolicy(Qt::CustomContextMenu);
  layout->addWidget(Frame4);
  return page;
}

QWidget* MainWindow::BuildLogPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  List1 = new QListWidget(page);
  layout->addWidget(List1);
  return page;
}

QWidget* MainWindow::BuildAboutPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  aboutProduct = new QLabel(kMainCaption, page);
  QFont font = aboutProduct->font();
  font.setPointSize(font.pointSize() + 4);
  font.setBold(true);
  aboutProduct->setFont(font);
  layout->addStretch();
  layout->addWidget(aboutProduct, 0, Qt::AlignHCenter);
  layout->addWidget(new QLabel("Thank you for using our product.", page), 0, Qt::AlignHCenter);
  layout->addStretch();
  return page;
}

QWidget* MainWindow::BuildProgressPanel() {
  picCon3 = new QWidget;
  auto* layout = new QVBoxLayout(picCon3);
  Label1 = new QLabel("Please Waiting...", picCon3);
  pbshow = new QProgressBar(picCon3);
  pbshow->setRange(0, 100);
  pbshow->setValue(0);
  cmdCancel = new QPushButton("Cancel", picCon3);
  cmdCancel->setEnabled(false);
  SkinLabel11 = new QLabel(picCon3);
  SkinLabel12 = new QLabel(picCon3);
  auto* bar = new QHBoxLayout;
  bar->addWidget(pbshow, 1);
  bar->addWidget(cmdCancel);
  layout->addWidget(Label1);
  layout->addLayout(bar);
  layout->addWidget(SkinLabel11);
  layout->addWidget(SkinLabel12);
  // Long texts (the paths of the files) neither widen the window nor wrap: the labels take the
  // width there is.
  for (QLabel* label : {Label1, SkinLabel11, SkinLabel12}) {
    label->setTextFormat(Qt::PlainText);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  }
  // The panel's room is kept while it is hidden, so the window is the same size whether a run
  // works or not.
  QSizePolicy keep = picCon3->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  picCon3->setSizePolicy(keep);
  picCon3->hide();
  return picCon3;
}

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu("File");
  backupAction = file->addAction("Backup Now");
  backupAction->setShortcut(QKeySequence("Ctrl+B"));
  restoreAction = file->addAction("Restore Now");
  restoreAction->setShortcut(QKeySequence("Ctrl+R"));
  undoRestoreAction = file->addAction("Undo Last Restore");
  undoRestoreAction->setObjectName("undoRestoreAction");
  file->addSeparator();
  rescueAction = file->addAction("Rescue from another disk...");
  rescueAction->setObjectName("rescueAction");
  file->addSeparator();
  quitAction = file->addAction("Quit");
  quitAction->setShortcut(QKeySequence("Ctrl+Q"));
  QMenu* option = menuBar()->addMenu("Option");
  taskSchedulerAction = option->addAction("Task Scheduler");
  taskSchedulerAction->setShortcut(QKeySequence("Ctrl+T"));
  settingsAction = option->addAction("Settings");
  settingsAction->setShortcut(QKeySequence("Ctrl+S"));
  // The Tools menu is not in the menu bar; its shortcut works all the same.
  backupToCdAction = new QAction("Backup Data to CD/DVD", this);
  backupToCdAction->setShortcut(QKeySequence("Ctrl+D"));
  addAction(backupToCdAction);
  QMenu* help = menuBar()->addMenu("Help");
  helpAction = help->addAction("Help");
  helpAction->setShortcut(QKeySequence(Qt::Key_F1));
  help->addSeparator();
  aboutAction = help->addAction("About");
  aboutAction->setShortcut(QKeySequence("Ctrl+A"));
  selectitem = new QMenu(this);
  selectitem->addAction("Select all items");
  selectitem->addAction("Deselect all items");
  selectitem2 = new QMenu(this);
  selectitem2->addAction("Select all items");
  selectitem2->addAction("Deselect all items");
}

void MainWindow::Attach(MainWindowLogic& logic) {
  logic_ = &logic;
  connect(cmdApply, &QPushButton::clicked, this,
          [this] { RunOffThread([this] { logic_->RunPageAction(); }); });
  connect(cmdQuit, &QPushButton::clicked, this, [this] { QuitOrCancel(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] {
    cmdCancel->setEnabled(false);
    SetStatus("Cancelling...");
    logic_->CancelRun();
  });
  connect(cmdAbout, &QPushButton::clicked, this, [this] { logic_->ShowAbout(); });
  connect(SSTab1, &QTabWidget::currentChanged, this, [this] { logic_->PageChanged(); });
  connect(cmdTargetFile, &QPushButton::clicked, this, [this] { logic_->ChooseBackupFile(); });
  connect(cmdSourceFile, &QPushButton::clicked, this, [this] { logic_->ChooseRestoreFile(); });
  connect(ifprotect, &QCheckBox::toggled, this, [this](bool on) { logic_->ProtectToggled(on); });
  connect(backupAction, &QAction::triggered, this,
          [this] { RunOffThread([this] { logic_->BackupNow(); }); });
  connect(restoreAction, &QAction::triggered, this,
          [this] { RunOffThread([this] { logic_->RestoreNow(); }); });
  // Shown where this build can read another Windows's registry.
  rescueAction->setVisible(logic_->CanRescue());
  connect(rescueAction, &QAction::triggered, this,
          [this] { RunOffThread([this] { logic_->RescueFromAnotherDisk(); }); });
  connect(undoRestoreAction, &QAction::triggered, this,
          [this] { RunOffThread([this] { logic_->UndoLastRestore(); }); });
  connect(quitAction, &QAction::triggered, this, [this] { QuitOrCancel(); });
  connect(taskSchedulerAction, &QAction::triggered, this, [this] { logic_->OpenTaskScheduler(); });
  connect(settingsAction, &QAction::triggered, this, [this] { logic_->OpenSettings(); });
  connect(backupToCdAction, &QAction::triggered, this, [this] { logic_->OpenDiscWindow(); });
  connect(helpAction, &QAction::triggered, this, [this] { logic_->OpenHelp(); });
  connect(aboutAction, &QAction::triggered, this, [this] { logic_->ShowAbout(); });
  const auto popUp = [this](QMenu* menu, QGroupBox* frame, Page page) {
    connect(menu->actions()[0], &QAction::triggered, this,
            [this, page] { logic_->SelectAllItems(page); });
    connect(menu->actions()[1], &QAction::triggered, this,
            [this, page] { logic_->DeselectAllItems(page); });
    // A right click on the frame opens it; other buttons do nothing.
    connect(frame, &QWidget::customContextMenuRequested, this,
            [menu, frame](const QPoint& at) { menu->popup(frame->mapToGlobal(at)); });
  };
  popUp(selectitem, Frame1, Page::Backup);
  popUp(selectitem2, Frame4, Page::Restore);
}

Page MainWindow::CurrentPage() {
  return OnGui([&] { return static_cast<Page>(SSTab1->currentIndex()); });
}
void MainWindow::SetActionCaption(const std::string& caption) {
  return OnGui([&] {
    cmdApply->setText(Text(caption));
    cmdApply->repaint();
  });
}
void MainWindow::SetAboutProductText(const std::string& text) {
  return OnGui([&] { aboutProduct->setText(Text(text)); });
}

void MainWindow::SetPasswordBoxes(bool enabled) {
  return OnGui([&] {
    for (QLineEdit* box : {txtPassword, txtPassword2}) {
      box->clear();
      box->setEnabled(enabled);
      QPalette palette = box->palette();
      palette.setColor(QPalette::Base, enabled ? QApplication::palette().color(QPalette::Base)
                                               : QApplication::palette().color(QPalette::Button));
      box->setPalette(palette);
    }
  });
}

void MainWindow::ShowAbout() {
  return OnGui([&] {
    QMessageBox about(this);
    about.setWindowTitle("About Orlo Windows Live Mail Backup");
    about.setText("Orlo Windows Live Mail Backup v3.00\n\nThank you for using our product.");
    about.addButton("Exit", QMessageBox::AcceptRole);
    about.exec();
    show();
  });
}

void MainWindow::CloseAll() {
  return OnGui([&] {
    closing_ = true;
    for (QWidget* window : QApplication::topLevelWidgets())
      if (window != this) window->close();
    close();
  });
}

void MainWindow::QuitOrCancel() {
  if (!running_) {
    logic_->Quit();
    return;
  }
  quitAfterRun_ = true;
  cmdCancel->setEnabled(false);
  logic_->CancelRun();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (running_ && logic_ != nullptr) {
    event->ignore();
    QuitOrCancel();
    return;
  }
  if (busy_ || running_) {
    event->ignore();
    return;
  }
  // Closing the window is the quit procedure.
  if (!closing_ && logic_ != nullptr) {
    event->ignore();
    logic_->Quit();
    return;
  }
  event->accept();
}

void MainWindow::SetStatus(const std::string& text) {
  return OnGui([&] { Label1->setText(Text(text)); });
}
void MainWindow::SetWriteStatus(const std::string& text) {
  return OnGui([&] { SkinLabel11->setText(Text(text)); });
}
void MainWindow::SetFileStatus(const std::string& text) {
  return OnGui([&] {
    // A long path loses its middle, so that both its start and the file's name show.
    SkinLabel12->setText(
        SkinLabel12->fontMetrics().elidedText(Text(text), Qt::ElideMiddle, SkinLabel12->width()));
  });
}
void MainWindow::SetProgress(int value) {
  return OnGui([&] { pbshow->setValue(value); });
}
int MainWindow::Progress() {
  return OnGui([&] { return pbshow->value(); });
}
void MainWindow::ShowProgressPanel(bool shown) {
  return OnGui([&] { picCon3->setVisible(shown); });
}
void MainWindow::SetBusy(bool busy) {
  return OnGui([&] {
    busy_ = busy;
    if (!running_) Lock(busy);
    if (busy)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QApplication::restoreOverrideCursor();
  });
}

void MainWindow::Lock(bool locked) {
  // While a run works the window repaints but takes no second run and no page change: the
  // controls and menus are off until it is done, but for Cancel and Quit, which cancel it.
  const bool stoppable = locked && running_;
  SSTab1->setEnabled(!locked);
  cmdAbout->setEnabled(!locked);
  cmdApply->setEnabled(!locked && applyEnabled_);
  cmdQuit->setEnabled(!locked || stoppable);
  cmdCancel->setEnabled(stoppable);
  for (QAction* action : actions()) action->setEnabled(!locked);
  for (QAction* action : menuBar()->actions())
    for (QAction* item : action->menu()->actions())
      item->setEnabled(!locked || (stoppable && item == quitAction));
}

void MainWindow::RunOffThread(std::function<void()> work) {
  if (running_) return;
  running_ = true;
  Lock(true);
  worker_ = std::thread([this, work] {
    work();
    // The last thing the run does: hand the window back on its own thread.
    QMetaObject::invokeMethod(
        this,
        [this] {
          worker_.join();
          running_ = false;
          Lock(busy_);
          if (quitAfterRun_) {
            quitAfterRun_ = false;
            logic_->Quit();
          }
        },
        Qt::QueuedConnection);
  });
}

MainWindow::~MainWindow() {
  // A run still working is let finish: it may be waiting for this thread.
  while (running_) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void MainWindow::Clear() {
  return OnGui([&] { List1->clear(); });
}
void MainWindow::AddEntry(const std::string& line) {
  return OnGui([&] { List1->addItem(Text(line)); });
}
void MainWindow::SelectLast() {
  return OnGui([&] {
    if (List1->count() > 0) List1->setCurrentRow(List1->count() - 1);
  });
}

void MainWindow::SetUser(const std::string& user) {
  for (QComboBox* box : {cbSource, cbTarget}) {
    box->clear();
    box->addItem(Text(user));
  }
}

void MainWindow::SetApplyEnabled(bool enabled) {
  applyEnabled_ = enabled;
  cmdApply->setEnabled(enabled && !busy_ && !running_);
}

}  // namespace quill::app
