#include "core/SharedServices.h"

#include "platform/Text.h"
#include "platform/TextFile.h"

namespace quill::core {
using platform::JoinPath;

namespace {

constexpr const char* kAppPathsKey =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wlmail.exe";

}  // namespace

SharedServices::SharedServices(platform::Platform& platform, registry::RegistryKeys& reg)
    : platform_(platform), reg_(reg) {}

std::string SharedServices::LogPath() {
  return JoinPath(platform_.system().ApplicationFolder(), "brlog.dat");
}

std::string SharedServices::NewScratchFile(const std::string& prefix) {
  const auto path = platform_.files().TempFileName(platform_.system().ApplicationFolder(), prefix);
  return path ? platform::CleanValue(*path) : std::string();
}

bool SharedServices::AppendLogLine(const std::string& path, const std::string& text) {
  return platform::TextFile::AppendLine(path, text);
}

std::string SharedServices::ExpandUserProfile(const std::string& text) {
  static constexpr std::string_view kVariable = "%USERPROFILE%";
  const std::size_t at = text.find(kVariable);
  if (at == std::string::npos) return text;
  const std::string profile = platform_.system().Environment("USERPROFILE").value_or("");
  return profile + text.substr(at + kVariable.size());
}

void SharedServices::EndProcesses(const std::string& name) {
  const std::string wanted = platform::Lower(name);
  for (const auto& process : platform_.processes().Snapshot()) {
    if (platform::Lower(process.exeFile.substr(0, process.exeFile.find('\0'))) == wanted)
      platform_.processes().Terminate(process.id, 0);
  }
}

void SharedServices::StartMailClient() {
  const std::string folder = reg_.GetStringValue(kAppPathsKey, "Path");
  platform_.processes().Start(folder + "\\wlmail.exe", platform::WindowStyle::MinimizedFocus);
}

void SharedServices::OpenLogInEditor() {
  platform_.processes().Start(platform_.system().WindowsFolder() + "\\notepad.exe " + LogPath(),
                              platform::WindowStyle::NormalFocus);
}

std::vector<std::string> SharedServices::LogLines() {
  return platform::TextFile::ReadLines(LogPath()).value_or(std::vector<std::string>());
}

void SharedServices::OpenHelp() {
  const std::string help = JoinPath(platform_.system().ApplicationFolder(), "help.chm");
  platform_.processes().Start(platform_.system().WindowsFolder() + "\\hh.exe " + help,
                              platform::WindowStyle::NormalFocus);
}

}  // namespace quill::core
