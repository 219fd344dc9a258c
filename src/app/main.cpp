// quillstow: backs up a Windows Live Mail profile. Started with a command line
// ("sf=...xm=...ps=...bf=...") it makes the unattended backup and ends; without one it
// reports what start-up found.

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "automation/UnattendedBackup.h"
#include "backup/BackupEngine.h"
#include "core/Session.h"
#include "platform/CommandLine.h"
#include "platform/Platform.h"

#ifdef QUILL_HAVE_GUI
#include "app/gui/WindowedProgram.h"
#endif

namespace {

void PrintFolder(const char* label, const std::string& folder) {
  std::error_code error;
  const bool exists = std::filesystem::is_directory(quill::platform::HostPath(folder), error);
  std::cout << label << folder << (exists ? "" : "  (missing)") << '\n';
}

int Report(const quill::core::DiscoveryResult& found) {
  std::cout << "Windows Live Mail: " << (found.mailFound ? "installed" : "not installed") << '\n';
  if (!found.mailFound) {
    std::cerr << found.problem << '\n';
    return 1;
  }
  std::cout << "Computer:   " << found.profile.computer << '\n';
  std::cout << "User:       " << found.profile.user << '\n';
  PrintFolder("Mail store: ", found.profile.mailFolder);
  PrintFolder("Contacts:   ", found.profile.contactsFolder);
  PrintFolder("Stationery: ", found.profile.stationeryFolder);
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
  // Taken whole from the system where it keeps it: a path or password comes as typed.
  const std::string commandLine = platform::ProgramArguments(argc, argv);
#ifdef QUILL_HAVE_GUI
  // Started without a command line and with a display, the program is its window; with a
  // command line it never shows one.
  if (commandLine.empty() && HaveDisplay()) return app::RunWindowedProgram(argc, argv, *platform);
#endif
  core::Session session(*platform);
  if (commandLine.empty()) return Report(session.found());
  backup::BackupEngine engine(session);
  return automation::UnattendedBackup(session, engine).Run(commandLine);
}
