#pragma once
// Restoring one item from an opened backup file into the user's profile. One routine per kind
// of item: folders are unpacked from their inner archives and replace the user's (or, for
// contacts, join them), plain files replace the user's one by one, a registry key is rebuilt
// from its text. Nothing of the user's is changed until its replacement is unpacked and checked.

#include <filesystem>
#include <string>
#include <vector>

#include "archive/ArchiveReader.h"
#include "core/ItemCatalogue.h"
#include "core/ProfileDiscovery.h"
#include "registry/RegistryKeys.h"
#include "registry/RegistryText.h"
#include "restore/FolderSwap.h"

namespace quill::restore {

class ItemRestore {
 public:
  // backupFile: the opened backup file; threads: how many inner archives are unpacked at once.
  ItemRestore(const core::Profile& profile, registry::RegistryKeys& keys,
              registry::RegistryText& text, const archive::ArchiveReader& backupFile,
              unsigned threads);

  // Puts the item's entries back. False, with error() saying why, when it could not.
  bool Run(const core::ItemInfo& item, const std::vector<std::string>& entries);
  const std::string& error() const { return error_; }
  // How unpacked folders are put in place; two renames where the system has no exchange.
  void SetSwapMode(SwapMode mode) { swapMode_ = mode; }

 private:
  bool RestoreFolders(const core::ItemInfo& item, const std::vector<std::string>& entries);
  bool RestoreFiles(const core::ItemInfo& item, const std::vector<std::string>& entries);
  bool RestoreRegistry(const core::ItemInfo& item, const std::vector<std::string>& entries);
  bool UnpackNested(const std::string& name, const std::filesystem::path& staging,
                    std::string& problem) const;
  const archive::EntryInfo* Entry(const std::string& name);
  bool Fail(std::string message);

  const core::Profile& profile_;
  registry::RegistryKeys& keys_;
  registry::RegistryText& text_;
  const archive::ArchiveReader& backupFile_;
  unsigned threads_;
  SwapMode swapMode_ = SwapMode::Exchange;
  std::string error_;
};

}  // namespace quill::restore
