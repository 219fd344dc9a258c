#include "core/SharedServices.h"

#include <gtest/gtest.h>

#include "platform/AnsiCodePage.h"
#include "platform/Text.h"
#include "support/RecordingPrompter.h"
#include "support/TestPlatform.h"

namespace quill::core {
namespace {

class SharedServicesTest : public ::testing::Test {
 protected:
  test::TestPlatform host;
  test::RecordingPrompter prompter;
  registry::RegistryKeys reg{host.get().registry()};
  SharedServices services{host.get(), reg};
};

TEST_F(SharedServicesTest, TempFilesAreNewAndEmptyInTheApplicationFolder) {
  const std::string first = services.NewScratchFile("OBR");
  const std::string second = services.NewScratchFile("OBR");
  for (const std::string& path : {first, second}) {
    const std::filesystem::path file(path);
    EXPECT_EQ(file.parent_path(), host.app());
    EXPECT_EQ(file.filename().string().substr(0, 3), "OBR");
    EXPECT_EQ(file.extension(), ".tmp");
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
  }
  EXPECT_NE(first, second);
  std::filesystem::remove_all(host.app());
  EXPECT_EQ(services.NewScratchFile("OBR"), "");
}

TEST_F(SharedServicesTest, AppendLogLineCreatesThenAppends) {
  const std::string log = services.LogPath();
  EXPECT_TRUE(SharedServices::AppendLogLine(log, "one"));
  EXPECT_TRUE(SharedServices::AppendLogLine(log, "two"));
  EXPECT_EQ(test::ReadFile(log), "one\r\ntwo\r\n");
  EXPECT_FALSE(SharedServices::AppendLogLine((host.app() / "no" / "log").string(), "lost"));
}

TEST_F(SharedServicesTest, ExpandsOnlyTheFirstUserProfileVariable) {
  const std::string profile = host.userProfile();
  ASSERT_FALSE(profile.empty());
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"%USERPROFILE%\\AppData\\Local", profile + "\\AppData\\Local"},
      {"%USERPROFILE%", profile},
      {"X:%USERPROFILE%\\a\\%USERPROFILE%", profile + "\\a\\%USERPROFILE%"},
      {"%UserProfile%\\AppData", "%UserProfile%\\AppData"},
      {"D:\\Mail\\Local", "D:\\Mail\\Local"},
      {"%APPDATA%\\x", "%APPDATA%\\x"},
      {"", ""},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(services.ExpandUserProfile(text), expected) << text;
}

TEST(CleanValue, CutsAtNulAndTrimsBlanks) {
  using platform::CleanValue;
  EXPECT_EQ(CleanValue(std::string("  C:\\x  \0junk", 13)), "C:\\x");
  EXPECT_EQ(CleanValue(std::string("\0", 1)), "");
  EXPECT_EQ(CleanValue("   "), "");
}

}  // namespace
}  // namespace quill::core
