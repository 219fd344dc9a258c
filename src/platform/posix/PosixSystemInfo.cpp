#include "platform/posix/PosixSystemInfo.h"

#include "platform/Text.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace quill::platform::posix {
namespace {

std::string UnixUserName() {
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr) return entry->pw_name;
  return std::string();
}

// What Wine makes of the host name when the registry holds no computer name.
std::string HostComputerName() {
  char buffer[256] = {};
  if (gethostname(buffer, sizeof buffer - 1) != 0) return std::string();
  std::string name = buffer;
  return Upper(name.substr(0, name.find('.')).substr(0, 15));
}

std::string CutAtNul(std::string text) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

}  // namespace

PosixSystemInfo::PosixSystemInfo(Registry& registry, const WinePrefix& prefix,
                                 std::string applicationFolder)
    : registry_(registry), prefix_(prefix), applicationFolder_(std::move(applicationFolder)) {}

std::optional<std::string> PosixSystemInfo::ReadText(HKey root, const std::string& key,
                                                     const std::string& value) {
  HKey handle = 0;
  if (registry_.OpenKey(root, key, kKeyRead, handle) != winerr::kSuccess) return std::nullopt;
  RegValue data;
  std::uint32_t size = 0;
  const long status = registry_.QueryValue(handle, value, 0xffffffffU, data, size);
  registry_.CloseKey(handle);
  if (status != winerr::kSuccess || !IsStringType(data.type)) return std::nullopt;
  return CutAtNul(data.data);
}

std::string PosixSystemInfo::ComputerName() {
  const auto name =
      ReadText(kHkeyLocalMachine, "System\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
               "ComputerName");
  return name && !name->empty() ? *name : HostComputerName();
}

std::string PosixSystemInfo::UserName() {
  const auto name = ReadText(kHkeyCurrentUser, "Volatile Environment", "USERNAME");
  return name && !name->empty() ? *name : UnixUserName();
}

std::string PosixSystemInfo::WindowsFolder() {
  return "C:\\windows";
}

std::optional<std::string> PosixSystemInfo::Environment(const std::string& name) {
  // The Windows environment of the prefix: the user's volatile and persistent variables,
  // then the machine's; the profile folder always exists.
  if (auto value = ReadText(kHkeyCurrentUser, "Volatile Environment", name)) return value;
  if (auto value = ReadText(kHkeyCurrentUser, "Environment", name)) return value;
  if (auto value =
          ReadText(kHkeyLocalMachine,
                   "System\\CurrentControlSet\\Control\\Session Manager\\Environment", name))
    return value;
  const std::string upper = Upper(name);
  if (upper == "USERPROFILE") return "C:\\users\\" + UserName();
  if (upper == "WINDIR" || upper == "SYSTEMROOT") return WindowsFolder();
  if (const char* host = std::getenv(name.c_str()); host != nullptr) return std::string(host);
  return std::nullopt;
}

std::string PosixSystemInfo::ApplicationFolder() {
  return applicationFolder_;
}

std::string PosixSystemInfo::GeneralDate(const std::tm& local) {
  // The formats of a prefix set up for the United States: M/d/yyyy and h:mm:ss tt.
  char text[64];
  const int hour = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
  std::snprintf(text, sizeof text, "%d/%d/%d %d:%02d:%02d %s", local.tm_mon + 1, local.tm_mday,
                local.tm_year + 1900, hour, local.tm_min, local.tm_sec,
                local.tm_hour < 12 ? "AM" : "PM");
  return text;
}

std::string PosixSystemInfo::ToHostPath(const std::string& windowsPath) {
  return prefix_.ToHostPath(windowsPath);
}

}  // namespace quill::platform::posix
