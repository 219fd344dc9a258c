#include "registry/RegistryTextFormat.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/AnsiCodePage.h"
#include "platform/Text.h"

namespace quill::registry {
using namespace platform;

namespace {

// The tags as they stand between "=" and ":"; the importer compares them without the blanks.
constexpr std::string_view kTagSz = " sz";
constexpr std::string_view kTagExpandSz = "esz";
constexpr std::string_view kTagBinary = "bin";
constexpr std::string_view kTagDword = " dw";
constexpr std::string_view kTagEscapedSz = " sx";
constexpr std::string_view kTagEscapedExpandSz = "esx";

constexpr std::array<std::string_view, 6> kKnownTags = {"sz", "esz", "bin", "dw", "sx", "esx"};

// Where the "=" after a value line's name stands (0-based), or npos. The name ends at the
// first '"=' that a known tag and ':' follow, so names may hold "=" and '"'; a line without
// such a place is split at its first "=".
std::size_t FindSeparator(std::string_view line) {
  for (std::size_t quote = line.find("\"=", 1); quote != std::string_view::npos;
       quote = line.find("\"=", quote + 1)) {
    const std::size_t equals = quote + 1;
    if (equals + 4 < line.size() && line[equals + 4] == ':') {
      const std::string_view tag = TrimBlanks(line.substr(equals + 1, 3));
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
  text = TrimBlanks(text);
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

// The value a value line sets, nothing for a tag that is not known, or a problem.
std::optional<TextValue> ReadValueLine(std::string_view line, std::string& problem) {
  const std::size_t equals = FindSeparator(line);
  if (equals == std::string_view::npos) {
    problem = "\"=\" is missing after the value name";
    return std::nullopt;
  }
  if (equals < 2) {
    problem = "\"=\" comes before the value name";
    return std::nullopt;
  }
  TextValue result{std::string(line.substr(1, equals - 2)), {}};
  const std::string_view tag = TrimBlanks(line.substr(equals + 1, 3));
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
        problem = "\"" + std::string(TrimBlanks(piece)) + "\" is not a byte value from 0 to 255";
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

}  // namespace

ParsedRegistryText ParseRegistryText(std::string_view bytes) {
  ParsedRegistryText parsed;
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::size_t stop = end;
    if (stop > start && bytes[stop - 1] == '\r') --stop;
    parsed.lines.push_back(AnsiToUtf8(bytes.substr(start, stop - start)));
    start = end + 1;
  }
  const auto refuse = [&](std::size_t line, std::string problem) {
    parsed.badLine = line;
    parsed.problem = std::move(problem);
    parsed.keys.clear();
    return parsed;
  };
  std::size_t index = 0;
  for (; index < parsed.lines.size() && !parsed.lines[index].empty(); ++index) {
    const std::string& line = parsed.lines[index];
    // Lines end in CR LF or LF, and no line written here holds a CR of its own: one left in
    // a line means other line ends, which would put the rest of the file into one name.
    if (line.find('\r') != std::string::npos)
      return refuse(index + 1, "a carriage return stands inside the line");
    if (line.front() == '\\') {
      const std::string relative = line.substr(1);
      if (!relative.empty() && (relative.front() == '\\' || relative.back() == '\\' ||
                                relative.find("\\\\") != std::string::npos))
        return refuse(index + 1, "a key name in the header is empty");
      parsed.replacesKey = parsed.replacesKey || relative.empty();
      parsed.keys.push_back({relative, {}});
      continue;
    }
    std::string problem;
    auto value = ReadValueLine(line, problem);
    if (!value && !problem.empty()) return refuse(index + 1, problem);
    if (parsed.keys.empty()) return refuse(index + 1, "a value comes before the first key header");
    if (value)
      parsed.keys.back().values.push_back(std::move(*value));
    else
      parsed.skippedLines.push_back(index + 1);
  }
  for (; index < parsed.lines.size(); ++index) {
    if (parsed.lines[index].empty()) continue;
    parsed.unreadFrom = index + 1;
    break;
  }
  if (parsed.keys.empty()) return refuse(0, "it holds no key");
  return parsed;
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

// A line as an error message quotes it: long ones cut short, never inside a character.
std::string Shortened(const std::string& line) {
  std::size_t cut = 80;
  if (line.size() <= cut) return line;
  while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  return line.substr(0, cut) + "...";
}

}  // namespace quill::registry
