#include "restore/ItemRestores.h"

#include <filesystem>

#include "backup/Descriptor.h"
#include "backup/ItemBackups.h"
#include "platform/Files.h"
#include "platform/SystemInfo.h"
#include "restore/FolderSwap.h"

namespace quill::restore {
namespace fs = std::filesystem;
using platform::HostPath;
using platform::JoinPath;
using platform::PathText;

namespace {

// A scratch folder for one restore step, removed with everything in it when it goes.
class Staging {
 public:
  explicit Staging(const fs::path& path) : path_(path) {
    std::error_code error;
    fs::remove_all(path_, error);
    ok_ = fs::create_directories(path_, error);
  }
  ~Staging() {
    std::error_code error;
    fs::remove_all(path_, error);
  }
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;
  bool ok() const { return ok_; }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
  bool ok_ = false;
};

// Where a folder's replacement is unpacked: hidden, beside the folders it replaces, so that
// putting it in place is a rename on the same disk.
constexpr const char* kStagingName = ".quillstow-restore";

}  // namespace

ItemRestores::ItemRestores(RestoreTargets targets, backup::ZipComponent& zip1,
                           registry::modReg& reg, registry::RegistryText& text,
                           std::function<void()> yield)
    : targets_(std::move(targets)), zip1_(zip1), reg_(reg), text_(text), yield_(std::move(yield)) {}

bool ItemRestores::Fail(std::string message) {
  lastError_ = std::move(message);
  return false;
}

bool ItemRestores::Run(std::size_t index, const std::vector<std::string>& entries) {
  lastError_.clear();
  switch (index) {
    case 0:
      return Restoremailaccountsandmessages(entries);
    case 1:
      return RestoremailRules(entries);
    case 2:
      return RestorLdapaccounts(entries);
    case 3:
      return RestorenewsRules(entries);
    case 4:
      return RestoreJunkmail(entries);
    case 5:
      return RestoreContacts(entries);
    case 6:
      return Restoremaildatabase(entries);
    case 7:
      return RestoreSignatures(entries);
    case 8:
      return RestoreStationeries(entries);
    case 9:
      return RestoreSettings(entries);
    case 10:
      return RestoreCalendars(entries);
    default:
      return false;
  }
}

bool ItemRestores::Restoremailaccountsandmessages(const std::vector<std::string>& entries) {
  return RestoreFolders(targets_.mailDataFolder, entries, true, false);
}
bool ItemRestores::RestoremailRules(const std::vector<std::string>& entries) {
  return RestoreRegistry("\\Rules\\Mail", entries);
}
bool ItemRestores::RestorLdapaccounts(const std::vector<std::string>& entries) {
  return RestoreFiles(targets_.mailDataFolder, entries, false);
}
bool ItemRestores::RestorenewsRules(const std::vector<std::string>& entries) {
  return RestoreRegistry("\\Rules\\News", entries);
}
bool ItemRestores::RestoreJunkmail(const std::vector<std::string>& entries) {
  return RestoreRegistry("\\PerPassportSettings", entries);
}
bool ItemRestores::RestoreContacts(const std::vector<std::string>& entries) {
  return RestoreFolders(targets_.contactsFolder, entries, false, true);
}
bool ItemRestores::Restoremaildatabase(const std::vector<std::string>& entries) {
  return RestoreFiles(targets_.mailDataFolder, entries, false);
}
bool ItemRestores::RestoreSignatures(const std::vector<std::string>& entries) {
  return RestoreRegistry("\\signatures", entries);
}
bool ItemRestores::RestoreStationeries(const std::vector<std::string>& entries) {
  std::error_code error;
  fs::create_directories(HostPath(targets_.stationeryFolder), error);
  if (error) return Fail("cannot create " + targets_.stationeryFolder + ": " + error.message());
  return RestoreFiles(targets_.stationeryFolder, entries, true);
}
bool ItemRestores::RestoreSettings(const std::vector<std::string>& entries) {
  return RestoreRegistry("\\Advanced Settings", entries);
}
bool ItemRestores::RestoreCalendars(const std::vector<std::string>& entries) {
  return RestoreFolders(JoinPath(targets_.mailDataFolder, "Calendars"), entries, false, false);
}

std::optional<backup::ZipEntryInfo> ItemRestores::Entry(const std::string& name) {
  // Names come from a file anyone can write: only bare file names are taken.
  if (!IsBareName(name)) {
    Fail("refused the entry name " + name);
    return std::nullopt;
  }
  auto entry = zip1_.FindEntry(name);
  if (!entry) Fail("the backup file holds no entry " + name);
  return entry;
}

bool ItemRestores::RestoreFolders(const std::string& folder,
                                  const std::vector<std::string>& entries, bool databaseFiles,
                                  bool merge) {
  const fs::path root = HostPath(folder);
  for (const std::string& name : entries) {
    const auto entry = Entry(name);
    if (!entry) return false;
    if (databaseFiles && backup::IsMessageStoreName(name)) {
      if (!zip1_.ExtractEntry(*entry, folder)) return Fail(zip1_.lastError());
      if (yield_) yield_();
      continue;
    }
    const std::string base = PathText(HostPath(name).stem());
    if (!IsBareName(base) || base == kStagingName) return Fail("refused the entry name " + name);
    std::error_code error;
    fs::create_directories(root, error);
    Staging staging(root / kStagingName);
    if (!staging.ok()) return Fail("cannot create " + PathText(staging.path()));
    if (!zip1_.ExtractEntry(*entry, PathText(staging.path()))) return Fail(zip1_.lastError());
    backup::ZipComponent zip2;
    const fs::path unpacked = staging.path() / "unpacked";
    if (!zip2.OpenZip(PathText(staging.path() / HostPath(name))) ||
        !zip2.UnzipAll(PathText(unpacked)))
      return Fail(name + ": " + zip2.lastError());
    zip2.CloseZip();
    std::string problem;
    const fs::path target = root / HostPath(base);
    if (!(merge ? MergeFolder(unpacked, target, problem)
                : ReplaceFolder(unpacked, target, problem)))
      return Fail(problem);
    if (yield_) yield_();
  }
  return true;
}

bool ItemRestores::RestoreFiles(const std::string& folder, const std::vector<std::string>& entries,
                                bool yieldEach) {
  for (const std::string& name : entries) {
    const auto entry = Entry(name);
    if (!entry) return false;
    if (!zip1_.ExtractEntry(*entry, folder)) return Fail(zip1_.lastError());
    if (yieldEach && yield_) yield_();
  }
  return true;
}

bool ItemRestores::RestoreRegistry(const std::string& subPath,
                                   const std::vector<std::string>& entries) {
  if (reg_.GetSubKeys(backup::ItemBackups::kMailKey).empty())
    return Fail("Windows Live Mail keeps no settings for this user");
  if (entries.size() != 1) return Fail("the backup file names no registry file for this item");
  const auto entry = Entry(entries.front());
  if (!entry) return false;
  // The text file is taken out into a folder of its own, so that no name in a backup file
  // can overwrite the program's own files.
  Staging staging(HostPath(targets_.applicationFolder) / kStagingName);
  if (!staging.ok() || !zip1_.ExtractEntry(*entry, PathText(staging.path())))
    return Fail(zip1_.lastError());
  const auto imported = text_.ImportKeyFile(std::string(backup::ItemBackups::kMailKey) + subPath,
                                            PathText(staging.path() / HostPath(entries.front())));
  return imported.ok || Fail(imported.error);
}

}  // namespace quill::restore
