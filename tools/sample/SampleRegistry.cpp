#include "SampleRegistry.h"

#include <initializer_list>
#include <stdexcept>

#include "SampleFixtures.h"
#include "SampleMailStore.h"
#include "platform/posix/WineHive.h"

namespace quill::sample {
namespace {

using platform::posix::HiveKey;
using platform::posix::HiveValue;
using platform::posix::Utf16ToBytes;
using platform::posix::Utf8ToUtf16;
using platform::posix::WineHive;

constexpr std::uint32_t kNone = 0;
constexpr std::uint32_t kString = 1;
constexpr std::uint32_t kExpandString = 2;
constexpr std::uint32_t kBinary = 3;
constexpr std::uint32_t kDword = 4;
constexpr std::uint32_t kDwordBigEndian = 5;
constexpr std::uint32_t kMultiString = 7;
constexpr std::uint32_t kResourceList = 8;
constexpr std::uint32_t kQword = 11;

constexpr std::u16string_view kMailKey = u"Software\\Microsoft\\Windows Live Mail";

// Values as the registry stores them: strings in UTF-16LE with their terminating NUL,
// numbers little-endian.
HiveValue Text(std::string_view name, std::string_view utf8, std::uint32_t type = kString) {
  std::u16string text = Utf8ToUtf16(utf8);
  text += u'\0';
  return {Utf8ToUtf16(name), type, Utf16ToBytes(text)};
}

HiveValue MultiText(std::string_view name, std::initializer_list<std::string_view> items) {
  std::u16string text;
  for (const std::string_view item : items) {
    text += Utf8ToUtf16(item);
    text += u'\0';
  }
  text += u'\0';
  return {Utf8ToUtf16(name), kMultiString, Utf16ToBytes(text)};
}

HiveValue Number(std::string_view name, std::uint64_t value, std::uint32_t type = kDword) {
  std::string bytes;
  const int size = type == kQword ? 8 : 4;
  for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xff);
  return {Utf8ToUtf16(name), type, bytes};
}

HiveValue Bytes(std::string_view name, std::string bytes, std::uint32_t type = kBinary) {
  return {Utf8ToUtf16(name), type, std::move(bytes)};
}

// Bytes 0, 1, 2, ... as a recognisable binary value.
std::string Counting(std::size_t count, unsigned start = 0) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes += static_cast<char>((start + i * 7) & 0xff);
  return bytes;
}

class MailKeys {
 public:
  MailKeys(WineHive& hive, std::uint64_t ticks) : hive_(hive), ticks_(ticks) {}

  // The key below the mail client's key (the key itself for an empty path), created when
  // missing, stamped as changed now.
  HiveKey& Key(std::u16string_view path) {
    std::u16string full(kMailKey);
    if (!path.empty()) {
      full += u'\\';
      full += path;
    }
    HiveKey* key = hive_.Create(full, ticks_);
    key->setModified(ticks_);
    return *key;
  }

  void Set(std::u16string_view path, std::initializer_list<HiveValue> values) {
    HiveKey& key = Key(path);
    for (const HiveValue& value : values) key.SetValue(value);
  }

 private:
  WineHive& hive_;
  std::uint64_t ticks_;
};

void AddMailSettings(WineHive& hive, std::uint64_t ticks) {
  MailKeys keys(hive, ticks);
  keys.Set(u"", {
                    Text("Default News Account", kNewsAccountFile),
                    Number("Migrated", 1),
                    Number("Welcome Message", 0),
                });

  // Mail rules: each rule a numbered key with criteria and actions below it.
  keys.Set(u"Rules\\Mail", {Text("Order", "000 001 002 003 004"), Number("Dirty", 0)});
  keys.Set(u"Rules\\Mail\\000", {Number("Enabled", 1), Number("Type", 1)});
  keys.Set(u"Rules\\Mail\\000\\Criteria\\001",
           {Number("Type", 4), Number("Flags", 0), Text("Value", "Newsletter"),
            Number("Logic", 0x80000000)});
  keys.Set(u"Rules\\Mail\\000\\Actions\\000", {Number("Type", 2), Number("Flags", 0)});
  keys.Set(u"Rules\\Mail\\001", {Number("Enabled", 1), Number("Version", 0xffffffff)});
  keys.Set(u"Rules\\Mail\\001\\Criteria\\000",
           {Number("Type", 7), Text("Value", "francois@example.ch"), Number("Logic", 0)});
  keys.Set(u"Rules\\Mail\\001\\Actions\\000", {Number("Type", 9), Number("Flags", 1)});
  keys.Set(u"Rules\\Mail\\001\\Actions\\001",
           {Number("Type", 11), Text("Value", "Gelesen ✓ Café")});
  keys.Set(u"Rules\\Mail\\002", {Text("Name", "Forward invoices to the accountant"),
                                 Number("Enabled", 1), Number("Version", 0xffffffff)});
  keys.Set(u"Rules\\Mail\\002\\Criteria\\000",
           {Number("Type", 5), Bytes("Value", Counting(150, 3)),
            MultiText("Addresses", {"billing@example.com", "rechnung@example.de", "Müller GmbH"})});
  keys.Set(u"Rules\\Mail\\002\\Criteria\\001", {Number("Type", 12), Number("Logic", 1)});
  keys.Set(u"Rules\\Mail\\002\\Actions\\000",
           {Number("Type", 4), Text("Value", "accounting@example.com")});
  keys.Set(u"Rules\\Mail\\003", {Text("Name", "Delete lottery mail"), Number("Enabled", 0),
                                 Number("Version", 0xffffffff)});
  keys.Set(
      u"Rules\\Mail\\003\\Criteria\\000",
      {Number("Type", 4), MultiText("Value", {"lottery", "winner", "Gewinnspiel", "gratuité"})});
  keys.Set(u"Rules\\Mail\\003\\Actions\\000", {Number("Type", 6)});
  keys.Set(u"Rules\\Mail\\004",
           {Text("Name", "Mark mail from the family"), Number("Enabled", 1),
            Number("Last Applied", 0x01DA6E3B5C8A9F20ULL, kQword), Bytes("Reserved", "", kNone)});
  keys.Set(u"Rules\\Mail\\004\\Criteria\\000",
           {Number("Type", 7), Text("Value", "@example.dk;@example.es")});
  keys.Set(u"Rules\\Mail\\004\\Actions\\000",
           {Number("Type", 13), Text("Value", "%USERPROFILE%\\Documents\\Family", kExpandString),
            Bytes("Color", std::string("\x00\x80\xff\x00", 4))});

  // News rules.
  keys.Set(u"Rules\\News", {Text("", "News rules"), Text("Order", "000 001")});
  keys.Set(u"Rules\\News\\000", {Number("Enabled", 1)});
  keys.Set(u"Rules\\News\\000\\Criteria\\000",
           {Number("Type", 15), Text("Value", "comp.lang.c++,alt.test"),
            MultiText("Ignore Words", {"Ελληνικά", "日本語", "✓ erledigt"}),
            Number("Last Applied", 0x01DA0C4E7F3B2A10ULL, kQword)});
  keys.Set(u"Rules\\News\\000\\Actions\\000", {Number("Type", 10)});
  keys.Set(u"Rules\\News\\001",
           {Text("Name", "Highlight answers to my posts"), Number("Enabled", 1)});
  keys.Set(u"Rules\\News\\001\\Criteria\\000", {Number("Type", 16), Number("Logic", 0)});
  keys.Set(u"Rules\\News\\001\\Actions\\000", {Number("Type", 8), Number("Value", 0x000000ff)});

  // Junk-mail settings, per signed-in identity.
  keys.Set(u"PerPassportSettings\\anna@example.com",
           {Number("Junk Mail Permanent Delete", 0), Number("PhishingFilter", 1),
            MultiText("Blocked Senders", {"spam@example.biz", "offers@example.info"}),
            MultiText("International Blocked TLDs", {"xx", "zz"}),
            MultiText("International Blocked Encodings", {}),
            MultiText("Safe Senders", {"Zoë Ångström", "山田太郎 <yamada@example.jp>"}),
            Number("Last Sync", 0x01DA6E3B00000000ULL, kQword), Bytes("Reserved", "", kNone)});
  keys.Set(u"PerPassportSettings\\bob@hotmail.com",
           {Number("JunkMailLevel", 1), Number("Junk Mail Safe List Flags", 3),
            Number("PhishingFilter", 1),
            MultiText("Safe Senders",
                      {"anna@example.com", "zoe.noel@example.fr", "José Peña", "@example.de"}),
            MultiText("Blocked Senders", {"lottery@example.biz"})});
  keys.Set(u"PerPassportSettings\\bob@hotmail.com\\Trusted Domains",
           {Text("", "example.com"), Number("Count", 2)});

  // Signatures.
  keys.Set(u"signatures", {Text("Default Signature", "00000000"), Number("Flags", 2)});
  keys.Set(u"signatures\\00000001",
           {Text("name", "Büro (HTML)"),
            Text("text", "<b>Anna Example</b><br>Herzliche Grüße aus Wien – Tel. +43 1 234"),
            Number("type", 1), Number("html", 1)});
  keys.Set(u"signatures\\00000002",
           {Text("name", "From a file"), Number("type", 2),
            Text("file", "%USERPROFILE%\\Documents\\signature.htm", kExpandString)});
  keys.Set(u"signatures\\00000003",
           {Text("name", "Gelesen ✓ Café"), Text("text", "Grüße ☺\r\n— Anna\r\n山田"),
            Number("type", 1), MultiText("Accounts", {"anna@example.com", "bob@hotmail.com"}),
            Number("Created", 0x01D9F00D00000000ULL, kQword)});

  // Advanced settings: values of every type.
  keys.Set(u"Advanced Settings",
           {Text("Greeting", "Café"), Bytes("Window Layout", Counting(120)),
            Bytes("One Byte", std::string(1, '\x7f')),
            Number("Last Sync", 0x01D9F00DDEADBEEFULL, kQword), Bytes("Reserved", "", kNone),
            Bytes("Reserved Data", Counting(6, 0x40), kNone),
            MultiText("Recent Folders", {"Inbox", "Inbox\\Newsletters", "Überweisungen"}),
            Number("Font Size", 0xffffffff),
            Text("Quoted", "C:\\Temp \"quoted\" = [brackets] \\\\server\\share"),
            Text("Status Text", "Gelesen ✓ Café 😀"),
            // Values as other programs leave them: types without a text form, a number of
            // another length, string data without its terminating NUL or of an odd length.
            Bytes("Big Endian", std::string("\0\0\x01\x02", 4), kDwordBigEndian),
            Bytes("Resource List", Counting(12, 5), kResourceList),
            Bytes("Vendor Type", Counting(3, 1), 0x00010017),
            Bytes("Short Number", std::string("\x07\x01", 2), kDword),
            Bytes("Unterminated", Utf16ToBytes(u"no end"), kString),
            Bytes("Odd Length", std::string("a\0b", 3), kExpandString)});
  keys.Set(u"Advanced Settings\\Column Widths",
           {Number("From", 180), Number("Subject", 320), Number("Received", 140)});
  keys.Set(u"Advanced Settings\\Spelling",
           {Number("Language", 0x0407), MultiText("Ignore Words", {"quillstow", "Schmäh"}),
            Number("Always Check", 1)});
  keys.Set(u"Advanced Settings\\Mail", {Number("Send Immediately", 1), Number("Check Interval", 30),
                                        Text("Compose Font", "Calibri,11,0,0")});
  keys.Set(u"Advanced Settings\\Window Positions\\Main",
           {Bytes("Placement", Counting(44, 9)), Text("", "main window")});
  keys.Set(u"Advanced Settings\\Window Positions\\Compose", {Bytes("Placement", Counting(44, 17))});
}

// Replaces the profile folder "\users\<from>" (as a whole path component) in a path.
std::u16string ReplaceProfileFolder(std::u16string text, std::u16string_view from,
                                    std::u16string_view to) {
  const std::u16string needle = u"\\users\\" + std::u16string(from);
  std::size_t at = 0;
  while ((at = text.find(needle, at)) != std::u16string::npos) {
    const std::size_t end = at + needle.size();
    if (end == text.size() || text[end] == u'\\' || text[end] == u'\0') {
      text.replace(at + 7, from.size(), to);
      at += 7 + to.size();
    } else {
      at = end;
    }
  }
  return text;
}

// Moves the profile of the Wine user "root", whose prefix the fixture is, to the user.
void MoveToUser(WineHive& hive, std::u16string_view user, std::uint64_t ticks) {
  static constexpr std::u16string_view kFixtureUser = u"root";
  static constexpr std::u16string_view kKeys[] = {
      u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
      u"Volatile Environment",
      u"Environment",
  };
  for (const std::u16string_view path : kKeys) {
    HiveKey* key = hive.Find(path);
    if (key == nullptr) throw std::runtime_error("the built-in user.reg lacks a profile key");
    std::vector<HiveValue> changed;
    for (const HiveValue& value : key->values()) {
      if (value.type != kString && value.type != kExpandString) continue;
      const std::u16string text = platform::posix::BytesToUtf16(value.data);
      std::u16string moved = ReplaceProfileFolder(text, kFixtureUser, user);
      if (value.name == u"USERNAME" && text == std::u16string(kFixtureUser) + u'\0') {
        moved = std::u16string(user) + u'\0';
      }
      if (moved != text) changed.push_back({value.name, value.type, Utf16ToBytes(moved)});
    }
    for (HiveValue& value : changed) key->SetValue(std::move(value));
    key->setModified(ticks);
  }
}

}  // namespace

SampleRegistryFiles BuildSampleRegistry(std::string_view userName, std::uint64_t modifiedTicks) {
  std::string error;
  std::optional<WineHive> user = WineHive::Parse(UserRegFixture(), &error);
  if (!user) throw std::runtime_error("the built-in user.reg does not parse: " + error);
  std::optional<WineHive> system = WineHive::Parse(SystemRegFixture(), &error);
  if (!system) throw std::runtime_error("the built-in system.reg does not parse: " + error);

  MoveToUser(*user, Utf8ToUtf16(userName), modifiedTicks);
  AddMailSettings(*user, modifiedTicks);
  if (system->Find(u"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wlmail.exe") ==
      nullptr) {
    throw std::runtime_error("the built-in system.reg lacks the mail client's App Paths key");
  }
  return {user->Serialize(), system->Serialize()};
}

}  // namespace quill::sample
