#include "backup/ItemBackups.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "archive/Descriptor.h"
#include "archive/ZipWriter.h"
#include "core/OrderedJobs.h"
#include "platform/Files.h"
#include "platform/SystemInfo.h"

namespace quill::backup {
namespace fs = std::filesystem;
using platform::JoinPath;

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool EndsWithLower(const std::string& name, const std::string& tail) {
  return name.size() >= tail.size() && Lower(name.substr(name.size() - tail.size())) == tail;
}

std::string BaseName(const std::string& path) {
  return platform::PathText(platform::HostPath(path).filename());
}

struct InnerJob {
  std::string name;
  std::string source;
  std::string archive;
};

// Packs one folder into its inner archive.
bool PackFolder(const InnerJob& job) {
  ZipComponent zip2;
  zip2.SetDurable(false);  // a scratch file: the backup file itself is flushed when it is done
  zip2.NewZip(job.archive);
  const bool ok = zip2.AppendFiles(JoinPath(job.source, "*.*"), true) && zip2.WriteZip();
  zip2.CloseZip();
  return ok;
}

// The jobs' indexes, the folder with the most bytes first: the longest job starts at once.
std::vector<std::size_t> LargestFirst(const std::vector<InnerJob>& jobs) {
  std::vector<std::uint64_t> sizes;
  for (const InnerJob& job : jobs) {
    std::uint64_t bytes = 0;
    std::string ignored;
    WalkFolder(
        platform::HostPath(job.source), true,
        [&](const fs::path& path, const std::string&, bool empty) {
          std::error_code error;
          if (!empty) bytes += fs::file_size(path, error);
          return true;
        },
        ignored);
    sizes.push_back(bytes);
  }
  std::vector<std::size_t> order(jobs.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });
  return order;
}

}  // namespace

std::vector<std::string> ListFolder(const std::string& folder, bool folders) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(platform::HostPath(folder), error), end; !error && it != end;
       it.increment(error)) {
    const bool isFolder = it->is_directory(error) && !it->is_symlink(error);
    const bool isFile = it->is_regular_file(error);
    if (folders ? isFolder : isFile) names.push_back(platform::PathText(it->path().filename()));
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string la = Lower(a), lb = Lower(b);
    return la != lb ? la < lb : a < b;
  });
  return names;
}

ItemBackups::ItemBackups(ItemSources sources, ZipComponent& zip1, registry::RegistryKeys& reg,
                         registry::RegistryText& text, core::SharedServices& services,
                         ScratchSpace& scratch, std::function<void()> yield, unsigned threads)
    : sources_(std::move(sources)),
      zip1_(zip1),
      reg_(reg),
      text_(text),
      services_(services),
      scratch_(scratch),
      yield_(std::move(yield)),
      threads_(threads) {}

bool ItemBackups::Run(std::size_t index, bool databaseTicked) {
  switch (index) {
    case 0:
      return Backupmailaccountsandmessages(databaseTicked);
    case 1:
      return BackupmailRules();
    case 2:
      return BackupldapAccounts();
    case 3:
      return BackupnewsRules();
    case 4:
      return Backupjunkmail();
    case 5:
      return BackupContacts();
    case 6:
      return Backupmaildatabase();
    case 7:
      return Backupsignatures();
    case 8:
      return BackupStationeries();
    case 9:
      return BackupSettings();
    case 10:
      return BackupCalendars();
    default:
      return false;
  }
}

bool ItemBackups::Backupmailaccountsandmessages(bool databaseTicked) {
  // "Storage Folders" holds the local folders (POP3 mail, Drafts, Outbox, folders the user
  // made): it goes with the accounts, or a restore would lose those messages.
  return BackupFolders(0, sources_.mailDataFolder,
                       {"Backup", "Your Feeds", "Calendars", "Sentinel"}, !databaseTicked);
}
bool ItemBackups::BackupmailRules() {
  return BackupRegistry(1, "\\Rules\\Mail");
}
bool ItemBackups::BackupldapAccounts() {
  return BackupFiles(
      2, sources_.mailDataFolder,
      [](const std::string& name) { return EndsWithLower(name, "oeaccount"); }, false);
}
bool ItemBackups::BackupnewsRules() {
  return BackupRegistry(3, "\\Rules\\News");
}
bool ItemBackups::Backupjunkmail() {
  return BackupRegistry(4, "\\PerPassportSettings");
}
bool ItemBackups::BackupContacts() {
  return BackupFolders(5, sources_.contactsFolder, {}, false);
}
bool ItemBackups::Backupmaildatabase() {
  return BackupFiles(
      6, sources_.mailDataFolder,
      [](const std::string& name) { return EndsWithLower(name, "msmessagestore"); }, false);
}
bool ItemBackups::Backupsignatures() {
  return BackupRegistry(7, "\\signatures");
}
bool ItemBackups::BackupStationeries() {
  return BackupFiles(
      8, sources_.stationeryFolder, [](const std::string&) { return true; }, true);
}
bool ItemBackups::BackupSettings() {
  return BackupRegistry(9, "\\Advanced Settings");
}
bool ItemBackups::BackupCalendars() {
  return BackupFolders(10, JoinPath(sources_.mailDataFolder, "Calendars"), {}, false);
}

bool ItemBackups::BackupFolders(std::size_t index, const std::string& source,
                                const std::vector<std::string>& excluded, bool addStoreFile) {
  std::error_code error;
  if (!fs::is_directory(platform::HostPath(source), error)) return false;
  std::vector<InnerJob> jobs;
  const std::string scratch = scratch_.InnerArchiveFolder(index);
  for (const std::string& name : ListFolder(source, true)) {
    if (std::find(excluded.begin(), excluded.end(), name) != excluded.end()) continue;
    jobs.push_back({name, JoinPath(source, name), JoinPath(scratch, name + ".zip")});
  }
  std::vector<OrderedJobs::Job> work;
  for (const InnerJob& job : jobs) work.push_back([job] { return PackFolder(job); });
  std::vector<std::string> names;
  {
    OrderedJobs builder(std::move(work), threads_, LargestFirst(jobs));
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      if (yield_) yield_();
      // A folder that cannot be packed ends the item; what was added stays in the archive.
      if (!builder.Wait(i, yield_)) return false;
      if (!zip1_.AppendFiles(jobs[i].archive, true)) return false;
      names.push_back(jobs[i].name + ".zip");
      if (yield_) yield_();
    }
  }
  const std::size_t folders = names.size();
  // The message store goes with the accounts when the database item does not take it; it is
  // listed only when it was there to add.
  if (addStoreFile && zip1_.AppendFiles(JoinPath(source, "WindowsMail.MSMessageStore"), true))
    names.push_back("WindowsMail.MSMessageStore");
  if (folders == 0) return false;
  return SaveINI(kItemKeys[index], JoinEntryNames(names), sources_.descriptorPath);
}

bool ItemBackups::BackupFiles(std::size_t index, const std::string& source,
                              const std::function<bool(const std::string&)>& matches,
                              bool yieldEach) {
  std::vector<std::string> names;
  for (const std::string& name : ListFolder(source, false)) {
    if (!matches(name)) continue;
    if (yieldEach && yield_) yield_();
    if (!zip1_.AppendFiles(JoinPath(source, name), true)) return false;
    names.push_back(name);
  }
  if (names.empty()) return false;
  return SaveINI(kItemKeys[index], JoinEntryNames(names), sources_.descriptorPath);
}

bool ItemBackups::BackupRegistry(std::size_t index, const std::string& subPath) {
  if (reg_.GetSubKeys(kMailKey).empty()) return false;
  const std::string key = std::string(kMailKey) + subPath;
  // A missing key is made, so that an empty export is still made.
  if (!reg_.KeyExists(key)) reg_.CreateKey(key);
  const std::string file = services_.sGetTempFile("OBR");
  if (file.empty()) return false;
  scratch_.KeepExportFile(file);
  if (!text_.ExportKey(key, file).ok) return false;
  if (!zip1_.AppendFiles(file, true)) return false;
  return SaveINI(kItemKeys[index], BaseName(file), sources_.descriptorPath);
}

}  // namespace quill::backup
