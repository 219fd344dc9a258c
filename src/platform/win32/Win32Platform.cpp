// The platform of a Windows host: one instance of each Win32 service.

#include <memory>
#include <string>

#include "platform/AnsiCodePage.h"
#include "platform/Platform.h"
#include "platform/Utf16.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32ProfileStrings.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32SystemInfo.h"

namespace quill::platform {
namespace {

class Win32Platform : public Platform {
 public:
  explicit Win32Platform(const std::string& applicationFolder) : system_(applicationFolder) {}

  Registry& registry() override { return registry_; }
  ProfileStrings& profileStrings() override { return profileStrings_; }
  Files& files() override { return files_; }
  Processes& processes() override { return processes_; }
  SystemInfo& system() override { return system_; }

 private:
  win32::Win32Registry registry_;
  win32::Win32ProfileStrings profileStrings_;
  win32::Win32Files files_;
  win32::Win32Processes processes_;
  win32::Win32SystemInfo system_;
};

}  // namespace

std::unique_ptr<Platform> CreateHostPlatform(const std::string& applicationFolder) {
  return std::make_unique<Win32Platform>(applicationFolder);
}

}  // namespace quill::platform

#include "platform/win32/WindowsApi.h"

#include <shlobj.h>

namespace quill::platform {
namespace {

// The whole value of an environment variable, however long; empty when it is not set.
std::string EnvironmentValue(const char* name) {
  std::string value(MAX_PATH, '\0');
  for (int round = 0; round < 4; ++round) {
    const DWORD length =
        GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.assign(length, '\0');  // too small: length is the size it needs
  }
  return {};
}

}  // namespace

std::string ExecutableFolder() {
  // Asked wide: a folder below a user name outside the code page keeps every character.
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  const std::string folder =
      Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(path.data()), length));
  const std::size_t slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

}  // namespace quill::platform

#include <cstdio>
#include <filesystem>

namespace quill::platform {

std::string ApplicationFolderFor(const std::string& executableFolder,
                                 const std::string& userFolder) {
  // A file that can be made and removed again tells that the folder can be written.
  const std::filesystem::path probe = HostPath(executableFolder) / ".quillstow-write-test";
  std::FILE* file = _wfopen(probe.c_str(), L"wb");
  if (file != nullptr) {
    std::fclose(file);
    std::error_code error;
    std::filesystem::remove(probe, error);
    return executableFolder;
  }
  std::error_code error;
  std::filesystem::create_directories(HostPath(userFolder), error);
  return userFolder;
}

std::string UserDataFolder() {
  // %LOCALAPPDATA%. A process started without it (a stripped environment) asks the shell for
  // the same folder, rather than making a quillstow folder at the root of the current drive;
  // with no user profile at all, the temporary folder stands in.
  std::string folder = EnvironmentValue("LOCALAPPDATA");
  if (folder.empty()) {
    char known[MAX_PATH + 1] = {};
    if (SUCCEEDED(
            SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, known)))
      folder = known;
  }
  if (folder.empty()) {
    char temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(MAX_PATH + 1, temp);
    if (length > 0 && length <= MAX_PATH) folder.assign(temp, length);
  }
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return AnsiToUtf8(folder) + "\\quillstow";
}

}  // namespace quill::platform
