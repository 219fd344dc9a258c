#include "core/Discovery.h"

#include <gtest/gtest.h>

#include "support/TestPrefix.h"

namespace quill::core {
namespace {

constexpr const char* kShellFolders =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

class DiscoveryTest : public ::testing::Test {
 protected:
  test::TestPrefix prefix;
  test::RecordingPrompter prompter;

  DiscoveryResult Discover(const std::string& commandLine = "") {
    auto platform = prefix.MakePlatform();
    registry::RegistryKeys reg(platform->registry());
    SharedServices services(*platform, reg);
    return Discovery(*platform, reg, services, prompter).Run(commandLine);
  }

  // Changes one value of the prefix's registry, as another program would.
  void SetValue(const std::string& keyPath, const std::string& name, const std::string& data,
                std::uint32_t type = platform::regtype::kExpandSz) {
    auto platform = prefix.MakePlatform();
    registry::RegistryKeys reg(platform->registry());
    const auto path = reg.ParseKeyPath(keyPath);
    platform::HKey handle = 0;
    ASSERT_EQ(platform->registry().CreateKey(path.root, path.subPath, handle), 0);
    ASSERT_EQ(platform->registry().SetValue(handle, name, {type, data}), 0);
    ASSERT_EQ(platform->registry().CloseKey(handle), 0);
  }

  void DeleteValue(const std::string& keyPath, const std::string& name) {
    auto platform = prefix.MakePlatform();
    registry::RegistryKeys reg(platform->registry());
    const auto path = reg.ParseKeyPath(keyPath);
    platform::HKey handle = 0;
    ASSERT_EQ(platform->registry().OpenKey(path.root, path.subPath, platform::kKeyWrite, handle),
              0);
    ASSERT_EQ(platform->registry().DeleteValue(handle, name), 0);
    ASSERT_EQ(platform->registry().CloseKey(handle), 0);
  }
};

TEST_F(DiscoveryTest, FindsTheThreeFoldersAsHostPaths) {
  const auto profile = std::filesystem::canonical(prefix.profile());
  const auto mail = profile / "AppData/Local/Microsoft/Windows Live Mail";
  const auto contacts = profile / "AppData/Local/Microsoft/Windows Live Contacts";
  const auto stationery = profile / "Documents/My Stationery";
  for (const auto& folder : {mail, contacts, stationery})
    std::filesystem::create_directories(folder);

  const DiscoveryResult found = Discover("sf=x");
  EXPECT_TRUE(found.mailFound);
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(found.values.CommandLine, "sf=x");
  EXPECT_EQ(found.values.ComputerName, "VM");
  EXPECT_EQ(found.values.LogonUserName, "root");
  EXPECT_EQ(found.values.MailDataFolder, mail.string());
  EXPECT_EQ(found.values.ContactsFolder, contacts.string());
  EXPECT_EQ(found.values.StationeryFolder, stationery.string());
  EXPECT_EQ(found.DescriptorPath, (prefix.app() / "stowinfo.dat").string());
  for (const auto& folder :
       {found.values.MailDataFolder, found.values.ContactsFolder, found.values.StationeryFolder})
    EXPECT_TRUE(std::filesystem::is_directory(folder)) << folder;
}

TEST_F(DiscoveryTest, WithoutStoreRootItSaysSoOnceAndSetsNothingAfterIt) {
  DeleteValue("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail", "Store Root");
  const DiscoveryResult found = Discover();
  EXPECT_FALSE(found.mailFound);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "Your Windows System have not install Windows Live Mail ");
  EXPECT_EQ(prompter.shown[0].icon, platform::MessageIcon::Error);
  EXPECT_EQ(prompter.shown[0].caption, "Orlo Windows Live Mail Backup");
  EXPECT_EQ(found.values.ComputerName, "");
  EXPECT_EQ(found.values.LogonUserName, "");
  EXPECT_EQ(found.values.MailDataFolder, "");
  EXPECT_EQ(found.values.StationeryFolder, "");
  EXPECT_EQ(found.DescriptorPath, (prefix.app() / "stowinfo.dat").string());
}

TEST_F(DiscoveryTest, WithoutLocalAppDataItStopsAfterTheNames) {
  DeleteValue(kShellFolders, "Local AppData");
  const DiscoveryResult found = Discover();
  EXPECT_FALSE(found.mailFound);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text,
            "Your Windows System have not install Windows Live Mail or Windows Live Mail error!");
  EXPECT_EQ(found.values.ComputerName, "VM");
  EXPECT_EQ(found.values.MailDataFolder, "");
  EXPECT_EQ(found.values.ContactsFolder, "");
}

TEST_F(DiscoveryTest, CleansAndExpandsTheShellFolderValues) {
  const std::string drive = std::filesystem::canonical(prefix.prefix() / "drive_c").string();
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"plain drive path", std::string("C:\\Mail Data") + '\0',
       drive + "/Mail Data/Microsoft/Windows Live Mail"},
      {"trailing NULs and blanks", std::string("  %USERPROFILE%\\AppData\\Local  \0\0", 33),
       drive + "/users/root/AppData/Local/Microsoft/Windows Live Mail"},
      {"text before the variable", std::string("junk%USERPROFILE%\\Local") + '\0',
       drive + "/users/root/Local/Microsoft/Windows Live Mail"},
  };
  for (const auto& [label, value, expected] : cases) {
    SetValue(kShellFolders, "Local AppData", value);
    EXPECT_EQ(Discover().values.MailDataFolder, expected) << label;
  }
}

TEST_F(DiscoveryTest, AMissingPersonalFolderLeavesErrorInTheStationeryPath) {
  DeleteValue(kShellFolders, "Personal");
  const DiscoveryResult found = Discover();
  EXPECT_TRUE(found.mailFound);
  EXPECT_EQ(found.values.StationeryFolder, "Error/My Stationery");
  EXPECT_TRUE(prompter.shown.empty());
}

TEST(DescriptorPath, AddsOneSeparator) {
  EXPECT_EQ(DescriptorPathFor("/opt/quill"), "/opt/quill/stowinfo.dat");
  EXPECT_EQ(DescriptorPathFor("/"), "/stowinfo.dat");
}

}  // namespace
}  // namespace quill::core
