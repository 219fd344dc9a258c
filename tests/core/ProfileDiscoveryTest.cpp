#include "core/ProfileDiscovery.h"

#include <gtest/gtest.h>

#include "support/TestPrefix.h"

namespace quill::core {
namespace {

constexpr const char* kShellFolders =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

class DiscoveryTest : public ::testing::Test {
 protected:
  test::TestPrefix prefix;
  DiscoveryResult Discover() {
    auto platform = prefix.MakePlatform();
    registry::RegistryKeys reg(platform->registry());
    SharedServices services(*platform, reg);
    return ProfileDiscovery(*platform, reg, services).Discover();
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

  const DiscoveryResult found = Discover();
  EXPECT_TRUE(found.mailFound);
  EXPECT_EQ(found.problem, "");
  EXPECT_EQ(found.profile.computer, "VM");
  EXPECT_EQ(found.profile.user, "root");
  EXPECT_EQ(found.profile.mailFolder, mail.string());
  EXPECT_EQ(found.profile.contactsFolder, contacts.string());
  EXPECT_EQ(found.profile.stationeryFolder, stationery.string());
  for (const auto& folder :
       {found.profile.mailFolder, found.profile.contactsFolder, found.profile.stationeryFolder})
    EXPECT_TRUE(std::filesystem::is_directory(folder)) << folder;
}

TEST_F(DiscoveryTest, WithoutStoreRootItSaysSoOnceAndSetsNothingAfterIt) {
  DeleteValue("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail", "Store Root");
  const DiscoveryResult found = Discover();
  EXPECT_FALSE(found.mailFound);
  EXPECT_EQ(found.problem, "Your Windows System have not install Windows Live Mail ");
  EXPECT_EQ(found.profile.computer, "");
  EXPECT_EQ(found.profile.user, "");
  EXPECT_EQ(found.profile.mailFolder, "");
  EXPECT_EQ(found.profile.stationeryFolder, "");
}

TEST_F(DiscoveryTest, WithoutLocalAppDataItStopsAfterTheNames) {
  DeleteValue(kShellFolders, "Local AppData");
  const DiscoveryResult found = Discover();
  EXPECT_FALSE(found.mailFound);
  EXPECT_EQ(found.problem,
            "Your Windows System have not install Windows Live Mail or Windows Live Mail error!");
  EXPECT_EQ(found.profile.computer, "VM");
  EXPECT_EQ(found.profile.mailFolder, "");
  EXPECT_EQ(found.profile.contactsFolder, "");
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
    EXPECT_EQ(Discover().profile.mailFolder, expected) << label;
  }
}

TEST_F(DiscoveryTest, AMissingPersonalFolderLeavesErrorInTheStationeryPath) {
  DeleteValue(kShellFolders, "Personal");
  const DiscoveryResult found = Discover();
  EXPECT_TRUE(found.mailFound);
  EXPECT_EQ(found.profile.stationeryFolder, "Error/My Stationery");
}

}  // namespace
}  // namespace quill::core
