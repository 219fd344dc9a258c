#include "automation/BackupRotation.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/Files.h"
#include "platform/Text.h"

namespace quill::automation {
namespace fs = std::filesystem;

namespace {

// "MM-DD-YYYY-HH-MM" as the number YYYYMMDDHHMM, or -1 when text is no such date.
long long DateKey(std::string_view text) {
  static constexpr std::string_view kShape = "99-99-9999-99-99";
  if (text.size() != kShape.size()) return -1;
  std::string digits;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
    if (kShape[i] == '9' ? !digit : text[i] != '-') return -1;
    if (digit) digits += text[i];
  }
  // MMDDYYYYHHMM reordered to YYYYMMDDHHMM.
  return std::stoll(digits.substr(4, 4) + digits.substr(0, 4) + digits.substr(8, 4));
}

}  // namespace

std::size_t KeptBackups(core::SettingsFile& settings) {
  const std::string value = settings.Value(core::settings::kKeptBackups);
  if (value.empty() || value.size() > 6 ||
      !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return kDefaultKeptBackups;
  return static_cast<std::size_t>(std::stoul(value));
}

std::vector<std::string> DatedBackups(const std::string& file) {
  const fs::path path = platform::HostPath(file);
  const std::string stem = platform::PathText(path.stem()) + "-";
  std::vector<std::pair<long long, std::string>> found;
  std::error_code error;
  for (fs::directory_iterator it(path.parent_path(), error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = platform::PathText(it->path().filename());
    if (!it->is_regular_file(error) || name.size() <= stem.size() + 4 ||
        !platform::EndsWithIgnoringCase(name, ".wlm") || name.compare(0, stem.size(), stem) != 0)
      continue;
    const long long key =
        DateKey(std::string_view(name).substr(stem.size(), name.size() - stem.size() - 4));
    if (key >= 0) found.emplace_back(key, platform::PathText(it->path()));
  }
  std::sort(found.begin(), found.end(), std::greater<>());
  std::vector<std::string> paths;
  for (auto& [key, name] : found) paths.push_back(std::move(name));
  return paths;
}

Rotation RemoveOlderBackups(const std::string& file, const std::string& justWritten,
                            std::size_t keep) {
  Rotation rotation;
  if (keep == 0) return rotation;
  const fs::path written = platform::HostPath(justWritten);
  std::size_t kept = 1;  // the one just written
  for (const std::string& backup : DatedBackups(file)) {
    std::error_code error;
    if (fs::equivalent(platform::HostPath(backup), written, error)) continue;
    if (kept < keep) {
      ++kept;
      continue;
    }
    if (fs::remove(platform::HostPath(backup), error) && !error)
      rotation.removed.push_back(backup);
    else
      rotation.notRemoved.push_back(backup);
  }
  return rotation;
}

}  // namespace quill::automation
