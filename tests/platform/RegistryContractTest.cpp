// The registry behaviour the program relies on, over the Registry interface: the same cases
// run against a Wine prefix's registry on Linux and against the Win32 registry on Windows
// (under Wine in CI).

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/AnsiCodePage.h"
#include "platform/Registry.h"
#include "support/OpenedKey.h"
#include "support/RegistrySandboxes.h"
#include "support/RegistryValues.h"

namespace quill::platform {
namespace {

std::string Dword(std::uint32_t v) {
  return std::string{static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff),
                     static_cast<char>((v >> 16) & 0xff), static_cast<char>(v >> 24)};
}

std::string Sz(const std::string& text) {
  return text + '\0';
}

using test::Opened;

// Every value type the program writes or meets, with the program's text in UTF-8.
const std::vector<std::pair<std::string, RegValue>>& EveryType() {
  static const std::vector<std::pair<std::string, RegValue>> values = {
      {"", {regtype::kSz, Sz("default")}},
      {"Text", {regtype::kSz, Sz("Caf\xc3\xa9 \"q\" \\ =")}},
      {"Expand", {regtype::kExpandSz, Sz("%USERPROFILE%\\x")}},
      {"Multi", {regtype::kMultiSz, std::string("a\0bc\0\0", 6)}},
      {"Binary", {regtype::kBinary, std::string("\x00\x01\xff", 3)}},
      {"Long binary", {regtype::kBinary, std::string(300, '\x7f')}},
      {"Empty", {regtype::kBinary, std::string()}},
      {"Dword", {regtype::kDword, Dword(0x80000001)}},
      {"Qword", {regtype::kQword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)}},
      {"None", {regtype::kNone, std::string("\x05", 1)}},
  };
  return values;
}

// A value as the ANSI calls give it back: string data passes through the code page.
RegValue AsAnsi(const RegValue& value) {
  return IsStringType(value.type) ? RegValue{value.type, AnsiRoundTrip(value.data)} : value;
}

template <typename Sandbox>
class RegistryContract : public ::testing::Test {
 protected:
  Sandbox sandbox;
  Registry& registry = sandbox.registry();
  std::string Sub(const std::string& below) const { return sandbox.subPath() + "\\" + below; }

  void SetValue(const std::string& below, const std::string& name, const RegValue& value) {
    Opened key(registry, kHkeyCurrentUser, Sub(below), true);
    ASSERT_EQ(key.status, winerr::kSuccess) << below;
    ASSERT_EQ(registry.SetValue(key.handle, name, value), winerr::kSuccess) << name;
  }
};
TYPED_TEST_SUITE(RegistryContract, test::RegistrySandboxes, test::RegistrySandboxName);

TYPED_TEST(RegistryContract, ValuesOfEveryTypeReadBackEqualThroughAnotherLook) {
  Registry& registry = this->registry;
  {
    Opened leaf(registry, kHkeyCurrentUser, this->Sub("Tree\\Leaf"), true);
    ASSERT_EQ(leaf.status, winerr::kSuccess);
    for (const auto& [name, value] : EveryType())
      EXPECT_EQ(registry.SetValue(leaf.handle, name, value), winerr::kSuccess) << name;
    EXPECT_EQ(registry.DeleteValue(leaf.handle, "None"), winerr::kSuccess);
    EXPECT_EQ(registry.DeleteValue(leaf.handle, "None"), winerr::kFileNotFound);
  }
  const auto fresh = this->sandbox.Reopen();
  // Key names are found whatever their letter case.
  std::string upper = this->Sub("TREE\\leaf");
  std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  });
  Opened leaf(*fresh, kHkeyCurrentUser, upper);
  ASSERT_EQ(leaf.status, winerr::kSuccess);
  for (const auto& [name, value] : EveryType()) {
    RegValue read;
    std::uint32_t size = 0;
    const long status = fresh->QueryValue(leaf.handle, name, 0xffffffffU, read, size);
    if (name == "None") {
      EXPECT_EQ(status, winerr::kFileNotFound);
      continue;
    }
    ASSERT_EQ(status, winerr::kSuccess) << name;
    const RegValue expected = AsAnsi(value);
    EXPECT_EQ(read.type, expected.type) << name;
    EXPECT_EQ(read.data, expected.data) << name;
    const std::size_t ansiBytes =
        IsStringType(value.type) ? Utf8ToAnsi(value.data).size() : value.data.size();
    EXPECT_EQ(size, ansiBytes) << name;
  }
}

TYPED_TEST(RegistryContract, ReturnsTheErrorCodesOfTheAnsiCalls) {
  Registry& registry = this->registry;
  const std::string rules = this->Sub("Rules");
  const std::string name = Sz("Caf\xc3\xa9 \"quotes\" = equals");  // 23 bytes in code page
  this->SetValue("Rules\\Mail\\001", "Name", {regtype::kSz, name});
  this->SetValue("Rules\\News", "x", {regtype::kDword, Dword(1)});
  Opened key(registry, kHkeyCurrentUser, rules);
  ASSERT_EQ(key.status, winerr::kSuccess);
  Opened rule(registry, kHkeyCurrentUser, rules + "\\Mail\\001");
  ASSERT_EQ(rule.status, winerr::kSuccess);
  // Windows refuses changes through a key opened for reading; the Wine-prefix layer does not
  // check access rights. The program opens a key with the access a change needs, and so do
  // these tests.
  Opened writable(registry, kHkeyCurrentUser, rules + "\\Mail\\001", true);
  ASSERT_EQ(writable.status, winerr::kSuccess);
  HKey handle = 0;
  std::string text;
  RegValue value;
  std::uint32_t size = 0;

  struct Case {
    const char* call;
    long status;
    long expected;
  };
  StoredValue stored;
  const std::vector<Case> cases = {
      {"EnumKey past the end", registry.EnumKey(key.handle, 2, 260, text), winerr::kNoMoreItems},
      {"EnumKey \"Mail\" into 4 chars", registry.EnumKey(key.handle, 0, 4, text),
       winerr::kMoreData},
      {"EnumKey \"Mail\" into 5 chars", registry.EnumKey(key.handle, 0, 5, text), winerr::kSuccess},
      {"EnumValue past the end", registry.EnumValue(rule.handle, 1, text, stored),
       winerr::kNoMoreItems},
      {"QueryValue short buffer", registry.QueryValue(rule.handle, "Name", 10, value, size),
       winerr::kMoreData},
      {"QueryValue missing value", registry.QueryValue(rule.handle, "Missing", 255, value, size),
       winerr::kFileNotFound},
      {"OpenKey missing key",
       registry.OpenKey(kHkeyCurrentUser, rules + "\\Nope", kKeyRead, handle),
       winerr::kFileNotFound},
      {"OpenKey below a missing key",
       registry.OpenKey(kHkeyCurrentUser, rules + "\\Nope\\Deeper", kKeyRead, handle),
       winerr::kFileNotFound},
      {"DeleteKey with subkeys", registry.DeleteKey(kHkeyCurrentUser, rules),
       winerr::kAccessDenied},
      {"DeleteKey missing key", registry.DeleteKey(kHkeyCurrentUser, rules + "\\Nope"),
       winerr::kFileNotFound},
      {"DeleteValue missing value", registry.DeleteValue(writable.handle, "Missing"),
       winerr::kFileNotFound},
      {"OpenKey on a bad handle", registry.OpenKey(0x1234, "", kKeyRead, handle),
       winerr::kInvalidHandle},
      {"CloseKey on a bad handle", registry.CloseKey(0x1234), winerr::kInvalidHandle},
  };
  for (const auto& c : cases) EXPECT_EQ(c.status, c.expected) << c.call;

  EXPECT_EQ(registry.QueryValue(rule.handle, "Name", 10, value, size), winerr::kMoreData);
  EXPECT_EQ(size, Utf8ToAnsi(name).size()) << "the size the call needs";
  EXPECT_TRUE(value.data.empty()) << "nothing of a value that did not fit";
  EXPECT_EQ(registry.QueryValue(rule.handle, "Name", size, value, size), winerr::kSuccess);
  EXPECT_EQ(value.data, AnsiRoundTrip(name));
  EXPECT_EQ(registry.EnumKey(key.handle, 0, 5, text), winerr::kSuccess);
  EXPECT_EQ(text, "Mail");
}

// A value copied exactly is stored and listed again byte for byte, whatever its type and data:
// text the code page lacks, string data without its terminating NUL or of an odd length, lone
// surrogates, type numbers no one defined. Its name passes the code page as ever.
TYPED_TEST(RegistryContract, StoredValuesComeBackByteForByte) {
  const std::string check = "\xe2\x9c\x93";  // ✓: in neither code page 1252 nor 932
  const std::vector<std::pair<std::string, StoredValue>> values = {
      {"Text", {regtype::kSz, test::Wide("Gelesen " + check + " Caf\xc3\xa9")}},
      {"Emoji", {regtype::kSz, test::Wide(std::u16string(u"\U0001F600\0", 3))}},
      {"No end", {regtype::kSz, test::Wide("ab", false)}},
      {"Odd", {regtype::kSz, std::string("a\0b", 3)}},
      {"Empty", {regtype::kExpandSz, std::string()}},
      {"Lone", {regtype::kExpandSz, test::Wide(std::u16string(u"x\xD800\0", 3))}},
      {"Multi", {regtype::kMultiSz, test::Wide(std::u16string(u"a\0\x2713\0\0", 5))}},
      {"Qword", {regtype::kQword, std::string("\xef\xbe\xad\xde\x0d\xf0\xd9\x01", 8)}},
      {"Short", {regtype::kDword, std::string("\x01\x02\x03", 3)}},
      {"None", {regtype::kNone, std::string()}},
      {"Big", {regtype::kDwordBigEndian, std::string("\0\0\0\x01", 4)}},
      {"Any", {0x12345, std::string("\x00\xff", 2)}},
      {"Caf\xc3\xa9 " + check, {regtype::kBinary, std::string("\x01", 1)}},
  };
  {
    Opened key(this->registry, kHkeyCurrentUser, this->Sub("Stored"), true);
    ASSERT_EQ(key.status, winerr::kSuccess);
    for (const auto& [name, value] : values)
      EXPECT_EQ(this->registry.SetStoredValue(key.handle, name, value), winerr::kSuccess) << name;
  }
  const auto fresh = this->sandbox.Reopen();
  Opened key(*fresh, kHkeyCurrentUser, this->Sub("Stored"));
  ASSERT_EQ(key.status, winerr::kSuccess);
  std::vector<std::pair<std::string, StoredValue>> listed;
  std::string name;
  StoredValue value;
  for (std::uint32_t i = 0; fresh->EnumValue(key.handle, i, name, value) == winerr::kSuccess; ++i)
    listed.emplace_back(name, value);
  ASSERT_EQ(listed.size(), values.size());
  for (const auto& [written, expected] : values) {
    const auto it = std::find_if(listed.begin(), listed.end(), [&](const auto& item) {
      return item.first == AnsiRoundTrip(written);
    });
    ASSERT_NE(it, listed.end()) << written;
    EXPECT_EQ(it->second.type, expected.type) << written;
    EXPECT_EQ(it->second.bytes, expected.bytes) << written;
  }
}

// Windows and Wine list subkeys sorted by name, letters compared without regard to case, and
// the Wine-prefix layer keeps them in the same order: RegistryKeys's subkey lists rely on it.
TYPED_TEST(RegistryContract, ListsSubkeysByNameWhateverTheOrderOfCreation) {
  for (const char* name : {"b", "C", "a", "B2", "000"})
    this->SetValue(std::string("Sorted\\") + name, "", {regtype::kSz, Sz("")});
  Opened key(this->registry, kHkeyCurrentUser, this->Sub("Sorted"));
  ASSERT_EQ(key.status, winerr::kSuccess);
  std::vector<std::string> names;
  std::string name;
  while (this->registry.EnumKey(key.handle, static_cast<std::uint32_t>(names.size()), 260, name) ==
         winerr::kSuccess)
    names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"000", "a", "b", "B2", "C"}));
}

// The order of values differs between registries: Windows lists them in the order they were
// first written, while Wine (8.0) and the Wine-prefix layer list them sorted by name, as Wine's
// registry files hold them. The program relies only on every value being listed once, by
// index from 0 until kNoMoreItems (the registry text export writes them in whatever order the
// registry lists them), so this test checks that and not the order.
TYPED_TEST(RegistryContract, ListsEveryValueOnceInSomeOrder) {
  const std::vector<std::string> written = {"zeta", "Alpha", "", "mid", "beta"};
  for (const auto& name : written) this->SetValue("Values", name, {regtype::kSz, Sz(name)});
  this->SetValue("Values", "mid", {regtype::kDword, Dword(7)});  // rewritten, not added
  Opened key(this->registry, kHkeyCurrentUser, this->Sub("Values"));
  ASSERT_EQ(key.status, winerr::kSuccess);
  std::vector<std::string> listed;
  std::string name;
  StoredValue value;
  while (this->registry.EnumValue(key.handle, static_cast<std::uint32_t>(listed.size()), name,
                                  value) == winerr::kSuccess) {
    listed.push_back(name);
    if (name == "mid") {
      EXPECT_EQ(value.type, regtype::kDword);
      EXPECT_EQ(value.bytes, Dword(7));
    } else {
      EXPECT_EQ(value.bytes, test::Wide(name));
    }
  }
  std::vector<std::string> expected = written;
  std::sort(expected.begin(), expected.end());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, expected);
}

TYPED_TEST(RegistryContract, ACreatedKeyMakesItsParentsAndAnExistingOneOpens) {
  Registry& registry = this->registry;
  {
    Opened made(registry, kHkeyCurrentUser, this->Sub("One\\Two\\Three"), true);
    ASSERT_EQ(made.status, winerr::kSuccess);
    ASSERT_EQ(registry.SetValue(made.handle, "v", {regtype::kDword, Dword(3)}), winerr::kSuccess);
    Opened again(registry, kHkeyCurrentUser, this->Sub("One\\Two\\Three"), true);
    ASSERT_EQ(again.status, winerr::kSuccess);
    RegValue value;
    std::uint32_t size = 0;
    EXPECT_EQ(registry.QueryValue(again.handle, "v", 4, value, size), winerr::kSuccess)
        << "creating an existing key keeps its values";
  }
  for (const char* below : {"One", "One\\Two"})
    EXPECT_EQ(Opened(registry, kHkeyCurrentUser, this->Sub(below)).status, winerr::kSuccess)
        << below;
  EXPECT_EQ(registry.DeleteKey(kHkeyCurrentUser, this->Sub("One\\Two\\Three")), winerr::kSuccess);
  EXPECT_EQ(Opened(registry, kHkeyCurrentUser, this->Sub("One\\Two\\Three")).status,
            winerr::kFileNotFound);
  EXPECT_EQ(Opened(registry, kHkeyCurrentUser, this->Sub("One\\Two")).status, winerr::kSuccess)
      << "its parent stays";
}

TYPED_TEST(RegistryContract, AChangeMadeThroughAnotherLookIsSeen) {
  EXPECT_EQ(Opened(this->registry, kHkeyCurrentUser, this->Sub("Later")).status,
            winerr::kFileNotFound);
  {
    const auto other = this->sandbox.Reopen();
    Opened made(*other, kHkeyCurrentUser, this->Sub("Later"), true);
    ASSERT_EQ(made.status, winerr::kSuccess);
  }
  EXPECT_EQ(Opened(this->registry, kHkeyCurrentUser, this->Sub("Later")).status, winerr::kSuccess);
}

TYPED_TEST(RegistryContract, AnOpenHandleToADeletedKeyReportsTheDeletion) {
  Registry& registry = this->registry;
  Opened key(registry, kHkeyCurrentUser, this->Sub("Doomed"), true);
  ASSERT_EQ(key.status, winerr::kSuccess);
  ASSERT_EQ(registry.DeleteKey(kHkeyCurrentUser, this->Sub("Doomed")), winerr::kSuccess);
  EXPECT_EQ(registry.SetValue(key.handle, "x", {regtype::kDword, Dword(1)}), winerr::kKeyDeleted);
}

// Names and string data pass through the ANSI code page: what it lacks comes back as '?',
// sizes count code-page bytes, and a double-byte character whose second byte is a backslash
// (0x5C in code page 932) stays inside its key name.
TYPED_TEST(RegistryContract, NamesAndTextsPassThroughTheCodePage) {
  Registry& registry = this->registry;
  const std::string keyName = "\xe8\xa1\xa8\xe7\xa4\xba";           // 表示: 95 5C 8E A6 in 932
  const std::string text = Sz("\xe2\x82\xac\xe6\x97\xa5\xc3\xa9");  // €日é
  this->SetValue("Texts\\" + keyName, "\xe5\x90\x8d", {regtype::kSz, text});  // 名
  Opened parent(registry, kHkeyCurrentUser, this->Sub("Texts"));
  ASSERT_EQ(parent.status, winerr::kSuccess);
  std::string name;
  ASSERT_EQ(registry.EnumKey(parent.handle, 0, 260, name), winerr::kSuccess);
  EXPECT_EQ(name, AnsiRoundTrip(keyName));
  EXPECT_EQ(registry.EnumKey(parent.handle, 1, 260, name), winerr::kNoMoreItems)
      << "one key, not split at a backslash byte";
  Opened key(registry, kHkeyCurrentUser, this->Sub("Texts\\" + keyName));
  ASSERT_EQ(key.status, winerr::kSuccess);
  StoredValue stored;
  ASSERT_EQ(registry.EnumValue(key.handle, 0, name, stored), winerr::kSuccess);
  EXPECT_EQ(name, AnsiRoundTrip("\xe5\x90\x8d"));
  EXPECT_EQ(stored.bytes, test::Wide(AnsiRoundTrip(text), false))
      << "stored as the code page left it";
  RegValue value;
  std::uint32_t size = 0;
  ASSERT_EQ(registry.QueryValue(key.handle, "\xe5\x90\x8d", 255, value, size), winerr::kSuccess);
  EXPECT_EQ(size, Utf8ToAnsi(text).size());
}

}  // namespace
}  // namespace quill::platform
