#pragma once
// The program with its window: everything the main window works with, put together the way
// start-up loads frmMain.

#include <memory>

#include "app/BackupPage.h"
#include "app/MainWindowLogic.h"
#include "app/RestorePage.h"
#ifdef QUILL_HAVE_RESCUE
#include "app/RescueRun.h"
#endif
#include "app/gui/MainWindow.h"
#include "app/gui/QtPrompter.h"
#include "backup/BackupEngine.h"
#include "core/Session.h"
#include "disc/DiscWindowLogic.h"
#include "platform/Platform.h"
#include "restore/RestoreEngine.h"

namespace quill::app {

class WindowedProgram {
 public:
  // prompter: what answers the program's questions (the window's own dialogs when null).
  explicit WindowedProgram(platform::Platform& platform, platform::Prompter* prompter = nullptr,
                           core::Clock clock = core::LocalNow);

  MainWindow& window() { return window_; }
  MainWindowLogic& logic() { return *logic_; }
  core::Session& session() { return session_; }

 private:
  // The executable the scheduled task and the start at log-on run.
  std::string Program() const;
  // The rescue from another disk, or nothing where this build cannot read another Windows's
  // registry.
  std::function<void()> RescueCommand();
  void OpenTaskScheduler();
  void OpenSettings();
  // The disc window, modal; with the backup file handed over when one is.
  void OpenDiscWindow();

  platform::Platform& platform_;
  MainWindow window_;
  QtPrompter qtPrompter_;
  platform::Prompter& prompter_;
  core::Session session_;
  backup::BackupEngine backupEngine_;
  restore::RestoreEngine restoreEngine_;
  BackupPage backupPage_;
  RestorePage restorePage_;
  disc::DiscHandOver discHandOver_;
  std::unique_ptr<MainWindowLogic> logic_;
};

// Shows the splash while start-up finds the profile, then the window until it is closed.
// Returns the program's exit status.
int RunWindowedProgram(int& argc, char** argv, platform::Platform& platform);

}  // namespace quill::app
