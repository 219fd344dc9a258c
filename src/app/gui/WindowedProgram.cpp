#include "app/gui/WindowedProgram.h"

#include "app/gui/GuiThread.h"
#include "automation/AutoStart.h"
#include "automation/SettingsDialog.h"
#include "automation/TaskScheduler.h"
#include "automation/TaskSchedulerDialog.h"
#include "automation/gui/SettingsWindow.h"
#include "automation/gui/TaskSchedulerWindow.h"
#include "core/AppTitle.h"
#include "disc/EraseDialogLogic.h"
#include "disc/gui/DiscWindow.h"
#include "disc/gui/EraseWindow.h"

#include <QApplication>
#include <QPalette>
#include <QPixmap>
#include <QSplashScreen>
#include <QTimer>

namespace quill::app {

WindowedProgram::WindowedProgram(platform::Platform& platform, platform::Prompter* prompter,
                                 core::Clock clock)
    : platform_(platform),
      qtPrompter_(&window_),
      prompter_(prompter != nullptr ? *prompter : qtPrompter_),
      session_(platform, std::move(clock)),
      backupEngine_(session_),
      restoreEngine_(session_),
      backupPage_(session_, backupEngine_, prompter_, window_.backupView(),
                  BackupFollowUps{[this](const std::string& name, const std::string& path) {
                    // The run works off the window's thread.
                    OnGui([&] {
                      discHandOver_ = {name, path};
                      OpenDiscWindow();
                    });
                  }}),
      restorePage_(session_, restoreEngine_, prompter_, window_.restoreView()) {
  // Loading frmMain: without the mail client the window says so, the action button stays
  // disabled and the other pages stay usable.
  const core::DiscoveryResult& found = session_.found();
  if (!found.mailFound)
    prompter_.Message(found.problem, platform::MessageIcon::Error, platform::MessageButtons::Ok,
                      core::kAppTitle);
  window_.SetUser(found.profile.user);
  window_.SetApplyEnabled(found.mailFound);
  logic_ = std::make_unique<MainWindowLogic>(
      window_, window_.backupView(), window_.restoreView(), window_, session_.services(), prompter_,
      backupPage_, restorePage_,
      MainWindowCommands{[this] { OpenTaskScheduler(); }, [this] { OpenSettings(); },
                         [this] { OpenDiscWindow(); }, RescueCommand()});
  window_.Attach(*logic_);
  logic_->PageChanged();
  if (found.mailFound) backupPage_.Prepare();
}

std::function<void()> WindowedProgram::RescueCommand() {
#ifdef QUILL_HAVE_RESCUE
  return [this] { RescueRun(prompter_, platform_.system().ApplicationFolder()).Run(); };
#else
  return {};
#endif
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
  automation::TaskSchedulerDialog dialog(window, *scheduler, prompter_, session_, Program(),
                                         platform::ExecutableFolder());
  window.Attach(dialog);
  window.exec();
}

void WindowedProgram::OpenSettings() {
  automation::SettingsWindow window(&window_);
  const auto autoStart = automation::CreateHostAutoStart(platform_.registry(),
                                                         platform::ExecutableFolder(), Program());
  automation::SettingsDialog dialog(window, session_.settings(), *autoStart, prompter_,
                                    session_.ApplicationFolder());
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

int RunWindowedProgram(int& argc, char** argv, platform::Platform& platform) {
  QApplication application(argc, argv);
  // Frmsplash: shown while start-up finds the profile, gone once the window is there.
  QPixmap picture(420, 160);
  picture.fill(QApplication::palette().color(QPalette::Window));
  QSplashScreen splash(picture);
  splash.showMessage(core::kAppTitle, Qt::AlignCenter);
  splash.show();
  application.processEvents();
  WindowedProgram program(platform);
  program.window().show();
  splash.finish(&program.window());
  return application.exec();
}

}  // namespace quill::app
