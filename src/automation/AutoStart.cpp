#include "automation/AutoStart.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/AppTitle.h"
#include "platform/Files.h"

namespace quill::automation {
namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A desktop entry's Exec argument: in double quotes, with \, ", `, $ escaped.
std::string ExecArgument(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"' || c == '`' || c == '$') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

RunKeyAutoStart::RunKeyAutoStart(platform::Registry& registry, std::string applicationFolder)
    : registry_(registry), applicationFolder_(std::move(applicationFolder)) {}

void RunKeyAutoStart::Enable() {
  platform::HKey key = 0;
  if (registry_.CreateKey(platform::kHkeyCurrentUser, kRunKey, key) != platform::winerr::kSuccess)
    return;
  const std::string command = "\"" + applicationFolder_ + "\\quillstow.exe\"";
  registry_.SetValue(key, core::kAppTitle, {platform::regtype::kSz, command + '\0'});
  registry_.CloseKey(key);
}

void RunKeyAutoStart::Disable() {
  platform::HKey key = 0;
  if (registry_.OpenKey(platform::kHkeyCurrentUser, kRunKey, platform::kKeyWrite, key) !=
      platform::winerr::kSuccess)
    return;
  registry_.DeleteValue(key, core::kAppTitle);
  registry_.CloseKey(key);
}

DesktopAutoStart::DesktopAutoStart(std::string folder, std::string program, std::string winePrefix)
    : folder_(std::move(folder)),
      program_(std::move(program)),
      winePrefix_(std::move(winePrefix)) {}

std::string DesktopAutoStart::EntryPath() const {
  return folder_ + "/quillstow.desktop";
}

void DesktopAutoStart::Enable() {
  std::error_code error;
  std::filesystem::create_directories(platform::HostPath(folder_), error);
  std::string exec = ExecArgument(program_);
  if (!winePrefix_.empty()) exec = "env " + ExecArgument("WINEPREFIX=" + winePrefix_) + " " + exec;
  std::ofstream out(platform::HostPath(EntryPath()), std::ios::binary | std::ios::trunc);
  out << "[Desktop Entry]\nType=Application\nName=" << core::kAppTitle << "\nExec=" << exec
      << "\nX-GNOME-Autostart-enabled=true\n";
}

void DesktopAutoStart::Disable() {
  std::error_code error;
  std::filesystem::remove(platform::HostPath(EntryPath()), error);
}

std::string UserAutostartFolder() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0')
    return std::string(config) + "/autostart";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "/tmp") + "/.config/autostart";
}

std::unique_ptr<AutoStart> CreateHostAutoStart(platform::Registry& registry,
                                               const std::string& executableFolder,
                                               const std::string& program) {
#ifdef _WIN32
  (void)program;
  return std::make_unique<RunKeyAutoStart>(registry, executableFolder);
#else
  (void)registry;
  (void)executableFolder;
  const char* prefix = std::getenv("WINEPREFIX");
  return std::make_unique<DesktopAutoStart>(UserAutostartFolder(), program,
                                            prefix != nullptr ? prefix : "");
#endif
}

}  // namespace quill::automation
