#include "backup/BackupEngine.h"

#include <array>
#include <exception>
#include <vector>

#include "archive/ArchiveWriter.h"
#include "archive/BackupVerifier.h"
#include "archive/Descriptor.h"
#include "backup/ItemBackup.h"
#include "backup/ScratchSpace.h"
#include "backup/SpaceCheck.h"
#include "core/RunLog.h"
#include "registry/RegistryText.h"

namespace quill::backup {
using core::ItemInfo;
using core::kItemCount;
using core::kItems;

BackupEngine::BackupEngine(core::Session& session, unsigned threads)
    : session_(session), threads_(threads) {}

BackupOutcome BackupEngine::Run(const BackupRequest& request, const BackupObserver& observer) {
  try {
    return RunItems(request, observer);
  } catch (const std::exception& error) {
    // A path the system cannot take (on Windows, a name that is no UTF-8 text makes
    // std::filesystem throw) or memory running out: the run fails as a whole, as a run that
    // wrote nothing, instead of ending the program. The new file was not renamed into place,
    // so an older backup stays.
    BackupOutcome outcome;
    outcome.error = error.what();
    core::RunLog log(request.logged ? session_.LogPath() : std::string(),
                     [this] { return session_.TimeStamp(); });
    log.NotWritten(request.logUser, request.automatic, outcome.error);
    return outcome;
  }
}

BackupOutcome BackupEngine::RunItems(const BackupRequest& request, const BackupObserver& observer) {
  BackupOutcome outcome;
  // The target is not deleted here: the new file replaces it only once it is complete, so a
  // failed run never costs the user the backup they had.
  archive::Descriptor descriptor;
  descriptor.computer = session_.profile().computer;
  descriptor.user = session_.profile().user;
  descriptor.time = session_.TimeStamp();
  descriptor.information = request.information;
  core::RunLog log(request.logged ? session_.LogPath() : std::string(),
                   [this] { return session_.TimeStamp(); });
  log.Separator();
  log.Start(request.logUser, request.automatic);
  log.Target(request.target);
  if (!session_.found().mailFound) {
    // Without the mail client's profile there is nothing to back up: no file is written.
    outcome.error = session_.found().problem;
    log.NotWritten(request.logUser, request.automatic, outcome.error);
    return outcome;
  }
  // A backup that cannot fit is said before the work starts, not when the disk is full.
  if (!request.roomChecked) {
    if (auto problem = RoomProblemFor(session_, request.items, request.target)) {
      outcome.error = std::move(*problem);
      log.NotWritten(request.logUser, request.automatic, outcome.error);
      return outcome;
    }
  }

  // The item under way, for the progress; the backup file itself once every item is done.
  // Items only gather their entries; their data is read as the backup file is written, and the
  // progress names the item whose data is going in, with that item's bytes.
  std::size_t step = 0;
  std::uint64_t stepStart = 0, stepBytes = 0;
  const auto report = [&](std::uint64_t done, std::uint64_t total, const std::string& file) {
    if (observer.progress) observer.progress({step, done, total, file});
  };
  const auto stopped = [&request] { return request.stop.stop_requested(); };
  std::uint64_t written = 0;
  const auto writing = [&](const std::string& file, std::uint64_t done, std::uint64_t) {
    written = done;
    report(done - stepStart, stepBytes, file);
  };
  const auto writingItem = [&](int group, std::uint64_t bytes) {
    const auto index = static_cast<std::size_t>(group);
    step = group > static_cast<int>(kItemCount) ? index - kItemCount - 1
           : group >= 0                         ? index
                                                : kItemCount;
    stepStart = written;
    stepBytes = bytes;
  };
  archive::ArchiveWriter backupFile(
      request.target, {observer.fileAdded, observer.writeProgress, writing, stopped, writingItem});
  backupFile.SetThreads(threads_);
  ScratchSpace scratch(request.target);
  registry::RegistryText text(session_.platform().registry(), session_.keys());
  ItemBackup items(session_.profile(), session_.keys(), text, session_.services(), backupFile,
                   scratch);
  // Registry keys and values each item's export left out, logged under the item.
  std::array<std::vector<registry::SkippedName>, kItemCount> leftOut;
  core::ItemSet finished{};
  for (std::size_t index = 0; index < kItemCount && !stopped(); ++index) {
    if (!request.items[index]) continue;
    if (observer.itemStarting) observer.itemStarting(index);
    ItemOutcome item = items.Run(kItems[index], request.items);
    // An item cut short by the stop is neither logged nor summed up: no file is written.
    if (stopped()) break;
    outcome.succeeded[index] = item.succeeded;
    outcome.errors[index] = item.error;
    if (item.succeeded) descriptor.entries[index] = std::move(item.entries);
    leftOut[index] = std::move(item.leftOut);
    finished[index] = true;
    if (observer.itemFinished) observer.itemFinished(index, item.succeeded);
  }

  // The files of an item are read when the backup file is written. One that changed or went
  // while it was read (a message store the mail client had open) fails its item alone: the
  // file is written again without that item, and the descriptor says so.
  constexpr int kDescriptorGroup = static_cast<int>(kItemCount);
  for (;;) {
    descriptor.flags = core::ItemMask(outcome.succeeded);
    backupFile.DropGroup(kDescriptorGroup);
    backupFile.AddData(archive::kDescriptorName, descriptor.Serialize(), kDescriptorGroup);
    written = 0;
    outcome.written = !stopped() && backupFile.Write(request.password);
    const int failed = backupFile.failedGroup();
    if (outcome.written || stopped() || failed < 0 || failed == kDescriptorGroup) break;
    backupFile.DropGroup(failed);
    if (failed > kDescriptorGroup) {
      // The companion file alone is left out; the item keeps its folders.
      const ItemInfo& owner = kItems[static_cast<std::size_t>(failed - kDescriptorGroup - 1)];
      std::erase(descriptor.entries[core::IndexOf(owner.item)], owner.companionFile);
      continue;
    }
    if (!outcome.succeeded[failed]) continue;
    outcome.succeeded[failed] = false;
    outcome.errors[failed] = backupFile.error();
    descriptor.entries[failed].clear();
  }
  if (!outcome.written) outcome.error = backupFile.error();
  for (std::size_t index = 0; index < kItemCount; ++index) {
    // A stopped run wrote no item's data: no item is logged as done or failed.
    if (!finished[index] || (!outcome.written && stopped())) continue;
    log.Item(kItems[index].backupName, outcome.succeeded[index]);
    for (const registry::SkippedName& skipped : leftOut[index]) {
      if (skipped.isKey)
        log.KeyLeftOut(kItems[index].backupName, skipped.key);
      else
        log.ValueLeftOut(kItems[index].backupName, skipped.key, skipped.value);
    }
  }
  scratch.RemoveAll();
  if (!outcome.written && stopped()) {
    outcome.cancelled = true;
    outcome.error = "cancelled";
  }
  if (outcome.written && request.check) {
    // The check unpacks one inner archive at a time beside the backup file.
    const auto folder = platform::HostPath(request.target).parent_path();
    const archive::VerifyReport report =
        archive::VerifyBackupFile(request.target, request.password, {platform::PathText(folder)});
    outcome.checked = true;
    outcome.checkPassed = report.ok;
    outcome.checkReport = report.Text();
    log.Item("Check Backup File", report.ok);
  }
  if (outcome.written)
    log.End(request.logUser, request.automatic);
  else
    log.NotWritten(request.logUser, request.automatic, outcome.error);
  return outcome;
}

}  // namespace quill::backup
