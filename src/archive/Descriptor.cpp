#include "archive/Descriptor.h"

#include <cctype>

#include "platform/TextFile.h"

namespace quill::archive {
namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace

ItemKind KindOfItem(std::size_t index) {
  switch (index) {
    case 0:
    case 5:
    case 10:
      return ItemKind::Folders;
    case 2:
    case 6:
    case 8:
      return ItemKind::Files;
    default:
      return ItemKind::Registry;
  }
}

bool SaveINI(const std::string& key, const std::string& value, const std::string& file) {
  return platform::TextFile::AppendLine(file, key + "=" + value);
}

std::string GetINI(const std::string& key, const std::string& file) {
  const auto lines = platform::TextFile::ReadLines(file);
  if (!lines) return std::string();
  const std::string wanted = Upper(key);
  for (const std::string& line : *lines) {
    if (line.empty()) break;
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    if (Upper(line.substr(0, equals)) == wanted) return line.substr(equals + 1);
  }
  return std::string();
}

std::string EncodeDescription(const std::string& text) {
  return ReplaceAll(text, "\r\n", "PS$QVT");
}
std::string DecodeDescription(const std::string& value) {
  return ReplaceAll(value, "PS$QVT", "\r\n");
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
    const std::string name = Trim(value.substr(start, end - start));
    if (!name.empty()) names.push_back(name);
    start = end + 1;
  }
  return names;
}

std::string ItemFlags(const std::array<bool, kItemCount>& succeeded) {
  std::string flags;
  for (bool ok : succeeded) flags += ok ? '1' : '0';
  return flags;
}

DescriptorContents ReadDescriptor(const std::string& file) {
  DescriptorContents contents;
  contents.computer = GetINI(kComputerKey, file);
  contents.user = GetINI(kUserKey, file);
  contents.time = GetINI(kTimeKey, file);
  contents.information = DecodeDescription(GetINI(kInformationKey, file));
  contents.flags = Trim(GetINI(kItemFlagsKey, file));
  for (std::size_t index = 0; index < kItemCount; ++index) {
    const std::string value = Trim(GetINI(kItemKeys[index], file));
    // A registry item holds one export file, whatever its name.
    if (KindOfItem(index) == ItemKind::Registry) {
      if (!value.empty()) contents.entries[index] = {value};
    } else {
      contents.entries[index] = SplitEntryNames(value);
    }
  }
  return contents;
}

bool IsMessageStoreName(const std::string& name) {
  return name == "Mail.MSMessageStore" || name == "WindowsMail.MSMessageStore";
}

}  // namespace quill::archive
