// Registry text files over the Registry interface, below a scratch key: the same cases on a
// Wine prefix's registry (Linux) and on the Win32 registry (Windows).

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/AnsiCodePage.h"
#include "registry/RegistryText.h"
#include "support/RecordingPrompter.h"
#include "support/RegistrySandboxes.h"
#include "support/RegistryTextFile.h"
#include "support/RegistryValues.h"
#include "support/TempDir.h"

namespace quill::registry {
namespace {
using namespace platform;

using test::Crlf;
using test::Dword;
using test::Sz;

// Another registry seen through this one: subkeys and values listed in reverse, which shows
// that the export follows the registry's order whatever it is; with refusal set every change
// is refused, as Wine's registry does while wineserver runs.
class ReversedRegistry : public Registry {
 public:
  explicit ReversedRegistry(Registry& inner) : inner_(inner) {}
  long OpenKey(HKey parent, const std::string& sub, std::uint32_t access, HKey& out) override {
    return inner_.OpenKey(parent, sub, access, out);
  }
  long CreateKey(HKey parent, const std::string& sub, HKey& out) override {
    return refusal != 0 ? refusal : inner_.CreateKey(parent, sub, out);
  }
  long CloseKey(HKey key) override { return inner_.CloseKey(key); }
  long EnumKey(HKey key, std::uint32_t index, std::uint32_t chars, std::string& name) override {
    std::uint32_t count = 0;
    for (std::string n; inner_.EnumKey(key, count, 1000, n) == 0;) ++count;
    return inner_.EnumKey(key, index < count ? count - 1 - index : index, chars, name);
  }
  long EnumValue(HKey key, std::uint32_t index, std::string& name, StoredValue& value) override {
    std::uint32_t count = 0;
    for (std::string n; inner_.EnumValue(key, count, n, value) == 0;) ++count;
    return inner_.EnumValue(key, index < count ? count - 1 - index : index, name, value);
  }
  long QueryValue(HKey key, const std::string& name, std::uint32_t bytes, RegValue& value,
                  std::uint32_t& size) override {
    return inner_.QueryValue(key, name, bytes, value, size);
  }
  long SetValue(HKey key, const std::string& name, const RegValue& value) override {
    return refusal != 0 ? refusal : inner_.SetValue(key, name, value);
  }
  long SetStoredValue(HKey key, const std::string& name, const StoredValue& value) override {
    return refusal != 0 ? refusal : inner_.SetStoredValue(key, name, value);
  }
  long DeleteKey(HKey parent, const std::string& sub) override {
    return refusal != 0 ? refusal : inner_.DeleteKey(parent, sub);
  }
  long DeleteValue(HKey key, const std::string& name) override {
    return refusal != 0 ? refusal : inner_.DeleteValue(key, name);
  }
  long refusal = 0;

 private:
  Registry& inner_;
};

template <typename Sandbox>
class RegistryTextContract : public ::testing::Test {
 protected:
  Sandbox sandbox;
  test::TempDir dir;
  RegistryKeys reg{sandbox.registry()};
  RegistryText text{sandbox.registry(), reg};
  const std::string key = sandbox.keyPath();
  std::string file = (dir.path() / "key.dat").string();

  std::string Export(const std::string& keyPath) { return test::ExportText(text, keyPath, file); }
  ImportResult Import(const std::string& keyPath, const std::string& content) {
    return test::ImportText(text, keyPath, file, content);
  }
  void Set(const std::string& keyPath, const std::string& name, const RegValue& value) {
    test::SetValue(sandbox.registry(), reg, keyPath, name, value);
  }
  // The values of a key as a fresh look at the saved registry lists them.
  std::vector<std::pair<std::string, StoredValue>> Stored(const std::string& keyPath) {
    const auto fresh = sandbox.Reopen();
    const KeyPath path = reg.ParseKeyPath(keyPath);
    std::vector<std::pair<std::string, StoredValue>> values;
    HKey handle = 0;
    if (fresh->OpenKey(path.root, path.subPath, kKeyRead, handle) != 0) return values;
    std::string name;
    StoredValue value;
    for (std::uint32_t i = 0; fresh->EnumValue(handle, i, name, value) == 0; ++i)
      values.emplace_back(name, value);
    fresh->CloseKey(handle);
    return values;
  }
  // A value as a fresh look at the saved registry finds it.
  std::optional<RegValue> Get(const std::string& keyPath, const std::string& name) {
    const auto fresh = sandbox.Reopen();
    const KeyPath path = reg.ParseKeyPath(keyPath);
    HKey handle = 0;
    if (fresh->OpenKey(path.root, path.subPath, kKeyRead, handle) != 0) return std::nullopt;
    RegValue value;
    std::uint32_t size = 0;
    const long status = fresh->QueryValue(handle, name, 1 << 20, value, size);
    fresh->CloseKey(handle);
    if (status != 0) return std::nullopt;
    return value;
  }
};
TYPED_TEST_SUITE(RegistryTextContract, test::RegistrySandboxes, test::RegistrySandboxName);

void ExpectValue(const std::optional<RegValue>& actual, const RegValue& expected,
                 const std::string& what) {
  ASSERT_TRUE(actual) << what;
  EXPECT_EQ(actual->type, expected.type) << what;
  EXPECT_EQ(actual->data, expected.data) << what;
}

TYPED_TEST(RegistryTextContract, WritesAKeyInRegistryOrderAndReadsItBack) {
  const std::string example = this->key + "\\Example";
  this->Set(example, "", Sz(""));
  this->Set(example + "\\000", "Name", Sz("Junk"));
  this->Set(example + "\\000", "Flags", Dword(1));
  this->Set(example + "\\000", "Data", {regtype::kBinary, "\x01\xff\x10"});
  this->Set(example + "\\000\\Cond", "Logic", Dword(0xFFFFFFFF));
  this->Set(example + "\\001", "Name", Sz("Second"));
  ReversedRegistry reversed(this->sandbox.registry());
  RegistryKeys reversedReg(reversed);
  RegistryText reversedText(reversed, reversedReg);
  ASSERT_TRUE(reversedText.ExportKey(example, this->file).ok);
  const std::string exported = test::ReadFile(this->file);
  // Which of Flags, Name and Data comes first is the registry's value order, which differs
  // between Windows and the Wine-based registries: the lines are checked against the order
  // the registry lists.
  std::vector<std::string> values;
  {
    HKey handle = 0;
    ASSERT_EQ(reversed.OpenKey(kHkeyCurrentUser, this->sandbox.subPath() + "\\Example\\000",
                               kKeyRead, handle),
              0);
    std::string name;
    StoredValue value;
    for (std::uint32_t i = 0; reversed.EnumValue(handle, i, name, value) == 0; ++i)
      values.push_back(name == "Name"    ? "\"Name\"= sz:Junk"
                       : name == "Flags" ? "\"Flags\"= dw:1"
                                         : "\"Data\"=bin:1,255,16");
    reversed.CloseKey(handle);
  }
  ASSERT_EQ(values.size(), 3u);
  const std::string expected =
      Crlf({"\\", "\"\"= sz:", "\\001", "\"Name\"= sz:Second", "\\000", values[0], values[1],
            values[2], "\\000\\Cond", "\"Logic\"= dw:-1"});
  EXPECT_EQ(exported, expected) << "subkeys in reverse: 001 before 000";

  ASSERT_TRUE(reversedText.ImportKeyFile(this->key + "\\Copy", this->file).ok);
  ASSERT_TRUE(this->text.ExportKey(this->key + "\\Copy", this->file).ok);
  ASSERT_TRUE(this->text.ExportKey(example, this->file + "2").ok);
  EXPECT_EQ(test::ReadFile(this->file), test::ReadFile(this->file + "2")) << "an equal tree";
}

// A value of every type and kind of data, exported and imported into another key: the line
// it makes in each code page, and the value that comes back byte for byte.
TYPED_TEST(RegistryTextContract, EveryValueMakesItsLineAndComesBackByteForByte) {
  struct Case {
    std::string name;
    StoredValue value;
    std::string line;          // UTF-8; the file holds it in the code page
    std::string line932 = {};  // where code page 932 makes another line
  };
  const std::string check = "\xe2\x9c\x93";                          // ✓
  const std::string cafe = "Caf\xc3\xa9 \xe2\x82\xac \xe6\x97\xa5";  // Café € 日
  const auto wide = [](std::u16string text) { return test::Wide(text); };
  const std::vector<Case> cases = {
      {"n", test::Stored(Dword(0x80000000)), "\"n\"= dw:-2147483648"},
      {"n", test::Stored(Dword(0x7FFFFFFF)), "\"n\"= dw:2147483647"},
      {"n", {regtype::kDword, std::string("\x01\x02\x03", 3)}, "\"n\"=raw:4:1,2,3"},
      {"b", {regtype::kBinary, std::string("\0\xff", 2)}, "\"b\"=bin:0,255"},
      {"b", {regtype::kBinary, ""}, "\"b\"=bin:"},
      {"s", {regtype::kSz, test::Wide("C:\\new\\table")}, "\"s\"= sz:C:\\new\\table"},
      {"s", {regtype::kSz, test::Wide(std::string("a\0b", 3))}, std::string("\"s\"= sz:a\0b", 11)},
      {"s", {regtype::kSz, test::Wide("Anna\r\nC:\\x")}, "\"s\"= sx:Anna\\r\\nC:\\\\x"},
      {"s",
       {regtype::kSz, test::Wide(cafe)},
       "\"s\"= su:Caf\xc3\xa9 \xe2\x82\xac \\u65E5",
       "\"s\"= su:Caf\\u00E9 \\u20AC \xe6\x97\xa5"},
      {"s",
       {regtype::kSz, test::Wide("Gelesen " + check + " \"ok\"\r\n")},
       "\"s\"= su:Gelesen \\u2713 \\u0022ok\\u0022\\r\\n"},
      {"s",
       {regtype::kSz, wide(std::u16string(u"\U0001F600 x\xD800\0", 6))},
       "\"s\"= su:\\uD83D\\uDE00 x\\uD800"},
      {"s", {regtype::kSz, test::Wide("ab", false)}, "\"s\"=raw:1:97,0,98,0"},
      {"s", {regtype::kSz, std::string("a\0b", 3)}, "\"s\"=raw:1:97,0,98"},
      {"e", {regtype::kExpandSz, test::Wide("%A%\n")}, "\"e\"=esx:%A%\\n"},
      {"e",
       {regtype::kExpandSz, test::Wide("%USERPROFILE%\\" + check)},
       "\"e\"=esu:%USERPROFILE%\\\\\\u2713"},
      {"m",
       {regtype::kMultiSz, wide(std::u16string(u"a@b.biz\0\x2713 \"q\"\0\0", 15))},
       "\"m\"=msz:a@b.biz\\0\\u2713 \\u0022q\\u0022\\0"},
      {"m", {regtype::kMultiSz, wide(std::u16string(1, u'\0'))}, "\"m\"=msz:"},
      {"m", {regtype::kMultiSz, ""}, "\"m\"=raw:7:"},
      {"q",
       {regtype::kQword, std::string("\xef\xbe\xad\xde\x0d\xf0\xd9\x01", 8)},
       "\"q\"= qw:133401606345309935"},
      {"q", {regtype::kQword, std::string(8, '\xff')}, "\"q\"= qw:-1"},
      {"q",
       {regtype::kQword, std::string("\0\0\0\0\0\0\0\x80", 8)},
       "\"q\"= qw:-9223372036854775808"},
      {"z", {regtype::kNone, ""}, "\"z\"=raw:0:"},
      {"z", {regtype::kNone, "\x40\x47"}, "\"z\"=raw:0:64,71"},
      {"z", {0x12345, "\x01"}, "\"z\"=raw:74565:1"},
      {"a=b", {regtype::kSz, test::Wide("1")}, "\"a=b\"= sz:1"},
      {"say \"hi\"=", {regtype::kSz, test::Wide("1")}, "\"say \"hi\"=\"= sz:1"},
  };
  const bool cp932 = AnsiCodePageId() == 932;
  for (const auto& c : cases) {
    const std::string line = cp932 && !c.line932.empty() ? c.line932 : c.line;
    this->reg.DeleteKeyTree(this->key);
    test::SetStoredValue(this->sandbox.registry(), this->reg, this->key + "\\From", c.name,
                         c.value);
    EXPECT_EQ(this->Export(this->key + "\\From"), Crlf({"\\", Utf8ToAnsi(line)})) << line;
    ASSERT_TRUE(this->text.ImportKeyFile(this->key + "\\To", this->file).ok) << line;
    const auto back = this->Stored(this->key + "\\To");
    ASSERT_EQ(back.size(), 1u) << line;
    EXPECT_EQ(back[0].first, c.name) << line;
    EXPECT_EQ(back[0].second.type, c.value.type) << line;
    EXPECT_EQ(back[0].second.bytes, c.value.bytes) << line;
  }
}

TYPED_TEST(RegistryTextContract, LeavesOutNamesThatCannotReadBack) {
  const std::string names = this->key + "\\Names";
  this->Set(names, "x\"= sz:y", Sz("1"));
  this->Set(names, "line\nbreak", Sz("2"));
  this->Set(names, "kept", Sz("3"));
  const ExportResult result = this->text.ExportKey(names, this->file);
  EXPECT_TRUE(result.ok);
  std::vector<SkippedName> skipped = result.skipped;
  std::sort(skipped.begin(), skipped.end(),
            [](const SkippedName& a, const SkippedName& b) { return a.value < b.value; });
  EXPECT_EQ(skipped,
            (std::vector<SkippedName>{{names, "line\nbreak", false}, {names, "x\"= sz:y", false}}));
  EXPECT_EQ(test::ReadFile(this->file), Crlf({"\\", "\"kept\"= sz:3"}));
}

TYPED_TEST(RegistryTextContract, SkipsUnknownTagsAndStopsAtTheFirstEmptyLine) {
  const ImportResult result = this->Import(
      this->key, Crlf({"\\", "\"a\"= SZ:x", "\"b\"=BIN:1", "\"c\"= DW:1", "\"d\"=ESZ:x",
                       "\"e\"=qwd:1", "\"kept\"= dw:7", "", "\"after\"= sz:2", "broken"}));
  EXPECT_TRUE(result.ok) << result.error;
  for (const char* name : {"a", "b", "c", "d", "e", "after"})
    EXPECT_FALSE(this->Get(this->key, name)) << name;
  ExpectValue(this->Get(this->key, "kept"), Dword(7), "kept");
}

TYPED_TEST(RegistryTextContract, AMissingKeyExportsAsItsHeaderAndReplacesTheFile) {
  test::WriteFile(this->file, "old content\r\n");
  EXPECT_EQ(this->Export(this->key + "\\Missing"), "\\\r\n");
  EXPECT_FALSE(this->reg.KeyExists(this->key + "\\Missing"));
  for (const std::string& bad : {(this->dir.path() / "no" / "k.dat").string(), this->dir.text()}) {
    const ExportResult result = this->text.ExportKey(this->key, bad);
    EXPECT_FALSE(result.ok) << bad;
    EXPECT_NE(result.error.find(bad), std::string::npos) << result.error;
  }
}

TYPED_TEST(RegistryTextContract, ADamagedFileChangesNothingAndNamesTheLine) {
  const std::string rules = this->key + "\\Rules";
  this->Set(rules + "\\000", "Name", Sz("Keep me"));
  this->Set(rules + "\\000\\Actions", "Flags", Dword(3));
  const std::string before = this->Export(rules);
  const std::string head = "\\\r\n\"ok\"= sz:1\r\n";
  struct Case {
    std::string content;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"", "damaged: it holds no key"},
      {head + "\"Name\" sz:x\r\n", "line 3 (\"Name\" sz:x): \"=\" is missing"},
      {head + "\"n\"= dw:2147483648\r\n", "\"2147483648\" is not a 32-bit number"},
      {head + "\"b\"=bin:1, 256\r\n", "line 3 (\"b\"=bin:1, 256): \"256\" is not a byte value"},
      {head + "\\a\\\\b\r\n", "line 3 (\\a\\\\b): a key name in the header is empty"},
      {"\"a\"= sz:1\r\n\\\r\n", "line 1 (\"a\"= sz:1): a value comes before the first key"},
      {head + "\"s\"= sx:a\\q\r\n", "line 3 (\"s\"= sx:a\\q): a backslash in the text"},
      {head + "\"n\"\r\n\"m\"= dw:1\r\n", "line 3 (\"n\"): \"=\" is missing"},
  };
  const std::string saved = this->file + ".before";
  for (const auto& c : cases) {
    const ImportResult result = this->Import(rules, c.content);
    EXPECT_FALSE(result.ok) << c.expected;
    EXPECT_NE(result.error.find(c.expected), std::string::npos) << result.error;
    ASSERT_TRUE(this->text.ExportKey(rules, saved).ok);
    EXPECT_EQ(test::ReadFile(saved), before) << c.expected;
  }
  const ImportResult missing = this->text.ImportKeyFile(rules, this->file + ".missing");
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.error,
            "Could not read the registry file " + this->file + ".missing. Nothing was changed.");
}

TYPED_TEST(RegistryTextContract, AnImportTheRegistryRefusesIsAFailure) {
  const std::string rules = this->key + "\\Rules";
  this->Set(rules + "\\000", "Name", Sz("Keep me"));
  const std::string content = this->Export(rules);
  ReversedRegistry refusing(this->sandbox.registry());
  refusing.refusal = winerr::kSharingViolation;
  RegistryKeys refusingReg(refusing);
  const ImportResult result = RegistryText(refusing, refusingReg).ImportKeyFile(rules, this->file);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("could not create " + rules + " (error 32)"), std::string::npos)
      << result.error;
  ExpectValue(this->Get(rules + "\\000", "Name"), Sz("Keep me"), "Name");
}

}  // namespace
}  // namespace quill::registry
