#include "core/Discovery.h"

#include "core/AppTitle.h"

namespace quill::core {
using platform::JoinPath;

std::string DescriptorPathFor(const std::string& applicationFolder) {
  if (!applicationFolder.empty() &&
      (applicationFolder.back() == platform::kPathSeparator || applicationFolder.back() == '\\'))
    return applicationFolder + "stowinfo.dat";
  return JoinPath(applicationFolder, "stowinfo.dat");
}

Discovery::Discovery(platform::Platform& platform, registry::RegistryKeys& reg,
                     SharedServices& services, platform::Prompter& prompter)
    : platform_(platform), reg_(reg), services_(services), prompter_(prompter) {}

void Discovery::Fail(const char* message) {
  prompter_.Message(message, platform::MessageIcon::Error, platform::MessageButtons::Ok, kAppTitle);
}

std::string Discovery::ShellFolder(const std::string& value, const std::string& subFolders) {
  const std::string base = services_.ExpandUserProfile(CleanValue(value));
  return JoinPath(platform_.system().ToHostPath(base), subFolders);
}

DiscoveryResult Discovery::Run(const std::string& commandLine) {
  DiscoveryResult result;
  result.values.CommandLine = commandLine;
  result.DescriptorPath = DescriptorPathFor(platform_.system().ApplicationFolder());

  if (reg_.GetStringValue(kMailKey, "Store Root") == registry::RegistryKeys::kError) {
    Fail(kNotInstalled);
    return result;
  }
  ProcessValues& values = result.values;
  values.ComputerName = CleanValue(platform_.system().ComputerName());
  values.LogonUserName = CleanValue(platform_.system().UserName());

  const std::string localAppData = reg_.GetStringValue(kShellFoldersKey, "Local AppData");
  if (localAppData == registry::RegistryKeys::kError) {
    Fail(kMailError);
    return result;
  }
  const std::string sep(1, platform::kPathSeparator);
  values.MailDataFolder = ShellFolder(localAppData, "Microsoft" + sep + "Windows Live Mail");
  values.ContactsFolder = ShellFolder(reg_.GetStringValue(kShellFoldersKey, "Local AppData"),
                                      "Microsoft" + sep + "Windows Live Contacts");
  // A failed read of "Personal" is not tested: "Error" then stands in the path and the
  // stationery item finds nothing.
  values.StationeryFolder =
      ShellFolder(reg_.GetStringValue(kShellFoldersKey, "Personal"), "My Stationery");
  result.mailFound = true;
  return result;
}

}  // namespace quill::core
