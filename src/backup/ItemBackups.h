#pragma once
// The eleven item backups: each copies one kind of the user's data into the open backup
// archive and appends its item key to the descriptor. Folders become inner archives,
// matching files are added as they are, registry keys are exported to text.

#include <functional>
#include <string>
#include <vector>

#include "archive/Descriptor.h"
#include "archive/ZipComponent.h"
#include "archive/ZipWriter.h"
#include "backup/ScratchSpace.h"
#include "core/OrderedJobs.h"
#include "core/SharedServices.h"
#include "registry/RegistryKeys.h"
#include "registry/RegistryText.h"

namespace quill::backup {
using archive::JoinEntryNames;
using archive::kItemCount;
using archive::kItemKeys;
using archive::SaveINI;
using archive::WalkFolder;
using archive::ZipComponent;
using core::OrderedJobs;

struct ItemSources {
  std::string mailDataFolder;
  std::string contactsFolder;
  std::string stationeryFolder;
  std::string descriptorPath;
};

class ItemBackups {
 public:
  // threads: how many inner archives are built at once.
  ItemBackups(ItemSources sources, ZipComponent& zip1, registry::RegistryKeys& reg,
              registry::RegistryText& text, core::SharedServices& services, ScratchSpace& scratch,
              std::function<void()> yield, unsigned threads = 2);

  // The routine of one item index; databaseTicked tells item 0 whether item 6 takes the
  // message store file.
  bool Run(std::size_t index, bool databaseTicked);

  bool Backupmailaccountsandmessages(bool databaseTicked);
  bool BackupmailRules();
  bool BackupldapAccounts();
  bool BackupnewsRules();
  bool Backupjunkmail();
  bool BackupContacts();
  bool Backupmaildatabase();
  bool Backupsignatures();
  bool BackupStationeries();
  bool BackupSettings();
  bool BackupCalendars();

  static constexpr const char* kMailKey =
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Live Mail";

 private:
  bool BackupFolders(std::size_t index, const std::string& source,
                     const std::vector<std::string>& excluded, bool addStoreFile);
  bool BackupFiles(std::size_t index, const std::string& source,
                   const std::function<bool(const std::string&)>& matches, bool yieldEach);
  bool BackupRegistry(std::size_t index, const std::string& subPath);

  ItemSources sources_;
  ZipComponent& zip1_;
  registry::RegistryKeys& reg_;
  registry::RegistryText& text_;
  core::SharedServices& services_;
  ScratchSpace& scratch_;
  std::function<void()> yield_;
  unsigned threads_;
};

// The entries of a folder in the order Windows lists them: names compared without regard
// to letter case. Folders or files only.
std::vector<std::string> ListFolder(const std::string& folder, bool folders);

}  // namespace quill::backup
