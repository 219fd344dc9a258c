#pragma once
// Restoring one item from an opened backup file into the user's profile. One routine per kind
// of item: folders are unpacked from their inner archives and replace the user's (or, for
// contacts, join them), plain files replace the user's one by one, a registry key is rebuilt
// from its text. Nothing of the user's is changed until its replacement is unpacked and checked.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "archive/ArchiveReader.h"
#include "core/ItemCatalogue.h"
#include "core/ProfileDiscovery.h"
#include "registry/RegistryKeys.h"
#include "registry/RegistryText.h"
#include "restore/FolderSwap.h"

namespace quill::restore {

// Why an item that a stop cut short failed.
inline constexpr const char* kRestoreStopped = "the restore was cancelled";

// What an item's restore reports while it works, and what ends it early.
struct ItemEvents {
  // Once a stop is requested no further folder or file is put in place: the item fails.
  std::stop_token stop;
  // The bytes of the item's entries done of all of them, and the file just written (where it
  // goes in the profile); called from the threads that unpack, one call at a time.
  std::function<void(std::uint64_t done, std::uint64_t total, const std::string& file)> wrote;
};

class ItemRestore {
 public:
  // backupFile: the opened backup file; threads: how many inner archives are unpacked at once.
  ItemRestore(const core::Profile& profile, registry::RegistryKeys& keys,
              registry::RegistryText& text, const archive::ArchiveReader& backupFile,
              unsigned threads, ItemEvents events = {});

  // Puts the item's entries back. False, with error() saying why, when it could not.
  bool Run(const core::ItemInfo& item, const std::vector<std::string>& entries);
  const std::string& error() const { return error_; }
  // How unpacked folders are put in place; two renames where the system has no exchange.
  void SetSwapMode(SwapMode mode) { swapMode_ = mode; }

 private:
  bool RestoreFolders(const core::ItemInfo& item, const std::vector<std::string>& entries);
  bool RestoreFiles(const core::ItemInfo& item, const std::vector<std::string>& entries);
  bool RestoreRegistry(const core::ItemInfo& item, const std::vector<std::string>& entries);
  // Unpacks the inner archive name into staging; done reports its share of the entry's bytes,
  // and each file by the place it will have in destination.
  bool UnpackNested(const std::string& name, const std::filesystem::path& staging,
                    const std::filesystem::path& destination,
                    const std::function<void(std::uint64_t done, const std::string& file)>& done,
                    std::string& problem) const;
  // Reports the bytes the item has done; the first call of an item gives its total.
  void Advance(std::uint64_t bytes, const std::string& file);
  bool Stopped() const { return events_.stop.stop_requested(); }
  const archive::EntryInfo* Entry(const std::string& name);
  bool Fail(std::string message);

  const core::Profile& profile_;
  registry::RegistryKeys& keys_;
  registry::RegistryText& text_;
  const archive::ArchiveReader& backupFile_;
  unsigned threads_;
  SwapMode swapMode_ = SwapMode::Exchange;
  ItemEvents events_;
  std::mutex reporting_;
  std::uint64_t done_ = 0, total_ = 0;
  std::string error_;
};

}  // namespace quill::restore
