#pragma once
// Start-up: where the logged-on user's Windows Live Mail data lives, and the computer and
// user names every backup carries.

#include <string>

#include "core/SharedServices.h"
#include "platform/Platform.h"
#include "platform/Prompter.h"
#include "registry/RegistryKeys.h"

namespace quill::core {

// Set once at start-up and read by the backup, restore and automation runs. Empty text
// means the system gave no value.
struct ProcessValues {
  std::string CommandLine;
  std::string ComputerName;
  std::string LogonUserName;
  std::string MailDataFolder;
  std::string ContactsFolder;
  std::string StationeryFolder;
};

struct DiscoveryResult {
  ProcessValues values;
  std::string DescriptorPath;
  // False when Windows Live Mail was not found: the action button stays disabled and
  // nothing after the failing step was set.
  bool mailFound = false;
};

class Discovery {
 public:
  Discovery(platform::Platform& platform, registry::RegistryKeys& reg, SharedServices& services,
            platform::Prompter& prompter);

  DiscoveryResult Run(const std::string& commandLine);

  static constexpr const char* kMailKey =
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail";
  static constexpr const char* kShellFoldersKey =
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell "
      "Folders";
  static constexpr const char* kNotInstalled =
      "Your Windows System have not install Windows Live Mail ";
  static constexpr const char* kMailError =
      "Your Windows System have not install Windows Live Mail or Windows Live Mail error!";

 private:
  // A shell folder: its registry value cleaned, %USERPROFILE% expanded, as a host path.
  std::string ShellFolder(const std::string& value, const std::string& subFolders);
  void Fail(const char* message);

  platform::Platform& platform_;
  registry::RegistryKeys& reg_;
  SharedServices& services_;
  platform::Prompter& prompter_;
};

// The application folder + "stowinfo.dat", with no second separator when the folder ends
// with one.
std::string DescriptorPathFor(const std::string& applicationFolder);

}  // namespace quill::core
