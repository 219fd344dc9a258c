#pragma once
// Backing up one item: its data goes into the backup file being written, and what it added is
// named for the descriptor. One routine per kind of item: folders become inner archives,
// matching files are added as they are, a registry key is exported as registry text.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/ArchiveWriter.h"
#include "backup/ScratchSpace.h"
#include "core/ItemCatalogue.h"
#include "core/ProfileDiscovery.h"
#include "core/SharedServices.h"
#include "registry/RegistryKeys.h"
#include "registry/RegistryText.h"

namespace quill::backup {

// The group of the backup file's entries that holds an item's companion file (the message
// store that goes with the accounts): one that fails the write is left out alone.
constexpr int CompanionGroup(core::Item item) {
  return static_cast<int>(core::kItemCount + 1 + core::IndexOf(item));
}

struct ItemOutcome {
  bool succeeded = false;
  std::vector<std::string> entries;  // what the descriptor names for the item
  std::string error{};               // why it failed, in one line
  // Registry keys and values the item's export left out, for the log.
  std::vector<registry::SkippedName> leftOut{};
};

class ItemBackup {
 public:
  ItemBackup(const core::Profile& profile, registry::RegistryKeys& keys,
             registry::RegistryText& text, core::SharedServices& services,
             archive::ArchiveWriter& backupFile, ScratchSpace& scratch);

  // Adds the item's data to the backup file. chosen: every item of the run, for the items
  // whose data depends on another being chosen.
  ItemOutcome Run(const core::ItemInfo& item, const core::ItemSet& chosen);

 private:
  ItemOutcome BackupFolders(const core::ItemInfo& item, bool takeCompanion);
  ItemOutcome BackupFiles(const core::ItemInfo& item);
  ItemOutcome BackupRegistry(const core::ItemInfo& item);

  const core::Profile& profile_;
  registry::RegistryKeys& keys_;
  registry::RegistryText& text_;
  core::SharedServices& services_;
  archive::ArchiveWriter& backupFile_;
  ScratchSpace& scratch_;
  int group_ = archive::ArchiveWriter::kNoGroup;
};

// The entries of a folder in the order Windows lists them: names compared without regard
// to letter case. Folders or files only; the program's own scratch and staging are left out.
std::vector<std::string> ListFolder(const std::string& folder, bool folders);

}  // namespace quill::backup
