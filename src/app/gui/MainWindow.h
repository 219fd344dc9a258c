#pragma once
// frmMain: the program's window. It shows the state the backup, restore and window logic
// give it and hands every click to that logic; it holds no behaviour of its own.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <array>
#include <functional>
#include <string>
#include <thread>

#include "app/BackupPageView.h"
#include "app/LogListView.h"
#include "app/MainWindowLogic.h"
#include "app/RestorePageView.h"
#include "core/ItemCatalogue.h"

namespace quill::app {

// Forwards a page's progress to the window's one set of progress controls.
class ForwardedProgress : public virtual ProgressView {
 public:
  explicit ForwardedProgress(ProgressView& target) : target_(target) {}
  void SetStatus(const std::string& text) override { target_.SetStatus(text); }
  void SetWriteStatus(const std::string& text) override { target_.SetWriteStatus(text); }
  void SetFileStatus(const std::string& text) override { target_.SetFileStatus(text); }
  void SetProgress(int value) override { target_.SetProgress(value); }
  int Progress() override { return target_.Progress(); }
  void ShowProgressPanel(bool shown) override { target_.ShowProgressPanel(shown); }
  void SetBusy(bool busy) override { target_.SetBusy(busy); }

 private:
  ProgressView& target_;
};

// The eleven item boxes of one page.
class ItemBoxes {
 public:
  std::array<QCheckBox*, core::kItemCount> boxes{};
  void SetEnabled(std::size_t index, bool enabled) { boxes[index]->setEnabled(enabled); }
  bool Enabled(std::size_t index) const { return boxes[index]->isEnabled(); }
  void SetChecked(std::size_t index, bool checked) { boxes[index]->setChecked(checked); }
  bool Checked(std::size_t index) const { return boxes[index]->isChecked(); }
};

class MainWindow;

class BackupPageWidgets : public app::BackupPageView, public ForwardedProgress {
 public:
  explicit BackupPageWidgets(MainWindow& window);
  void SetItemEnabled(std::size_t index, bool enabled) override;
  bool ItemEnabled(std::size_t index) override;
  void SetItemChecked(std::size_t index, bool checked) override;
  bool ItemChecked(std::size_t index) override;
  void SetTargetFileText(const std::string& text) override;
  std::string TargetFileText() override;
  std::string SourceUser() override;
  bool ProtectChecked() override;
  std::string Password() override;
  std::string Password2() override;
  std::string AttachInfo() override;

 private:
  MainWindow& window_;
};

class RestorePageWidgets : public app::RestorePageView, public ForwardedProgress {
 public:
  explicit RestorePageWidgets(MainWindow& window);
  void SetItemEnabled(std::size_t index, bool enabled) override;
  bool ItemEnabled(std::size_t index) override;
  void SetItemChecked(std::size_t index, bool checked) override;
  bool ItemChecked(std::size_t index) override;
  void SetSourceFileText(const std::string& text) override;
  void SetFileInfoText(const std::string& text) override;
  void SetBackupInfoText(const std::string& text) override;
  std::string TargetUser() override;

 private:
  MainWindow& window_;
};

class MainWindow : public QMainWindow,
                   public MainWindowView,
                   public virtual ProgressView,
                   public LogListView {
 public:
  MainWindow();

  ~MainWindow() override;
  // Connects the controls to the logic that answers them.
  void Attach(MainWindowLogic& logic);
  // True while a backup or restore runs on its own thread.
  bool Running() const { return running_; }
  BackupPageWidgets& backupView() { return backupView_; }
  RestorePageWidgets& restoreView() { return restoreView_; }

  // MainWindowView
  Page CurrentPage() override;
  void SetActionCaption(const std::string& caption) override;
  void SetAboutProductText(const std::string& text) override;
  void SetPasswordBoxes(bool enabled) override;
  void ShowAbout() override;
  void CloseAll() override;

  // ProgressView
  void SetStatus(const std::string& text) override;
  void SetWriteStatus(const std::string& text) override;
  void SetFileStatus(const std::string& text) override;
  void SetProgress(int value) override;
  int Progress() override;
  void ShowProgressPanel(bool shown) override;
  void SetBusy(bool busy) override;

  // LogListView
  void Clear() override;
  void AddEntry(const std::string& line) override;
  void SelectLast() override;

  // The logged-on user, shown in both user boxes.
  void SetUser(const std::string& user);
  void SetApplyEnabled(bool enabled);

  // The controls, by the names the program gives them, for tests and screenshots.
  QTabWidget* SSTab1 = nullptr;
  ItemBoxes backupitem;
  ItemBoxes restoreitem;
  QGroupBox* Frame1 = nullptr;
  QGroupBox* Frame4 = nullptr;
  QComboBox* cbSource = nullptr;
  QComboBox* cbTarget = nullptr;
  QLineEdit* txtTargetFile = nullptr;
  QPushButton* cmdTargetFile = nullptr;
  QPlainTextEdit* txtAttachInfo = nullptr;
  QCheckBox* ifprotect = nullptr;
  QLineEdit* txtPassword = nullptr;
  QLineEdit* txtPassword2 = nullptr;
  QLineEdit* txtSourceFile = nullptr;
  QPushButton* cmdSourceFile = nullptr;
  QPlainTextEdit* txtPOBinfo = nullptr;
  QPlainTextEdit* txtFileInfo = nullptr;
  QListWidget* List1 = nullptr;
  QLabel* aboutProduct = nullptr;
  QPushButton* cmdAbout = nullptr;
  QPushButton* cmdApply = nullptr;
  QPushButton* cmdQuit = nullptr;
  QWidget* picCon3 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* SkinLabel11 = nullptr;
  QLabel* SkinLabel12 = nullptr;
  QProgressBar* pbshow = nullptr;
  QPushButton* cmdCancel = nullptr;
  QMenu* selectitem = nullptr;
  QMenu* selectitem2 = nullptr;
  QAction* backupAction = nullptr;
  QAction* restoreAction = nullptr;
  QAction* undoRestoreAction = nullptr;
  QAction* rescueAction = nullptr;
  QAction* quitAction = nullptr;
  QAction* taskSchedulerAction = nullptr;
  QAction* settingsAction = nullptr;
  QAction* backupToCdAction = nullptr;
  QAction* helpAction = nullptr;
  QAction* aboutAction = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* BuildBackupPage();
  QWidget* BuildRestorePage();
  QWidget* BuildLogPage();
  QWidget* BuildAboutPage();
  QWidget* BuildProgressPanel();
  void BuildMenus();
  // Runs a backup or restore on a thread of its own; the window stays locked until it ends,
  // but for Cancel and Quit.
  void RunOffThread(std::function<void()> work);
  void Lock(bool locked);
  // Quit and the close button: while a run works they cancel it, and the program quits once
  // it has ended.
  void QuitOrCancel();

  MainWindowLogic* logic_ = nullptr;
  BackupPageWidgets backupView_;
  RestorePageWidgets restoreView_;
  bool closing_ = false;
  bool busy_ = false;
  bool running_ = false;
  bool quitAfterRun_ = false;
  bool applyEnabled_ = true;  // false when there is no mail client to work on
  std::thread worker_;
};

}  // namespace quill::app
