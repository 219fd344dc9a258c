#include "registry/RegistryTextFormat.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "platform/AnsiCodePage.h"
#include "platform/Text.h"
#include "platform/Utf16.h"

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
constexpr std::string_view kTagUnicodeSz = " su";
constexpr std::string_view kTagUnicodeExpandSz = "esu";
constexpr std::string_view kTagMultiSz = "msz";
constexpr std::string_view kTagQword = " qw";
constexpr std::string_view kTagRaw = "raw";

constexpr std::array<std::string_view, 11> kKnownTags = {"sz", "esz", "bin", "dw", "sx", "esx",
                                                         "su", "esu", "msz", "qw", "raw"};

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

// " sx" and "esx": CR, LF and the backslash escaped.
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

// True when a character (one code point, as UTF-8) reads back from the code page as itself.
bool InCodePage(std::string_view utf8) {
  return AnsiRoundTrip(utf8) == utf8;
}

// " su", "esu" and "msz": what the line cannot hold as it is escaped, every other character
// as it is.
std::string EscapeUnicode(std::u16string_view text) {
  std::string out;
  char unit[8];
  const auto escapeUnit = [&](char16_t c) {
    std::snprintf(unit, sizeof unit, "\\u%04X", static_cast<unsigned>(c));
    out += unit;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\\') {
      out += "\\\\";
    } else if (c == u'\r') {
      out += "\\r";
    } else if (c == u'\n') {
      out += "\\n";
    } else if (c == 0) {
      out += "\\0";
    } else if (c == u'"') {
      escapeUnit(c);
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
               text[i + 1] <= 0xDFFF) {
      const std::string character = Utf16ToUtf8(text.substr(i, 2));
      if (InCodePage(character)) {
        out += character;
      } else {
        escapeUnit(c);
        escapeUnit(text[i + 1]);
      }
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      escapeUnit(c);
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      const std::string character = Utf16ToUtf8(text.substr(i, 1));
      if (InCodePage(character))
        out += character;
      else
        escapeUnit(c);
    }
  }
  return out;
}

std::optional<std::u16string> UnescapeUnicode(std::string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '\\') {
      AppendUtf16(DecodeUtf8(text, i), out);
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    const char letter = text[i++];
    switch (letter) {
      case '\\':
        out += u'\\';
        break;
      case 'r':
        out += u'\r';
        break;
      case 'n':
        out += u'\n';
        break;
      case '0':
        out += u'\0';
        break;
      case 'u': {
        if (text.size() - i < 4) return std::nullopt;
        unsigned code = 0;
        for (int digit = 0; digit < 4; ++digit) {
          const int value = platform::HexDigitValue(text[i++]);
          if (value < 0) return std::nullopt;
          code = code * 16 + static_cast<unsigned>(value);
        }
        out += static_cast<char16_t>(code);
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return out;
}

// Decimal digits and nothing else, at most limit.
std::optional<std::uint64_t> ParseDigits(std::string_view text, std::uint64_t limit) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (limit - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

// A decimal number with an optional minus sign, from -(limit + 1) to limit.
std::optional<std::int64_t> ParseSigned(std::string_view text, std::uint64_t limit) {
  text = TrimBlanks(text);
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  const auto magnitude = ParseDigits(text, negative ? limit + 1 : limit);
  if (!magnitude) return std::nullopt;
  // The most negative number is taken as its unsigned bits: its magnitude has no positive
  // counterpart.
  return negative ? static_cast<std::int64_t>(0 - *magnitude)
                  : static_cast<std::int64_t>(*magnitude);
}

std::string LittleEndian(std::uint64_t bits, int bytes) {
  std::string out(static_cast<std::size_t>(bytes), '\0');
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  return out;
}

std::uint64_t FromLittleEndian(std::string_view bytes) {
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < bytes.size() && i < 8; ++i)
    bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  return bits;
}

// "bin" and "raw": every byte as a decimal number, separated by ",".
std::string DecimalBytes(std::string_view bytes) {
  std::string data;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) data += ',';
    data += std::to_string(static_cast<unsigned char>(bytes[i]));
  }
  return data;
}

std::optional<std::string> ParseBytes(std::string_view data, std::string& problem) {
  std::string bytes;
  for (std::size_t start = 0; !data.empty() && start <= data.size();) {
    const std::size_t comma = std::min(data.find(',', start), data.size());
    const std::string_view piece = TrimBlanks(data.substr(start, comma - start));
    const auto byte = ParseDigits(piece, 255);
    if (!byte) {
      problem = "\"" + std::string(piece) + "\" is not a byte value from 0 to 255";
      return std::nullopt;
    }
    bytes += static_cast<char>(*byte);
    start = comma + 1;
  }
  return bytes;
}

// String data as the registry stores it: the text and its terminating NUL in UTF-16LE.
std::string StoredText(std::u16string text) {
  text += u'\0';
  return Utf16ToBytes(text);
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
    result.value = {tag == "sz" ? regtype::kSz : regtype::kExpandSz, StoredText(Utf8ToUtf16(data))};
  } else if (tag == "sx" || tag == "esx") {
    const auto text = Unescape(data);
    if (!text) {
      problem = "a backslash in the text is not followed by r, n or a backslash";
      return std::nullopt;
    }
    result.value = {tag == "sx" ? regtype::kSz : regtype::kExpandSz,
                    StoredText(Utf8ToUtf16(*text))};
  } else if (tag == "su" || tag == "esu" || tag == "msz") {
    const auto text = UnescapeUnicode(data);
    if (!text) {
      problem =
          "a backslash in the text is not followed by r, n, 0, a backslash or u and four "
          "hexadecimal digits";
      return std::nullopt;
    }
    const std::uint32_t type = tag == "su"    ? regtype::kSz
                               : tag == "esu" ? regtype::kExpandSz
                                              : regtype::kMultiSz;
    result.value = {type, StoredText(*text)};
  } else if (tag == "dw") {
    const auto number = ParseSigned(data, 0x7FFFFFFF);
    if (!number) {
      problem = "\"" + std::string(data) + "\" is not a 32-bit number";
      return std::nullopt;
    }
    result.value = {regtype::kDword, LittleEndian(static_cast<std::uint64_t>(*number), 4)};
  } else if (tag == "qw") {
    const auto number = ParseSigned(data, 0x7FFFFFFFFFFFFFFF);
    if (!number) {
      problem = "\"" + std::string(data) + "\" is not a 64-bit number";
      return std::nullopt;
    }
    result.value = {regtype::kQword, LittleEndian(static_cast<std::uint64_t>(*number), 8)};
  } else if (tag == "bin") {
    auto bytes = ParseBytes(data, problem);
    if (!bytes) return std::nullopt;
    result.value = {regtype::kBinary, std::move(*bytes)};
  } else if (tag == "raw") {
    const std::size_t colon = data.find(':');
    const auto type =
        ParseDigits(TrimBlanks(data.substr(0, std::min(colon, data.size()))), 0xFFFFFFFF);
    if (colon == std::string_view::npos || !type) {
      problem = "\"" + std::string(data.substr(0, std::min(colon, data.size()))) +
                "\" is not a value type from 0 to 4294967295 followed by \":\"";
      return std::nullopt;
    }
    auto bytes = ParseBytes(data.substr(colon + 1), problem);
    if (!bytes) return std::nullopt;
    result.value = {static_cast<std::uint32_t>(*type), std::move(*bytes)};
  } else {
    problem.clear();
    return std::nullopt;  // a tag this program does not know: the line is skipped
  }
  return result;
}

// The text of string data that is whole UTF-16 code units ended by a NUL, without that NUL.
std::optional<std::u16string> TerminatedText(std::string_view bytes) {
  if (bytes.size() < 2 || bytes.size() % 2 != 0 || bytes[bytes.size() - 1] != 0 ||
      bytes[bytes.size() - 2] != 0)
    return std::nullopt;
  return BytesToUtf16(bytes.substr(0, bytes.size() - 2));
}

std::string Line(const std::string& name, std::string_view tag, const std::string& data) {
  return "\"" + name + "\"=" + std::string(tag) + ":" + data;
}

}  // namespace

ParsedRegistryText ParseRegistryText(std::string_view bytes) {
  ParsedRegistryText parsed;
  // The lines are read one at a time from the bytes: only the keys and values read are kept,
  // and the text of a line that is refused.
  std::size_t start = 0;
  const auto nextLine = [&](std::string_view& line) {
    if (start >= bytes.size()) return false;
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::size_t stop = end;
    if (stop > start && bytes[stop - 1] == '\r') --stop;
    line = bytes.substr(start, stop - start);
    start = end + 1;
    return true;
  };
  std::string line;
  const auto refuse = [&](std::size_t number, std::string problem) {
    parsed.badLine = number;
    parsed.badText = number == 0 ? std::string() : line;
    parsed.problem = std::move(problem);
    parsed.keys.clear();
    return parsed;
  };
  std::size_t index = 0;
  for (std::string_view raw; nextLine(raw) && !raw.empty(); ++index) {
    line = AnsiToUtf8(raw);
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
  // index is the empty line that ended the reading, if any: the next line with text after it
  // is not read.
  for (std::string_view raw; nextLine(raw);) {
    ++index;
    if (raw.empty()) continue;
    parsed.unreadFrom = index + 1;
    break;
  }
  if (parsed.keys.empty()) return refuse(0, "it holds no key");
  return parsed;
}

// The line of one value: every type and every data has one.
std::string ValueLine(const std::string& name, const StoredValue& value) {
  const std::string& bytes = value.bytes;
  switch (value.type) {
    case regtype::kSz:
    case regtype::kExpandSz: {
      const auto text = TerminatedText(bytes);
      if (!text) break;
      const bool plain = value.type == regtype::kSz;
      const std::string utf8 = Utf16ToUtf8(*text);
      // Text the code page holds whole keeps the lines it has always had.
      if (Utf8ToUtf16(AnsiRoundTrip(utf8)) == *text) {
        if (utf8.find_first_of("\r\n") == std::string::npos)
          return Line(name, plain ? kTagSz : kTagExpandSz, utf8);
        return Line(name, plain ? kTagEscapedSz : kTagEscapedExpandSz, Escape(utf8));
      }
      return Line(name, plain ? kTagUnicodeSz : kTagUnicodeExpandSz, EscapeUnicode(*text));
    }
    case regtype::kMultiSz: {
      const auto text = TerminatedText(bytes);
      if (!text) break;
      return Line(name, kTagMultiSz, EscapeUnicode(*text));
    }
    case regtype::kBinary:
      return Line(name, kTagBinary, DecimalBytes(bytes));
    case regtype::kDword:
      if (bytes.size() != 4) break;
      return Line(name, kTagDword,
                  std::to_string(static_cast<std::int32_t>(FromLittleEndian(bytes))));
    case regtype::kQword:
      if (bytes.size() != 8) break;
      return Line(name, kTagQword,
                  std::to_string(static_cast<std::int64_t>(FromLittleEndian(bytes))));
    default:
      break;
  }
  return Line(name, kTagRaw, std::to_string(value.type) + ":" + DecimalBytes(bytes));
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
