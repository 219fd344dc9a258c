#include "restore/ItemRestore.h"

#include <memory>

#include "core/OrderedJobs.h"
#include "core/StagingArea.h"
#include "platform/Files.h"
#include "platform/RunFolder.h"
#include "platform/SystemInfo.h"
#include "restore/FolderSwap.h"

namespace quill::restore {
namespace fs = std::filesystem;
using core::ItemInfo;
using core::ItemKind;
using platform::HostPath;
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

// Registry export files are a few kilobytes; one larger than this is not read.
constexpr std::size_t kRegistryFileLimit = 16u << 20;

}  // namespace

ItemRestore::ItemRestore(const core::Profile& profile, registry::RegistryKeys& keys,
                         registry::RegistryText& text, const archive::ArchiveReader& backupFile,
                         unsigned threads, ItemEvents events)
    : profile_(profile),
      keys_(keys),
      text_(text),
      backupFile_(backupFile),
      threads_(threads),
      events_(std::move(events)) {}

void ItemRestore::Advance(std::uint64_t bytes, const std::string& file) {
  if (!events_.wrote) return;
  const std::lock_guard lock(reporting_);
  done_ += bytes;
  events_.wrote(done_, total_, file);
}

bool ItemRestore::Fail(std::string message) {
  error_ = std::move(message);
  return false;
}

bool ItemRestore::Run(const ItemInfo& item, const std::vector<std::string>& entries) {
  error_.clear();
  done_ = total_ = 0;
  for (const std::string& name : entries)
    if (const archive::EntryInfo* entry = IsBareName(name) ? backupFile_.Find(name) : nullptr)
      total_ += entry->size;
  if (Stopped()) return Fail(kRestoreStopped);
  switch (item.kind) {
    case ItemKind::Folders:
      return RestoreFolders(item, entries);
    case ItemKind::Files:
      return RestoreFiles(item, entries);
    case ItemKind::Registry:
      return RestoreRegistry(item, entries);
  }
  return false;
}

const archive::EntryInfo* ItemRestore::Entry(const std::string& name) {
  // Names come from a file anyone can write: only bare file names are taken.
  if (!IsBareName(name)) {
    Fail("refused the entry name " + name);
    return nullptr;
  }
  const archive::EntryInfo* entry = backupFile_.Find(name);
  if (entry == nullptr) Fail("the backup file holds no entry " + name);
  return entry;
}

bool ItemRestore::RestoreFolders(const ItemInfo& item, const std::vector<std::string>& entries) {
  const std::string folder = profile_.FolderOf(item.folder);
  const fs::path root = HostPath(folder);
  std::error_code error;
  fs::create_directories(root, error);
  // The folders are unpacked in a run folder of this restore beside the profile folders, on
  // the same disk, where no backup looks.
  const auto run = platform::RunFolder::Create(core::StagingParentFor(profile_, item.folder),
                                               core::kRestoreRunPrefix);
  if (!run) return Fail("cannot make a folder to unpack into beside " + folder);
  core::SwapJournal journal(run->path());

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
    if (!IsBareName(name) || core::IsPlainFile(item, name)) continue;
    unpacks[i].name = name;
    unpacks[i].staging = std::make_unique<Staging>(run->path() / std::to_string(i));
    Unpack& unpack = unpacks[i];
    const fs::path destination = root / HostPath(name).stem();
    jobs[i] = [this, &unpack, destination] {
      std::uint64_t reported = 0;
      return UnpackNested(
          unpack.name, unpack.staging->path(), destination,
          [&](std::uint64_t done, const std::string& file) {
            Advance(done - reported, file);
            reported = done;
          },
          unpack.problem);
    };
  }
  core::OrderedJobs running(jobs, threads_);

  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string& name = entries[i];
    // A stop is taken between folders: the folders already put in place stay, the others
    // stay as they were.
    if (Stopped()) return Fail(kRestoreStopped);
    const archive::EntryInfo* entry = Entry(name);
    if (entry == nullptr) return false;
    if (core::IsPlainFile(item, name)) {
      if (const archive::ReadStatus extracted = backupFile_.Extract(*entry, folder); !extracted)
        return Fail(extracted.error);
      Advance(entry->size, PathText(root / HostPath(name)));
      continue;
    }
    const std::string base = PathText(HostPath(name).stem());
    if (!IsBareName(base) || core::IsOwnName(base))
      return Fail("refused the entry name " + name);
    if (!running.Wait(i)) return Fail(Stopped() ? kRestoreStopped : unpacks[i].problem);
    if (Stopped()) return Fail(kRestoreStopped);
    std::string problem;
    const fs::path staged = unpacks[i].staging->path() / "unpacked";
    const fs::path target = root / HostPath(base);
    if (!(item.mergeOnRestore ? MergeFolder(staged, target, problem, &journal, swapMode_)
                              : ReplaceFolder(staged, target, problem, &journal, swapMode_)))
      return Fail(problem);
    unpacks[i].staging.reset();
  }
  return true;
}

bool ItemRestore::UnpackNested(const std::string& name, const fs::path& staging,
                               const fs::path& destination,
                               const std::function<void(std::uint64_t, const std::string&)>& done,
                               std::string& problem) const {
  if (Stopped()) {
    problem = kRestoreStopped;
    return false;
  }
  std::error_code error;
  if (!fs::is_directory(staging, error)) {
    problem = "cannot create " + PathText(staging);
    return false;
  }
  const archive::EntryInfo* entry = backupFile_.Find(name);
  if (entry == nullptr) {
    problem = "the backup file holds no entry " + name;
    return false;
  }
  if (const archive::ReadStatus extracted = backupFile_.Extract(*entry, PathText(staging));
      !extracted) {
    problem = extracted.error;
    return false;
  }
  archive::ArchiveReader inner;
  if (!inner.Open(PathText(staging / HostPath(name)))) {
    problem = name + ": " + inner.error();
    return false;
  }
  // The inner archive's share of the item is its entry's size in the backup file, handed out
  // as its files come out; each file is named by the place it is going to.
  std::uint64_t innerTotal = 0, innerDone = 0;
  for (const archive::EntryInfo& file : inner.entries()) innerTotal += file.size;
  const fs::path unpacked = staging / "unpacked";
  inner.OnFileExtracted([&](const std::string& path, std::uint64_t bytes) {
    innerDone += bytes;
    done(innerTotal == 0 ? 0 : entry->size * innerDone / innerTotal,
         PathText(destination / HostPath(path).lexically_relative(unpacked)));
  });
  inner.StopWhen([this] { return Stopped(); });
  if (const archive::ReadStatus extracted = inner.ExtractAll(PathText(unpacked)); !extracted) {
    problem = Stopped() ? kRestoreStopped : name + ": " + extracted.error;
    return false;
  }
  done(entry->size, PathText(destination));
  return true;
}

bool ItemRestore::RestoreFiles(const ItemInfo& item, const std::vector<std::string>& entries) {
  const std::string folder = profile_.FolderOf(item.folder);
  if (item.createFolderOnRestore) {
    std::error_code error;
    fs::create_directories(HostPath(folder), error);
    if (error) return Fail("cannot create " + folder + ": " + error.message());
  }
  for (const std::string& name : entries) {
    if (Stopped()) return Fail(kRestoreStopped);
    const archive::EntryInfo* entry = Entry(name);
    if (entry == nullptr) return false;
    if (const archive::ReadStatus extracted = backupFile_.Extract(*entry, folder); !extracted)
      return Fail(extracted.error);
    Advance(entry->size, platform::JoinPath(folder, name));
  }
  return true;
}

bool ItemRestore::RestoreRegistry(const ItemInfo& item, const std::vector<std::string>& entries) {
  if (keys_.GetSubKeys(core::kMailClientKey).empty())
    return Fail("Windows Live Mail keeps no settings for this user");
  if (entries.size() != 1) return Fail("the backup file names no registry file for this item");
  const archive::EntryInfo* entry = Entry(entries.front());
  if (entry == nullptr) return false;
  // The text is read from the backup file straight into the import: no name in a backup file
  // becomes a file anywhere.
  std::string problem;
  const auto bytes = backupFile_.Read(*entry, kRegistryFileLimit, problem);
  if (!bytes) return Fail(problem);
  const auto imported = text_.ImportKeyText(core::ItemKeyPath(item), *bytes, entry->name);
  if (!imported.ok) return Fail(imported.error);
  Advance(entry->size, core::ItemKeyPath(item));
  return true;
}

}  // namespace quill::restore
