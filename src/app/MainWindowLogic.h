#pragma once
// The main window's behaviour: the action button by page, page changes, selecting and
// clearing the item boxes, the password boxes, the menu commands and the quit procedure.
// The window itself only shows state and forwards clicks here.

#include <functional>
#include <string>

#include "app/BackupInspection.h"
#include "app/BackupPageView.h"
#include "app/BackupRun.h"
#include "app/LogListView.h"
#include "app/RestorePageView.h"
#include "app/RestoreRun.h"
#include "core/Discovery.h"
#include "core/SettingsFile.h"
#include "core/SharedServices.h"
#include "core/TimeText.h"
#include "platform/Prompter.h"

namespace quill::app {
using core::Discovery;
using core::DiscoveryResult;
using core::LocalNow;
using core::ProcessValues;
using core::SettingsFile;
using core::SharedServices;

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
};

class MainWindowLogic {
 public:
  MainWindowLogic(MainWindowView& window, app::BackupPageView& backupPage,
                  app::RestorePageView& restorePage, LogListView& log, SharedServices& services,
                  platform::Prompter& prompter, app::BackupRun& backupRun,
                  app::BackupInspection& inspection, app::RestoreRun& restoreRun,
                  std::string descriptorPath, MainWindowCommands commands = {});

  void cmdApply_Click();
  void SSTab1_Click();
  void backup_Click() { backupRun_.RunBackup(); }
  // The menu's restore asks no question.
  void restore_Click() { restoreRun_.Run(inspection_.source()); }
  void cmdSourceFile_Click() { inspection_.cmdSourceFile_Click(); }
  void cmdTargetFile_Click() { backupRun_.cmdTargetFile_Click(); }
  void TaskScheduler_Click();
  void settings_Click();
  void backuptocd_Click();
  void help1_Click() { services_.OpenHelp(); }
  void about_Click() { window_.ShowAbout(); }
  void SelectAllItems(Page page);
  void DeselectAllItems(Page page);
  void ifprotect_Click(bool checked) { window_.SetPasswordBoxes(checked); }
  // Closes the archives, removes the working descriptor and closes every window.
  void quit_Click();

 private:
  MainWindowView& window_;
  app::BackupPageView& backupPage_;
  app::RestorePageView& restorePage_;
  LogListView& log_;
  SharedServices& services_;
  platform::Prompter& prompter_;
  app::BackupRun& backupRun_;
  app::BackupInspection& inspection_;
  app::RestoreRun& restoreRun_;
  std::string descriptorPath_;
  MainWindowCommands commands_;
};

}  // namespace quill::app
