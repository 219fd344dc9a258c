// Where an installed Windows program keeps its settings and log: %LOCALAPPDATA%\quillstow,
// whatever the variable's length, and the same folder for a process started without it.

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "platform/win32/WindowsApi.h"

namespace quill::platform {
namespace {

// LOCALAPPDATA as the test sets it, and as it was again afterwards.
class LocalAppData {
 public:
  LocalAppData() {
    char value[32768] = {};
    const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", value, sizeof value);
    if (length > 0 && length < sizeof value) saved_ = std::string(value, length);
  }
  ~LocalAppData() { SetEnvironmentVariableA("LOCALAPPDATA", saved_ ? saved_->c_str() : nullptr); }
  LocalAppData(const LocalAppData&) = delete;
  LocalAppData& operator=(const LocalAppData&) = delete;

  void Set(const char* value) { ASSERT_TRUE(SetEnvironmentVariableA("LOCALAPPDATA", value)); }
  void Unset() { SetEnvironmentVariableA("LOCALAPPDATA", nullptr); }

 private:
  std::optional<std::string> saved_;
};

TEST(Win32UserDataFolder, IsQuillstowInTheLocalAppDataFolderWhateverItsLength) {
  LocalAppData variable;
  const std::string longFolder = "D:\\Profiles\\" + std::string(300, 'x') + "\\AppData\\Local";
  const struct {
    std::string value;
    std::string folder;
  } cases[] = {
      {"C:\\Users\\anna\\AppData\\Local", "C:\\Users\\anna\\AppData\\Local\\quillstow"},
      {"C:\\Users\\anna\\AppData\\Local\\", "C:\\Users\\anna\\AppData\\Local\\quillstow"},
      {longFolder, longFolder + "\\quillstow"},
  };
  for (const auto& c : cases) {
    variable.Set(c.value.c_str());
    EXPECT_EQ(UserDataFolder(), c.folder) << c.value.size() << " characters";
  }
}

TEST(Win32UserDataFolder, WithoutTheVariableIsTheSameFolderTheShellNames) {
  LocalAppData variable;
  const std::string given = UserDataFolder();
  ASSERT_GT(given.size(), std::string("C:\\quillstow").size()) << given;
  variable.Unset();
  EXPECT_EQ(UserDataFolder(), given);
  variable.Set("");
  EXPECT_EQ(UserDataFolder(), given);
}

}  // namespace
}  // namespace quill::platform
