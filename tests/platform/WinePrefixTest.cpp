#include "platform/posix/WinePrefix.h"

#include <gtest/gtest.h>

#include "support/TestPrefix.h"

namespace quill::platform::posix {
namespace {

TEST(WinePrefix, TurnsWindowsPathsIntoHostPaths) {
  test::TestPrefix prefix;
  std::filesystem::create_directories(prefix.profile() / "AppData" / "Local" / "Microsoft");
  const WinePrefix wine = prefix.winePrefix();
  const std::string drive = std::filesystem::canonical(prefix.prefix() / "drive_c").string();
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"C:\\users\\root\\AppData\\Local", drive + "/users/root/AppData/Local"},
      {"c:\\USERS\\Root\\appdata\\local\\microsoft", drive + "/users/root/AppData/Local/Microsoft"},
      {"C:\\users\\root\\New Folder\\x", drive + "/users/root/New Folder/x"},
      {"C:\\users\\root\\..\\root\\.\\Documents", drive + "/users/root/Documents"},
      {"C:/users/root", drive + "/users/root"},
      {"Z:\\tmp", "/tmp"},
      {"Error\\My Stationery", "Error/My Stationery"},
      {"Q:\\nowhere", "Q:/nowhere"},
  };
  for (const auto& [windows, host] : cases) EXPECT_EQ(wine.ToHostPath(windows), host) << windows;
}

TEST(WinePrefix, FindsItsServerFolderByDeviceAndInode) {
  test::TestPrefix prefix;
  const WinePrefix wine = prefix.winePrefix();
  const auto folder = wine.ServerFolder();
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->parent_path(), prefix.serverRoot() / (".wine-" + std::to_string(getuid())));
  EXPECT_EQ(folder->filename().string().rfind("server-", 0), 0u);
  EXPECT_FALSE(wine.ServerRunning()) << "a lock file nobody holds is no running server";
  std::filesystem::create_directories(*folder);
  test::WriteFile(*folder / "lock", "");
  EXPECT_FALSE(wine.ServerRunning());
}

}  // namespace
}  // namespace quill::platform::posix
