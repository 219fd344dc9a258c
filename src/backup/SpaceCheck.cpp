#include "backup/SpaceCheck.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "backup/ItemBackup.h"
#include "platform/Text.h"

namespace quill::backup {
namespace fs = std::filesystem;
using core::ItemKind;

namespace {

// Room kept free beyond the estimate: the descriptor, the registry exports, the archive
// headers, and the file system's own needs.
std::uint64_t Margin(std::uint64_t dataBytes) {
  return (4ULL << 20) + dataBytes / 100;
}

std::uint64_t FileBytes(const fs::path& path) {
  std::error_code error;
  const std::uint64_t size = fs::file_size(path, error);
  return error ? 0 : size;
}

std::uint64_t TreeBytes(const fs::path& folder) {
  std::uint64_t bytes = 0;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file(error) && !it->is_symlink(error)) bytes += FileBytes(it->path());
  }
  return bytes;
}

std::string Join(const std::string& folder, const std::string& name) {
  return platform::PathText(platform::HostPath(folder) / platform::HostPath(name));
}

}  // namespace

std::uint64_t ChosenDataBytes(const core::Profile& profile, const core::ItemSet& chosen) {
  std::uint64_t bytes = 0;
  for (const core::ItemInfo& item : core::kItems) {
    if (!chosen[core::IndexOf(item.item)] || item.kind == ItemKind::Registry) continue;
    const std::string source = profile.FolderOf(item.folder);
    if (item.kind == ItemKind::Files) {
      for (const std::string& name : ListFolder(source, false))
        if (platform::EndsWithIgnoringCase(name, item.nameSuffix))
          bytes += FileBytes(platform::HostPath(Join(source, name)));
      continue;
    }
    for (const std::string& name : ListFolder(source, true)) {
      bool excluded = false;
      for (const char* skip : item.excludedFolders) excluded = excluded || name == skip;
      if (!excluded) bytes += TreeBytes(platform::HostPath(Join(source, name)));
    }
    if (*item.companionFile != '\0' && !chosen[core::IndexOf(item.companionOwner)])
      bytes += FileBytes(platform::HostPath(Join(source, item.companionFile)));
  }
  return bytes;
}

std::uint64_t MostSpaceNeeded(std::uint64_t dataBytes) {
  return dataBytes + Margin(dataBytes);
}

std::optional<std::string> RoomProblemFor(core::Session& session, const core::ItemSet& chosen,
                                          const std::string& target) {
  fs::path folder = platform::HostPath(target).parent_path();
  if (folder.empty()) folder = ".";
  const std::string folderText = platform::PathText(folder);
  const auto volume = session.platform().files().Volume(folderText);
  if (!volume) return std::nullopt;  // a missing folder fails the write with its own message
  return RoomProblem(volume, folderText, ChosenDataBytes(session.profile(), chosen));
}

std::string SizeText(std::uint64_t bytes) {
  char text[32];
  const double value = static_cast<double>(bytes);
  if (bytes >= (1ULL << 30))
    std::snprintf(text, sizeof text, "%.1f GB", value / (1ULL << 30));
  else if (bytes >= (1ULL << 20))
    std::snprintf(text, sizeof text, "%.1f MB", value / (1ULL << 20));
  else
    std::snprintf(text, sizeof text, "%llu KB",
                  static_cast<unsigned long long>((bytes + 1023) / 1024));
  return text;
}

std::optional<std::string> RoomProblem(const std::optional<platform::VolumeSpace>& volume,
                                       const std::string& targetFolder, std::uint64_t dataBytes) {
  if (!volume) return std::nullopt;
  if (volume->largestFile != 0 && dataBytes + Margin(dataBytes) > volume->largestFile) {
    return "The backup file would go to " + targetFolder + ", on a drive formatted with " +
           volume->fileSystem +
           ", which cannot hold a file of 4 GB or more, and the chosen data "
           "comes to " +
           SizeText(dataBytes) +
           ". Choose a target on an NTFS or exFAT drive, or "
           "back up fewer items at a time.";
  }
  const std::uint64_t needed = MostSpaceNeeded(dataBytes);
  if (volume->freeBytes < needed) {
    return "There is not enough free space for the backup in " + targetFolder +
           ": making it "
           "may take up to " +
           SizeText(needed) + " there (the chosen data comes to " + SizeText(dataBytes) +
           "), and " + SizeText(volume->freeBytes) +
           " are free. Free "
           "some space there, or choose another target.";
  }
  return std::nullopt;
}

}  // namespace quill::backup
