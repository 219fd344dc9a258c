// RegistryKeys over the Registry interface, below a scratch key: the same cases on a Wine prefix's
// registry (Linux) and on the Win32 registry (Windows).

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/AnsiCodePage.h"
#include "registry/RegistryKeys.h"
#include "support/RecordingPrompter.h"
#include "support/RegistrySandboxes.h"

namespace quill::registry {
namespace {
using platform::kHkeyCurrentUser;

template <typename Sandbox>
class RegistryKeysContract : public ::testing::Test {
 protected:
  Sandbox sandbox;
  RegistryKeys reg{sandbox.registry()};
  const std::string key = sandbox.keyPath();

  void Set(const std::string& keyPath, const std::string& name, const std::string& data,
           std::uint32_t type = platform::regtype::kSz) {
    const KeyPath path = reg.ParseKeyPath(keyPath);
    platform::HKey handle = 0;
    ASSERT_EQ(sandbox.registry().CreateKey(path.root, path.subPath, handle), 0);
    ASSERT_EQ(sandbox.registry().SetValue(handle, name, {type, data}), 0);
    ASSERT_EQ(sandbox.registry().CloseKey(handle), 0);
  }
  // RegistryKeys over a fresh look at the registry, seeing what was saved.
  template <typename Check>
  void Afresh(Check check) {
    const auto fresh = sandbox.Reopen();
    RegistryKeys again(*fresh);
    check(again);
  }
};
TYPED_TEST_SUITE(RegistryKeysContract, test::RegistrySandboxes, test::RegistrySandboxName);

TYPED_TEST(RegistryKeysContract, ReadsStringValuesThroughA255ByteBuffer) {
  const std::string& key = this->key;
  this->Set(key, "254", std::string(254, 'x') + '\0');
  this->Set(key, "255", std::string(255, 'x') + '\0');
  this->Set(key, "blanks", std::string("  padded value ") + '\0');
  this->Set(key, "ansi", std::string("Caf\xc3\xa9 \xe6\x97\xa5") + '\0');
  this->Set(key, "multi", std::string("a\0b\0\0", 5), platform::regtype::kMultiSz);
  this->Set(key, "empty", "", platform::regtype::kBinary);
  this->Set(key, "dword", std::string("\x09\x04\0\0", 4), platform::regtype::kDword);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"254", std::string(254, 'x')},
      {"255", "Error"},
      {"blanks", "padded value"},
      {"ansi", platform::AnsiRoundTrip("Caf\xc3\xa9 \xe6\x97\xa5")},
      {"multi", std::string("a\0b\0", 4)},
      {"empty", ""},
      {"missing", "Error"},
      {"dword", std::string("\x09\x04\0", 3)},  // a DWORD is read as text: its first 3 bytes
  };
  for (const auto& [name, expected] : cases)
    EXPECT_EQ(this->reg.GetStringValue(key, name), expected) << name;
  EXPECT_EQ(this->reg.GetStringValue(key + "\\Nope", "254"), "Error");
}

TYPED_TEST(RegistryKeysContract, ListsSubkeysInRegistryOrderFoundWhateverTheCase) {
  const std::string& key = this->key;
  for (const char* name : {"signatures", "Rules", "Advanced Settings", "PerPassportSettings"})
    ASSERT_EQ(this->reg.CreateKey(key + "\\" + name), 0) << name;
  const SubKeyList list = this->reg.GetSubKeys(key);
  EXPECT_EQ(list.names(), (std::vector<std::string>{"Advanced Settings", "PerPassportSettings",
                                                    "Rules", "signatures"}));
  EXPECT_TRUE(list.Contains("SIGNATURES"));
  EXPECT_FALSE(list.Contains("Rule"));
  EXPECT_TRUE(this->reg.GetSubKeys(key + "\\Missing").empty());
  EXPECT_TRUE(this->reg.GetSubKeys(key + "\\Rules").empty());
}

TYPED_TEST(RegistryKeysContract, CreatesKeysWithEveryMissingParent) {
  const std::string created = this->key + "\\Rules\\Junk\\000\\Criteria";
  EXPECT_FALSE(this->reg.KeyExists(created));
  EXPECT_EQ(this->reg.CreateKey(created), 0);
  EXPECT_EQ(this->reg.CreateKey(created), 0) << "an existing key";
  this->Afresh([&](RegistryKeys& again) { EXPECT_TRUE(again.KeyExists(created)); });
  EXPECT_NE(this->reg.CreateKey("HKEY_PERFORMANCE_DATA\\x"), 0);
}

TYPED_TEST(RegistryKeysContract, DeleteKeySparesKeysWithSubkeysAndDeleteKeyTreeTakesThemAll) {
  RegistryKeys& reg = this->reg;
  const std::string rules = this->key + "\\Rules";
  for (const char* below :
       {"\\Mail\\000\\Actions\\000", "\\Mail\\000\\Criteria\\000", "\\Mail\\001", "\\News\\000"})
    ASSERT_EQ(reg.CreateKey(rules + below), 0) << below;
  this->Set(rules + "\\Mail\\001", "Name", std::string("x") + '\0');
  reg.DeleteKey(rules);
  EXPECT_TRUE(reg.KeyExists(rules + "\\Mail\\000\\Actions\\000"));
  reg.DeleteKeyTree(rules + "\\Mail");
  EXPECT_FALSE(reg.KeyExists(rules + "\\Mail"));
  EXPECT_TRUE(reg.KeyExists(rules + "\\News\\000"));
  EXPECT_EQ(reg.GetSubKeys(rules).names(), std::vector<std::string>{"News"});
  reg.DeleteKey(rules + "\\News\\000");
  EXPECT_FALSE(reg.KeyExists(rules + "\\News\\000")) << "a key without subkeys";

  this->Afresh([&](RegistryKeys& again) {
    EXPECT_FALSE(again.KeyExists(rules + "\\Mail"));
    EXPECT_TRUE(again.KeyExists(rules + "\\News"));
  });
}

TYPED_TEST(RegistryKeysContract, MalformedPathsChangeNothing) {
  const std::string& key = this->key;
  ASSERT_EQ(this->reg.CreateKey(key + "\\Kept"), 0);
  for (const std::string& path : {key + "\\", "HKEY_Current_User\\" + this->sandbox.subPath()}) {
    EXPECT_FALSE(this->reg.KeyExists(path)) << path;
    EXPECT_TRUE(this->reg.GetSubKeys(path).empty()) << path;
    EXPECT_EQ(this->reg.GetStringValue(path, "x"), "") << path;
    EXPECT_NE(this->reg.CreateKey(path), 0) << path;
    this->reg.DeleteKey(path);
    this->reg.DeleteKeyTree(path);
  }
  EXPECT_EQ(this->reg.GetSubKeys(key).names(), std::vector<std::string>{"Kept"});
}

}  // namespace
}  // namespace quill::registry
