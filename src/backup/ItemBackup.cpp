#include "backup/ItemBackup.h"

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "archive/ZipWriter.h"
#include "core/OrderedJobs.h"
#include "core/StagingArea.h"
#include "platform/Files.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"

namespace quill::backup {
namespace fs = std::filesystem;
using core::ItemInfo;
using core::ItemKind;
using platform::JoinPath;

namespace {

std::string BaseName(const std::string& path) {
  return platform::PathText(platform::HostPath(path).filename());
}

struct InnerJob {
  std::string name;
  std::string source;
  std::string archive;
};

// Packs one folder into its inner archive; problem says why it could not.
bool PackFolder(const InnerJob& job, archive::WriteEvents events, std::string& problem) {
  archive::ArchiveWriter inner(job.archive, std::move(events));
  inner.SetDurable(false);  // a scratch file: the backup file itself is flushed when it is done
  if (inner.AddFolderContents(job.source, core::IsOwnName) && inner.Write("")) return true;
  problem = "the folder " + job.source + " could not be packed: " + inner.error();
  return false;
}

ItemOutcome Failed(std::string why) {
  return {false, {}, std::move(why)};
}

// The bytes of the files below each job's folder.
std::vector<std::uint64_t> FolderBytes(const std::vector<InnerJob>& jobs) {
  std::vector<std::uint64_t> sizes;
  for (const InnerJob& job : jobs) {
    std::uint64_t bytes = 0;
    std::string ignored;
    archive::WalkFolder(
        platform::HostPath(job.source), true,
        [&](const fs::path& path, const std::string&, bool empty) {
          std::error_code error;
          if (!empty) bytes += fs::file_size(path, error);
          return true;
        },
        ignored);
    sizes.push_back(bytes);
  }
  return sizes;
}

// The jobs' indexes, the folder with the most bytes first: the longest job starts at once.
std::vector<std::size_t> LargestFirst(const std::vector<std::uint64_t>& sizes) {
  std::vector<std::size_t> order(sizes.size());
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
    std::string name = platform::PathText(it->path().filename());
    // The program's own scratch and staging beside the user's data are never the user's data.
    if ((folders ? isFolder : isFile) && !core::IsOwnName(name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string la = platform::Lower(a), lb = platform::Lower(b);
    return la != lb ? la < lb : a < b;
  });
  return names;
}

ItemBackup::ItemBackup(const core::Profile& profile, registry::RegistryKeys& keys,
                       registry::RegistryText& text, core::SharedServices& services,
                       archive::ArchiveWriter& backupFile, ScratchSpace& scratch, unsigned threads,
                       ItemEvents events)
    : profile_(profile),
      keys_(keys),
      text_(text),
      services_(services),
      backupFile_(backupFile),
      scratch_(scratch),
      threads_(threads),
      events_(std::move(events)) {}

ItemOutcome ItemBackup::Run(const ItemInfo& item, const core::ItemSet& chosen) {
  // What an item adds to the backup file belongs to it: a file that fails the write fails
  // only its item.
  group_ = static_cast<int>(core::IndexOf(item.item));
  switch (item.kind) {
    case ItemKind::Folders:
      return BackupFolders(
          item, *item.companionFile != '\0' && !chosen[core::IndexOf(item.companionOwner)]);
    case ItemKind::Files:
      return BackupFiles(item);
    case ItemKind::Registry:
      return BackupRegistry(item);
  }
  return {};
}

ItemOutcome ItemBackup::BackupFolders(const ItemInfo& item, bool takeCompanion) {
  const std::string source = profile_.FolderOf(item.folder);
  std::error_code error;
  if (!fs::is_directory(platform::HostPath(source), error))
    return Failed("there is no folder " + source);
  std::vector<InnerJob> jobs;
  const std::string scratch = scratch_.InnerArchiveFolder(core::IndexOf(item.item));
  if (scratch.empty()) return Failed("no scratch folder could be made beside the backup file");
  for (const std::string& name : ListFolder(source, true)) {
    if (std::find(item.excludedFolders.begin(), item.excludedFolders.end(), name) !=
        item.excludedFolders.end())
      continue;
    jobs.push_back({name, JoinPath(source, name), JoinPath(scratch, name + ".zip")});
  }
  // The bytes the inner archives have taken so far, added up over the threads that build them.
  const std::vector<std::uint64_t> sizes = FolderBytes(jobs);
  std::uint64_t total = 0;
  for (std::uint64_t size : sizes) total += size;
  std::mutex reporting;
  std::uint64_t done = 0;
  std::vector<std::uint64_t> doneByJob(jobs.size());
  std::vector<core::OrderedJobs::Job> work;
  std::vector<std::string> problems(jobs.size());
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    archive::WriteEvents events;
    if (events_.read)
      events.bytes = [&, i](const std::string& file, std::uint64_t jobDone, std::uint64_t) {
        const std::lock_guard lock(reporting);
        done += jobDone - doneByJob[i];
        doneByJob[i] = jobDone;
        events_.read(done, total, file);
      };
    if (events_.stop.stop_possible())
      events.stopped = [stop = events_.stop] { return stop.stop_requested(); };
    work.push_back([job = jobs[i], events, &problem = problems[i]] {
      return PackFolder(job, events, problem);
    });
  }
  ItemOutcome outcome;
  {
    core::OrderedJobs builder(std::move(work), threads_, LargestFirst(sizes));
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      // A folder that cannot be packed ends the item; what was added stays in the archive.
      if (!builder.Wait(i) || events_.stop.stop_requested()) return Failed(problems[i]);
      if (!backupFile_.AddFile(jobs[i].archive, group_)) return Failed(backupFile_.error());
      outcome.entries.push_back(jobs[i].name + ".zip");
    }
  }
  // The companion file (the message store) goes with the folders when its owner does not take
  // it; it is listed only when it was there to add.
  if (takeCompanion &&
      backupFile_.AddFile(JoinPath(source, item.companionFile), CompanionGroup(item.item)))
    outcome.entries.push_back(item.companionFile);
  if (jobs.empty()) return Failed("the folder " + source + " holds no folder to back up");
  outcome.succeeded = true;
  return outcome;
}

ItemOutcome ItemBackup::BackupFiles(const ItemInfo& item) {
  const std::string source = profile_.FolderOf(item.folder);
  ItemOutcome outcome;
  for (const std::string& name : ListFolder(source, false)) {
    if (!platform::EndsWithIgnoringCase(name, item.nameSuffix)) continue;
    if (!backupFile_.AddFile(JoinPath(source, name), group_)) return Failed(backupFile_.error());
    outcome.entries.push_back(name);
  }
  if (outcome.entries.empty()) return Failed("the folder " + source + " holds no file to back up");
  outcome.succeeded = true;
  return outcome;
}

ItemOutcome ItemBackup::BackupRegistry(const ItemInfo& item) {
  if (keys_.GetSubKeys(core::kMailClientKey).empty())
    return Failed("Windows Live Mail keeps no settings for this user");
  const std::string key = core::ItemKeyPath(item);
  // A missing key is made, so that an empty export is still made.
  if (!keys_.KeyExists(key)) keys_.CreateKey(key);
  const std::string file = services_.NewScratchFile("OBR");
  if (file.empty()) return Failed("no scratch file could be made in the program's folder");
  scratch_.KeepExportFile(file);
  registry::ExportResult exported = text_.ExportKey(key, file);
  if (!exported.ok) return Failed(exported.error);
  if (!backupFile_.AddFile(file, group_)) return Failed(backupFile_.error());
  return {true, {BaseName(file)}, {}, std::move(exported.skipped)};
}

}  // namespace quill::backup
