// quillstow: backs up a Windows Live Mail profile. Started with a command line
// ("sf=...xm=...ps=...bf=...") it makes the unattended backup and ends; without one it
// reports what start-up found.

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/ConsolePrompter.h"
#include "app/Discovery.h"
#include "app/SettingsFile.h"
#include "app/SharedServices.h"
#include "app/TimeText.h"
#include "automation/UnattendedBackup.h"
#include "backup/BackupEngine.h"
#include "backup/ZipComponent.h"
#include "platform/Platform.h"
#include "registry/ModReg.h"

#ifdef QUILL_HAVE_GUI
#include <QApplication>
#include <QPalette>
#include <QPixmap>
#include <QSplashScreen>

#include "app/AppTitle.h"

#include "app/gui/WindowedProgram.h"
#endif

namespace {

std::string CommandLineOf(int argc, char** argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) text += (i > 1 ? " " : "") + std::string(argv[i]);
  return text;
}

void PrintFolder(const char* label, const std::string& folder) {
  std::error_code error;
  const bool exists = std::filesystem::is_directory(quill::platform::HostPath(folder), error);
  std::cout << label << folder << (exists ? "" : "  (missing)") << '\n';
}

int Report(const quill::app::DiscoveryResult& found) {
  std::cout << "Windows Live Mail: " << (found.mailFound ? "installed" : "not installed") << '\n';
  if (!found.mailFound) return 1;
  std::cout << "Computer:   " << found.values.ComputerName << '\n';
  std::cout << "User:       " << found.values.LogonUserName << '\n';
  PrintFolder("Mail store: ", found.values.MailDataFolder);
  PrintFolder("Contacts:   ", found.values.ContactsFolder);
  PrintFolder("Stationery: ", found.values.StationeryFolder);
  return 0;
}

#ifdef QUILL_HAVE_GUI
// A display to show the window on. Windows always has one.
bool HaveDisplay() {
#ifdef _WIN32
  return true;
#else
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
#endif
}
#endif

}  // namespace

int main(int argc, char** argv) {
  using namespace quill;
  const auto platform = platform::CreateHostPlatform(
      platform::ApplicationFolderFor(platform::ExecutableFolder(), platform::UserDataFolder()));
#ifdef QUILL_HAVE_GUI
  // Started without a command line and with a display, the program is its window; with a
  // command line it never shows one.
  if (argc == 1 && HaveDisplay()) {
    QApplication application(argc, argv);
    // Frmsplash: shown while start-up finds the profile, gone once the window is there.
    QPixmap picture(420, 160);
    picture.fill(QApplication::palette().color(QPalette::Window));
    QSplashScreen splash(picture);
    splash.showMessage(app::kAppTitle, Qt::AlignCenter);
    splash.show();
    application.processEvents();
    app::WindowedProgram program(*platform);
    program.window().show();
    splash.finish(&program.window());
    return application.exec();
  }
#endif
  app::ConsolePrompter prompter;
  registry::modReg reg(platform->registry(), prompter);
  app::SharedServices services(*platform, reg);
  app::Discovery discovery(*platform, reg, services, prompter);
  const app::DiscoveryResult found = discovery.Run(CommandLineOf(argc, argv));
  if (found.values.CommandLine.empty()) return Report(found);

  app::SettingsFile settings(*platform);
  backup::ZipComponent zip1;
  zip1.SetWorkingFolder(platform->system().ApplicationFolder());
  backup::BackupEngine engine(*platform, reg, services, zip1, found.values, found.DescriptorPath,
                              [&] { return platform->system().GeneralDate(app::LocalNow()); });
  automation::UnattendedBackup run(engine, settings, found.values, app::LocalNow);
  return run.Run(found.values.CommandLine);
}
