#include "platform/posix/IniFile.h"

#include <cctype>

#include "platform/Text.h"

namespace quill::platform::posix {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

// The name of a section header line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const std::size_t close = line.find(']');
  return Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
  IniFile file;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    file.lines_.emplace_back(line);
    start = end + 1;
  }
  return file;
}

std::optional<std::size_t> IniFile::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i]);
    if (name && EqualIgnoringCase(*name, Trim(section))) return i;
  }
  return std::nullopt;
}

std::size_t IniFile::SectionEnd(std::size_t header) const {
  std::size_t end = header + 1;
  while (end < lines_.size() && !SectionName(lines_[end])) ++end;
  return end;
}

std::optional<std::size_t> IniFile::FindKey(std::size_t header, std::string_view key) const {
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    const std::string_view line = lines_[i];
    const std::size_t equals = line.find('=');
    const std::string_view name = Trim(line.substr(0, equals));
    if (!name.empty() && name.front() != ';' && EqualIgnoringCase(name, Trim(key))) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  const auto header = FindSection(section);
  if (!header) return std::nullopt;
  const auto line = FindKey(*header, key);
  if (!line) return std::nullopt;
  const std::string_view text = lines_[*line];
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return std::string();
  return std::string(Trim(text.substr(equals + 1)));
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::string entry = std::string(Trim(key)) + "=" + std::string(value);
  const auto header = FindSection(section);
  if (!header) {
    lines_.push_back("[" + std::string(Trim(section)) + "]");
    lines_.push_back(entry);
    return;
  }
  if (const auto line = FindKey(*header, key)) {
    lines_[*line] = entry;
    return;
  }
  // A new key goes after the section's last line that is not blank.
  std::size_t at = SectionEnd(*header);
  while (at > *header + 1 && Trim(lines_[at - 1]).empty()) --at;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), entry);
}

std::string IniFile::Serialize() const {
  std::string text;
  for (const std::string& line : lines_) text += line + "\r\n";
  return text;
}

}  // namespace quill::platform::posix
