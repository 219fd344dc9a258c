#include "registry/RegistryKeys.h"

#include <gtest/gtest.h>

#include "support/TestPrefix.h"

namespace quill::registry {
namespace {
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

constexpr const char* kMail = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail";

class RegistryKeysTest : public ::testing::Test {
 protected:
  test::TestPrefix prefix;
  std::unique_ptr<platform::posix::PosixPlatform> platform = prefix.MakePlatform();
  RegistryKeys reg{platform->registry()};
};

TEST_F(RegistryKeysTest, ParsesKeyPathsAndRefusesMalformedOnes) {
  struct Case {
    std::string path;
    platform::HKey root;
    std::string subPath;
    bool malformed;
  };
  const std::vector<Case> cases = {
      {"HKEY_CURRENT_USER", kHkeyCurrentUser, "", false},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\x y", kHkeyLocalMachine, "SOFTWARE\\x y", false},
      {"HKEY_CLASSES_ROOT\\.txt", 0x80000000, ".txt", false},
      {"HKEY_DYN_DATA", 0x80000006, "", false},
      {"HKEY_Current_User\\Software", 0, "", false},
      {"HKEY_CURRENT_USER\\Software\\", 0, "", true},
      {"hkey_current_user\\Software", 0, "", true},
      {"HKEY", 0, "", true},
      {"", 0, "", true},
  };
  for (const auto& c : cases) {
    const KeyPath parsed = reg.ParseKeyPath(c.path);
    EXPECT_EQ(parsed.root, c.root) << c.path;
    if (c.root != 0) {
      EXPECT_EQ(parsed.subPath, c.subPath) << c.path;
    }
    EXPECT_EQ(parsed.malformed, c.malformed) << c.path;
  }
}

TEST_F(RegistryKeysTest, ARootNameAloneNamesTheRootKey) {
  EXPECT_TRUE(reg.KeyExists("HKEY_CURRENT_USER"));
  const SubKeyList top = reg.GetSubKeys("HKEY_CURRENT_USER");
  EXPECT_EQ(top.names(),
            (std::vector<std::string>{"AppEvents", "Control Panel", "Environment",
                                      "Keyboard Layout", "Software", "Volatile Environment"}));
  EXPECT_TRUE(top.Contains("software"));
  EXPECT_FALSE(top.Contains("Softwar"));
}

// The fixture's values, read as the program reads them (the buffer rules are in
// RegistryKeysContractTest).
TEST_F(RegistryKeysTest, ReadsTheMailClientsValues) {
  EXPECT_EQ(reg.GetStringValue(std::string(kMail) + "\\Nope", "Store Root"), "Error");
  EXPECT_EQ(reg.GetStringValue(kMail, "Store Root"),
            "%UserProfile%\\AppData\\Local\\Microsoft\\Windows Live Mail");
  EXPECT_EQ(
      reg.GetStringValue(
          "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wlmail.exe",
          "Path"),
      "C:\\Program Files (x86)\\Windows Live\\Mail");
  // A DWORD is read as text too: its first three bytes.
  EXPECT_EQ(reg.GetStringValue(kMail, "Language"), std::string("\x09\x04\0", 3));
}

TEST_F(RegistryKeysTest, DeletesAKeyRightBelowTheRoot) {
  EXPECT_EQ(reg.CreateKey("HKEY_CURRENT_USER\\QuillTop"), 0);
  reg.DeleteKey("HKEY_CURRENT_USER\\QuillTop");
  EXPECT_FALSE(reg.KeyExists("HKEY_CURRENT_USER\\QuillTop"));
  auto fresh = prefix.MakePlatform();
  RegistryKeys again(fresh->registry());
  EXPECT_FALSE(again.KeyExists("HKEY_CURRENT_USER\\QuillTop"));
}

TEST_F(RegistryKeysTest, ACreatedKeyThatCannotBeSavedIsReportedAsAFailure) {
  test::TestPrefix other;
  const platform::posix::WinePrefix gone(other.root() / "no-prefix", other.serverRoot());
  platform::posix::WineRegistry registry(gone);
  RegistryKeys unsaved(registry);
  EXPECT_NE(unsaved.CreateKey("HKEY_CURRENT_USER\\Software\\Quill"), 0);
  EXPECT_FALSE(unsaved.KeyExists("HKEY_CURRENT_USER\\Software\\Quill"));
}

}  // namespace
}  // namespace quill::registry
