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

// What a restore leaves free on the disk it unpacks to, beyond what the backup file says its
// entries unpack to.
inline constexpr std::uint64_t kFreeSpaceMargin = 8u << 20;

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

  // Puts the item's entries back, all or nothing: when the item fails, what it had put in
  // place goes back to what was there. False, with error() saying why, when it could not.
  bool Run(const core::ItemInfo& item, const std::vector<std::string>& entries);
  const std::string& error() const { return error_; }
  // How unpacked folders are put in place; two renames where the system has no exchange.
  void SetSwapMode(SwapMode mode) { swapMode_ = mode; }
  // Folders of items that join the user's (contacts) replace them instead: the undo of a
  // restore puts back what was there, not what was there joined with what came.
  void SetReplaceMerged(bool replace) { replaceMerged_ = replace; }

 private:
  bool RestoreFolders(const core::ItemInfo& item, const std::vector<std::string>& entries);
  bool RestoreFiles(const core::ItemInfo& item, const std::vector<std::string>& entries);
  bool RestoreRegistry(const core::ItemInfo& item, const std::vector<std::string>& entries);
  // Takes the entry out of the backup file into folder, under its name; written follows its
  // bytes.
  bool TakeOut(const archive::EntryInfo& entry, const std::filesystem::path& folder,
               const std::function<void(std::uint64_t bytes)>& written, std::string& problem) const;
  // Unpacks the inner archive taken out to archive into staging; done reports its share of
  // the item's bytes, and each file by the place it will have in destination.
  bool UnpackNested(const std::filesystem::path& archive, std::uint64_t share,
                    const std::filesystem::path& staging, const std::filesystem::path& destination,
                    const std::function<void(std::uint64_t done, const std::string& file)>& done,
                    std::string& problem) const;
  // Every name of the item is one the item may write, found in the file, and none lands where
  // another name of the item or another item's data is.
  bool CheckEntries(const core::ItemInfo& item, const std::vector<std::string>& entries);
  // Why placed, a name in the item's folder, is another item's data; "" when it is not.
  std::string Clash(const core::ItemInfo& item, const std::string& placed) const;
  // The folder's disk has room for bytes and the margin.
  bool CheckSpace(const std::filesystem::path& folder, std::uint64_t bytes);
  // Reports the bytes the item has done; the first call of an item gives its total.
  void Advance(std::uint64_t bytes, const std::string& file);
  bool Stopped() const { return events_.stop.stop_requested(); }
  bool Fail(std::string message);

  const core::Profile& profile_;
  registry::RegistryKeys& keys_;
  registry::RegistryText& text_;
  const archive::ArchiveReader& backupFile_;
  unsigned threads_;
  bool replaceMerged_ = false;
  SwapMode swapMode_ = SwapMode::Exchange;
  ItemEvents events_;
  std::mutex reporting_;
  std::uint64_t done_ = 0, total_ = 0;
  std::string error_;
};

}  // namespace quill::restore
