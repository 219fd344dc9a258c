#include "registry/RegistryText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/Files.h"
#include "platform/TextFile.h"

namespace quill::registry {
using namespace platform;

namespace {

constexpr std::uint32_t kNameBufferChars = 260;

// The tags as they stand between "=" and ":"; the importer compares them without the blanks.
constexpr std::string_view kTagSz = " sz";
constexpr std::string_view kTagExpandSz = "esz";
constexpr std::string_view kTagBinary = "bin";
constexpr std::string_view kTagDword = " dw";
constexpr std::string_view kTagEscapedSz = " sx";
constexpr std::string_view kTagEscapedExpandSz = "esx";

constexpr std::array<std::string_view, 6> kKnownTags = {"sz", "esz", "bin", "dw", "sx", "esx"};

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string JoinSubPath(const std::string& parent, const std::string& child) {
  if (parent.empty()) return child;
  if (child.empty()) return parent;
  return parent + "\\" + child;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

// Where the "=" after a value line's name stands (0-based), or npos. The name ends at the
// first '"=' that a known tag and ':' follow, so names may hold "=" and '"'; a line without
// such a place is split at its first "=".
std::size_t FindSeparator(std::string_view line) {
  for (std::size_t quote = line.find("\"=", 1); quote != std::string_view::npos;
       quote = line.find("\"=", quote + 1)) {
    const std::size_t equals = quote + 1;
    if (equals + 4 < line.size() && line[equals + 4] == ':') {
      const std::string_view tag = Trim(line.substr(equals + 1, 3));
      for (std::string_view known : kKnownTags)
        if (tag == known) return equals;
    }
  }
  return line.find('=');
}

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

// A decimal number with an optional minus sign, no larger than limit in magnitude.
std::optional<std::int64_t> ParseDecimal(std::string_view text, bool allowMinus,
                                         std::int64_t limit) {
  text = Trim(text);
  const bool negative = allowMinus && !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > limit + (negative ? 1 : 0)) return std::nullopt;
  }
  return negative ? -value : value;
}

std::string DwordBytes(std::int32_t number) {
  const auto bits = static_cast<std::uint32_t>(number);
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  return bytes;
}

// The line of one value, or nothing for a type the file does not carry.
std::optional<std::string> ValueLine(const std::string& name, const RegValue& value) {
  std::string_view tag;
  std::string data;
  switch (value.type) {
    case regtype::kSz:
    case regtype::kExpandSz: {
      std::string text = value.data;
      // The text without its terminating NUL; a text stored without one keeps its last
      // character.
      if (!text.empty() && text.back() == '\0') text.pop_back();
      const bool breaks = text.find_first_of("\r\n") != std::string::npos;
      if (value.type == regtype::kSz)
        tag = breaks ? kTagEscapedSz : kTagSz;
      else
        tag = breaks ? kTagEscapedExpandSz : kTagExpandSz;
      data = breaks ? Escape(text) : text;
      break;
    }
    case regtype::kBinary:
      tag = kTagBinary;
      for (std::size_t i = 0; i < value.data.size(); ++i) {
        if (i > 0) data += ',';
        data += std::to_string(static_cast<unsigned char>(value.data[i]));
      }
      break;
    case regtype::kDword: {
      // Little-endian; missing bytes of a short value count as zero.
      std::uint32_t bits = 0;
      for (std::size_t i = 0; i < 4 && i < value.data.size(); ++i)
        bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(value.data[i])) << (8 * i);
      tag = kTagDword;
      data = std::to_string(static_cast<std::int32_t>(bits));
      break;
    }
    default:
      return std::nullopt;
  }
  return "\"" + name + "\"=" + std::string(tag) + ":" + data;
}

// True when the line reads back with the name it was written with.
bool NameReadsBack(const std::string& name, const std::string& line) {
  return name.find_first_of("\r\n") == std::string::npos && FindSeparator(line) == name.size() + 2;
}

// The file's content, checked, before it goes into the registry.
struct FileValue {
  std::string name;
  RegValue value;
};
struct FileKey {
  std::string relative;  // the header without its leading backslash: "" for the key itself
  std::vector<FileValue> values;
};
struct FileContent {
  bool replacesKey = false;  // the file holds the key's own header "\"
  std::vector<FileKey> keys;
};

// The value a value line sets, nothing for a tag that is not known, or a problem.
std::optional<FileValue> ReadValueLine(std::string_view line, std::string& problem) {
  const std::size_t equals = FindSeparator(line);
  if (equals == std::string_view::npos) {
    problem = "\"=\" is missing after the value name";
    return std::nullopt;
  }
  if (equals < 2) {
    problem = "\"=\" comes before the value name";
    return std::nullopt;
  }
  FileValue result{std::string(line.substr(1, equals - 2)), {}};
  const std::string_view tag = Trim(line.substr(equals + 1, 3));
  const std::string_view data =
      equals + 5 <= line.size() ? line.substr(equals + 5) : std::string_view();
  if (tag == "sz" || tag == "esz") {
    result.value = {tag == "sz" ? regtype::kSz : regtype::kExpandSz, std::string(data) + '\0'};
  } else if (tag == "sx" || tag == "esx") {
    const auto text = Unescape(data);
    if (!text) {
      problem = "a backslash in the text is not followed by r, n or a backslash";
      return std::nullopt;
    }
    result.value = {tag == "sx" ? regtype::kSz : regtype::kExpandSz, *text + '\0'};
  } else if (tag == "dw") {
    const auto number = ParseDecimal(data, true, 2147483647);
    if (!number) {
      problem = "\"" + std::string(data) + "\" is not a 32-bit number";
      return std::nullopt;
    }
    result.value = {regtype::kDword, DwordBytes(static_cast<std::int32_t>(*number))};
  } else if (tag == "bin") {
    result.value = {regtype::kBinary, std::string()};
    for (std::size_t start = 0; !data.empty() && start <= data.size();) {
      const std::size_t comma = std::min(data.find(',', start), data.size());
      const std::string_view piece = data.substr(start, comma - start);
      const auto byte = ParseDecimal(piece, false, 255);
      if (!byte) {
        problem = "\"" + std::string(Trim(piece)) + "\" is not a byte value from 0 to 255";
        return std::nullopt;
      }
      result.value.data += static_cast<char>(*byte);
      start = comma + 1;
    }
  } else {
    problem.clear();
    return std::nullopt;  // a tag this program does not know: the line is skipped
  }
  return result;
}

// The file's lines up to the first empty one, or nothing and the number of the bad line.
std::optional<FileContent> ReadContent(const std::vector<std::string>& lines, std::size_t& badLine,
                                       std::string& problem) {
  FileContent content;
  for (std::size_t i = 0; i < lines.size() && !lines[i].empty(); ++i) {
    const std::string& line = lines[i];
    badLine = i + 1;
    // Lines end in CR LF or LF, and no line written here holds a CR of its own: one left in
    // a line means other line ends, which would put the rest of the file into one name.
    if (line.find('\r') != std::string::npos) {
      problem = "a carriage return stands inside the line";
      return std::nullopt;
    }
    if (line.front() == '\\') {
      const std::string relative = line.substr(1);
      if (!relative.empty() && (relative.front() == '\\' || relative.back() == '\\' ||
                                relative.find("\\\\") != std::string::npos)) {
        problem = "a key name in the header is empty";
        return std::nullopt;
      }
      content.replacesKey = content.replacesKey || relative.empty();
      content.keys.push_back({relative, {}});
      continue;
    }
    auto value = ReadValueLine(line, problem);
    if (!value && !problem.empty()) return std::nullopt;
    if (content.keys.empty()) {
      problem = "a value comes before the first key header";
      return std::nullopt;
    }
    if (value) content.keys.back().values.push_back(std::move(*value));
  }
  if (content.keys.empty()) {
    badLine = 0;
    problem = "it holds no key";
    return std::nullopt;
  }
  return content;
}

// A line as an error message quotes it: long ones cut short, never inside a character.
std::string Shortened(const std::string& line) {
  std::size_t cut = 80;
  if (line.size() <= cut) return line;
  while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  return line.substr(0, cut) + "...";
}

}  // namespace

struct RegistryText::Collected {
  std::vector<std::string> lines;
  ExportResult result;

  void Fail(std::string error) {
    if (!result.ok) return;
    result.ok = false;
    result.error = std::move(error);
  }
};

RegistryText::RegistryText(Registry& registry, RegistryKeys& reg)
    : registry_(registry), reg_(reg) {}

void RegistryText::CollectValues(HKey key, const std::string& keyPath, Collected& out) {
  // The registry interface hands back names and data whole, so no buffer has to be enlarged
  // and read again.
  for (std::uint32_t index = 0;; ++index) {
    std::string name;
    RegValue value;
    const long status = registry_.EnumValue(key, index, name, value);
    if (status == winerr::kNoMoreItems) break;
    if (status != winerr::kSuccess) {
      out.Fail("Could not read the values of " + keyPath + " (error " + std::to_string(status) +
               ").");
      break;
    }
    const auto line = ValueLine(name, value);
    if (!line) continue;
    if (!NameReadsBack(name, *line)) {
      out.result.skipped.push_back(keyPath + " \"" + name + "\"");
      continue;
    }
    out.lines.push_back(*line);
  }
}

void RegistryText::CollectKey(const KeyPath& path, const std::string& keyPath,
                              const std::string& relative, Collected& out) {
  out.lines.push_back("\\" + relative);
  if (path.root == 0) return;
  HKey key = 0;
  if (registry_.OpenKey(path.root, path.subPath, kKeyRead, key) != winerr::kSuccess) return;
  CollectValues(key, keyPath, out);
  std::vector<std::string> names;
  for (std::uint32_t index = 0;; ++index) {
    std::string name;
    const long status = registry_.EnumKey(key, index, kNameBufferChars, name);
    if (status == winerr::kNoMoreItems) break;
    if (status != winerr::kSuccess) {
      out.Fail("Could not list the subkeys of " + keyPath + " (error " + std::to_string(status) +
               ").");
      break;
    }
    names.push_back(name.substr(0, name.find('\0')));
  }
  registry_.CloseKey(key);
  for (const std::string& name : names) {
    const std::string childPath = keyPath + "\\" + name;
    if (name.empty() || name.find_first_of("\r\n") != std::string::npos) {
      out.result.skipped.push_back(childPath);
      continue;
    }
    CollectKey({path.root, JoinSubPath(path.subPath, name)}, childPath, JoinSubPath(relative, name),
               out);
  }
}

ExportResult RegistryText::ExportKey(const std::string& keyPath, const std::string& file) {
  Collected out;
  CollectKey(reg_.ParseKeyPath(keyPath), keyPath, std::string(), out);

  std::error_code error;
  const std::filesystem::path host = HostPath(file);
  if (std::filesystem::is_directory(host, error)) {
    out.Fail("Could not write the registry file " + file + ": it is a folder.");
    return out.result;
  }
  std::filesystem::remove(host, error);
  if (error) {
    out.Fail("Could not replace the registry file " + file + ": " + error.message() + ".");
    return out.result;
  }
  if (!out.result.ok) return out.result;
  if (!TextFile::AppendLine(file, JoinLines(out.lines))) {
    std::filesystem::remove(host, error);
    out.Fail("Could not write the registry file " + file + ".");
  }
  return out.result;
}

ExportResult RegistryText::ExportKeyValues(const std::string& keyPath, const std::string& file) {
  Collected out;
  const KeyPath path = reg_.ParseKeyPath(keyPath);
  if (path.root == 0) return out.result;
  HKey key = 0;
  if (registry_.OpenKey(path.root, path.subPath, kKeyRead, key) != winerr::kSuccess)
    return out.result;
  CollectValues(key, keyPath, out);
  registry_.CloseKey(key);
  if (!out.lines.empty() && !TextFile::AppendLine(file, JoinLines(out.lines)))
    out.Fail("Could not write the registry file " + file + ".");
  return out.result;
}

ImportResult RegistryText::ImportKeyFile(const std::string& targetKeyPath,
                                         const std::string& file) {
  const auto lines = TextFile::ReadLines(file);
  if (!lines) return {false, "Could not read the registry file " + file + ". Nothing was changed."};
  std::size_t badLine = 0;
  std::string problem;
  const auto content = ReadContent(*lines, badLine, problem);
  if (!content) {
    if (badLine == 0)
      return {false,
              "The registry file " + file + " is damaged: " + problem + ". Nothing was changed."};
    return {false, "The registry file " + file + " is damaged at line " + std::to_string(badLine) +
                       " (" + Shortened((*lines)[badLine - 1]) + "): " + problem +
                       ". Nothing was changed."};
  }
  const KeyPath target = reg_.ParseKeyPath(targetKeyPath);
  if (target.root == 0)
    return {false, targetKeyPath +
                       " is not a registry key this program can write. Nothing was "
                       "changed."};

  // Every change of the import reaches the registry together, or none does where the
  // registry can drop them.
  registry_.BeginChanges();
  std::vector<std::string> failures;
  const auto failed = [&failures](const std::string& what, long status) {
    failures.push_back(what + " (error " + std::to_string(status) + ")");
  };
  if (content->replacesKey) {
    reg_.DeleteKeyTree(targetKeyPath);
    if (reg_.KeyExists(targetKeyPath))
      failures.push_back("the key could not be removed before it was rebuilt");
  }
  for (const FileKey& fileKey : content->keys) {
    const std::string keyPath = JoinSubPath(targetKeyPath, fileKey.relative);
    HKey key = 0;
    const long created =
        registry_.CreateKey(target.root, JoinSubPath(target.subPath, fileKey.relative), key);
    if (created != winerr::kSuccess) {
      failed("could not create " + keyPath, created);
      continue;
    }
    for (const FileValue& value : fileKey.values) {
      const long set = registry_.SetValue(key, value.name, value.value);
      if (set != winerr::kSuccess)
        failed("could not set \"" + value.name + "\" in " + keyPath, set);
    }
    const long closed = registry_.CloseKey(key);
    if (closed != winerr::kSuccess) failed("could not save " + keyPath, closed);
  }
  bool dropped = true;
  if (failures.empty()) {
    if (registry_.EndChanges(true)) return {true, std::string()};
    failures.push_back("the registry could not save the changes");
  } else {
    dropped = registry_.EndChanges(false);
  }
  // The first two failures: where the key could not be removed, the second one tells why.
  std::string error = "Could not restore " + targetKeyPath + " from " + file + ": " + failures[0];
  if (failures.size() > 1) error += "; " + failures[1];
  if (failures.size() > 2)
    error += "; and " + std::to_string(failures.size() - 2) + " more changes failed";
  return {false, error + (dropped ? ". Nothing was changed." : ".")};
}

}  // namespace quill::registry
