#pragma once
// The program with its window: everything the main window works with, put together the
// way start-up loads frmMain.

#include <memory>

#include "app/BackupInspection.h"
#include "app/BackupRun.h"
#include "app/MainWindowLogic.h"
#include "app/RestoreRun.h"
#include "app/gui/MainWindow.h"
#include "app/gui/QtPrompter.h"
#include "archive/ZipComponent.h"
#include "backup/BackupEngine.h"
#include "core/Discovery.h"
#include "core/SettingsFile.h"
#include "core/SharedServices.h"
#include "core/TimeText.h"
#include "disc/DiscWindowLogic.h"
#include "platform/Platform.h"
#include "registry/RegistryKeys.h"
#include "registry/RegistryText.h"
#include "restore/ItemRestores.h"

namespace quill::app {
using core::Discovery;
using core::DiscoveryResult;
using core::LocalNow;
using core::ProcessValues;
using core::SettingsFile;
using core::SharedServices;

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
  registry::RegistryKeys reg_;
  SharedServices services_;
  SettingsFile settings_;
  DiscoveryResult found_;
  disc::DiscHandOver discHandOver_;
  archive::ZipComponent zip1_;
  archive::ZipComponent zip2_;
  std::unique_ptr<backup::BackupEngine> engine_;
  std::unique_ptr<app::BackupRun> backupRun_;
  std::unique_ptr<registry::RegistryText> text_;
  std::unique_ptr<app::BackupInspection> inspection_;
  std::unique_ptr<restore::ItemRestores> items_;
  std::unique_ptr<app::RestoreRun> restoreRun_;
  std::unique_ptr<MainWindowLogic> logic_;
};

}  // namespace quill::app
