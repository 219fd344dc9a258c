#include "archive/Descriptor.h"

#include "platform/AnsiCodePage.h"
#include "platform/Text.h"

namespace quill::archive {
using core::ItemKind;
using core::kItemCount;
using core::kItems;

namespace {

constexpr const char* kLineBreakCode = "PS$QVT";
constexpr const char* kHexDigits = "0123456789ABCDEF";

// UTF-8 text as ASCII: every byte outside printable ASCII, and "%", as "%XX".
std::string PercentEncode(std::string_view text) {
  std::string encoded;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F || c == '%') {
      encoded += '%';
      encoded += kHexDigits[byte >> 4];
      encoded += kHexDigits[byte & 0xF];
    } else {
      encoded += c;
    }
  }
  return encoded;
}

// "" when the text is no percent encoding.
std::string PercentDecode(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      decoded += text[i];
      continue;
    }
    const int high = i + 2 < text.size() ? platform::HexDigitValue(text[i + 1]) : -1;
    const int low = high >= 0 ? platform::HexDigitValue(text[i + 2]) : -1;
    if (low < 0) return std::string();
    decoded += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return decoded;
}

// A key's line in the code page. A value the code page cannot hold whole is followed by a
// line that carries it as UTF-8 (percent-encoded, so that it stays ASCII): a reader that does
// not know that line passes it by and reads the first one, with "?" where a character was.
std::string Line(std::string_view key, const std::string& value) {
  std::string line = platform::Utf8ToAnsi(std::string(key) + "=" + value) + "\r\n";
  if (platform::AnsiRoundTrip(value) != value)
    line += std::string(key) + kUtf8KeySuffix + "=" + PercentEncode(value) + "\r\n";
  return line;
}

}  // namespace

DescriptorLines::DescriptorLines(std::string_view bytes) {
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::size_t stop = end;
    if (stop > start && bytes[stop - 1] == '\r') --stop;
    if (stop == start) break;
    lines_.push_back(platform::AnsiToUtf8(bytes.substr(start, stop - start)));
    start = end + 1;
  }
}

std::string DescriptorLines::Value(std::string_view key) const {
  // A value the code page could not hold whole was written again in UTF-8 on a line of its
  // own; that line, where there is one and it decodes, is the value.
  if (const std::string utf8 = PercentDecode(RawValue(std::string(key) + kUtf8KeySuffix));
      !utf8.empty())
    return utf8;
  return RawValue(key);
}

std::string DescriptorLines::RawValue(std::string_view key) const {
  const std::string wanted = platform::Upper(key);
  for (const std::string& line : lines_) {
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos && platform::Upper(line.substr(0, equals)) == wanted)
      return line.substr(equals + 1);
  }
  return std::string();
}

std::size_t DescriptorLines::Count(std::string_view key) const {
  const std::string wanted = platform::Upper(key);
  std::size_t count = 0;
  for (const std::string& line : lines_) {
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos && platform::Upper(line.substr(0, equals)) == wanted) ++count;
  }
  return count;
}

std::string Descriptor::Serialize() const {
  std::string bytes = Line(kComputerKey, computer) + Line(kUserKey, user) + Line(kTimeKey, time) +
                      Line(kInformationKey, EncodeDescription(information));
  for (std::size_t index = 0; index < kItemCount; ++index)
    if (!entries[index].empty()) bytes += Line(kItems[index].key, JoinEntryNames(entries[index]));
  return bytes + Line(kItemFlagsKey, flags);
}

Descriptor Descriptor::Parse(std::string_view bytes) {
  const DescriptorLines lines(bytes);
  const auto trimmed = [&](std::string_view key) {
    return std::string(platform::TrimBlanks(lines.Value(key)));
  };
  Descriptor read;
  read.computer = lines.Value(kComputerKey);
  read.user = lines.Value(kUserKey);
  read.time = lines.Value(kTimeKey);
  read.information = DecodeDescription(lines.Value(kInformationKey));
  read.flags = trimmed(kItemFlagsKey);
  for (std::size_t index = 0; index < kItemCount; ++index) {
    const std::string value = trimmed(kItems[index].key);
    // A registry item holds one export file, whatever its name.
    if (kItems[index].kind == ItemKind::Registry) {
      if (!value.empty()) read.entries[index] = {value};
    } else {
      read.entries[index] = SplitEntryNames(value);
    }
  }
  return read;
}

std::string Descriptor::LimitProblem(std::string_view bytes) {
  std::size_t line = 1;
  for (std::size_t start = 0; start < bytes.size(); ++line) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    if (end - start > kDescriptorLineLimit)
      return "line " + std::to_string(line) + " of the descriptor is longer than " +
             std::to_string(kDescriptorLineLimit) + " bytes";
    // Every name of an item's line is separated by ";": their count is bounded by it.
    std::size_t names = 1;
    for (std::size_t at = start; at < end; ++at)
      if (bytes[at] == ';' && ++names > kNamesPerItem)
        return "line " + std::to_string(line) + " of the descriptor names more than " +
               std::to_string(kNamesPerItem) + " entries";
    start = end + 1;
  }
  return std::string();
}

std::string EncodeDescription(const std::string& text) {
  return platform::ReplaceAll(text, "\r\n", kLineBreakCode);
}
std::string DecodeDescription(const std::string& value) {
  return platform::ReplaceAll(value, kLineBreakCode, "\r\n");
}

std::string JoinEntryNames(const std::vector<std::string>& names) {
  std::string value;
  for (const std::string& name : names) value += (value.empty() ? "" : ";") + name;
  return value;
}

std::vector<std::string> SplitEntryNames(const std::string& value) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t end = value.find(';', start);
    if (end == std::string::npos) end = value.size();
    const std::string_view name =
        platform::TrimBlanks(std::string_view(value).substr(start, end - start));
    if (!name.empty()) names.emplace_back(name);
    start = end + 1;
  }
  return names;
}

}  // namespace quill::archive
