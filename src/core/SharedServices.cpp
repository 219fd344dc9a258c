#include "core/SharedServices.h"

#include <filesystem>

#include "platform/Files.h"
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

bool SharedServices::OpenLogInEditor() {
  return platform_.processes().Start(
      platform_.system().WindowsFolder() + "\\notepad.exe " + LogPath(),
      platform::WindowStyle::NormalFocus);
}

std::vector<std::string> SharedServices::LogLines() {
  // Each entry is one AppendLogLine: its text, which ends in LF or CR, then CR LF. An entry is
  // one line, whatever it ends in; a file edited elsewhere may hold lines ended by LF alone.
  const auto text = platform::TextFile::ReadText(LogPath());
  std::vector<std::string> lines;
  if (!text) return lines;
  std::size_t start = 0;
  while (start < text->size()) {
    std::size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    std::size_t stop = end;
    while (stop > start && (*text)[stop - 1] == '\r') --stop;
    lines.push_back(text->substr(start, stop - start));
    start = end + (text->compare(end, 3, "\n\r\n") == 0 ? 3 : 1);
  }
  return lines;
}

std::string SharedServices::HelpPath() {
  return JoinPath(platform_.system().ApplicationFolder(), "help.chm");
}

bool SharedServices::OpenHelp() {
  const std::string help = HelpPath();
  std::error_code error;
  if (!std::filesystem::is_regular_file(platform::HostPath(help), error)) return false;
  return platform_.processes().Start(platform_.system().WindowsFolder() + "\\hh.exe " + help,
                                     platform::WindowStyle::NormalFocus);
}

}  // namespace quill::core
