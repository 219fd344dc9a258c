#include "restore/ItemRestores.h"

#include <filesystem>
#include <memory>

#include "archive/Descriptor.h"
#include "backup/ItemBackups.h"
#include "core/OrderedJobs.h"
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

ItemRestores::ItemRestores(RestoreTargets targets, archive::ZipComponent& zip1,
                           registry::RegistryKeys& reg, registry::RegistryText& text,
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

std::optional<archive::ZipEntryInfo> ItemRestores::Entry(const std::string& name) {
  // Names come from a file anyone can write: only bare file names are taken.
  if (!IsBareName(name)) {
    Fail("refused the entry name " + name);
    return std::nullopt;
  }
  auto entry = zip1_.FindEntry(name);
  if (!entry) Fail("the backup file holds no entry " + name);
  return entry;
}

void ItemRestores::SetArchive(const std::string& path, const std::string& password,
                              unsigned threads) {
  archivePath_ = path;
  archivePassword_ = password;
  threads_ = threads;
}

bool ItemRestores::RestoreFolders(const std::string& folder,
                                  const std::vector<std::string>& entries, bool databaseFiles,
                                  bool merge) {
  const fs::path root = HostPath(folder);
  std::error_code error;
  fs::create_directories(root, error);

  // Each nested archive is taken out and unpacked into a staging folder of its own, several
  // at once; the unpacked folders are then put in place one by one, in the list's order.
  struct Unpack {
    std::string name;
    std::unique_ptr<Staging> staging;
    std::string problem;
  };
  std::vector<Unpack> unpacks(entries.size());
  std::vector<core::OrderedJobs::Job> jobs(entries.size(), [] { return true; });
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string& name = entries[i];
    if (!IsBareName(name) || (databaseFiles && archive::IsMessageStoreName(name))) continue;
    unpacks[i].name = name;
    unpacks[i].staging =
        std::make_unique<Staging>(root / (std::string(kStagingName) + "-" + std::to_string(i)));
    Unpack& unpack = unpacks[i];
    jobs[i] = [this, &unpack] {
      return UnpackNested(unpack.name, unpack.staging->path(), unpack.problem);
    };
  }
  const bool parallel = !archivePath_.empty();
  std::unique_ptr<core::OrderedJobs> running;
  if (parallel) running = std::make_unique<core::OrderedJobs>(jobs, threads_);

  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string& name = entries[i];
    const auto entry = Entry(name);
    if (!entry) return false;
    if (databaseFiles && archive::IsMessageStoreName(name)) {
      if (!zip1_.ExtractEntry(*entry, folder)) return Fail(zip1_.lastError());
      if (yield_) yield_();
      continue;
    }
    const std::string base = PathText(HostPath(name).stem());
    if (!IsBareName(base) || base.rfind(kStagingName, 0) == 0)
      return Fail("refused the entry name " + name);
    const bool unpacked = parallel ? running->Wait(i, yield_) : jobs[i]();
    if (!unpacked) return Fail(unpacks[i].problem);
    std::string problem;
    const fs::path staged = unpacks[i].staging->path() / "unpacked";
    const fs::path target = root / HostPath(base);
    if (!(merge ? MergeFolder(staged, target, problem) : ReplaceFolder(staged, target, problem)))
      return Fail(problem);
    unpacks[i].staging.reset();
    if (yield_) yield_();
  }
  return true;
}

bool ItemRestores::UnpackNested(const std::string& name, const fs::path& staging,
                                std::string& problem) {
  std::error_code error;
  if (!fs::is_directory(staging, error)) {
    problem = "cannot create " + PathText(staging);
    return false;
  }
  // On its own thread a job reads the backup file through a reader of its own.
  archive::ZipComponent own;
  archive::ZipComponent* reader = &zip1_;
  if (!archivePath_.empty()) {
    if (!own.OpenZip(archivePath_)) {
      problem = own.lastError();
      return false;
    }
    own.SetDecryptPassword(archivePassword_);
    reader = &own;
  }
  const auto entry = reader->FindEntry(name);
  if (!entry) {
    problem = "the backup file holds no entry " + name;
    return false;
  }
  if (!reader->ExtractEntry(*entry, PathText(staging))) {
    problem = reader->lastError();
    return false;
  }
  archive::ZipComponent zip2;
  if (!zip2.OpenZip(PathText(staging / HostPath(name))) ||
      !zip2.UnzipAll(PathText(staging / "unpacked"))) {
    problem = name + ": " + zip2.lastError();
    return false;
  }
  zip2.CloseZip();
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
