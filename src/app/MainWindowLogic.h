#pragma once
// The main window's behaviour: the action button by page, page changes, selecting and
// clearing the item boxes, the password boxes, the menu commands and quitting. The window
// itself only shows state and forwards clicks here.

#include <functional>
#include <string>

#include "app/BackupPage.h"
#include "app/BackupPageView.h"
#include "app/LogListView.h"
#include "app/RestorePage.h"
#include "app/RestorePageView.h"
#include "core/SharedServices.h"
#include "platform/Prompter.h"

namespace quill::app {

// The window caption, also shown on the about page.
inline constexpr const char* kMainCaption = "Orlo Windows Live Mail Backup V3.00";

enum class Page { Backup = 0, Restore = 1, Logs = 2, About = 3 };

// What the main window shows beyond its two pages.
class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  virtual Page CurrentPage() = 0;                                 // SSTab1
  virtual void SetActionCaption(const std::string& caption) = 0;  // cmdApply
  virtual void SetAboutProductText(const std::string& text) = 0;
  // txtPassword and txtPassword2: enabled (window background) or not (grey), emptied.
  virtual void SetPasswordBoxes(bool enabled) = 0;
  virtual void ShowAbout() = 0;  // frmabout, modal
  // Closes every window of the program.
  virtual void CloseAll() = 0;
};

// What the window's menu commands reach beyond this logic.
struct MainWindowCommands {
  std::function<void()> taskScheduler;  // Frmoption
  std::function<void()> settings;       // Frmsettings
  std::function<void()> backupToDisc;   // frmMaindvdwrite
  std::function<void()> rescue;         // "Rescue from another disk..."; empty where unavailable
};

class MainWindowLogic {
 public:
  MainWindowLogic(MainWindowView& window, BackupPageView& backupView, RestorePageView& restoreView,
                  LogListView& log, core::SharedServices& services, platform::Prompter& prompter,
                  BackupPage& backupPage, RestorePage& restorePage,
                  MainWindowCommands commands = {});

  // The action button: back up, restore (after its question), open the log, open the help.
  void RunPageAction();
  // The Cancel button while a backup or restore runs (from any thread).
  void CancelRun();
  // A page was chosen: the action button's caption, and the log or the about text filled in.
  void PageChanged();
  // The menu's backup and restore; the menu's restore asks no question.
  void BackupNow() { backupPage_.Run(); }
  void RestoreNow() { restorePage_.Run(); }
  void UndoLastRestore() { restorePage_.UndoLastRestore(); }
  void ChooseRestoreFile() { restorePage_.ChooseSource(); }
  void ChooseBackupFile() { backupPage_.ChooseTarget(); }
  void OpenTaskScheduler();
  void OpenSettings();
  void OpenDiscWindow();
  // "Rescue from another disk...", where this build can read another Windows's registry.
  bool CanRescue() const { return static_cast<bool>(commands_.rescue); }
  void RescueFromAnotherDisk() {
    if (commands_.rescue) commands_.rescue();
  }
  // Opens the help, or says why it cannot.
  void OpenHelp();
  // Opens the log in the text editor, or says why it cannot.
  void OpenLog();
  void ShowAbout() { window_.ShowAbout(); }
  void SelectAllItems(Page page);
  void DeselectAllItems(Page page);
  void ProtectToggled(bool checked) { window_.SetPasswordBoxes(checked); }
  // Lets go of the inspected backup file and closes every window.
  void Quit();

 private:
  MainWindowView& window_;
  BackupPageView& backupView_;
  RestorePageView& restoreView_;
  LogListView& log_;
  core::SharedServices& services_;
  platform::Prompter& prompter_;
  BackupPage& backupPage_;
  RestorePage& restorePage_;
  MainWindowCommands commands_;
};

}  // namespace quill::app
