// Tests of the sample-profile generator: the tree it writes is complete and repeatable,
// its registry files parse and agree with its folders, and its messages are well-formed
// MIME whose encoded parts decode to what was put in.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "MimeMessage.h"
#include "SampleCommandLine.h"
#include "SampleProfile.h"
#include "platform/AnsiCodePage.h"
#include "platform/posix/WineHive.h"

namespace quill::sample {
namespace {

namespace fs = std::filesystem;
using platform::posix::BytesToUtf16;
using platform::posix::HiveKey;
using platform::posix::HiveValue;
using platform::posix::Utf16ToUtf8;
using platform::posix::Utf8ToUtf16;
using platform::posix::WineHive;

constexpr std::uint64_t kSmall = 200 * 1024;

// ---- helpers -------------------------------------------------------------------------

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "quill-sample-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

fs::path U8(std::string_view text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

std::string Relative(const fs::path& path, const fs::path& root) {
  const std::u8string text = path.lexically_relative(root).u8string();
  return std::string(text.begin(), text.end());
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::uint64_t Fnv1a(std::string_view bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

// Every entry below root: its kind, link target or size and content hash, and its time.
std::map<std::string, std::string> Manifest(const fs::path& root) {
  std::map<std::string, std::string> manifest;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    struct stat info {};
    ::lstat(entry.path().c_str(), &info);
    std::string line = "t" + std::to_string(info.st_mtime) + " ";
    if (entry.is_symlink()) {
      line += "link " + fs::read_symlink(entry.path()).string();
    } else if (entry.is_directory()) {
      line += "dir";
    } else {
      const std::string content = ReadFile(entry.path());
      line += "file " + std::to_string(content.size()) + " " + std::to_string(Fnv1a(content));
    }
    manifest[Relative(entry.path(), root)] = line;
  }
  return manifest;
}

std::vector<fs::path> FilesEndingIn(const fs::path& root, std::string_view extension) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() && entry.path().extension() == extension) {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Decodes base64, skipping line breaks; fails on any other stray character.
bool DecodeBase64(std::string_view text, std::string& out) {
  static const std::string kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  unsigned bits = 0;
  int count = 0;
  std::size_t padding = 0;
  for (const char c : text) {
    if (c == '\r' || c == '\n') continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    if (padding > 0) return false;
    const auto at = kAlphabet.find(c);
    if (at == std::string::npos) return false;
    bits = (bits << 6) | static_cast<unsigned>(at);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xff);
    }
  }
  return padding <= 2;
}

std::string DecodeQuotedPrintable(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=' && text.substr(i + 1, 2) == "\r\n") {
      i += 2;
    } else if (text[i] == '=' && i + 2 < text.size() + 0 && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Decodes a header text of RFC 2047 words (blanks between words dropped) and plain text.
std::string DecodeHeaderText(std::string_view text) {
  std::string out;
  std::string pendingBlank;
  bool lastWasWord = false;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.substr(i, 2) == "=?") {
      const auto charsetEnd = text.find('?', i + 2);
      const auto methodEnd = text.find('?', charsetEnd + 1);
      const auto end = text.find("?=", methodEnd + 1);
      if (charsetEnd != std::string_view::npos && methodEnd == charsetEnd + 2 &&
          end != std::string_view::npos) {
        const std::string charset = Lower(std::string(text.substr(i + 2, charsetEnd - i - 2)));
        const char method = static_cast<char>(std::toupper(text[charsetEnd + 1]));
        const std::string_view payload = text.substr(methodEnd + 1, end - methodEnd - 1);
        std::string bytes;
        if (method == 'B') {
          DecodeBase64(payload, bytes);
        } else {
          std::string q(payload);
          std::replace(q.begin(), q.end(), '_', ' ');
          bytes = DecodeQuotedPrintable(q);
        }
        if (!lastWasWord) out += pendingBlank;
        pendingBlank.clear();
        out += charset == "iso-8859-1" ? Latin1ToUtf8(bytes) : bytes;
        lastWasWord = true;
        i = end + 2;
        continue;
      }
    }
    if (text[i] == ' ' || text[i] == '\t') {
      pendingBlank += text[i++];
      continue;
    }
    out += pendingBlank;
    pendingBlank.clear();
    out += text[i++];
    lastWasWord = false;
  }
  return out + (lastWasWord ? "" : pendingBlank);
}

// ---- a small MIME reader -------------------------------------------------------------

struct Part {
  std::vector<std::pair<std::string, std::string>> headers;  // lower-case names, unfolded
  std::string body;

  std::string Header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
      if (key == name) return value;
    }
    return {};
  }
  std::string MediaType() const {
    const std::string type = Header("content-type");
    return Lower(Trim(type.substr(0, type.find(';'))));
  }
};

Part ParsePart(std::string_view text) {
  Part part;
  const auto split = text.find("\r\n\r\n");
  const std::string_view head = text.substr(0, split);
  part.body = split == std::string_view::npos ? "" : std::string(text.substr(split + 4));
  std::size_t start = 0;
  while (start < head.size()) {
    auto end = head.find("\r\n", start);
    if (end == std::string_view::npos) end = head.size();
    const std::string_view line = head.substr(start, end - start);
    if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !part.headers.empty()) {
      part.headers.back().second += std::string(line);
    } else {
      const auto colon = line.find(':');
      part.headers.push_back(
          {Lower(std::string(line.substr(0, colon))), Trim(line.substr(colon + 1))});
    }
    start = end + 2;
  }
  return part;
}

// Parameters of a structured header; RFC 2231 pieces keep their raw names ("filename*0*").
std::map<std::string, std::string> Parameters(std::string_view value) {
  std::map<std::string, std::string> parameters;
  std::size_t i = value.find(';');
  while (i != std::string_view::npos && i < value.size()) {
    ++i;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    const auto equals = value.find('=', i);
    if (equals == std::string_view::npos) break;
    const std::string name = Lower(Trim(value.substr(i, equals - i)));
    std::string text;
    i = equals + 1;
    if (i < value.size() && value[i] == '"') {
      for (++i; i < value.size() && value[i] != '"'; ++i) {
        if (value[i] == '\\') ++i;
        text += value[i];
      }
      i = value.find(';', i);
    } else {
      const auto end = value.find(';', i);
      text =
          Trim(value.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
      i = end;
    }
    parameters[name] = text;
  }
  return parameters;
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() + 1 && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The value of a parameter in any of its forms: plain, RFC 2231 extended, continued.
std::string ParameterValue(const std::map<std::string, std::string>& parameters,
                           const std::string& name) {
  if (const auto it = parameters.find(name + "*"); it != parameters.end()) {
    const auto quote = it->second.find("''");
    return PercentDecode(it->second.substr(quote + 2));
  }
  if (parameters.count(name + "*0*") || parameters.count(name + "*0")) {
    std::string joined;
    for (int n = 0;; ++n) {
      const std::string base = name + "*" + std::to_string(n);
      if (const auto it = parameters.find(base + "*"); it != parameters.end()) {
        std::string piece = it->second;
        if (n == 0) piece = piece.substr(piece.find("''") + 2);
        joined += PercentDecode(piece);
      } else if (const auto plain = parameters.find(base); plain != parameters.end()) {
        joined += plain->second;
      } else {
        break;
      }
    }
    return joined;
  }
  const auto it = parameters.find(name);
  return it == parameters.end() ? std::string() : DecodeHeaderText(it->second);
}

// The parts of a multipart body; empty when a delimiter is missing.
std::vector<Part> Children(const Part& part) {
  const std::string boundary = ParameterValue(Parameters(part.Header("content-type")), "boundary");
  const std::string delimiter = "--" + boundary;
  std::vector<Part> children;
  std::string_view body = part.body;
  std::size_t at =
      body.substr(0, delimiter.size()) == delimiter ? 0 : body.find("\r\n" + delimiter);
  if (at == std::string_view::npos) return {};
  at = at == 0 ? delimiter.size() : at + 2 + delimiter.size();
  for (;;) {
    if (body.substr(at, 2) == "--") return children;  // the closing delimiter
    if (body.substr(at, 2) != "\r\n") return {};
    const std::size_t start = at + 2;
    const std::size_t next = body.find("\r\n" + delimiter, start);
    if (next == std::string_view::npos) return {};
    children.push_back(ParsePart(body.substr(start, next - start)));
    at = next + 2 + delimiter.size();
  }
}

// All leaves of a message, depth first.
void Leaves(const Part& part, std::vector<Part>& out, std::set<std::string>& multiparts,
            bool& complete) {
  const std::string type = part.MediaType();
  if (type.rfind("multipart/", 0) == 0) {
    const std::vector<Part> children = Children(part);
    if (children.empty()) complete = false;
    for (const Part& child : children) {
      multiparts.insert(type + ">" + child.MediaType());
      Leaves(child, out, multiparts, complete);
    }
  } else {
    out.push_back(part);
  }
}

// ---- the tree ------------------------------------------------------------------------

SampleSummary MakeSample(const fs::path& directory, std::uint64_t seed, std::uint64_t size = kSmall,
                         std::string user = "anna") {
  SampleOptions options;
  options.directory = directory;
  options.seed = seed;
  options.messageBytes = size;
  options.user = std::move(user);
  return WriteSampleProfile(options);
}

TEST(SampleProfileTest, SameArgumentsGiveTheSameTreeAndAnotherSeedOtherContent) {
  TempFolder folder;
  MakeSample(folder.path() / "a", 7);
  MakeSample(folder.path() / "b", 7);
  MakeSample(folder.path() / "c", 8);
  const auto a = Manifest(folder.path() / "a");
  const auto b = Manifest(folder.path() / "b");
  const auto c = Manifest(folder.path() / "c");
  EXPECT_EQ(a, b);
  // Times come from the seed, not the clock, so archives of two runs match too.
  const std::string stamp = a.begin()->second.substr(0, a.begin()->second.find(' '));
  for (const auto& [path, line] : a) EXPECT_EQ(line.substr(0, line.find(' ')), stamp) << path;
  EXPECT_LT(std::stoll(stamp.substr(1)), static_cast<long long>(::time(nullptr)) - 86400);

  // Another seed changes the messages and the databases, not only their names.
  int sameContent = 0;
  int compared = 0;
  for (const auto& [path, line] : c) {
    const auto other = a.find(path);
    if (other == a.end() || line.rfind("file", line.find(' ') + 1) == std::string::npos) continue;
    if (path.ends_with(".MSMessageStore") || path.ends_with(".eml")) {
      ++compared;
      sameContent += other->second.substr(other->second.find(' ')) == line.substr(line.find(' '));
    }
  }
  EXPECT_GT(compared, 0);
  EXPECT_EQ(sameContent, 0);
  EXPECT_NE(a, c);
}

TEST(SampleProfileTest, SizeScalesTheMessages) {
  struct Case {
    std::uint64_t target;
  };
  const Case cases[] = {{kSmall}, {700 * 1024}, {3 * 1024 * 1024}};
  std::uint64_t previousMessages = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    TempFolder folder;
    const SampleSummary summary = MakeSample(folder.path() / "p", 3, c.target);
    std::uint64_t onDisk = 0;
    std::uint64_t count = 0;
    for (const fs::path& file : FilesEndingIn(folder.path() / "p", ".eml")) {
      onDisk += fs::file_size(file);
      ++count;
    }
    EXPECT_EQ(summary.messageBytes, onDisk);
    EXPECT_EQ(summary.messages, count);
    EXPECT_GE(onDisk, c.target);
    EXPECT_LT(onDisk, c.target + 64 * 1024);
    EXPECT_GT(count, previousMessages);
    previousMessages = count;
  }
}

TEST(SampleProfileTest, TreeHoldsEveryPartOfTheProfile) {
  TempFolder folder;
  const fs::path root = folder.path() / "p";
  MakeSample(root, 1, 0, "zoë");
  const std::string store = "drive_c/users/zoë/AppData/Local/Microsoft/Windows Live Mail/";
  const std::string contacts = "drive_c/users/zoë/AppData/Local/Microsoft/Windows Live Contacts/";
  const std::string stationery = "drive_c/users/zoë/Documents/My Stationery/";
  const char* const kExpected[] = {
      "user.reg",
      "system.reg",
      "drive_c/windows/system32",
      "drive_c/Program Files (x86)/Windows Live/Mail/wlmail.exe",
      "drive_c/users/zoë/AppData/Roaming",
      "drive_c/users/zoë/Temp",
  };
  for (const char* path : kExpected) EXPECT_TRUE(fs::exists(root / U8(path))) << path;
  EXPECT_EQ(fs::read_symlink(root / "dosdevices/c:"), "../drive_c");
  EXPECT_EQ(fs::read_symlink(root / "dosdevices/z:"), "/");

  // Folders with messages: each account's mail folders, nested ones too, and the folders
  // that a backup leaves out.
  const char* const kMessageFolders[] = {
      "anna@example.com/Inbox",
      "anna@example.com/Inbox/Newsletters/2024",
      "anna@example.com/Inbox/Überweisungen",
      "anna@example.com/Sent Items",
      "anna@example.com/Drafts",
      "Hotmail (bob)/Inbox",
      "Hotmail (bob)/Junk E-mail",
      "news.example.org/comp.lang.c++",
      "Storage Folders/Outbox",
      "Your Feeds/Example News",
  };
  for (const char* path : kMessageFolders) {
    SCOPED_TRACE(path);
    const fs::path folderPath = root / U8(store + path);
    ASSERT_TRUE(fs::is_directory(folderPath));
    const auto files = fs::directory_iterator(folderPath);
    EXPECT_TRUE(std::any_of(fs::begin(files), fs::end(files),
                            [](const auto& entry) { return entry.path().extension() == ".eml"; }));
  }
  for (const char* path : {"Backup", "Your Feeds", "Calendars", "Sentinel", "Storage Folders"}) {
    EXPECT_TRUE(fs::is_directory(root / U8(store + path))) << path;
  }
  EXPECT_EQ(FilesEndingIn(root / U8(store + "Calendars"), ".ics").size(), 10u);

  // Loose files of the store: the names the backup picks by their ends.
  int stores = 0;
  int accounts = 0;
  for (const auto& entry : fs::directory_iterator(root / U8(store))) {
    if (!entry.is_regular_file()) continue;
    const std::string name = Lower(entry.path().filename().string());
    stores += name.ends_with("msmessagestore");
    accounts += name.ends_with("oeaccount");
  }
  EXPECT_EQ(stores, 2);
  EXPECT_EQ(accounts, 3);
  EXPECT_TRUE(
      fs::exists(root / U8(store + "account{0F1E2D3C-4B5A-4968-8776-655443322110}.OEACCOUNT")));

  EXPECT_TRUE(fs::exists(
      root / U8(contacts + "{8F3B2E1A-6C5D-4E7F-9A0B-1C2D3E4F5A6B}/DBStore/contacts.edb")));
  EXPECT_TRUE(fs::exists(root / U8(stationery + "Grüße.htm")));
  EXPECT_TRUE(fs::exists(root / U8(stationery + "Grüße.jpg")));
}

// ---- the registry --------------------------------------------------------------------

std::string TextOf(const HiveValue* value) {
  if (value == nullptr) return "<missing>";
  std::u16string text = BytesToUtf16(value->data);
  if (!text.empty() && text.back() == u'\0') text.pop_back();
  return Utf16ToUtf8(text);
}

void CollectTypes(const HiveKey& key, std::map<std::uint32_t, std::vector<std::size_t>>& sizes) {
  for (const HiveValue& value : key.values()) sizes[value.type].push_back(value.data.size());
  for (const auto& subkey : key.subkeys()) CollectTypes(*subkey, sizes);
}

bool HoldsTextOutsideCodePage(const HiveKey& key) {
  for (const HiveValue& value : key.values()) {
    if (value.type != 1 && value.type != 2 && value.type != 7) continue;
    const std::string text = Utf16ToUtf8(BytesToUtf16(value.data));
    if (platform::AnsiRoundTrip(text) != text) return true;
  }
  return std::any_of(key.subkeys().begin(), key.subkeys().end(),
                     [](const auto& subkey) { return HoldsTextOutsideCodePage(*subkey); });
}

bool MentionsRoot(const HiveKey& key) {
  for (const HiveValue& value : key.values()) {
    if ((value.type == 1 || value.type == 2) &&
        TextOf(&value).find("\\users\\root") != std::string::npos) {
      return true;
    }
  }
  return std::any_of(key.subkeys().begin(), key.subkeys().end(),
                     [](const auto& subkey) { return MentionsRoot(*subkey); });
}

// A Windows path of the prefix as a host path, through the prefix's drive links.
fs::path HostPath(const fs::path& prefix, std::string windowsPath) {
  std::replace(windowsPath.begin(), windowsPath.end(), '\\', '/');
  const std::string drive = Lower(windowsPath.substr(0, 2));
  return prefix / "dosdevices" / drive / U8(windowsPath.substr(3));
}

TEST(SampleProfileTest, RegistryParsesAndAgreesWithTheFolders) {
  TempFolder folder;
  const fs::path root = folder.path() / "p";
  MakeSample(root, 5, kSmall, "zoë");
  const std::string userText = ReadFile(root / "user.reg");
  const std::string systemText = ReadFile(root / "system.reg");
  std::string error;
  auto user = WineHive::Parse(userText, &error);
  ASSERT_TRUE(user) << error;
  auto system = WineHive::Parse(systemText, &error);
  ASSERT_TRUE(system) << error;
  EXPECT_EQ(user->Serialize(), userText);
  EXPECT_EQ(system->Serialize(), systemText);

  const std::u16string mail = u"Software\\Microsoft\\Windows Live Mail";
  const HiveKey* mailKey = user->Find(mail);
  ASSERT_NE(mailKey, nullptr);
  EXPECT_EQ(TextOf(mailKey->FindValue(u"Store Root")),
            "%UserProfile%\\AppData\\Local\\Microsoft\\Windows Live Mail");
  const char16_t* const kKeys[] = {
      u"\\Rules\\Mail\\000\\Criteria\\000",
      u"\\Rules\\Mail\\000\\Actions\\000",
      u"\\Rules\\Mail\\002\\Criteria\\001",
      u"\\Rules\\Mail\\004\\Actions\\000",
      u"\\Rules\\News\\001\\Actions\\000",
      u"\\PerPassportSettings\\bob@hotmail.com",
      u"\\signatures\\00000000",
      u"\\signatures\\00000001",
      u"\\Advanced Settings\\Window Positions\\Main",
  };
  for (const char16_t* key : kKeys) {
    EXPECT_NE(user->Find(mail + key), nullptr) << Utf16ToUtf8(key);
  }
  EXPECT_EQ(TextOf(user->Find(mail + u"\\Advanced Settings")->FindValue(u"Greeting")), "Café");
  const HiveValue* safe =
      user->Find(mail + u"\\PerPassportSettings\\bob@hotmail.com")->FindValue(u"Safe Senders");
  ASSERT_NE(safe, nullptr);
  EXPECT_EQ(safe->type, 7u);
  std::u16string senders;
  for (const char* item : {"anna@example.com", "zoe.noel@example.fr", "José Peña", "@example.de"}) {
    senders += Utf8ToUtf16(item);
    senders += u'\0';
  }
  senders += u'\0';
  EXPECT_EQ(safe->data, platform::posix::Utf16ToBytes(senders));

  // Every value type the export and import must carry, with empty and multi-line binaries,
  // and data of odd lengths.
  std::map<std::uint32_t, std::vector<std::size_t>> sizes;
  CollectTypes(*mailKey, sizes);
  for (const std::uint32_t type : {0u, 1u, 2u, 3u, 4u, 5u, 7u, 8u, 11u, 0x10017u}) {
    EXPECT_TRUE(sizes.count(type)) << "type " << type;
  }
  EXPECT_TRUE(std::count(sizes[1].begin(), sizes[1].end(), 12u)) << "a string without its NUL";
  EXPECT_TRUE(std::count(sizes[2].begin(), sizes[2].end(), 3u)) << "a string of an odd length";
  EXPECT_TRUE(std::count(sizes[4].begin(), sizes[4].end(), 2u)) << "a short DWORD";
  // Each of the five keys a backup carries holds multi-strings, 64-bit numbers and text the
  // code page lacks.
  for (const char16_t* key : {u"\\Rules\\Mail", u"\\Rules\\News", u"\\PerPassportSettings",
                              u"\\signatures", u"\\Advanced Settings"}) {
    std::map<std::uint32_t, std::vector<std::size_t>> types;
    CollectTypes(*user->Find(mail + key), types);
    EXPECT_TRUE(types.count(7) && types.count(11)) << Utf16ToUtf8(key);
    EXPECT_TRUE(HoldsTextOutsideCodePage(*user->Find(mail + key))) << Utf16ToUtf8(key);
  }
  EXPECT_TRUE(std::count(sizes[3].begin(), sizes[3].end(), 0u));
  EXPECT_TRUE(std::any_of(sizes[3].begin(), sizes[3].end(), [](std::size_t n) { return n > 40; }));
  EXPECT_NE(user->Find(mail + u"\\Rules\\News")->FindValue(u""), nullptr);

  // The profile belongs to the chosen user, and the registry leads to the sample's folders.
  EXPECT_FALSE(MentionsRoot(user->root()));
  const HiveKey* volatileEnvironment = user->Find(u"Volatile Environment");
  EXPECT_EQ(TextOf(volatileEnvironment->FindValue(u"USERNAME")), "zoë");
  const std::string profile = TextOf(volatileEnvironment->FindValue(u"USERPROFILE"));
  EXPECT_EQ(profile, "C:\\users\\zoë");
  const HiveKey* shellFolders =
      user->Find(u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders");
  const auto expand = [&](std::string text) {
    const auto at = text.find("%USERPROFILE%");
    if (at != std::string::npos) text.replace(at, 13, profile);
    return text;
  };
  const std::string local = expand(TextOf(shellFolders->FindValue(u"Local AppData")));
  const std::string documents = expand(TextOf(shellFolders->FindValue(u"Personal")));
  EXPECT_TRUE(
      fs::exists(HostPath(root, local + "\\Microsoft\\Windows Live Mail\\" + "anna@example.com\\" +
                                    TextOf(mailKey->FindValue(u"Default Mail Account")))));
  EXPECT_TRUE(
      fs::exists(HostPath(root, local + "\\Microsoft\\Windows Live Mail\\news.example.org\\" +
                                    TextOf(mailKey->FindValue(u"Default News Account")))));
  EXPECT_TRUE(fs::is_directory(HostPath(root, local + "\\Microsoft\\Windows Live Contacts")));
  EXPECT_TRUE(fs::exists(HostPath(root, documents + "\\My Stationery\\Autumn.htm")));
  const HiveKey* appPaths =
      system->Find(u"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wlmail.exe");
  ASSERT_NE(appPaths, nullptr);
  EXPECT_TRUE(fs::exists(HostPath(root, TextOf(appPaths->FindValue(u"Path")) + "\\wlmail.exe")));
}

// ---- the messages --------------------------------------------------------------------

// The signature a decoded attachment starts with, by its file name.
std::string SignatureFor(const std::string& fileName) {
  if (fileName.ends_with(".pdf")) return "%PDF-";
  if (fileName.ends_with(".jpg")) return "\xFF\xD8\xFF";
  if (fileName.ends_with(".zip") || fileName.ends_with(".docx")) return "PK\x03\x04";
  return "";
}

TEST(SampleProfileTest, MessagesAreWellFormedMime) {
  TempFolder folder;
  const fs::path root = folder.path() / "p";
  MakeSample(root, 11);
  std::set<std::string> messageIds;
  std::set<std::string> structures;
  int attachments = 0;
  int extendedNames = 0;
  int encodedSubjects = 0;
  int quotedPrintable = 0;
  const auto files = FilesEndingIn(root, ".eml");
  ASSERT_GT(files.size(), 20u);
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    const std::string text = ReadFile(file);
    // CRLF line ends only, and no line beyond the 998 characters RFC 5322 allows.
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n') {
        ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
        ASSERT_LE(i - 1 - lineStart, 998u);
        lineStart = i + 1;
      } else if (text[i] == '\r') {
        ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at " << i;
      }
    }
    // Header lines are folded to 78 characters.
    for (std::size_t at = 0; at < text.size();) {
      const auto end = text.find("\r\n", at);
      const auto head = text.find("\r\n\r\n", at);
      if (end == at || head == std::string::npos) {
        at = head == std::string::npos ? text.size() : head + 4;
        continue;
      }
      EXPECT_LE(end - at, 78u) << text.substr(at, end - at);
      at = end + 2;
    }
    const Part message = ParsePart(text);
    for (const char* header : {"from", "date", "message-id", "subject", "content-type"}) {
      EXPECT_FALSE(message.Header(header).empty()) << header;
    }
    EXPECT_EQ(message.Header("mime-version"), "1.0");
    EXPECT_TRUE(messageIds.insert(message.Header("message-id")).second) << "duplicate id";
    encodedSubjects += message.Header("subject").find("=?") != std::string::npos;

    std::vector<Part> leaves;
    bool complete = true;
    Leaves(message, leaves, structures, complete);
    EXPECT_TRUE(complete) << "a multipart lacks a delimiter";
    for (const Part& leaf : leaves) {
      const std::string encoding = Lower(leaf.Header("content-transfer-encoding"));
      quotedPrintable += encoding == "quoted-printable";
      const auto disposition = Parameters(leaf.Header("content-disposition"));
      if (encoding != "base64" || disposition.empty()) continue;
      const std::string name = ParameterValue(disposition, "filename");
      extendedNames += disposition.count("filename*") + disposition.count("filename*0*") > 0;
      std::string decoded;
      ASSERT_TRUE(DecodeBase64(leaf.body, decoded)) << name;
      EXPECT_EQ(std::to_string(decoded.size()), ParameterValue(disposition, "size")) << name;
      const std::string signature = SignatureFor(name);
      EXPECT_EQ(decoded.substr(0, signature.size()), signature.substr(0, decoded.size())) << name;
      EXPECT_EQ(ParameterValue(Parameters(leaf.Header("content-type")), "name"), name);
      ++attachments;
    }
  }
  EXPECT_TRUE(structures.count("multipart/mixed>multipart/alternative"));
  EXPECT_TRUE(structures.count("multipart/alternative>text/html"));
  EXPECT_GT(attachments, 0);
  EXPECT_GT(extendedNames, 0);
  EXPECT_GT(encodedSubjects, 0);
  EXPECT_GT(quotedPrintable, 0);
}

TEST(SampleProfileTest, ShowcaseMessageDecodesToItsText) {
  TempFolder folder;
  const fs::path root = folder.path() / "p";
  MakeSample(root, 2, 0);
  const auto inbox = FilesEndingIn(
      root /
          U8("drive_c/users/anna/AppData/Local/Microsoft/Windows Live Mail/anna@example.com/Inbox"),
      ".eml");
  ASSERT_FALSE(inbox.empty());
  // The first message holds the encodings every reader must handle.
  const Part message = ParsePart(ReadFile(inbox.front()));
  EXPECT_EQ(DecodeHeaderText(message.Header("subject")),
            "Grüße aus Köln – Rechnung März und die Präsentation für den Vorstand 📎");
  EXPECT_EQ(DecodeHeaderText(message.Header("from")), "Jürgen Groß <juergen.gross@example.de>");
  const std::vector<Part> parts = Children(message);
  ASSERT_EQ(parts.size(), 4u);
  const std::vector<Part> alternative = Children(parts[0]);
  ASSERT_EQ(alternative.size(), 2u);
  const std::string plain = DecodeQuotedPrintable(alternative[0].body);
  EXPECT_NE(plain.find("A line that ends in blanks   \r\n"), std::string::npos);
  EXPECT_NE(plain.find("\r\n-- \r\n"), std::string::npos);
  EXPECT_EQ(ParameterValue(Parameters(parts[1].Header("content-disposition")), "filename"),
            "Rechnung März 2024.pdf");
  EXPECT_EQ(ParameterValue(Parameters(parts[2].Header("content-disposition")), "filename"),
            "Präsentation Jahresabschluss und Quartalsübersicht für den Vorstand, endgültige "
            "Fassung.pdf");
}

// ---- the encoders --------------------------------------------------------------------

TEST(MimeMessageTest, Base64AttachmentDecodesToItsBytes) {
  const std::size_t kLengths[] = {0, 1, 2, 3, 4, 56, 57, 58, 76, 1000, 65537, 200003};
  for (const std::size_t length : kLengths) {
    SCOPED_TRACE(length);
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i)
      bytes[i] = static_cast<char>((i * 31 + i / 256) & 0xff);
    MimeMessage message;
    message.headers = {{"Subject", "x"}};
    message.body.mediaType = "multipart/mixed";
    message.body.boundary = "b0";
    MimePart text;
    text.mediaType = "text/plain";
    text.body = "see attachment\n";
    MimePart attachment;
    attachment.mediaType = "application/octet-stream";
    attachment.encoding = TransferEncoding::kBase64;
    attachment.disposition = "attachment";
    attachment.dispositionParameters = {{"filename", "data.bin"}};
    // Pieces of odd sizes, so that groups of three bytes straddle them.
    attachment.source = [&bytes, at = std::size_t{0}](char* out, std::size_t capacity) mutable {
      const std::size_t count = std::min({capacity, bytes.size() - at, std::size_t{1001}});
      std::copy_n(bytes.data() + at, count, out);
      at += count;
      return count;
    };
    message.body.children = {text, attachment};
    const std::vector<Part> parts = Children(ParsePart(MessageText(message)));
    ASSERT_EQ(parts.size(), 2u);
    std::string decoded;
    ASSERT_TRUE(DecodeBase64(parts[1].body, decoded));
    EXPECT_EQ(decoded, bytes);
    std::istringstream lines(parts[1].body);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 77u);  // + CR
  }
}

TEST(MimeMessageTest, QuotedPrintableKeepsTheText) {
  const std::string kTexts[] = {
      "",
      "plain words\n",
      "ends in blanks   \nand a tab\t\nnext",
      "x = y; 100% =3D literal\n",
      std::string(75, 'a') + "\n" + std::string(76, 'b') + "\n" + std::string(77, 'c'),
      std::string(74, 'd') + "==\n" + std::string(200, '=') + "\n",
      "Grüße aus Köln – € 😀\n",
      "-- \nsignature\n",
      std::string(73, 'e') + " \n",
  };
  for (const std::string& text : kTexts) {
    SCOPED_TRACE(text);
    const std::string encoded = EncodeQuotedPrintable(text);
    std::string withCrlf;
    for (const char c : text) withCrlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(DecodeQuotedPrintable(encoded), withCrlf);
    std::size_t start = 0;
    while (start <= encoded.size()) {
      auto end = encoded.find("\r\n", start);
      if (end == std::string::npos) end = encoded.size();
      const std::string_view line(encoded.data() + start, end - start);
      EXPECT_LE(line.size(), 76u) << line;
      if (!line.empty()) {
        EXPECT_TRUE(line.back() != ' ' && line.back() != '\t') << line;
      }
      for (const char c : line) EXPECT_TRUE(c >= 33 || c == ' ' || c == '\t') << line;
      start = end + 2;
    }
  }
}

TEST(MimeMessageTest, HeaderTextAndParametersDecodeToTheirText) {
  struct Case {
    std::string text;
    char method;
    std::string charset;
  };
  const Case kCases[] = {
      {"Grüße aus Köln", 'B', "utf-8"},
      {"Grüße aus Köln", 'Q', "iso-8859-1"},
      {"Ein sehr langer Betreff mit Umlauten: Äpfel, Öfen, Übungen und Straßen — damit die "
       "Kodierung in mehrere Wörter aufgeteilt werden muss",
       'B', "utf-8"},
      {"会議の議事録 😀 会議の議事録 😀 会議の議事録 😀 会議の議事録", 'Q', "utf-8"},
      {"Party 🎉🎉🎉🎉🎉🎉🎉🎉🎉🎉🎉🎉🎉🎉🎉🎉🎉🎉", 'B', "utf-8"},
      {"plain ASCII stays as it is", 'B', "utf-8"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    const std::string encoded = EncodeHeaderText(c.text, c.method, c.charset);
    EXPECT_EQ(DecodeHeaderText(encoded), c.text);
    // Each word stands alone: at most 75 characters, and whole characters only.
    std::istringstream words(encoded);
    for (std::string word; words >> word;) {
      EXPECT_LE(word.size(), 75u) << word;
      const std::string decoded = DecodeHeaderText(word);
      EXPECT_EQ(Utf8ToUtf16(decoded).find(u'\uFFFD'), std::u16string::npos) << word;
    }

    // The same text as a file name, in a header of its own.
    MimeMessage message;
    message.body.mediaType = "application/octet-stream";
    message.body.encoding = TransferEncoding::kBase64;
    message.body.disposition = "attachment";
    message.body.dispositionParameters = {{"filename", c.text}};
    message.body.typeParameters = {{"name", c.text, true}};
    const std::string text = MessageText(message);
    const Part part = ParsePart(text);
    EXPECT_EQ(ParameterValue(Parameters(part.Header("content-disposition")), "filename"), c.text);
    EXPECT_EQ(ParameterValue(Parameters(part.Header("content-type")), "name"), c.text);
    for (char ch : text) EXPECT_LT(static_cast<unsigned char>(ch), 0x80u);
  }
}

// ---- the command line ----------------------------------------------------------------

TEST(SampleCommandLineTest, ArgumentsAreCheckedWhole) {
  const std::uint64_t kDefault = 20ULL * 1024 * 1024;
  struct Valid {
    std::vector<std::string> arguments;
    std::uint64_t size;
    std::uint64_t seed;
    std::string user;
  };
  const Valid kValid[] = {
      {{"out"}, kDefault, 1, "caller"},
      {{"out", "--size", "2G", "--seed", "42", "--user", "jürgen"}, 2ULL << 30, 42, "jürgen"},
      {{"--size=500K", "--seed=0", "out"}, 500 * 1024, 0, "caller"},
      {{"--", "-odd-name"}, kDefault, 1, "caller"},
      {{"out", "--size", "18446744073709551615"}, 18446744073709551615ULL, 1, "caller"},
  };
  for (const Valid& c : kValid) {
    SCOPED_TRACE(c.arguments.front());
    const SampleCommandLine result = ParseSampleCommandLine(c.arguments, "caller");
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.options.messageBytes, c.size);
    EXPECT_EQ(result.options.seed, c.seed);
    EXPECT_EQ(result.options.user, c.user);
  }

  const std::vector<std::string> kInvalid[] = {
      {},
      {"out", "other"},
      {"out", "--size"},
      {"out", "--size", "12abc"},
      {"out", "--size", "-1"},
      {"out", "--size", "17179869184G"},
      {"out", "--seed", "18446744073709551616"},
      {"out", "--seed", "+3"},
      {"out", "--user", "../etc"},
      {"out", "--user", ""},
      {"out", "--user", "a\\b"},
      {"out", "--user", ".."},
      {"out", "--seed", "1", "--seed", "2"},
      {"out", "--colour"},
  };
  for (const auto& arguments : kInvalid) {
    std::string joined;
    for (const auto& argument : arguments) joined += "[" + argument + "]";
    EXPECT_NE(ParseSampleCommandLine(arguments, "caller").error, "") << joined;
  }
  // No --user and no login name to fall back on.
  EXPECT_NE(ParseSampleCommandLine({"out"}, "").error, "");
}

TEST(SampleProfileTest, RefusesAFolderInUseAndLeavesItAlone) {
  TempFolder folder;
  const fs::path used = folder.path() / "used";
  fs::create_directories(used);
  std::ofstream(used / "keep.txt") << "mine";
  EXPECT_THROW(MakeSample(used, 1, 0), std::runtime_error);
  EXPECT_EQ(ReadFile(used / "keep.txt"), "mine");
  EXPECT_EQ(std::distance(fs::directory_iterator(used), fs::directory_iterator()), 1);

  const fs::path file = folder.path() / "file";
  std::ofstream(file) << "x";
  EXPECT_THROW(MakeSample(file, 1, 0), std::runtime_error);

  // A user name that would climb out of drive_c/users creates nothing.
  EXPECT_THROW(MakeSample(folder.path() / "new", 1, 0, "../../escape"), std::runtime_error);
  EXPECT_FALSE(fs::exists(folder.path() / "new"));
  EXPECT_FALSE(fs::exists(folder.path() / "escape"));
}

}  // namespace
}  // namespace quill::sample
