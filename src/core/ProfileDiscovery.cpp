#include "core/ProfileDiscovery.h"

#include "platform/Text.h"

namespace quill::core {
using platform::JoinPath;

std::string Profile::FolderOf(ProfileFolder folder) const {
  switch (folder) {
    case ProfileFolder::MailData:
      return mailFolder;
    case ProfileFolder::Contacts:
      return contactsFolder;
    case ProfileFolder::Stationery:
      return stationeryFolder;
    case ProfileFolder::Calendars:
      return JoinPath(mailFolder, "Calendars");
    case ProfileFolder::None:
      break;
  }
  return std::string();
}

ProfileDiscovery::ProfileDiscovery(platform::Platform& platform, registry::RegistryKeys& keys,
                                   SharedServices& services)
    : platform_(platform), keys_(keys), services_(services) {}

std::string ProfileDiscovery::ShellFolder(const std::string& value, const std::string& subFolders) {
  const std::string base = services_.ExpandUserProfile(platform::CleanValue(value));
  return JoinPath(platform_.system().ToHostPath(base), subFolders);
}

DiscoveryResult ProfileDiscovery::Discover() {
  DiscoveryResult result;
  if (keys_.GetStringValue(kMailClientKey, "Store Root") == registry::RegistryKeys::kError) {
    result.problem = kNotInstalled;
    return result;
  }
  Profile& profile = result.profile;
  profile.computer = platform::CleanValue(platform_.system().ComputerName());
  profile.user = platform::CleanValue(platform_.system().UserName());

  const std::string localAppData = keys_.GetStringValue(kShellFoldersKey, "Local AppData");
  if (localAppData == registry::RegistryKeys::kError) {
    result.problem = kMailError;
    return result;
  }
  const std::string sep(1, platform::kPathSeparator);
  profile.mailFolder = ShellFolder(localAppData, "Microsoft" + sep + "Windows Live Mail");
  profile.contactsFolder = ShellFolder(keys_.GetStringValue(kShellFoldersKey, "Local AppData"),
                                       "Microsoft" + sep + "Windows Live Contacts");
  // A failed read of "Personal" is not tested: "Error" then stands in the path and the
  // stationery item finds nothing.
  profile.stationeryFolder =
      ShellFolder(keys_.GetStringValue(kShellFoldersKey, "Personal"), "My Stationery");
  result.mailFound = true;
  return result;
}

}  // namespace quill::core
