#pragma once
// The program with its window: everything the main window works with, put together the
// way start-up loads frmMain.

#include <memory>

#include "app/Discovery.h"
#include "app/MainWindowLogic.h"
#include "app/SettingsFile.h"
#include "app/SharedServices.h"
#include "app/gui/MainWindow.h"
#include "app/gui/QtPrompter.h"
#include "backup/BackupEngine.h"
#include "backup/BackupRun.h"
#include "backup/ZipComponent.h"
#include "disc/DiscWindowLogic.h"
#include "platform/Platform.h"
#include "registry/ModReg.h"
#include "registry/RegistryText.h"
#include "restore/BackupInspection.h"
#include "restore/ItemRestores.h"
#include "restore/RestoreRun.h"

namespace quill::app {

class WindowedProgram {
 public:
  // prompter: what answers the program's questions (the window's own dialogs when null).
  explicit WindowedProgram(platform::Platform& platform, platform::Prompter* prompter = nullptr);

  MainWindow& window() { return window_; }
  MainWindowLogic& logic() { return *logic_; }
  const DiscoveryResult& found() const { return found_; }

 private:
  // The executable the scheduled task and the start at log-on run.
  std::string Program() const;
  void OpenTaskScheduler();
  void OpenSettings();
  // The disc window, modal; with the backup file handed over when one is.
  void OpenDiscWindow();

  platform::Platform& platform_;
  MainWindow window_;
  QtPrompter qtPrompter_;
  platform::Prompter& prompter_;
  registry::modReg reg_;
  SharedServices services_;
  SettingsFile settings_;
  DiscoveryResult found_;
  disc::DiscHandOver discHandOver_;
  backup::ZipComponent zip1_;
  backup::ZipComponent zip2_;
  std::unique_ptr<backup::BackupEngine> engine_;
  std::unique_ptr<backup::BackupRun> backupRun_;
  std::unique_ptr<registry::RegistryText> text_;
  std::unique_ptr<restore::BackupInspection> inspection_;
  std::unique_ptr<restore::ItemRestores> items_;
  std::unique_ptr<restore::RestoreRun> restoreRun_;
  std::unique_ptr<MainWindowLogic> logic_;
};

}  // namespace quill::app
