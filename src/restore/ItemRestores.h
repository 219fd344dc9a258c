#pragma once
// The eleven item restores: each puts one kind of data from the open backup file back into
// the user's profile. Mail and calendar folders are replaced whole, contacts merged, plain
// files replaced one by one, registry keys rebuilt from their text. Nothing of the user's is
// changed until its replacement is unpacked and checked.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/ZipComponent.h"
#include "registry/RegistryKeys.h"
#include "registry/RegistryText.h"

namespace quill::restore {
using archive::ZipEntryInfo;

struct RestoreTargets {
  std::string mailDataFolder;
  std::string contactsFolder;
  std::string stationeryFolder;
  std::string applicationFolder;
};

class ItemRestores {
 public:
  ItemRestores(RestoreTargets targets, archive::ZipComponent& zip1, registry::RegistryKeys& reg,
               registry::RegistryText& text, std::function<void()> yield);

  // The backup file zip1 has open and its password: nested archives are then unpacked on
  // several threads, each reading the file for itself.
  void SetArchive(const std::string& path, const std::string& password, unsigned threads = 2);

  // The routine of one item index, with the item's entry list.
  bool Run(std::size_t index, const std::vector<std::string>& entries);

  bool Restoremailaccountsandmessages(const std::vector<std::string>& entries);
  bool RestoremailRules(const std::vector<std::string>& entries);
  bool RestorLdapaccounts(const std::vector<std::string>& entries);
  bool RestorenewsRules(const std::vector<std::string>& entries);
  bool RestoreJunkmail(const std::vector<std::string>& entries);
  bool RestoreContacts(const std::vector<std::string>& entries);
  bool Restoremaildatabase(const std::vector<std::string>& entries);
  bool RestoreSignatures(const std::vector<std::string>& entries);
  bool RestoreStationeries(const std::vector<std::string>& entries);
  bool RestoreSettings(const std::vector<std::string>& entries);
  bool RestoreCalendars(const std::vector<std::string>& entries);

  // Why the last routine failed.
  const std::string& lastError() const { return lastError_; }

 private:
  bool RestoreFolders(const std::string& folder, const std::vector<std::string>& entries,
                      bool databaseFiles, bool merge);
  bool UnpackNested(const std::string& name, const std::filesystem::path& staging,
                    std::string& problem);
  bool RestoreFiles(const std::string& folder, const std::vector<std::string>& entries,
                    bool yieldEach);
  bool RestoreRegistry(const std::string& subPath, const std::vector<std::string>& entries);
  std::optional<archive::ZipEntryInfo> Entry(const std::string& name);
  bool Fail(std::string message);

  RestoreTargets targets_;
  archive::ZipComponent& zip1_;
  registry::RegistryKeys& reg_;
  registry::RegistryText& text_;
  std::function<void()> yield_;
  std::string archivePath_;
  std::string archivePassword_;
  unsigned threads_ = 1;
  std::string lastError_;
};

}  // namespace quill::restore
