#include "restore/ItemRestore.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "archive/Descriptor.h"
#include "archive/EntryPath.h"
#include "core/OrderedJobs.h"
#include "core/StagingArea.h"
#include "platform/Files.h"
#include "platform/RunFolder.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"
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
  if (Stopped()) return Fail(kRestoreStopped);
  // Every name is checked, and every entry found, before anything is made or changed.
  if (!CheckEntries(item, entries)) return false;
  for (const std::string& name : entries) total_ += backupFile_.Find(name)->size;
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

std::string ItemRestore::Clash(const ItemInfo& item, const std::string& placed) const {
  const fs::path root = HostPath(profile_.FolderOf(item.folder));
  for (const ItemInfo& other : core::kItems) {
    if (&other == &item || other.kind == ItemKind::Registry) continue;
    if (other.folder != item.folder) {
      // Another item's folder inside this item's: the calendars in the mail folder.
      const fs::path otherRoot = HostPath(profile_.FolderOf(other.folder));
      if (otherRoot.parent_path() == root &&
          archive::NameKey(PathText(otherRoot.filename())) == archive::NameKey(placed))
        return std::string("it would land on the folder of ") + other.caption;
    } else if (other.kind == ItemKind::Files && *other.nameSuffix != '\0' &&
               platform::EndsWithIgnoringCase(placed, other.nameSuffix)) {
      return std::string("it would land on the data of ") + other.caption;
    }
  }
  for (const char* excluded : item.excludedFolders)
    if (archive::NameKey(placed) == archive::NameKey(excluded))
      return std::string("the folder ") + excluded + " is not the item's";
  if (item.kind == ItemKind::Files && *item.nameSuffix != '\0' &&
      !platform::EndsWithIgnoringCase(placed, item.nameSuffix))
    return std::string("the item's files end in ") + item.nameSuffix;
  return std::string();
}

bool ItemRestore::CheckEntries(const ItemInfo& item, const std::vector<std::string>& entries) {
  if (entries.size() > archive::kNamesPerItem)
    return Fail("the backup file names " + std::to_string(entries.size()) +
                " entries for this item, more than the " + std::to_string(archive::kNamesPerItem) +
                " a restore takes");
  // What each name becomes in the profile, as Windows compares names.
  std::unordered_map<std::string, const std::string*> placedBy;
  for (const std::string& name : entries) {
    // Names come from a file anyone can write: only bare file names are taken.
    if (!IsBareName(name)) return Fail("refused the entry name " + name);
    if (const std::string why = archive::WindowsNameProblem(name); !why.empty())
      return Fail("refused the entry name " + name + ": " + why);
    if (item.kind != ItemKind::Registry) {
      const bool plain = item.kind == ItemKind::Files || core::IsPlainFile(item, name);
      const std::string placed = plain ? name : PathText(HostPath(name).stem());
      if (!plain && (!IsBareName(placed) || core::IsOwnName(placed)))
        return Fail("refused the entry name " + name);
      if (const std::string why = archive::WindowsNameProblem(placed); !why.empty())
        return Fail("refused the entry name " + name + ": " + why);
      // The item's own plain files (the message store beside the accounts) are its own.
      if (const std::string clash = core::IsPlainFile(item, name) ? "" : Clash(item, placed);
          !clash.empty())
        return Fail("refused the entry name " + name + ": " + clash);
      const auto [at, added] = placedBy.try_emplace(archive::NameKey(placed), &name);
      if (!added)
        return Fail("refused the entry name " + name + ": it lands where " + *at->second + " does");
    }
    if (backupFile_.Find(name) == nullptr) return Fail("the backup file holds no entry " + name);
  }
  return true;
}

bool ItemRestore::CheckSpace(const fs::path& folder, std::uint64_t bytes) {
  std::error_code error;
  const fs::space_info space = fs::space(folder, error);
  if (error) return true;  // a system that does not tell is not held up
  if (bytes <= space.available && space.available - bytes >= kFreeSpaceMargin) return true;
  return Fail("the backup file unpacks to " + std::to_string(bytes) + " bytes, and " +
              PathText(folder) + " has " + std::to_string(space.available) +
              " bytes free (a restore leaves " + std::to_string(kFreeSpaceMargin) + " bytes free)");
}

namespace {

// What an item put in place so far, put back when the item fails: a folder swapped in goes
// back to the old one, a file put in place to the old file; what was not there before goes.
class ItemUndo {
 public:
  ItemUndo(fs::path scratch, core::SwapJournal& journal, SwapMode mode)
      : scratch_(std::move(scratch)), journal_(journal), mode_(mode) {}
  ~ItemUndo() {
    if (!kept_) Undo();
  }
  ItemUndo(const ItemUndo&) = delete;
  ItemUndo& operator=(const ItemUndo&) = delete;

  // target was put in place; old is where its former content now is ("" for none).
  void Placed(const fs::path& target, const fs::path& old, bool folder) {
    steps_.push_back({target, old, folder});
  }
  // A place beside the targets for an old file kept until the item is done.
  fs::path NewPlace() { return scratch_ / ("kept-" + std::to_string(count_++)); }
  void Keep() { kept_ = true; }

 private:
  struct Step {
    fs::path target, old;
    bool folder;
  };
  void Undo() {
    for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
      std::error_code code;
      std::string problem;
      if (step->folder && !step->old.empty()) {
        ReplaceFolder(step->old, step->target, problem, &journal_, mode_);
      } else if (!step->old.empty()) {
        fs::rename(step->old, step->target, code);
      } else {
        // Not there before the item: taken out of its place in one step, then removed.
        const fs::path gone = NewPlace();
        fs::rename(step->target, gone, code);
        if (!code) fs::remove_all(gone, code);
      }
    }
  }

  fs::path scratch_;
  core::SwapJournal& journal_;
  SwapMode mode_;
  std::vector<Step> steps_;
  std::size_t count_ = 0;
  bool kept_ = false;
};

// Puts the staged file at target in one step; the old file stays at a place of undo's.
bool PutFileInPlace(const fs::path& staged, const fs::path& target, ItemUndo& undo,
                    std::string& problem) {
  std::error_code code;
  const fs::file_status status = fs::symlink_status(target, code);
  fs::path old;
  if (fs::is_directory(status)) {
    problem = PathText(target) + " is a folder where the backup holds a file";
    return false;
  }
  if (fs::exists(status) || fs::is_symlink(status)) {
    // The old file keeps a second name until the item is done: the name itself, never what a
    // link at it points to.
    old = undo.NewPlace();
    fs::create_hard_link(target, old, code);
    if (code) fs::copy(target, old, fs::copy_options::copy_symlinks, code);
    if (code) {
      problem = "cannot keep " + PathText(target) + ": " + code.message();
      return false;
    }
  }
  fs::rename(staged, target, code);
  if (code) {
    problem = "cannot put " + PathText(target) + " in place: " + code.message();
    return false;
  }
  undo.Placed(target, old, false);
  return true;
}

// share's part for done of total, without the product overflowing: an account of a few
// gigabytes has that many bytes.
std::uint64_t ShareOf(std::uint64_t share, std::uint64_t done, std::uint64_t total) {
  if (total == 0 || done >= total) return total == 0 ? 0 : share;
  return static_cast<std::uint64_t>(static_cast<long double>(share) * done / total);
}

// The indexes of the named entries, for one pass over the backup file.
std::vector<std::size_t> IndexesOf(const archive::ArchiveReader& file,
                                   const std::vector<std::string>& names) {
  std::vector<std::size_t> indexes;
  for (const std::string& name : names) indexes.push_back(file.Find(name)->index);
  return indexes;
}

}  // namespace

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
  if (!CheckSpace(run->path(), total_)) return false;

  // Each entry is taken out of the backup file into a folder of its own (entries taken out
  // side by side must not meet at a partial name), and its inner archive unpacked into a
  // staging folder of its own, several at once and the largest first; the unpacked folders
  // are put in place one by one, in the list's order.
  struct Unpack {
    fs::path taken;
    std::unique_ptr<Staging> staging;
    std::string problem;
  };
  std::vector<Unpack> unpacks(entries.size());
  std::vector<core::OrderedJobs::Job> jobs(entries.size());
  std::vector<std::size_t> largestFirst(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string& name = entries[i];
    const archive::EntryInfo& entry = *backupFile_.Find(name);
    largestFirst[i] = i;
    Unpack& unpack = unpacks[i];
    const fs::path taken = unpack.taken = run->path() / "taken" / std::to_string(i);
    if (!fs::create_directories(taken, error)) return Fail("cannot create " + PathText(taken));
    if (core::IsPlainFile(item, name)) {
      const std::string shown = PathText(root / HostPath(name));
      jobs[i] = [this, &unpack, &entry, taken, shown] {
        std::uint64_t reported = 0;
        return TakeOut(
            entry, taken,
            [&](std::uint64_t bytes) {
              Advance(bytes - reported, shown);
              reported = bytes;
            },
            unpack.problem);
      };
      continue;
    }
    unpack.staging = std::make_unique<Staging>(run->path() / std::to_string(i));
    const fs::path destination = root / HostPath(name).stem();
    jobs[i] = [this, &unpack, &entry, taken, destination] {
      std::uint64_t reported = 0;
      const auto report = [&](std::uint64_t done, const std::string& file) {
        Advance(done - reported, file);
        reported = done;
      };
      // The entry's share of the item: half as it is taken out, half as its files come out.
      const std::uint64_t half = entry.size / 2;
      if (!TakeOut(
              entry, taken, [&](std::uint64_t bytes) { report(bytes / 2, PathText(destination)); },
              unpack.problem))
        return false;
      return UnpackNested(
          taken / HostPath(entry.name), entry.size - half, unpack.staging->path(), destination,
          [&](std::uint64_t done, const std::string& file) { report(half + done, file); },
          unpack.problem);
    };
  }
  std::stable_sort(largestFirst.begin(), largestFirst.end(), [&](std::size_t a, std::size_t b) {
    return backupFile_.Find(entries[a])->size > backupFile_.Find(entries[b])->size;
  });
  core::OrderedJobs running(jobs, threads_, largestFirst);
  // Declared after the staging folders that keep the old folders: a failure puts them back
  // before they go.
  ItemUndo undo(run->path(), journal, swapMode_);

  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string& name = entries[i];
    // A stop is taken between folders; what the item already put in place goes back.
    if (Stopped()) return Fail(kRestoreStopped);
    std::string problem;
    if (!running.Wait(i)) return Fail(Stopped() ? kRestoreStopped : unpacks[i].problem);
    if (Stopped()) return Fail(kRestoreStopped);
    if (core::IsPlainFile(item, name)) {
      if (!PutFileInPlace(unpacks[i].taken / HostPath(name), root / HostPath(name), undo, problem))
        return Fail(problem);
      continue;
    }
    const fs::path staged = unpacks[i].staging->path() / "unpacked";
    const fs::path target = root / HostPath(name).stem();
    fs::path old;
    if (!(item.mergeOnRestore && !replaceMerged_
              ? MergeFolder(staged, target, problem, &journal, swapMode_, &old)
              : ReplaceFolder(staged, target, problem, &journal, swapMode_, &old)))
      return Fail(problem);
    undo.Placed(target, old, true);
  }
  undo.Keep();
  return true;
}

bool ItemRestore::TakeOut(const archive::EntryInfo& entry, const fs::path& folder,
                          const std::function<void(std::uint64_t bytes)>& written,
                          std::string& problem) const {
  if (Stopped()) {
    problem = kRestoreStopped;
    return false;
  }
  const archive::ReadStatus extracted =
      backupFile_.Extract(entry, PathText(folder),
                          [&](const archive::EntryInfo&, std::uint64_t bytes) { written(bytes); });
  if (!extracted) problem = extracted.error;
  return bool(extracted);
}

bool ItemRestore::UnpackNested(const fs::path& archive, std::uint64_t share,
                               const fs::path& staging, const fs::path& destination,
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
  const std::string name = PathText(archive.filename());
  archive::ArchiveReader inner;
  if (!inner.Open(PathText(archive))) {
    problem = name + ": " + inner.error();
    return false;
  }
  // The inner archive's share of the item is its entry's size in the backup file, handed out
  // as its files come out; each file is named by the place it is going to.
  std::uint64_t innerTotal = 0, innerDone = 0;
  for (const archive::EntryInfo& file : inner.entries()) innerTotal += file.size;
  // What the inner archive says it unpacks to must fit, with room to spare.
  if (const fs::space_info space = fs::space(staging, error);
      !error && (innerTotal > space.available || space.available - innerTotal < kFreeSpaceMargin)) {
    problem = name + " unpacks to " + std::to_string(innerTotal) + " bytes, and " +
              PathText(staging) + " has " + std::to_string(space.available) +
              " bytes free (a restore leaves " + std::to_string(kFreeSpaceMargin) + " bytes free)";
    return false;
  }
  const fs::path unpacked = staging / "unpacked";
  inner.OnFileExtracted([&](const std::string& path, std::uint64_t bytes) {
    innerDone += bytes;
    done(ShareOf(share, innerDone, innerTotal),
         PathText(destination / HostPath(path).lexically_relative(unpacked)));
  });
  inner.StopWhen([this] { return Stopped(); });
  inner.SetThreads(threads_);
  if (const archive::ReadStatus extracted = inner.ExtractAll(PathText(unpacked)); !extracted) {
    problem = Stopped() ? kRestoreStopped : name + ": " + extracted.error;
    return false;
  }
  inner = archive::ArchiveReader();
  fs::remove(archive, error);  // the inner archive is not needed once unpacked
  done(share, PathText(destination));
  return true;
}

bool ItemRestore::RestoreFiles(const ItemInfo& item, const std::vector<std::string>& entries) {
  const std::string folder = profile_.FolderOf(item.folder);
  const fs::path root = HostPath(folder);
  std::error_code error;
  fs::create_directories(root, error);
  if (error) return Fail("cannot create " + folder + ": " + error.message());
  // The files are taken out of the backup file in one pass into a run folder inside the
  // folder (where renames stay on one disk and no backup looks), then put in place.
  const auto run = platform::RunFolder::Create(root, core::kRestoreRunPrefix);
  if (!run) return Fail("cannot make a folder to unpack into in " + folder);
  core::SwapJournal journal(run->path());
  if (!CheckSpace(run->path(), total_)) return false;
  const fs::path taken = run->path() / "taken";
  // Each file's bytes count as they are taken out, under the name it will have.
  std::unordered_map<std::size_t, std::uint64_t> reported;
  if (const archive::ReadStatus extracted = backupFile_.ExtractEntries(
          IndexesOf(backupFile_, entries), PathText(taken),
          [&](const archive::EntryInfo& entry, std::uint64_t bytes) {
            std::uint64_t& before = reported[entry.index];
            Advance(bytes - before, platform::JoinPath(folder, entry.name));
            before = bytes;
          });
      !extracted)
    return Fail(extracted.error);
  ItemUndo undo(run->path(), journal, swapMode_);
  for (const std::string& name : entries) {
    if (Stopped()) return Fail(kRestoreStopped);
    std::string problem;
    if (!PutFileInPlace(taken / HostPath(name), root / HostPath(name), undo, problem))
      return Fail(problem);
  }
  undo.Keep();
  return true;
}

bool ItemRestore::RestoreRegistry(const ItemInfo& item, const std::vector<std::string>& entries) {
  if (keys_.GetSubKeys(core::kMailClientKey).empty())
    return Fail("Windows Live Mail keeps no settings for this user");
  if (entries.size() != 1) return Fail("the backup file names no registry file for this item");
  const archive::EntryInfo* entry = backupFile_.Find(entries.front());
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
