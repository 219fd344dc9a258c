#include "app/gui/WindowedProgram.h"

#include "app/gui/GuiThread.h"
#include "automation/AutoStart.h"
#include "automation/SettingsDialog.h"
#include "automation/TaskScheduler.h"
#include "automation/TaskSchedulerDialog.h"
#include "automation/gui/SettingsWindow.h"
#include "automation/gui/TaskSchedulerWindow.h"
#include "core/TimeText.h"
#include "disc/EraseDialogLogic.h"
#include "disc/gui/DiscWindow.h"
#include "disc/gui/EraseWindow.h"

#include <QTimer>

namespace quill::app {

WindowedProgram::WindowedProgram(platform::Platform& platform, platform::Prompter* prompter)
    : platform_(platform),
      qtPrompter_(&window_),
      prompter_(prompter != nullptr ? *prompter : qtPrompter_),
      reg_(platform.registry()),
      services_(platform, reg_),
      settings_(platform) {
  // Loading frmMain: discovery shows its own messages; without the mail client the action
  // button stays disabled and the other pages stay usable.
  found_ = Discovery(platform, reg_, services_, prompter_).Run("");
  window_.SetUser(found_.values.LogonUserName);
  window_.SetApplyEnabled(found_.mailFound);
  const std::string application = platform.system().ApplicationFolder();
  zip1_.SetWorkingFolder(application);
  zip2_.SetWorkingFolder(application);
  const auto timeStamp = [&platform] { return platform.system().GeneralDate(LocalNow()); };
  engine_ = std::make_unique<backup::BackupEngine>(platform, reg_, services_, zip1_, found_.values,
                                                   found_.DescriptorPath, timeStamp);
  backupRun_ = std::make_unique<app::BackupRun>(
      *engine_, platform, services_, settings_, reg_, prompter_, window_.backupPage(),
      found_.values, LocalNow,
      app::BackupFollowUps{[this](const std::string& name, const std::string& path) {
        // The run works off the window's thread.
        OnGui([&] {
          discHandOver_ = {name, path};
          OpenDiscWindow();
        });
      }});
  text_ = std::make_unique<registry::RegistryText>(platform.registry(), reg_);
  inspection_ = std::make_unique<app::BackupInspection>(
      zip1_, zip2_, prompter_, window_.restorePage(), found_.DescriptorPath);
  items_ = std::make_unique<restore::ItemRestores>(
      restore::RestoreTargets{found_.values.MailDataFolder, found_.values.ContactsFolder,
                              found_.values.StationeryFolder, application},
      zip1_, reg_, *text_, [this] { window_.Yield(); });
  restoreRun_ =
      std::make_unique<app::RestoreRun>(*items_, services_, settings_, prompter_,
                                        window_.restorePage(), timeStamp, found_.DescriptorPath);
  logic_ = std::make_unique<MainWindowLogic>(
      window_, window_.backupPage(), window_.restorePage(), window_, services_, prompter_,
      *backupRun_, *inspection_, *restoreRun_, found_.DescriptorPath,
      MainWindowCommands{[this] { OpenTaskScheduler(); }, [this] { OpenSettings(); },
                         [this] { OpenDiscWindow(); }});
  window_.Attach(*logic_);
  logic_->SSTab1_Click();
  if (found_.mailFound) backupRun_->PrepareBackupPage();
}

std::string WindowedProgram::Program() const {
#ifdef _WIN32
  return platform::JoinPath(platform::ExecutableFolder(), "quillstow.exe");
#else
  return platform::JoinPath(platform::ExecutableFolder(), "quillstow");
#endif
}

void WindowedProgram::OpenTaskScheduler() {
  automation::TaskSchedulerWindow window(&window_);
  const auto scheduler = automation::CreateHostTaskScheduler(platform_.processes());
  automation::TaskSchedulerDialog dialog(window, *scheduler, prompter_, reg_, settings_,
                                         found_.values, Program(), platform::ExecutableFolder());
  window.Attach(dialog);
  window.exec();
}

void WindowedProgram::OpenSettings() {
  automation::SettingsWindow window(&window_);
  const auto autoStart = automation::CreateHostAutoStart(platform_.registry(),
                                                         platform::ExecutableFolder(), Program());
  automation::SettingsDialog dialog(window, settings_, *autoStart, prompter_,
                                    platform_.system().ApplicationFolder());
  window.Attach(dialog);
  window.exec();
}

void WindowedProgram::OpenDiscWindow() {
  const auto engine = disc::CreateDiscEngine();
  disc::DiscWindow window(*engine, &window_);
  bool endProgram = false;
  disc::DiscWindowLogic logic(
      window, *engine, prompter_, discHandOver_,
      disc::DiscWindowCommands{
          [this, &window](disc::DiscDevice& device, disc::DiscEngine& discEngine) {
            disc::EraseWindow erase(&window);
            disc::EraseDialogLogic dialog(erase, device, discEngine, prompter_);
            erase.Attach(dialog);
            erase.exec();
          },
          [&endProgram] { endProgram = true; }});
  if (window.Attach(logic)) window.exec();
  // The drives could not be started: the program ends after its message.
  if (endProgram) QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(1); });
}

}  // namespace quill::app
