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
  long EnumValue(HKey key, std::uint32_t index, std::string& name, RegValue& value) override {
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
    RegValue value;
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

TYPED_TEST(RegistryTextContract, EachValueTypeMakesItsLineAndComesBackTheSame) {
  struct Case {
    std::string name;
    RegValue value;
    std::string line;
    std::optional<RegValue> back = std::nullopt;  // when it differs from value
  };
  const std::string cafe = "Caf\xc3\xa9 \xe2\x82\xac \xe6\x97\xa5";
  const std::vector<Case> cases = {
      {"n", Dword(0x80000000), "\"n\"= dw:-2147483648"},
      {"n", Dword(0x7FFFFFFF), "\"n\"= dw:2147483647"},
      {"n", Dword(0), "\"n\"= dw:0"},
      {"b", {regtype::kBinary, std::string("\0\xff", 2)}, "\"b\"=bin:0,255"},
      {"b", {regtype::kBinary, ""}, "\"b\"=bin:"},
      {"s", Sz("C:\\new\\table"), "\"s\"= sz:C:\\new\\table"},
      {"s", Sz(cafe), "\"s\"= sz:" + Utf8ToAnsi(cafe), Sz(AnsiRoundTrip(cafe))},
      {"s", Sz(std::string("a\0b", 3)), std::string("\"s\"= sz:a\0b", 11)},
      {"s", {regtype::kSz, "no end"}, "\"s\"= sz:no end", Sz("no end")},
      {"s", Sz("Anna\r\nC:\\x"), "\"s\"= sx:Anna\\r\\nC:\\\\x"},
      {"e", Sz("%A%\n", regtype::kExpandSz), "\"e\"=esx:%A%\\n"},
      {"a=b", Sz("1"), "\"a=b\"= sz:1"},
      {"say \"hi\"=", Sz("1"), "\"say \"hi\"=\"= sz:1"},
  };
  for (const auto& c : cases) {
    this->reg.DeleteKeyTree(this->key);
    this->Set(this->key + "\\From", c.name, c.value);
    EXPECT_EQ(this->Export(this->key + "\\From"), Crlf({"\\", c.line})) << c.line;
    ASSERT_TRUE(this->text.ImportKeyFile(this->key + "\\To", this->file).ok) << c.line;
    ExpectValue(this->Get(this->key + "\\To", c.name), c.back.value_or(c.value), c.line);
  }
}

TYPED_TEST(RegistryTextContract, LeavesOutNamesThatCannotReadBack) {
  const std::string names = this->key + "\\Names";
  this->Set(names, "x\"= sz:y", Sz("1"));
  this->Set(names, "line\nbreak", Sz("2"));
  this->Set(names, "kept", Sz("3"));
  const ExportResult result = this->text.ExportKey(names, this->file);
  EXPECT_TRUE(result.ok);
  std::vector<std::string> skipped = result.skipped;
  std::sort(skipped.begin(), skipped.end());
  EXPECT_EQ(skipped,
            (std::vector<std::string>{names + " \"line\nbreak\"", names + " \"x\"= sz:y\""}));
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
