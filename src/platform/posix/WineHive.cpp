#include "platform/posix/WineHive.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdio>

#include "platform/Text.h"

namespace quill::platform::posix {
namespace {

constexpr std::uint64_t kTicks1601To1970 = 0x019db1ded53e8000ULL;
constexpr std::uint64_t kTicksPerSecond = 10000000ULL;

char16_t ToLower(char16_t c) {
  if (c >= u'A' && c <= u'Z') return c + 0x20;
  if (c < 0xC0) return c;
  if (c <= 0xDE) return c == 0xD7 ? c : c + 0x20;
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A pairs its capitals and small letters, mostly even then odd.
    const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (oddPairs) return (c % 2 == 1) ? c + 1 : c;
    return (c % 2 == 0 && c != 0x138) ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

template <typename Item, typename Name>
auto LowerBound(std::vector<Item>& items, std::u16string_view name, Name nameOf) {
  return std::lower_bound(items.begin(), items.end(), name, [&](const Item& item, auto n) {
    return CompareNames(nameOf(item), n) < 0;
  });
}

// ---- writing -------------------------------------------------------------------------

// Appends a UTF-16 text the way Wine writes it: characters above 127 as \x escapes,
// control characters as C or octal escapes, the backslash and the two given characters
// escaped. A terminating NUL is left out. Returns the number of characters written.
std::size_t DumpString(std::u16string_view text, std::string& out, char escape1, char escape2,
                       bool dataWithTerminator = false) {
  static constexpr char kEscapes[33] = ".......abtnvfr.............e....";
  const std::size_t start = out.size();
  char buffer[16];
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const std::size_t left = text.size() - i;
    const char16_t next = left > 1 ? text[i + 1] : 0;
    if (c > 127) {
      const bool hexFollows = left > 1 && next < 128 && std::isxdigit(static_cast<int>(next));
      std::snprintf(buffer, sizeof buffer, hexFollows ? "\\x%04x" : "\\x%x", unsigned{c});
      out += buffer;
      continue;
    }
    if (c < 32) {
      // String data ends with its terminating NUL, which is not written; a name has none, so
      // a NUL at a name's end is written like any other.
      if (c == 0 && left == 1 && dataWithTerminator) continue;
      if (kEscapes[c] != '.') {
        out += '\\';
        out += kEscapes[c];
      } else {
        const bool octalFollows = left > 1 && next >= u'0' && next <= u'7';
        std::snprintf(buffer, sizeof buffer, octalFollows ? "\\%03o" : "\\%o", unsigned{c});
        out += buffer;
      }
      continue;
    }
    if (c == u'\\' || c == escape1 || c == escape2) out += '\\';
    out += static_cast<char>(c);
  }
  return out.size() - start;
}

void DumpValue(const HiveValue& value, std::string& out) {
  std::size_t count;
  if (!value.name.empty()) {
    out += '"';
    count = 1 + DumpString(value.name, out, '"', '"');
    out += "\"=";
    count += 2;
  } else {
    out += "@=";
    count = 2;
  }
  char buffer[32];
  const std::u16string text = BytesToUtf16(value.data);
  switch (value.type) {
    case 1:
    case 2:
    case 7:
      // Only properly terminated strings are written as strings.
      if (value.data.size() >= 2 && value.data.size() % 2 == 0 && text.back() == 0) {
        if (value.type != 1) {
          std::snprintf(buffer, sizeof buffer, "str(%x):", unsigned{value.type});
          out += buffer;
        }
        out += '"';
        DumpString(text, out, '"', '"', true);
        out += "\"\n";
        return;
      }
      break;
    case 4:
      if (value.data.size() == 4) {
        std::uint32_t dword = 0;
        for (int i = 3; i >= 0; --i)
          dword = (dword << 8) | static_cast<unsigned char>(value.data[i]);
        std::snprintf(buffer, sizeof buffer, "dword:%08x\n", dword);
        out += buffer;
        return;
      }
      break;
    default:
      break;
  }
  if (value.type == 3) {
    out += "hex:";
    count += 4;
  } else {
    const int written = std::snprintf(buffer, sizeof buffer, "hex(%x):", unsigned{value.type});
    out += buffer;
    count += static_cast<std::size_t>(written);
  }
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, "%02x",
                  unsigned{static_cast<unsigned char>(value.data[i])});
    out += buffer;
    count += 2;
    if (i + 1 < value.data.size()) {
      out += ',';
      if (++count > 76) {
        out += "\\\n  ";
        count = 2;
      }
    }
  }
  out += '\n';
}

void DumpPath(const HiveKey& key, const HiveKey& base, std::string& out) {
  if (key.parent() != nullptr && key.parent() != &base) {
    DumpPath(*key.parent(), base, out);
    out += "\\\\";
  }
  DumpString(key.name(), out, '[', ']');
}

void SaveSubkeys(const HiveKey& key, const HiveKey& base, std::string& out) {
  // Keys without values but with subkeys are written implicitly through their subkeys.
  if (!key.values().empty() || key.subkeys().empty() || !key.extraLines().empty()) {
    out += "\n[";
    if (&key != &base) DumpPath(key, base, out);
    char buffer[64];
    const std::uint64_t ticks = key.modified();
    std::snprintf(buffer, sizeof buffer, "] %u\n#time=%x%08x\n",
                  static_cast<unsigned>((ticks - kTicks1601To1970) / kTicksPerSecond),
                  static_cast<unsigned>(ticks >> 32), static_cast<unsigned>(ticks & 0xffffffffU));
    out += buffer;
    for (const std::string& line : key.extraLines()) out += line + '\n';
    for (const HiveValue& value : key.values()) DumpValue(value, out);
  }
  for (const auto& subkey : key.subkeys()) SaveSubkeys(*subkey, base, out);
}

// ---- reading -------------------------------------------------------------------------

// Reads an escaped string up to the unescaped end character; pos ends after it.
bool ParseString(std::string_view line, std::size_t& pos, char end, std::u16string& out) {
  while (pos < line.size()) {
    const char c = line[pos];
    if (c == end) {
      ++pos;
      return true;
    }
    if (c != '\\') {
      AppendUtf16(DecodeUtf8(line, pos), out);
      continue;
    }
    if (++pos >= line.size()) return false;
    const char e = line[pos];
    static constexpr std::string_view kLetters = "abtnvfre";
    static constexpr char kCodes[] = {7, 8, 9, 10, 11, 12, 13, 27};
    if (const auto at = kLetters.find(e); at != std::string_view::npos) {
      out += static_cast<char16_t>(kCodes[at]);
      ++pos;
    } else if (e == 'x') {
      ++pos;
      unsigned value = 0;
      int digits = 0;
      while (digits < 4 && pos < line.size() && HexDigitValue(line[pos]) >= 0) {
        value = value * 16 + static_cast<unsigned>(HexDigitValue(line[pos++]));
        ++digits;
      }
      if (digits == 0)
        out += u'x';
      else
        out += static_cast<char16_t>(value);
    } else if (e >= '0' && e <= '7') {
      unsigned value = 0;
      int digits = 0;
      while (digits < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7') {
        value = value * 8 + static_cast<unsigned>(line[pos++] - '0');
        ++digits;
      }
      out += static_cast<char16_t>(value);
    } else {
      AppendUtf16(DecodeUtf8(line, pos), out);
    }
  }
  return false;
}

bool ParseHexBytes(std::string_view text, std::string& out) {
  // Bytes are pairs of hex digits separated by commas; blanks may stand around them.
  std::size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos == text.size()) break;
    int value = 0;
    int digits = 0;
    while (pos < text.size() && digits < 2 && HexDigitValue(text[pos]) >= 0) {
      value = value * 16 + HexDigitValue(text[pos++]);
      ++digits;
    }
    if (digits == 0) return false;
    out += static_cast<char>(value);
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos < text.size() && text[pos++] != ',') return false;
  }
  return true;
}

bool ParseUnsignedHex(std::string_view text, std::uint64_t& value) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  return ec == std::errc() && end == text.data() + text.size();
}

// Parses one value line (continuations already joined) into the key.
bool ParseValue(std::string_view line, HiveKey& key) {
  HiveValue value;
  std::size_t pos = 0;
  if (line.substr(0, 2) == "@=") {
    pos = 2;
  } else if (!line.empty() && line[0] == '"') {
    pos = 1;
    if (!ParseString(line, pos, '"', value.name)) return false;
    if (pos >= line.size() || line[pos] != '=') return false;
    ++pos;
  } else {
    return false;
  }
  std::string_view data = line.substr(pos);
  std::uint64_t type = 1;
  if (data.substr(0, 4) == "str(") {
    const auto close = data.find("):");
    if (close == std::string_view::npos || !ParseUnsignedHex(data.substr(4, close - 4), type))
      return false;
    data.remove_prefix(close + 2);
  }
  if (!data.empty() && data[0] == '"') {
    std::size_t at = 1;
    std::u16string text;
    if (!ParseString(data, at, '"', text)) return false;
    text += u'\0';
    value.type = static_cast<std::uint32_t>(type);
    value.data = Utf16ToBytes(text);
  } else if (data.substr(0, 6) == "dword:") {
    std::uint64_t dword = 0;
    if (!ParseUnsignedHex(data.substr(6), dword) || dword > 0xffffffffULL) return false;
    value.type = 4;
    for (int i = 0; i < 4; ++i) value.data += static_cast<char>((dword >> (8 * i)) & 0xff);
  } else if (data.substr(0, 3) == "hex") {
    data.remove_prefix(3);
    type = 3;
    if (!data.empty() && data[0] == '(') {
      const auto close = data.find(')');
      if (close == std::string_view::npos || !ParseUnsignedHex(data.substr(1, close - 1), type))
        return false;
      data.remove_prefix(close + 1);
    }
    if (data.empty() || data[0] != ':') return false;
    value.type = static_cast<std::uint32_t>(type);
    if (!ParseHexBytes(data.substr(1), value.data)) return false;
  } else {
    return false;
  }
  key.SetValue(std::move(value));
  return true;
}

std::vector<std::u16string> SplitPath(std::u16string_view path) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find(u'\\', start), path.size());
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string LineError(std::size_t number, std::string_view what) {
  return "line " + std::to_string(number) + ": " + std::string(what);
}

}  // namespace

// ---- names and text ------------------------------------------------------------------

int CompareNames(std::u16string_view a, std::u16string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const int diff = int{ToLower(a[i])} - int{ToLower(b[i])};
    if (diff != 0) return diff;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

std::uint64_t NowTicks() {
  const auto since1970 = std::chrono::system_clock::now().time_since_epoch();
  const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(since1970).count() / 100;
  return kTicks1601To1970 + static_cast<std::uint64_t>(ticks);
}

// ---- keys ----------------------------------------------------------------------------

HiveKey::HiveKey(std::u16string name, HiveKey* parent, std::uint64_t modified)
    : name_(std::move(name)), parent_(parent), modified_(modified) {}

HiveKey* HiveKey::FindSubkey(std::u16string_view name) const {
  auto& items = const_cast<std::vector<std::unique_ptr<HiveKey>>&>(subkeys_);
  const auto it =
      LowerBound(items, name, [](const auto& key) -> std::u16string_view { return key->name(); });
  return (it != items.end() && CompareNames((*it)->name(), name) == 0) ? it->get() : nullptr;
}

HiveKey* HiveKey::AddSubkey(std::u16string_view name, std::uint64_t modified) {
  const auto it = LowerBound(subkeys_, name,
                             [](const auto& key) -> std::u16string_view { return key->name(); });
  if (it != subkeys_.end() && CompareNames((*it)->name(), name) == 0) return it->get();
  return subkeys_.insert(it, std::make_unique<HiveKey>(std::u16string(name), this, modified))
      ->get();
}

bool HiveKey::RemoveSubkey(std::u16string_view name) {
  const auto it = LowerBound(subkeys_, name,
                             [](const auto& key) -> std::u16string_view { return key->name(); });
  if (it == subkeys_.end() || CompareNames((*it)->name(), name) != 0) return false;
  if (!(*it)->subkeys().empty()) return false;
  subkeys_.erase(it);
  return true;
}

const HiveValue* HiveKey::FindValue(std::u16string_view name) const {
  auto& items = const_cast<std::vector<HiveValue>&>(values_);
  const auto it =
      LowerBound(items, name, [](const HiveValue& v) -> std::u16string_view { return v.name; });
  return (it != items.end() && CompareNames(it->name, name) == 0) ? &*it : nullptr;
}

void HiveKey::SetValue(HiveValue value) {
  const auto it = LowerBound(values_, value.name,
                             [](const HiveValue& v) -> std::u16string_view { return v.name; });
  if (it != values_.end() && CompareNames(it->name, value.name) == 0) {
    // The stored name keeps the letter case it was created with.
    it->type = value.type;
    it->data = std::move(value.data);
  } else {
    values_.insert(it, std::move(value));
  }
}

bool HiveKey::RemoveValue(std::u16string_view name) {
  const auto it =
      LowerBound(values_, name, [](const HiveValue& v) -> std::u16string_view { return v.name; });
  if (it == values_.end() || CompareNames(it->name, name) != 0) return false;
  values_.erase(it);
  return true;
}

// ---- the hive ------------------------------------------------------------------------

WineHive::WineHive(std::string_view relativeTo)
    : header_{"WINE REGISTRY Version 2", ";; All keys relative to " + std::string(relativeTo), "",
              "#arch=win64"},
      root_(std::make_unique<HiveKey>(std::u16string(), nullptr, NowTicks())) {}

HiveKey* WineHive::Find(std::u16string_view path) const {
  HiveKey* key = root_.get();
  for (const auto& part : SplitPath(path)) {
    key = key->FindSubkey(part);
    if (key == nullptr) return nullptr;
  }
  return key;
}

HiveKey* WineHive::Create(std::u16string_view path, std::uint64_t modified) {
  HiveKey* key = root_.get();
  for (const auto& part : SplitPath(path)) key = key->AddSubkey(part, modified);
  return key;
}

std::optional<WineHive> WineHive::Parse(std::string_view text, std::string* error) {
  const auto fail = [&](std::size_t number, std::string_view what) -> std::optional<WineHive> {
    if (error != nullptr) *error = LineError(number, what);
    return std::nullopt;
  };
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    // Lines are kept as they stand; a CR before the LF is dropped only where a line is read.
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  const auto withoutCr = [](std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  };
  if (lines.empty() || withoutCr(lines[0]) != "WINE REGISTRY Version 2")
    return fail(1, "not a Wine registry file");

  WineHive hive;
  hive.header_.clear();
  std::size_t i = 0;
  // Before the first key stand only comments, options and blank lines.
  while (i < lines.size() && (withoutCr(lines[i]).empty() || lines[i][0] != '[')) {
    const std::string_view line = withoutCr(lines[i]);
    if (i > 0 && !line.empty() && line[0] != ';' && line[0] != '#')
      return fail(i + 1,
                  line[0] == '"' || line[0] == '@' ? "value outside a key" : "unrecognized text");
    hive.header_.emplace_back(lines[i++]);
  }
  if (!hive.header_.empty() && hive.header_.back().empty()) hive.header_.pop_back();

  std::size_t end = lines.size();
  if (i < end) {
    while (end > i && lines[end - 1].empty()) --end;
    hive.trailingBlankLines_ = lines.size() - end;
  }
  HiveKey* key = nullptr;
  for (; i < end; ++i) {
    const std::string_view line = withoutCr(lines[i]);
    const std::size_t number = i + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      std::size_t pos = 1;
      std::u16string path;
      if (!ParseString(line, pos, ']', path)) return fail(number, "unterminated key name");
      std::uint64_t seconds = 0;
      std::string_view rest = line.substr(pos);
      while (!rest.empty() && rest[0] == ' ') rest.remove_prefix(1);
      const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), seconds);
      (void)end;
      if (ec != std::errc()) seconds = 0;
      const std::uint64_t ticks = seconds * kTicksPerSecond + kTicks1601To1970;
      key = hive.Create(path, ticks);
      key->setModified(ticks);
      continue;
    }
    if (key == nullptr) return fail(number, "value outside a key");
    if (line[0] == '#') {
      if (line.substr(0, 6) == "#time=") {
        std::uint64_t ticks = 0;
        if (!ParseUnsignedHex(line.substr(6), ticks)) return fail(number, "bad time stamp");
        key->setModified(ticks);
      } else {
        key->extraLines().emplace_back(lines[i]);  // kept as it stands
      }
      continue;
    }
    std::string joined(line);
    while (!joined.empty() && joined.back() == '\\' && i + 1 < end) {
      joined.pop_back();
      std::string_view next = withoutCr(lines[++i]);
      while (!next.empty() && (next[0] == ' ' || next[0] == '\t')) next.remove_prefix(1);
      joined += next;
    }
    if (!ParseValue(joined, *key)) return fail(number, "malformed value");
  }
  return hive;
}

std::string WineHive::Serialize() const {
  std::string out;
  for (const std::string& line : header_) out += line + '\n';
  SaveSubkeys(*root_, *root_, out);
  out.append(trailingBlankLines_, '\n');
  return out;
}

}  // namespace quill::platform::posix
