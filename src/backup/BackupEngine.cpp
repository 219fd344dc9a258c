#include "backup/BackupEngine.h"

#include "archive/BackupVerifier.h"
#include "backup/BackupFileWriter.h"
#include "backup/ItemBackups.h"
#include "backup/ScratchSpace.h"
#include "core/BackupLog.h"
#include "registry/RegistryText.h"

namespace quill::backup {
using archive::VerifyBackupFile;
using archive::VerifyReport;
using core::BackupLog;

BackupEngine::BackupEngine(platform::Platform& platform, registry::RegistryKeys& reg,
                           core::SharedServices& services, ZipComponent& zip1,
                           core::ProcessValues values, std::string descriptorPath,
                           std::function<std::string()> timeStamp, unsigned threads)
    : platform_(platform),
      reg_(reg),
      services_(services),
      zip1_(zip1),
      values_(std::move(values)),
      descriptorPath_(std::move(descriptorPath)),
      timeStamp_(std::move(timeStamp)),
      threads_(threads) {}

BackupOutcome BackupEngine::Run(const BackupRequest& request, const BackupObserver& observer) {
  BackupOutcome outcome;
  BackupFileWriter writer(zip1_, platform_.files(), descriptorPath_);
  writer.Begin(request.target,
               {values_.ComputerName, values_.LogonUserName, timeStamp_(), request.information});
  BackupLog log(services_.LogPath(), timeStamp_);
  log.Separator();
  log.Start(request.logUser, request.automatic);
  log.Target(request.target);

  zip1_.SetEvents({observer.fileAdded, nullptr, observer.writeProgress});
  // Inner archives are built beside the backup file; a folder left by a run that was
  // stopped midway goes first.
  ScratchSpace scratch(request.target + ".parts");
  scratch.RemoveAll();
  registry::RegistryText text(platform_.registry(), reg_);
  ItemBackups items(
      {values_.MailDataFolder, values_.ContactsFolder, values_.StationeryFolder, descriptorPath_},
      zip1_, reg_, text, services_, scratch, observer.yield, threads_);
  for (std::size_t index = 0; index < kItemCount; ++index) {
    if (!request.items[index]) continue;
    if (observer.itemStarting) observer.itemStarting(index);
    outcome.succeeded[index] = items.Run(index, request.items[6]);
    log.Item(kItemLogNames[index], outcome.succeeded[index]);
    if (observer.itemFinished) observer.itemFinished(index, outcome.succeeded[index]);
  }

  outcome.written = writer.Finish(outcome.succeeded, request.password);
  if (!outcome.written) outcome.error = zip1_.lastError();
  zip1_.SetEvents({});
  scratch.RemoveAll();
  if (outcome.written && request.check) {
    // The check unpacks one inner archive at a time beside the backup file.
    const auto folder = platform::HostPath(request.target).parent_path();
    const VerifyReport report =
        VerifyBackupFile(request.target, request.password, {platform::PathText(folder)});
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
