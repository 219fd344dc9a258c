#include "safety/SafetyBackups.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>
#include <vector>

#include "backup/BackupEngine.h"
#include "platform/Files.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"

namespace quill::safety {
namespace fs = std::filesystem;
namespace {

constexpr const char* kPrefix = "before-restore-";

// "before-restore-2026-12-10-02-50-33.wlm": names that sort as their times do.
std::string FileName(const std::tm& now) {
  char text[64];
  std::snprintf(text, sizeof text, "%s%04d-%02d-%02d-%02d-%02d-%02d.wlm", kPrefix,
                now.tm_year + 1900, now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min,
                now.tm_sec);
  return text;
}

// The safety backups of the folder, newest first.
std::vector<fs::path> SafetyFiles(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = platform::PathText(it->path().filename());
    if (it->is_regular_file(error) && name.rfind(kPrefix, 0) == 0 &&
        platform::EndsWithIgnoringCase(name, ".wlm"))
      files.push_back(it->path());
  }
  std::sort(files.begin(), files.end(), std::greater<>());
  return files;
}

// Where the profile keeps an entry of an item of a backup file: its folder for an inner
// archive, its file otherwise; nothing for registry items and for names that are no plain
// name (a noted name is taken as it is written, so it may not climb out).
std::optional<fs::path> PlaceOf(const core::Profile& profile, const core::ItemInfo& item,
                                std::string name) {
  if (item.kind == core::ItemKind::Registry || name.empty() || name == "." || name == ".." ||
      name.find_first_of("/\\") != std::string::npos)
    return std::nullopt;
  const bool plain =
      std::find(item.plainFiles.begin(), item.plainFiles.end(), name) != item.plainFiles.end() ||
      name == item.companionFile;
  if (item.kind == core::ItemKind::Folders && !plain &&
      platform::EndsWithIgnoringCase(name, ".zip"))
    name.resize(name.size() - 4);
  return platform::HostPath(profile.FolderOf(item.folder)) / platform::HostPath(name);
}

std::string AddedListOf(const std::string& safetyFile) {
  return safetyFile + ".added";
}

}  // namespace

SafetyBackups::SafetyBackups(core::Session& session) : session_(session) {}

std::string SafetyBackups::Folder() const {
  return platform::PathText(platform::HostPath(session_.platform().system().ApplicationFolder()) /
                            "Safety Backups");
}

SafetyBackup SafetyBackups::Take(const archive::OpenedBackup& backup, const core::ItemSet& chosen) {
  SafetyBackup taken;
  backup::BackupRequest request;
  for (std::size_t index = 0; index < core::kItemCount; ++index)
    request.items[index] = chosen[index] && backup.descriptor.Holds(index);
  const fs::path folder = platform::HostPath(Folder());
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) {
    taken.error = "the folder " + Folder() + " cannot be made: " + error.message();
    return taken;
  }
  // Two restores within one second share a name: the later safety backup replaces the earlier,
  // which holds the same profile.
  taken.file = platform::PathText(folder / FileName(session_.Now()));
  request.target = taken.file;
  request.information = "Before restoring " + backup.reader.path();
  request.logUser = session_.profile().user;
  request.logged = false;
  const backup::BackupOutcome outcome = backup::BackupEngine(session_).Run(request, {});
  taken.written = outcome.written;
  if (!outcome.written) {
    taken.error = outcome.error;
    return taken;
  }
  // What the restore will add that the profile does not have yet: undo takes it away again.
  std::string added;
  for (std::size_t index = 0; index < core::kItemCount; ++index) {
    if (!request.items[index]) continue;
    for (const std::string& entry : backup.descriptor.entries[index]) {
      const auto place = PlaceOf(session_.profile(), core::kItems[index], entry);
      if (place && !fs::exists(fs::symlink_status(*place, error)))
        added += std::to_string(index) + "\t" + entry + "\n";
    }
  }
  std::ofstream list(platform::HostPath(AddedListOf(taken.file)), std::ios::binary);
  list << added;
  if (!list.flush()) {
    fs::remove(platform::HostPath(taken.file), error);
    taken.written = false;
    taken.error = "the list of what the restore adds could not be written into " + Folder();
    return taken;
  }
  // Older ones go only now that the new one is there.
  const std::vector<fs::path> files = SafetyFiles(folder);
  for (std::size_t i = kKeptSafetyBackups; i < files.size(); ++i) {
    fs::remove(files[i], error);
    fs::remove(platform::HostPath(AddedListOf(platform::PathText(files[i]))), error);
  }
  return taken;
}

std::string SafetyBackups::Latest() const {
  const std::vector<fs::path> files = SafetyFiles(platform::HostPath(Folder()));
  return files.empty() ? std::string() : platform::PathText(files.front());
}

std::vector<std::string> SafetyBackups::RemoveAdded(const std::string& safetyFile) const {
  std::vector<std::string> left;
  std::ifstream list(platform::HostPath(AddedListOf(safetyFile)), std::ios::binary);
  std::string line;
  while (std::getline(list, line)) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos || tab == 0 || tab > 2) continue;
    // A damaged list line is passed by, not thrown over: the undo itself is done by then.
    std::size_t index = core::kItemCount;
    const auto [end, parsed] = std::from_chars(line.data(), line.data() + tab, index);
    if (parsed != std::errc() || end != line.data() + tab || index >= core::kItemCount) continue;
    const auto place = PlaceOf(session_.profile(), core::kItems[index], line.substr(tab + 1));
    if (!place) continue;
    std::error_code error;
    fs::remove_all(*place, error);
    if (error) left.push_back(platform::PathText(*place));
  }
  return left;
}

std::string NotStartedText(const SafetyBackup& taken) {
  return "The Restore was not started: what it would replace could not be saved first, so that "
         "the restore could be undone (" +
         taken.error + "). Nothing was changed.";
}

}  // namespace quill::safety
