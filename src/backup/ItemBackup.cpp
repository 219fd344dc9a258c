#include "backup/ItemBackup.h"

#include <algorithm>
#include <filesystem>

#include "core/StagingArea.h"
#include "platform/Files.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"

namespace quill::backup {
namespace fs = std::filesystem;
using core::ItemInfo;
using core::ItemKind;
using platform::JoinPath;

namespace {

std::string BaseName(const std::string& path) {
  return platform::PathText(platform::HostPath(path).filename());
}

ItemOutcome Failed(std::string why) {
  return {false, {}, std::move(why)};
}

}  // namespace

std::vector<std::string> ListFolder(const std::string& folder, bool folders) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(platform::HostPath(folder), error), end; !error && it != end;
       it.increment(error)) {
    const bool isFolder = it->is_directory(error) && !it->is_symlink(error);
    const bool isFile = it->is_regular_file(error);
    std::string name = platform::PathText(it->path().filename());
    // The program's own scratch and staging beside the user's data are never the user's data.
    if ((folders ? isFolder : isFile) && !core::IsOwnName(name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string la = platform::Lower(a), lb = platform::Lower(b);
    return la != lb ? la < lb : a < b;
  });
  return names;
}

ItemBackup::ItemBackup(const core::Profile& profile, registry::RegistryKeys& keys,
                       registry::RegistryText& text, core::SharedServices& services,
                       archive::ArchiveWriter& backupFile, ScratchSpace& scratch)
    : profile_(profile),
      keys_(keys),
      text_(text),
      services_(services),
      backupFile_(backupFile),
      scratch_(scratch) {}

ItemOutcome ItemBackup::Run(const ItemInfo& item, const core::ItemSet& chosen) {
  // What an item adds to the backup file belongs to it: a file that fails the write fails
  // only its item.
  group_ = static_cast<int>(core::IndexOf(item.item));
  switch (item.kind) {
    case ItemKind::Folders:
      return BackupFolders(
          item, *item.companionFile != '\0' && !chosen[core::IndexOf(item.companionOwner)]);
    case ItemKind::Files:
      return BackupFiles(item);
    case ItemKind::Registry:
      return BackupRegistry(item);
  }
  return {};
}

ItemOutcome ItemBackup::BackupFolders(const ItemInfo& item, bool takeCompanion) {
  const std::string source = profile_.FolderOf(item.folder);
  std::error_code error;
  if (!fs::is_directory(platform::HostPath(source), error))
    return Failed("there is no folder " + source);
  // Each folder becomes an inner archive, made while the backup file is written.
  ItemOutcome outcome;
  bool anyFolder = false;
  for (const std::string& name : ListFolder(source, true)) {
    if (std::find(item.excludedFolders.begin(), item.excludedFolders.end(), name) !=
        item.excludedFolders.end())
      continue;
    if (!backupFile_.AddFolderArchive(name + ".zip", JoinPath(source, name), core::IsOwnName,
                                      group_))
      return Failed(backupFile_.error());
    outcome.entries.push_back(name + ".zip");
    anyFolder = true;
  }
  // The companion file (the message store) goes with the folders when its owner does not take
  // it; it is listed only when it was there to add.
  if (takeCompanion &&
      backupFile_.AddFile(JoinPath(source, item.companionFile), CompanionGroup(item.item)))
    outcome.entries.push_back(item.companionFile);
  if (!anyFolder) return Failed("the folder " + source + " holds no folder to back up");
  outcome.succeeded = true;
  return outcome;
}

ItemOutcome ItemBackup::BackupFiles(const ItemInfo& item) {
  const std::string source = profile_.FolderOf(item.folder);
  ItemOutcome outcome;
  for (const std::string& name : ListFolder(source, false)) {
    if (!platform::EndsWithIgnoringCase(name, item.nameSuffix)) continue;
    if (!backupFile_.AddFile(JoinPath(source, name), group_)) return Failed(backupFile_.error());
    outcome.entries.push_back(name);
  }
  if (outcome.entries.empty()) return Failed("the folder " + source + " holds no file to back up");
  outcome.succeeded = true;
  return outcome;
}

ItemOutcome ItemBackup::BackupRegistry(const ItemInfo& item) {
  if (keys_.GetSubKeys(core::kMailClientKey).empty())
    return Failed("Windows Live Mail keeps no settings for this user");
  const std::string key = core::ItemKeyPath(item);
  // A missing key is made, so that an empty export is still made.
  if (!keys_.KeyExists(key)) keys_.CreateKey(key);
  const std::string file = services_.NewScratchFile("OBR");
  if (file.empty()) return Failed("no scratch file could be made in the program's folder");
  scratch_.KeepExportFile(file);
  registry::ExportResult exported = text_.ExportKey(key, file);
  if (!exported.ok) return Failed(exported.error);
  if (!backupFile_.AddFile(file, group_)) return Failed(backupFile_.error());
  return {true, {BaseName(file)}, {}, std::move(exported.skipped)};
}

}  // namespace quill::backup
