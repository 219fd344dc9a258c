#include "disc/burn/StdioDrives.h"

#include <cctype>

namespace quill::disc {

namespace {

// "700M" and the like; nothing when the text is no size.
std::optional<std::int64_t> ParseSize(const std::string& text) {
  if (text.empty()) return std::nullopt;
  std::size_t digits = 0;
  while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
  if (digits == 0 || digits > 15) return std::nullopt;
  std::int64_t value = std::stoll(text.substr(0, digits));
  const std::string unit = text.substr(digits);
  if (unit.empty()) return value;
  if (unit.size() != 1) return std::nullopt;
  switch (std::toupper(static_cast<unsigned char>(unit[0]))) {
    case 'K':
      return value * 1024;
    case 'M':
      return value * 1024 * 1024;
    case 'G':
      return value * 1024 * 1024 * 1024;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::vector<StdioDrive> ParseStdioDrives(const std::string& list) {
  std::vector<StdioDrive> drives;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find(':', start), list.size());
    std::string entry = list.substr(start, end - start);
    start = end + 1;
    if (entry.empty()) continue;
    StdioDrive drive{entry, std::nullopt};
    const std::size_t at = entry.rfind('@');
    if (at != std::string::npos) {
      if (auto size = ParseSize(entry.substr(at + 1))) {
        drive.path = entry.substr(0, at);
        drive.capacity = size;
      }
    }
    if (!drive.path.empty()) drives.push_back(drive);
  }
  return drives;
}

}  // namespace quill::disc
