#include "restore/RestoreEngine.h"

#include "core/RunLog.h"
#include "registry/RegistryText.h"
#include "restore/ItemRestore.h"

namespace quill::restore {
using core::kItemCount;
using core::kItems;

RestoreEngine::RestoreEngine(core::Session& session, unsigned threads)
    : session_(session), threads_(threads) {}

RestoreOutcome RestoreEngine::Run(const archive::OpenedBackup& backup,
                                  const RestoreRequest& request, const RestoreObserver& observer) {
  RestoreOutcome outcome;
  if (!session_.found().mailFound) {
    // Without the mail client's store the profile's folders are unknown: nothing is written.
    for (std::size_t index = 0; index < kItemCount; ++index)
      if (request.items[index] && backup.descriptor.Holds(index)) {
        outcome.attempted[index] = true;
        outcome.errors[index] = core::ProfileDiscovery::kNoStoreForRestore;
      }
    return outcome;
  }
  core::RunLog log(session_.LogPath(), [this] { return session_.TimeStamp(); });
  log.Separator();
  log.Line("Start Retore Data to User Profile " + request.logUser, '\n');
  log.Line("Restore File is " + backup.reader.path(), '\n');

  registry::RegistryText text(session_.platform().registry(), session_.keys());
  std::size_t step = 0;  // the item under way, for the progress
  ItemRestore items(
      session_.profile(), session_.keys(), text, backup.reader, threads_,
      {request.stop, [&](std::uint64_t done, std::uint64_t total, const std::string& file) {
         if (observer.progress) observer.progress({step, done, total, file});
       }});
  items.SetReplaceMerged(request.replaceMerged);
  for (std::size_t index = 0; index < kItemCount; ++index) {
    if (!request.items[index] || !backup.descriptor.Holds(index)) continue;
    if (request.stop.stop_requested()) {
      outcome.cancelled = true;
      break;
    }
    if (observer.itemStarting) observer.itemStarting(index);
    step = index;
    outcome.attempted[index] = true;
    outcome.restored[index] = items.Run(kItems[index], backup.descriptor.entries[index]);
    outcome.errors[index] = items.error();
    outcome.cancelled = outcome.errors[index] == kRestoreStopped;
    log.Item(kItems[index].restoreName, outcome.restored[index]);
    if (!outcome.restored[index])
      log.Reason(kItems[index].restoreName,
                 outcome.errors[index].empty() ? "it failed" : outcome.errors[index]);
    if (observer.itemFinished)
      observer.itemFinished(index, outcome.restored[index], outcome.errors[index]);
  }
  log.Line("Restore Data to User Profile " + request.logUser +
               (outcome.cancelled ? " was cancelled" : " was Completed!"),
           '\r');
  return outcome;
}

}  // namespace quill::restore
