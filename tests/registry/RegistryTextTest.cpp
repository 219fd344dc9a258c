#include "registry/RegistryText.h"

#include <gtest/gtest.h>

#include <optional>

#include "platform/posix/WineRegistry.h"
#include "support/RegistryTextFile.h"
#include "support/RegistryValues.h"
#include "support/TestPrefix.h"

namespace quill::registry {
namespace {
using namespace platform;

const std::string kMail = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail";
const std::string kQuill = "HKEY_CURRENT_USER\\Software\\Quill";

using test::Crlf;
using test::Dword;
using test::Sz;

// Takes everything but the one value it is told to refuse.
class ValueRefusingRegistry : public posix::WineRegistry {
 public:
  explicit ValueRefusingRegistry(const posix::WinePrefix& prefix) : WineRegistry(prefix) {}
  long SetStoredValue(HKey key, const std::string& name, const StoredValue& value) override {
    if (name == refusedValue) return winerr::kAccessDenied;
    return WineRegistry::SetStoredValue(key, name, value);
  }
  std::string refusedValue;
};

class RegistryTextTest : public ::testing::Test {
 protected:
  test::TestPrefix prefix;
  std::unique_ptr<posix::PosixPlatform> platform = prefix.MakePlatform();
  RegistryKeys reg{platform->registry()};
  RegistryText text{platform->registry(), reg};
  std::string file = (prefix.root() / "key.dat").string();

  std::string Export(const std::string& key) { return test::ExportText(text, key, file); }
  ImportResult Import(const std::string& key, const std::string& content) {
    return test::ImportText(text, key, file, content);
  }
  void Set(const std::string& key, const std::string& name, const RegValue& value) {
    test::SetValue(platform->registry(), reg, key, name, value);
  }
  // A value as a fresh look at the saved registry finds it.
  std::optional<RegValue> Get(const std::string& key, const std::string& name) {
    auto fresh = prefix.MakePlatform();
    const KeyPath path = reg.ParseKeyPath(key);
    HKey handle = 0;
    if (fresh->registry().OpenKey(path.root, path.subPath, kKeyRead, handle) != 0)
      return std::nullopt;
    RegValue value;
    std::uint32_t size = 0;
    const long status = fresh->registry().QueryValue(handle, name, 1 << 20, value, size);
    fresh->registry().CloseKey(handle);
    if (status != 0) return std::nullopt;
    return value;
  }
};

void ExpectValue(const std::optional<RegValue>& actual, const RegValue& expected,
                 const std::string& what) {
  ASSERT_TRUE(actual) << what;
  EXPECT_EQ(actual->type, expected.type) << what;
  EXPECT_EQ(actual->data, expected.data) << what;
}

TEST_F(RegistryTextTest, ExportsTheMailKeysExactlyAndImportsThemIntoAnEqualTree) {
  const std::vector<std::pair<std::string, std::string>> keys = {
      {"\\Rules\\Mail",
       Crlf({"\\", "\\000", "\"Flags\"= dw:1", "\"Name\"= sz:Move newsletters",
             "\"Version\"= dw:-1", "\\000\\Actions", "\\000\\Actions\\000",
             "\"Folder\"= sz:Inbox\\Newsletters", "\\000\\Criteria", "\\000\\Criteria\\000",
             "\"Logic\"= dw:-2147483648", "\"Value\"=bin:1,255,16", "\\001",
             "\"Name\"= sz:Caf\xe9 \"quotes\" = equals"})},
      {"\\PerPassportSettings", Crlf({"\\", "\\anna@example.com", "\"JunkMailLevel\"= dw:2",
                                      "\"Safe Senders\"=msz:a@example.com\\0b@example.com\\0"})},
      {"\\signatures", Crlf({"\\", "\\00000000", "\"name\"= sz:Signature #1",
                             "\"text\"= sz:Anna Example - sent with care", "\"type\"= dw:1"})},
      {"\\Advanced Settings", Crlf({"\\", "\"Empty\"=bin:", "\"Path\"=esz:%USERPROFILE%\\Documents",
                                    "\\Column Widths", "\"\"= sz:"})},
  };
  for (const auto& [key, expected] : keys) {
    EXPECT_EQ(Export(kMail + key), expected) << key;
    EXPECT_EQ(Export(kMail + key), expected) << key << " a second time";
    const ImportResult imported = text.ImportKeyFile(kQuill + key, file);
    EXPECT_TRUE(imported.ok) << imported.error;
    EXPECT_EQ(Export(kQuill + key), expected) << key << " imported";
  }
  const std::vector<std::tuple<std::string, std::string, RegValue>> values = {
      {"\\Rules\\Mail\\000\\Criteria\\000", "Logic", Dword(0x80000000)},
      {"\\Rules\\Mail\\001", "Name", Sz("Caf\xc3\xa9 \"quotes\" = equals")},
      {"\\Advanced Settings", "Empty", {regtype::kBinary, ""}},
      {"\\Advanced Settings", "Path", Sz("%USERPROFILE%\\Documents", regtype::kExpandSz)},
      {"\\PerPassportSettings\\anna@example.com",
       "Safe Senders",
       {regtype::kMultiSz, std::string("a@example.com\0b@example.com\0\0", 29)}},
  };
  for (const auto& [key, name, value] : values) ExpectValue(Get(kQuill + key, name), value, name);
}

TEST_F(RegistryTextTest, ImportReplacesTheKeyWithWhatTheFileHolds) {
  ASSERT_TRUE(Import(kMail + "\\Rules\\Mail", "\\\r\n").ok);
  EXPECT_TRUE(reg.KeyExists(kMail + "\\Rules\\Mail"));
  EXPECT_TRUE(reg.GetSubKeys(kMail + "\\Rules\\Mail").empty());
}

TEST_F(RegistryTextTest, AnImportTheRegistryTakesOnlyInPartChangesNothing) {
  // The key is deleted, then rebuilt; the registry refuses one value late in the file.
  const std::string key = kMail + "\\Rules\\Mail";
  const std::string before = test::ReadFile(prefix.userReg());
  const std::string exported = Export(key);
  const posix::WinePrefix wine = prefix.winePrefix();
  ValueRefusingRegistry refusing(wine);
  refusing.refusedValue = "Late";
  RegistryKeys refusingReg(refusing);
  test::WriteFile(file, Crlf({"\\", "\"Early\"= dw:1", "\\000", "\"Late\"= dw:2"}));
  const ImportResult result = RegistryText(refusing, refusingReg).ImportKeyFile(key, file);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "Could not restore " + key + " from " + file +
                              ": could not set \"Late\" in " + key +
                              "\\000 (error 5). Nothing "
                              "was changed.");
  EXPECT_EQ(test::ReadFile(prefix.userReg()), before);
  // What the program sees afterwards is the key as it was, too.
  EXPECT_EQ(Export(key), exported);
}

}  // namespace
}  // namespace quill::registry
