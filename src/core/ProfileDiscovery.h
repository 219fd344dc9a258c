#pragma once
// Start-up: where the logged-on user's Windows Live Mail data lives, and the computer and user
// names every backup carries.

#include <string>

#include "core/ItemCatalogue.h"
#include "core/SharedServices.h"
#include "platform/Platform.h"
#include "registry/RegistryKeys.h"

namespace quill::core {

// The user's mail profile, found once at start-up. Empty text means the system gave no value.
struct Profile {
  std::string computer;
  std::string user;
  std::string mailFolder;        // the mail store: accounts, message store, calendars
  std::string contactsFolder;    // the contacts database
  std::string stationeryFolder;  // "My Stationery"

  // The folder an item of the folders or files kind takes its data from.
  std::string FolderOf(ProfileFolder folder) const;
};

struct DiscoveryResult {
  Profile profile;
  // False when Windows Live Mail was not found: problem says so, and nothing after the failing
  // step was set.
  bool mailFound = false;
  std::string problem;
};

class ProfileDiscovery {
 public:
  ProfileDiscovery(platform::Platform& platform, registry::RegistryKeys& keys,
                   SharedServices& services);

  DiscoveryResult Discover();

  static constexpr const char* kShellFoldersKey =
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell "
      "Folders";
  static constexpr const char* kNotInstalled =
      "Your Windows System have not install Windows Live Mail ";
  static constexpr const char* kMailError =
      "Your Windows System have not install Windows Live Mail or Windows Live Mail error!";
  // A restore needs the folders the mail client makes the first time it runs.
  static constexpr const char* kNoStoreForRestore =
      "Windows Live Mail has not set up its mail store for this user yet, so there is no place "
      "to restore to. Start Windows Live Mail once, close it, and then restore again.";

 private:
  // A shell folder: its registry value cleaned, %USERPROFILE% expanded, as a host path.
  std::string ShellFolder(const std::string& value, const std::string& subFolders);

  platform::Platform& platform_;
  registry::RegistryKeys& keys_;
  SharedServices& services_;
};

}  // namespace quill::core
