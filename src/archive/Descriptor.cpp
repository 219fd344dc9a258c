#include "archive/Descriptor.h"

#include "platform/AnsiCodePage.h"
#include "platform/Text.h"

namespace quill::archive {
using core::ItemKind;
using core::kItemCount;
using core::kItems;

namespace {

constexpr const char* kLineBreakCode = "PS$QVT";

std::string Line(std::string_view key, const std::string& value) {
  return platform::Utf8ToAnsi(std::string(key) + "=" + value) + "\r\n";
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
