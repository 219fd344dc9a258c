#include "platform/posix/WineHive.h"

#include <gtest/gtest.h>

#include "support/TestPrefix.h"

namespace quill::platform::posix {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

TEST(WineHive, FixturesSaveByteForByteAsLoaded) {
  for (const char* name : {"user.reg", "system.reg"}) {
    const std::string text = test::FixtureText(name);
    std::string error;
    const auto hive = WineHive::Parse(text, &error);
    ASSERT_TRUE(hive) << name << ": " << error;
    EXPECT_EQ(hive->Serialize(), text) << name;
  }
}

TEST(WineHive, ReadsEscapesTypesAndTimeStampsOfTheFixture) {
  const auto hive = WineHive::Parse(test::FixtureText("user.reg"));
  ASSERT_TRUE(hive);
  const HiveKey* rule = hive->Find(u"Software\\Microsoft\\Windows Live Mail\\Rules\\Mail\\001");
  ASSERT_NE(rule, nullptr);
  const HiveValue* name = rule->FindValue(u"NAME");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->type, 1u);
  EXPECT_EQ(BytesToUtf16(name->data), std::u16string(u"Caf\u00e9 \"quotes\" = equals") + u'\0');

  const HiveKey* junk =
      hive->Find(u"Software\\Microsoft\\Windows Live Mail\\PerPassportSettings\\anna@example.com");
  ASSERT_NE(junk, nullptr);
  const HiveValue* senders = junk->FindValue(u"Safe Senders");
  ASSERT_NE(senders, nullptr);
  EXPECT_EQ(senders->type, 7u);
  EXPECT_EQ(BytesToUtf16(senders->data), std::u16string(u"a@example.com\0b@example.com\0\0", 29));
  EXPECT_EQ(junk->FindValue(u"JunkMailLevel")->data, Bytes({2, 0, 0, 0}));

  const HiveKey* criteria =
      hive->Find(u"software\\microsoft\\windows live mail\\rules\\mail\\000\\criteria\\000");
  ASSERT_NE(criteria, nullptr);
  EXPECT_EQ(criteria->FindValue(u"Value")->data, Bytes({0x01, 0xff, 0x10}));
  EXPECT_EQ(criteria->FindValue(u"Logic")->data, Bytes({0, 0, 0, 0x80}));
  EXPECT_EQ(criteria->modified(), 0x1dd86b761d8a792ULL);

  // A key name written with surrogate escapes.
  EXPECT_NE(hive->Find(u"Control Panel\\International\\\xd83c\xdf0e\xd83c\xdf0f\xd83c\xdf0d"),
            nullptr);
  // Keys Wine writes only through their subkeys still exist.
  EXPECT_NE(hive->Find(u"Software\\Microsoft\\Windows Live Mail\\Rules"), nullptr);
}

struct ValueCase {
  const char* label;
  std::u16string name;
  std::uint32_t type;
  std::string data;
  std::string line;
};

TEST(WineHive, WritesEveryValueTypeAsWineDoes) {
  const std::string s = "abc";
  const std::vector<ValueCase> cases = {
      {"string", u"Name", 1, Utf16ToBytes(std::u16string(u"x\"y\\z", 5) + u'\0'),
       "\"Name\"=\"x\\\"y\\\\z\"\n"},
      {"default value", u"", 1, Utf16ToBytes(std::u16string(u"", 0) + u'\0'), "@=\"\"\n"},
      {"expandable", u"P", 2, Utf16ToBytes(std::u16string(u"%USERPROFILE%\\x") + u'\0'),
       "\"P\"=str(2):\"%USERPROFILE%\\\\x\"\n"},
      {"multi", u"M", 7, Utf16ToBytes(std::u16string(u"a\0b\0\0", 5)),
       "\"M\"=str(7):\"a\\0b\\0\"\n"},
      {"non-ASCII and controls", u"U", 1,
       Utf16ToBytes(std::u16string(u"\u00e9a\u00e9g\t\x01"
                                   u"7\x01",
                                   8) +
                    u'\0'),
       "\"U\"=\"\\x00e9a\\xe9g\\t\\0017\\1\"\n"},
      {"dword", u"D", 4, Bytes({0x09, 0x04, 0, 0}), "\"D\"=dword:00000409\n"},
      {"short dword", u"D", 4, Bytes({1, 2}), "\"D\"=hex(4):01,02\n"},
      {"binary", u"B", 3, Bytes({0x01, 0xff, 0x10}), "\"B\"=hex:01,ff,10\n"},
      {"empty binary", u"E", 3, "", "\"E\"=hex:\n"},
      {"qword", u"Q", 11, Bytes({1, 0, 0, 0, 0, 0, 0, 0}),
       "\"Q\"=hex(b):01,00,00,00,00,00,00,00\n"},
      {"none", u"N", 0, Bytes({0xaa}), "\"N\"=hex(0):aa\n"},
      {"unterminated string", u"S", 1, Utf16ToBytes(u"ab"), "\"S\"=hex(1):61,00,62,00\n"},
      {"quote in name", u"a\"b", 1, Utf16ToBytes(std::u16string(u"v") + u'\0'),
       "\"a\\\"b\"=\"v\"\n"},
  };
  for (const auto& c : cases) {
    WineHive hive;
    HiveKey* key = hive.Create(u"K", 0x1dd86b7604ac6f8ULL);
    key->SetValue({c.name, c.type, c.data});
    const std::string text = hive.Serialize();
    const std::string expectedTail = "[K] 1796695004\n#time=1dd86b7604ac6f8\n" + c.line;
    EXPECT_EQ(text.substr(text.size() - std::min(text.size(), expectedTail.size())), expectedTail)
        << c.label;
    const auto back = WineHive::Parse(text);
    ASSERT_TRUE(back) << c.label;
    const HiveValue* value = back->Find(u"K")->FindValue(c.name);
    ASSERT_NE(value, nullptr) << c.label;
    EXPECT_EQ(value->type, c.type) << c.label;
    EXPECT_EQ(value->data, c.data) << c.label;
  }
}

TEST(WineHive, WrapsLongHexLinesWhereWineDoes) {
  WineHive hive;
  std::string data(60, '\x5a');
  hive.Create(u"K", 0x1dd86b7604ac6f8ULL)->SetValue({u"CaptionFont", 3, data});
  const std::string text = hive.Serialize();
  // "CaptionFont"=hex: leaves room for 20 bytes on the first line, 25 on the next ones.
  std::string first = "\"CaptionFont\"=hex:";
  for (int i = 0; i < 20; ++i) first += "5a,";
  EXPECT_NE(text.find(first + "\\\n  5a,"), std::string::npos) << text;
  std::string second = "\\\n  ";
  for (int i = 0; i < 25; ++i) second += "5a,";
  EXPECT_NE(text.find(second + "\\\n  5a,"), std::string::npos) << text;
  EXPECT_EQ(WineHive::Parse(text)->Find(u"K")->FindValue(u"captionfont")->data, data);
}

TEST(WineHive, KeepsSubkeysInWineOrder) {
  WineHive hive;
  for (const char16_t* name : {u"b", u"Z", u"a1", u"_x", u"A", u"ab"}) hive.Create(name, 1);
  std::vector<std::u16string> order;
  for (const auto& key : hive.root().subkeys()) order.push_back(key->name());
  // Letters compare as lower case, so '_' stands before them; a prefix before its longer names.
  EXPECT_EQ(order, (std::vector<std::u16string>{u"_x", u"A", u"a1", u"ab", u"b", u"Z"}));
  EXPECT_EQ(hive.Create(u"a", 2), hive.Find(u"A")) << "names match without regard to case";
}

TEST(WineHive, KeyNamesEscapeBracketsAndKeepKeysWithoutValues) {
  WineHive hive;
  hive.Create(u"Parent\\We[ir]d", 0x1dd86b7604ac6f8ULL);
  const std::string text = hive.Serialize();
  EXPECT_NE(text.find("\n[Parent\\\\We\\[ir\\]d] 1796695004\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("\n[Parent]"), std::string::npos) << "a key with only subkeys is implicit";
  const auto back = WineHive::Parse(text);
  ASSERT_TRUE(back);
  EXPECT_NE(back->Find(u"Parent\\We[ir]d"), nullptr);
}

TEST(WineHive, NamesEndingInNulSaveAndLoadAgainTheSame) {
  WineHive hive;
  HiveKey* key = hive.Create(std::u16string(u"a\0", 2), 0x1dd86b7604ac6f8ULL);
  key->SetValue({std::u16string(u"v\0", 2), 1, Utf16ToBytes(std::u16string(u"x\0", 2))});
  const std::string text = hive.Serialize();
  EXPECT_NE(text.find("[a\\0] "), std::string::npos) << text;
  EXPECT_NE(text.find("\"v\\0\"=\"x\"\n"), std::string::npos) << text;
  const auto back = WineHive::Parse(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Serialize(), text);
  EXPECT_NE(back->Find(std::u16string(u"a\0", 2)), nullptr);
}

TEST(WineHive, CarriageReturnsAreReadAroundAndKeptWhereTheyStand) {
  // A file saved with CR LF line ends reads as Wine's own.
  const auto crlf =
      WineHive::Parse("WINE REGISTRY Version 2\r\n\r\n[K] 1\r\n\"v\"=dword:00000001\r\n");
  ASSERT_TRUE(crlf);
  EXPECT_EQ(crlf->Find(u"K")->FindValue(u"v")->data, Bytes({1, 0, 0, 0}));
  // Header lines are kept as they stand, CRs and all, so saving twice gives the same text.
  const auto odd = WineHive::Parse("WINE REGISTRY Version 2\n;; x\r\r\r\n\n[K] 1\n#link\r\r\n");
  ASSERT_TRUE(odd);
  const std::string saved = odd->Serialize();
  EXPECT_EQ(saved.rfind("WINE REGISTRY Version 2\n;; x\r\r\r\n", 0), 0u);
  EXPECT_NE(saved.find("\n#link\r\r\n"), std::string::npos) << saved;
  EXPECT_EQ(WineHive::Parse(saved)->Serialize(), saved);
}

TEST(WineHive, RemovesOnlyKeysWithoutSubkeys) {
  WineHive hive;
  hive.Create(u"A\\B", 1);
  EXPECT_FALSE(hive.root().RemoveSubkey(u"A"));
  EXPECT_TRUE(hive.Find(u"A")->RemoveSubkey(u"b"));
  EXPECT_TRUE(hive.root().RemoveSubkey(u"a"));
  EXPECT_EQ(hive.Find(u"A"), nullptr);
}

TEST(WineHive, RejectsTextThatIsNotWinesFormat) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"REGEDIT4\n\n[HKEY_CURRENT_USER\\x]\n", "line 1"},
      {"WINE REGISTRY Version 2\n\n[K] 1\n\"v\"=dword:zz\n", "line 4"},
      {"WINE REGISTRY Version 2\n\n[K] 1\n\"v\"=\"open\n", "line 4"},
      {"WINE REGISTRY Version 2\n\n\"v\"=\"outside\"\n", "line 3"},
      {"WINE REGISTRY Version 2\n\n[K 1\n", "line 3"},
      {"WINE REGISTRY Version 2\n\n[K] 1\n\"v\"=hex:1g\n", "line 4"},
  };
  for (const auto& [text, where] : cases) {
    std::string error;
    EXPECT_FALSE(WineHive::Parse(text, &error)) << text;
    EXPECT_NE(error.find(where), std::string::npos) << error;
  }
}

TEST(WineHive, ConvertsBetweenUtf8AndUtf16) {
  const std::string text = "Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8c\x8e";
  const std::u16string wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide, std::u16string(u"Caf\u00e9 \u20ac \xd83c\xdf0e"));
  EXPECT_EQ(Utf16ToUtf8(wide), text);
  EXPECT_EQ(Utf8ToUtf16("a\xff"
                        "b"),
            std::u16string(u"a\ufffdb"));
}

}  // namespace
}  // namespace quill::platform::posix
